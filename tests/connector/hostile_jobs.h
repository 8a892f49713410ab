#pragma once

// Jobs an attacker could hand Word, each with the way it must end: either the job produces its document,
// or it shows its one message and keeps its data as .err; the log says why; nothing is read or written
// outside TEMP. The add-in's tests and the whole session's tests run the same table.

#include <filesystem>
#include <functional>
#include <string>

#include "connector/job_fixture.h"
#include "engine/model/document_model.h"
#include "engine/ooxml/package.h"

namespace tw::addin {

inline const char* const kDocumentFailed =
    "Het document kan niet geladen worden omdat deze niet geldig is.\r\nKan niet verder gaan";

// A .docx whose main part unpacks to 2 MB of nothing: about a thousand times its packed size.
inline std::string zipBomb() {
  engine::ooxml::Package package(engine::minimalDocx(""), "bomb.docx");
  package.writePart("word/document.xml", std::string(2 << 20, ' '));
  return package.save();
}

// A 1 x 1 PNG picture whose text chunk marks it as lying outside TEMP: wherever these bytes turn up in a
// document, the job read a file it had no business reading.
inline const char* const kOutsideMark = "buiten-TEMP";
inline std::string outsidePicture() {
  return std::string("\x89PNG\r\n\x1a\n\0\0\0\x0DIHDR\0\0\0\x01\0\0\0\x01\x08\x06\0\0\0\0\0\0\0", 33) +
         std::string("\0\0\0\x0BtEXt", 8) + kOutsideMark + std::string("\0\0\0\0", 4);
}

// A drawing that links its picture through the relationship rIdOut.
inline std::string linkedPicture() {
  return "<w:r><w:drawing><wp:inline><wp:extent cx=\"9525\" cy=\"9525\"/><wp:docPr id=\"1\" name=\"p\"/>"
         "<a:graphic><a:graphicData uri=\"http://schemas.openxmlformats.org/drawingml/2006/picture\">"
         "<pic:pic xmlns:pic=\"http://schemas.openxmlformats.org/drawingml/2006/picture\"><pic:blipFill>"
         "<a:blip r:link=\"rIdOut\"/></pic:blipFill></pic:pic></a:graphicData></a:graphic></wp:inline>"
         "</w:drawing></w:r>";
}

// A letter whose picture is an internal relationship that climbs out of the package.
inline std::string letterWithPictureAbove(const std::string& target) {
  engine::ooxml::Package package(
      engine::minimalDocx(testing::paragraph(testing::mergefield("naam") + linkedPicture())), "above.docx");
  package.writePart(
      "word/_rels/document.xml.rels",
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
      "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
      "<Relationship Id=\"rIdOut\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
      "relationships/image\" Target=\"" +
          target + "\"/></Relationships>");
  return package.save();
}

// A letter with one extra zip entry of the given name.
inline std::string letterWithEntry(const std::string& name) {
  engine::ooxml::Package package(engine::minimalDocx(testing::paragraph(testing::mergefield("naam"))),
                                 "entry.docx");
  package.writePart(name, "boos");
  return package.save();
}

// INCLUDEPICTURE "{ MERGEFIELD pic }": the merge value names the picture file.
inline std::string letterWithPictureFromValue() {
  using testing::fieldChar, testing::instr, testing::run;
  return engine::minimalDocx(testing::paragraph(
      testing::mergefield("naam") + fieldChar("begin") + instr(" INCLUDEPICTURE \"") + fieldChar("begin") +
      instr(" MERGEFIELD pic ") + fieldChar("separate") + run("pic") + fieldChar("end") + instr("\" \\d ") +
      fieldChar("separate") + run("") + fieldChar("end")));
}

inline std::string letter() {
  return engine::minimalDocx(testing::paragraph(testing::mergefield("naam")));
}

inline std::string documentJob(const std::string& lines) {
  return connectorFile(entry("_template", letter()) + lines);
}

struct HostileJob {
  const char* name;
  const char* jobFile;
  std::function<std::string(const std::filesystem::path& outside)> job;
  std::string message;  // the one message shown; empty when the job runs without one
  const char* kept;     // the .err file that keeps the job; empty when the job runs
  const char* logged;   // a text the debug log holds
  const char* merged;   // a text the merged document holds; empty when nothing is merged
};

inline const HostileJob kHostileJobs[] = {
    {"zip bomb as the template", "twDoc.tmp",
     [](const auto&) { return connectorFile(entry("_template", zipBomb()) + entry("naam", "Jansen")); },
     kDocumentFailed, "twDoc.err", "more than the limit of 100 times its packed size", ""},
    {"truncated connector file", "twDoc.tmp",
     [](const auto&) {
       std::string job = documentJob(entry("naam", "Jansen"));
       return job.substr(0, job.size() / 2);
     },
     kDocumentFailed, "twDoc.err", "Error opening document", ""},
    {"invalid Base64 in the template", "twDoc.tmp",
     [](const auto&) { return connectorFile("_template,!!niet*base64~~\r\n" + entry("naam", "Jansen")); },
     kDocumentFailed, "twDoc.err", "Error opening document", ""},
    {"a value that closes the table row", "twDoc.tmp",
     [](const auto&) { return documentJob(entry("naam", "a</TD></TR><TR><TD>b")); }, "", "", "Parse ok",
     "a</TD></TR><TR><TD>b"},
    {"a value naming a picture outside TEMP", "twDoc.tmp",
     [](const auto& outside) {
       return documentJob(entry("naam", (outside / "document_image_1.jpg").string()) +
                          entry("_generate_mode", "record"));
     },
     "", "", "Parse ok", "document_image_1.jpg"},
    {"an absolute _merge_data_file", "twDoc.tmp",
     [](const auto& outside) {
       return documentJob(entry("naam", "Jansen") +
                          entry("_merge_data_file", (outside / "data.csv").string()));
     },
     kDocumentFailed, "twDoc.err", "Refused unsafe name", ""},
    {"a merge value naming a picture outside TEMP", "twDoc.tmp",
     [](const auto& outside) {
       return connectorFile(entry("_template", letterWithPictureFromValue()) + entry("naam", "Jansen") +
                            entry("pic", (outside / "x.png").string()));
     },
     "", "", "Refused picture", "The linked image cannot be displayed"},
    {"a picture relationship above the package", "twDoc.tmp",
     [](const auto&) {
       return connectorFile(entry("_template", letterWithPictureAbove("../../../x.png")) +
                            entry("naam", "Jansen"));
     },
     "", "", "Refused picture part '../../x.png'", "Jansen"},
    {"a zip entry above the template's folder", "twDoc.tmp",
     [](const auto&) {
       return connectorFile(entry("_template", letterWithEntry("../../boos.txt")) + entry("naam", "Jansen"));
     },
     kDocumentFailed, "twDoc.err", "Refused zip entry '../../boos.txt'", ""},
    {"a rooted zip entry", "twDoc.tmp",
     [](const auto&) {
       return connectorFile(entry("_template", letterWithEntry("/tmp/boos.txt")) + entry("naam", "Jansen"));
     },
     kDocumentFailed, "twDoc.err", "Refused zip entry '/tmp/boos.txt'", ""},
    {"a zip entry with a drive", "twDoc.tmp",
     [](const auto&) {
       return connectorFile(entry("_template", letterWithEntry("C:/boos.txt")) + entry("naam", "Jansen"));
     },
     kDocumentFailed, "twDoc.err", "Refused zip entry 'C:/boos.txt'", ""},
    {"a template named *", "twDocTemplate.tmp",
     [](const auto&) { return connectorFile(validTemplateEntries("*")); }, "Het sjabloon",
     "twTemplateDoc.err", "Refused unsafe name", ""},
};

// Runs a test with the current folder set to `folder`: a name resolved against it, not against TEMP or
// the package, would find the picture there.
class CurrentFolder {
 public:
  explicit CurrentFolder(const std::filesystem::path& folder) : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(folder);
  }
  ~CurrentFolder() { std::filesystem::current_path(previous_); }
  CurrentFolder(const CurrentFolder&) = delete;
  CurrentFolder& operator=(const CurrentFolder&) = delete;

 private:
  std::filesystem::path previous_;
};

// Files a job could try to reach, beside TEMP and not in it: a picture, a data file and a marked PNG.
inline void writeOutsideFiles(testing::TempFolder& outside) {
  outside.write("document_image_1.jpg", std::string("\xFF\xD8\xFF\xE0", 4) + std::string(64, '\0'));
  outside.write("data.csv", "naam\r\ngeheim\r\n");
  outside.write("x.png", outsidePicture());
}

}  // namespace tw::addin
