#pragma once

#include <string_view>

namespace tw::runtime {

// Reads a text line by line the way a sequential file is read for input: a line ends at CR or at
// CR LF; a lone LF belongs to the line. The lines are views into the text, so a very long line costs
// no copy.
class LineReader {
 public:
  explicit LineReader(std::string_view text) : text_(text) {}

  // False at the end of the text; otherwise `line` is the next line without its end.
  bool next(std::string_view& line);
  bool atEnd() const { return pos_ >= text_.size(); }

 private:
  std::string_view text_;
  size_t pos_ = 0;
};

}  // namespace tw::runtime
