#include <optional>
#include <ostream>
#include <streambuf>
#include <string>

#include "modules/entry_guard.h"
#include "modules/module_entries.h"
#include "standin/service.h"

namespace tw::modules {
namespace {

// The program's console as a stream of this module's runtime. Unbuffered: every write reaches the
// program's stream at once, in the order the service's threads make them.
class SinkBuffer : public std::streambuf {
 public:
  explicit SinkBuffer(const TwSink& sink) : sink_(sink) {}

 protected:
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    const char byte = traits_type::to_char_type(c);
    return sink_.write(sink_.context, &byte, 1) ? c : traits_type::eof();
  }
  std::streamsize xsputn(const char* data, std::streamsize size) override {
    return sink_.write(sink_.context, data, static_cast<std::size_t>(size)) ? size : 0;
  }
  int sync() override {
    if (sink_.flush) sink_.flush(sink_.context);
    return 0;
  }

 private:
  TwSink sink_;
};

std::optional<std::string> optionalOf(TwText text) {
  if (!text.data) return std::nullopt;
  return std::string(viewOf(text));
}

}  // namespace
}  // namespace tw::modules

extern "C" bool tallyweave_run_service(const TwServiceOptions* options, const TwSink* console,
                                       int* exitStatus, const TwError* error) {
  return tw::modules::guarded(error, [&] {
    tw::standin::ServiceOptions serviceOptions;
    serviceOptions.port = options->port;
    serviceOptions.user = tw::modules::optionalOf(options->user);
    serviceOptions.password = tw::modules::optionalOf(options->password);
    serviceOptions.installerFile = tw::modules::optionalOf(options->installerFile);
    serviceOptions.storeDir = tw::modules::optionalOf(options->storeDir);
    serviceOptions.answer = static_cast<tw::standin::ServiceAnswer>(options->answer);
    tw::modules::SinkBuffer buffer(*console);
    std::ostream stream(&buffer);
    *exitStatus = tw::standin::runService(serviceOptions, stream);
  });
}

static_assert(std::is_same_v<decltype(tallyweave_run_service), TwRunService>);
