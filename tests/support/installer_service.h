#pragma once

// The service's stand-in serving a small installer, for tests of the HTTP client.

#include <sstream>
#include <string>

#include "standin/service.h"
#include "support/test_services.h"

namespace tw::testing {

class InstallerService {
 public:
  static constexpr const char* kInstaller = "MZ installer";

  InstallerService() : service_(optionsIn(folder_), log_) {}

  int port() const { return service_.port(); }
  // The service's address, without a path.
  std::string address() const { return "http://127.0.0.1:" + std::to_string(port()); }
  std::string installerUrl() const { return address() + std::string(standin::kInstallerPath); }
  // What the service wrote to its console so far.
  std::string log() const { return log_.str(); }

 private:
  static standin::ServiceOptions optionsIn(const TempFolder& folder) {
    folder.write("twUpdate.exe", kInstaller);
    standin::ServiceOptions options;
    options.installerFile = (folder / "twUpdate.exe").string();
    return options;
  }

  TempFolder folder_;
  std::ostringstream log_;
  standin::Service service_;
};

// A port nothing listened on a moment ago.
inline int freePort() {
  std::ostringstream log;
  return standin::Service(standin::ServiceOptions{}, log).port();
}

}  // namespace tw::testing
