#pragma once

// The modules' side of their C entries (module_entries.h): the work done inside a guard that catches what
// it throws, and bytes written to the program's sinks.

#include <string_view>

#include "modules/module_entries.h"
#include "runtime/error.h"

namespace tw::modules {

// Runs `work`; what it throws is reported to `error` as runtime::currentError sees it, and never leaves
// the module.
template <class Work>
bool guarded(const TwError* error, Work&& work) noexcept {
  try {
    work();
    return true;
  } catch (...) {
    try {
      const runtime::Error failure = runtime::currentError();
      error->fail(error->context, failure.number(), textOf(failure.description()), textOf(failure.source()));
    } catch (...) {
      // No memory left to describe it: the program reports out of memory.
    }
    return false;
  }
}

// Hands `bytes` to the program; a sink that cannot keep them has run out of memory.
inline void writeTo(const TwSink& sink, std::string_view bytes) {
  if (!sink.write(sink.context, bytes.data(), bytes.size()))
    throw runtime::Error::fromNumber(runtime::kOutOfMemory);
}

}  // namespace tw::modules
