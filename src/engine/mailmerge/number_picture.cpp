#include "engine/mailmerge/number_picture.h"

#include <vector>

namespace tw::engine::mailmerge {
namespace {

enum class Item { Zero, Hash, Drop, Point, Group, Minus, Plus, Literal };

struct PictureItem {
  Item kind;
  std::string text;  // Literal only
};

bool isPlaceholder(Item kind) {
  return kind == Item::Zero || kind == Item::Hash || kind == Item::Drop;
}

// Splits the picture into sections at ';' outside quotes.
std::vector<std::string_view> sections(std::string_view picture) {
  std::vector<std::string_view> out;
  char quote = 0;
  size_t start = 0;
  for (size_t i = 0; i < picture.size(); ++i) {
    char c = picture[i];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '\'' || c == '"') {
      quote = c;
    } else if (c == ';') {
      out.push_back(picture.substr(start, i - start));
      start = i + 1;
    }
  }
  out.push_back(picture.substr(start));
  return out;
}

std::vector<PictureItem> items(std::string_view section, const runtime::Locale& locale) {
  std::vector<PictureItem> out;
  bool pointSeen = false;
  for (size_t i = 0; i < section.size();) {
    char c = section[i];
    std::string_view rest = section.substr(i);
    if (c == '\'' || c == '"') {
      size_t close = section.find(c, i + 1);
      if (close == std::string_view::npos) close = section.size();
      out.push_back({Item::Literal, std::string(section.substr(i + 1, close - i - 1))});
      i = close + 1;
    } else if (!pointSeen && !locale.decimalSeparator.empty() && rest.starts_with(locale.decimalSeparator)) {
      out.push_back({Item::Point, {}});
      pointSeen = true;
      i += locale.decimalSeparator.size();
    } else if (!pointSeen && !locale.thousandsSeparator.empty() &&
               rest.starts_with(locale.thousandsSeparator)) {
      out.push_back({Item::Group, {}});
      i += locale.thousandsSeparator.size();
    } else {
      Item kind = c == '0'   ? Item::Zero
                  : c == '#' ? Item::Hash
                  : c == 'x' ? Item::Drop
                  : c == '-' ? Item::Minus
                  : c == '+' ? Item::Plus
                             : Item::Literal;
      out.push_back({kind, kind == Item::Literal ? std::string(1, c) : std::string()});
      ++i;
    }
  }
  return out;
}

std::string formatSection(const DecimalNumber& magnitude, bool negative, bool autoMinus,
                          const std::vector<PictureItem>& picture, const runtime::Locale& locale) {
  // Where the integer part ends, how many places it and the fraction have, whether digits are grouped.
  size_t pointIndex = picture.size();
  size_t integerPlaces = 0, fractionPlaces = 0;
  bool grouped = false;
  long lastDrop = -1;
  for (size_t i = 0; i < picture.size(); ++i) {
    Item kind = picture[i].kind;
    if (kind == Item::Point && pointIndex == picture.size()) pointIndex = i;
    if (kind == Item::Group) grouped = true;
    if (!isPlaceholder(kind)) continue;
    if (pointIndex == picture.size()) {
      if (kind == Item::Drop) lastDrop = static_cast<long>(integerPlaces);
      ++integerPlaces;
    } else {
      ++fractionPlaces;
    }
  }
  DecimalNumber number = magnitude.rounded(fractionPlaces);
  bool showMinus = negative && !number.isZero();

  // The integer cells from left to right: digits beyond the places (unless an x drops them), then one
  // cell per place. A place without a digit shows '0' or a blank.
  const std::string& digits = number.integerDigits;
  std::string overflow;
  std::vector<char> cells;
  long spare = static_cast<long>(digits.size()) - static_cast<long>(integerPlaces);
  if (spare > 0 && lastDrop < 0) overflow = digits.substr(0, static_cast<size_t>(spare));
  size_t place = 0;
  for (const PictureItem& item : picture) {
    if (!isPlaceholder(item.kind) || place >= integerPlaces) continue;
    long index = spare + static_cast<long>(place);
    bool dropped = static_cast<long>(place) < lastDrop;
    if (index >= 0 && !dropped)
      cells.push_back(digits[static_cast<size_t>(index)]);
    else
      cells.push_back(item.kind == Item::Zero ? '0' : ' ');
    ++place;
  }
  size_t totalCells = overflow.size() + cells.size();

  std::string out;
  if (showMinus && autoMinus) out += '-';
  size_t emitted = 0;  // integer cells written so far
  auto emitCell = [&](char cell) {
    out += cell;
    ++emitted;
    size_t right = totalCells - emitted;
    if (grouped && right > 0 && right % 3 == 0)
      out += cell == ' ' ? std::string(" ") : locale.thousandsSeparator;
  };
  size_t integerPlace = 0, fractionPlace = 0;
  for (size_t i = 0; i < picture.size(); ++i) {
    const PictureItem& item = picture[i];
    switch (item.kind) {
      case Item::Zero:
      case Item::Hash:
      case Item::Drop:
        if (i < pointIndex) {
          if (integerPlace == 0)
            for (char c : overflow) emitCell(c);
          emitCell(cells[integerPlace++]);
        } else {
          size_t at = fractionPlace++;
          if (at < number.fractionDigits.size())
            out += number.fractionDigits[at];
          else
            out += item.kind == Item::Hash ? ' ' : '0';
        }
        break;
      case Item::Point:
        out += locale.decimalSeparator;
        break;
      case Item::Group:
        break;
      case Item::Minus:
        out += showMinus ? '-' : ' ';
        break;
      case Item::Plus:
        out += showMinus ? '-' : number.isZero() ? ' ' : '+';
        break;
      case Item::Literal:
        out += item.text;
        break;
    }
  }
  return out;
}

}  // namespace

std::string formatNumber(const DecimalNumber& value, std::string_view picture,
                         const runtime::Locale& locale) {
  std::vector<std::string_view> parts = sections(picture);
  DecimalNumber magnitude = value;
  magnitude.negative = false;
  if (value.isZero() && parts.size() >= 3)
    return formatSection(magnitude, false, false, items(parts[2], locale), locale);
  // The negative section adds no sign of its own; its sign places ('-', '+') show the minus.
  if (value.negative && parts.size() >= 2)
    return formatSection(magnitude, true, false, items(parts[1], locale), locale);
  std::vector<PictureItem> section = items(parts[0], locale);
  bool hasSign = false;
  for (const PictureItem& item : section)
    hasSign = hasSign || item.kind == Item::Minus || item.kind == Item::Plus;
  return formatSection(magnitude, value.negative, !hasSign, section, locale);
}

}  // namespace tw::engine::mailmerge
