#include "server/base64.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "platform/sys/memory_pages.h"

namespace tw::addin {
namespace {

using base64_kernels::Isa;

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

// For the scalar shortcut of clean groups: the 6-bit value of a character already shifted to its place in
// a group's 24 bits (table k for place k), and kNotClean for "=" and every character outside the alphabet.
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

// Kernels. An encode kernel turns `groups` groups of three bytes into four characters each. A decode
// kernel starts at a group boundary and decodes clean groups (four alphabet characters, no "=") for as
// long as they last, three bytes per group; the SIMD ones also step over skipped characters between
// groups. It returns where it has got to in the text and the output and writes nothing at or past
// `out_end` (SIMD stores write a little past the bytes they produce).
struct DecodePosition {
  const char* in;
  char* out;
};
using EncodeKernel = void (*)(const unsigned char* in, size_t groups, char* out);
using DecodeKernel = DecodePosition (*)(DecodePosition at, const char* end, char* out_end);
// A strip kernel copies text without some of the characters the decoder skips, or leaves a text that has
// none of them to be decoded as it stands (see stripSkippedAvx2).
using StripKernel = size_t (*)(const char* in, size_t length, char* stage);

void encodeScalar(const unsigned char* in, size_t groups, char* out) {
  for (size_t i = 0; i < groups; ++i, in += 3, out += 4) encodeGroup(in[0], in[1], in[2], out);
}

DecodePosition decodeCleanScalar(DecodePosition at, const char* end, char* /*out_end*/) {
  auto [in, out] = at;
  for (; end - in >= 4; in += 4, out += 3) {
    std::uint32_t bits = placed(0, in[0]) | placed(1, in[1]) | placed(2, in[2]) | placed(3, in[3]);
    if (bits & kNotClean) break;
    out[0] = static_cast<char>(bits >> 16);
    out[1] = static_cast<char>(bits >> 8);
    out[2] = static_cast<char>(bits);
  }
  return {in, out};
}

#if defined(__x86_64__)
// Hand-written SSSE3 and AVX2 kernels, selected at run time. The methods are the well-known ones of
// Wojciech Muła and Daniel Lemire: characters are classified and translated with nibble lookups (pshufb),
// packed with multiply-adds; the encoder splits 24 bits into four 6-bit indices with two multiplies.
// The AVX2 ones are the same steps on two 128-bit lanes.

#define TW_SSSE3 __attribute__((target("ssse3")))
#define TW_AVX2 __attribute__((target("avx2")))

// How a SIMD decode kernel goes on after a block of `width` characters, given the bit masks of those
// that are not clean and of the "=": it keeps the clean groups before the first character that is not
// clean. If that character is at a group boundary and starts a run of skipped characters, it steps over
// the run (skipping changes nothing at a boundary) and goes on with the next block; otherwise it stops
// and leaves the rest to the character-by-character way.
struct BlockStep {
  size_t consumed;
  size_t produced;
  bool more;
};

BlockStep stepOverBlock(unsigned width, unsigned not_clean, unsigned pads) {
  if (not_clean == 0) return {width, width / 4 * 3, true};
  const unsigned clean = unsigned(std::countr_zero(not_clean));
  const size_t groups = clean / 4;
  if (clean % 4 != 0) return {4 * groups, 3 * groups, false};
  const unsigned run = unsigned(std::countr_one(not_clean >> clean));
  const unsigned before_pad = unsigned(std::countr_zero(pads >> clean));
  if (before_pad < run) return {clean + before_pad, 3 * groups, false};
  return {clean + run, 3 * groups, true};
}

// Encoding: each 32-bit lane holds the bytes b1 b0 b2 b1 of one group (shuffled in); the result is the
// four 6-bit indices, one per byte.
TW_SSSE3 __m128i splitGroups(__m128i lanes) {
  __m128i ac = _mm_mulhi_epu16(_mm_and_si128(lanes, _mm_set1_epi32(0x0FC0FC00)), _mm_set1_epi32(0x04000040));
  __m128i bd = _mm_mullo_epi16(_mm_and_si128(lanes, _mm_set1_epi32(0x003F03F0)), _mm_set1_epi32(0x01000010));
  return _mm_or_si128(ac, bd);
}

// 6-bit indices to characters: each range of the alphabet adds its own offset.
TW_SSSE3 __m128i indicesToCharacters(__m128i indices) {
  const __m128i offsets =
      _mm_setr_epi8('a' - 26, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52,
                    '0' - 52, '0' - 52, '+' - 62, '/' - 63, 'A', 0, 0);
  // 0 for a-z, 1..12 for 0-9 + /, 13 for A-Z.
  __m128i range = _mm_subs_epu8(indices, _mm_set1_epi8(51));
  range = _mm_or_si128(range, _mm_and_si128(_mm_cmpgt_epi8(_mm_set1_epi8(26), indices), _mm_set1_epi8(13)));
  return _mm_add_epi8(indices, _mm_shuffle_epi8(offsets, range));
}

TW_SSSE3 void encodeSsse3(const unsigned char* in, size_t groups, char* out) {
  const __m128i spread = _mm_setr_epi8(1, 0, 2, 1, 4, 3, 5, 4, 7, 6, 8, 7, 10, 9, 11, 10);
  size_t done = 0;
  // Each step reads 16 bytes and uses 12 of them (four groups).
  for (; groups - done >= 6; done += 4) {
    __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 3 * done));
    __m128i text = indicesToCharacters(splitGroups(_mm_shuffle_epi8(bytes, spread)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * done), text);
  }
  encodeScalar(in + 3 * done, groups - done, out + 4 * done);
}

