// The Generic / Text Only printer: text, aligned tables, form feeds between pages, CR LF.

#include <gtest/gtest.h>

#include "engine/print/text_printer.h"
#include "posix/posix_system.h"
#include "support/test_services.h"

namespace tw::engine::print {
namespace {

struct PrintCase {
  const char* name;
  PrintLayout layout;
  TextPrinterOptions options;
  std::string expected;
};

class TextPrinterTest : public ::testing::TestWithParam<PrintCase> {};

TEST_P(TextPrinterTest, PrintsAsTheTextDriver) {
  EXPECT_EQ(TextOnlyPrinter(GetParam().options).render(GetParam().layout), GetParam().expected);
}

PrintPage bodyPage(std::vector<Block> blocks) {
  PrintPage page;
  page.body = std::move(blocks);
  return page;
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, TextPrinterTest,
    ::testing::Values(
        PrintCase{"PagesSeparatedByFormFeeds",
                  {"doc",
                   {bodyPage({ParagraphBlock{"Geachte heer Jansen,"}, ParagraphBlock{""}}),
                    bodyPage({ParagraphBlock{"Geachte mevrouw De Vries,"}})}},
                  {},
                  "Geachte heer Jansen,\r\n\r\n\fGeachte mevrouw De Vries,\r\n"},
        PrintCase{"HeaderAndFooterFrameTheBody",
                  {"doc",
                   {PrintPage{{ParagraphBlock{"Kop"}}, {ParagraphBlock{"Tekst"}}, {ParagraphBlock{"Voet"}}}}},
                  {},
                  "Kop\r\nTekst\r\nVoet\r\n"},
        PrintCase{"TablesAsAlignedColumns",
                  {"doc",
                   {bodyPage({TableBlock{
                       {{"Omschrijving", "Bedrag"}, {"Huur", "1.234,50"}, {"Gas\rwater", "12"}}}})}},
                  {},
                  "Omschrijving  Bedrag\r\nHuur          1.234,50\r\nGas           12\r\nwater\r\n"},
        PrintCase{"ShortRowsAndEmptyCells",
                  {"doc", {bodyPage({TableBlock{{{"a", "", "c"}, {"dd"}}}})}},
                  {},
                  "a     c\r\ndd\r\n"},
        PrintCase{"LineBreaksTabsAndSpecialCharacters",
                  {"doc",
                   {bodyPage({ParagraphBlock{"a\vb\tc\x1E"
                                             "d\xA0"
                                             "e\x1F"
                                             "f\x13 g"}})}},
                  {},
                  "a\r\nb       c-d ef g\r\n"},
        PrintCase{"PageBreakInsideAParagraph",
                  {"doc", {bodyPage({ParagraphBlock{"een\ftwee"}})}},
                  {},
                  "een\r\n\ftwee\r\n"},
        PrintCase{"WrapsAtBlanksAndBreaksLongWords",
                  {"doc", {bodyPage({ParagraphBlock{"aaa bbb ccc dddddddddddd"}})}},
                  {10, 8, 2},
                  "aaa bbb\r\nccc\r\ndddddddddd\r\ndd\r\n"},
        PrintCase{"Empty", {"doc", {}}, {}, ""}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(PrintToFileTest, WritesTheDriverOutput) {
  testing::TempFolder temp;
  posix::PosixSystem system;
  TextOnlyPrinter printer;
  EXPECT_EQ(printer.name(), "Generic / Text Only");
  std::string path = (temp / "resultaat.prn").string();
  printToFile(printer, {"doc", {bodyPage({ParagraphBlock{"\xC9\xE9n"}})}}, system, path);
  EXPECT_EQ(temp.read("resultaat.prn"), "\xC9\xE9n\r\n");
}

}  // namespace
}  // namespace tw::engine::print
