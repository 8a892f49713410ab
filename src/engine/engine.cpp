#include "engine/engine.h"

#include "engine/model/document_model.h"

namespace tw::engine {

std::unique_ptr<model::DocumentModel> loadDocument(std::string bytes, const std::string& fileName,
                                                   const ooxml::PackageLimits& limits) {
  return std::make_unique<model::DocumentModel>(
      std::make_unique<ooxml::Package>(std::move(bytes), fileName, limits));
}

std::string minimalDocx(const std::string& bodyXml) {
  // An empty zip archive: only the end-of-central-directory record.
  ooxml::Package package(std::string("PK\x05\x06", 4) + std::string(18, '\0'), "new.docx");
  const std::string declaration(ooxml::kWordXmlDeclaration);
  package.writePart("[Content_Types].xml",
                    declaration +
                        "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
                        "<Default Extension=\"rels\" "
                        "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
                        "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
                        "<Override PartName=\"/word/document.xml\" ContentType=\"application/"
                        "vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/></Types>");
  package.writePart(
      "_rels/.rels",
      declaration +
          "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
          "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/"
          "2006/relationships/officeDocument\" Target=\"word/document.xml\"/></Relationships>");
  package.writePart(
      "word/document.xml",
      declaration +
          "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
          "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" "
          "xmlns:wp=\"http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing\" "
          "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" "
          "xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\" "
          "xmlns:v=\"urn:schemas-microsoft-com:vml\"><w:body>" +
          bodyXml + "</w:body></w:document>");
  return package.save();
}

}  // namespace tw::engine
