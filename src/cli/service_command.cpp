#include <iostream>
#include <map>

#include "cli/commands.h"
#include "cli/modules.h"
#include "standin/service.h"

namespace tw::cli {

void addServiceCommand(CLI::App& app, int& exitStatus) {
  auto options = std::make_shared<standin::ServiceOptions>();
  CLI::App* service = app.add_subcommand(
      "service", "Stand in for the service on 127.0.0.1: receives template uploads, serves the installer");
  service->add_option("--port", options->port, "Port to listen on (default: any free port, printed)");
  auto* user = service->add_option("--user", options->user, "Demand this user name with every upload");
  auto* password = service->add_option("--password", options->password, "... and this password");
  user->needs(password);
  password->needs(user);
  service->add_option("--installer", options->installerFile, "File served as the installer")
      ->check(CLI::ExistingFile);
  service->add_option("--store", options->storeDir, "Folder where accepted templates are written")
      ->check(CLI::ExistingDirectory);
  const std::map<std::string, standin::ServiceAnswer> answers = {
      {"ok", standin::ServiceAnswer::kOk},
      {"error", standin::ServiceAnswer::kError},
      {"garbage", standin::ServiceAnswer::kGarbage},
      {"slow", standin::ServiceAnswer::kSlow}};
  service
      ->add_option("--answer", options->answer, "ok (check uploads), error, garbage or slow (never answers)")
      ->transform(CLI::CheckedTransformer(answers, CLI::ignore_case));
  service->callback([options, &exitStatus] { exitStatus = runServiceInModule(*options, std::cout); });
}

}  // namespace tw::cli
