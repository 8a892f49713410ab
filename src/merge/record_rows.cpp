#include "merge/record_rows.h"

#include <algorithm>
#include <string>

#include "context/addin_context.h"
#include "runtime/text.h"

namespace tw::addin {
namespace {

// What a merge field's code says after its keyword: "bedrag \# "#.##0,00"", and the name in it.
struct FieldSpec {
  std::string spec;
  std::string name;
};

FieldSpec specOf(const std::string& code) {
  std::string_view trimmed = runtime::Trim(code);
  FieldSpec result;
  result.spec = std::string(runtime::Trim(trimmed.size() > 11 ? trimmed.substr(11) : std::string_view()));
  result.name = result.spec.substr(0, result.spec.find(' '));
  return result;
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
  std::shared_ptr<word::Table> table(long i) { return document()->Tables()->Item(i); }

  // The entry count of a group: the leading number of its count text, as a whole number of 32 bits (a
  // group may hold more lines than a 16-bit Integer counts).
  runtime::Long countOf(const std::string& group) {
    return runtime::toLong(runtime::Val(m_.recordCounts.item(group)));
  }

  // The rows a template row must span: the largest count among the groups of its fields. Rows of
  // several groups are shared, so every group's entries stand side by side.
  long blockRowsOf(word::Table& table, long r) {
    long block = 1;
    auto cells = table.Rows()->Item(r)->Cells();
    for (long k = 1, cellCount = cells->Count(); k <= cellCount; ++k) {
      auto fields = table.Cell(r, k)->Range()->Fields();
      for (long f = 1, count = fields->Count(); f <= count; ++f) {
        // A field whose count cannot be read fails again, and is reported, when it is expanded.
        runtime::resumeNext([&] {
          auto field = fields->Item(f);
          if (field->Type() != word::wdFieldMergeField) return;
          std::string name = specOf(field->Code()->Text()).name;
          if (!m_.recordOfField.contains(name)) return;
          const std::string& group = m_.recordOfField.item(name);
          block = std::max<long>(block, countOf(group));
        });
      }
    }
    return block;
  }

  void expandTable(long i) {
    // The handle follows its table through the rows added to it.
    auto table = this->table(i);
    long rowsAdded = 0;
    long rows = table->Rows()->Count();
    for (long j = 1; j <= rows; ++j) {
      long r = j + rowsAdded;
      const long top = r;
      // Every template row gets rows of its own, also for a group that an earlier row already expanded.
      expanded_.clear();
      long rowsInBlock = 1;
      long blockRows = blockRowsOf(*table, r);
      long cells = table->Rows()->Item(r)->Cells()->Count();
      for (long k = 1; k <= cells; ++k) {
        // The cell's fields are asked for anew after every field: expanding one adds and removes fields.
        for (long f = 1;; ++f) {
          auto cellFields = table->Cell(r, k)->Range()->Fields();
          if (f > cellFields->Count()) break;
          runtime::resumeNext(
              [&] {
                auto field = cellFields->Item(f);
                if (field->Type() != word::wdFieldMergeField) return;
                FieldSpec spec = specOf(field->Code()->Text());
                if (!m_.recordOfField.contains(spec.name)) return;
                const std::string group = m_.recordOfField.item(spec.name);
                const runtime::Long count = countOf(group);
                if (!expanded_.contains(group)) expanded_.add(group, "0");
                if (runtime::Val(expanded_.item(group)) < count) {
                  long inserted = std::max<long>(0, std::max<long>(count, blockRows) - rowsInBlock);
                  for (long m = 0; m < inserted; ++m) table->Rows()->Add(table->Rows()->Item(r + m));
                  expanded_.replace(group, std::to_string(count));
                  rowsInBlock += inserted;
                  r += inserted;
                  rowsAdded += inserted;
                }
                // The template row, now the last of its block, keeps the field where it stands, renamed;
                // the new rows get theirs after what they hold, so fields keep their order.
                bool renamedInPlace = false;
                for (long m = 0; m < count; ++m) {
                  if (top + m == r) {
                    field->Code()->SetText(entryCode(spec, m));
                    renamedInPlace = true;
                  } else {
                    appendField(*table, top + m, k, spec, m);
                  }
                }
                if (!renamedInPlace) {
                  field->Delete();
                  // The next field moved into this place.
                  --f;
                }
              },
              onError_);
        }
      }
    }
  }

  static std::string entryCode(const FieldSpec& spec, long m) {
    return "MERGEFIELD " + spec.name + "_" + std::to_string(m) + " " + spec.spec.substr(spec.name.size());
  }

  // Adds the field of entry m at the end of cell (row, k), before its end mark.
  void appendField(word::Table& table, long row, long k, const FieldSpec& spec, long m) {
    const long end = table.Cell(row, k)->Range()->End() - 1;
    auto selection = ctx_.word().Selection();
    selection->SetRange(end, end);
    auto field = document()->Fields()->Add(selection->Range(), word::wdFieldMergeField, std::nullopt, true);
    field->Code()->SetText(entryCode(spec, m));
  }

  AddinContext& ctx_;
  tallyweaveModule& m_;
  const std::function<void(const runtime::Error&)>& onError_;
  runtime::KeyedCollection<std::string> expanded_;
};

}  // namespace

void expandRecordRows(AddinContext& ctx, const std::function<void(const runtime::Error&)>& onError) {
  RowExpander(ctx, onError).run();
}

}  // namespace tw::addin
