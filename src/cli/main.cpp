#include <iostream>

#include "cli/commands.h"
#include "runtime/error.h"

int main(int argc, char** argv) {
  CLI::App app{"Tallyweave: Word with the Tallyweave add-in, on the embedded Word"};
  app.require_subcommand(1);
  int exitStatus = 0;
  tw::cli::addWordCommand(app, exitStatus);
  tw::cli::addConnectorCommand(app, exitStatus);
  tw::cli::addServiceCommand(app, exitStatus);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e);
  } catch (const tw::runtime::Error& e) {
    std::cerr << "tallyweave: " << e.description() << " (" << e.number() << ")\n";
    return 1;
  }
  return exitStatus;
}
