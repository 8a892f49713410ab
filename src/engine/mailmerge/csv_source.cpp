#include "engine/mailmerge/data_source.h"

namespace tw::engine::mailmerge {
namespace {

bool isBlank(char c) {
  return c == ' ' || c == '\t';
}

class CsvReader {
 public:
  CsvReader(std::string_view bytes, const std::string& fileName) : bytes_(bytes), fileName_(fileName) {}

  DataTable read() {
    table_.reserveText(bytes_.size());  // the cells never hold more than the file
    while (pos_ < bytes_.size()) readLine();
    table_.takeHeaderRow();
    return std::move(table_);
  }

 private:
  void readLine() {
    if (atLineEnd()) {  // an empty line
      skipLineEnd();
      return;
    }
    table_.beginRecord();
    while (true) {
      readField();
      if (pos_ < bytes_.size() && bytes_[pos_] == ',') {
        ++pos_;
        continue;
      }
      skipLineEnd();
      return;
    }
  }

  void readField() {
    field_.clear();
    while (pos_ < bytes_.size() && isBlank(bytes_[pos_])) ++pos_;
    if (pos_ < bytes_.size() && bytes_[pos_] == '"') {
      readQuoted();
      // Text after the closing quote joins the field, as the driver is lenient about it.
      size_t start = pos_;
      while (pos_ < bytes_.size() && bytes_[pos_] != ',' && !atLineEnd()) ++pos_;
      std::string_view tail = trimmed(bytes_.substr(start, pos_ - start));
      field_.append(tail);
      table_.addCell(field_);
      return;
    }
    size_t start = pos_;
    while (pos_ < bytes_.size() && bytes_[pos_] != ',' && !atLineEnd()) ++pos_;
    table_.addCell(trimmed(bytes_.substr(start, pos_ - start)));
  }

  void readQuoted() {
    size_t openedAt = line_;
    ++pos_;
    while (true) {
      size_t quote = bytes_.find('"', pos_);
      if (quote == std::string_view::npos) {
        throw unreadableSource(fileName_, "the quoted text that starts in line " + std::to_string(openedAt) +
                                              " has no closing quote");
      }
      std::string_view part = bytes_.substr(pos_, quote - pos_);
      for (char c : part) line_ += c == '\n';
      field_.append(part);
      pos_ = quote + 1;
      if (pos_ < bytes_.size() && bytes_[pos_] == '"') {
        field_ += '"';
        ++pos_;
        continue;
      }
      return;
    }
  }

  static std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
  }

  bool atLineEnd() const { return pos_ < bytes_.size() && (bytes_[pos_] == '\r' || bytes_[pos_] == '\n'); }

  void skipLineEnd() {
    if (pos_ < bytes_.size() && bytes_[pos_] == '\r') ++pos_;
    if (pos_ < bytes_.size() && bytes_[pos_] == '\n') ++pos_;
    ++line_;
  }

  std::string_view bytes_;
  const std::string& fileName_;
  size_t pos_ = 0;
  size_t line_ = 1;
  std::string field_;
  DataTable table_;
};

}  // namespace

DataTable readCsv(std::string_view bytes, const std::string& fileName) {
  return CsvReader(bytes, fileName).read();
}

}  // namespace tw::engine::mailmerge
