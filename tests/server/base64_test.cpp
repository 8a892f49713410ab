#include "server/base64.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>

namespace tw::addin {
namespace {

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

// The decoder's shortcut for clean groups must give what the rules give, character by character, on
// texts full of padding, line breaks and foreign bytes.
TEST(Base64Decode, AgreesWithTheReferenceOnMixedInput) {
  std::mt19937 random(2024);
  const std::string alphabet = "AZaz09+/====\r\n \t-\x80\xFF";
  std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1);
  std::uniform_int_distribution<size_t> lengths(0, 40);
  for (int round = 0; round < 50000; ++round) {
    std::string text(lengths(random), '\0');
    for (char& c : text) c = random() % 4 == 0 ? alphabet[pick(random)] : "QUJD"[random() % 4];
    ASSERT_EQ(base64Decode(text), base64DecodeReference(text)) << text;
  }
}

}  // namespace
}  // namespace tw::addin
