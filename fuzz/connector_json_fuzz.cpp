// Arbitrary bytes as the JSON description of `tallyweave connector --json`: parsed and written as the
// command does, with the files a description names served from memory (a template, a picture, a CSV
// text; any other name is a missing file, as for the command). Every input ends in a connector file or a
// clear error (runtime::Error), never a crash nor another exception; a written file ends with a whole
// CR LF line.

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

#include <nlohmann/json.hpp>

#include "cli/connector_writer.h"
#include "engine/engine.h"
#include "runtime/error.h"

namespace {

const std::map<std::string, std::string>& files() {
  static const std::map<std::string, std::string> named = {
      {"factuur.docx", tw::engine::minimalDocx("<w:p><w:r><w:t>Factuur</w:t></w:r></w:p>")},
      {"logo.png",
       std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x01\0\0\0\x01\x08\x02\0\0\0\x90wS\xde", 33)},
      {"klanten.csv", "naam,plaats\r\nJansen,Utrecht\r\n"},
  };
  return named;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  nlohmann::ordered_json description;
  try {
    description = nlohmann::ordered_json::parse(data, data + size);
  } catch (const nlohmann::json::exception&) {
    return 0;  // the command's message for a description that is not JSON
  }
  try {
    const std::string bytes = tw::addin::writeConnectorFile(description, [](const std::string& name) {
      auto found = files().find(name);
      if (found == files().end())
        throw tw::runtime::Error(tw::runtime::kFileNotFound, "File not found: " + name);
      return found->second;
    });
    if (bytes.size() < 2 || bytes.compare(bytes.size() - 2, 2, "\r\n") != 0) __builtin_trap();
  } catch (const tw::runtime::Error&) {
    // A clear error is a correct answer to a description that does not fit.
  }
  return 0;
}
