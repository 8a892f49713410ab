// Arbitrary bytes as a picture file: recognising its format never crashes.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "engine/mailmerge/picture_file.h"
#include "runtime/error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    (void)tw::engine::mailmerge::sniffPicture(std::string_view(reinterpret_cast<const char*>(data), size));
  } catch (const tw::runtime::Error&) {
    // A clear error is a correct answer to bad input.
  }
  return 0;
}
