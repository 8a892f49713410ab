// Arbitrary bytes as the CSV file of a daemon job in data-file mode (_merge_data_file): the daemon takes
// the job the service announced, and Word's mail merge reads the file below the base folder into a
// template with text, number, date, text-case and picture fields, saves the result and prints it. The
// job is fixed, so every input reaches the merge. Never a crash, and a daemon that goes on polling is not
// left busy with the job.

#include <cstddef>
#include <cstdint>
#include <string>

#include <nlohmann/json.hpp>

#include "cli/connector_writer.h"
#include "daemon/daemon_form.h"
#include "fuzz_session.h"

namespace {

std::string mergefield(const std::string& spec) {
  return "<w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r><w:instrText xml:space=\"preserve\"> "
         "MERGEFIELD " +
         spec +
         " </w:instrText></w:r><w:r><w:fldChar w:fldCharType=\"separate\"/></w:r><w:r><w:t>x</w:t></w:r>"
         "<w:r><w:fldChar w:fldCharType=\"end\"/></w:r>";
}

std::string paragraph(const std::string& content) {
  return "<w:p>" + content + "</w:p>";
}

// A job in data-file mode whose template uses every column of the seeds.
const std::string& job() {
  static const std::string bytes = [] {
    const std::string docx = tw::engine::minimalDocx(
        paragraph(mergefield("naam") + "<w:r><w:t xml:space=\"preserve\"> uit </w:t></w:r>" +
                  mergefield("plaats")) +
        paragraph(mergefield("bedrag \\# \"#.##0,00\"") + mergefield("datum \\@ \"d MMMM yyyy\"")) +
        paragraph(mergefield("aantal \\* Ordinal") + mergefield("plaats \\* Upper")) +
        paragraph(mergefield("img_foto")));
    const auto description = nlohmann::ordered_json::parse(R"({
      "template": {"file": "sjabloon.docx"},
      "settings": {"merge_data_file": "data.csv", "resultDocName": "resultaat"},
      "fields": {"naam": "", "plaats": "", "bedrag": "", "datum": "", "aantal": "", "img_foto": ""}
    })");
    return tw::addin::writeConnectorFile(description, [&](const std::string&) { return docx; });
  }();
  return bytes;
}

// A 1 x 1 PNG, the picture the seeds' img_foto cells name.
const std::string kPicture(
    "\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x01\0\0\0\x01\x08\x02\0\0\0\x90wS\xde\0\0\0\x0cIDATx\x9c"
    "c\xf8\xcf\xc0\0\0\x03\x01\x01\0\xc9\xfe\x92\xef\0\0\0\0IEND\xae\x42`\x82",
    69);

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tw::fuzz;
  resetRoot({"temp", "base/pidfiles", "base/documents/spool"});
  writeFile(root() / "temp/twDaemon.tmp", (root() / "base").string() + "\\");
  writeFile(root() / "base/documents/spool/docData", job());
  writeFile(root() / "base/documents/spool/foto.png", kPicture);
  writeFile(root() / "base/data.csv", std::string(reinterpret_cast<const char*>(data), size));
  WordSession session;
  session.start();
  writeFile(root() / "base/pidfiles/officeDaemon", " 1");
  session.ui.advance(tw::addin::DaemonForm::kPollInterval);
  if (session.addin.daemonForm().busy() && !session.word->quitRequested()) __builtin_trap();
  return 0;
}
