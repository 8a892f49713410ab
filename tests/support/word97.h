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

}  // namespace tw::testing
