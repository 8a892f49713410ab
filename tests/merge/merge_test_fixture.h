#pragma once

// A Word session with the add-in connected and a document open whose body the test gives, for the
// merge driver's field and table operations.

#include <string>
#include <vector>

#include "connector/job_fixture.h"

namespace tw::addin {

// Body XML builders.
inline std::string run(const std::string& text) {
  return "<w:r><w:t xml:space=\"preserve\">" + text + "</w:t></w:r>";
}
inline std::string paragraph(const std::string& content) {
  return "<w:p>" + content + "</w:p>";
}
inline std::string field(const std::string& code) {
  return "<w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r><w:instrText xml:space=\"preserve\">" + code +
         "</w:instrText></w:r><w:r><w:fldChar w:fldCharType=\"separate\"/></w:r><w:r><w:t>x</w:t></w:r>"
         "<w:r><w:fldChar w:fldCharType=\"end\"/></w:r>";
}
inline std::string mergefield(const std::string& spec) {
  return field(" MERGEFIELD " + spec + " ");
}
// A table row of cells, each holding one paragraph of the given content.
inline std::string row(const std::vector<std::string>& cells) {
  std::string xml = "<w:tr>";
  for (const auto& cell : cells)
    xml += "<w:tc><w:tcPr><w:tcW w:w=\"2000\" w:type=\"dxa\"/></w:tcPr>" + paragraph(cell) + "</w:tc>";
  return xml + "</w:tr>";
}
inline std::string table(const std::vector<std::string>& rows, int columns) {
  std::string xml = "<w:tbl><w:tblPr><w:tblW w:w=\"0\" w:type=\"auto\"/></w:tblPr><w:tblGrid>";
  for (int i = 0; i < columns; ++i) xml += "<w:gridCol w:w=\"2000\"/>";
  xml += "</w:tblGrid>";
  for (const auto& r : rows) xml += r;
  return xml + "</w:tbl>";
}

// A text box (a VML shape) holding one paragraph of `content`.
inline std::string textBox(const std::string& content) {
  return "<w:r><w:pict><v:shape style=\"width:100pt;height:50pt\"><v:textbox><w:txbxContent>" +
         paragraph(content) + "</w:txbxContent></v:textbox></v:shape></w:pict></w:r>";
}

class MergeTest : public JobTest {
 protected:
  MergeTest() { connect(); }

  // Opens a document whose body is `body` as the active document.
  std::shared_ptr<word::Document> open(const std::string& body, const std::string& name = "sjabloon.docx") {
    writeTemp(name, engine::minimalDocx(body));
    addin.OpenDocument(addin.tempPath(name));
    return word->ActiveDocument();
  }

  // The code texts of the fields of `fields`, in order.
  static std::vector<std::string> codes(word::Fields& fields) {
    std::vector<std::string> result;
    for (long i = 1; i <= fields.Count(); ++i) result.push_back(fields.Item(i)->Code()->Text());
    return result;
  }
};

}  // namespace tw::addin
