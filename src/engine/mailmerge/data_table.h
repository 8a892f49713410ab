#pragma once

// The records a mail merge reads: column names and rows of cells. A cell is text (Windows-1252) or a
// picture. Cells live back to back in one buffer, so a large source costs little more than its text.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tw::engine::mailmerge {

// A picture cell: an <IMG> of an HTML source. Width and height as the tag gives them, in pixels.
struct PictureValue {
  std::string path;
  std::optional<int> width;
  std::optional<int> height;

  bool operator==(const PictureValue&) const = default;
};

class DataTable {
 public:
  const std::vector<std::string>& columns() const { return columns_; }
  void setColumns(std::vector<std::string> columns);
  // The column of `name`, compared without regard to case as Word maps merge fields; the first of equal
  // names wins.
  std::optional<size_t> columnIndex(std::string_view name) const;

  size_t recordCount() const { return rowStarts_.size(); }
  // The cells the source gave for a record (may be fewer or more than the columns).
  size_t cellCount(size_t record) const;
  // A missing cell (a short row, a column past the row) reads as empty text.
  std::string_view text(size_t record, size_t column) const;
  const PictureValue* picture(size_t record, size_t column) const;

  // Room for `textBytes` of cell text, so a reader that knows its source's size grows the buffer once.
  void reserveText(size_t textBytes) { text_.reserve(textBytes); }
  // Building: a row is begun, filled cell by cell, and is complete at the next beginRecord.
  void beginRecord();
  void addCell(std::string_view text);
  void addPicture(PictureValue picture);

  // Makes the first record the column names (an empty name becomes F1, F2, ... by position) and drops it.
  void takeHeaderRow();

 private:
  // Eight bytes a cell: a table holds at most 4 GB of text.
  struct Cell {
    std::uint32_t offset;
    std::uint32_t length;
  };
  std::optional<size_t> cellIndex(size_t record, size_t column) const;

  std::vector<std::string> columns_;
  std::unordered_map<std::string, size_t> columnByName_;  // lower-case name, first column of that name
  std::string text_;
  std::vector<Cell> cells_;
  std::vector<size_t> rowStarts_;                      // index of each record's first cell
  std::unordered_map<size_t, PictureValue> pictures_;  // by cell index
};

// Word's combination of a header source and a data source: the names come from the header's first row,
// every row of the data source is a record.
DataTable combineHeaderAndData(const DataTable& header, DataTable data);

}  // namespace tw::engine::mailmerge
