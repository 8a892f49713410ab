// Word 97-2003 documents open as their LibreOffice conversion; damaged ones fail with a clear error in
// bounded time and leave nothing behind, and without LibreOffice the error names the file. The binary
// documents are made at test time from .docx files; the tests that need soffice skip without it.

#include "engine/convert/binary_document.h"
#include "engine/convert/word97_fields.h"

#include <signal.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "engine/engine_fixture.h"
#include "engine/mailmerge/field_code.h"
#include "support/word97.h"

namespace tw::testing {
namespace {

using namespace std::chrono_literals;

// What a document holds that a conversion must keep. LibreOffice keeps one field type per column name
// whatever its case (Word's mapping ignores case too), and its .docx import already drops merge fields
// nested in IF, so only merge fields that stand in the text count, in lower case.
struct Content {
  std::vector<std::string> mergeFields;  // the column of every MERGEFIELD, in order
  std::vector<long> tableRows;           // the rows of every table
  long pictures = 0;
  bool operator==(const Content&) const = default;
};

Content contentOf(word::Document& doc) {
  Content content;
  auto fields = doc.Fields();
  std::vector<std::pair<long, long>> extents;  // from the code's start to the result's end
  for (long i = 1; i <= fields->Count(); ++i) {
    auto field = fields->Item(i);
    extents.emplace_back(field->Code()->Start(), std::max(field->Code()->End(), field->Result()->End()));
  }
  for (long i = 1; i <= fields->Count(); ++i) {
    auto [start, end] = extents[static_cast<size_t>(i - 1)];
    bool nested = std::any_of(extents.begin(), extents.end(),
                              [&](const auto& outer) { return outer.first < start && end <= outer.second; });
    auto code = engine::mailmerge::parseFieldCode(fields->Item(i)->Code()->Text());
    if (nested || code.keyword != "MERGEFIELD") continue;
    std::string column = code.firstArgument();
    for (char& c : column) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    content.mergeFields.push_back(column);
  }
  auto tables = doc.Tables();
  for (long i = 1; i <= tables->Count(); ++i) content.tableRows.push_back(tables->Item(i)->Rows()->Count());
  content.pictures = doc.InlineShapes()->Count();
  return content;
}

std::string describe(const Content& c) {
  std::string text = "fields:";
  for (const auto& f : c.mergeFields) text += " " + f;
  text += "; rows:";
  for (long r : c.tableRows) text += " " + std::to_string(r);
  return text + "; pictures: " + std::to_string(c.pictures);
}

engine::convert::LibreOfficeOptions soffice(const std::string& program,
                                            std::chrono::milliseconds timeout = 60s) {
  engine::convert::LibreOfficeOptions options;
  options.program = program;
  options.timeout = timeout;
  return options;
}

bool isEmptyFolder(const std::filesystem::path& folder) {
  return std::filesystem::is_empty(folder);
}

class BinaryDocumentTest : public EngineTest {
 protected:
  // The Word 97-2003 conversions of the project's fixtures and of the Word files beside the project,
  // by name; made once, as soffice takes seconds to start.
  static const std::map<std::string, std::string>& word97() {
    static const std::map<std::string, std::string> files = [] {
      std::vector<std::filesystem::path> sources;
      for (const char* name : {"fields", "table", "image", "header_footer"})
        sources.push_back(std::string(TW_FIXTURES) + "/docx/" + name + ".docx");
      if (haveSharedWordFiles()) {
        for (const auto& entry : std::filesystem::directory_iterator(sharedWordFolder())) {
          if (entry.path().extension() == ".docx") sources.push_back(entry.path());
        }
      }
      return toWord97(sources);
    }();
    return files;
  }
  static std::string sourceOf(const std::string& name) {
    std::string own = std::string(TW_FIXTURES) + "/docx/" + name + ".docx";
    return std::filesystem::exists(own) ? own : sharedWordFile(name + ".docx");
  }

