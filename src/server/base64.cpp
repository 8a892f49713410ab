#include "server/base64.h"

#include <array>
#include <cstdint>
#include <cstring>

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

// For the shortcut of clean groups: the 6-bit value of a character already shifted to its place in a
// group's 24 bits (table k for place k), and kNotClean for "=" and every character outside the alphabet.
constexpr std::uint32_t kNotClean = 0x80000000u;
constexpr std::array<std::array<std::uint32_t, 256>, 4> makePlacedTables() {
  std::array<std::array<std::uint32_t, 256>, 4> tables{};
  for (int place = 0; place < 4; ++place) {
    for (int c = 0; c < 256; ++c) {
      std::int16_t value = kDecode[c];
      tables[place][c] = value >= 0 && value < 64 ? std::uint32_t(value) << (18 - 6 * place) : kNotClean;
    }
  }
  return tables;
}

constexpr auto kPlaced = makePlacedTables();

std::uint32_t placed(int place, char c) {
  return kPlaced[place][static_cast<unsigned char>(c)];
}

// The two characters of every 12-bit value, so a group of three bytes takes two lookups.
constexpr std::array<std::array<char, 2>, 4096> makePairTable() {
  std::array<std::array<char, 2>, 4096> pairs{};
  for (int i = 0; i < 4096; ++i) pairs[i] = {kEncode[i >> 6], kEncode[i & 63]};
  return pairs;
}

constexpr auto kPairs = makePairTable();

void encodeGroup(unsigned char b0, unsigned char b1, unsigned char b2, char* out) {
  std::uint32_t bits = (std::uint32_t(b0) << 16) | (std::uint32_t(b1) << 8) | b2;
  std::memcpy(out, kPairs[bits >> 12].data(), 2);
  std::memcpy(out + 2, kPairs[bits & 0xFFF].data(), 2);
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
  const char* const end = in + text.size();
  while (in < end) {
    // Shortcut: at a group boundary, runs of four alphabet characters without padding make three bytes
    // at once. Anything else takes the character-by-character way, which also brings the group back to
    // a boundary.
    if (fill == 0) {
      while (end - in >= 4) {
        std::uint32_t bits = placed(0, in[0]) | placed(1, in[1]) | placed(2, in[2]) | placed(3, in[3]);
        if (bits & kNotClean) break;
        out[count] = static_cast<char>(bits >> 16);
        out[count + 1] = static_cast<char>(bits >> 8);
        out[count + 2] = static_cast<char>(bits);
        count += 3;
        in += 4;
      }
      if (in == end) break;
    }
    takeCharacter(*in++, q, fill, out, count);
  }
  bytes.resize(count);
  return bytes;
}

}  // namespace tw::addin
