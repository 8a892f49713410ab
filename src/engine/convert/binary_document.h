#pragma once

// Word 97-2003 documents (binary, in an OLE compound file) are opened by converting them to .docx with
// LibreOffice, an optional program found when a conversion is asked for.

#include <chrono>
#include <memory>
#include <string>
#include <string_view>

#include "runtime/error.h"

namespace tw::engine::convert {

// True for the bytes of an OLE compound file: a Word 97-2003 document or template (or an encrypted
// .docx, which no converter here opens).
bool isCompoundFile(std::string_view bytes);

// Word's error 5792 for a Word 97-2003 document it cannot open: the file, then `why`.
runtime::Error binaryDocumentError(const std::string& fileName, const std::string& why);

class BinaryDocumentConverter {
 public:
  virtual ~BinaryDocumentConverter() = default;
  // The .docx package of the Word 97-2003 document `bytes`. Throws runtime::Error (Word's 5792) naming
  // `fileName` when it cannot convert.
  virtual std::string toDocx(const std::string& bytes, const std::string& fileName) = 0;
};

struct LibreOfficeOptions {
  // The soffice program; empty: looked up on PATH at each conversion.
  std::string program;
  // How long a conversion may take before soffice is stopped. A first start with a new profile takes
  // a few seconds.
  std::chrono::milliseconds timeout = std::chrono::seconds(60);
  // The host folder that receives the conversion's private working folder; empty: the system's
  // temporary folder (TMPDIR).
  std::string tempRoot;
};

// Converts with `soffice --headless --convert-to docx` in a private working folder (input, output and
// a LibreOffice profile of its own) that is removed afterwards, whatever happens. soffice is started
// without a shell, in a process group of its own that is killed when the time is up.
std::shared_ptr<BinaryDocumentConverter> libreOfficeConverter(LibreOfficeOptions options = {});

}  // namespace tw::engine::convert
