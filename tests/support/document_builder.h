#pragma once

// Small documents for tests, benchmarks and fuzz seeds: body XML built from runs, paragraphs, fields,
// tables and text boxes (wrap it with engine::minimalDocx), and the entry lines of connector files.

#include <string>
#include <vector>

#include "server/base64.h"

namespace tw::testing {

inline std::string run(const std::string& text) {
  return "<w:r><w:t xml:space=\"preserve\">" + text + "</w:t></w:r>";
}

inline std::string paragraph(const std::string& content) {
  return "<w:p>" + content + "</w:p>";
}

// One mark of a complex field: "begin", "separate" or "end".
inline std::string fieldChar(const std::string& kind) {
  return "<w:r><w:fldChar w:fldCharType=\"" + kind + "\"/></w:r>";
}

inline std::string instr(const std::string& code) {
  return "<w:r><w:instrText xml:space=\"preserve\">" + code + "</w:instrText></w:r>";
}

// A complex field with one code run and a result.
inline std::string field(const std::string& code, const std::string& result = "x") {
  return fieldChar("begin") + instr(code) + fieldChar("separate") + run(result) + fieldChar("end");
}

// A merge field as Word writes it: " MERGEFIELD <spec> ".
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

// One entry line of a connector file: the key and the Base64 of the value.
inline std::string entry(const std::string& key, const std::string& value) {
  return key + "," + addin::base64Encode(value) + "\r\n";
}

}  // namespace tw::testing
