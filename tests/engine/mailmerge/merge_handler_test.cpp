#include "engine/mailmerge/merge_handler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

#include "engine/engine_fixture.h"
#include "engine/mailmerge/picture_file.h"
#include "engine/model/document_model.h"
#include "support/unique_ids.h"

namespace tw::engine::mailmerge {
namespace {

using testing::field;
using testing::fieldChar;
using testing::instr;
using testing::paragraph;
using testing::run;

const char* kTextDriver = "Provider=MSDASQL;Driver={Microsoft Text Driver (*.csv)}";

// A Word session in a locale of the test's choosing.
class MergeHandlerTest : public ::testing::Test {
 protected:
  void start(const std::string& locale) {
    app.reset();  // Word goes before the system it runs on
    system = std::make_unique<posix::PosixSystem>(posix::PosixSystem::Options{.locale = locale});
    app = createApplication(*system);
  }
  std::string put(const std::string& name, const std::string& bytes) {
    temp.write(name, bytes);
    return temp.path().string() + "\\" + name;
  }
  // Merges a document of `body` with the CSV text; the result becomes the active document.
  std::shared_ptr<word::Document> merge(const std::string& body, const std::string& csv,
                                        const std::string& locale = "nl-NL") {
    start(locale);
    auto main = app->Documents()->Open(put("main.docx", testing::buildDocx(body)));
    main->MailMerge()->OpenDataSource(
        {put("data.csv", csv), std::nullopt, std::nullopt, std::string(kTextDriver)});
    EXPECT_EQ(main->MailMerge()->MainDocumentType(), word::wdFormLetters);
    main->MailMerge()->Execute(false);
    return app->ActiveDocument();
  }
  static std::string text(word::Document& document) { return document.Content()->Text(); }
  std::shared_ptr<word::Document> result() { return app->ActiveDocument(); }

  // Every merged result (and every other open document) holds its identifiers once.
  ~MergeHandlerTest() override {
    if (app) {
      for (const auto& document : app->openDocuments()) {
        EXPECT_EQ(testing::repeatedIdentifiers(app->modelOf(*document).package().save()),
                  std::vector<std::string>{})
            << document->Name();
      }
    }
    app.reset();
  }

