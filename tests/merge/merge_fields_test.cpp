#include "merge/merge_fields.h"

#include <gtest/gtest.h>

#include "merge/merge_test_fixture.h"

namespace tw::addin {
namespace {

using MergeFieldsTest = MergeTest;

TEST_F(MergeFieldsTest, FieldNameFromTheCode) {
  const std::pair<std::string, std::string> cases[] = {
      {" MERGEFIELD bedrag \\# \"#.##0,00\" ", "bedrag"},
      {" mergefield Naam ", "Naam"},
      {" MERGEFIELD naam", "naam"},
      {" MERGEFIELD img_logo_2 ", "img_logo_2"},
      {" MERGEFIELD na-me ", "na"},  // the name ends where the syntax does
      {" MERGEFIELDnaam ", ""},
      {" PAGE ", ""},
      {"", ""},
      // Codes the name syntax cannot read are read as Word reads them.
      {" MERGEFIELD  naam ", "naam"},                                     // two blanks
      {" MERGEFIELD\t naam \\* MERGEFORMAT ", "naam"},                    // a tab
      {" MERGEFIELD \"Last Name\" ", "Last Name"},                        // quoted
      {" MERGEFIELD \"Naam\"\\* Upper ", "Naam"},                         // a switch right after the quote
      {" MERGEFIELD \"de \\\"klant\\\" \\\\ x\" ", "de \"klant\" \\ x"},  // escapes inside quotes
      {" MERGEFIELD \"Prijs incl. btw\" \\# \"#.##0,00\" ", "Prijs incl. btw"},
      {" MERGEFIELD  naam\\* Upper ", "naam"},    // an unquoted name ends at a switch
      {" MERGEFIELD  naam klant ", "naam"},       // ... and at a blank
      {" MERGEFIELD naam \\* Upper\nx", "naam"},  // a line feed is a blank to Word
      {" MERGEFIELD \"\" ", ""},                  // names that cannot name a column
      {" MERGEFIELD \"naam ", ""},
      {" MERGEFIELD  \\* MERGEFORMAT ", ""},
      {" MERGEFIELD ", ""},
      {" MERGEFIELD\nnaam ", "naam"},
  };
  for (const auto& [code, name] : cases) EXPECT_EQ(addin.getMergefieldName(code), name) << code;
}

TEST(MergeFieldNameTest, NothingBeforeTheAddInIsActive) {
  JobSession session;
  EXPECT_EQ(session.addin.getMergefieldName(" MERGEFIELD naam "), "");
}

TEST_F(MergeFieldsTest, NumberPicturesFollowTheLocaleAndBack) {
  struct Case {
    std::string decimal;
    std::string thousands;
    std::string code;
    std::string localised;
  };
  const Case cases[] = {
      {",", ".", " MERGEFIELD bedrag \\# \"#.##0,00\" ", " MERGEFIELD bedrag \\# \"#.##0,00\" "},
      {".", ",", " MERGEFIELD bedrag \\# \"#.##0,00\" ", " MERGEFIELD bedrag \\# \"#,##0.00\" "},
      {".", ",", " MERGEFIELD bedrag \\# 1.234,5 ", " MERGEFIELD bedrag \\# 1,234.5 "},
      {".", ",", " MERGEFIELD datum \\@ \"d.M.yyyy\" ", " MERGEFIELD datum \\@ \"d.M.yyyy\" "},
      {".", ",", " MERGEFIELD a.b ", " MERGEFIELD a.b "},
      // The separators of a quoted name are part of the name.
      {".", ",", " MERGEFIELD \"Prijs incl. btw\" \\# \"#.##0,00\" ",
       " MERGEFIELD \"Prijs incl. btw\" \\# \"#,##0.00\" "},
  };
  int n = 0;
  for (const Case& c : cases) {
    auto document = open(paragraph(field(c.code)), "picture" + std::to_string(++n) + ".docx");
    addin.settings().decimalSeparator = c.decimal;
    addin.settings().thousandsSeparator = c.thousands;
    auto merge = document->Fields()->Item(1);
    addin.updateFormat(*merge);
    EXPECT_EQ(merge->Code()->Text(), c.localised) << c.code;
    addin.revertFormat(*merge);
    EXPECT_EQ(merge->Code()->Text(), c.code) << c.code;
    document->Close(false);
  }
}

TEST_F(MergeFieldsTest, ABlankThousandsSeparatorIsWrittenIntoThePicture) {
  auto document = open(paragraph(field(" MERGEFIELD bedrag \\# \"#.##0,00\" ")));
  addin.settings().decimalSeparator = ",";
  addin.settings().thousandsSeparator = " ";
  auto merge = document->Fields()->Item(1);
  addin.updateFormat(*merge);
  EXPECT_EQ(merge->Code()->Text(), " MERGEFIELD bedrag \\# \"# ##0,00\" ");
}

TEST_F(MergeFieldsTest, RevertFieldsVisitsTheMainTextAndTextBoxes) {
  const std::string box =
      "<w:r><w:pict><v:shape style=\"width:100pt;height:50pt\"><v:textbox><w:txbxContent>" +
      paragraph(field(" MERGEFIELD b \\# \"#,##0.00\" ")) +
      "</w:txbxContent></v:textbox></v:shape></w:pict></w:r>";
  auto document = open(paragraph(field(" MERGEFIELD a \\# \"#,##0.00\" ") + box));
  addin.settings().decimalSeparator = ".";
  addin.settings().thousandsSeparator = ",";
  addin.revertFields(*document);
  EXPECT_EQ(codes(*document->Fields()), std::vector<std::string>{" MERGEFIELD a \\# \"#.##0,00\" "});
  EXPECT_EQ(codes(*document->Shapes()->Item(1)->TextFrame()->TextRange()->Fields()),
            std::vector<std::string>{" MERGEFIELD b \\# \"#.##0,00\" "});
}

TEST_F(MergeFieldsTest, PictureFieldNestsTheMergeFieldInItsPath) {
  struct Case {
    std::string mode;
    std::string basePath;
    std::string expected;  // with TEMP standing for the TEMP folder, backslashes doubled
  };
  const Case cases[] = {
      {"record", "",
       " INCLUDEPICTURE \"TEMP\\\\twdoc\\\\{ MERGEFIELD img_logo |\xABimg_logo\xBB}.jpg\" \\d "},
      {"htmlString", "",
       " INCLUDEPICTURE \"TEMP\\\\twdoc\\\\{ MERGEFIELD img_logo |\xABimg_logo\xBB}.jpg\" \\d "},
      {"csvFile", "C:\\spool base\\",
       " INCLUDEPICTURE \"C:\\\\spool base\\\\documents\\\\spool\\\\{ MERGEFIELD img_logo "
       "|\xABimg_logo\xBB}\" \\d "},
  };
  int n = 0;
  for (const Case& c : cases) {
    auto document = open(paragraph(run("Logo: ") + mergefield("img_logo") + run(".")),
                         "logo" + std::to_string(++n) + ".docx");
    addin.settings().generateMode = GenerateMode(c.mode);
    addin.module().basePath = c.basePath;
    auto fields = document->Fields();
    insertPictureField(addin.context(), *fields->Item(1), *fields);

    fields = document->Fields();
    ASSERT_EQ(fields->Count(), 2) << c.mode;
    auto picture = fields->Item(1);
    EXPECT_EQ(picture->Type(), word::wdFieldIncludePicture);
    EXPECT_EQ(fields->Item(2)->Type(), word::wdFieldMergeField);
    EXPECT_EQ(fields->Item(2)->Code()->Text(), " MERGEFIELD img_logo ");
    // The whole code, with the nested field's marks shown as "{", "|" and "}".
    std::string code = picture->Code()->Text();
    for (char& ch : code) {
      if (ch == 19) ch = '{';
      if (ch == 20) ch = '|';
      if (ch == 21) ch = '}';
    }
    std::string temp = replaceAll(addin.tempPath(""), "\\", "\\\\");
    std::string expected = replaceAll(c.expected, "TEMP\\\\", temp);
    EXPECT_EQ(code, expected) << c.mode;
    document->Close(false);
  }
}

}  // namespace
}  // namespace tw::addin