TW_AVX2 __m256i splitGroups(__m256i lanes) {
  __m256i ac = _mm256_mulhi_epu16(_mm256_and_si256(lanes, _mm256_set1_epi32(0x0FC0FC00)),
                                  _mm256_set1_epi32(0x04000040));
  __m256i bd = _mm256_mullo_epi16(_mm256_and_si256(lanes, _mm256_set1_epi32(0x003F03F0)),
                                  _mm256_set1_epi32(0x01000010));
  return _mm256_or_si256(ac, bd);
}

TW_AVX2 __m256i indicesToCharacters(__m256i indices) {
  const __m256i offsets = _mm256_setr_epi8(
      'a' - 26, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52,
      '0' - 52, '+' - 62, '/' - 63, 'A', 0, 0, 'a' - 26, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52,
      '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '+' - 62, '/' - 63, 'A', 0, 0);
  __m256i range = _mm256_subs_epu8(indices, _mm256_set1_epi8(51));
  range = _mm256_or_si256(
      range, _mm256_and_si256(_mm256_cmpgt_epi8(_mm256_set1_epi8(26), indices), _mm256_set1_epi8(13)));
  return _mm256_add_epi8(indices, _mm256_shuffle_epi8(offsets, range));
}

TW_AVX2 void encodeAvx2(const unsigned char* in, size_t groups, char* out) {
  const __m256i spread = _mm256_setr_epi8(1, 0, 2, 1, 4, 3, 5, 4, 7, 6, 8, 7, 10, 9, 11, 10, 1, 0, 2, 1, 4, 3,
                                          5, 4, 7, 6, 8, 7, 10, 9, 11, 10);
  size_t done = 0;
  // Each step reads 16 bytes into each lane, the second lane 12 bytes on, and uses 24 (eight groups).
  for (; groups - done >= 10; done += 8) {
    const unsigned char* at = in + 3 * done;
    __m256i bytes =
        _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at))),
                                _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 12)), 1);
    __m256i text = indicesToCharacters(splitGroups(_mm256_shuffle_epi8(bytes, spread)));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 4 * done), text);
  }
  // The rest goes to SSE code; without clearing the upper halves first, every SSE instruction after
  // this would pay for merging them.
  _mm256_zeroupper();
  encodeSsse3(in + 3 * done, groups - done, out + 4 * done);
}

// Decoding: a character is clean when the bit its low nibble selects in kCleanLow and the bit its high
// nibble selects in kCleanHigh do not meet; "=" and all bytes from 128 up are not clean. Clean
// characters become their 6-bit value by adding an offset chosen by the high nibble ("/" has its own).
#define TW_CLEAN_LOW \
  0x15, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x13, 0x1A, 0x1B, 0x1B, 0x1B, 0x1A
