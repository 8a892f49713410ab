// The PDF printer and what it is given of a document: sections with their paper and margins, header and
// footer, runs and paragraphs formatted as their styles and own properties say, bordered tables and inline
// pictures.

#include "engine/print/pdf_printer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <regex>
#include <sstream>

#include "engine/engine.h"
#include "engine/model/document_model.h"
#include "engine/print/layout.h"
#include "posix/posix_system.h"
#include "support/test_services.h"

namespace tw::engine::print {
namespace {

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

// Standard output of a shell command.
std::string output(const std::string& command) {
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::string text;
  char buffer[4096];
  while (pipe && fgets(buffer, sizeof buffer, pipe.get())) text += buffer;
  return text;
}

// The page count pdfinfo reports.
int pageCount(const std::string& file) {
  std::string info = output("pdfinfo '" + file + "'");
  size_t at = info.find("Pages:");
  return at == std::string::npos ? -1 : std::stoi(info.substr(at + 6));
}

bool havePoppler() {
  return std::system(
             "command -v pdftotext >/dev/null 2>&1 && command -v pdfinfo >/dev/null 2>&1 && "
             "command -v pdfimages >/dev/null 2>&1") == 0;
}

class PrintFixtureTest : public ::testing::Test {
 protected:
  PrintFixtureTest()
      : document(loadDocument(readFile(std::string(TW_FIXTURES) + "/docx/print.docx"), "print.docx")),
        layout(layoutOf(*document, sys)) {}

