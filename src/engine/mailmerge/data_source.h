#pragma once

// Mail-merge data sources: the HTML tables and CSV files Word is handed, read into a DataTable, and
// the attachment of header and data sources to a main document.

#include <optional>
#include <string>
#include <string_view>

#include "engine/mailmerge/data_table.h"
#include "platform/sys/sys.h"
#include "platform/word/word.h"
#include "runtime/error.h"

namespace tw::engine::mailmerge {

constexpr long kWordDataSourceUnreadable = 5922;

// Word's "unable to open the data source" error, naming the file and what is wrong with it.
runtime::Error unreadableSource(const std::string& fileName, const std::string& reason);

// The rows of the first table of an HTML page (Windows-1252 bytes), one record per <TR> of that table
// (rows of tables nested in its cells do not count). Cell text is what a browser shows: blanks collapse,
// <BR> is a line break (11), paragraphs and divisions are separated by CR. A cell holding an <IMG> is a
// picture. Tags may be upper case, attributes unquoted or single-quoted, tags unbalanced. A page without a
// table is an unreadable source.
DataTable readHtmlTable(std::string_view bytes, const std::string& fileName);

// A CSV file as the text driver reads it (Windows-1252): the first line names the columns, fields are
// separated by commas, a field in double quotes may hold commas, line breaks and doubled quotes, lines
// end in CR LF or LF, blanks around unquoted fields go, empty lines are skipped. An unterminated quote is
// an unreadable source that says in which line the quote opened.
DataTable readCsv(std::string_view bytes, const std::string& fileName);

enum class SourceKind { Html, Csv };

// How Word would read a source opened with `args`: the text driver connection or a .csv/.txt name means
// CSV, otherwise HTML.
SourceKind sourceKindOf(const word::DataSourceArgs& args);

// The data attached to one main document: OpenHeaderSource then OpenDataSource, or OpenDataSource alone
// (its first row names the columns).
class MergeSources {
 public:
  // Reads the file through `system`; a missing file is Word's file-not-found error naming it, an
  // unreadable one error 5922. The previous attachment stays when reading fails.
  void openHeaderSource(sys::System& system, const word::DataSourceArgs& args);
  void openDataSource(sys::System& system, const word::DataSourceArgs& args);

  bool attached() const { return data_.has_value(); }
  // The records to merge; error 5922-like "no data source" when none is attached.
  const DataTable& table() const;
  const std::string& dataSourceName() const { return dataName_; }

 private:
  std::optional<DataTable> header_;
  std::optional<DataTable> data_;
  std::string dataName_;
};

}  // namespace tw::engine::mailmerge