  testing::TempFolder temp;
  std::unique_ptr<posix::PosixSystem> system;
  std::shared_ptr<EngineApplication> app;
};

std::string mergefield(const std::string& spec) {
  return field(" MERGEFIELD " + spec + " ", "x");
}

TEST_F(MergeHandlerTest, MergeResultsAsWordShowsThem) {
  struct Case {
    std::string name;
    std::string locale;
    std::string body;
    std::string csv;
    std::string expected;
  };
  const std::string split = fieldChar("begin") + instr(" MERGE") + instr("FIELD na") + instr("a") +
                            instr("m ") + fieldChar("separate") + run("x") + fieldChar("end");
  const Case cases[] = {
      {"plain", "nl-NL", paragraph(run("Aan ") + mergefield("naam")), "naam\r\nJansen\r\n", "Aan Jansen\r"},
      {"code over five runs", "nl-NL", paragraph(split), "naam\nJansen\n", "Jansen\r"},
      {"number nl-NL", "nl-NL", paragraph(mergefield("bedrag \\# \"#.##0,00\"")), "bedrag\n\"1234,5\"\n",
       "1.234,50\r"},
      {"number en-US", "en-US", paragraph(mergefield("bedrag \\# \"#,##0.00\"")), "bedrag\n1234.5\n",
       "1,234.50\r"},
      {"Dutch date", "nl-NL", paragraph(mergefield("datum \\@ \"d MMMM yyyy\"")), "datum\n2026-12-10\n",
       "10 december 2026\r"},
      {"upper", "nl-NL", paragraph(mergefield("naam \\* Upper")), "naam\nJansen\n", "JANSEN\r"},
      {"before and after", "nl-NL", paragraph(mergefield("naam \\b \"Aan: \" \\f \"!\"")), "naam\nJansen\n",
       "Aan: Jansen!\r"},
      {"before and after an empty value", "nl-NL", paragraph(mergefield("naam \\b \"Aan: \" \\f \"!\"")),
       "naam,x\n,1\n", "\r"},
      {"IF on a merged value", "nl-NL",
       paragraph(fieldChar("begin") + instr(" IF ") + field(" MERGEFIELD bedrag ", "0") +
                 instr(" > 100 \"groot\" \"klein\" ") + fieldChar("separate") + run("?") + fieldChar("end")),
       "bedrag\n250\n", "groot\r"},
      {"no such column", "nl-NL", paragraph(run("[") + mergefield("onbekend") + run("]")), "naam\nJansen\n",
       "[]\r"},
      {"fields a merge leaves", "nl-NL", paragraph(field(" PAGE ", "1")), "naam\nJansen\n", "1\r"},
  };
  for (const Case& c : cases) {
    auto result = merge(c.body, c.csv, c.locale);
    EXPECT_EQ(text(*result), c.expected) << c.name;
  }
}

// One record and no record steps: the main text is merged as it is copied. The document must be the one
// the general way makes, which a NEXT field at the very end (stepping past everything) forces.
TEST_F(MergeHandlerTest, OneRecordMergesAsTheGeneralWayDoes) {
  const std::string w = "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"";
  const std::string footnotes = "<w:footnotes " + w + "><w:footnote w:id=\"1\">" +
                                paragraph(run("noot ") + mergefield("naam")) + "</w:footnote></w:footnotes>";
  const std::string relationships =
      "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
      "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
      "footnotes\" Target=\"footnotes.xml\"/></Relationships>";
  const std::string reference = "<w:r><w:footnoteReference w:id=\"1\"/></w:r>";
  const std::string box =
      "<w:r><w:pict><v:shape style=\"width:100pt;height:50pt\"><v:textbox><w:txbxContent>" +
      paragraph(mergefield("naam")) + "</w:txbxContent></v:textbox></v:shape></w:pict></w:r>";
  struct Case {
    std::string name;
    std::string body;
    bool notes = false;
  };
  const Case cases[] = {
      {"text, a field that stays, a table",
       paragraph("<w:r><w:rPr><w:b/></w:rPr><w:t>Aan </w:t></w:r>" + mergefield("naam \\* Upper") + run(" ") +
                 field(" PAGE ", "1")) +
           testing::table({testing::row({mergefield("naam"), mergefield("plaats") + run("!")})}, 2)},
      {"text with a tab, across paragraphs",
       paragraph(run("[") + mergefield("regels") + run("]")) +
           paragraph(fieldChar("begin") + instr(" MERGEFIELD naam ")) +
           paragraph(fieldChar("separate") + run("x") + fieldChar("end"))},
      {"a note referenced in a result and in the text",
       paragraph(fieldChar("begin") + instr(" MERGEFIELD naam ") + fieldChar("separate") + reference +
                 fieldChar("end") + reference),
       true},
      {"a text box", paragraph(run("Brief") + box)},
  };
  const std::string csv = "naam,plaats,regels\nJansen,Delft,\"een\ttwee\"\n";
  for (const Case& c : cases) {
    std::map<std::string, std::string> parts[2];
    for (int general = 0; general < 2; ++general) {
      const std::string body = c.body + paragraph(run("Einde") + (general ? field(" NEXT ", "") : ""));
      std::vector<std::pair<std::string, std::string>> extra;
      if (c.notes)
        extra = {{"word/footnotes.xml", footnotes}, {"word/_rels/document.xml.rels", relationships}};
      start("nl-NL");
      auto main = app->Documents()->Open(put("main.docx", testing::buildDocx(body, extra)));
      main->MailMerge()->OpenDataSource(
          {put("data.csv", csv), std::nullopt, std::nullopt, std::string(kTextDriver)});
      main->MailMerge()->Execute(false);
      result()->SaveAs(temp.path().string() + "\\merged.docx");
      auto saved = loadDocument(temp.read("merged.docx"), "merged.docx");
      for (const std::string& part : saved->package().partNames())
        parts[general][part] = saved->package().readPart(part);
    }
    EXPECT_NE(parts[0]["word/document.xml"].find("Jansen"), std::string::npos) << c.name;
    EXPECT_EQ(parts[0], parts[1]) << c.name;
  }
}

// Runs marked with a language, and a styles part whose default run properties mark one.
std::string runIn(const std::string& language, const std::string& xml) {
  std::string marked = xml;
  const std::string tag = "<w:r>";
  const std::string properties = "<w:r><w:rPr><w:lang w:val=\"" + language + "\"/></w:rPr>";
  for (size_t at = marked.find(tag); at != std::string::npos; at = marked.find(tag, at + properties.size()))
    marked.replace(at, tag.size(), properties);
  return marked;
}

std::vector<std::pair<std::string, std::string>> stylesWithLanguage(const std::string& language) {
  const std::string w = "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"";
  return {{"word/styles.xml", "<w:styles " + w + "><w:docDefaults><w:rPrDefault><w:rPr><w:lang w:val=\"" +
                                  language + "\"/></w:rPr></w:rPrDefault></w:docDefaults></w:styles>"},
          {"word/_rels/document.xml.rels",
           "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
           "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
           "relationships/styles\" Target=\"styles.xml\"/></Relationships>"}};
}

TEST_F(MergeHandlerTest, DateNamesFollowTheLanguageOfTheFieldsText) {
  struct Case {
    std::string name;
    std::string userLocale;
    std::string body;
    std::string defaultLanguage;  // "" for no styles part
    std::string expected;
  };
  const std::string date = mergefield("datum \\@ \"dddd d MMMM yyyy\"");
  const Case cases[] = {
      {"English run in a Dutch session", "nl-NL", paragraph(runIn("en-US", date)), "nl-NL",
       "Thursday 10 December 2026\r"},
      {"German run in an English session", "en-US", paragraph(runIn("de-DE", date)), "",
       "Donnerstag 10 Dezember 2026\r"},
      {"unmarked run: the document's default", "nl-NL", paragraph(date), "fr-FR",
       "jeudi 10 d\xE9"
       "cembre 2026\r"},
      {"unmarked run, no default: the user's", "nl-NL", paragraph(date), "", "donderdag 10 december 2026\r"},
      {"a language without names: the default", "en-US", paragraph(runIn("es-ES", date)), "nl-NL",
       "donderdag 10 december 2026\r"},
      {"unknown run and default: the user's", "en-GB", paragraph(runIn("sv-SE", date)), "fi-FI",
       "Thursday 10 December 2026\r"},
  };
  for (const Case& c : cases) {
    start(c.userLocale);
    auto parts = c.defaultLanguage.empty() ? std::vector<std::pair<std::string, std::string>>{}
                                           : stylesWithLanguage(c.defaultLanguage);
    auto main = app->Documents()->Open(put("main.docx", testing::buildDocx(c.body, parts)));
    // The value is read in the user's locale whatever the field's language.
    std::string value = c.userLocale == "nl-NL"   ? "10-12-2026"
                        : c.userLocale == "en-US" ? "12/10/2026"
                                                  : "10/12/2026";
    main->MailMerge()->OpenDataSource(
        {put("data.csv", "datum\n" + value + "\n"), std::nullopt, std::nullopt, std::string(kTextDriver)});
    main->MailMerge()->Execute(false);
    EXPECT_EQ(text(*result()), c.expected) << c.name;
  }
}

// The run properties of the run that shows `text` in the saved result.
std::string propertiesOfRunWith(word::Document& document, testing::TempFolder& temp,
                                const std::string& text) {
  document.SaveAs(temp.path().string() + "\\props.docx");
  auto saved = loadDocument(temp.read("props.docx"), "props.docx");
  pugi::xml_node body = saved->mainStory()->root();
  pugi::xml_node t = body.find_node([&](pugi::xml_node n) {
    return std::string_view(n.name()) == "w:t" && std::string_view(n.text().get()) == text;
  });
  std::ostringstream out;
  t.parent().child("w:rPr").print(out, "", pugi::format_raw);
  return out.str();
}

TEST_F(MergeHandlerTest, MergedTextTakesTheFormattingWordGivesIt) {
  auto marked = [](const std::string& property, const std::string& xml) {
    std::string out = xml;
    out.replace(out.find("<w:r>"), 5, "<w:r><w:rPr><w:" + property + "/></w:rPr>");
    return out;
  };
  // Begin run bold, code run italic, old result underlined.
  auto complex = [&](const std::string& code) {
    return marked("b", fieldChar("begin")) + marked("i", instr(code)) + fieldChar("separate") +
           marked("u", run("x")) + fieldChar("end");
  };
  struct Case {
    std::string name;
    std::string body;
    std::string expected;
  };
  const Case cases[] = {
      {"without MERGEFORMAT: the code's first character", paragraph(complex(" MERGEFIELD naam ")),
       "<w:rPr><w:i/></w:rPr>"},
      {"with MERGEFORMAT: the old result", paragraph(complex(" MERGEFIELD naam \\* MERGEFORMAT ")),
       "<w:rPr><w:u/></w:rPr>"},
      {"MERGEFORMAT without a result: the code",
       paragraph(marked("b", fieldChar("begin")) + marked("i", instr(" MERGEFIELD naam \\* MERGEFORMAT ")) +
                 fieldChar("end")),
       "<w:rPr><w:i/></w:rPr>"},
      {"code over runs: the first",
       paragraph(fieldChar("begin") + marked("strike", instr(" MERGE")) + marked("i", instr("FIELD naam ")) +
                 fieldChar("separate") + run("x") + fieldChar("end")),
       "<w:rPr><w:strike/></w:rPr>"},
      {"the blank before the keyword does not count",
       paragraph(fieldChar("begin") + instr(" ") + marked("i", instr("MERGEFIELD naam")) + instr(" ") +
                 fieldChar("separate") + run("x") + fieldChar("end")),
       "<w:rPr><w:i/></w:rPr>"},
      {"simple field",
       paragraph("<w:fldSimple w:instr=\" MERGEFIELD naam \">" + marked("i", run("x")) + "</w:fldSimple>"),
       "<w:rPr><w:i/></w:rPr>"},
  };
  for (const Case& c : cases) {
    auto result = merge(c.body, "naam\nJansen\n");
    EXPECT_EQ(propertiesOfRunWith(*result, temp, "Jansen"), c.expected) << c.name;
  }
}

TEST_F(MergeHandlerTest, NextFieldsStepToTheNextRecordOnTheSameSheet) {
  // Three labels a sheet: a NEXT field between them.
  const std::string labels =
      paragraph(mergefield("naam") + run("|") + field(" NEXT ", "") + mergefield("naam") + run("|") +
                field(" next ", "") + mergefield("naam"));
  struct Case {
    std::string csv;
    std::string expected;
  };
  const Case cases[] = {
      {"naam\nA\nB\nC\n", "A|B|C\r"},
      {"naam\nA\nB\nC\nD\n", "A|B|C\rD||\r"},  // the last sheet's labels past the data stay empty
      {"naam\nA\nB\nC\nD\nE\nF\nG\n", "A|B|C\rD|E|F\rG||\r"},
      {"naam\nA\n", "A||\r"},
  };
  for (const Case& c : cases) {
    auto result = merge(labels, c.csv);
    EXPECT_EQ(text(*result), c.expected) << c.csv;
    auto fields = result->Fields();
    for (long i = 1; i <= fields->Count(); ++i)
      EXPECT_NE(fields->Item(i)->Type(), word::wdFieldNext) << "a NEXT field stayed";
  }
  // A MERGEREC after a NEXT shows the record it stands in.
  auto result =
      merge(paragraph(field(" MERGEREC ", "") + run(",") + field(" NEXT ", "") + field(" MERGEREC ", "")),
            "naam\nA\nB\nC\nD\n");
  EXPECT_EQ(text(*result), "1,2\r3,4\r");
}

// NEXTIF or SKIPIF comparing a merge field: { KEYWORD { MERGEFIELD column } rest }.
std::string recordStep(const std::string& keyword, const std::string& column, const std::string& rest) {
  std::string escaped;
  for (char c : rest) escaped += c == '<' ? "&lt;" : c == '>' ? "&gt;" : std::string(1, c);
  return fieldChar("begin") + instr(" " + keyword + " ") + mergefield(column) + instr(" " + escaped + " ") +
         fieldChar("end");
}

TEST_F(MergeHandlerTest, NextIfAndSkipIfStepAndSkipAsTheirConditionsSay) {
  const std::string csv = "naam,plaats,bedrag\nA,Utrecht,10\nB,Utrecht,100\nC,Delft,30\nD,Den Haag,5\n";
  const std::string name = mergefield("naam");
  auto skipIf = [&](const std::string& column, const std::string& rest) {
    return paragraph(recordStep("SKIPIF", column, rest) + name);
  };
  struct Case {
    std::string name;
    std::string body;
    std::string expected;
  };
  const Case cases[] = {
      {"NEXTIF holds: the next label shows the next record",
       paragraph(name + run("|") + recordStep("NEXTIF", "plaats", "= \"Utrecht\"") + name),
       "A|B\rC|C\rD|D\r"},
      {"NEXTIF never holds", paragraph(name + run("|") + recordStep("NEXTIF", "plaats", "= Nergens") + name),
       "A|A\rB|B\rC|C\rD|D\r"},
      {"SKIPIF =", skipIf("plaats", "= \"Utrecht\""), "C\rD\r"},
      {"SKIPIF compares text with case", skipIf("plaats", "= \"utrecht\""), "A\rB\rC\rD\r"},
      {"SKIPIF quoted text with a blank", skipIf("plaats", "= \"Den Haag\""), "A\rB\rC\r"},
      {"SKIPIF < on numbers, not text", skipIf("bedrag", "< 20"), "B\rC\r"},
      {"SKIPIF <=", skipIf("bedrag", "<= 10"), "B\rC\r"},
      {"SKIPIF >", skipIf("bedrag", "> 10"), "A\rD\r"},
      {"SKIPIF >=", skipIf("bedrag", ">= 30"), "A\rD\r"},
      {"SKIPIF <> with *", skipIf("plaats", "<> \"D*\""), "C\rD\r"},
      {"SKIPIF = with ?", skipIf("plaats", "= ?elft"), "A\rB\rD\r"},
      {"SKIPIF operator glued", skipIf("bedrag", ">=30"), "A\rD\r"},
      {"SKIPIF drops the whole sheet of a NEXT",
       paragraph(name + run("|") + field(" NEXT ", "") + recordStep("SKIPIF", "plaats", "= \"Den Haag\"") +
                 name),
       "A|B\r"},
      {"MERGEREC counts skipped records",
       paragraph(recordStep("SKIPIF", "plaats", "= Utrecht") + field(" MERGEREC ", "")), "3\r4\r"},
      {"SKIPIF after the text it drops", paragraph(name + recordStep("SKIPIF", "bedrag", "< 20")), "B\rC\r"},
      {"every record skipped", skipIf("naam", "<> \"\""), "\r"},
  };
  for (const Case& c : cases) {
    auto result = merge(c.body, csv);
    EXPECT_EQ(text(*result), c.expected) << c.name;
    EXPECT_EQ(result->Fields()->Count(), 0) << c.name << ": a field stayed";
  }
}

TEST_F(MergeHandlerTest, EveryRecordHasNotesOfItsOwn) {
  const std::string w = "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"";
  auto notesPart = [&](const std::string& kind) {
    return "<w:" + kind + "s " + w + "><w:" + kind + " w:type=\"separator\" w:id=\"-1\"><w:p/></w:" + kind +
           "><w:" + kind + " w:id=\"1\">" + paragraph(run("noot ") + mergefield("naam")) + "</w:" + kind +
           "><w:" + kind + " w:id=\"2\">" + paragraph(run("vast")) + "</w:" + kind + "></w:" + kind + "s>";
  };
  const std::string relationships =
      "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
      "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
      "footnotes\" Target=\"footnotes.xml\"/>"
      "<Relationship Id=\"rId2\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
      "endnotes\" Target=\"endnotes.xml\"/></Relationships>";
  const std::string body = paragraph(run("Brief") + "<w:r><w:footnoteReference w:id=\"1\"/></w:r>" +
                                     "<w:r><w:endnoteReference w:id=\"1\"/></w:r>" +
                                     "<w:r><w:footnoteReference w:id=\"2\"/></w:r>");
  start("nl-NL");
  auto main = app->Documents()->Open(
      put("main.docx", testing::buildDocx(body, {{"word/footnotes.xml", notesPart("footnote")},
                                                 {"word/endnotes.xml", notesPart("endnote")},
                                                 {"word/_rels/document.xml.rels", relationships}})));
  main->MailMerge()->OpenDataSource({put("data.csv", "naam\nJansen\nde Vries\nBakker\n"), std::nullopt,
                                     std::nullopt, std::string(kTextDriver)});
  main->MailMerge()->Execute(false);
  result()->SaveAs(temp.path().string() + "\\notes.docx");
  auto saved = loadDocument(temp.read("notes.docx"), "notes.docx");

  // The notes each reference of the result shows, in the order of the references.
  for (const std::string kind : {"footnote", "endnote"}) {
    pugi::xml_document notes;
    ASSERT_TRUE(notes.load_string(saved->package().readPart("word/" + kind + "s.xml").c_str()));
    std::map<std::string, std::string> textOf;
    for (pugi::xml_node note : notes.first_child().children()) {
      std::string content;
      for (pugi::xpath_node t : note.select_nodes(".//w:t")) content += t.node().text().get();
      textOf[note.attribute("w:id").value()] = content;
    }
    pugi::xml_document document;
    ASSERT_TRUE(document.load_string(saved->package().readPart("word/document.xml").c_str()));
    std::vector<std::string> shown;
    for (pugi::xpath_node reference : document.select_nodes((".//w:" + kind + "Reference").c_str()))
      shown.push_back(textOf[reference.node().attribute("w:id").value()]);
    std::vector<std::string> expected = {"noot Jansen", "noot de Vries", "noot Bakker"};
    if (kind == "footnote")
      expected = {"noot Jansen", "vast", "noot de Vries", "vast", "noot Bakker", "vast"};
    EXPECT_EQ(shown, expected) << kind;
  }
}

TEST_F(MergeHandlerTest, EveryRecordGetsASectionOfItsOwn) {
  auto result =
      merge(paragraph(run("Beste ") + mergefield("naam")), "naam\r\nJansen\r\nde Vries\r\nBakker\r\n");
  EXPECT_EQ(text(*result), "Beste Jansen\rBeste de Vries\rBeste Bakker\r");
  result->SaveAs(temp.path().string() + "\\letters.docx");
  std::string xml =
      loadDocument(temp.read("letters.docx"), "letters.docx")->package().readPart("word/document.xml");
  size_t breaks = 0;
  // A section break ends the last paragraph of every record but the last.
  for (size_t at = xml.find("</w:sectPr></w:pPr>"); at != std::string::npos;
       at = xml.find("</w:sectPr></w:pPr>", at + 1)) {
    ++breaks;
  }
  EXPECT_EQ(breaks, 2u);
  EXPECT_EQ(result->MailMerge()->MainDocumentType(), word::wdNotAMergeDocument);
}

TEST_F(MergeHandlerTest, TextBoxesTakeTheRecordOfTheirSection) {
  const std::string box =
      "<w:r><w:pict><v:shape style=\"width:100pt;height:50pt\"><v:textbox><w:txbxContent>" +
      paragraph(mergefield("naam")) + "</w:txbxContent></v:textbox></v:shape></w:pict></w:r>";
  auto result = merge(paragraph(run("Brief") + box), "naam\nJansen\nBakker\n");
  auto shapes = result->Shapes();
  ASSERT_EQ(shapes->Count(), 2);
  EXPECT_EQ(shapes->Item(1)->TextFrame()->TextRange()->Text(), "Jansen\r");
  EXPECT_EQ(shapes->Item(2)->TextFrame()->TextRange()->Text(), "Bakker\r");
}

TEST_F(MergeHandlerTest, PicturesArriveLinkedAndAreEmbeddedOnRequest) {
  start("nl-NL");
  const std::string png = std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x02\0\0\0\x03\x08\x02\0\0\0", 29);
  std::string logo = put("logo.png", png);
  std::string header =
      put("header.htm", "<HTML><BODY><TABLE><TR><TD>naam</TD><TD>img_logo</TD></TR></TABLE></BODY></HTML>");
  std::string data =
      put("data.htm", "<html><body><table><tr><td>Jansen</td><td><IMG width='120' height='80' SRC='" + logo +
                          "'></td></tr></table></body></html>");
  std::string pathInCode = logo;
  for (size_t at = pathInCode.find('\\'); at != std::string::npos; at = pathInCode.find('\\', at + 2)) {
    pathInCode.insert(at, "\\");
  }
  auto main = app->Documents()->Open(
      put("main.docx",
          testing::buildDocx(paragraph(mergefield("img_logo")) +
                             paragraph(field(" INCLUDEPICTURE \"" + pathInCode + "\" \\d ", "")) +
                             paragraph(field(" INCLUDEPICTURE \"" + pathInCode + ".weg\" \\d ", "")))));
  main->MailMerge()->OpenHeaderSource({header, word::wdOpenFormatWebPages, false, std::nullopt});
  main->MailMerge()->OpenDataSource({data, word::wdOpenFormatWebPages, false, std::nullopt});
  main->MailMerge()->Execute(false);

  auto result = app->ActiveDocument();
  auto shapes = result->InlineShapes();
  ASSERT_EQ(shapes->Count(), 2);
  for (long i = 1; i <= 2; ++i) {
    EXPECT_EQ(shapes->Item(i)->Type(), word::wdInlineShapeLinkedPicture);
    shapes->Item(i)->LinkFormat()->SetSavePictureWithDocument(true);
  }
  // A picture that is not there leaves Word's placeholder text.
  EXPECT_NE(text(*result).find(kPicturePlaceholderText), std::string::npos);
  result->SaveAs(temp.path().string() + "\\result.docx");
  auto saved = loadDocument(temp.read("result.docx"), "result.docx");
  size_t media = 0;
  for (const auto& part : saved->package().partNames()) media += part.rfind("word/media/", 0) == 0;
  EXPECT_EQ(media, 2u);
  std::string xml = saved->package().readPart("word/document.xml");
  EXPECT_NE(xml.find("cx=\"1143000\""), std::string::npos);  // 120 pixels wide
}

// Each record's copy repeats the template's drawing ids and bookmarks: the result renumbers the repeated
// drawing ids and keeps each bookmark with the first record.
TEST_F(MergeHandlerTest, RepeatedDrawingIdsAndBookmarksAreMadeUnique) {
  start("nl-NL");
  const std::string png = std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x02\0\0\0\x03\x08\x02\0\0\0", 29);
  std::string logo = put("logo.png", png);
  std::string pathInCode;
  for (char c : logo) pathInCode += c == '\\' ? std::string("\\\\") : std::string(1, c);
  auto main = app->Documents()->Open(put(
      "main.docx", testing::buildDocx(paragraph("<w:bookmarkStart w:id=\"0\" w:name=\"klant\"/>" +
                                                mergefield("naam") + "<w:bookmarkEnd w:id=\"0\"/>") +
                                      paragraph(field(" INCLUDEPICTURE \"" + pathInCode + "\" \\d ", "")))));
  main->MailMerge()->OpenDataSource({put("data.csv", "naam\nJansen\nde Vries\nBakker\n"), std::nullopt,
                                     std::nullopt, std::string(kTextDriver)});
  main->MailMerge()->Execute(false);
  result()->SaveAs(temp.path().string() + "\\unique.docx");
  std::string xml =
      loadDocument(temp.read("unique.docx"), "unique.docx")->package().readPart("word/document.xml");
  auto count = [&](const std::string& what) {
    size_t n = 0;
    for (size_t at = xml.find(what); at != std::string::npos; at = xml.find(what, at + 1)) ++n;
    return n;
  };
  EXPECT_EQ(count("<wp:docPr "), 3u);
  for (const char* id : {"<wp:docPr id=\"1\"", "<wp:docPr id=\"2\"", "<wp:docPr id=\"3\""})
    EXPECT_EQ(count(id), 1u) << id;
  EXPECT_EQ(count("<w:bookmarkStart "), 1u);
  EXPECT_EQ(count("<w:bookmarkEnd "), 1u);
  EXPECT_EQ(testing::repeatedIdentifiers(temp.read("unique.docx")), std::vector<std::string>{});
}

TEST_F(MergeHandlerTest, ExecuteWithoutADataSourceIsAnError) {
  start("nl-NL");
  auto main = app->Documents()->Open(put("main.docx", testing::buildDocx(paragraph(mergefield("naam")))));
  EXPECT_THROW(main->MailMerge()->Execute(false), runtime::Error);
  EXPECT_THROW(main->MailMerge()->OpenDataSource(
                   {put("kapot.csv", "naam\n\"open"), std::nullopt, std::nullopt, std::string(kTextDriver)}),
               runtime::Error);
}

// The data source belongs to the document it was attached to: a document opened after another one
// closed (its model often at the freed one's address) starts without one.
TEST_F(MergeHandlerTest, DataSourcesStayWithTheirDocument) {
  start("nl-NL");
  const std::string file = put("main.docx", testing::buildDocx(paragraph(mergefield("naam"))));
  const word::DataSourceArgs csv{put("data.csv", "naam\nJan\n"), std::nullopt, std::nullopt,
                                 std::string(kTextDriver)};
  for (int round = 0; round < 8; ++round) {
    {
      auto attached = app->Documents()->Open(file);
      attached->MailMerge()->OpenDataSource(csv);
      attached->Close(false);
    }
    auto fresh = app->Documents()->Open(file);
    try {
      fresh->MailMerge()->Execute(false);
      ADD_FAILURE() << "round " << round << ": a new document merged with a closed one's data source";
    } catch (const runtime::Error& e) {
      EXPECT_EQ(e.number(), 4605) << e.description();
    }
    fresh->Close(false);
  }
  // Two open documents keep a data source each.
  auto first = app->Documents()->Open(file);
  auto second = app->Documents()->Open(put("other.docx", testing::buildDocx(paragraph(mergefield("naam")))));
  first->MailMerge()->OpenDataSource(csv);
  EXPECT_THROW(second->MailMerge()->Execute(false), runtime::Error);
  first->MailMerge()->Execute(false);
  EXPECT_NE(text(*result()).find("Jan"), std::string::npos);
}

TEST_F(MergeHandlerTest, PrintingToAFileWritesTheTextOnlyDriversOutput) {
  auto result =
      merge(paragraph(run("Beste ") + mergefield("naam")) +
                "<w:tbl><w:tblGrid><w:gridCol/><w:gridCol/></w:tblGrid><w:tr><w:tc>" + paragraph(run("a")) +
                "</w:tc><w:tc>" + paragraph(run("bb")) + "</w:tc></w:tr></w:tbl>" + paragraph(""),
            "naam\nJansen\nBakker\n");
  std::string prn = temp.path().string() + "\\out.prn";
  result->PrintOut(word::wdPrintAllDocument, prn, true);
  std::string printed = temp.read("out.prn");
  EXPECT_NE(printed.find("Beste Jansen\r\n"), std::string::npos) << printed;
  EXPECT_NE(printed.find("a  bb"), std::string::npos) << printed;
  EXPECT_NE(printed.find('\f'), std::string::npos) << printed;
  EXPECT_NE(printed.find("Beste Bakker\r\n"), std::string::npos) << printed;
}

class MergedStoriesTest : public MergeHandlerTest {
 protected:
  // Opens a copy of the document at `path`.
  std::shared_ptr<word::Document> open(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return app->Documents()->Open(put(std::filesystem::path(path).filename().string(), file));
  }

