#include "support/word97.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>

#include "engine/mailmerge/field_code.h"
#include "engine/ooxml/package.h"
#include "support/test_services.h"

namespace tw::testing {

bool haveLibreOffice() {
  return std::system("command -v soffice >/dev/null 2>&1") == 0;
}

std::map<std::string, std::string> toWord97(const std::vector<std::filesystem::path>& docxFiles) {
  TempFolder folder;
  const std::filesystem::path out = folder.path() / "out";
  std::string command = "soffice --headless --norestore -env:UserInstallation=file://" +
                        (folder.path() / "profile").string() + " --convert-to doc --outdir '" + out.string() +
                        "'";
  for (const auto& file : docxFiles) command += " '" + file.string() + "'";
  command += " >'" + (folder.path() / "log").string() + "' 2>&1";
  if (std::system(command.c_str()) != 0) throw std::runtime_error("soffice failed: " + command);
  std::map<std::string, std::string> converted;
  for (const auto& file : docxFiles) {
    std::ifstream in(out / (file.stem().string() + ".doc"), std::ios::binary);
    if (!in) throw std::runtime_error("soffice wrote no " + file.stem().string() + ".doc");
    converted[file.stem().string()] =
        std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  return converted;
}

std::string toWord97(const std::string& docxBytes) {
  TempFolder folder;
  folder.write("document.docx", docxBytes);
  return toWord97(std::vector<std::filesystem::path>{folder.path() / "document.docx"}).at("document");
}

std::string toWord97KeepingSwitches(const std::string& docxBytes) {
  engine::ooxml::Package package(docxBytes, "source.docx");
  std::vector<std::pair<std::string, std::string>> standIns;  // stand-in column, column and switches
  auto standInFor = [&](const std::string& code) -> std::optional<std::string> {
    auto parsed = engine::mailmerge::parseFieldCode(code);
    if (parsed.keyword != "MERGEFIELD" || parsed.switches.empty()) return std::nullopt;
    std::string tail = code.substr(code.find_first_not_of(' ') + std::string("MERGEFIELD").size());
    tail = tail.substr(tail.find_first_not_of(' '));
    tail = tail.substr(0, tail.find_last_not_of(' ') + 1);
    for (char c : tail) {
      if (static_cast<unsigned char>(c) >= 0x80) return std::nullopt;
    }
    std::string standIn = "tw" + std::to_string(standIns.size()) + "z";
    if (standIn.size() > tail.size()) return std::nullopt;
    standIn.resize(tail.size(), 'z');
    standIns.emplace_back(standIn, tail);
    return " MERGEFIELD " + standIn + " ";
  };
  for (const std::string& name : package.partNames()) {
    if (name.rfind("word/", 0) != 0 || name.size() < 4 || name.substr(name.size() - 4) != ".xml") continue;
    auto& part = package.xml(name);
    for (pugi::xpath_node hit : part.doc.select_nodes("//w:instrText | //w:fldSimple")) {
      pugi::xml_node node = hit.node();
      bool simple = std::string_view(node.name()) == "w:fldSimple";
      auto code = standInFor(simple ? node.attribute("w:instr").value() : node.text().get());
      if (!code) continue;
      simple ? node.attribute("w:instr").set_value(code->c_str()) : node.text().set(code->c_str());
      part.dirty = true;
    }
  }
  std::string binary = toWord97(package.save());
  auto utf16 = [](const std::string& text) {
    std::string out;
    for (char c : text) out += {c, '\0'};
    return out;
  };
  for (const auto& [standIn, tail] : standIns) {
    auto at = binary.find(utf16(standIn));
    if (at != std::string::npos) {
      binary.replace(at, 2 * standIn.size(), utf16(tail));
    } else if ((at = binary.find(standIn)) != std::string::npos) {
      binary.replace(at, standIn.size(), tail);
    } else {
      throw std::runtime_error("the binary document does not hold " + standIn);
    }
  }
  return binary;
}

}  // namespace tw::testing
