#pragma once

// The PDF printer, the HTTP client and the service's stand-in of the command, each in a module loaded on
// first use (see modules/module_entries.h): a session that neither prints to PDF nor talks to the service
// starts without loading cairo, pango, libcurl or OpenSSL.

#include <chrono>
#include <iosfwd>
#include <memory>
#include <optional>

#include "engine/print/printer.h"
#include "platform/net/http.h"
#include "standin/service.h"

namespace tw::cli {

// Word's PDF printer; its module is loaded when it first renders.
std::shared_ptr<const engine::print::Printer> pdfPrinterInModule();

// HTTP over libcurl (posix::CurlHttp); its module is loaded when the first request is made.
std::unique_ptr<net::Http> curlHttpInModule(std::optional<std::chrono::milliseconds> longestWait);

// runService, from its module.
int runServiceInModule(const standin::ServiceOptions& options, std::ostream& console);

}  // namespace tw::cli