  testing::TempFolder temp;
  posix::PosixSystem sys;
  std::unique_ptr<model::DocumentModel> document;
  PrintLayout layout;
};

TEST_F(PrintFixtureTest, TheLayoutCarriesPaperFormattingTablesAndPictures) {
  ASSERT_EQ(layout.pages.size(), 1u);  // one section
  const PrintPage& section = layout.pages[0];
  EXPECT_DOUBLE_EQ(section.geometry.width, 612);
  EXPECT_DOUBLE_EQ(section.geometry.height, 792);
  EXPECT_DOUBLE_EQ(section.geometry.left, 72);
  EXPECT_DOUBLE_EQ(section.geometry.header, 36);
  ASSERT_EQ(section.header.size(), 1u);
  EXPECT_EQ(std::get<ParagraphBlock>(section.header[0]).text, "Kop van de brief");

  ASSERT_EQ(section.body.size(), 5u);
  const auto& title = std::get<TextRun>(std::get<ParagraphBlock>(section.body[0]).runs.at(0));
  EXPECT_EQ(title.text, "Factuur 2026-001");
  EXPECT_TRUE(title.bold);
  EXPECT_DOUBLE_EQ(title.size, 16);
  const auto& greeting = std::get<ParagraphBlock>(section.body[1]).runs;
  ASSERT_EQ(greeting.size(), 3u);
  EXPECT_TRUE(std::get<TextRun>(greeting[1]).italic);
  EXPECT_FALSE(std::get<TextRun>(greeting[0]).italic);

  const auto& table = std::get<TableBlock>(section.body[2]);
  EXPECT_TRUE(table.borders);
  EXPECT_EQ(table.columnWidths, (std::vector<double>{200, 200}));
  EXPECT_EQ(table.rows[1][1], "1.250,50");
  EXPECT_EQ(std::get<TextRun>(table.cells[1][1][0].runs.at(0)).text, "1.250,50");

  const auto& logo = std::get<PictureRun>(std::get<ParagraphBlock>(section.body[3]).runs.at(1));
  EXPECT_DOUBLE_EQ(logo.width, 72);
  EXPECT_DOUBLE_EQ(logo.height, 36);
  EXPECT_TRUE(logo.bytes.starts_with("\x89PNG"));

  EXPECT_EQ(std::get<ParagraphBlock>(section.body[4]).text, "Einde eerste pagina\fTweede pagina");
}

// Rows, cells and paragraphs wrapped in content controls or custom XML are printed as Word shows them,
// the same rows the story and the table objects see.
TEST(PrintLayoutTest, LooksThroughContentControlsAndCustomXml) {
  const std::string cell = "<w:tc><w:p><w:r><w:t>in een cel</w:t></w:r></w:p></w:tc>";
  const std::string body =
      "<w:sdt><w:sdtContent><w:p><w:r><w:t>Aanhef</w:t></w:r></w:p></w:sdtContent></w:sdt>"
      "<w:tbl><w:tblGrid><w:gridCol w:w=\"2000\"/></w:tblGrid>"
      "<w:tr>" +
      cell +
      "</w:tr>"
      "<w:sdt><w:sdtContent><w:tr>" +
      cell +
      "</w:tr></w:sdtContent></w:sdt>"
      "<w:customXml><w:tr><w:sdt><w:sdtContent>" +
      cell +
      "</w:sdtContent></w:sdt></w:tr></w:customXml>"
      "</w:tbl>";
  posix::PosixSystem sys;
  auto document = loadDocument(minimalDocx(body), "wrapped.docx");
  PrintLayout layout = layoutOf(*document, sys);
  ASSERT_EQ(layout.pages.size(), 1u);
  const auto& blocks = layout.pages[0].body;
  ASSERT_GE(blocks.size(), 2u);
  EXPECT_EQ(std::get<ParagraphBlock>(blocks[0]).text, "Aanhef");
  const auto& table = std::get<TableBlock>(blocks[1]);
  ASSERT_EQ(table.rows.size(), 3u);
  for (const auto& row : table.rows) EXPECT_EQ(row, std::vector<std::string>{"in een cel"});
}

TEST_F(PrintFixtureTest, PrintsTwoLetterPagesAPersonCanRead) {
  if (!havePoppler()) GTEST_SKIP() << "poppler-utils (pdftotext, pdfinfo, pdfimages) is not installed";
  std::string pdf = PdfPrinter().render(layout);
  ASSERT_TRUE(pdf.starts_with("%PDF-"));
  const std::string file = (temp / "print.pdf").string();
  std::ofstream(file, std::ios::binary) << pdf;

  EXPECT_EQ(pageCount(file), 2);
  std::string info = output("pdfinfo '" + file + "'");
  EXPECT_NE(info.find("612 x 792 pts"), std::string::npos) << info;

  std::string first = output("pdftotext -f 1 -l 1 '" + file + "' -");
  std::string second = output("pdftotext -f 2 -l 2 '" + file + "' -");
  for (const char* text : {"Kop van de brief", "Factuur 2026-001", "Beste klant,", "Omschrijving", "Bedrag",
                           "Advies", "1.250,50", "Logo:", "Einde eerste pagina", "Voet van de brief"})
    EXPECT_NE(first.find(text), std::string::npos) << text << "\n" << first;
  EXPECT_EQ(first.find("Tweede pagina"), std::string::npos);
  for (const char* text : {"Kop van de brief", "Tweede pagina", "Voet van de brief"})
    EXPECT_NE(second.find(text), std::string::npos) << text << "\n" << second;
  EXPECT_EQ(second.find("Factuur"), std::string::npos);

  // pdfimages -list: two heading lines, then one line per image: page, number, type, ...
  std::istringstream images(output("pdfimages -list '" + file + "'"));
  std::string line;
  std::getline(images, line);
  std::getline(images, line);
  int page = 0;
  ASSERT_TRUE(images >> page) << "no picture in the PDF";
  EXPECT_EQ(page, 1);

  std::string fonts = output("pdffonts '" + file + "'");
  EXPECT_NE(fonts.find("Bold"), std::string::npos) << fonts;
  EXPECT_TRUE(fonts.find("Oblique") != std::string::npos || fonts.find("Italic") != std::string::npos)
      << fonts;
}

// styles.docx: a 28 pt bold heading style based on a base heading style, a quote style, an emphasis
// character style based on an italic one, document defaults in a theme font, and direct formatting.
class StyledPrintTest : public ::testing::Test {
 protected:
  StyledPrintTest()
      : document(loadDocument(readFile(std::string(TW_FIXTURES) + "/docx/styles.docx"), "styles.docx")),
        layout(layoutOf(*document, sys)) {}

  const ParagraphBlock& paragraph(size_t index) const {
    return std::get<ParagraphBlock>(layout.pages.at(0).body.at(index));
  }

