// The PDF printer and what it is given of a document: sections with their paper and margins, header and
// footer, formatted runs, bordered tables and inline pictures.

#include "engine/print/pdf_printer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <memory>
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
