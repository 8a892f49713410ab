#pragma once

// Printing: a document laid out as pages of blocks, and printers that turn a layout into the bytes a
// printer driver writes to a file.

#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "platform/sys/sys.h"

namespace tw::engine::print {

enum class Underline { kNone, kSingle, kDouble };

// A stretch of a paragraph in one format. The text is UTF-8 as the document stores it; TAB is a tab, VT a
// line break and FF a page break.
struct TextRun {
  std::string text;
  bool bold = false;
  bool italic = false;
  double size = 11;  // points
  std::string font;  // family; empty: the printer's default
  Underline underline = Underline::kNone;

  bool sameFormat(const TextRun& other) const {
    return bold == other.bold && italic == other.italic && size == other.size && font == other.font &&
           underline == other.underline;
  }
  bool operator==(const TextRun&) const = default;
};

// A picture in the line of text: the image file's bytes and its size on the page in points.
struct PictureRun {
  std::string bytes;
  double width = 0;
  double height = 0;

  bool operator==(const PictureRun&) const = default;
};

using Run = std::variant<TextRun, PictureRun>;

enum class Alignment { kLeft, kCenter, kRight, kJustify };

// How far apart a paragraph's lines stand: a multiple of their own height, exactly a height, or at least
// one.
enum class LineRule { kMultiple, kExact, kAtLeast };

struct ParagraphSpacing {
  double before = 0;  // points above the paragraph
  double after = 0;   // points below it
  LineRule rule = LineRule::kMultiple;
  double line = 1;  // lines for kMultiple, else points

  bool operator==(const ParagraphSpacing&) const = default;
};

// A paragraph: its text as Word's text-only driver sees it (Windows-1252; CR inside starts a new line, as
// do VT (a line break) and FF (a page break, which also starts a new page); TAB is a tab), and the same
// paragraph with its formatting and pictures for printers that draw. Without runs a drawing printer
// prints the text unformatted. `mark` is the format of the paragraph mark (its text unused), which sets the
// height of an empty paragraph.
struct ParagraphBlock {
  ParagraphBlock() = default;
  ParagraphBlock(std::string plainText, std::vector<Run> formatted = {},
                 Alignment paragraphAlignment = Alignment::kLeft)
      : text(std::move(plainText)), runs(std::move(formatted)), alignment(paragraphAlignment) {}

  std::string text;
  std::vector<Run> runs;
  Alignment alignment = Alignment::kLeft;
  ParagraphSpacing spacing;
  TextRun mark;

  bool operator==(const ParagraphBlock&) const = default;
};

// A table: rows of cell texts (a cell's text may hold several lines, CR or VT between them) for the text
// driver; the cells' paragraphs, the column widths in points and whether the cells have borders for
// printers that draw.
struct TableBlock {
  TableBlock() = default;
  TableBlock(std::vector<std::vector<std::string>> cellTexts) : rows(std::move(cellTexts)) {}

  std::vector<std::vector<std::string>> rows;
  std::vector<std::vector<std::vector<ParagraphBlock>>> cells;
  std::vector<double> columnWidths;
  bool borders = false;

  bool operator==(const TableBlock&) const = default;
};

using Block = std::variant<ParagraphBlock, TableBlock>;

// Paper and margins of a section, in points (A4 with Word's default margins unless the section says
// otherwise).
struct PageGeometry {
  double width = 595.3;
  double height = 841.9;
  double top = 72;
  double right = 72;
  double bottom = 72;
  double left = 72;
  double header = 35.4;  // from the top edge to the header
  double footer = 35.4;  // from the bottom edge to the footer

  bool operator==(const PageGeometry&) const = default;
};

// One section: its header, body and footer, and its page geometry. The text driver prints a section as one
// page; a drawing printer flows the body over as many pages as it needs.
struct PrintPage {
  PrintPage() = default;
  PrintPage(std::vector<Block> headerBlocks, std::vector<Block> bodyBlocks, std::vector<Block> footerBlocks,
            PageGeometry pageGeometry = {})
      : header(std::move(headerBlocks)),
        body(std::move(bodyBlocks)),
        footer(std::move(footerBlocks)),
        geometry(pageGeometry) {}

  std::vector<Block> header;
  std::vector<Block> body;
  std::vector<Block> footer;
  PageGeometry geometry;

  bool operator==(const PrintPage&) const = default;
};

struct PrintLayout {
  std::string title;  // the document's name, for drivers that label their output
  std::vector<PrintPage> pages;

  bool operator==(const PrintLayout&) const = default;
};

class Printer {
 public:
  virtual ~Printer() = default;
  // The printer's name as Word lists it.
  virtual std::string name() const = 0;
  // The bytes the driver produces for `layout`.
  virtual std::string render(const PrintLayout& layout) const = 0;
};

// PrintOut with PrintToFile: renders `layout` and writes it to `outputFileName` through `system`, whole or
// not at all (a printer file half written would look like a finished one).
void printToFile(const Printer& printer, const PrintLayout& layout, sys::System& system,
                 const std::string& outputFileName);

}  // namespace tw::engine::print
