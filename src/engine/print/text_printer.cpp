#include "engine/print/text_printer.h"

#include <algorithm>

namespace tw::engine::print {
namespace {

constexpr const char* kLineEnd = "\r\n";
constexpr char kFormFeed = '\f';

bool isLineBreak(char c) {
  return c == '\r' || c == '\n' || c == '\v';
}

// One line as the printer prints it: tabs expanded, Word's special characters made printable, control
// characters dropped, trailing blanks gone.
std::string printable(std::string_view line, size_t tabWidth) {
  std::string out;
  for (char c : line) {
    auto u = static_cast<unsigned char>(c);
    if (c == '\t') {
      size_t width = tabWidth ? tabWidth : 1;
      out.append(width - out.size() % width, ' ');
    } else if (u == 0x1E) {
      out += '-';  // non-breaking hyphen
    } else if (u == 0xA0) {
      out += ' ';  // non-breaking space
    } else if (u >= 0x20) {
      out += c;
    }
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

std::vector<std::string> splitLines(std::string_view text) {
  std::vector<std::string> lines(1);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    if (isLineBreak(text[i]))
      lines.emplace_back();
    else
      lines.back() += text[i];
  }
  return lines;
}

class PageWriter {
 public:
  explicit PageWriter(const TextPrinterOptions& options) : options_(options) {}

  void pageBreak() { out_ += kFormFeed; }

  void block(const Block& block) {
    if (const auto* paragraph = std::get_if<ParagraphBlock>(&block))
      writeParagraph(paragraph->text);
    else
      writeTable(std::get<TableBlock>(block));
  }

  std::string take() { return std::move(out_); }

 private:
  void writeParagraph(std::string_view text) {
    // A page break character starts a new page within the paragraph.
    size_t start = 0;
    while (true) {
      size_t pageBreakAt = text.find(kFormFeed, start);
      std::string_view part = text.substr(
          start, pageBreakAt == std::string_view::npos ? std::string_view::npos : pageBreakAt - start);
      for (const std::string& line : splitLines(part)) writeWrapped(printable(line, options_.tabWidth));
      if (pageBreakAt == std::string_view::npos) return;
      pageBreak();
      start = pageBreakAt + 1;
    }
  }

  void writeWrapped(std::string_view line) {
    size_t width = options_.lineWidth;
    while (width && line.size() > width) {
      size_t cut = line.rfind(' ', width);
      size_t next = cut;
      if (cut == std::string_view::npos || cut == 0) {
        cut = next = width;  // no blank to break at: break inside the word
      } else {
        ++next;
      }
      std::string_view head = line.substr(0, cut);
      while (!head.empty() && head.back() == ' ') head.remove_suffix(1);
      writeLine(head);
      line = line.substr(next);
    }
    writeLine(line);
  }

  void writeLine(std::string_view line) {
    out_.append(line);
    out_ += kLineEnd;
  }

  void writeTable(const TableBlock& table) {
    size_t columns = 0;
    for (const auto& row : table.rows) columns = std::max(columns, row.size());
    std::vector<std::vector<std::vector<std::string>>> cells;  // row, column, line
    std::vector<size_t> widths(columns, 0);
    for (const auto& row : table.rows) {
      auto& lines = cells.emplace_back(columns);
      for (size_t c = 0; c < row.size(); ++c) {
        for (const std::string& line : splitLines(row[c])) {
          lines[c].push_back(printable(line, options_.tabWidth));
          widths[c] = std::max(widths[c], lines[c].back().size());
        }
      }
    }
    for (const auto& row : cells) {
      size_t height = 1;
      for (const auto& cell : row) height = std::max(height, cell.size());
      for (size_t l = 0; l < height; ++l) {
        std::string line;
        for (size_t c = 0; c < columns; ++c) {
          std::string_view text = l < row[c].size() ? std::string_view(row[c][l]) : std::string_view();
          line.append(text);
          if (c + 1 < columns) line.append(widths[c] - text.size() + options_.columnGap, ' ');
        }
        while (!line.empty() && line.back() == ' ') line.pop_back();
        writeLine(line);
      }
    }
  }

  const TextPrinterOptions& options_;
  std::string out_;
};

}  // namespace

std::string TextOnlyPrinter::render(const PrintLayout& layout) const {
  PageWriter writer(options_);
  for (size_t p = 0; p < layout.pages.size(); ++p) {
    if (p > 0) writer.pageBreak();
    const PrintPage& page = layout.pages[p];
    for (const auto* part : {&page.header, &page.body, &page.footer}) {
      for (const Block& block : *part) writer.block(block);
    }
  }
  return writer.take();
}

void printToFile(const Printer& printer, const PrintLayout& layout, sys::System& system,
                 const std::string& outputFileName) {
  system.ReplaceFile(outputFileName, printer.render(layout));
}

}  // namespace tw::engine::print
