#include "engine/mailmerge/data_source.h"

#include "engine/errors.h"
#include "runtime/text.h"

namespace tw::engine::mailmerge {
namespace {

bool endsWithIgnoreCase(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() &&
         runtime::equalsTextCompare(text.substr(text.size() - tail.size()), tail);
}

bool containsIgnoreCase(std::string_view text, std::string_view part) {
  for (size_t i = 0; i + part.size() <= text.size(); ++i) {
    if (runtime::equalsTextCompare(text.substr(i, part.size()), part)) return true;
  }
  return false;
}

DataTable readSource(sys::System& system, const word::DataSourceArgs& args) {
  std::string bytes;
  try {
    bytes = system.ReadFile(args.name);
  } catch (const runtime::Error& error) {
    // Only a failure asks whether the file is there at all.
    if (!system.PathExists(args.name)) {
      throw wordError(
          kWordFileNotFound,
          "Sorry, we couldn't find your file. Was it moved, renamed, or deleted?\n(" + args.name + ")");
    }
    throw unreadableSource(args.name, error.description());
  }
  return sourceKindOf(args) == SourceKind::Csv ? readCsv(bytes, args.name) : readHtmlTable(bytes, args.name);
}

}  // namespace

runtime::Error unreadableSource(const std::string& fileName, const std::string& reason) {
  return wordError(kWordDataSourceUnreadable,
                   "Word was unable to open the data source.\n(" + fileName + ": " + reason + ")");
}

SourceKind sourceKindOf(const word::DataSourceArgs& args) {
  if (args.connection && containsIgnoreCase(*args.connection, "Text Driver")) return SourceKind::Csv;
  if (endsWithIgnoreCase(args.name, ".csv") || endsWithIgnoreCase(args.name, ".txt")) return SourceKind::Csv;
  return SourceKind::Html;
}

void MergeSources::openHeaderSource(sys::System& system, const word::DataSourceArgs& args) {
  DataTable header = readSource(system, args);
  header_ = std::move(header);
  // A data source attached earlier is read again against the new names.
  data_.reset();
}

void MergeSources::openDataSource(sys::System& system, const word::DataSourceArgs& args) {
  DataTable rows = readSource(system, args);
  if (header_ && sourceKindOf(args) == SourceKind::Html) {
    data_ = combineHeaderAndData(*header_, std::move(rows));
  } else {
    if (sourceKindOf(args) == SourceKind::Html) rows.takeHeaderRow();
    data_ = std::move(rows);
  }
  dataName_ = args.name;
}

const DataTable& MergeSources::table() const {
  if (!data_) throw wordError(kWordDataSourceUnreadable, "Word was unable to open the data source.");
  return *data_;
}

}  // namespace tw::engine::mailmerge