#define TW_CLEAN_HIGH \
  0x10, 0x10, 0x01, 0x02, 0x04, 0x08, 0x04, 0x08, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10
#define TW_OFFSETS 0, 16, 19, 4, -65, -65, -71, -71, 0, 0, 0, 0, 0, 0, 0, 0

// Returns the 6-bit values of the 16 characters and sets `not_clean` to the bit mask of those that are not.
TW_SSSE3 __m128i translate(__m128i chars, unsigned& not_clean) {
  const __m128i nibble = _mm_set1_epi8(0x0F);
  __m128i high = _mm_and_si128(_mm_srli_epi32(chars, 4), nibble);
  __m128i low = _mm_and_si128(chars, nibble);
  __m128i clash = _mm_and_si128(_mm_shuffle_epi8(_mm_setr_epi8(TW_CLEAN_LOW), low),
                                _mm_shuffle_epi8(_mm_setr_epi8(TW_CLEAN_HIGH), high));
  not_clean = ~unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(clash, _mm_setzero_si128()))) & 0xFFFFu;
  __m128i slash = _mm_cmpeq_epi8(chars, _mm_set1_epi8('/'));
  return _mm_add_epi8(chars, _mm_shuffle_epi8(_mm_setr_epi8(TW_OFFSETS), _mm_add_epi8(high, slash)));
}

// Four 6-bit values per 32-bit lane to three bytes each, in the first 12 bytes.
TW_SSSE3 __m128i packGroups(__m128i values) {
  __m128i pairs = _mm_maddubs_epi16(values, _mm_set1_epi32(0x01400140));
  __m128i groups = _mm_madd_epi16(pairs, _mm_set1_epi32(0x00011000));
  return _mm_shuffle_epi8(groups, _mm_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1));
}

TW_SSSE3 DecodePosition decodeCleanSsse3(DecodePosition at, const char* end, char* out_end) {
  auto [in, out] = at;
  while (end - in >= 16 && out_end - out >= 16) {
    __m128i chars = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
    unsigned not_clean = 0;
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), packGroups(translate(chars, not_clean)));
    unsigned pads = not_clean ? unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(chars, _mm_set1_epi8('=')))) : 0;
    BlockStep step = stepOverBlock(16, not_clean, pads);
    in += step.consumed;
    out += step.produced;
    if (!step.more) return {in, out};
  }
  return decodeCleanScalar({in, out}, end, out_end);
}

TW_AVX2 __m256i translate(__m256i chars, unsigned& not_clean) {
  const __m256i nibble = _mm256_set1_epi8(0x0F);
  __m256i high = _mm256_and_si256(_mm256_srli_epi32(chars, 4), nibble);
  __m256i low = _mm256_and_si256(chars, nibble);
  __m256i clash = _mm256_and_si256(_mm256_shuffle_epi8(_mm256_setr_epi8(TW_CLEAN_LOW, TW_CLEAN_LOW), low),
                                   _mm256_shuffle_epi8(_mm256_setr_epi8(TW_CLEAN_HIGH, TW_CLEAN_HIGH), high));
  not_clean = ~unsigned(_mm256_movemask_epi8(_mm256_cmpeq_epi8(clash, _mm256_setzero_si256())));
  __m256i slash = _mm256_cmpeq_epi8(chars, _mm256_set1_epi8('/'));
  return _mm256_add_epi8(
      chars, _mm256_shuffle_epi8(_mm256_setr_epi8(TW_OFFSETS, TW_OFFSETS), _mm256_add_epi8(high, slash)));
}

// Eight groups to 24 bytes at the start of the register.
TW_AVX2 __m256i packGroups(__m256i values) {
  __m256i pairs = _mm256_maddubs_epi16(values, _mm256_set1_epi32(0x01400140));
  __m256i groups = _mm256_madd_epi16(pairs, _mm256_set1_epi32(0x00011000));
  __m256i lanes =
      _mm256_shuffle_epi8(groups, _mm256_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1, 2,
                                                   1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1));
  return _mm256_permutevar8x32_epi32(lanes, _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 3, 7));
}

TW_AVX2 __m256i load(const char* at) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
}

