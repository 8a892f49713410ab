// Arbitrary bytes as a .docx package (first byte even) or as the main document part of one (odd):
// opening must either succeed or throw runtime::Error, never crash or hang; an opened document must
// survive reading its text and fields, an edit and a save.

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/engine.h"
#include "engine/model/document_model.h"
#include "runtime/error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  tw::engine::ooxml::PackageLimits limits;
  limits.maxPartSize = 8 << 20;
  limits.maxTotalSize = 32 << 20;
  std::string input(reinterpret_cast<const char*>(data) + 1, size - 1);
  try {
    std::string bytes = input;
    if (data[0] % 2 == 1) {
      tw::engine::ooxml::Package package(tw::engine::minimalDocx(""), "fuzz.docx");
      package.writePart("word/document.xml", input);
      bytes = package.save();
    }
    auto document = tw::engine::loadDocument(bytes, "fuzz.docx", limits);
    for (auto& story : document->stories()) {
      long length = story->length();
      story->text(0, length, true);
      story->text(0, length, false);
      story->fields();
      try {
        story->erase(length / 3, length / 2);
        story->insert(length / 4, "ab\tc\rd");
        story->insertField(story->length() / 2, " MERGEFIELD x ", "x");
      } catch (const tw::runtime::Error&) {
      }
      story->text(0, story->length(), true);
    }
    document->package().save();
  } catch (const tw::runtime::Error&) {
  }
  return 0;
}
