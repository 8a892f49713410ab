#pragma once

// The modules: parts of the program that need large libraries (cairo and pango for PDF, libcurl for
// HTTP, cpp-httplib with OpenSSL for the service's stand-in), built as shared objects beside the program and
// loaded the first time they are used. Each exports one function of C linkage, declared here for both sides.
//
// The program carries a C++ runtime of its own (linked in statically, so that it starts fast) while the
// modules use the system's shared one. Nothing of C++ crosses between them, then: no exception, stream,
// allocation or type information. The entries take and hand back C types only; each catches what its work
// throws and reports it through a TwError, which the program throws again as the same runtime::Error.

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" {

// Bytes lent for the length of one call.
struct TwText {
  const char* data;
  size_t size;
};

// Where a module writes bytes that the program keeps (a PDF, a response, the service's console).
struct TwSink {
  void* context;
  // Takes `size` bytes; false when it cannot keep them (out of memory).
  bool (*write)(void* context, const char* data, size_t size);
  // Passes on what was written so far (a console's flush); null where there is nothing to pass on.
  void (*flush)(void* context);
};

// How an entry that failed says why: once, with runtime::Error's number, description and source.
struct TwError {
  void* context;
  void (*fail)(void* context, long number, TwText description, TwText source);
};

// The entries return true when they did their work, false after reporting the failure to `error`.

// The PDF printer: renders a print layout (engine/print/layout_codec.h's encoding) into `pdf`.
using TwRenderPdf = bool(TwText layout, const TwSink* pdf, const TwError* error);

// The HTTP client (net::HttpRequest over libcurl): a request is a handle, each of its methods a function.
struct TwHttpRequest;
struct TwHttpLimits {
  int64_t connectMilliseconds;
  int64_t wholeMilliseconds;
  size_t maxResponseBytes;
};
struct TwHttpFunctions {
  // `longestWaitMilliseconds` < 0: no bound beyond the request's own. `requestClass`: net::RequestClass.
  bool (*create)(int64_t longestWaitMilliseconds, int requestClass, TwHttpRequest** request,
                 const TwError* error);
  void (*destroy)(TwHttpRequest* request);
  bool (*open)(TwHttpRequest* request, TwText method, TwText url, bool async, const TwError* error);
  bool (*setRequestHeader)(TwHttpRequest* request, TwText name, TwText value, const TwError* error);
  bool (*setLimits)(TwHttpRequest* request, const TwHttpLimits* limits, const TwError* error);
  bool (*send)(TwHttpRequest* request, TwText body, const TwError* error);
  bool (*readyState)(TwHttpRequest* request, int* state, const TwError* error);
  bool (*status)(TwHttpRequest* request, int* status, const TwError* error);
  bool (*responseText)(TwHttpRequest* request, const TwSink* text, const TwError* error);
  bool (*responseBody)(TwHttpRequest* request, const TwSink* body, const TwError* error);
};
using TwHttpEntry = const TwHttpFunctions*();

// `tallyweave service` (standin::runService). A text whose data is null was not given.
struct TwServiceOptions {
  int port;
  TwText user;
  TwText password;
  TwText installerFile;
  TwText storeDir;
  int answer;  // standin::ServiceAnswer
};
using TwRunService = bool(const TwServiceOptions* options, const TwSink* console, int* exitStatus,
                          const TwError* error);

}  // extern "C"

namespace tw::modules {

constexpr const char* kPdfModule = "tallyweave-pdf.so";
constexpr const char* kPdfEntry = "tallyweave_render_pdf";

constexpr const char* kHttpModule = "tallyweave-http.so";
constexpr const char* kHttpEntry = "tallyweave_http_functions";

constexpr const char* kServiceModule = "tallyweave-service.so";
constexpr const char* kServiceEntry = "tallyweave_run_service";

inline TwText textOf(std::string_view bytes) {
  return {bytes.data(), bytes.size()};
}
inline std::string_view viewOf(TwText text) {
  return {text.data, text.size};
}

}  // namespace tw::modules