// Unlike the SSSE3 kernel, stops at the first character that is not clean: the decoder's strip kernel
// takes line breaks and blanks out of the way much faster than stepping over them here.
TW_AVX2 DecodePosition decodeCleanAvx2(DecodePosition at, const char* end, char* out_end) {
  auto [in, out] = at;
  while (end - in >= 32 && out_end - out >= 32) {
    unsigned not_clean = 0;
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), packGroups(translate(load(in), not_clean)));
    if (not_clean != 0) {
      const size_t groups = size_t(std::countr_zero(not_clean)) / 4;
      return {in + 4 * groups, out + 3 * groups};
    }
    in += 32;
    out += 24;
  }
  _mm256_zeroupper();  // see encodeAvx2
  return decodeCleanSsse3({in, out}, end, out_end);
}

constexpr bool skipsBelowPlusAndFrom128() {
  for (int c = 0; c < 256; ++c) {
    if ((c < '+' || c >= 128) && kDecode[c] != kSkip) return false;
  }
  return true;
}
static_assert(skipsBelowPlusAndFrom128(), "the strip kernel takes these characters out wherever they stand");

// The bit mask of the characters below "+" and from 128 up (signed bytes: those are negative) among the 64
// at `window`: all of them are characters the decoder skips wherever they stand.
TW_AVX2 std::uint64_t skippedIn(const char* window) {
  const __m256i plus = _mm256_set1_epi8('+');
  return std::uint64_t(unsigned(_mm256_movemask_epi8(_mm256_cmpgt_epi8(plus, load(window))))) |
         std::uint64_t(unsigned(_mm256_movemask_epi8(_mm256_cmpgt_epi8(plus, load(window + 32))))) << 32;
}

// Copies `length` characters (a multiple of 64) to `stage` without the characters of skippedIn and returns
// how many it kept; when it would keep them all, it leaves the stage alone. The stage then holds runs of
// clean groups that the decode kernel takes a block at a time, where it would otherwise stop at every line
// break. A window of 64 characters whose skipped characters form one run (a line break of wrapped text)
// loses that run: each half is the block before the run blended with the block `run` characters on. Any
// other window is copied as it stands, its skipped characters left to the decoder. Reads up to 64
// characters past `length`.
TW_AVX2 size_t stripSkippedAvx2(const char* in, size_t length, char* stage) {
  const char* const end = in + length;
  const char* window = in;
  while (window != end && skippedIn(window) == 0) window += 64;
  if (window == end) return length;

  const __m256i index = _mm256_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19,
                                         20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31);
  size_t kept = 0;
  for (window = in; window != end; window += 64) {
    const std::uint64_t skipped = skippedIn(window);
    // Where the run starts (64 for none) and how long it is; a window with more than one run keeps all.
    int start = std::countr_zero(skipped);
    int run = std::popcount(skipped);
    const std::uint64_t from_start = skipped >> (start & 63);
    if ((from_start & (from_start + 1)) != 0) {
      start = 64;
      run = 0;
    }
    const __m256i keep_low = _mm256_cmpgt_epi8(_mm256_set1_epi8(static_cast<char>(start)), index);
    const __m256i keep_high = _mm256_cmpgt_epi8(_mm256_set1_epi8(static_cast<char>(start - 32)), index);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(stage + kept),
                        _mm256_blendv_epi8(load(window + run), load(window), keep_low));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(stage + kept + 32),
                        _mm256_blendv_epi8(load(window + 32 + run), load(window + 32), keep_high));
    kept += 64 - size_t(run);
  }
  return kept;
}

// AVX-512 VBMI kernels (Wojciech Muła's method): 64 characters are translated with one 128-entry byte
// lookup (vpermi2b) and 48 bytes packed with multiply-adds and one byte permutation (vpermb); the encoder
// spreads groups with vpermb, cuts 6-bit indices with vpmultishiftqb and looks characters up with vpermb.
// The decoder drops skipped characters in the register (vpcompressb, VBMI2), so wrapped text needs no
// separate pass.
#define TW_AVX512 __attribute__((target("avx512f,avx512bw,avx512vl,avx512vbmi,avx512vbmi2,popcnt")))

