#include "engine/mailmerge/merge_values.h"

#include <charconv>
#include <vector>

#include "runtime/text.h"

namespace tw::engine::mailmerge {
namespace {

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

bool isBlankByte(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\xA0';
}

std::string_view trim(std::string_view text) {
  while (!text.empty() && isBlankByte(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlankByte(text.back())) text.remove_suffix(1);
  return text;
}

// Places the decimal point of `digits` (all the digits, with `pointAt` of them before the point).
DecimalNumber normalised(bool negative, std::string digits, long pointAt) {
  while (pointAt <= 0) {
    digits.insert(digits.begin(), '0');
    ++pointAt;
  }
  while (static_cast<long>(digits.size()) < pointAt) digits += '0';
  DecimalNumber number;
  number.negative = negative;
  number.integerDigits = digits.substr(0, static_cast<size_t>(pointAt));
  number.fractionDigits = digits.substr(static_cast<size_t>(pointAt));
  size_t firstNonZero = number.integerDigits.find_first_not_of('0');
  number.integerDigits.erase(0,
                             firstNonZero == std::string::npos ? number.integerDigits.size() : firstNonZero);
  size_t lastNonZero = number.fractionDigits.find_last_not_of('0');
  number.fractionDigits.resize(lastNonZero == std::string::npos ? 0 : lastNonZero + 1);
  if (number.isZero()) number.negative = false;
  return number;
}

int daysInMonth(int year, int month) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : days[month - 1];
}

std::optional<int> smallNumber(std::string_view text) {
  if (text.empty() || text.size() > 4) return std::nullopt;
  int value = 0;
  for (char c : text) {
    if (!isDigit(c)) return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

std::vector<std::string_view> split(std::string_view text, std::string_view separators) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || separators.find(text[i]) != std::string_view::npos) {
      parts.push_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  return parts;
}

// The order of day, month and year in the locale's short date pattern, as a string such as "dMy".
std::string dateOrder(const runtime::Locale& locale) {
  std::string order;
  for (char c : locale.shortDatePattern) {
    if ((c == 'd' || c == 'M' || c == 'y') && order.find(c) == std::string::npos) order += c;
  }
  return order.size() == 3 ? order : "dMy";
}

bool readDate(std::string_view text, const runtime::Locale& locale, runtime::DateTime& out) {
  std::vector<std::string_view> parts = split(text, "-/.");
  if (parts.size() != 3) return false;
  int day = 0, month = 0, year = 0;
  if (parts[0].size() == 4) {
    auto y = smallNumber(parts[0]), m = smallNumber(parts[1]), d = smallNumber(parts[2]);
    if (!y || !m || !d) return false;
    year = *y, month = *m, day = *d;
  } else {
    std::string order = dateOrder(locale);
    for (size_t i = 0; i < 3; ++i) {
      auto value = smallNumber(parts[i]);
      if (!value) return false;
      if (order[i] == 'd') day = *value;
      if (order[i] == 'M') month = *value;
      if (order[i] == 'y') {
        if (parts[i].size() != 2 && parts[i].size() != 4) return false;
        year = parts[i].size() == 2 ? (*value < 30 ? 2000 + *value : 1900 + *value) : *value;
      }
    }
  }
  if (year < 100 || month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month)) return false;
  out.year = year, out.month = month, out.day = day;
  return true;
}

bool readTime(std::string_view text, runtime::DateTime& out) {
  std::vector<std::string_view> parts = split(text, ":");
  if (parts.size() < 2 || parts.size() > 3) return false;
  auto hour = smallNumber(parts[0]), minute = smallNumber(parts[1]);
  auto second = parts.size() == 3 ? smallNumber(parts[2]) : std::optional<int>(0);
  if (!hour || !minute || !second || *hour > 23 || *minute > 59 || *second > 59) return false;
  out.hour = *hour, out.minute = *minute, out.second = *second;
  return true;
}

bool sameName(std::string_view part, std::string_view name) {
  if (!part.empty() && part.back() == '.' && (name.empty() || name.back() != '.')) part.remove_suffix(1);
  return !name.empty() && runtime::equalsTextCompare(part, name);
}

// 1..12 for a month name or abbreviation of the locale or of English, else 0.
int monthNamed(std::string_view part, const runtime::Locale& locale) {
  const runtime::Locale& english = runtime::localeByName("en-US");
  for (const runtime::Locale* names : {&locale, &english}) {
    for (int m = 0; m < 12; ++m) {
      if (sameName(part, names->monthNames[m]) || sameName(part, names->monthAbbreviations[m])) return m + 1;
    }
  }
  return 0;
}

bool isDayName(std::string_view part, const runtime::Locale& locale) {
  const runtime::Locale& english = runtime::localeByName("en-US");
  for (const runtime::Locale* names : {&locale, &english}) {
    for (int d = 0; d < 7; ++d) {
      if (sameName(part, names->dayNames[d]) || sameName(part, names->dayAbbreviations[d])) return true;
    }
  }
  return false;
}

// A locale whose short date reads day-month-year, for dates put together from a month name.
const runtime::Locale& dutchOrder() {
  return runtime::localeByName("nl-NL");
}

}  // namespace

DecimalNumber DecimalNumber::rounded(size_t places) const {
  if (fractionDigits.size() <= places) return *this;
  std::string digits = integerDigits + fractionDigits.substr(0, places);
  bool up = fractionDigits[places] >= '5';
  if (up) {
    size_t i = digits.size();
    while (i > 0 && digits[i - 1] == '9') digits[--i] = '0';
    if (i == 0)
      digits.insert(digits.begin(), '1');
    else
      ++digits[i - 1];
  }
  long pointAt = static_cast<long>(digits.size() - places);
  return normalised(negative, std::move(digits), pointAt);
}

double DecimalNumber::toDouble() const {
  std::string text = (integerDigits.empty() ? "0" : integerDigits) + "." + fractionDigits + "0";
  double value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return negative ? -value : value;
}

std::optional<DecimalNumber> parseNumber(std::string_view text, const runtime::Locale& locale) {
  text = trim(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text = trim(text.substr(1));
  }
  const std::string& point = locale.decimalSeparator;
  const std::string& group = locale.thousandsSeparator;
  std::string digits;
  long pointAt = -1;
  size_t i = 0;
  while (i < text.size()) {
    char c = text[i];
    if (isDigit(c)) {
      digits += c;
      ++i;
    } else if (pointAt < 0 && !point.empty() && text.substr(i).starts_with(point)) {
      pointAt = static_cast<long>(digits.size());
      i += point.size();
    } else if (pointAt < 0 && !digits.empty() && !group.empty() && text.substr(i).starts_with(group) &&
               i + group.size() < text.size() && isDigit(text[i + group.size()])) {
      i += group.size();
    } else {
      break;
    }
  }
  if (digits.empty()) return std::nullopt;
  if (pointAt < 0) pointAt = static_cast<long>(digits.size());
  if (i < text.size() && (text[i] == 'E' || text[i] == 'e')) {
    std::string_view rest = text.substr(i + 1);
    bool minus = !rest.empty() && rest.front() == '-';
    if (!rest.empty() && (rest.front() == '-' || rest.front() == '+')) rest.remove_prefix(1);
    int exponent = 0;
    auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), exponent);
    // One sign only: "E--9" would otherwise read as E+9 and grow the digits without bound.
    if (error != std::errc() || end != rest.data() + rest.size() || exponent < 0 || exponent > 300)
      return std::nullopt;
    pointAt += minus ? -exponent : exponent;
    i = text.size();
  }
  if (i != text.size()) return std::nullopt;
  return normalised(negative, std::move(digits), pointAt);
}

