// Arbitrary bytes as a .docx: opening must either succeed or throw runtime::Error, never crash or hang;
// an opened document must survive reading its fields and text and a save.

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/engine.h"
#include "engine/model/document_model.h"
#include "runtime/error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tw::engine::ooxml::PackageLimits limits;
  limits.maxPartSize = 8 << 20;
  limits.maxTotalSize = 32 << 20;
  try {
    auto document =
        tw::engine::loadDocument(std::string(reinterpret_cast<const char*>(data), size), "fuzz.docx", limits);
    for (auto& story : document->stories()) {
      story->text(0, story->length(), true);
      story->text(0, story->length(), false);
      story->fields();
    }
    document->package().save();
  } catch (const tw::runtime::Error&) {
  }
  return 0;
}
