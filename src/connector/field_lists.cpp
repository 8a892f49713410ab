#include "connector/field_lists.h"

#include <limits>

#include "runtime/error.h"
#include "server/base64.h"

namespace tw::addin {

std::vector<std::string_view> splitList(std::string_view text, char separator) {
  std::vector<std::string_view> items;
  if (text.empty()) return items;
  size_t start = 0;
  while (true) {
    size_t end = text.find(separator, start);
    if (end == std::string_view::npos) {
      items.push_back(text.substr(start));
      return items;
    }
    items.push_back(text.substr(start, end - start));
    start = end + 1;
  }
}

void addField(tallyweaveModule& m, std::string_view name, std::string_view value) {
  if (m.fieldCount == std::numeric_limits<runtime::Long>::max())
    throw runtime::Error::fromNumber(runtime::kOverflow);
  ++m.fieldCount;
  m.fieldNames.resize(static_cast<size_t>(m.fieldCount) + 1);
  m.fieldValues.resize(static_cast<size_t>(m.fieldCount) + 1);
  m.fieldNames[static_cast<size_t>(m.fieldCount) - 1] = name;
  m.fieldValues[static_cast<size_t>(m.fieldCount) - 1] = value;
  // Lists left longer by an earlier job keep no stale spare.
  m.fieldNames.back().clear();
  m.fieldValues.back().clear();
}

void addHeaderColumns(tallyweaveModule& m, std::string_view list) {
  for (std::string_view item : splitList(list, ',')) addField(m, item, "");
}

void addRecordColumns(tallyweaveModule& m, std::string_view recordName, std::string_view count,
                      const std::vector<std::string_view>& items) {
  m.recordCounts.add(recordName, std::string(count));
  for (std::string_view item : items) m.recordOfField.add(base64Decode(item), std::string(recordName));
}

void setMergeTable(std::array<std::string, kMergeTableSlots>& table, std::string_view list) {
  constexpr int kFirstSlot = 100;
  constexpr int kGroupSize = 50;
  constexpr int kGroupStride = 100;
  int index = kFirstSlot;
  int left = kGroupSize;
  for (std::string_view item : splitList(list, ',')) {
    if (index >= kMergeTableSlots) throw runtime::Error::fromNumber(runtime::kSubscriptOutOfRange);
    table[static_cast<size_t>(index)] = base64Decode(item);
    if (left == 1) {
      index += kGroupStride - kGroupSize + 1;
      left = kGroupSize;
    } else {
      index += 1;
      left -= 1;
    }
  }
}

void setMergeMenuTable(std::array<std::string, kMergeMenuSlots>& table, std::string_view list, bool decode) {
  size_t i = 1;
  for (std::string_view item : splitList(list, ',')) {
    if (i >= table.size()) throw runtime::Error::fromNumber(runtime::kSubscriptOutOfRange);
    table[i] = decode ? base64Decode(item) : std::string(item);
    ++i;
  }
}

}  // namespace tw::addin