// The 6-bit value of each character below 128, 0x80 for the others ("=" among them); characters from 128
// up keep their own top bit through the lookup, which reads only the low seven.
constexpr std::array<char, 128> makeLowValues() {
  std::array<char, 128> values{};
  for (int c = 0; c < 128; ++c)
    values[c] = static_cast<char>(kDecode[c] >= 0 && kDecode[c] < 64 ? kDecode[c] : 0x80);
  return values;
}
alignas(64) constexpr std::array<char, 128> kLowValues = makeLowValues();

// Where each byte of 16 packed groups comes from: the three bytes of each 32-bit lane, highest first.
constexpr std::array<char, 64> makePackOrder() {
  std::array<char, 64> order{};
  for (int i = 0; i < 48; ++i) order[i] = static_cast<char>(4 * (i / 3) + 2 - i % 3);
  return order;
}
alignas(64) constexpr std::array<char, 64> kPackOrder = makePackOrder();

// Every lane set: the unmasked intrinsics of GCC 12 (vpermb, vpmultishiftqb) trip -Wmaybe-uninitialized on
// their undefined merge source; the zero-masked forms with every lane set are the same instructions.
constexpr __mmask64 kAllLanes = ~__mmask64{0};

// vpermb: byte i of the result is byte index[i] of `bytes`.
TW_AVX512 __m512i permuteBytes(__m512i index, __m512i bytes) {
  return _mm512_maskz_permutexvar_epi8(kAllLanes, index, bytes);
}

TW_AVX512 __mmask64 firstBytes(size_t count) {
  return count >= 64 ? kAllLanes : (__mmask64{1} << count) - 1;
}

// One of the tables above.
TW_AVX512 __m512i loadTable(const char* at) {
  return _mm512_load_si512(at);
}

// Sixteen groups of four 6-bit values to 48 bytes at the start of the register.
TW_AVX512 __m512i packGroups(__m512i values) {
  __m512i pairs = _mm512_maddubs_epi16(values, _mm512_set1_epi32(0x01400140));
  __m512i groups = _mm512_madd_epi16(pairs, _mm512_set1_epi32(0x00011000));
  return permuteBytes(loadTable(kPackOrder.data()), groups);
}

// 64 values of four characters each to the 48 bytes they stand for, written with one 64-byte store, or
// only the `count` bytes that belong to them when `kExact` (a masked store, which costs several times as
// much: with one for every 48 bytes, decoding ran at half the speed).
template <bool kExact>
TW_AVX512 void storeGroups(char* out, __m512i values, size_t count = 48) {
  if (kExact) {
    _mm512_mask_storeu_epi8(out, firstBytes(count), packGroups(values));
  } else {
    _mm512_storeu_si512(out, packGroups(values));
  }
}

// The decoder's state: the values of the alphabet characters of blocks of 64 characters, whatever stood
// between them, gathered in a ring and decoded 64 at a time a dozen blocks later. A load of values that the
// last blocks stored in pieces waits until those stores reach the cache: decoding them at once ran at a
// third of the speed, 128 values later at two thirds, 768 later at full speed. (The buffer lives apart, so
// the counts stay in registers: stores into a char buffer could otherwise be stores into them.)
struct Gathered {
  static constexpr size_t kRing = 1024;
  static constexpr size_t kLag = 768;
  // What a block stores runs at most 64 values past the lag and its own 64; none may overwrite a value
  // not yet decoded.
  static_assert(kLag + 2 * 64 <= kRing);
  // The ring has 64 bytes on either side: a block's values that run past its end are stored a second time
  // in front of it, so the ones past the end are at the start.
  using Buffer = std::array<char, 64 + kRing + 64>;

  char* buffer;
  size_t gathered = 0;
  size_t decoded = 0;

  char* ring() { return buffer + 64; }
  size_t waiting() const { return gathered - decoded; }

  // Decodes the next 64 values and returns where the output got.
  template <bool kExact>
  TW_AVX512 char* decodeNext(char* out) {
    storeGroups<kExact>(out, loadTable(ring() + decoded % kRing));
    decoded += 64;
    return out + 48;
  }

