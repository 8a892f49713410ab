#include "merge/record_rows.h"

#include <algorithm>
#include <string>

#include "context/addin_context.h"
#include "merge/merge_fields.h"
#include "runtime/text.h"

namespace tw::addin {
namespace {

// The code of entry m of a record field: its name gets "_<m>", written the way the template wrote it
// (in quotes when it was quoted); the switches follow as they stood, after one more blank.
std::string entryCode(const std::string& code, long m) {
  const MergefieldName read = readMergefieldName(code);
  std::string name = read.name + "_" + std::to_string(m);
  if (read.end > 0 && code[read.end - 1] == '"')
    name = "\"" + replaceAll(replaceAll(name, "\\", "\\\\"), "\"", "\\\"") + "\"";
  std::string rest = code.substr(read.end);
  rest.erase(rest.find_last_not_of(' ') + 1);
  return "MERGEFIELD " + name + " " + rest;
}

class RowExpander {
 public:
  RowExpander(AddinContext& ctx, const std::function<void(const runtime::Error&)>& onError)
      : ctx_(ctx), m_(ctx.module), onError_(onError) {}

  void run() {
    long tables = document()->Tables()->Count();
    for (long i = 1; i <= tables; ++i) expandTable(i);
  }

 private:
  std::shared_ptr<word::Document> document() { return ctx_.word().ActiveDocument(); }

  // The entry count of a group: the leading number of its count text, as a whole number of 32 bits (a
  // group may hold more lines than a 16-bit Integer counts).
  runtime::Long countOf(const std::string& group) {
    return runtime::toLong(runtime::Val(m_.recordCounts.item(group)));
  }

  // The group of a merge field, or "" when it is no field of a group.
  std::string groupOf(word::Field& field) {
    if (field.Type() != word::wdFieldMergeField) return {};
    const std::string name = mergefieldNameOf(field.Code()->Text());
    return !name.empty() && m_.recordOfField.contains(name) ? m_.recordOfField.item(name) : std::string();
  }

  // The rows a template row spans: the largest count among the groups of its fields; 0 when it holds
  // no field of a group. Rows of several groups are shared, so every group's entries stand side by side.
  long blockRowsOf(word::Table& table, long r) {
    long block = 0;
    auto cells = table.Rows()->Item(r)->Cells();
    for (long k = 1, cellCount = cells->Count(); k <= cellCount; ++k) {
      auto fields = table.Cell(r, k)->Range()->Fields();
      for (long f = 1, count = fields->Count(); f <= count; ++f) {
        // A field whose count cannot be read fails again, and is reported, when its rows are named.
        runtime::resumeNext([&] {
          const std::string group = groupOf(*fields->Item(f));
          if (group.empty()) return;
          block = std::max<long>(block, 1);
          block = std::max<long>(block, countOf(group));
        });
      }
    }
    return block;
  }

  void expandTable(long i) {
    // The handle follows its table through the rows added to it.
    auto table = document()->Tables()->Item(i);
    long rowsAdded = 0;
    long rows = table->Rows()->Count();
    for (long j = 1; j <= rows; ++j) {
      const long top = j + rowsAdded;
      const long block = blockRowsOf(*table, top);
      if (block == 0) continue;
      // Copies of the template row go in above it; the template row becomes the last entry.
      for (long m = 0; m + 1 < block; ++m) copyRowAbove(*table, top + m);
      rowsAdded += block - 1;
      for (long m = 0; m < block; ++m) nameEntryFields(*table, top + m, m);
    }
  }

  // A copy of row r, with its text, formatting and fields, inserted above it. A Word that cannot copy
  // formatted text gets an empty row with the row's fields.
  void copyRowAbove(word::Table& table, long r) {
    auto row = table.Rows()->Item(r);
    try {
      auto at = row->Range();
      at->Collapse(word::wdCollapseStart);
      at->SetFormattedText(row->Range());
    } catch (const runtime::Error& error) {
      if (error.number() != runtime::kObjectDoesNotSupportProperty) throw;
      table.Rows()->Add(row);
      for (long k = 1, cells = table.Rows()->Item(r + 1)->Cells()->Count(); k <= cells; ++k) {
        auto fields = table.Cell(r + 1, k)->Range()->Fields();
        for (long f = 1, count = fields->Count(); f <= count; ++f) {
          auto field = fields->Item(f);
          if (field->Type() == word::wdFieldMergeField) appendField(table, r, k, field->Code()->Text());
        }
      }
    }
  }

  // Adds a merge field with `code` at the end of cell (row, k), before its end mark.
  void appendField(word::Table& table, long row, long k, const std::string& code) {
    const long end = table.Cell(row, k)->Range()->End() - 1;
    auto selection = ctx_.word().Selection();
    selection->SetRange(end, end);
    auto field = document()->Fields()->Add(selection->Range(), word::wdFieldMergeField, std::nullopt, true);
    field->Code()->SetText(code);
  }

  // Row r holds entry m: each field of a group gets that entry's name, or goes when its group has fewer
  // entries.
  void nameEntryFields(word::Table& table, long r, long m) {
    for (long k = 1, cells = table.Rows()->Item(r)->Cells()->Count(); k <= cells; ++k) {
      // The cell's fields are asked for anew after every field: naming one rewrites the cell.
      for (long f = 1;; ++f) {
        auto fields = table.Cell(r, k)->Range()->Fields();
        if (f > fields->Count()) break;
        runtime::resumeNext(
            [&] {
              auto field = fields->Item(f);
              const std::string group = groupOf(*field);
              if (group.empty()) return;
              if (m < countOf(group)) {
                field->Code()->SetText(entryCode(field->Code()->Text(), m));
              } else {
                field->Delete();
                --f;  // the next field moved into this place
              }
            },
            onError_);
      }
    }
  }

  AddinContext& ctx_;
  tallyweaveModule& m_;
  const std::function<void(const runtime::Error&)>& onError_;
};

}  // namespace

void expandRecordRows(AddinContext& ctx, const std::function<void(const runtime::Error&)>& onError) {
  RowExpander(ctx, onError).run();
}

}  // namespace tw::addin
