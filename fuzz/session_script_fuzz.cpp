// Arbitrary bytes as the session script of `tallyweave word --script`, run as the command runs it on a
// Word that has started with a template job (the add-in's menu with two field menus, a template open for
// editing, the upload form within reach; no network). Every line runs or the script stops with a message
// naming it, never a crash.

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include <nlohmann/json.hpp>

#include "cli/connector_writer.h"
#include "cli/word_session.h"
#include "fuzz_session.h"

namespace {

// The template job of examples/template, with a template of two merge fields.
const std::string& templateJob() {
  static const std::string bytes = [] {
    const std::string docx = tw::engine::minimalDocx(
        "<w:p><w:r><w:t xml:space=\"preserve\">Factuur voor </w:t></w:r><w:fldSimple w:instr=\" MERGEFIELD "
        "klant_naam \"/></w:p><w:p><w:fldSimple w:instr=\" MERGEFIELD totaal \\# &quot;0,00&quot; "
        "\"/></w:p>");
    const auto description = nlohmann::ordered_json::parse(R"({
      "kind": "template",
      "template": {"file": "factuur.docx", "name": "factuur.docx", "title": "Factuur"},
      "settings": {"upload_address": "127.0.0.1:8080", "upload_port": 8080, "upload_path": "/upload",
                   "generate_mode": "record", "sessid": "sessie-1", "userName": "jan",
                   "adminName": "Jansen", "authorization_required": true, "max_upload_size": 5},
      "fields": {"klant_naam": "Jansen & Zonen B.V.", "totaal": "450"},
      "merge_menu_caption": "Tallyweave",
      "merge_menus": [
        {"caption": "Klant", "fields": [{"label": "Naam", "key": "klant_naam"}]},
        {"caption": "Factuur", "fields": [{"label": "Totaal", "key": "totaal", "format": "\\# \"0,00\""}]}
      ]
    })");
    return tw::addin::writeConnectorFile(description, [&](const std::string&) { return docx; });
  }();
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tw::fuzz;
  resetRoot({"temp"});
  writeFile(root() / "temp/twDocTemplate.tmp", templateJob());
  WordSession session;
  session.start();
  std::istringstream script(std::string(reinterpret_cast<const char*>(data), size));
  tw::cli::ScriptSession target{*session.word, session.addin, session.ui, session.console};
  tw::cli::runScript(target, script, "fuzz.txt", session.console);
  return 0;
}
