#include "engine/mailmerge/data_table.h"

#include <limits>

#include "engine/mailmerge/text_case.h"
#include "runtime/error.h"

namespace tw::engine::mailmerge {

void DataTable::setColumns(std::vector<std::string> columns) {
  columns_ = std::move(columns);
  columnByName_.clear();
  for (size_t i = 0; i < columns_.size(); ++i) columnByName_.try_emplace(toLower(columns_[i]), i);
}

std::optional<size_t> DataTable::columnIndex(std::string_view name) const {
  auto found = columnByName_.find(toLower(name));
  if (found == columnByName_.end()) return std::nullopt;
  return found->second;
}

size_t DataTable::cellCount(size_t record) const {
  if (record >= rowStarts_.size()) return 0;
  size_t end = record + 1 < rowStarts_.size() ? rowStarts_[record + 1] : cells_.size();
  return end - rowStarts_[record];
}

std::optional<size_t> DataTable::cellIndex(size_t record, size_t column) const {
  if (column >= cellCount(record)) return std::nullopt;
  return rowStarts_[record] + column;
}

std::string_view DataTable::text(size_t record, size_t column) const {
  auto index = cellIndex(record, column);
  if (!index) return {};
  const Cell& cell = cells_[*index];
  return std::string_view(text_).substr(cell.offset, cell.length);
}

const PictureValue* DataTable::picture(size_t record, size_t column) const {
  auto index = cellIndex(record, column);
  if (!index) return nullptr;
  auto found = pictures_.find(*index);
  return found == pictures_.end() ? nullptr : &found->second;
}

void DataTable::beginRecord() {
  rowStarts_.push_back(cells_.size());
}

void DataTable::addCell(std::string_view text) {
  if (rowStarts_.empty()) beginRecord();
  if (text_.size() + text.size() > std::numeric_limits<std::uint32_t>::max())
    throw runtime::Error::fromNumber(runtime::kOutOfMemory);
  cells_.push_back(Cell{static_cast<std::uint32_t>(text_.size()), static_cast<std::uint32_t>(text.size())});
  text_.append(text);
}

void DataTable::addPicture(PictureValue picture) {
  addCell("");
  pictures_.emplace(cells_.size() - 1, std::move(picture));
}

void DataTable::takeHeaderRow() {
  std::vector<std::string> names;
  for (size_t i = 0; !rowStarts_.empty() && i < cellCount(0); ++i) {
    std::string name(text(0, i));
    names.push_back(name.empty() ? "F" + std::to_string(i + 1) : name);
  }
  setColumns(std::move(names));
  if (rowStarts_.empty()) return;
  // The header's cells stay in the buffers; only the row goes.
  rowStarts_.erase(rowStarts_.begin());
}

DataTable combineHeaderAndData(const DataTable& header, DataTable data) {
  DataTable names = header;
  names.takeHeaderRow();
  data.setColumns(names.columns());
  return data;
}

}  // namespace tw::engine::mailmerge
