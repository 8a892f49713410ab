#include "server/base64.h"

#include <array>
#include <cstdint>

namespace tw::addin {
namespace {

constexpr char kEncode[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr std::int16_t kSkip = -1;
constexpr std::int16_t kPad = 64;

// Byte value to 6-bit value; kPad for "=", kSkip for everything outside the alphabet.
constexpr std::array<std::int16_t, 256> makeDecodeTable() {
  std::array<std::int16_t, 256> table{};
  table.fill(kSkip);
  for (std::int16_t i = 0; i < 64; ++i) table[static_cast<unsigned char>(kEncode[i])] = i;
  table['='] = kPad;
  return table;
}

constexpr std::array<std::int16_t, 256> kDecode = makeDecodeTable();

std::int16_t lookup(char c) {
  return kDecode[static_cast<unsigned char>(c)];
}

void encodeGroup(unsigned char b0, unsigned char b1, unsigned char b2, char* out) {
  out[0] = kEncode[b0 >> 2];
  out[1] = kEncode[((b0 & 3) << 4) | (b1 >> 4)];
  out[2] = kEncode[((b1 & 15) << 2) | (b2 >> 6)];
  out[3] = kEncode[b2 & 63];
}

// Writes the three bytes of a complete group at out[count..] and returns the new count. A "=" (64) in
// the first two places contributes no bits (the shifts drop them); in the last two it steps the count
// back, so the next group overwrites the byte it took.
size_t decodeGroup(const std::int16_t (&q)[4], char* out, size_t count) {
  out[count] = static_cast<char>((q[0] << 2) | ((q[1] >> 4) & 3));
  out[count + 1] = static_cast<char>(((q[1] & 15) << 4) | ((q[2] >> 2) & 15));
  out[count + 2] = static_cast<char>(((q[2] & 3) << 6) | q[3]);
  count += 3;
  if (q[3] == kPad) out[--count] = 0;
  if (q[2] == kPad) out[--count] = 0;
  return count;
}

// Takes one character into the group; a full group is decoded and emptied.
void takeCharacter(char c, std::int16_t (&q)[4], int& fill, char* out, size_t& count) {
  std::int16_t value = lookup(c);
  if (value == kSkip) return;
  q[fill++] = value;
  if (fill == 4) {
    count = decodeGroup(q, out, count);
    fill = 0;
  }
}

// The output buffer of a decode: 3 bytes per 4 input characters, the most that can come out. Empty
// for texts shorter than 4 characters, which decode to nothing.
std::string decodeBuffer(std::string_view text) {
  return std::string(text.size() / 4 * 3, '\0');
}

}  // namespace

std::string base64Encode(std::string_view bytes) {
  const size_t groups = bytes.size() / 3;
  const size_t tail = bytes.size() % 3;
  std::string text(4 * groups + (tail ? 4 : 0), '\0');
  const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
  char* out = text.data();
  for (size_t i = 0; i < groups; ++i, in += 3, out += 4) encodeGroup(in[0], in[1], in[2], out);
  if (tail == 1) {
    encodeGroup(in[0], 0, 0, out);
    out[2] = out[3] = '=';
  } else if (tail == 2) {
    encodeGroup(in[0], in[1], 0, out);
    out[3] = '=';
  }
  return text;
}

std::string base64DecodeReference(std::string_view text) {
  std::string bytes = decodeBuffer(text);
  if (bytes.empty()) return bytes;
  std::int16_t q[4] = {};
  int fill = 0;
  size_t count = 0;
  for (char c : text) takeCharacter(c, q, fill, bytes.data(), count);
  bytes.resize(count);
  return bytes;
}

std::string base64Decode(std::string_view text) {
  std::string bytes = decodeBuffer(text);
  if (bytes.empty()) return bytes;
  std::int16_t q[4] = {};
  int fill = 0;
  size_t count = 0;
  char* out = bytes.data();
  const char* in = text.data();
  const char* end = in + text.size();
  while (in < end) {
    // Shortcut: at a group boundary, four alphabet characters without padding make three bytes at once.
    if (fill == 0 && end - in >= 4) {
      std::int16_t a = lookup(in[0]), b = lookup(in[1]), c = lookup(in[2]), d = lookup(in[3]);
      if (((a | b | c | d) & ~63) == 0) {
        out[count] = static_cast<char>((a << 2) | (b >> 4));
        out[count + 1] = static_cast<char>(((b & 15) << 4) | (c >> 2));
        out[count + 2] = static_cast<char>(((c & 3) << 6) | d);
        count += 3;
        in += 4;
        continue;
      }
    }
    takeCharacter(*in++, q, fill, out, count);
  }
  bytes.resize(count);
  return bytes;
}

}  // namespace tw::addin
