#include "modules/module_entries.h"
#include "standin/service.h"

extern "C" int tallyweave_run_service(const tw::standin::ServiceOptions& options, std::ostream& console) {
  return tw::standin::runService(options, console);
}

static_assert(std::is_same_v<decltype(tallyweave_run_service), tw::modules::RunService>);
