#include "cli/service.h"
#include "modules/module_entries.h"

extern "C" int tallyweave_run_service(const tw::cli::ServiceOptions& options, std::ostream& console) {
  return tw::cli::runService(options, console);
}

static_assert(std::is_same_v<decltype(tallyweave_run_service), tw::modules::RunService>);
