// A print layout as the bytes the PDF printer's module is handed: every field arrives as it was, and bytes
// that are not such a layout are refused rather than read.

#include "engine/print/layout_codec.h"

#include <gtest/gtest.h>

#include <string>

#include "runtime/error.h"

namespace tw::engine::print {
namespace {

// Every field set to something other than its default, so that one the codec forgets or reads in
// the wrong place shows.
PrintLayout everyField() {
  TextRun bold{.text = "Factuur \xe2\x82\xac 12,50\tnetto",
               .bold = true,
               .italic = true,
               .size = 14.5,
               .font = "DejaVu Serif",
               .underline = Underline::kDouble};
  PictureRun logo{.bytes = std::string("\x89PNG\0\r\n\x1a\xff", 9), .width = 120.25, .height = 40.5};
  TextRun plain;
  plain.text = "plain";
  ParagraphBlock paragraph("Factuur \x80 12,50", {bold, logo, plain}, Alignment::kJustify);
  paragraph.spacing = {.before = 6, .after = 12, .rule = LineRule::kAtLeast, .line = 15};
  paragraph.mark.italic = true;
  paragraph.mark.size = 9;
  paragraph.mark.underline = Underline::kSingle;

  TableBlock table({{"Omschrijving", "Bedrag"}, {"Uren\rextra", ""}});
  table.cells = {{{paragraph}, {ParagraphBlock("Bedrag", {}, Alignment::kRight)}},
                 {{ParagraphBlock("Uren"), ParagraphBlock("extra")}, {}}};
  table.columnWidths = {300.5, 150};
  table.borders = true;

  PrintLayout layout;
  layout.title = "factuur.docx";
  layout.pages.emplace_back(std::vector<Block>{ParagraphBlock("Kop")}, std::vector<Block>{paragraph, table},
                            std::vector<Block>{ParagraphBlock("Pagina 1")},
                            PageGeometry{.width = 612,
                                         .height = 792,
                                         .top = 36,
                                         .right = 40,
                                         .bottom = 44,
                                         .left = 48,
                                         .header = 20,
                                         .footer = 22});
  layout.pages.emplace_back();  // a section with nothing in it and the default paper
  return layout;
}

TEST(LayoutCodecTest, EveryFieldArrivesAsItWasWritten) {
  const PrintLayout layouts[] = {PrintLayout{}, everyField()};
  for (const PrintLayout& layout : layouts) {
    EXPECT_EQ(decodeLayout(encodeLayout(layout)), layout) << layout.title;
  }
}

TEST(LayoutCodecTest, BytesThatAreNotALayoutAreRefused) {
  const std::string whole = encodeLayout(everyField());
  // Cut short anywhere (a count or a string whose bytes are missing), or with bytes left over.
  for (std::size_t size = 0; size < whole.size(); ++size) {
    EXPECT_THROW(decodeLayout(std::string_view(whole).substr(0, size)), runtime::Error) << size;
  }
  EXPECT_THROW(decodeLayout(whole + '\0'), runtime::Error);

  // Written by another build's format.
  std::string other = whole;
  other[0] ^= 1;
  try {
    decodeLayout(other);
    FAIL() << "decoded";
  } catch (const runtime::Error& error) {
    EXPECT_EQ(error.number(), runtime::kInternalError);
    EXPECT_EQ(error.description(), "The PDF printer's module belongs to another build");
  }
}

}  // namespace
}  // namespace tw::engine::print
