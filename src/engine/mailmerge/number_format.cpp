#include "engine/mailmerge/number_format.h"

#include <array>
#include <cstdint>

#include "engine/mailmerge/text_case.h"
#include "runtime/text.h"

namespace tw::engine::mailmerge {
namespace {

constexpr std::array<std::string_view, 8> kFormats = {"Arabic",   "Roman",   "alphabetic", "Ordinal",
                                                      "CardText", "OrdText", "Hex",        "DollarText"};

constexpr std::array<std::string_view, 20> kUnits = {
    "zero",     "one",     "two",     "three",     "four",     "five",    "six",
    "seven",    "eight",   "nine",    "ten",       "eleven",   "twelve",  "thirteen",
    "fourteen", "fifteen", "sixteen", "seventeen", "eighteen", "nineteen"};
constexpr std::array<std::string_view, 10> kTens = {"",      "",      "twenty",  "thirty", "forty",
                                                    "fifty", "sixty", "seventy", "eighty", "ninety"};

// The digits as a whole number, or nullopt when it has more than 18 of them.
std::optional<std::int64_t> wholeNumber(const std::string& digits) {
  if (digits.size() > 18) return std::nullopt;
  std::int64_t n = 0;
  for (char d : digits) n = n * 10 + (d - '0');
  return n;
}

// 1..999 in words: "one hundred twenty-three".
std::string hundredsInWords(std::int64_t n) {
  std::string words;
  if (n >= 100) {
    words = std::string(kUnits[n / 100]) + " hundred";
    n %= 100;
    if (n == 0) return words;
    words += ' ';
  }
  if (n < 20) return words + std::string(kUnits[n]);
  words += kTens[n / 10];
  if (n % 10) words += "-" + std::string(kUnits[n % 10]);
  return words;
}

// 0..999999 in words: "one thousand two hundred thirty-four".
std::string cardinalInWords(std::int64_t n) {
  if (n == 0) return std::string(kUnits[0]);
  std::string words;
  if (n >= 1000) {
    words = hundredsInWords(n / 1000) + " thousand";
    if (n % 1000 == 0) return words;
    words += ' ';
  }
  return words + hundredsInWords(n % 1000);
}

// The ordinal of the last word of a cardinal: "twenty-three" -> "twenty-third", "twelve" -> "twelfth".
std::string ordinalInWords(std::int64_t n) {
  std::string words = cardinalInWords(n);
  struct Ending {
    std::string_view cardinal, ordinal;
  };
  constexpr Ending kIrregular[] = {{"one", "first"},     {"two", "second"},   {"three", "third"},
                                   {"five", "fifth"},    {"eight", "eighth"}, {"nine", "ninth"},
                                   {"twelve", "twelfth"}};
  for (const Ending& e : kIrregular) {
    size_t at = words.size() - std::min(words.size(), e.cardinal.size());
    bool wholeWord = at == 0 || words[at - 1] == ' ' || words[at - 1] == '-';
    if (wholeWord && words.compare(at, std::string::npos, e.cardinal) == 0)
      return words.substr(0, at) + std::string(e.ordinal);
  }
  if (words.back() == 'y') return words.substr(0, words.size() - 1) + "ieth";  // twenty -> twentieth
  return words + "th";
}

std::string ordinalSuffix(std::int64_t n) {
  if (n % 100 >= 11 && n % 100 <= 13) return "th";
  switch (n % 10) {
    case 1:
      return "st";
    case 2:
      return "nd";
    case 3:
      return "rd";
    default:
      return "th";
  }
}

std::string roman(std::int64_t n) {
  struct Numeral {
    int value;
    std::string_view letters;
  };
  constexpr Numeral kNumerals[] = {{1000, "M"}, {900, "CM"}, {500, "D"}, {400, "CD"}, {100, "C"},
                                   {90, "XC"},  {50, "L"},   {40, "XL"}, {10, "X"},   {9, "IX"},
                                   {5, "V"},    {4, "IV"},   {1, "I"}};
  std::string out;
  for (const Numeral& numeral : kNumerals) {
    for (; n >= numeral.value; n -= numeral.value) out += numeral.letters;
  }
  return out;
}

// Word's letter numbering: A..Z, then AA..ZZ, AAA.. (the letter repeated, not a base-26 count).
std::string alphabetic(std::int64_t n) {
  return std::string(static_cast<size_t>((n - 1) / 26 + 1), static_cast<char>('A' + (n - 1) % 26));
}

std::string hex(std::int64_t n) {
  constexpr std::string_view kDigits = "0123456789ABCDEF";
  std::string out;
  do {
    out.insert(out.begin(), kDigits[static_cast<size_t>(n % 16)]);
    n /= 16;
  } while (n > 0);
  return out;
}

bool startsLowerCase(std::string_view format) {
  return !format.empty() && format.front() >= 'a' && format.front() <= 'z';
}

}  // namespace

bool isNumberFormat(std::string_view format) {
  for (std::string_view known : kFormats) {
    if (runtime::equalsTextCompare(format, known)) return true;
  }
  return false;
}

std::optional<std::string> applyNumberFormat(const DecimalNumber& value, std::string_view format) {
  auto is = [&](std::string_view name) { return runtime::equalsTextCompare(format, name); };
  if (!isNumberFormat(format)) return std::nullopt;

  if (is("DollarText")) {
    DecimalNumber cents = value.rounded(2);
    auto dollars = wholeNumber(cents.integerDigits);
    if (cents.negative || !dollars || *dollars > 999999) return std::nullopt;
    std::string fraction = (cents.fractionDigits + "00").substr(0, 2);
    return cardinalInWords(*dollars) + " and " + fraction + "/100";
  }

  DecimalNumber whole = value.rounded(0);
  auto n = wholeNumber(whole.integerDigits);
  if (!n) return std::nullopt;
  bool negative = whole.negative && *n != 0;
  if (is("Arabic")) return (negative ? "-" : "") + std::to_string(*n);
  if (negative) return std::nullopt;
  if (is("Roman")) {
    if (*n < 1 || *n > 32767) return std::nullopt;
    return startsLowerCase(format) ? toLower(roman(*n)) : roman(*n);
  }
  if (is("alphabetic")) {
    if (*n < 1 || *n > 780) return std::nullopt;
    return startsLowerCase(format) ? toLower(alphabetic(*n)) : alphabetic(*n);
  }
  if (is("Ordinal")) return std::to_string(*n) + ordinalSuffix(*n);
  if (is("Hex")) {
    if (*n > 0xFFFFFFFFll) return std::nullopt;
    return hex(*n);
  }
  if (*n > 999999) return std::nullopt;
  return is("CardText") ? cardinalInWords(*n) : ordinalInWords(*n);
}

}  // namespace tw::engine::mailmerge
