#pragma once

#include <array>
#include <string>
#include <string_view>

namespace tw::runtime {

// A civil date and time in the user's local time zone.
struct DateTime {
  int year = 1899;
  int month = 12;
  int day = 30;
  int hour = 0;
  int minute = 0;
  int second = 0;

  bool operator==(const DateTime&) const = default;
};

// 1 = Sunday ... 7 = Saturday, as the classic Weekday function counts.
int weekday(int year, int month, int day);

// The regional settings of a user, as Windows keeps them. Text is Windows-1252.
struct Locale {
  std::string name;                // "nl-NL"
  std::string decimalSeparator;    // locale item 14
  std::string thousandsSeparator;  // locale item 15
  std::string shortDatePattern;    // "d-M-yyyy"
  std::string longTimePattern;     // "H:mm:ss"
  std::string amDesignator;        // "AM", empty where the clock runs to 24
  std::string pmDesignator;
  std::array<std::string, 12> monthNames;
  std::array<std::string, 12> monthAbbreviations;
  std::array<std::string, 7> dayNames;  // Sunday first
  std::array<std::string, 7> dayAbbreviations;
};

// The locales this system knows: nl-NL, en-US, en-GB, de-DE, fr-FR. Names compare without regard
// to case. An unknown name is error 5.
const Locale& localeByName(std::string_view name);
bool isKnownLocale(std::string_view name);

// Formats `value` with a date-time picture: d dd ddd dddd, M MM MMM MMMM, yy yyyy, H HH h hh, m mm,
// s ss, tt, AM/PM am/pm A/P a/p; text in single or double quotes is copied without its quotes; any
// other character is copied as it is.
std::string formatDateTime(const DateTime& value, std::string_view picture, const Locale& locale);

// The text a date-time value converts to in the general date format of the locale: the short date,
// a blank and the long time; the date alone at midnight.
std::string formatGeneralDate(const DateTime& value, const Locale& locale);

}  // namespace tw::runtime
