#pragma once

// Printing: a document laid out as pages of blocks, and printers that turn a layout into the bytes a
// printer driver writes to a file.

#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "platform/sys/sys.h"

namespace tw::engine::print {

// A paragraph's text (Windows-1252). CR inside starts a new line, as do VT (a line break) and FF (a page
// break, which also starts a new page); TAB is a tab.
struct ParagraphBlock {
  std::string text;
};

// A table as rows of cell texts; a cell's text may hold several lines (CR or VT between them).
struct TableBlock {
  std::vector<std::vector<std::string>> rows;
};

using Block = std::variant<ParagraphBlock, TableBlock>;

// One printed page or section: its header, body and footer.
struct PrintPage {
  std::vector<Block> header;
  std::vector<Block> body;
  std::vector<Block> footer;
};

struct PrintLayout {
  std::string title;  // the document's name, for drivers that label their output
  std::vector<PrintPage> pages;
};

class Printer {
 public:
  virtual ~Printer() = default;
  // The printer's name as Word lists it.
  virtual std::string name() const = 0;
  // The bytes the driver produces for `layout`.
  virtual std::string render(const PrintLayout& layout) const = 0;
};

// PrintOut with PrintToFile: renders `layout` and writes it to `outputFileName` through `system`.
void printToFile(const Printer& printer, const PrintLayout& layout, sys::System& system,
                 const std::string& outputFileName);

}  // namespace tw::engine::print
