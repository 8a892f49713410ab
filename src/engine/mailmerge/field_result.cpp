#include "engine/mailmerge/field_result.h"

#include <algorithm>
#include <array>
#include <optional>

#include "engine/mailmerge/merge_values.h"
#include "engine/mailmerge/number_format.h"
#include "engine/mailmerge/number_picture.h"
#include "engine/mailmerge/text_case.h"

namespace tw::engine::mailmerge {
namespace {

constexpr std::array<std::string_view, 6> kOperators = {"<=", ">=", "<>", "=", "<", ">"};

bool isOperator(const FieldArgument& argument) {
  if (argument.quoted) return false;
  for (std::string_view op : kOperators) {
    if (argument.text == op) return true;
  }
  return false;
}

struct Condition {
  std::string left, op, right;
  size_t textsAt = 0;  // index of the true text among the arguments
};

// The operator a word starts with ("<=" of "<=30"), or "".
std::string_view leadingOperator(const FieldArgument& argument) {
  if (argument.quoted) return "";
  for (std::string_view op : kOperators) {
    if (std::string_view(argument.text).starts_with(op)) return op;
  }
  return "";
}

// Finds the comparison, also when the operator is glued to its operands (x>0, x="two", x >=30).
std::optional<Condition> findCondition(const std::vector<FieldArgument>& args) {
  if (args.size() >= 2 && isOperator(args[1]))
    return Condition{args[0].text, args[1].text, args.size() > 2 ? args[2].text : "", 3};
  if (std::string_view op = args.size() >= 2 ? leadingOperator(args[1]) : std::string_view(); !op.empty())
    return Condition{args[0].text, std::string(op), args[1].text.substr(op.size()), 2};
  if (!args.empty() && isOperator(args[0]))
    return Condition{"", args[0].text, args.size() > 1 ? args[1].text : "", 2};
  if (args.empty() || args[0].quoted) return std::nullopt;
  const std::string& word = args[0].text;
  size_t at = word.find_first_of("<>=");
  if (at == std::string::npos) return std::nullopt;
  size_t length = word.size() > at + 1 && (word.substr(at, 2) == "<=" || word.substr(at, 2) == ">=" ||
                                           word.substr(at, 2) == "<>")
                      ? 2
                      : 1;
  Condition condition{word.substr(0, at), word.substr(at, length), word.substr(at + length), 1};
  if (condition.right.empty() && args.size() > 1) {
    condition.right = args[1].text;
    condition.textsAt = 2;
  }
  return condition;
}

bool compare(const Condition& c, const runtime::Locale& locale) {
  auto left = parseNumber(c.left, locale);
  auto right = parseNumber(c.right, locale);
  int order;
  if (left && right) {
    double a = left->toDouble(), b = right->toDouble();
    order = a < b ? -1 : a > b ? 1 : 0;
  } else {
    if (c.op == "=") return wildcardMatch(c.left, c.right);
    if (c.op == "<>") return !wildcardMatch(c.left, c.right);
    int r = c.left.compare(c.right);
    order = r < 0 ? -1 : r > 0 ? 1 : 0;
  }
  if (c.op == "=") return order == 0;
  if (c.op == "<>") return order != 0;
  if (c.op == "<") return order < 0;
  if (c.op == "<=") return order <= 0;
  if (c.op == ">") return order > 0;
  return order >= 0;
}

// Word reads the upper-case D and Y of a date picture as d and y (DD-MM-YYYY); quoted text stays.
std::string wordDatePicture(std::string_view picture) {
  std::string out(picture);
  char quote = 0;
  for (char& c : out) {
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '\'' || c == '"') {
      quote = c;
    } else if (c == 'D' || c == 'Y') {
      c = static_cast<char>(c - 'A' + 'a');
    }
  }
  return out;
}

}  // namespace

std::string formatFieldResult(std::string_view value, const FieldCode& code, const runtime::Locale& locale,
                              const runtime::Locale* language) {
  std::string result(value);
  bool formatted = false;
  if (auto picture = code.switchArgument('#')) {
    if (auto number = parseNumber(value, locale)) {
      result = formatNumber(*number, *picture, locale);
      formatted = true;
    }
  }
  if (!formatted) {
    if (auto picture = code.switchArgument('@')) {
      if (auto date = parseDateTime(value, locale))
        result = runtime::formatDateTime(*date, wordDatePicture(*picture), language ? *language : locale);
    }
  }
  for (const FieldSwitch& s : code.switches) {
    if (s.kind != '*') continue;
    if (!isNumberFormat(s.argument)) {
      result = applyTextFormat(result, s.argument);
    } else if (auto number = parseNumber(result, locale)) {
      if (auto text = applyNumberFormat(*number, s.argument)) result = *text;
    }
  }
  if (result.empty()) return result;
  return code.switchArgument('b').value_or("") + result + code.switchArgument('f').value_or("");
}

