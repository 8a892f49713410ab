// A value, then after the first newline a picture: the value read as a number and as a date in three
// locales, and formatted with the picture as a numeric (\#) and as a date-time (\@) picture. Every input
// ends in a text or a clear error, never a crash.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/mailmerge/merge_values.h"
#include "engine/mailmerge/number_picture.h"
#include "runtime/error.h"
#include "runtime/locale.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tw::engine::mailmerge;
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::size_t split = bytes.find('\n');
  std::string_view value = bytes.substr(0, split);
  std::string_view picture = split == std::string_view::npos ? "" : bytes.substr(split + 1);
  for (const char* name : {"nl-NL", "en-US", "fr-FR"}) {
    const tw::runtime::Locale& locale = tw::runtime::localeByName(name);
    try {
      if (auto number = parseNumber(value, locale)) (void)formatNumber(*number, picture, locale);
      if (auto date = parseDateTime(value, locale)) (void)tw::runtime::formatDateTime(*date, picture, locale);
    } catch (const tw::runtime::Error&) {
      // A clear error is a correct answer to bad input.
    }
  }
  return 0;
}
