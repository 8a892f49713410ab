#include "engine/print/pdf_printer.h"

#include <cairo-pdf.h>
#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "runtime/codepage.h"

namespace tw::engine::print {
namespace {

// The font Word documents default to, then metric-compatible and common stand-ins fontconfig may have.
constexpr const char* kDefaultFamilies = "Calibri,Carlito,Liberation Sans,DejaVu Sans";
constexpr double kDefaultSize = 11;
// Word's default cell margins (0.19 cm) and border width.
constexpr double kCellPadding = 5.4;
constexpr double kBorderWidth = 0.5;
constexpr const char* kObjectReplacement = "\xEF\xBF\xBC";  // U+FFFC, where a picture sits in the text
constexpr std::string_view kPngSignature = "\x89PNG\r\n\x1A\n";
constexpr const char* kLineSeparator = "\xE2\x80\xA8";  // U+2028, a line break inside a paragraph

struct CairoDestroy {
  void operator()(cairo_t* cr) const { cairo_destroy(cr); }
  void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
struct GObjectUnref {
  void operator()(void* object) const { g_object_unref(object); }
};
struct PangoFree {
  void operator()(PangoAttrList* list) const { pango_attr_list_unref(list); }
  void operator()(PangoFontDescription* font) const { pango_font_description_free(font); }
  void operator()(PangoLayoutIter* iter) const { pango_layout_iter_free(iter); }
};
using Cairo = std::unique_ptr<cairo_t, CairoDestroy>;
using Surface = std::unique_ptr<cairo_surface_t, CairoDestroy>;
using Layout = std::unique_ptr<PangoLayout, GObjectUnref>;
using Context = std::unique_ptr<PangoContext, GObjectUnref>;
using AttrList = std::unique_ptr<PangoAttrList, PangoFree>;
using FontDescription = std::unique_ptr<PangoFontDescription, PangoFree>;
using LayoutIter = std::unique_ptr<PangoLayoutIter, PangoFree>;

cairo_status_t appendTo(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

struct ByteReader {
  const std::string& bytes;
  size_t position = 0;
};

cairo_status_t readFrom(void* closure, unsigned char* data, unsigned int length) {
  auto* reader = static_cast<ByteReader*>(closure);
  if (reader->bytes.size() - reader->position < length) return CAIRO_STATUS_READ_ERROR;
  std::memcpy(data, reader->bytes.data() + reader->position, length);
  reader->position += length;
  return CAIRO_STATUS_SUCCESS;
}

// A paragraph's runs split at its page breaks: each part after the first starts a page.
std::vector<std::vector<Run>> partsOf(const ParagraphBlock& paragraph) {
  std::vector<Run> runs = paragraph.runs;
  if (runs.empty()) {
    std::string text = runtime::cp1252ToUtf8(paragraph.text);
    std::replace(text.begin(), text.end(), '\r', '\v');
    TextRun plain;
    plain.text = std::move(text);
    runs.emplace_back(std::move(plain));
  }
  std::vector<std::vector<Run>> parts(1);
  for (Run& run : runs) {
    auto* text = std::get_if<TextRun>(&run);
    if (!text) {
      parts.back().push_back(std::move(run));
      continue;
    }
    size_t start = 0;
    for (size_t feed; (feed = text->text.find('\f', start)) != std::string::npos; start = feed + 1) {
      TextRun before = *text;
      before.text = text->text.substr(start, feed - start);
      if (!before.text.empty()) parts.back().emplace_back(std::move(before));
      parts.emplace_back();
    }
    TextRun rest = *text;
    rest.text = text->text.substr(start);
    if (!rest.text.empty()) parts.back().emplace_back(std::move(rest));
  }
  return parts;
}

// The families a run's font asks for: its own first, then the printer's defaults for glyphs it lacks.
std::string familiesOf(const TextRun& format) {
  return format.font.empty() ? kDefaultFamilies : format.font + "," + kDefaultFamilies;
}

// Where a line sits in its paragraph, below the space before it.
struct LinePlace {
  double top = 0;
  double height = 0;    // the line's share of the paragraph, as its line spacing makes it
  double baseline = 0;  // from the top of the paragraph's lines
};

// A paragraph part laid out for one width, with the pictures that sit in its text.
struct LaidOutParagraph {
  Layout layout;
  std::vector<std::pair<int, PictureRun>> pictures;  // byte index in the text, picture
  std::vector<LinePlace> lines;
  double before = 0;  // space above the first line
  double height = 0;  // with the space before and after
};

// The height a line takes: its own (the tallest font and picture in it) spaced as the paragraph says.
double spacedHeight(double natural, const ParagraphSpacing& spacing) {
  switch (spacing.rule) {
    case LineRule::kExact:
      return spacing.line;
    case LineRule::kAtLeast:
      return std::max(natural, spacing.line);
    case LineRule::kMultiple:
      break;
  }
  return natural * spacing.line;
}

class PdfDocument {
 public:
  explicit PdfDocument(std::string& out)
      : surface_(cairo_pdf_surface_create_for_stream(appendTo, &out, 595.3, 841.9)),
        cr_(cairo_create(surface_.get())),
        pango_(pango_cairo_create_context(cr_.get())) {
    // Points are the surface's unit, so font sizes are points too.
    pango_cairo_context_set_resolution(pango_.get(), 72);
  }

  void section(const PrintPage& page) {
    page_ = &page;
    newPage();
    for (const Block& block : page.body) drawBlock(block, page.geometry.left, contentWidth(), true);
  }

  void finish() {
    if (pageOpen_) cairo_show_page(cr_.get());
    cairo_surface_finish(surface_.get());
  }

 private:
  double contentWidth() const { return page_->geometry.width - page_->geometry.left - page_->geometry.right; }

  void newPage() {
    const PageGeometry& g = page_->geometry;
    if (pageOpen_) cairo_show_page(cr_.get());
    pageOpen_ = true;
    cairo_pdf_surface_set_size(surface_.get(), g.width, g.height);
    // The header and footer push the body away from them when they are taller than the margins.
    double headerBottom = g.header + blocksHeight(page_->header);
    double footerHeight = blocksHeight(page_->footer);
    double y = g.header;
    for (const Block& block : page_->header) y = drawBlockAt(block, g.left, contentWidth(), y);
    y = g.height - g.footer - footerHeight;
    for (const Block& block : page_->footer) y = drawBlockAt(block, g.left, contentWidth(), y);
    top_ = std::max(g.top, headerBottom);
    bottom_ = std::min(g.height - g.bottom, g.height - g.footer - footerHeight);
    y_ = top_;
  }

  // Lays out a part of `paragraph`; the space before belongs to its first part, the space after to its last.
  LaidOutParagraph layOut(const std::vector<Run>& runs, const ParagraphBlock& paragraph, double width,
                          bool first, bool last) {
    LaidOutParagraph result{Layout(pango_layout_new(pango_.get())), {}, {}, 0, 0};
    PangoLayout* layout = result.layout.get();
    const Alignment alignment = paragraph.alignment;
    // The paragraph mark's font: the height of an empty line.
    FontDescription font(pango_font_description_new());
    pango_font_description_set_family(font.get(), familiesOf(paragraph.mark).c_str());
    double markSize = paragraph.mark.size > 0 ? paragraph.mark.size : kDefaultSize;
    pango_font_description_set_size(font.get(), static_cast<int>(markSize * PANGO_SCALE));
    pango_layout_set_font_description(layout, font.get());
    pango_layout_set_width(layout, static_cast<int>(std::max(width, 1.0) * PANGO_SCALE));
    pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
    pango_layout_set_alignment(layout, alignment == Alignment::kCenter  ? PANGO_ALIGN_CENTER
                                       : alignment == Alignment::kRight ? PANGO_ALIGN_RIGHT
                                                                        : PANGO_ALIGN_LEFT);
    pango_layout_set_justify(layout, alignment == Alignment::kJustify);

    std::string text;
    AttrList attributes(pango_attr_list_new());
    auto add = [&](PangoAttribute* attribute, size_t start) {
      attribute->start_index = static_cast<guint>(start);
      attribute->end_index = static_cast<guint>(text.size());
      pango_attr_list_insert(attributes.get(), attribute);
    };
    for (const Run& run : runs) {
      size_t start = text.size();
      if (const auto* picture = std::get_if<PictureRun>(&run)) {
        text += kObjectReplacement;
        PangoRectangle box{0, static_cast<int>(-picture->height * PANGO_SCALE),
                           static_cast<int>(picture->width * PANGO_SCALE),
                           static_cast<int>(picture->height * PANGO_SCALE)};
        add(pango_attr_shape_new(&box, &box), start);
        result.pictures.emplace_back(static_cast<int>(start), *picture);
        continue;
      }
      const auto& textRun = std::get<TextRun>(run);
      for (char c : textRun.text) {
        if (c == '\v')
          text += kLineSeparator;
        else if (static_cast<unsigned char>(c) >= 0x20 || c == '\t' || (c & 0x80))
          text += c;
      }
      if (text.size() == start) continue;
      if (textRun.bold) add(pango_attr_weight_new(PANGO_WEIGHT_BOLD), start);
      if (textRun.italic) add(pango_attr_style_new(PANGO_STYLE_ITALIC), start);
      if (textRun.underline != Underline::kNone)
        add(pango_attr_underline_new(textRun.underline == Underline::kDouble ? PANGO_UNDERLINE_DOUBLE
                                                                             : PANGO_UNDERLINE_SINGLE),
            start);
      add(pango_attr_size_new(
              static_cast<int>((textRun.size > 0 ? textRun.size : kDefaultSize) * PANGO_SCALE)),
          start);
      add(pango_attr_family_new(familiesOf(textRun).c_str()), start);
    }
    pango_layout_set_text(layout, text.c_str(), static_cast<int>(text.size()));
    pango_layout_set_attributes(layout, attributes.get());

    // The lines one below the other, each as high as the line spacing makes it, its text at the bottom.
    const ParagraphSpacing& spacing = paragraph.spacing;
    double top = 0;
    LayoutIter iter(pango_layout_get_iter(layout));
    do {
      int lineTop = 0;
      int lineBottom = 0;
      pango_layout_iter_get_line_yrange(iter.get(), &lineTop, &lineBottom);
      double natural = static_cast<double>(lineBottom - lineTop) / PANGO_SCALE;
      double descent =
          static_cast<double>(lineBottom - pango_layout_iter_get_baseline(iter.get())) / PANGO_SCALE;
      double height = spacedHeight(natural, spacing);
      result.lines.push_back({top, height, top + height - descent});
      top += height;
    } while (pango_layout_iter_next_line(iter.get()));
    result.before = first ? spacing.before : 0;
    result.height = result.before + top + (last ? spacing.after : 0);
    return result;
  }

  // Draws the paragraph's lines from y; in the body a line that does not fit starts a new page.
  void drawParagraph(LaidOutParagraph& paragraph, double x, double& y, bool breakable) {
    const double start = y + paragraph.before;  // `y` may be the page position that a new page resets
    LayoutIter iter(pango_layout_get_iter(paragraph.layout.get()));
    double shift = 0;  // how far the lines moved down on the page since the paragraph's start
    int lineNumber = 0;
    do {
      const LinePlace& place = paragraph.lines.at(static_cast<size_t>(lineNumber));
      double top = start + shift + place.top;
      if (breakable && top + place.height > bottom_ && top > top_) {
        newPage();
        shift += top_ - top;
        top = top_;
      }
      PangoRectangle logical;
      pango_layout_iter_get_line_extents(iter.get(), nullptr, &logical);
      double baseline = start + shift + place.baseline;
      cairo_move_to(cr_.get(), x + static_cast<double>(logical.x) / PANGO_SCALE, baseline);
      pango_cairo_show_layout_line(cr_.get(), pango_layout_iter_get_line_readonly(iter.get()));
      for (const auto& [index, picture] : paragraph.pictures) {
        int line = 0;
        int offset = 0;
        pango_layout_index_to_line_x(paragraph.layout.get(), index, FALSE, &line, &offset);
        if (line != lineNumber) continue;
        drawPicture(picture, x + static_cast<double>(logical.x + offset) / PANGO_SCALE,
                    baseline - picture.height);
      }
      ++lineNumber;
    } while (pango_layout_iter_next_line(iter.get()));
    y = start - paragraph.before + shift + paragraph.height;
  }

  void drawPicture(const PictureRun& picture, double x, double y) {
    ByteReader reader{picture.bytes};
    Surface image(picture.bytes.starts_with(kPngSignature)
                      ? cairo_image_surface_create_from_png_stream(readFrom, &reader)
                      : cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 0, 0));
    cairo_t* cr = cr_.get();
    cairo_save(cr);
    if (cairo_surface_status(image.get()) == CAIRO_STATUS_SUCCESS &&
        cairo_image_surface_get_width(image.get()) > 0 && cairo_image_surface_get_height(image.get()) > 0) {
      cairo_translate(cr, x, y);
      cairo_scale(cr, picture.width / cairo_image_surface_get_width(image.get()),
                  picture.height / cairo_image_surface_get_height(image.get()));
      cairo_set_source_surface(cr, image.get(), 0, 0);
      cairo_paint(cr);
    } else {
      // A picture the printer cannot decode prints as its frame.
      cairo_set_line_width(cr, kBorderWidth);
      cairo_rectangle(cr, x, y, picture.width, picture.height);
      cairo_stroke(cr);
    }
    cairo_restore(cr);
  }

  // Header and footer blocks: drawn where they stand, never broken over pages.
  double drawBlockAt(const Block& block, double x, double width, double y) {
    double saved = y_;
    y_ = y;
    drawBlock(block, x, width, false);
    double end = y_;
    y_ = saved;
    return end;
  }

  std::vector<LaidOutParagraph> layOutParagraph(const ParagraphBlock& paragraph, double width) {
    std::vector<LaidOutParagraph> parts;
    const auto runs = partsOf(paragraph);
    for (size_t i = 0; i < runs.size(); ++i)
      parts.push_back(layOut(runs[i], paragraph, width, i == 0, i + 1 == runs.size()));
    return parts;
  }

  void drawBlock(const Block& block, double x, double width, bool breakable) {
    if (const auto* paragraph = std::get_if<ParagraphBlock>(&block)) {
      bool first = true;
      for (LaidOutParagraph& part : layOutParagraph(*paragraph, width)) {
        if (!first && breakable) newPage();
        first = false;
        drawParagraph(part, x, y_, breakable);
      }
    } else {
      drawTable(std::get<TableBlock>(block), x, width, breakable);
    }
  }

  struct LaidOutRow {
    std::vector<std::vector<LaidOutParagraph>> cells;
    double height = 0;
  };

  // The table's rows laid out in its columns; a row is as high as its highest cell.
  std::vector<LaidOutRow> layOutTable(const TableBlock& table, const std::vector<double>& widths) {
    std::vector<LaidOutRow> rows;
    for (const auto& row : cellsOf(table)) {
      LaidOutRow& laidOut = rows.emplace_back();
      for (size_t c = 0; c < row.size() && c < widths.size(); ++c) {
        double cellHeight = 0;
        auto& cell = laidOut.cells.emplace_back();
        for (const ParagraphBlock& paragraph : row[c]) {
          for (LaidOutParagraph& part : layOutParagraph(paragraph, widths[c] - 2 * kCellPadding)) {
            cellHeight += part.height;
            cell.push_back(std::move(part));
          }
        }
        laidOut.height = std::max(laidOut.height, cellHeight);
      }
    }
    return rows;
  }

  // The cells' paragraphs; a table given only as texts has a paragraph per cell.
  static std::vector<std::vector<std::vector<ParagraphBlock>>> cellsOf(const TableBlock& table) {
    if (!table.cells.empty()) return table.cells;
    std::vector<std::vector<std::vector<ParagraphBlock>>> cells;
    for (const auto& row : table.rows) {
      auto& cellRow = cells.emplace_back();
      for (const std::string& text : row) cellRow.push_back({ParagraphBlock(text)});
    }
    return cells;
  }

  std::vector<double> columnWidths(const TableBlock& table, double width) const {
    size_t columns = table.columnWidths.size();
    for (const auto& row : cellsOf(table)) columns = std::max(columns, row.size());
    std::vector<double> widths = table.columnWidths;
    if (widths.size() != columns ||
        std::any_of(widths.begin(), widths.end(), [](double w) { return w <= 0; }))
      widths.assign(columns, columns ? width / static_cast<double>(columns) : 0);
    double total = 0;
    for (double w : widths) total += w;
    if (total > width)
      for (double& w : widths) w *= width / total;  // a table wider than the page is shrunk to fit
    return widths;
  }

  void drawTable(const TableBlock& table, double x, double width, bool breakable) {
    std::vector<double> widths = columnWidths(table, width);
    for (LaidOutRow& row : layOutTable(table, widths)) {
      // Rows are not split; one that does not fit starts a new page.
      if (breakable && y_ + row.height > bottom_ && y_ > top_) newPage();
      double cellX = x;
      for (size_t c = 0; c < row.cells.size(); ++c) {
        double cellY = y_;
        for (auto& paragraph : row.cells[c]) drawParagraph(paragraph, cellX + kCellPadding, cellY, false);
        if (table.borders) {
          cairo_set_line_width(cr_.get(), kBorderWidth);
          cairo_rectangle(cr_.get(), cellX, y_, widths[c], row.height);
          cairo_stroke(cr_.get());
        }
        cellX += widths[c];
      }
      y_ += row.height;
    }
  }

  double blocksHeight(const std::vector<Block>& blocks) {
    double height = 0;
    for (const Block& block : blocks) {
      if (const auto* paragraph = std::get_if<ParagraphBlock>(&block)) {
        for (const LaidOutParagraph& part : layOutParagraph(*paragraph, contentWidth()))
          height += part.height;
      } else {
        const auto& table = std::get<TableBlock>(block);
        for (const LaidOutRow& row : layOutTable(table, columnWidths(table, contentWidth())))
          height += row.height;
      }
    }
    return height;
  }

  Surface surface_;
  Cairo cr_;
  Context pango_;
  const PrintPage* page_ = nullptr;
  bool pageOpen_ = false;
  double top_ = 0;
  double bottom_ = 0;
  double y_ = 0;
};

}  // namespace

std::string PdfPrinter::render(const PrintLayout& layout) const {
  std::string out;
  {
    PdfDocument document(out);
    for (const PrintPage& page : layout.pages) document.section(page);
    document.finish();
  }
  return out;
}

}  // namespace tw::engine::print