  posix::PosixSystem sys;
  std::unique_ptr<model::DocumentModel> document;
  PrintLayout layout;
};

TEST_F(StyledPrintTest, RunsGetDefaultsThenParagraphStyleThenCharacterStyleThenTheirOwnFormatting) {
  struct Case {
    size_t paragraph;
    size_t run;
    const char* text;
    const char* font;
    double size;
    bool bold;
    bool italic;
    Underline underline;
    const char* why;
  };
  const Case cases[] = {
      {0, 0, "Hoofdstuk", "DejaVu Serif", 28, true, false, Underline::kNone,
       "size, bold and theme font inherited through basedOn"},
      {0, 1, " een", "DejaVu Serif", 28, false, true, Underline::kSingle,
       "bold in the character style switches the heading's bold off; italic from its base style"},
      {1, 0, "Gewone tekst ", "DejaVu Sans", 11, false, false, Underline::kNone,
       "document defaults only (the default paragraph style is empty)"},
      {1, 1, "met nadruk", "DejaVu Sans", 11, true, true, Underline::kSingle,
       "character style over defaults"},
      {1, 2, " klein", "DejaVu Sans", 8, false, false, Underline::kNone, "direct size over defaults"},
      {2, 0, "Kop zonder vet", "DejaVu Serif", 12, false, false, Underline::kNone,
       "direct bold off and size over the heading style"},
      {3, 0, "Onbekende stijl", "DejaVu Sans", 11, false, false, Underline::kNone,
       "an unknown paragraph style is the default one"},
      {4, 0, "Citaat schuin", "Liberation Serif", 11, false, true, Underline::kNone,
       "font and italic of the style; direct italic in an italic style stays italic"},
      {4, 1, " recht", "Liberation Serif", 11, true, false, Underline::kSingle,
       "italic of the character style's base switches the quote's italic off"},
      {7, 0, "Kring", "DejaVu Sans", 15, true, false, Underline::kNone,
       "two styles based on each other: both count, once"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    const auto& runs = paragraph(c.paragraph).runs;
    ASSERT_LT(c.run, runs.size());
    const auto& run = std::get<TextRun>(runs[c.run]);
    EXPECT_EQ(run.text, c.text);
    EXPECT_EQ(run.font, c.font);
    EXPECT_DOUBLE_EQ(run.size, c.size);
    EXPECT_EQ(run.bold, c.bold);
    EXPECT_EQ(run.italic, c.italic);
    EXPECT_EQ(run.underline, c.underline);
  }
}

TEST_F(StyledPrintTest, ParagraphsGetAlignmentAndSpacingFromTheirStylesAndTheirOwnProperties) {
  struct Case {
    size_t paragraph;
    Alignment alignment;
    double before;
    double after;
    LineRule rule;
    double line;
    const char* why;
  };
  constexpr double kDefaultLines = 259.0 / 240;
  const Case cases[] = {
      {0, Alignment::kCenter, 24, 6, LineRule::kMultiple, kDefaultLines,
       "space before from the base style, after from the style, lines from the defaults"},
      {1, Alignment::kLeft, 0, 8, LineRule::kMultiple, kDefaultLines, "document defaults only"},
      {2, Alignment::kLeft, 24, 6, LineRule::kMultiple, kDefaultLines, "direct alignment over the style's"},
      {4, Alignment::kRight, 0, 8, LineRule::kMultiple, 1.5, "the quote style's alignment and line spacing"},
      {5, Alignment::kLeft, 5, 8, LineRule::kExact, 24, "direct space before beside the style's exact lines"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    const ParagraphBlock& block = paragraph(c.paragraph);
    EXPECT_EQ(block.alignment, c.alignment);
    EXPECT_DOUBLE_EQ(block.spacing.before, c.before);
    EXPECT_DOUBLE_EQ(block.spacing.after, c.after);
    EXPECT_EQ(block.spacing.rule, c.rule);
    EXPECT_DOUBLE_EQ(block.spacing.line, c.line);
  }
  // An empty paragraph is as high as its mark's font.
  EXPECT_TRUE(paragraph(6).runs.empty());
  EXPECT_DOUBLE_EQ(paragraph(6).mark.size, 20);
  EXPECT_DOUBLE_EQ(paragraph(0).mark.size, 28);
}

TEST(PrintLayoutTest, TextWithoutStylesOrFormattingGetsWordsDefaults) {
  posix::PosixSystem sys;
  auto document = loadDocument(minimalDocx("<w:p><w:r><w:t>Kaal</w:t></w:r></w:p>"), "kaal.docx");
  PrintLayout layout = layoutOf(*document, sys);
  const auto& block = std::get<ParagraphBlock>(layout.pages.at(0).body.at(0));
  const auto& run = std::get<TextRun>(block.runs.at(0));
  EXPECT_EQ(run.font, "Times New Roman");
  EXPECT_DOUBLE_EQ(run.size, 10);
  EXPECT_FALSE(run.bold);
  EXPECT_DOUBLE_EQ(block.spacing.after, 0);
  EXPECT_DOUBLE_EQ(block.spacing.line, 1);
}

// A text pdftohtml found on a page: where it starts and the size and style of its font.
struct PrintedText {
  double top = 0;
  double size = 0;
  bool bold = false;
  bool italic = false;
};

// The texts of a PDF's first page by pdftohtml's XML output (in points), each in its font.
std::map<std::string, PrintedText> printedTexts(const std::string& file) {
  std::string xml = output("pdftohtml -xml -i -q -zoom 1 -f 1 -l 1 -stdout '" + file + "'");
  std::map<std::string, double> sizes;  // by font id
  const std::regex fontspec(R"re(<fontspec id="(\d+)" size="(-?[\d.]+)")re");
  for (auto it = std::sregex_iterator(xml.begin(), xml.end(), fontspec); it != std::sregex_iterator(); ++it)
    sizes[(*it)[1]] = std::stod((*it)[2]);
  std::map<std::string, PrintedText> texts;
  const std::regex text(R"re(<text top="([\d.]+)"[^>]* font="(\d+)">((?:<[bi]>)*)([^<]*))re");
  for (auto it = std::sregex_iterator(xml.begin(), xml.end(), text); it != std::sregex_iterator(); ++it) {
    std::string styles = (*it)[3];
    texts[(*it)[4]] = {std::stod((*it)[1]), sizes[(*it)[2]], styles.find("<b>") != std::string::npos,
                       styles.find("<i>") != std::string::npos};
  }
  return texts;
}

TEST_F(StyledPrintTest, TheHeadingPrintsAt28PointBoldBelowItsSpaceAndTheBodyAtTheDefaults) {
  if (!havePoppler()) GTEST_SKIP() << "poppler-utils is not installed";
  testing::TempFolder temp;
  const std::string file = (temp / "styles.pdf").string();
  std::ofstream(file, std::ios::binary) << PdfPrinter().render(layout);
  auto texts = printedTexts(file);
  for (const char* expected : {"Hoofdstuk", " een", "Gewone tekst ", "met nadruk", " recht"})
    ASSERT_TRUE(texts.contains(expected)) << expected << "\n"
                                          << output("pdftohtml -xml -i -q -stdout '" + file + "'");
  const PrintedText& heading = texts["Hoofdstuk"];
  EXPECT_NEAR(heading.size, 28, 1);
  EXPECT_TRUE(heading.bold);
  EXPECT_FALSE(heading.italic);
  EXPECT_GE(heading.top, layout.pages[0].geometry.top + 24);  // the heading style's space before
  EXPECT_NEAR(texts[" een"].size, 28, 1);
  EXPECT_FALSE(texts[" een"].bold);  // the character style's bold over the heading's
  EXPECT_TRUE(texts[" een"].italic);
  const PrintedText& body = texts["Gewone tekst "];
  EXPECT_NEAR(body.size, 11, 1);
  EXPECT_FALSE(body.bold);
  EXPECT_TRUE(texts["met nadruk"].bold);
  EXPECT_TRUE(texts[" recht"].bold);
  EXPECT_FALSE(texts[" recht"].italic);
}

TEST(PdfPrinter, ALongBodyFlowsOverPagesAndBadPicturesPrintAsFrames) {
  constexpr int kLines = 200;  // an 11 pt line is at least 11 pt high: no A4 page holds more than 63
  PrintPage section;
  for (int i = 0; i < kLines; ++i) section.body.emplace_back(ParagraphBlock("Regel " + std::to_string(i)));
  section.body.emplace_back(ParagraphBlock("", {PictureRun{"not a picture", 50, 50}}));
  section.body.emplace_back(TableBlock({{"a", "b"}, {"c"}}));  // texts only, ragged
  PrintLayout layout;
  layout.pages.push_back(section);
  std::string pdf = PdfPrinter().render(layout);
  ASSERT_TRUE(pdf.starts_with("%PDF-"));
  if (!havePoppler()) GTEST_SKIP() << "poppler-utils is not installed";
  testing::TempFolder temp;
  const std::string file = (temp / "long.pdf").string();
  std::ofstream(file, std::ios::binary) << pdf;
  const int pages = pageCount(file);
  EXPECT_GE(pages, 4);
  // Every line once, in order, the last one on the last page.
  std::istringstream all(output("pdftotext '" + file + "' -"));
  int expected = 0;
  for (std::string line; std::getline(all, line);) {
    if (line.starts_with('\f')) line.erase(0, 1);  // a new page
    if (!line.starts_with("Regel ")) continue;
    EXPECT_EQ(line, "Regel " + std::to_string(expected));
    ++expected;
  }
  EXPECT_EQ(expected, kLines);
  std::string last =
      output("pdftotext -f " + std::to_string(pages) + " -l " + std::to_string(pages) + " '" + file + "' -");
  EXPECT_NE(last.find("Regel " + std::to_string(kLines - 1)), std::string::npos) << last;
}

}  // namespace
}  // namespace tw::engine::print
