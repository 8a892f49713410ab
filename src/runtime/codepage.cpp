#include "runtime/codepage.h"

#include <array>
#include <cstdint>

namespace tw::runtime {
namespace {

// Unicode code points of the bytes 0x80..0x9F. The five bytes Windows-1252 leaves undefined (0x81,
// 0x8D, 0x8F, 0x90, 0x9D) map to the C1 control of the same value.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t codePointOf(unsigned char byte) {
  return byte >= 0x80 && byte < 0xA0 ? kHighControls[byte - 0x80] : byte;
}

// The Windows-1252 byte of a code point, or '?' when the code page lacks it.
char byteOf(char32_t codePoint) {
  if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF)) return static_cast<char>(codePoint);
  for (size_t i = 0; i < kHighControls.size(); ++i) {
    if (kHighControls[i] == codePoint) return static_cast<char>(0x80 + i);
  }
  return '?';
}

// Decodes one well-formed UTF-8 sequence at `pos`; returns its length, or 0 when the bytes there are
// not a well-formed sequence (stray continuation byte, overlong form, surrogate, beyond U+10FFFF,
// truncated).
size_t decodeUtf8(std::string_view text, size_t pos, char32_t& codePoint) {
  auto lead = static_cast<unsigned char>(text[pos]);
  size_t length;
  char32_t minimum;
  if (lead < 0x80) {
    codePoint = lead;
    return 1;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, minimum = 0x80, codePoint = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, minimum = 0x800, codePoint = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, minimum = 0x10000, codePoint = lead & 0x07;
  } else {
    return 0;
  }
  if (text.size() - pos < length) return 0;
  for (size_t i = 1; i < length; ++i) {
    auto next = static_cast<unsigned char>(text[pos + i]);
    if ((next & 0xC0) != 0x80) return 0;
    codePoint = (codePoint << 6) | (next & 0x3F);
  }
  if (codePoint < minimum || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) return 0;
  return length;
}

// The length of the leading stretch of ASCII, which reads the same in both encodings.
size_t asciiPrefix(std::string_view text) {
  size_t n = 0;
  while (n < text.size() && static_cast<unsigned char>(text[n]) < 0x80) ++n;
  return n;
}

}  // namespace

std::string utf8ToCp1252(std::string_view utf8) {
  const size_t ascii = asciiPrefix(utf8);
  std::string out(utf8.substr(0, ascii));
  if (ascii == utf8.size()) return out;
  out.reserve(utf8.size());
  for (size_t pos = ascii; pos < utf8.size();) {
    char32_t codePoint = 0;
    size_t length = decodeUtf8(utf8, pos, codePoint);
    if (length == 0) {
      // A malformed sequence: its lead byte here, each stray continuation byte on its own turn.
      out += '?';
      ++pos;
      continue;
    }
    out += byteOf(codePoint);
    pos += length;
  }
  return out;
}

std::string cp1252ToUtf8(std::string_view cp1252) {
  const size_t ascii = asciiPrefix(cp1252);
  std::string out(cp1252.substr(0, ascii));
  if (ascii == cp1252.size()) return out;
  out.reserve(cp1252.size() + cp1252.size() / 8);
  for (char byte : cp1252.substr(ascii)) appendUtf8(out, codePointOf(static_cast<unsigned char>(byte)));
  return out;
}

void appendUtf8(std::string& out, char32_t codePoint) {
  if (codePoint < 0x80) {
    out += static_cast<char>(codePoint);
  } else if (codePoint < 0x800) {
    out += static_cast<char>(0xC0 | (codePoint >> 6));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  } else if (codePoint < 0x10000) {
    out += static_cast<char>(0xE0 | (codePoint >> 12));
    out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (codePoint >> 18));
    out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  }
}

}  // namespace tw::runtime
