#pragma once

// No C++ exception leaves the DLL: every COM entry point runs its body through comEntry, which turns a
// failure into an HRESULT and the thread's error info (number, description, source), from which IDispatch
// callers get their EXCEPINFO.

#include "win32/windows_api.h"

#include "runtime/error.h"

namespace tw::win32 {

// The HRESULT that carries an error number: a classic run-time number n (1..65535) becomes 0x800A0000 + n,
// as Word and the automation runtime report them; a number that is an HRESULT already stays as it is.
HRESULT hresultOf(long number);

// Sets the error info from `error` and returns its HRESULT.
HRESULT reportError(const runtime::Error& error) noexcept;

template <class Body>
HRESULT comEntry(Body&& body) noexcept {
  try {
    body();
    return S_OK;
  } catch (...) {
    try {
      return reportError(runtime::currentError());
    } catch (...) {
      return E_OUTOFMEMORY;
    }
  }
}

// The same for a body that answers with an HRESULT of its own.
template <class Body>
HRESULT comCall(Body&& body) noexcept {
  HRESULT result = E_UNEXPECTED;
  HRESULT hr = comEntry([&] { result = body(); });
  return FAILED(hr) ? hr : result;
}

}  // namespace tw::win32
