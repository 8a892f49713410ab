#include "runtime/conversions.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <string>
#include <utility>

#include "runtime/error.h"

namespace tw::runtime {
namespace {

// The error number a call throws, or nullopt when it returns.
template <class Call>
std::optional<long> errorOf(Call&& call) {
  try {
    call();
  } catch (const Error& error) {
    return error.number();
  }
  return std::nullopt;
}

struct IntegerCase {
  const char* locale;
  std::string text;
  Integer expected;
};

TEST(ToInteger, ReadsNumbersInTheLocaleNotationAndRoundsHalfToEven) {
  const IntegerCase cases[] = {
      {"en-US", "0", 0},
      {"en-US", "42", 42},
      {"en-US", "  42\t", 42},
      {"en-US", "+7", 7},
      {"en-US", "-7", -7},
      {"en-US", "2.5", 2},
      {"en-US", "3.5", 4},
      {"en-US", "-2.5", -2},
      {"en-US", "-3.5", -4},
      {"en-US", "2.51", 3},
      {"en-US", "0.5", 0},
      {"en-US", "1.5", 2},
      {"en-US", ".5", 0},
      {"en-US", "32767", 32767},
      {"en-US", "-32768", -32768},
      {"en-US", "32767.4", 32767},
      {"en-US", "-32768.5", -32768},
      {"en-US", "1,000", 1000},
      {"en-US", "1E3", 1000},
      {"en-US", "25e-1", 2},
      {"en-US", "1D2", 100},
      {"nl-NL", "2,5", 2},
      {"nl-NL", "3,5", 4},
      {"nl-NL", "2.500", 2500},  // the Dutch thousands separator
      {"nl-NL", "1.000,75", 1001},
      {"fr-FR",
       "1\xA0"
       "000",
       1000},
      {"en-US", "&H10", 16},
      {"en-US", "&hff", 255},
      {"en-US", "&H7FFF", 32767},
      {"en-US", "&HFFFF", -1},  // 16-bit hex is an Integer bit pattern
      {"en-US", "&HFFFFFFFF", -1},
      {"en-US", "&O17", 15},
      {"en-US", "&17", 15},
  };
  for (const IntegerCase& c : cases) {
    SCOPED_TRACE(std::string(c.locale) + " \"" + c.text + "\"");
    EXPECT_EQ(toInteger(c.text, localeByName(c.locale)), c.expected);
  }
}

struct ErrorCase {
  const char* locale;
  std::string text;
  long error;
};

TEST(ToInteger, OverflowIsError6AndNonNumbersError13) {
  const ErrorCase cases[] = {
      {"en-US", "32768", kOverflow},     {"en-US", "-32769", kOverflow},
      {"en-US", "32767.5", kOverflow},  // rounds to 32768
      {"en-US", "-32768.51", kOverflow}, {"en-US", "1e10", kOverflow},
      {"en-US", "1e400", kOverflow},     {"en-US", "1" + std::string(400, '0'), kOverflow},
      {"en-US", "&H10000", kOverflow},   {"en-US", "&H123456789", kOverflow},
      {"en-US", "", kTypeMismatch},      {"en-US", "   ", kTypeMismatch},
      {"en-US", "abc", kTypeMismatch},   {"en-US", "12abc", kTypeMismatch},
      {"en-US", "1 2", kTypeMismatch},   {"en-US", "+", kTypeMismatch},
      {"en-US", "-", kTypeMismatch},     {"en-US", ".", kTypeMismatch},
      {"en-US", "1e", kTypeMismatch},    {"en-US", "--1", kTypeMismatch},
      {"en-US", "&H", kTypeMismatch},    {"en-US", "&HG", kTypeMismatch},
      {"en-US", "&O8", kTypeMismatch},   {"en-US", "True", kTypeMismatch},
  };
  for (const ErrorCase& c : cases) {
    SCOPED_TRACE(std::string(c.locale) + " \"" + c.text + "\"");
    EXPECT_EQ(errorOf([&] { toInteger(c.text, localeByName(c.locale)); }), c.error);
  }
}

// Counts past 16 bits (the fields of a long job) stay whole numbers, rounded as Integer rounds them.
TEST(ToLong, HoldsCountsBeyond16BitsAndOverflowsBeyond32) {
  const std::pair<double, Long> cases[] = {{32768, 32768},
                                           {60000, 60000},
                                           {-40000, -40000},
                                           {2.5, 2},
                                           {3.5, 4},
                                           {2147483647, 2147483647},
                                           {-2147483648.0, -2147483647 - 1}};
  for (const auto& [value, expected] : cases) {
    SCOPED_TRACE(value);
    EXPECT_EQ(toLong(value), expected);
  }
  for (double value : {2147483647.5, -2147483649.0, 1e10, std::numeric_limits<double>::quiet_NaN()}) {
    SCOPED_TRACE(value);
    EXPECT_EQ(errorOf([&] { toLong(value); }), kOverflow);
  }
}

TEST(ToBoolean, ReadsTheWordsOrANumber) {
  const Locale& dutch = localeByName("nl-NL");
  const std::pair<std::string, bool> cases[] = {
      {"True", true},   {"true", true}, {"TRUE", true}, {" tRuE ", true}, {"False", false},
      {"false", false}, {"0", false},   {"-1", true},   {"1", true},      {"0,4", true},
      {"0,0", false},   {"&H0", false}, {"-0", false},  {"2.000", true}};
  for (const auto& [text, expected] : cases) {
    SCOPED_TRACE("\"" + text + "\"");
    EXPECT_EQ(toBoolean(text, dutch), expected);
  }
  for (std::string junk : {"", "yes", "Truee", "T", "1x", "Waar", "True False"}) {
    SCOPED_TRACE("\"" + junk + "\"");
    EXPECT_EQ(errorOf([&] { toBoolean(junk, dutch); }), kTypeMismatch);
  }
}

TEST(Val, ReadsTheLeadingNumber) {
  const std::pair<std::string, double> cases[] = {
      {"", 0},       {"abc", 0},       {"42", 42},     {" 1 2", 12},    {"\t1\n2 3", 123},
      {"1\r2", 1},  // a carriage return is not skipped
      {"12abc", 12}, {"-3.75", -3.75}, {"+ 4", 4},     {"- 4", -4},     {"1.2.3", 1.2},
      {"1,5", 1},  // "." is always the decimal point
      {".5", 0.5},   {"5.", 5},        {"1e3", 1000},  {"1.5E+2", 150}, {"2d-1", 0.2},
      {"1e", 1},     {"1e+", 1},       {"1ex", 1},     {"-", 0},        {".", 0},
      {"+-1", 0},    {"&H1F", 31},     {"&h 1 f", 31}, {"&HFFFF", -1},  {"&H10000", 65536},
      {"&O17", 15},  {"&17", 15},      {"&H", 0},      {"&Z", 0},       {"&", 0},
      {"1e-400", 0}, {"007", 7},
  };
  for (const auto& [text, expected] : cases) {
    SCOPED_TRACE("\"" + text + "\"");
    EXPECT_DOUBLE_EQ(Val(text), expected);
  }
}

TEST(Val, OverflowIsError6) {
  EXPECT_EQ(errorOf([] { Val("1e400"); }), kOverflow);
  EXPECT_EQ(errorOf([] { Val("&H100000000"); }), kOverflow);
}

// Every byte pattern either converts or raises one of the documented errors.
TEST(Conversions, JunkNeverCrashes) {
  std::string junk;
  unsigned seed = 12345;
  const Locale& locale = localeByName("en-US");
  for (int round = 0; round < 20000; ++round) {
    junk.clear();
    size_t length = round % 12;
    for (size_t i = 0; i < length; ++i) {
      seed = seed * 1103515245 + 12345;
      static const char alphabet[] = "0123456789+-.,eEdD&HhOo \t\n\r\xA0xT";
      junk += alphabet[(seed >> 16) % (sizeof alphabet - 1)];
    }
    auto allowed = [](std::optional<long> error) {
      return !error || *error == kOverflow || *error == kTypeMismatch;
    };
    EXPECT_TRUE(allowed(errorOf([&] { toInteger(junk, locale); }))) << junk;
    EXPECT_TRUE(allowed(errorOf([&] { toBoolean(junk, locale); }))) << junk;
    EXPECT_TRUE(allowed(errorOf([&] { Val(junk); }))) << junk;
  }
}

}  // namespace
}  // namespace tw::runtime
