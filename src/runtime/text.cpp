#include "runtime/text.h"

#include <algorithm>
#include <array>

namespace tw::runtime {
namespace {

// Lower case of every Windows-1252 byte: A-Z, the Latin-1 capitals (not the multiplication sign),
// and the four capitals of the 0x80 row (S caron, OE, Z caron, Y diaeresis).
constexpr std::array<unsigned char, 256> makeLowerTable() {
  std::array<unsigned char, 256> table{};
  for (int i = 0; i < 256; ++i) table[i] = static_cast<unsigned char>(i);
  for (int i = 'A'; i <= 'Z'; ++i) table[i] = static_cast<unsigned char>(i + 0x20);
  for (int i = 0xC0; i <= 0xDE; ++i) {
    if (i != 0xD7) table[i] = static_cast<unsigned char>(i + 0x20);
  }
  table[0x8A] = 0x9A;
  table[0x8C] = 0x9C;
  table[0x8E] = 0x9E;
  table[0x9F] = 0xFF;
  return table;
}

constexpr std::array<unsigned char, 256> kLower = makeLowerTable();

char lower(char c) {
  return static_cast<char>(kLower[static_cast<unsigned char>(c)]);
}

}  // namespace

bool equalsTextCompare(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](char x, char y) { return lower(x) == lower(y); });
}

std::string foldCase(std::string_view text) {
  std::string folded(text);
  for (char& c : folded) c = lower(c);
  return folded;
}

std::string captionKey(std::string_view caption) {
  std::string key;
  for (char c : caption) {
    if (c != '&') key += lower(c);
  }
  return key;
}

std::string_view Trim(std::string_view text) {
  size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  size_t last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

}  // namespace tw::runtime
