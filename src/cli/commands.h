#pragma once

#include <CLI/CLI.hpp>

namespace tw::cli {

// Each subcommand registers itself on the application and runs when chosen; a command's result is
// the process exit status.
void addWordCommand(CLI::App& app, int& exitStatus);
void addConnectorCommand(CLI::App& app, int& exitStatus);
void addServiceCommand(CLI::App& app, int& exitStatus);

}  // namespace tw::cli
