#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "context/module_state.h"

namespace tw::addin {

// The list routines the connector readers fill the job state with.

// Cuts `text` at every `separator`: an empty text gives no items, empty items between or after
// separators stay. The items are views into `text`.
std::vector<std::string_view> splitList(std::string_view text, char separator);

// Appends a field to the parallel lists, keeping the empty spare slot at index fieldCount.
void addField(tallyweaveModule& m, std::string_view name, std::string_view value);

// A field with an empty value for every item of the comma list (items are not decoded).
void addHeaderColumns(tallyweaveModule& m, std::string_view list);

// A record group: `count` under `recordName` in recordCounts, and the record name under every decoded
// item in recordOfField. A repeated key (in any letter case) is error 457.
void addRecordColumns(tallyweaveModule& m, std::string_view recordName, std::string_view count,
                      const std::vector<std::string_view>& items);

// Fills a merge-field table from a comma list of Base64 items: the n-th item goes to slot
// 100 * (1 + n / 50) + n % 50, so groups of fifty fill 100..149, 200..249, ..., 1000..1049, then 1100.
// An item beyond slot 1100 is error 9; the slots filled before it keep their items.
void setMergeTable(std::array<std::string, kMergeTableSlots>& table, std::string_view list);

// Fills a submenu table from slot 1 on from a comma list; items are Base64-decoded when `decode` is true.
// A twelfth item is error 9.
void setMergeMenuTable(std::array<std::string, kMergeMenuSlots>& table, std::string_view list, bool decode);

}  // namespace tw::addin
