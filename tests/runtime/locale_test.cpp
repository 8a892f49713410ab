#include "runtime/locale.h"

#include <gtest/gtest.h>

#include <string>

#include "runtime/error.h"

namespace tw::runtime {
namespace {

struct GeneralDateCase {
  const char* locale;
  DateTime value;
  const char* expected;
};

TEST(FormatGeneralDate, ShortDateAndLongTimeOfTheLocale) {
  const GeneralDateCase cases[] = {
      {"nl-NL", {2024, 3, 7, 9, 5, 3}, "7-3-2024 9:05:03"},
      {"nl-NL", {2024, 12, 31, 23, 59, 59}, "31-12-2024 23:59:59"},
      {"nl-NL", {2024, 3, 7, 0, 0, 0}, "7-3-2024"},  // midnight: the date alone
      {"nl-NL", {2024, 3, 7, 0, 0, 1}, "7-3-2024 0:00:01"},
      {"en-US", {2024, 3, 7, 9, 5, 3}, "3/7/2024 9:05:03 AM"},
      {"en-US", {2024, 3, 7, 13, 5, 3}, "3/7/2024 1:05:03 PM"},
      {"en-US", {2024, 3, 7, 12, 0, 0}, "3/7/2024 12:00:00 PM"},
      {"en-US", {2024, 3, 7, 0, 30, 0}, "3/7/2024 12:30:00 AM"},
      {"en-US", {2024, 3, 7, 0, 0, 0}, "3/7/2024"},
      {"en-GB", {2024, 3, 7, 9, 5, 3}, "07/03/2024 09:05:03"},
      {"de-DE", {2024, 3, 7, 9, 5, 3}, "07.03.2024 09:05:03"},
  };
  for (const GeneralDateCase& c : cases) {
    EXPECT_EQ(formatGeneralDate(c.value, localeByName(c.locale)), c.expected) << c.locale;
  }
}

TEST(FormatDateTime, EveryTokenOfThePicture) {
  const Locale& dutch = localeByName("nl-NL");
  const Locale& english = localeByName("en-US");
  const DateTime thursday{2024, 3, 7, 14, 5, 9};
  const std::pair<const char*, const char*> dutchCases[] = {
      {"d dd ddd dddd", "7 07 do donderdag"},
      {"M MM MMM MMMM", "3 03 mrt maart"},
      {"yy yyyy", "24 2024"},
      {"H HH h hh", "14 14 2 02"},
      {"m mm s ss", "5 05 9 09"},
      {"h:mm AM/PM", "2:05 PM"},
      {"h:mm am/pm", "2:05 pm"},
      {"h A/P a/p", "2 P p"},
      {"'d' \"MM\" d", "d MM 7"},
      {"d 'unclosed", "7 unclosed"},
      {"dd-MM-yyyy, HH:mm", "07-03-2024, 14:05"},
  };
  for (const auto& [picture, expected] : dutchCases)
    EXPECT_EQ(formatDateTime(thursday, picture, dutch), expected);
  EXPECT_EQ(formatDateTime(thursday, "dddd d MMMM tt", english), "Thursday 7 March PM");
  EXPECT_EQ(formatDateTime({2023, 1, 1, 0, 0, 0}, "ddd h AM/PM", english), "Sun 12 AM");
}

TEST(Weekday, CountsFromSunday) {
  EXPECT_EQ(weekday(2024, 3, 7), 5);  // a Thursday
  EXPECT_EQ(weekday(2000, 2, 29), 3);
  EXPECT_EQ(weekday(1899, 12, 30), 7);
  EXPECT_EQ(weekday(2023, 1, 1), 1);
}

TEST(LocaleByName, KnownNamesWithoutRegardToCaseUnknownIsError5) {
  EXPECT_EQ(localeByName("NL-nl").decimalSeparator, ",");
  EXPECT_EQ(localeByName("en-us").decimalSeparator, ".");
  EXPECT_TRUE(isKnownLocale("fr-FR"));
  EXPECT_FALSE(isKnownLocale("xx-XX"));
  try {
    localeByName("xx-XX");
    FAIL();
  } catch (const Error& error) {
    EXPECT_EQ(error.number(), kInvalidProcedureCall);
  }
}

TEST(FormatDateTime, ValuesOutsideTheCalendarAreError5) {
  const Locale& dutch = localeByName("nl-NL");
  for (DateTime bad : {DateTime{2024, 13, 1}, DateTime{2024, 0, 1}, DateTime{2024, 1, 0}, DateTime{0, 1, 1},
                       DateTime{2024, 1, 1, 24}}) {
    EXPECT_THROW(formatDateTime(bad, "dddd MMMM", dutch), Error);
  }
}

}  // namespace
}  // namespace tw::runtime
