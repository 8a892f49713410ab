// Data-source readers on arbitrary bytes: the first byte picks CSV, HTML or a field code with a value;
// every input must end in a table, a clear error, or a result text, never a crash.

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/mailmerge/data_source.h"
#include "engine/mailmerge/field_result.h"
#include "engine/mailmerge/picture_file.h"
#include "runtime/error.h"
#include "runtime/locale.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  using namespace tw::engine::mailmerge;
  try {
    switch (data[0] % 4) {
      case 0: {
        DataTable table = readCsv(bytes, "fuzz.csv");
        for (size_t r = 0; r < table.recordCount(); ++r) (void)table.text(r, table.columns().size());
        break;
      }
      case 1: {
        DataTable table = readHtmlTable(bytes, "fuzz.htm");
        for (size_t r = 0; r < table.recordCount(); ++r) (void)table.picture(r, 0);
        break;
      }
      case 2: {
        // The code, then a value after the first newline, in both locales.
        size_t split = bytes.find('\n');
        std::string code = bytes.substr(0, split);
        std::string value = split == std::string::npos ? "" : bytes.substr(split + 1);
        DataTable table;
        table.setColumns({"a", "b"});
        table.beginRecord();
        table.addCell("1");
        table.addCell(value);
        for (const char* name : {"nl-NL", "en-US", "fr-FR"}) {
          const tw::runtime::Locale& locale = tw::runtime::localeByName(name);
          auto resolve = [&](const FieldCode& nested) {
            return mergedText(nested, table, 0, locale).value_or("");
          };
          FieldCode parsed = parseFieldCode(resolveNestedFields(code, resolve));
          (void)formatFieldResult(value, parsed, locale);
          (void)mergedText(parsed, table, 0, locale);
        }
        break;
      }
      default:
        (void)sniffPicture(bytes);
        break;
    }
  } catch (const tw::runtime::Error&) {
    // A clear error is a correct answer to bad input.
  }
  return 0;
}
