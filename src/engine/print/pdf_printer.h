#pragma once

// A printer whose driver writes PDF ("Microsoft Print to PDF"): the pages drawn with real fonts through
// cairo and pango.

#include "engine/print/printer.h"

namespace tw::engine::print {

class PdfPrinter : public Printer {
 public:
  static constexpr const char* kName = "Microsoft Print to PDF";
  std::string name() const override { return kName; }
  std::string render(const PrintLayout& layout) const override;
};

}  // namespace tw::engine::print
