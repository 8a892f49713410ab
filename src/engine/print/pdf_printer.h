#pragma once

// A printer whose driver writes PDF ("Microsoft Print to PDF"): the pages drawn with real fonts through
// cairo and pango.

#include "engine/print/printer.h"

namespace tw::engine::print {

class PdfPrinter : public Printer {
 public:
  std::string name() const override { return "Microsoft Print to PDF"; }
  std::string render(const PrintLayout& layout) const override;
};

}  // namespace tw::engine::print