  // Adds the values that `alphabet` marks; decodes 64 values gathered long enough ago and returns where the
  // output got.
  template <bool kExact>
  TW_AVX512 char* add(__m512i block_values, __mmask64 alphabet, char* out) {
    const __m512i kept = _mm512_maskz_compress_epi8(alphabet, block_values);
    const size_t at = gathered % kRing;
    _mm512_storeu_si512(ring() + at, kept);
    if (at > kRing - 64) _mm512_storeu_si512(ring() + at - kRing, kept);
    gathered += size_t(_mm_popcnt_u64(alphabet));
    return waiting() >= 64 + kLag ? decodeNext<kExact>(out) : out;
  }
};

// Decodes one block of 64 characters at `in`. Returns false at a "=", with `in` on it and the characters
// before it gathered. With `kNearEnd`, reads no character at or past `end` and writes only the bytes it
// produces; without, writes 64 bytes for 48.
template <bool kNearEnd>
TW_AVX512 bool decodeBlock(const char*& in, const char* end, char*& out, Gathered& gathered) {
  const __m512i chars =
      kNearEnd ? _mm512_maskz_loadu_epi8(firstBytes(size_t(end - in)), in) : _mm512_loadu_si512(in);
  const __m512i values =
      _mm512_permutex2var_epi8(loadTable(kLowValues.data()), chars, loadTable(kLowValues.data() + 64));
  // Bytes past the end load as 0, which is outside the alphabet.
  const __mmask64 outside = _mm512_movepi8_mask(_mm512_or_si512(values, chars));
  if (outside == 0 && gathered.waiting() == 0) {
    storeGroups<kNearEnd>(out, values);
    out += 48;
    in += 64;
    return true;
  }
  const __mmask64 pads = _mm512_cmpeq_epi8_mask(chars, _mm512_set1_epi8('='));
  if (pads != 0) [[unlikely]] {
    out = gathered.add<kNearEnd>(values, ~outside & ((pads & (0 - pads)) - 1), out);  // before the "="
    in += std::countr_zero(pads);
    return false;
  }
  out = gathered.add<kNearEnd>(values, ~outside, out);
  in += kNearEnd ? std::min<ptrdiff_t>(64, end - in) : 64;
  return true;
}

// Decodes blocks of 64 characters to the end or up to the first "=", stepping over every other character
// outside the alphabet in the register; decodes the whole groups gathered by then and leaves the characters
// of an incomplete last group to be read again. Reads only the text.
TW_AVX512 DecodePosition decodeAvx512(DecodePosition at, const char* end, char* out_end) {
  auto [in, out] = at;
  alignas(64) Gathered::Buffer buffer;
  Gathered gathered{buffer.data()};
  // Blocks whose 48 bytes may be written with 64-byte stores.
  const ptrdiff_t room = out_end - out;
  const ptrdiff_t whole_blocks = std::min((end - in) / 64, room >= 16 ? (room - 16) / 48 : 0);
  bool more = true;
  for (ptrdiff_t block = 0; more && block < whole_blocks; ++block)
    more = decodeBlock<false>(in, end, out, gathered);
  while (more && in < end) more = decodeBlock<true>(in, end, out, gathered);
  while (gathered.waiting() >= 64) {
    out = out_end - out >= 64 ? gathered.decodeNext<false>(out) : gathered.decodeNext<true>(out);
  }
  const size_t groups = gathered.waiting() / 4;
  storeGroups<true>(out, loadTable(gathered.ring() + gathered.decoded % Gathered::kRing), 3 * groups);
  for (size_t left = gathered.waiting() % 4; left > 0;) {
    if (lookup(*--in) != kSkip) --left;
  }
  return {in, out + 3 * groups};
}

// Sixteen groups of three bytes, the first 48 of `bytes`, to their 64 characters.
TW_AVX512 __m512i encodeGroups(__m512i bytes) {
  // Each 32-bit lane takes the bytes b1 b0 b2 b1 of one group; the shifts cut its four 6-bit indices.
  const __m512i spread = _mm512_setr_epi32(
      0x01020001, 0x04050304, 0x07080607, 0x0a0b090a, 0x0d0e0c0d, 0x10110f10, 0x13141213, 0x16171516,
      0x191a1819, 0x1c1d1b1c, 0x1f201e1f, 0x22232122, 0x25262425, 0x28292728, 0x2b2c2a2b, 0x2e2f2d2e);
  const __m512i shifts = _mm512_set1_epi64(0x3036242a1016040a);
  const __m512i indices = _mm512_maskz_multishift_epi64_epi8(kAllLanes, shifts, permuteBytes(spread, bytes));
  return permuteBytes(indices, _mm512_loadu_si512(kEncode));
}

