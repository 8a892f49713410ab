#pragma once

// Windows' handles, each given back when its holder goes: one template for every kind, named per kind.

#include "win32/windows_api.h"

#include <utility>

namespace tw::win32 {

// A handle of type T that `Close` gives back. Empty (null, or INVALID_HANDLE_VALUE as some functions
// answer) holds nothing. It moves and is never copied.
template <class T, auto Close>
class ScopedHandle {
 public:
  ScopedHandle() = default;
  explicit ScopedHandle(T handle) : handle_(handle) {}
  ScopedHandle(ScopedHandle&& other) noexcept : handle_(other.release()) {}
  ScopedHandle& operator=(ScopedHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  ~ScopedHandle() { reset(); }

  T get() const { return handle_; }
  bool valid() const { return handle_ != T() && handle_ != reinterpret_cast<T>(INVALID_HANDLE_VALUE); }
  // Where a function that makes a handle puts it; a handle held before is given back first.
  T* put() {
    reset();
    return &handle_;
  }
  // Hands the handle to a new owner.
  T release() { return std::exchange(handle_, T()); }
  void reset(T handle = T()) {
    if (valid()) Close(handle_);
    handle_ = handle;
  }

 private:
  T handle_ = T();
};

// A kernel object: a file, an event, a process or a thread.
using Handle = ScopedHandle<HANDLE, &CloseHandle>;
// A directory search.
using FindHandle = ScopedHandle<HANDLE, &FindClose>;
using RegistryKey = ScopedHandle<HKEY, &RegCloseKey>;
using LibraryHandle = ScopedHandle<HMODULE, &FreeLibrary>;
// A GDI object: a bitmap until an OLE picture takes it over.
using BitmapHandle = ScopedHandle<HBITMAP, &DeleteObject>;

}  // namespace tw::win32
