// Arbitrary bytes as a CSV data source: reading ends in a table or a clear error, never a crash, and every
// cell of the table reads back.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "engine/mailmerge/data_source.h"
#include "runtime/error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tw::engine::mailmerge;
  try {
    DataTable table = readCsv(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.csv");
    for (std::size_t r = 0; r < table.recordCount(); ++r) {
      for (std::size_t c = 0; c <= table.columns().size(); ++c) (void)table.text(r, c);
    }
  } catch (const tw::runtime::Error&) {
    // A clear error is a correct answer to bad input.
  }
  return 0;
}