namespace {

struct Truth {
  bool holds = false;
  size_t next = 0;  // index of the argument after the condition
};

// The condition at the start of `args`: a comparison, or one operand that holds when it is a non-zero
// number or a text that is not empty.
Truth truthOf(const std::vector<FieldArgument>& args, const runtime::Locale& locale) {
  if (auto condition = findCondition(args)) return {compare(*condition, locale), condition->textsAt};
  std::string operand = args.empty() ? std::string() : args[0].text;
  auto number = parseNumber(operand, locale);
  return {number ? !number->isZero() : !operand.empty(), 1};
}

}  // namespace

std::string evaluateIf(const FieldCode& code, const runtime::Locale& locale,
                       const runtime::Locale* language) {
  const std::vector<FieldArgument>& args = code.arguments;
  Truth truth = truthOf(args, locale);
  size_t chosen = truth.holds ? truth.next : truth.next + 1;
  std::string text = chosen < args.size() ? args[chosen].text : std::string();
  return formatFieldResult(text, code, locale, language);
}

bool conditionHolds(const FieldCode& code, const runtime::Locale& locale) {
  return truthOf(code.arguments, locale).holds;
}

namespace {

// Word nests fields at most 20 deep; deeper nesting in a damaged file resolves to nothing.
constexpr int kMaxNesting = 32;

std::vector<CodePiece> resolveNested(std::string_view code,
                                     const std::function<std::string(const FieldCode&)>& resolve,
                                     int depthLeft) {
  constexpr char kBegin = '\x13', kSeparator = '\x14', kEnd = '\x15';
  std::vector<CodePiece> pieces;
  std::string literal;
  size_t i = 0;
  while (i < code.size()) {
    if (code[i] != kBegin) {
      // Text up to the next mark goes in as it is; a separator or end without its begin is dropped.
      size_t mark = std::min(code.find_first_of("\x13\x14\x15", i), code.size());
      literal.append(code.substr(i, mark - i));
      i = mark < code.size() && code[mark] != kBegin ? mark + 1 : mark;
      continue;
    }
    // Find this field's separator and end at its own depth.
    size_t depth = 0, separator = std::string_view::npos, end = std::string_view::npos;
    for (size_t j = i; j < code.size(); ++j) {
      if (code[j] == kBegin) ++depth;
      if (code[j] == kSeparator && depth == 1 && separator == std::string_view::npos) separator = j;
      if (code[j] == kEnd && --depth == 0) {
        end = j;
        break;
      }
    }
    if (end == std::string_view::npos) {  // never closed: the mark is dropped
      ++i;
      continue;
    }
    size_t codeEnd = separator == std::string_view::npos ? end : separator;
    if (!literal.empty()) pieces.push_back({std::move(literal), false});
    literal.clear();
    std::string result;
    if (depthLeft > 0)
      result =
          resolve(parseFieldCode(resolveNested(code.substr(i + 1, codeEnd - i - 1), resolve, depthLeft - 1)));
    pieces.push_back({std::move(result), true});
    i = end + 1;
  }
  if (!literal.empty()) pieces.push_back({std::move(literal), false});
  return pieces;
}

}  // namespace

std::vector<CodePiece> resolveNestedFields(std::string_view code,
                                           const std::function<std::string(const FieldCode&)>& resolve) {
  return resolveNested(code, resolve, kMaxNesting);
}

std::string keywordOf(std::string_view code) {
  if (code.find_first_of("\x13\x14\x15") == std::string_view::npos) return parseFieldKeyword(code);
  return parseFieldCode(resolveNestedFields(code, [](const FieldCode&) { return std::string(); })).keyword;
}

std::optional<std::string> mergedText(const FieldCode& code, const DataTable& table, size_t record,
                                      const runtime::Locale& locale, const runtime::Locale* language) {
  if (code.keyword == "MERGEFIELD") {
    auto column = table.columnIndex(code.firstArgument());
    if (!column || table.picture(record, *column)) return std::string();
    return formatFieldResult(table.text(record, *column), code, locale, language);
  }
  if (code.keyword == "IF") return evaluateIf(code, locale, language);
  // Record steps leave nothing behind; taking them is the caller's.
  if (code.keyword == "NEXT" || code.keyword == "NEXTIF" || code.keyword == "SKIPIF") return std::string();
  if (code.keyword == "MERGEREC")
    return formatFieldResult(std::to_string(record + 1), code, locale, language);
  return std::nullopt;
}

bool wildcardMatch(std::string_view text, std::string_view pattern) {
  // Greedy matching with one backtrack point for the last *.
  size_t t = 0, p = 0, starP = std::string_view::npos, starT = 0;
  while (t < text.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == text[t])) {
      ++t, ++p;
    } else if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starT = t;
    } else if (starP != std::string_view::npos) {
      p = starP + 1;
      t = ++starT;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

FieldCode mergedCode(std::string_view code, const DataTable& table, size_t record,
                     const runtime::Locale& locale, const runtime::Locale* language) {
  return parseFieldCode(resolveNestedFields(code, [&](const FieldCode& nested) {
    return mergedText(nested, table, record, locale, language).value_or("");
  }));
}

}  // namespace tw::engine::mailmerge