TW_AVX512 void encodeAvx512(const unsigned char* in, size_t groups, char* out) {
  size_t done = 0;
  // Each step reads 64 bytes and uses 48; masked loads and stores, which cost several times as much, only
  // for the last groups.
  for (; groups - done >= 22; done += 16) {
    _mm512_storeu_si512(out + 4 * done, encodeGroups(_mm512_loadu_si512(in + 3 * done)));
  }
  for (; done < groups; done += 16) {
    const size_t step = std::min<size_t>(16, groups - done);
    const __m512i bytes = _mm512_maskz_loadu_epi8(firstBytes(3 * step), in + 3 * done);
    _mm512_mask_storeu_epi8(out + 4 * done, firstBytes(4 * step), encodeGroups(bytes));
  }
}

#undef TW_SSSE3
#undef TW_AVX512
#undef TW_AVX2
#undef TW_CLEAN_LOW
#undef TW_CLEAN_HIGH
#undef TW_OFFSETS
#endif  // __x86_64__

struct Kernels {
  EncodeKernel encode;
  DecodeKernel decode;
  // Or none: the SSSE3 and AVX-512 kernels step over line breaks themselves, the scalar one stops.
  StripKernel strip;
};

Kernels kernelsFor(Isa isa) {
  switch (isa) {
#if defined(__x86_64__)
    case Isa::ssse3:
      return {encodeSsse3, decodeCleanSsse3, nullptr};
    case Isa::avx2:
      return {encodeAvx2, decodeCleanAvx2, stripSkippedAvx2};
    case Isa::avx512vbmi2:
      return {encodeAvx512, decodeAvx512, nullptr};
#endif
    default:
      return {encodeScalar, decodeCleanScalar, nullptr};
  }
}

Isa bestIsa() {
  static const Isa best = base64_kernels::available().back();
  return best;
}

// The state of a decode between pieces of its text: the group being filled. Pieces fed one after the
// other decode as their concatenation would.
class Decoder {
 public:
  explicit Decoder(Isa isa) : clean_groups_(kernelsFor(isa).decode), strip_(kernelsFor(isa).strip) {}

  // Decodes `text` onward from out[count], writing nowhere at or past out[room]; returns the new count.
  size_t feed(std::string_view text, char* out, size_t count, size_t room) {
    return decode(text, out, count, room, strip_);
  }

 private:
  // A strip kernel works on windows of 64 characters and reads up to one window past its chunk.
  static constexpr size_t kWindow = 64;

  size_t decode(std::string_view text, char* out, size_t count, size_t room, StripKernel strip) {
    const char* in = text.data();
    const char* const end = in + text.size();
    while (in < end) {
      // At a group boundary, runs of clean groups go through the kernel.
      if (fill_ == 0) {
        DecodePosition at = clean_groups_({in, out + count}, end, out + room);
        in = at.in;
        count = size_t(at.out - out);
        if (in == end) break;
      }
      // Where it stopped, a strip kernel takes the skipped characters out of the next chunk, which then
      // decodes from the stage.
      if (strip != nullptr && size_t(end - in) >= 2 * kWindow) {
        const size_t take = std::min(stage_.size(), size_t(end - in) - kWindow) / kWindow * kWindow;
        const size_t kept = strip(in, take, stage_.data());
        const std::string_view chunk =
            kept == take ? std::string_view(in, take) : std::string_view(stage_.data(), kept);
        count = decode(chunk, out, count, room, nullptr);
        in += take;
        continue;
      }
      // Anything else takes the character-by-character way, which also brings the group back to a boundary.
      takeCharacter(*in++, q_, fill_, out, count);
    }
    return count;
  }

  DecodeKernel clean_groups_;
  StripKernel strip_;
  std::array<char, 64 * kWindow> stage_;
  std::int16_t q_[4] = {};
  int fill_ = 0;
};

