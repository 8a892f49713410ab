// A field code, then after the first newline a value: the code is split (nested fields resolved first)
// and merged against a record holding the value, in three locales; every input ends in a result text or
// a clear error, never a crash.

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/mailmerge/data_table.h"
#include "engine/mailmerge/field_code.h"
#include "engine/mailmerge/field_result.h"
#include "runtime/error.h"
#include "runtime/locale.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tw::engine::mailmerge;
  std::string bytes(reinterpret_cast<const char*>(data), size);
  std::size_t split = bytes.find('\n');
  std::string code = bytes.substr(0, split);
  std::string value = split == std::string::npos ? "" : bytes.substr(split + 1);
  try {
    (void)parseFieldCode(code);
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
  } catch (const tw::runtime::Error&) {
    // A clear error is a correct answer to bad input.
  }
  return 0;
}
