#include "engine/mailmerge/text_case.h"

#include <algorithm>

#include "runtime/text.h"

namespace tw::engine::mailmerge {
namespace {

// The Windows-1252 letters outside ASCII whose cases sit apart: S/Z with caron, OE, Y with diaeresis.
constexpr unsigned char kUpperSpecial[] = {0x8A, 0x8C, 0x8E, 0x9F};
constexpr unsigned char kLowerSpecial[] = {0x9A, 0x9C, 0x9E, 0xFF};

bool isUpperLatin1(unsigned char u) {
  return u >= 0xC0 && u <= 0xDE && u != 0xD7;
}
bool isLowerLatin1(unsigned char u) {
  return u >= 0xE0 && u <= 0xFE && u != 0xF7;
}

}  // namespace

char upperChar(char c) {
  auto u = static_cast<unsigned char>(c);
  if (u >= 'a' && u <= 'z') return static_cast<char>(u - 32);
  if (isLowerLatin1(u)) return static_cast<char>(u - 32);
  for (size_t i = 0; i < std::size(kLowerSpecial); ++i) {
    if (u == kLowerSpecial[i]) return static_cast<char>(kUpperSpecial[i]);
  }
  return c;
}

char lowerChar(char c) {
  auto u = static_cast<unsigned char>(c);
  if (u >= 'A' && u <= 'Z') return static_cast<char>(u + 32);
  if (isUpperLatin1(u)) return static_cast<char>(u + 32);
  for (size_t i = 0; i < std::size(kUpperSpecial); ++i) {
    if (u == kUpperSpecial[i]) return static_cast<char>(kLowerSpecial[i]);
  }
  return c;
}

bool isLetter(char c) {
  return upperChar(c) != lowerChar(c) || static_cast<unsigned char>(c) == 0xDF;  // sharp s has no upper
}

std::string toUpper(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(), upperChar);
  return out;
}

std::string toLower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(), lowerChar);
  return out;
}

std::string applyTextFormat(std::string_view text, std::string_view format) {
  if (runtime::equalsTextCompare(format, "Upper")) return toUpper(text);
  if (runtime::equalsTextCompare(format, "Lower")) return toLower(text);
  bool caps = runtime::equalsTextCompare(format, "Caps");
  if (!caps && !runtime::equalsTextCompare(format, "FirstCap")) return std::string(text);
  std::string out = toLower(text);
  bool wordStart = true;
  bool firstDone = false;
  for (char& c : out) {
    bool letter = isLetter(c);
    bool digit = c >= '0' && c <= '9';
    if (letter && wordStart && (caps || !firstDone)) {
      c = upperChar(c);
      firstDone = true;
    }
    // An apostrophe inside a word does not start a new one ("o'neil" -> "O'neil" stays one word).
    wordStart = !(letter || digit || c == '\'');
  }
  return out;
}

}  // namespace tw::engine::mailmerge
