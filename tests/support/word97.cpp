#include "support/word97.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

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

}  // namespace tw::testing
