#include "engine/engine_fixture.h"

#include "engine/ooxml/package.h"

namespace tw::testing {

std::string buildDocx(const std::string& body,
                      const std::vector<std::pair<std::string, std::string>>& parts) {
  // An empty zip: only the end-of-central-directory record.
  std::string empty = std::string("PK\x05\x06", 4) + std::string(18, '\0');
  engine::ooxml::Package package(empty, "built.docx");
  package.writePart(
      "[Content_Types].xml",
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Types "
      "xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"><Default Extension=\"rels\" "
      "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/><Default Extension=\"xml\" "
      "ContentType=\"application/xml\"/><Override PartName=\"/word/document.xml\" "
      "ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/></"
      "Types>");
  package.writePart(
      "_rels/.rels",
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Relationships "
      "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship Id=\"rId1\" "
      "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
      "Target=\"word/document.xml\"/></Relationships>");
  package.writePart("word/document.xml",
                    std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?><w:document ") + kWordNamespaces +
                        "><w:body>" + body + "</w:body></w:document>");
  for (const auto& [name, bytes] : parts) package.writePart(name, bytes);
  return package.save();
}

EngineTest::EngineTest() : app(engine::createApplication(system)) {}

std::string EngineTest::pathOf(const std::string& name) {
  return temp.path().string() + "\\" + name;
}

std::string EngineTest::put(const std::string& name, const std::string& bytes) {
  temp.write(name, bytes);
  return pathOf(name);
}

std::shared_ptr<word::Document> EngineTest::openBody(const std::string& body, const std::string& name) {
  return app->Documents()->Open(put(name, buildDocx(body)));
}

std::string para(const std::string& content) {
  return "<w:p>" + content + "</w:p>";
}
std::string textRun(const std::string& text) {
  return "<w:r><w:t xml:space=\"preserve\">" + text + "</w:t></w:r>";
}
std::string fieldChar(const std::string& kind) {
  return "<w:r><w:fldChar w:fldCharType=\"" + kind + "\"/></w:r>";
}
std::string instr(const std::string& code) {
  return "<w:r><w:instrText xml:space=\"preserve\">" + code + "</w:instrText></w:r>";
}
std::string complexField(const std::string& code, const std::string& result) {
  return fieldChar("begin") + instr(code) + fieldChar("separate") + textRun(result) + fieldChar("end");
}

}  // namespace tw::testing