  // An application whose conversions work inside `work`, which the test expects empty afterwards.
  std::shared_ptr<engine::EngineApplication> converting(engine::convert::LibreOfficeOptions options = {}) {
    options.tempRoot = work.path().string();
    engine::EngineOptions engineOptions;
    engineOptions.binaryDocuments = engine::convert::libreOfficeConverter(options);
    return engine::createApplication(system, engineOptions);
  }

  TempFolder work;
};

TEST_F(BinaryDocumentTest, ConvertedDocumentsKeepTheirFieldsTablesAndPictures) {
  TW_SKIP_WITHOUT_LIBREOFFICE();
  auto word = converting();
  for (const auto& [name, bytes] : word97()) {
    SCOPED_TRACE(name);
    auto original = app->Documents()->Open(sourceOf(name));
    Content expected = contentOf(*original);
    // The project's fixtures hold what each is named after.
    EXPECT_TRUE(name != "fields" || !expected.mergeFields.empty());
    EXPECT_TRUE(name != "table" || !expected.tableRows.empty());
    EXPECT_TRUE(name != "image" || expected.pictures > 0);
    auto converted = word->Documents()->Open(put(name + ".doc", bytes));
    EXPECT_EQ(converted->Name(), name + ".doc");
    Content actual = contentOf(*converted);
    EXPECT_EQ(actual, expected) << "converted " << describe(actual) << "\noriginal " << describe(expected);
  }
  EXPECT_TRUE(isEmptyFolder(work.path()));
}

TEST_F(BinaryDocumentTest, AConvertedTemplateMergesAndSavesAsDocxContent) {
  TW_SKIP_WITHOUT_LIBREOFFICE();
  auto word = converting();
  auto doc = word->Documents()->Open(put("SjabloonDocument.doc", word97().at("fields")));
  doc->MailMerge()->OpenDataSource({put("data.csv", "naam,bedrag\nJansen,12\n"), std::nullopt, std::nullopt,
                                    std::string("Provider=MSDASQL;Driver={Microsoft Text Driver (*.csv)}")});
  doc->MailMerge()->Execute(false);
  std::string merged = word->ActiveDocument()->Content()->Text();
  EXPECT_NE(merged.find("Jansen"), std::string::npos) << merged;
  EXPECT_NE(merged.find("12"), std::string::npos) << merged;

  doc->SaveAs(pathOf("SjabloonDocument.doc"));
  std::string saved = temp.read("SjabloonDocument.doc");
  EXPECT_EQ(saved.rfind("PK", 0), 0u) << "saved as a zip package";
  engine::EngineOptions refusing;  // no LibreOffice needed to open it again
  refusing.binaryDocuments = engine::convert::libreOfficeConverter(soffice("/nonexistent/soffice"));
  auto again = engine::createApplication(system, refusing);
  doc->Close(false);
  EXPECT_EQ(contentOf(*again->Documents()->Open(pathOf("SjabloonDocument.doc"))).mergeFields,
            (std::vector<std::string>{"naam", "bedrag"}));
  EXPECT_TRUE(isEmptyFolder(work.path()));
}

// LibreOffice keeps a merge field's column and drops its switches; the binary document's own codes come
// back.
TEST_F(BinaryDocumentTest, MergeFieldsKeepTheSwitchesOfTheBinaryDocument) {
  TW_SKIP_WITHOUT_LIBREOFFICE();
  const std::string withSwitches = " MERGEFIELD bedrag \\# \"#.##0,00\" \\b \"EUR \" ";
  std::string binary = toWord97KeepingSwitches(
      buildDocx(paragraph(run("Totaal: ") + field(withSwitches)) + paragraph(mergefield("naam"))));
  EXPECT_EQ(engine::convert::word97Fields(binary),
            (std::vector<engine::convert::Word97Field>{{withSwitches, false}, {" MERGEFIELD naam ", false}}));

  auto word = converting();
  auto doc = word->Documents()->Open(put("sjabloon.doc", binary));
  EXPECT_EQ(doc->Fields()->Item(1)->Code()->Text(), withSwitches);
  doc->MailMerge()->OpenDataSource({put("data.csv", "bedrag,naam\n\"1234,5\",Jansen\n"), std::nullopt,
                                    std::nullopt,
                                    std::string("Provider=MSDASQL;Driver={Microsoft Text Driver (*.csv)}")});
  doc->MailMerge()->Execute(false);
  EXPECT_EQ(word->ActiveDocument()->Content()->Text(), "Totaal: EUR 1.234,50\rJansen\r");
  EXPECT_TRUE(isEmptyFolder(work.path()));
}

// A package whose body is `body`, with more parts related to the document: name, relationship type
// (the last word of its address), content type (the last word of Word's) and XML.
struct RelatedPart {
  std::string name, type, contentType, xml;
};
std::string docxWithParts(const std::string& body, const std::vector<RelatedPart>& related) {
  const std::string office = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
  std::string types =
      "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
      "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
      "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
      "<Override PartName=\"/word/document.xml\" ContentType=\"application/"
      "vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/>";
  std::string relationships =
      "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
  std::vector<std::pair<std::string, std::string>> parts;
  for (const RelatedPart& part : related) {
    types += "<Override PartName=\"/word/" + part.name +
             "\" ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml." +
             part.contentType + "+xml\"/>";
    relationships += "<Relationship Id=\"rId" + part.type + "\" Type=\"" + office + part.type +
                     "\" Target=\"" + part.name + "\"/>";
    parts.emplace_back("word/" + part.name, part.xml);
  }
  parts.emplace_back("[Content_Types].xml", types + "</Types>");
  parts.emplace_back("word/_rels/document.xml.rels", relationships + "</Relationships>");
  return buildDocx(body, parts);
}

// The field codes of each story of a converted document, in the stories' order.
std::vector<std::pair<engine::model::StoryKind, std::string>> codesByStory(const std::string& docx) {
  auto model = engine::loadDocument(docx, "converted.docx");
  std::vector<std::pair<engine::model::StoryKind, std::string>> codes;
  for (const auto& story : model->stories()) {
    for (const auto& field : story->fields())
      codes.emplace_back(
          story->kind(),
          story->text(field.begin + 1, field.separator >= 0 ? field.separator : field.end, true));
  }
  return codes;
}

// A column used with other switches in another story keeps each story's own code, whichever part
// the conversion writes first and wherever a text box stands in the text.
TEST_F(BinaryDocumentTest, EachStoryKeepsTheCodesOfItsOwnMergeFields) {
  TW_SKIP_WITHOUT_LIBREOFFICE();
  using engine::model::StoryKind;
  const std::string words = " MERGEFIELD datum \\@ \"d MMMM yyyy\" ";
  const std::string digits = " MERGEFIELD datum \\@ \"dd-MM-yy\" ";
  const std::string upper = " MERGEFIELD datum \\* Upper ";
  const std::string w = "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"";
  auto story = [&](const std::string& root, const std::string& content) {
    return "<w:" + root + " " + w + ">" + paragraph(content) + "</w:" + root + ">";
  };
  const std::string footnotes = "<w:footnotes " + w + "><w:footnote w:id=\"1\">" +
                                paragraph("<w:r><w:footnoteRef/></w:r>" + run(" Op ") + field(digits)) +
                                "</w:footnote></w:footnotes>";
  struct Case {
    const char* name;
    std::string body;
    std::vector<RelatedPart> parts;
    std::vector<std::pair<StoryKind, std::string>> expected;
  };
  const std::string footer =
      "<w:sectPr><w:footerReference w:type=\"default\" r:id=\"rIdfooter\"/></w:sectPr>";
  const std::string footnoteReference = "<w:r><w:footnoteReference w:id=\"1\"/></w:r>";
  const Case cases[] = {
      {"body and footer",
       paragraph(run("Datum: ") + field(words)) + footer,
       {{"footer1.xml", "footer", "footer", story("ftr", field(digits))}},
       {{StoryKind::Main, words}, {StoryKind::Footer, digits}}},
      {"body and footnote",
       paragraph(run("Datum: ") + footnoteReference + field(words)),
       {{"footnotes.xml", "footnotes", "footnotes", footnotes}},
       {{StoryKind::Main, words}, {StoryKind::Footnotes, digits}}},
      {"body and a text box before it",
       paragraph(textBox(field(digits))) + paragraph(run("Datum: ") + field(words)),
       {},
       {{StoryKind::Main, words}, {StoryKind::TextBox, digits}}},
      {"footer and a text box of the body",
       paragraph(textBox(field(words))) + footer,
       {{"footer1.xml", "footer", "footer", story("ftr", field(digits))}},
       {{StoryKind::Footer, digits}, {StoryKind::TextBox, words}}},
      {"footnote and a text box of the body",
       paragraph(textBox(field(words))) + paragraph(run("Zie ") + footnoteReference),
       {{"footnotes.xml", "footnotes", "footnotes", footnotes}},
       {{StoryKind::Footnotes, digits}, {StoryKind::TextBox, words}}},
      {"first-page header and footer",
       paragraph(field(words)) +
           "<w:sectPr><w:headerReference w:type=\"first\" r:id=\"rIdheader\"/>"
           "<w:footerReference w:type=\"default\" r:id=\"rIdfooter\"/><w:titlePg/></w:sectPr>",
       {{"header1.xml", "header", "header", story("hdr", field(upper))},
        {"footer1.xml", "footer", "footer", story("ftr", field(digits))}},
       {{StoryKind::Main, words}, {StoryKind::Header, upper}, {StoryKind::Footer, digits}}},
  };
  using engine::convert::Word97Story;
  auto storyOf = [](StoryKind kind) {
    switch (kind) {
      case StoryKind::Footnotes:
        return Word97Story::Footnotes;
      case StoryKind::Endnotes:
        return Word97Story::Endnotes;
      case StoryKind::Header:
      case StoryKind::Footer:
        return Word97Story::HeadersFooters;
      case StoryKind::TextBox:
        return Word97Story::TextBoxes;
      default:
        return Word97Story::Main;
    }
  };
  auto converter = engine::convert::libreOfficeConverter(soffice(""));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string source = docxWithParts(c.body, c.parts);
    ASSERT_EQ(codesByStory(source), c.expected) << "the source document";
    std::string binary = toWord97KeepingSwitches(source);
    std::multiset<std::pair<Word97Story, std::string>> read, expected;
    for (const auto& field : engine::convert::word97Fields(binary)) {
      if (engine::mailmerge::parseFieldCode(field.code).keyword == "MERGEFIELD")  // not a text box's SHAPE
        read.emplace(field.story, field.code);
    }
    for (const auto& [kind, code] : c.expected) expected.emplace(storyOf(kind), code);
    EXPECT_EQ(read, expected) << "the binary document's fields by kind of story";
    EXPECT_EQ(codesByStory(converter->toDocx(binary, "sjabloon.doc")), c.expected);
  }
}

// A Word 97 compound file as small as it gets: `text` in one Windows-1252 piece of the WordDocument
// stream (4096 bytes, in regular sectors), the piece table in a 0Table stream small enough for the mini
// stream. `storyLengths` are the FIB's character counts of the stories (main text, footnotes, headers,
// macro text, comments, endnotes, text boxes, header text boxes).
std::string tinyWord97(const std::string& text, const std::vector<std::uint32_t>& storyLengths = {}) {
  auto put16 = [](std::string& out, std::size_t at, std::uint32_t v) {
    out[at] = static_cast<char>(v & 0xFF);
    out[at + 1] = static_cast<char>(v >> 8 & 0xFF);
  };
  auto put32 = [&](std::string& out, std::size_t at, std::uint32_t v) {
    put16(out, at, v & 0xFFFF);
    put16(out, at + 2, v >> 16);
  };
  constexpr std::uint32_t kEnd = 0xFFFFFFFE, kFree = 0xFFFFFFFF;
  std::string word(4096, '\0');
  put16(word, 0, 0xA5EC);
  put16(word, 2, 0xC1);
  put32(word, 0x1A2, 0);   // the piece table's place in 0Table
  put32(word, 0x1A6, 21);  // and size
  for (std::size_t i = 0; i < storyLengths.size(); ++i) put32(word, 0x4C + 4 * i, storyLengths[i]);
  word.replace(2048, text.size(), text);
  std::string table(64, '\0');
  table[0] = 0x02;
  put32(table, 1, 16);  // two character positions and one piece descriptor
  put32(table, 5, 0);
  put32(table, 9, static_cast<std::uint32_t>(text.size()));
  put32(table, 15, (2048 * 2) | 0x40000000);  // compressed: eight bits a character
  // Sectors: 0 allocation table, 1 directory, 2 mini allocation table, 3-10 WordDocument, 11 mini stream.
  std::string file(512 * 13, '\0');
  std::string header(512, '\0');
  header.replace(0, 8, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");
  put16(header, 0x18, 0x3E), put16(header, 0x1A, 3), put16(header, 0x1C, 0xFFFE);
  put16(header, 0x1E, 9), put16(header, 0x20, 6);
  put32(header, 0x2C, 1), put32(header, 0x30, 1), put32(header, 0x38, 4096);
  put32(header, 0x3C, 2), put32(header, 0x40, 1), put32(header, 0x44, kEnd);
  for (std::size_t i = 0; i < 109; ++i) put32(header, 0x4C + 4 * i, i == 0 ? 0 : kFree);
  file.replace(0, 512, header);
  auto sector = [](std::size_t n) { return 512 * (n + 1); };
  for (std::size_t i = 0; i < 128; ++i) put32(file, sector(0) + 4 * i, kFree);
  put32(file, sector(0), 0xFFFFFFFD), put32(file, sector(0) + 4, kEnd), put32(file, sector(0) + 8, kEnd);
  for (std::uint32_t n = 3; n <= 10; ++n) put32(file, sector(0) + 4 * n, n == 10 ? kEnd : n + 1);
  put32(file, sector(0) + 44, kEnd);
  auto entry = [&](std::size_t index, const std::string& name, int type, std::uint32_t start,
                   std::uint32_t size) {
    std::size_t at = sector(1) + 128 * index;
    for (std::size_t i = 0; i < name.size(); ++i) file[at + 2 * i] = name[i];
    put16(file, at + 0x40, static_cast<std::uint32_t>(2 * name.size() + 2));
    file[at + 0x42] = static_cast<char>(type);
    put32(file, at + 0x74, start), put32(file, at + 0x78, size);
  };
  entry(0, "Root Entry", 5, 11, 64);
  entry(1, "WordDocument", 2, 3, 4096);
  entry(2, "0Table", 2, 0, 64);
  for (std::size_t i = 0; i < 128; ++i) put32(file, sector(2) + 4 * i, i == 0 ? kEnd : kFree);
  file.replace(sector(3), 4096, word);
  file.replace(sector(11), 64, table);
  return file;
}

TEST(Word97Fields, CodesComeInTextOrderWithNestedFieldsMarked) {
  const std::string text =
      "Aan \x13 MERGEFIELD naam \\* Upper \x14\xABnaam\xBB\x15, "
      "\x13 IF \x13 MERGEFIELD caf\xE9 \x14x\x15 = 1 \"ja\" \x14ja\x15.\r";
  EXPECT_EQ(engine::convert::word97Fields(tinyWord97(text)),
            (std::vector<engine::convert::Word97Field>{{" MERGEFIELD naam \\* Upper ", false},
                                                       {" IF  = 1 \"ja\" ", false},
                                                       {" MERGEFIELD caf\xC3\xA9 ", true}}));
}

TEST(Word97Fields, EachFieldKnowsItsKindOfStoryFromTheStoryLengths) {
  using enum engine::convert::Word97Story;
  const std::string main = "Aan \x13 MERGEFIELD naam \x15\r", notes = "\x13 MERGEFIELD datum \x15\r",
                    headers = "\x13 PAGE \x15\r", boxes = "\x13 MERGEFIELD naam \x14x\x15\r";
  auto length = [](const std::string& story) { return static_cast<std::uint32_t>(story.size()); };
  const std::uint32_t m = length(main), n = length(notes), h = length(headers), b = length(boxes);
  struct Case {
    const char* name;
    std::vector<std::uint32_t> lengths;
    std::vector<engine::convert::Word97Story> expected;
  };
  const Case cases[] = {
      {"the stories' lengths", {m, n, h, 0, 0, 0, b, 0}, {Main, Footnotes, HeadersFooters, TextBoxes}},
      {"as comments and endnotes", {m, 0, 0, 0, n, h, 0, b}, {Main, Comments, Endnotes, HeaderTextBoxes}},
      {"no lengths", {}, {Main, Main, Main, Main}},
      {"lengths past the text", {m, n, h, 0, 0, 0, b + 10, 0}, {Main, Main, Main, Main}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<engine::convert::Word97Story> stories;
    for (const auto& field :
         engine::convert::word97Fields(tinyWord97(main + notes + headers + boxes + "\r", c.lengths)))
      stories.push_back(field.story);
    EXPECT_EQ(stories, c.expected);
  }
}

// A column's fields pair up within each kind of story; a kind where the conversion holds another number
// of them pairs up in the order of the whole text.
TEST(Word97Fields, ConvertedMergeFieldsTakeTheCodesOfTheirKindOfStory) {
  using enum engine::convert::Word97Story;
  using engine::model::StoryKind;
  const std::string body = paragraph(textBox(mergefield("datum"))) +
                           paragraph(mergefield("datum") + mergefield("naam")) +
                           "<w:sectPr><w:headerReference w:type=\"default\" r:id=\"rIdheader\"/></w:sectPr>";
  const std::string header =
      "<w:hdr xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">" +
      paragraph(mergefield("naam")) + "</w:hdr>";
  std::string restored = engine::convert::restoreMergeFieldCodes(
      docxWithParts(body, {{"header1.xml", "header", "header", header}}),
      {{" MERGEFIELD datum \\@ \"d MMMM yyyy\" ", false, Main},
       {" MERGEFIELD naam \\* Upper ", false, Main},
       {" MERGEFIELD naam \\* Lower ", false, Main},  // lost in the conversion
       {" MERGEFIELD naam \\* FirstCap ", false, HeadersFooters},
       {" MERGEFIELD datum \\@ \"dd-MM-yy\" ", false, TextBoxes}});
  EXPECT_EQ(codesByStory(restored), (std::vector<std::pair<StoryKind, std::string>>{
                                        {StoryKind::Main, " MERGEFIELD datum \\@ \"d MMMM yyyy\" "},
                                        {StoryKind::Main, " MERGEFIELD naam \\* Upper "},
                                        {StoryKind::Header, " MERGEFIELD naam \\* FirstCap "},
                                        {StoryKind::TextBox, " MERGEFIELD datum \\@ \"dd-MM-yy\" "}}));
}

TEST(Word97Fields, ConvertedMergeFieldsTakeTheCodesOfTheirColumnsOutsideOtherFields) {
  using engine::convert::Word97Field;
  std::string docx =
      buildDocx(paragraph(mergefield("naam") + "<w:fldSimple w:instr=\" MERGEFIELD bedrag \">" + run("x") +
                          "</w:fldSimple>" + mergefield("plaats")));
  std::string restored = engine::convert::restoreMergeFieldCodes(
      docx, {{" MERGEFIELD Naam \\* Upper ", true},  // inside an IF, which LibreOffice drops
             {" MERGEFIELD Naam \\* Lower ", false},
             {" MERGEFIELD bedrag \\# 0,00 ", false},
             {" PAGE ", false}});
  auto model = engine::loadDocument(restored, "restored.docx");
  std::vector<std::string> codes;
  for (const auto& field : model->mainStory()->fields())
    codes.push_back(
        model->mainStory()->text(field.begin + 1, field.separator >= 0 ? field.separator : field.end, true));
  EXPECT_EQ(codes, (std::vector<std::string>{" MERGEFIELD Naam \\* Lower ", " MERGEFIELD bedrag \\# 0,00 ",
                                             " MERGEFIELD plaats "}));
}

TEST(Word97Fields, DamagedFilesGiveWhatCanBeReadAndNeverMore) {
  std::string noise(20000, '\0');
  std::uint32_t state = 99;
  for (char& c : noise) c = static_cast<char>((state = state * 1103515245u + 12345u) >> 24);
  const std::string signature("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
  std::string header = signature + noise.substr(0, 504);
  header[0x1E] = 9, header[0x1F] = 0, header[0x20] = 6, header[0x21] = 0;  // plausible sector sizes
  for (const std::string& bytes :
       {std::string(), signature, signature + noise, header + noise, header.substr(0, 0x50)}) {
    EXPECT_TRUE(engine::convert::word97Fields(bytes).empty());
  }
  // Cut anywhere, or with a chain of sectors that loops, a real file ends the reading early.
  const std::string tiny = tinyWord97("\x13 MERGEFIELD naam \x15");
  for (std::size_t size = 0; size < tiny.size(); size += 61)
    engine::convert::word97Fields(tiny.substr(0, size));
  std::string looping = tiny;
  looping[512 + 4 * 3] = 3,
                    looping[512 + 4 * 3 + 1] = looping[512 + 4 * 3 + 2] = looping[512 + 4 * 3 + 3] = 0;
  EXPECT_LE(engine::convert::word97Fields(looping).size(), 1u);
  EXPECT_EQ(engine::convert::restoreMergeFieldCodes("not a package", {}), "not a package");
}

// Damaged binary documents: an error naming the file, no document, no files left.
TEST_F(BinaryDocumentTest, DamagedDocumentsFailCleanly) {
  TW_SKIP_WITHOUT_LIBREOFFICE();
  const std::string signature("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
  std::string noise(6000, '\0');
  std::uint32_t state = 7;
  for (char& c : noise) c = static_cast<char>((state = state * 1103515245u + 12345u) >> 24);
  const std::string real = word97().at("table");
  const std::pair<const char*, std::string> cases[] = {
      {"noise after the signature", signature + noise},
      {"the signature alone", signature},
      {"half a real document", real.substr(0, real.size() / 2)},
  };
  auto word = converting();
  for (const auto& [name, bytes] : cases) {
    SCOPED_TRACE(name);
    try {
      word->Documents()->Open(put("kapot.doc", bytes));
      ADD_FAILURE() << "opened";
    } catch (const runtime::Error& e) {
      EXPECT_EQ(e.number(), 5792);
      EXPECT_NE(e.description().find("kapot.doc"), std::string::npos) << e.description();
      EXPECT_NE(e.description().find("Word 97-2003"), std::string::npos) << e.description();
    }
    EXPECT_EQ(word->Documents()->Count(), 0);
    EXPECT_TRUE(isEmptyFolder(work.path()));
  }
}

// True while `pid` runs (a zombie has ended).
bool running(const std::string& pid) {
  std::ifstream stat("/proc/" + pid + "/stat");
  std::string line;
  if (!std::getline(stat, line)) return false;
  return line.substr(line.rfind(')') + 2, 1) != "Z";
}

TEST_F(BinaryDocumentTest, AConversionThatHangsIsStoppedWithWhatItStarted) {
  // A stand-in for soffice that starts a child process and never ends; both note their process ids.
  const std::string pids = (temp.path() / "pids").string();
  temp.write("soffice",
             "#!/bin/sh\necho $$ > '" + pids + "'\nsleep 600 &\necho $! >> '" + pids + "'\nwait\n");
  std::filesystem::permissions(temp.path() / "soffice", std::filesystem::perms::owner_all);
  auto word = converting(soffice((temp.path() / "soffice").string(), 500ms));
  try {
    word->Documents()->Open(put("hangt.doc", std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8)));
    ADD_FAILURE() << "opened";
  } catch (const runtime::Error& e) {
    EXPECT_NE(e.description().find("hangt.doc"), std::string::npos) << e.description();
    EXPECT_NE(e.description().find("did not finish within 500 ms"), std::string::npos) << e.description();
  }
  std::ifstream started(pids);
  std::string pid;
  int seen = 0;
  while (started >> pid) {
    ++seen;
    EXPECT_FALSE(running(pid)) << "process " << pid << " still runs";
  }
  EXPECT_EQ(seen, 2);
  EXPECT_TRUE(isEmptyFolder(work.path()));
}

// The running processes whose command line mentions `text`.
std::vector<std::string> processesMentioning(const std::string& text) {
  std::vector<std::string> found;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    std::string pid = entry.path().filename().string();
    if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream in(entry.path() / "cmdline", std::ios::binary);
    std::string cmdline((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (cmdline.find(text) != std::string::npos && running(pid)) found.push_back(pid + " " + cmdline);
  }
  return found;
}

TEST_F(BinaryDocumentTest, SofficeStoppedInTheMiddleLeavesNoProcessOrFile) {
  TW_SKIP_WITHOUT_LIBREOFFICE();
  auto word = converting(soffice("", 300ms));  // far too short for LibreOffice to start
  EXPECT_THROW(word->Documents()->Open(put("traag.doc", word97().at("table"))), runtime::Error);
  EXPECT_EQ(processesMentioning(work.path().string()), std::vector<std::string>());
  EXPECT_TRUE(isEmptyFolder(work.path()));
}

// Restores PATH when it goes.
struct PathOverride {
  explicit PathOverride(const std::string& path) : saved(std::getenv("PATH") ? std::getenv("PATH") : "") {
    ::setenv("PATH", path.c_str(), 1);
  }
  ~PathOverride() { ::setenv("PATH", saved.c_str(), 1); }
  std::string saved;
};

TEST_F(BinaryDocumentTest, WithoutLibreOfficeTheErrorNamesTheFile) {
  const std::string binary = std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + std::string(600, '\0');
  struct Case {
    const char* name;
    std::string program;
    const char* reason;
  };
  const Case cases[] = {
      {"not on PATH", "", "LibreOffice, which converts such documents, is not installed"},
      {"cannot start", "/nonexistent/soffice", "cannot start /nonexistent/soffice"},
  };
  PathOverride emptyPath(work.path().string());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto word = converting(soffice(c.program));
    try {
      word->Documents()->Open(put("SjabloonDocument.doc", binary));
      ADD_FAILURE() << "opened";
    } catch (const runtime::Error& e) {
      EXPECT_EQ(e.number(), 5792);
      EXPECT_NE(e.description().find("SjabloonDocument.doc: it is a Word 97-2003 binary document"),
                std::string::npos)
          << e.description();
      EXPECT_NE(e.description().find(c.reason), std::string::npos) << e.description();
    }
    EXPECT_TRUE(isEmptyFolder(work.path()));
  }
}

}  // namespace
}  // namespace tw::testing
