// Any text decodes without a crash, and every kernel of this machine agrees with the character-by-
// character rules, both on the raw input and on the input read as Base64 with line breaks, padding and
// foreign bytes strewn in; any bytes survive an encode/decode round trip, and every encode kernel writes
// what the scalar code writes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "server/base64.h"

namespace {

using tw::addin::base64_kernels::Isa;

// The input as a Base64-like text: most bytes become alphabet characters, the rest line breaks,
// padding, blanks and bytes outside the alphabet, so clean runs of every length meet every disturbance.
std::string messyText(std::string_view input) {
  static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  static constexpr char kOdd[] = "\r\n=  \t-_\x80\xFF\x00\x7F=\r\n";
  std::string text;
  text.reserve(input.size());
  for (char c : input) {
    auto byte = static_cast<unsigned char>(c);
    text += byte < 224 ? kAlphabet[byte % 64] : kOdd[byte % (sizeof(kOdd) - 1)];
  }
  return text;
}

void checkDecode(std::string_view text) {
  const std::string expected = tw::addin::base64DecodeReference(text);
  if (expected.size() > text.size() / 4 * 3) std::abort();
  if (tw::addin::base64Decode(text) != expected) std::abort();
  for (Isa isa : tw::addin::base64_kernels::available()) {
    std::string bytes(text.size() / 4 * 3, '\0');
    bytes.resize(tw::addin::base64_kernels::decode(isa, text, bytes.data()));
    if (bytes != expected) std::abort();
  }
}

void checkEncode(std::string_view bytes) {
  const std::string encoded = tw::addin::base64Encode(bytes);
  if (encoded.size() != (bytes.size() + 2) / 3 * 4) std::abort();
  if (encoded.size() >= 4 && tw::addin::base64Decode(encoded) != bytes) std::abort();
  for (Isa isa : tw::addin::base64_kernels::available()) {
    std::string text(encoded.size(), '\0');
    tw::addin::base64_kernels::encode(isa, bytes, text.data());
    if (text != encoded) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  checkDecode(input);
  checkDecode(messyText(input));
  checkEncode(input);
  return 0;
}
