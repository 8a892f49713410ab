#pragma once

// The "Generic / Text Only" printer: plain Windows-1252 text with CR LF line ends, a form feed between
// pages, tables as aligned columns, long lines wrapped at blanks.

#include "engine/print/printer.h"

namespace tw::engine::print {

struct TextPrinterOptions {
  size_t lineWidth = 80;  // characters per line; 0 leaves lines as long as they are
  size_t tabWidth = 8;    // a tab moves to the next multiple of this column
  size_t columnGap = 2;   // blanks between table columns
};

class TextOnlyPrinter : public Printer {
 public:
  explicit TextOnlyPrinter(TextPrinterOptions options = {}) : options_(options) {}
  std::string name() const override { return "Generic / Text Only"; }
  std::string render(const PrintLayout& layout) const override;

 private:
  TextPrinterOptions options_;
};

}  // namespace tw::engine::print
