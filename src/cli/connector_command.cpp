#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "cli/commands.h"
#include "cli/connector_writer.h"
#include "runtime/error.h"

namespace tw::cli {
namespace {

std::string readBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw runtime::Error(runtime::kFileNotFound, "File not found: " + path.string());
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void writeBytes(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw runtime::Error(runtime::kPathFileAccessError, "Cannot write " + path.string());
}

struct ConnectorOptions {
  std::string json;
  std::string out;
};

int runConnectorCommand(const ConnectorOptions& options) {
  std::filesystem::path jsonPath(options.json);
  nlohmann::ordered_json description;
  try {
    description = nlohmann::ordered_json::parse(readBytes(jsonPath));
  } catch (const nlohmann::json::exception& e) {
    throw runtime::Error(runtime::kInvalidProcedureCall, options.json + ": " + e.what());
  }
  // Files named in the description are relative to the description's folder.
  std::filesystem::path base = jsonPath.parent_path();
  std::string bytes = addin::writeConnectorFile(description, [&](const std::string& name) {
    std::filesystem::path path(name);
    return readBytes(path.is_absolute() ? path : base / path);
  });
  if (options.out.empty() || options.out == "-") {
    std::cout.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  } else {
    writeBytes(options.out, bytes);
  }
  return 0;
}

}  // namespace

void addConnectorCommand(CLI::App& app, int& exitStatus) {
  auto options = std::make_shared<ConnectorOptions>();
  CLI::App* command = app.add_subcommand("connector", "Write a connector file from a JSON description");
  command->add_option("--json", options->json, "The JSON description (docs/connector-json.md)")->required();
  command->add_option("--out", options->out,
                      "The connector file to write (standard output when absent or -)");
  command->callback([options, &exitStatus] { exitStatus = runConnectorCommand(*options); });
}

}  // namespace tw::cli
