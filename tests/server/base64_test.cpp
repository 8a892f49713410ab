#include "server/base64.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>

namespace tw::addin {
namespace {

using base64_kernels::Isa;

std::string randomBytes(std::mt19937& random, size_t length) {
  std::uniform_int_distribution<int> byte(0, 255);
  std::string bytes(length, '\0');
  for (char& c : bytes) c = static_cast<char>(byte(random));
  return bytes;
}

// `text` with CR LF after every `width` characters, as a mail program wraps Base64.
std::string wrapped(const std::string& text, size_t width) {
  std::string out;
  for (size_t pos = 0; pos < text.size(); pos += width) out += text.substr(pos, width) + "\r\n";
  return out;
}

TEST(Base64Encode, PadsTheTailAndWritesNoLineBreaks) {
  const std::pair<std::string, std::string> cases[] = {
      {"", ""},
      {"f", "Zg=="},
      {"fo", "Zm8="},
      {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="},
      {"fooba", "Zm9vYmE="},
      {"foobar", "Zm9vYmFy"},
      {std::string("\0\0\0", 3), "AAAA"},
      {"\xFF\xFF\xFF", "////"},
      {"\xFB\xEF", "++8="},
  };
  for (const auto& [bytes, text] : cases) EXPECT_EQ(base64Encode(bytes), text) << text;

  std::mt19937 random(1);
  std::string long_text = base64Encode(randomBytes(random, 10000));
  EXPECT_EQ(long_text.size(), 13336u);
  EXPECT_EQ(long_text.find_first_of("\r\n"), std::string::npos);
}

TEST(Base64Decode, SkipsForeignCharactersDropsShortInputAndStepsBackOverPadding) {
  const std::pair<std::string, std::string> cases[] = {
      {"", ""},
      {"Zg=", ""},  // fewer than 4 characters, even a valid padded fragment
      {"Zm9", ""},
      {"Zg\r\n", ""},  // 4 characters, but only 2 of them count
      {"Zg==", "f"},
      {"Zm8=", "fo"},
      {"Zm9v", "foo"},
      {"Zm9vYmFy", "foobar"},
      {"Zm9v\r\nYmFy\r\n", "foobar"},
      {" Z m\t9 v ", "foo"},
      {"\xFFZm\x80"
       "9v\xE9",
       "foo"},                     // bytes 128..255 are skipped
      {"Zm9v-_.!YmFy", "foobar"},  // so is the URL-safe alphabet
      {"Zm9vYg", "foo"},           // the incomplete last group is dropped
      {"Zm9vYmE", "foo"},
      {"Zm9vY", "foo"},
      {"Zm=v", "f`"},       // "=" third and a character fourth: two bytes
      {"Zg==Zm8=", "ffo"},  // padded texts one after the other
      {"Zg==Zg==Zg==", "fff"},
      {"Zm8=Zm9v", "fofoo"},
      {"=Zm9", "\x01\x99\xBD"},  // "=" first contributes no bits and removes no byte
      {"Z=m9", "d\t\xBD"},
      {"====", std::string(1, '\0')},
      {"QUJD====", "ABC" + std::string(1, '\0')},
  };
  for (const auto& [text, bytes] : cases) {
    EXPECT_EQ(base64Decode(text), bytes) << text;
    EXPECT_EQ(base64DecodeReference(text), bytes) << text;
  }
}

TEST(Base64, RoundTripsEveryLengthUpTo300PlainAndWrapped) {
  std::mt19937 random(42);
  for (size_t length = 0; length <= 300; ++length) {
    SCOPED_TRACE(length);
    std::string bytes = randomBytes(random, length);
    std::string text = base64Encode(bytes);
    EXPECT_EQ(text.size(), (length + 2) / 3 * 4);
    EXPECT_EQ(base64Decode(text), bytes);
    EXPECT_EQ(base64Decode(wrapped(text, 76)), bytes);
    EXPECT_EQ(base64DecodeReference(wrapped(text, 76)), bytes);
  }
}

TEST(Base64, ConcatenatedTextsDecodeToTheConcatenation) {
  std::mt19937 random(7);
  for (size_t a = 0; a < 7; ++a) {
    for (size_t b = 0; b < 7; ++b) {
      std::string first = randomBytes(random, a);
      std::string second = randomBytes(random, b);
      std::string text = base64Encode(first) + base64Encode(second);
      if (text.size() < 4) continue;  // short texts decode to nothing
      EXPECT_EQ(base64Decode(text), first + second) << text;
    }
  }
}

// What a kernel decodes, through a buffer of exactly the promised size followed by a guard that must
// stay untouched.
std::string decodeWith(Isa isa, const std::string& text) {
  constexpr size_t kGuard = 64;
  const size_t capacity = text.size() / 4 * 3;
  std::string buffer(capacity + kGuard, '#');
  size_t count = base64_kernels::decode(isa, text, buffer.data());
  EXPECT_LE(count, capacity);
  EXPECT_EQ(buffer.substr(capacity), std::string(kGuard, '#')) << "wrote past its buffer";
  buffer.resize(count);
  return buffer;
}

// Random Base64 text with line breaks, padding and foreign bytes strewn in: one character in `odd_one`
// is not a plain alphabet character.
std::string messyText(std::mt19937& random, size_t length, unsigned odd_one) {
  static const std::string odd = "====\r\n\r\n \t-_.\x80\xFF\x00\x7F";
  std::string text = base64Encode(randomBytes(random, length * 3 / 4));
  for (size_t pos = 0; pos < text.size(); ++pos) {
    if (random() % odd_one == 0) text.insert(pos, 1, odd[random() % odd.size()]);
  }
  return text;
}

// Every kernel must give what the rules give, character by character, on texts full of padding, line
// breaks and foreign bytes; long texts cross the SIMD blocks and base64Decode's slices anywhere.
TEST(Base64Decode, EveryKernelAgreesWithTheReferenceOnMessyInput) {
  std::mt19937 random(2024);
  std::uniform_int_distribution<size_t> lengths(0, 300);
  const unsigned odd_ones[] = {2, 5, 30, 200, 100000};
  for (int round = 0; round < 20000; ++round) {
    std::string text = messyText(random, lengths(random), odd_ones[round % 5]);
    const std::string expected = base64DecodeReference(text);
    for (Isa isa : base64_kernels::available()) {
      ASSERT_EQ(decodeWith(isa, text), expected) << base64_kernels::name(isa) << " " << text;
    }
  }
  for (unsigned odd_one : odd_ones) {
    std::string text = messyText(random, 100000, odd_one);
    EXPECT_EQ(base64Decode(text), base64DecodeReference(text)) << odd_one;
  }
}

// Wrapped text: runs of skipped characters at group boundaries, at every distance from each other and
// from the blocks' edges, with padding at the end.
TEST(Base64Decode, EveryKernelAgreesWithTheReferenceOnWrappedText) {
  std::mt19937 random(76);
  const char* const breaks[] = {"\r\n", "\n", " \r\n", "\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n"};
  for (size_t width = 4; width <= 120; width += 4) {
    for (const char* lineBreak : breaks) {
      for (size_t bytes : {width, 5 * width + 1, 40 * width + 2}) {
        const std::string plain = base64Encode(randomBytes(random, bytes));
        std::string text;
        for (size_t pos = 0; pos < plain.size(); pos += width) text += plain.substr(pos, width) + lineBreak;
        const std::string expected = base64DecodeReference(text);
        for (Isa isa : base64_kernels::available()) {
          ASSERT_EQ(decodeWith(isa, text), expected) << base64_kernels::name(isa) << " width " << width;
        }
      }
    }
  }
}

// Runs of characters that are not clean filling a whole block or more, with padding among them: padding
// takes its place in a group, so it must never be stepped over as a blank would be.
TEST(Base64Decode, EveryKernelKeepsPaddingInsideLongRunsOfSkippedCharacters) {
  const std::string clean = base64Encode(std::string(48, '\x5A'));  // 64 characters
  const std::string runs[] = {
      "=" + std::string(31, '\0'),
      std::string(31, '%') + "=",
      std::string(16, '\n') + "==" + std::string(30, '\n'),
      std::string(32, '\n'),
  };
  for (const std::string& run : runs) {
    for (const std::string& text : {run + clean, clean.substr(0, 32) + run + clean, "AAAA" + run + clean}) {
      const std::string expected = base64DecodeReference(text);
      for (Isa isa : base64_kernels::available()) {
        ASSERT_EQ(decodeWith(isa, text), expected) << base64_kernels::name(isa);
      }
      EXPECT_EQ(base64Decode(text), expected);
    }
  }
}

// Each byte value in each place of a block and of the strip kernel's windows of 64 characters (and past
// them): the SIMD kernels classify characters with lookups that must match the decode table exactly.
TEST(Base64Decode, EveryKernelTreatsEveryByteValueAsTheReferenceDoes) {
  const std::string clean = base64Encode(std::string(192, '\x5A'));  // 256 characters, no padding
  for (Isa isa : base64_kernels::available()) {
    for (int value = 0; value < 256; ++value) {
      for (size_t pos = 0; pos < 130; ++pos) {
        std::string text = clean;
        text[pos] = static_cast<char>(value);
        ASSERT_EQ(decodeWith(isa, text), base64DecodeReference(text))
            << base64_kernels::name(isa) << " byte " << value << " at " << pos;
      }
    }
  }
}

// The strip kernel takes runs of skipped characters out of windows of 64 characters. A line break, a lone
// CR or LF, a blank, padding or a foreign character at every place of a window and across its edges, alone
// or with a second line break in the same window, must decode as the rules say.
TEST(Base64Decode, EveryKernelAgreesWithTheReferenceAroundEveryPlaceOfAWindow) {
  std::mt19937 random(64);
  const std::string clean = base64Encode(randomBytes(random, 300));  // 400 characters
  const std::string inserts[] = {"\r\n", "\r",    "\n",    " ",      "\r\n\r\n", "\r\n\x80", "=",
                                 "==",   "\r\n=", "=\r\n", "A=\r\n", "-",        "\r-\n"};
  for (const std::string& insert : inserts) {
    for (size_t pos = 0; pos <= 140; ++pos) {
      for (size_t second : {size_t{0}, size_t{9}, size_t{40}}) {
        std::string text = clean;
        if (second != 0) text.insert(pos + second, "\r\n");
        text.insert(pos, insert);
        const std::string expected = base64DecodeReference(text);
        for (Isa isa : base64_kernels::available()) {
          ASSERT_EQ(decodeWith(isa, text), expected)
              << base64_kernels::name(isa) << " " << testing::PrintToString(insert) << " at " << pos
              << " and " << second;
        }
        ASSERT_EQ(base64Decode(text), expected);
      }
    }
  }
}

// Long wrapped text, as mail and services send it: the AVX-512 kernel gathers the characters of 64-byte
// blocks across line breaks, so every length of the last line and of the text's tail must come out whole.
TEST(Base64Decode, EveryKernelDecodesLongWrappedTextOfEveryTailLength) {
  std::mt19937 random(7676);
  for (const char* lineBreak : {"\r\n", "\n"}) {
    for (size_t extra = 0; extra < 100; ++extra) {
      const std::string bytes = randomBytes(random, 6000 + extra);
      const std::string plain = base64Encode(bytes);
      std::string text;
      for (size_t pos = 0; pos < plain.size(); pos += 76) text += plain.substr(pos, 76) + lineBreak;
      for (Isa isa : base64_kernels::available()) {
        ASSERT_EQ(decodeWith(isa, text), bytes) << base64_kernels::name(isa) << " " << bytes.size();
      }
    }
  }
}

// Padding or a character outside the alphabet at every place of the first blocks of wrapped text, and at
// places all along it, where the characters gathered from earlier blocks are each time a different number.
TEST(Base64Decode, EveryKernelAgreesWithTheReferenceWherePaddingOrAForeignByteBreaksWrappedText) {
  std::mt19937 random(200);
  const std::string text = wrapped(base64Encode(randomBytes(random, 1500)), 76);  // 2,000 + 52 characters
  const std::string inserts[] = {"=", "==", "A=", "AB==", "-", std::string(1, '\0'), "\x80", "\xFF\xFF\xFF"};
  for (const std::string& insert : inserts) {
    for (size_t pos = 0; pos <= text.size(); pos += pos < 200 ? 1 : 7) {
      std::string broken = text;
      broken.insert(pos, insert);
      const std::string expected = base64DecodeReference(broken);
      for (Isa isa : base64_kernels::available()) {
        ASSERT_EQ(decodeWith(isa, broken), expected)
            << base64_kernels::name(isa) << " " << testing::PrintToString(insert) << " at " << pos;
      }
    }
  }
}

// Runs of skipped characters of every length up to more than a block, starting at every place of the
// first blocks: the run may end a block, start one, fill one or span two.
TEST(Base64Decode, EveryKernelStepsOverSkippedRunsAcrossTheEdgesOfBlocks) {
  std::mt19937 random(65);
  const std::string clean = base64Encode(randomBytes(random, 300));  // 400 characters
  const std::string expected = base64DecodeReference(clean);
  const std::string skipped("\r\n \t\x80-\0_\xFF.", 10);
  for (size_t length = 1; length <= 80; ++length) {
    std::string run;
    for (size_t i = 0; i < length; ++i) run += skipped[(i + length) % skipped.size()];
    for (size_t pos = 0; pos <= 140; ++pos) {
      std::string text = clean;
      text.insert(pos, run);
      for (Isa isa : base64_kernels::available()) {
        ASSERT_EQ(decodeWith(isa, text), expected)
            << base64_kernels::name(isa) << " run of " << length << " at " << pos;
      }
    }
  }
}

TEST(Base64Encode, EveryKernelWritesWhatTheScalarCodeWrites) {
  std::mt19937 random(5);
  for (size_t length = 0; length <= 400; ++length) {
    std::string bytes = randomBytes(random, length);
    std::string expected((length + 2) / 3 * 4, '\0');
    base64_kernels::encode(Isa::scalar, bytes, expected.data());
    for (Isa isa : base64_kernels::available()) {
      std::string text(expected.size() + 64, '#');
      base64_kernels::encode(isa, bytes, text.data());
      EXPECT_EQ(text.substr(expected.size()), std::string(64, '#')) << "wrote past its buffer";
      text.resize(expected.size());
      ASSERT_EQ(text, expected) << base64_kernels::name(isa) << " " << length;
    }
  }
  // base64Encode works through long inputs a slice at a time.
  std::string bytes = randomBytes(random, 200001);
  std::string expected((bytes.size() + 2) / 3 * 4, '\0');
  base64_kernels::encode(Isa::scalar, bytes, expected.data());
  EXPECT_EQ(base64Encode(bytes), expected);
}

}  // namespace
}  // namespace tw::addin
