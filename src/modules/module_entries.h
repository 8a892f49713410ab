#pragma once

// The modules: parts of the program that need large libraries (cairo and pango for PDF, libcurl for
// HTTP, cpp-httplib with OpenSSL for the service's stand-in), built as shared objects beside the program and
// loaded the first time they are used. Each exports one function of C linkage, declared here for both sides.

#include <chrono>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>

#include "engine/print/printer.h"
#include "platform/net/http.h"
#include "standin/service.h"

namespace tw::modules {

constexpr const char* kPdfModule = "tallyweave-pdf.so";
constexpr const char* kPdfEntry = "tallyweave_render_pdf";
// Renders `layout` as the PDF printer does into `pdf`.
using RenderPdf = void(const engine::print::PrintLayout& layout, std::string& pdf);

constexpr const char* kHttpModule = "tallyweave-http.so";
constexpr const char* kHttpEntry = "tallyweave_create_http";
// Makes the libcurl HTTP client with its longest wait.
using CreateHttp = void(const std::optional<std::chrono::milliseconds>& longestWait,
                        std::unique_ptr<net::Http>& http);

constexpr const char* kServiceModule = "tallyweave-service.so";
constexpr const char* kServiceEntry = "tallyweave_run_service";
// `tallyweave service` (standin::runService): its exit status.
using RunService = int(const standin::ServiceOptions& options, std::ostream& console);

}  // namespace tw::modules
