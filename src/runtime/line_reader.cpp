#include "runtime/line_reader.h"

namespace tw::runtime {

bool LineReader::next(std::string_view& line) {
  if (atEnd()) return false;
  size_t end = text_.find('\r', pos_);
  if (end == std::string_view::npos) {
    line = text_.substr(pos_);
    pos_ = text_.size();
    return true;
  }
  line = text_.substr(pos_, end - pos_);
  pos_ = end + 1;
  if (pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
  return true;
}

}  // namespace tw::runtime