// The most bytes a decode can give: 3 per 4 input characters, as many complete groups as the text has
// room for. Texts shorter than 4 characters give nothing.
size_t decodedCapacity(std::string_view text) {
  return text.size() / 4 * 3;
}

// base64Encode and base64Decode grow their result a slice at a time and fill each slice while it is in
// the cache, rather than zero-filling the whole string first and then writing it all over again.
constexpr size_t kSliceGroups = 2048;

}  // namespace

namespace base64_kernels {

const std::vector<Isa>& available() {
  static const std::vector<Isa> isas = [] {
    std::vector<Isa> found{Isa::scalar};
#if defined(__x86_64__)
    __builtin_cpu_init();
    if (__builtin_cpu_supports("ssse3")) found.push_back(Isa::ssse3);
    if (__builtin_cpu_supports("ssse3") && __builtin_cpu_supports("avx2")) found.push_back(Isa::avx2);
    // The AVX-512 features count only where the system also saves the 512-bit state (checked with them).
    const bool avx512 = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                        __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512vbmi") &&
                        __builtin_cpu_supports("avx512vbmi2") && __builtin_cpu_supports("popcnt");
    if (avx512) found.push_back(Isa::avx512vbmi2);
#endif
    return found;
  }();
  return isas;
}

const char* name(Isa isa) {
  switch (isa) {
    case Isa::ssse3:
      return "ssse3";
    case Isa::avx2:
      return "avx2";
    case Isa::avx512vbmi2:
      return "avx512vbmi2";
    default:
      return "scalar";
  }
}

void encode(Isa isa, std::string_view bytes, char* out) {
  const size_t groups = bytes.size() / 3;
  const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
  kernelsFor(isa).encode(in, groups, out);
  in += 3 * groups;
  out += 4 * groups;
  switch (bytes.size() % 3) {
    case 1:
      encodeGroup(in[0], 0, 0, out);
      out[2] = out[3] = '=';
      break;
    case 2:
      encodeGroup(in[0], in[1], 0, out);
      out[3] = '=';
      break;
  }
}

size_t decode(Isa isa, std::string_view text, char* out) {
  const size_t capacity = decodedCapacity(text);
  if (capacity == 0) return 0;
  return Decoder(isa).feed(text, out, 0, capacity);
}

}  // namespace base64_kernels

std::string base64Encode(std::string_view bytes) {
  std::string text;
  text.reserve((bytes.size() + 2) / 3 * 4);
  sys::populatePages(text.data(), text.capacity());
  constexpr size_t kSlice = 3 * kSliceGroups;
  for (size_t pos = 0; pos < bytes.size(); pos += kSlice) {
    std::string_view slice = bytes.substr(pos, kSlice);
    const size_t at = text.size();
    text.resize(at + (slice.size() + 2) / 3 * 4);
    base64_kernels::encode(bestIsa(), slice, text.data() + at);
  }
  return text;
}

std::string base64DecodeReference(std::string_view text) {
  std::string bytes(decodedCapacity(text), '\0');
  if (bytes.empty()) return bytes;
  std::int16_t q[4] = {};
  int fill = 0;
  size_t count = 0;
  for (char c : text) takeCharacter(c, q, fill, bytes.data(), count);
  bytes.resize(count);
  return bytes;
}

std::string base64Decode(std::string_view text) {
  const size_t capacity = decodedCapacity(text);
  if (capacity == 0) return {};
  std::string bytes;
  bytes.reserve(capacity);
  sys::populatePages(bytes.data(), bytes.capacity());
  Decoder decoder(bestIsa());
  size_t count = 0;
  constexpr size_t kSlice = 4 * kSliceGroups;
  // A slice completes at most one group more than its own length holds (the group left open by the
  // slice before), and the kernels want a little room past what they produce.
  constexpr size_t kRoomBeyond = 3 + 32;
  for (size_t pos = 0; pos < text.size(); pos += kSlice) {
    std::string_view slice = text.substr(pos, kSlice);
    bytes.resize(std::min(capacity, count + slice.size() / 4 * 3 + kRoomBeyond));
    count = decoder.feed(slice, bytes.data(), count, bytes.size());
  }
  bytes.resize(count);
  return bytes;
}

}  // namespace tw::addin
