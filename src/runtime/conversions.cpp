#include "runtime/conversions.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "runtime/error.h"
#include "runtime/keyed_collection.h"

namespace tw::runtime {
namespace {

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}
bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view trimBlanks(std::string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

// A number read from the front of a text: its value and where it ended.
struct Scan {
  bool found = false;
  double value = 0;
  size_t end = 0;
};

// A &H (hex), &O or & (octal) number at the front of `text`. Up to 16 bits it is an Integer and up to
// 32 bits a Long, so "&HFFFF" is -1 and "&H10000" is 65536; more is error 6.
Scan scanRadix(std::string_view text) {
  if (text.size() < 2 || text[0] != '&') return {};
  size_t pos = 1;
  unsigned radix = 8;
  if (text[1] == 'H' || text[1] == 'h') {
    radix = 16, pos = 2;
  } else if (text[1] == 'O' || text[1] == 'o') {
    pos = 2;
  }
  std::uint64_t raw = 0;
  size_t first = pos;
  for (; pos < text.size(); ++pos) {
    char c = text[pos];
    unsigned digit;
    if (isDigit(c))
      digit = static_cast<unsigned>(c - '0');
    else if (radix == 16 && c >= 'a' && c <= 'f')
      digit = static_cast<unsigned>(c - 'a' + 10);
    else if (radix == 16 && c >= 'A' && c <= 'F')
      digit = static_cast<unsigned>(c - 'A' + 10);
    else
      break;
    if (digit >= radix) break;
    raw = raw * radix + digit;
    if (raw > 0xFFFFFFFFu) throw Error::fromNumber(kOverflow);
  }
  if (pos == first) return {};
  double value = raw <= 0xFFFF ? static_cast<std::int16_t>(raw) : static_cast<std::int32_t>(raw);
  return {true, value, pos};
}

bool startsWith(std::string_view text, size_t pos, std::string_view part) {
  return !part.empty() && text.substr(pos).starts_with(part);
}

// A decimal number at the front of `text`: sign, digits (with thousands separators among the whole
// digits when `thousands` is given), decimal separator and fraction, and an exponent introduced by E or
// D that counts only when digits follow it. Beyond the range of a double is error 6.
Scan scanDecimal(std::string_view text, std::string_view decimal, std::string_view thousands) {
  std::string plain;  // the number in the notation from_chars reads
  size_t pos = 0;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    if (text[pos] == '-') plain += '-';
    ++pos;
  }
  bool digits = false;
  long magnitude = 0;  // significant whole digits: the decimal exponent of the mantissa
  for (;;) {
    if (pos < text.size() && isDigit(text[pos])) {
      if (magnitude > 0 || text[pos] != '0') ++magnitude;
      plain += text[pos++];
      digits = true;
    } else if (digits && startsWith(text, pos, thousands)) {
      pos += thousands.size();
    } else {
      break;
    }
  }
  if (startsWith(text, pos, decimal)) {
    pos += decimal.size();
    plain += '.';
    while (pos < text.size() && isDigit(text[pos])) {
      plain += text[pos++];
      digits = true;
    }
  }
  if (!digits) return {};

  long exponent = 0;
  if (pos < text.size() && (text[pos] == 'E' || text[pos] == 'e' || text[pos] == 'D' || text[pos] == 'd')) {
    size_t at = pos + 1;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
    if (at < text.size() && isDigit(text[at])) {
      for (; at < text.size() && isDigit(text[at]); ++at) {
        if (exponent < 100000) exponent = exponent * 10 + (text[at] - '0');
      }
      if (negative) exponent = -exponent;
      plain += 'e' + std::to_string(exponent);
      pos = at;
    }
  }

  double value = 0;
  auto [ptr, ec] = std::from_chars(plain.data(), plain.data() + plain.size(), value);
  if (ec == std::errc::result_out_of_range || std::isinf(value)) {
    if (magnitude + exponent > 0) throw Error::fromNumber(kOverflow);
    value = 0;  // too small to represent
  } else if (ec != std::errc()) {
    return {};
  }
  return {true, value, pos};
}

// The whole text (blanks around allowed) as a number in the notation of `locale`; false when it is
// not one.
bool readWholeNumber(std::string_view text, const Locale& locale, double& value) {
  text = trimBlanks(text);
  Scan scan = scanRadix(text);
  if (!scan.found) scan = scanDecimal(text, locale.decimalSeparator, locale.thousandsSeparator);
  if (!scan.found || scan.end != text.size()) return false;
  value = scan.value;
  return true;
}

}  // namespace

Integer toInteger(std::string_view text, const Locale& locale) {
  double value = 0;
  if (!readWholeNumber(text, locale, value)) throw Error::fromNumber(kTypeMismatch);
  return toInteger(value);
}

namespace {

template <class Whole>
Whole toWhole(double value) {
  double rounded = std::nearbyint(value);  // the default rounding mode is half to even
  if (!(rounded >= std::numeric_limits<Whole>::min() && rounded <= std::numeric_limits<Whole>::max()))
    throw Error::fromNumber(kOverflow);
  return static_cast<Whole>(rounded);
}

}  // namespace

Integer toInteger(double value) {
  return toWhole<Integer>(value);
}

Long toLong(double value) {
  return toWhole<Long>(value);
}

bool toBoolean(std::string_view text, const Locale& locale) {
  std::string_view word = trimBlanks(text);
  if (equalsTextCompare(word, "True")) return true;
  if (equalsTextCompare(word, "False")) return false;
  double value = 0;
  if (!readWholeNumber(word, locale, value)) throw Error::fromNumber(kTypeMismatch);
  return value != 0;
}

double Val(std::string_view text) {
  std::string packed;
  packed.reserve(text.size());
  for (char c : text) {
    if (c != ' ' && c != '\t' && c != '\n') packed += c;
  }
  Scan scan = scanRadix(packed);
  if (!scan.found && !packed.empty() && packed[0] != '&') scan = scanDecimal(packed, ".", "");
  return scan.found ? scan.value : 0;
}

}  // namespace tw::runtime