  // Merges the document at `path` with `csv` and expects every value of `values` in a default
  // header or footer of the result.
  void expectHeadersAndFooters(const std::string& path, const std::string& csv,
                               const std::vector<std::string>& values) {
    SCOPED_TRACE(path);
    start("nl-NL");
    auto main = open(path);
    main->MailMerge()->OpenDataSource(
        {put("source.csv", csv), std::nullopt, std::nullopt, std::string(kTextDriver)});
    main->MailMerge()->Execute(false);
    result()->SaveAs(temp.path().string() + "\\merged.docx");

    auto merged = loadDocument(temp.read("merged.docx"), "merged.docx");
    std::vector<std::string> headers;
    for (const auto& ref : merged->headerFooterRefs()) {
      if (ref.type != "default") continue;
      for (const auto& story : merged->stories()) {
        if (story->part() == ref.part) headers.push_back(story->text(0, story->length(), false));
      }
    }
    auto contains = [&](const std::string& text) {
      return std::any_of(headers.begin(), headers.end(),
                         [&](const auto& h) { return h.find(text) != std::string::npos; });
    };
    for (const auto& value : values) EXPECT_TRUE(contains(value)) << value;
  }

  // Merges the document at `path` with a source that has a column for every merge field of every
  // story, each valued "v" + its name: no merge field is left in any story of the result.
  void expectEveryStoryMerged(const std::string& path) {
    SCOPED_TRACE(path);
    start("en-US");
    auto main = open(path);
    std::vector<std::string> columns;
    auto stories = main->StoryRanges();
    for (long s = 1; s <= stories->Count(); ++s) {
      auto fields = stories->Item(s)->Fields();
      for (long f = 1; f <= fields->Count(); ++f) {
        auto field = fields->Item(f);
        if (field->Type() != word::wdFieldMergeField) continue;
        std::string code = field->Code()->Text();
        size_t start = code.find_first_not_of(' ', code.find("MERGEFIELD") + 10);
        size_t end = code.find_first_of(" \\", start);
        std::string column = code.substr(start, end - start);
        if (!column.empty() && column[0] != '"' &&
            std::find(columns.begin(), columns.end(), column) == columns.end())
          columns.push_back(column);
      }
    }
    ASSERT_FALSE(columns.empty()) << path;
    std::string header, values;
    for (const auto& column : columns) {
      header += (header.empty() ? "" : ",") + column;
      values += (values.empty() ? "" : ",") + std::string("v") + column;
    }
    main->MailMerge()->OpenDataSource({put("source.csv", header + "\r\n" + values + "\r\n"), std::nullopt,
                                       std::nullopt, std::string(kTextDriver)});
    main->MailMerge()->Execute(false);
    auto result = app->ActiveDocument();
    auto resultStories = result->StoryRanges();
    std::string all;
    for (long s = 1; s <= resultStories->Count(); ++s) {
      auto fields = resultStories->Item(s)->Fields();
      for (long f = 1; f <= fields->Count(); ++f) {
        EXPECT_NE(fields->Item(f)->Type(), word::wdFieldMergeField)
            << path << ": " << fields->Item(f)->Code()->Text();
      }
      all += resultStories->Item(s)->Text();
    }
    EXPECT_NE(all.find("v"), std::string::npos) << path;
  }
};

TEST_F(MergedStoriesTest, EveryRecordHasHeadersAndFootersOfItsOwn) {
  expectHeadersAndFooters(std::string(TW_FIXTURES) + "/docx/header_footer.docx",
                          "bedrijf,plaats,noot\r\nkop1,voet1,noot1\r\nkop2,voet2,noot2\r\n",
                          {"kop1", "kop2", "voet1", "voet2"});
}

TEST_F(MergedStoriesTest, EveryRecordHasHeadersAndFootersOfItsOwnInAFileSavedByWord) {
  TW_SKIP_WITHOUT_SHARED_WORD_FILES();
  expectHeadersAndFooters(testing::sharedWordFile("12_docxmailmerge_headers_footers_footnote.docx"),
                          "headerfield,footerfield,fieldname\r\nkop1,voet1,tekst1\r\nkop2,voet2,tekst2\r\n",
                          {"kop1", "kop2", "voet1", "voet2"});
}

TEST_F(MergedStoriesTest, MergeFieldsOfEveryStoryAreFilled) {
  for (const char* name : {"fields.docx", "header_footer.docx", "table.docx", "textbox.docx"})
    expectEveryStoryMerged(std::string(TW_FIXTURES) + "/docx/" + name);
}

TEST_F(MergedStoriesTest, MergeFieldsOfEveryStoryAreFilledInFilesSavedByWord) {
  TW_SKIP_WITHOUT_SHARED_WORD_FILES();
  for (const char* name : {"01_docx4j_MERGEFIELD_switches.docx", "06_aspose_mergefield_b_switch.docx",
                           "12_docxmailmerge_headers_footers_footnote.docx",
                           "13_docxmailmerge_table_rows_macword.docx", "14_docxmailmerge_nested_if.docx"})
    expectEveryStoryMerged(testing::sharedWordFile(name));
}

TEST_F(MergedStoriesTest, NextFieldsFillALabelSheetSavedByWord) {
  TW_SKIP_WITHOUT_SHARED_WORD_FILES();
  // Four labels a sheet, "field/field" each, NEXT at the end of the first three.
  start("en-US");
  auto main = open(testing::sharedWordFile("15_docxmailmerge_NEXT_labels.docx"));
  main->MailMerge()->OpenDataSource(
      {put("source.csv", "field\nA\nB\nC\nD\nE\nF\n"), std::nullopt, std::nullopt, std::string(kTextDriver)});
  main->MailMerge()->Execute(false);
  EXPECT_EQ(result()->Content()->Text(), "A/A\rB/B\rC/C\rD/D\rE/E\rF/F\r/\r/\r");
}

TEST_F(MergedStoriesTest, EveryRecordHasItsFootnoteInAFileSavedByWord) {
  TW_SKIP_WITHOUT_SHARED_WORD_FILES();
  start("nl-NL");
  auto main = open(testing::sharedWordFile("12_docxmailmerge_headers_footers_footnote.docx"));
  main->MailMerge()->OpenDataSource(
      {put("source.csv", "headerfield,footerfield,fieldname\r\nk1,v1,eerste\r\nk2,v2,tweede\r\n"),
       std::nullopt, std::nullopt, std::string(kTextDriver)});
  main->MailMerge()->Execute(false);
  result()->SaveAs(temp.path().string() + "\\merged.docx");
  auto merged = loadDocument(temp.read("merged.docx"), "merged.docx");
  std::string notes;
  for (const auto& story : merged->stories()) {
    if (story->kind() == model::StoryKind::Footnotes) notes = story->text(0, story->length(), false);
  }
  EXPECT_NE(notes.find("Merge : eerste"), std::string::npos) << notes;
  EXPECT_NE(notes.find("Merge : tweede"), std::string::npos) << notes;
}

}  // namespace
}  // namespace tw::engine::mailmerge
