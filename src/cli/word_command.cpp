#include "cli/commands.h"

namespace tw::cli {

void addWordCommand(CLI::App& app, int& /*exitStatus*/) {
  app.add_subcommand("word", "Run a Word session with the add-in loaded");
}

}  // namespace tw::cli
