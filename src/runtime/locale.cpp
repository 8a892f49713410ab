#include "runtime/locale.h"

#include <algorithm>
#include <cctype>

#include "runtime/error.h"
#include "runtime/text.h"

namespace tw::runtime {
namespace {

Locale makeDutch() {
  return Locale{"nl-NL",
                ",",
                ".",
                "d-M-yyyy",
                "H:mm:ss",
                "",
                "",
                {"januari", "februari", "maart", "april", "mei", "juni", "juli", "augustus", "september",
                 "oktober", "november", "december"},
                {"jan", "feb", "mrt", "apr", "mei", "jun", "jul", "aug", "sep", "okt", "nov", "dec"},
                {"zondag", "maandag", "dinsdag", "woensdag", "donderdag", "vrijdag", "zaterdag"},
                {"zo", "ma", "di", "wo", "do", "vr", "za"}};
}

const std::array<std::string, 12> kEnglishMonths = {"January",   "February", "March",    "April",
                                                    "May",       "June",     "July",     "August",
                                                    "September", "October",  "November", "December"};
const std::array<std::string, 12> kEnglishMonthAbbreviations = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                                "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const std::array<std::string, 7> kEnglishDays = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                 "Thursday", "Friday", "Saturday"};
const std::array<std::string, 7> kEnglishDayAbbreviations = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};

Locale makeEnglish(std::string name, std::string shortDate, std::string longTime, std::string am,
                   std::string pm) {
  return Locale{std::move(name),
                ".",
                ",",
                std::move(shortDate),
                std::move(longTime),
                std::move(am),
                std::move(pm),
                kEnglishMonths,
                kEnglishMonthAbbreviations,
                kEnglishDays,
                kEnglishDayAbbreviations};
}

Locale makeGerman() {
  return Locale{"de-DE",
                ",",
                ".",
                "dd.MM.yyyy",
                "HH:mm:ss",
                "",
                "",
                {"Januar", "Februar", "M\xE4rz", "April", "Mai", "Juni", "Juli", "August", "September",
                 "Oktober", "November", "Dezember"},
                {"Jan", "Feb", "M\xE4r", "Apr", "Mai", "Jun", "Jul", "Aug", "Sep", "Okt", "Nov", "Dez"},
                {"Sonntag", "Montag", "Dienstag", "Mittwoch", "Donnerstag", "Freitag", "Samstag"},
                {"So", "Mo", "Di", "Mi", "Do", "Fr", "Sa"}};
}

Locale makeFrench() {
  return Locale{
      "fr-FR",
      ",",
      "\xA0",  // no-break space
      "dd/MM/yyyy",
      "HH:mm:ss",
      "",
      "",
      {"janvier", "f\xE9vrier", "mars", "avril", "mai", "juin", "juillet", "ao\xFBt", "septembre", "octobre",
       "novembre",
       "d\xE9"
       "cembre"},
      {"janv.", "f\xE9vr.", "mars", "avr.", "mai", "juin", "juil.", "ao\xFBt", "sept.", "oct.", "nov.",
       "d\xE9"
       "c."},
      {"dimanche", "lundi", "mardi", "mercredi", "jeudi", "vendredi", "samedi"},
      {"dim.", "lun.", "mar.", "mer.", "jeu.", "ven.", "sam."}};
}

const std::array<Locale, 5>& knownLocales() {
  static const std::array<Locale, 5> locales = {
      makeDutch(), makeEnglish("en-US", "M/d/yyyy", "h:mm:ss tt", "AM", "PM"),
      makeEnglish("en-GB", "dd/MM/yyyy", "HH:mm:ss", "", ""), makeGerman(), makeFrench()};
  return locales;
}

const Locale* findLocale(std::string_view name) {
  for (const Locale& locale : knownLocales()) {
    if (equalsTextCompare(locale.name, name)) return &locale;
  }
  return nullptr;
}

std::string twoDigits(int value) {
  std::string text = std::to_string(value);
  return text.size() < 2 ? "0" + text : text;
}

// Length of the run of `c` starting at `pos`.
size_t runLength(std::string_view text, size_t pos) {
  size_t end = pos;
  while (end < text.size() && text[end] == text[pos]) ++end;
  return end - pos;
}

bool startsWithIgnoreCase(std::string_view text, size_t pos, std::string_view word) {
  return text.size() - pos >= word.size() && equalsTextCompare(text.substr(pos, word.size()), word);
}

bool isLeapYear(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

// A date-time value holds a real calendar date (years 100 to 9999, as a date variable does) and a time
// of day; anything else is error 5 rather than a name looked up out of range.
void requireValid(const DateTime& value) {
  static const int daysInMonth[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool valid = value.year >= 100 && value.year <= 9999 && value.month >= 1 && value.month <= 12 &&
               value.day >= 1 &&
               value.day <= daysInMonth[value.month - 1] + (value.month == 2 && isLeapYear(value.year)) &&
               value.hour >= 0 && value.hour < 24 && value.minute >= 0 && value.minute < 60 &&
               value.second >= 0 && value.second < 60;
  if (!valid) throw Error::fromNumber(kInvalidProcedureCall);
}

}  // namespace

int weekday(int year, int month, int day) {
  // Zeller-style computation on the proleptic Gregorian calendar; 0 = Sunday.
  static const int offsets[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
  if (month < 3) year -= 1;
  int sunday0 = (year + year / 4 - year / 100 + year / 400 + offsets[month - 1] + day) % 7;
  return sunday0 + 1;
}

const Locale& localeByName(std::string_view name) {
  if (const Locale* locale = findLocale(name)) return *locale;
  throw Error::fromNumber(kInvalidProcedureCall);
}

bool isKnownLocale(std::string_view name) {
  return findLocale(name) != nullptr;
}

std::string formatDateTime(const DateTime& value, std::string_view picture, const Locale& locale) {
  requireValid(value);
  std::string out;
  int hour12 = value.hour % 12 == 0 ? 12 : value.hour % 12;
  bool afternoon = value.hour >= 12;
  for (size_t pos = 0; pos < picture.size();) {
    char c = picture[pos];
    if (c == '\'' || c == '"') {
      size_t close = picture.find(c, pos + 1);
      if (close == std::string_view::npos) close = picture.size();
      out.append(picture.substr(pos + 1, close - pos - 1));
      pos = close + 1;
      continue;
    }
    if (startsWithIgnoreCase(picture, pos, "AM/PM")) {
      bool lower = picture[pos] == 'a';
      std::string mark = afternoon ? (locale.pmDesignator.empty() ? "PM" : locale.pmDesignator)
                                   : (locale.amDesignator.empty() ? "AM" : locale.amDesignator);
      if (lower)
        std::transform(mark.begin(), mark.end(), mark.begin(),
                       [](unsigned char ch) { return std::tolower(ch); });
      out += mark;
      pos += 5;
      continue;
    }
    if (startsWithIgnoreCase(picture, pos, "A/P")) {
      char mark = afternoon ? 'P' : 'A';
      out += picture[pos] == 'a' ? static_cast<char>(std::tolower(mark)) : mark;
      pos += 3;
      continue;
    }
    size_t run = runLength(picture, pos);
    switch (c) {
      case 'd':
        if (run == 1)
          out += std::to_string(value.day);
        else if (run == 2)
          out += twoDigits(value.day);
        else if (run == 3)
          out += locale.dayAbbreviations[weekday(value.year, value.month, value.day) - 1];
        else
          out += locale.dayNames[weekday(value.year, value.month, value.day) - 1];
        break;
      case 'M':
        if (run == 1)
          out += std::to_string(value.month);
        else if (run == 2)
          out += twoDigits(value.month);
        else if (run == 3)
          out += locale.monthAbbreviations[value.month - 1];
        else
          out += locale.monthNames[value.month - 1];
        break;
      case 'y':
        out += run <= 2 ? twoDigits(value.year % 100) : std::to_string(value.year);
        break;
      case 'H':
        out += run == 1 ? std::to_string(value.hour) : twoDigits(value.hour);
        break;
      case 'h':
        out += run == 1 ? std::to_string(hour12) : twoDigits(hour12);
        break;
      case 'm':
        out += run == 1 ? std::to_string(value.minute) : twoDigits(value.minute);
        break;
      case 's':
        out += run == 1 ? std::to_string(value.second) : twoDigits(value.second);
        break;
      case 't':
        out += afternoon ? locale.pmDesignator : locale.amDesignator;
        break;
      default:
        out.append(run, c);
        break;
    }
    pos += run;
  }
  return out;
}

std::string formatGeneralDate(const DateTime& value, const Locale& locale) {
  std::string date = formatDateTime(value, locale.shortDatePattern, locale);
  if (value.hour == 0 && value.minute == 0 && value.second == 0) return date;
  return date + " " + formatDateTime(value, locale.longTimePattern, locale);
}

}  // namespace tw::runtime
