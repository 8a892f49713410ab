#pragma once

// Word 97-2003 documents made at test time: LibreOffice (soffice) converts .docx files to the binary
// format. Tests that need them skip where LibreOffice is not installed.

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace tw::testing {

// True when soffice is on PATH.
bool haveLibreOffice();

#define TW_SKIP_WITHOUT_LIBREOFFICE() \
  if (!::tw::testing::haveLibreOffice()) GTEST_SKIP() << "LibreOffice (soffice) is not installed"

// The Word 97-2003 bytes of each .docx file in `docxFiles`, by the file's stem; one soffice run.
// Throws std::runtime_error when soffice fails.
std::map<std::string, std::string> toWord97(const std::vector<std::filesystem::path>& docxFiles);

// The Word 97-2003 bytes of one .docx package.
std::string toWord97(const std::string& docxBytes);

// As toWord97, with the switches of merge fields kept as Word keeps them in a binary document.
// LibreOffice drops them when it reads the .docx, so each merge field code with switches (held in one
// run) goes in with a stand-in column as long as its column and switches together, and the binary
// document's text gets them back in place of the stand-in. Codes that are not ASCII stay as they are.
std::string toWord97KeepingSwitches(const std::string& docxBytes);

}  // namespace tw::testing