std::optional<runtime::DateTime> parseDateTime(std::string_view text, const runtime::Locale& locale) {
  std::string normal(trim(text));
  // ISO 8601 joins date and time with a T.
  size_t t = normal.find('T');
  if (t != std::string::npos && t > 0 && isDigit(normal[t - 1]) && t + 1 < normal.size() &&
      isDigit(normal[t + 1]))
    normal[t] = ' ';
  runtime::DateTime value;
  bool haveDate = false, haveTime = false;
  int meridiem = 0;    // 1 = AM, 2 = PM
  int namedMonth = 0;  // a month written as a name: "3 februari 2025", "February 3, 2025"
  std::vector<std::string_view> numbers;
  for (std::string_view part : split(normal, " ,")) {
    if (part.empty()) continue;
    if (!meridiem && haveTime &&
        (runtime::equalsTextCompare(part, "AM") ||
         (!locale.amDesignator.empty() && part == locale.amDesignator))) {
      meridiem = 1;
    } else if (!meridiem && haveTime &&
               (runtime::equalsTextCompare(part, "PM") ||
                (!locale.pmDesignator.empty() && part == locale.pmDesignator))) {
      meridiem = 2;
    } else if (!haveTime && part.find(':') != std::string_view::npos) {
      if (!readTime(part, value)) return std::nullopt;
      haveTime = true;
    } else if (smallNumber(part)) {
      numbers.push_back(part);
    } else if (int month = monthNamed(part, locale); month && !namedMonth) {
      namedMonth = month;
    } else if (isDayName(part, locale)) {
      continue;  // "dinsdag 31 december 2024": the weekday adds nothing
    } else if (!haveDate && part.find_first_of("-/.") != std::string_view::npos) {
      if (!readDate(part, locale, value)) return std::nullopt;
      haveDate = true;
    } else {
      return std::nullopt;
    }
  }
  if (namedMonth) {
    if (haveDate || numbers.size() != 2) return std::nullopt;
    // The year is the four-digit number, else the second one.
    size_t yearAt = numbers[0].size() == 4 && numbers[1].size() != 4 ? 0 : 1;
    std::string date = std::string(numbers[1 - yearAt]) + "-" + std::to_string(namedMonth) + "-" +
                       std::string(numbers[yearAt]);
    if (!readDate(date, dutchOrder(), value)) return std::nullopt;
    haveDate = true;
  } else if (!numbers.empty()) {
    return std::nullopt;
  }
  if (!haveDate && !haveTime) return std::nullopt;
  if (meridiem) {
    if (value.hour < 1 || value.hour > 12) return std::nullopt;
    value.hour = value.hour % 12 + (meridiem == 2 ? 12 : 0);
  }
  return value;
}

}  // namespace tw::engine::mailmerge
