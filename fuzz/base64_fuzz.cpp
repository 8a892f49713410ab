// Any text decodes without a crash, and the decoder's shortcut for clean groups agrees with the
// character-by-character rules; any bytes survive an encode/decode round trip.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "server/base64.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);

  std::string decoded = tw::addin::base64Decode(input);
  if (decoded != tw::addin::base64DecodeReference(input)) std::abort();
  if (decoded.size() > input.size() / 4 * 3) std::abort();

  std::string encoded = tw::addin::base64Encode(input);
  if (encoded.size() != (size + 2) / 3 * 4) std::abort();
  if (encoded.size() >= 4 && tw::addin::base64Decode(encoded) != input) std::abort();
  return 0;
}
