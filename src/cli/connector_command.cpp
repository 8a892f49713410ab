#include "cli/commands.h"

namespace tw::cli {

void addConnectorCommand(CLI::App& app, int& /*exitStatus*/) {
  app.add_subcommand("connector", "Write a connector file from a JSON description");
}

}  // namespace tw::cli
