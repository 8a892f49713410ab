#pragma once

#include <functional>
#include <string>

#include <nlohmann/json.hpp>

namespace tw::addin {

// Reads a file that a description names (a path relative to the description) and returns its bytes.
using FileLoader = std::function<std::string(const std::string& path)>;

// Turns a JSON description of a job into the bytes of a connector file (CR LF line ends, Windows-1252
// text, Base64 values); docs/connector-json.md describes the JSON. A description that does not fit is
// error 5 with a description naming the member.
std::string writeConnectorFile(const nlohmann::ordered_json& description, const FileLoader& loadFile);

}  // namespace tw::addin
