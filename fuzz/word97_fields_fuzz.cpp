// Arbitrary bytes as a Word 97-2003 document: reading its field codes never reads outside the bytes nor
// hangs, and whatever codes it finds can be given back to a converted package's merge fields.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/convert/word97_fields.h"
#include "engine/engine.h"

namespace {

// A converted package with merge fields in the main text, a header-less body and a text box.
const std::string& convertedPackage() {
  static const std::string docx = [] {
    auto merge = [](const std::string& column) {
      return "<w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r><w:instrText> MERGEFIELD " + column +
             " </w:instrText></w:r><w:r><w:fldChar w:fldCharType=\"separate\"/></w:r><w:r><w:t>x</w:t></w:r>"
             "<w:r><w:fldChar w:fldCharType=\"end\"/></w:r>";
    };
    return tw::engine::minimalDocx("<w:p>" + merge("naam") + merge("datum") + merge("NAAM") +
                                   "</w:p><w:p><w:fldSimple w:instr=\" MERGEFIELD bedrag \"/></w:p>");
  }();
  return docx;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const auto fields = tw::engine::convert::word97Fields(bytes);
  tw::engine::convert::restoreMergeFieldCodes(convertedPackage(), fields);
  return 0;
}
