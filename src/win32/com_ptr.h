#pragma once

// Owning handles for the COM resources the add-in holds: interface pointers, BSTRs, VARIANTs, SAFEARRAYs.

#include "win32/windows_api.h"

#include <utility>

namespace tw::win32 {

// One reference to a COM interface, released when the holder goes.
template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(std::nullptr_t) {}
  // Takes a reference of its own.
  explicit ComPtr(T* p) : p_(p) {
    if (p_) p_->AddRef();
  }
  ComPtr(const ComPtr& other) : ComPtr(other.p_) {}
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ComPtr& operator=(ComPtr other) noexcept {
    std::swap(p_, other.p_);
    return *this;
  }
  ~ComPtr() { reset(); }

  void reset() {
    if (p_) std::exchange(p_, nullptr)->Release();
  }
  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // For functions that hand out a new reference: releases the old one first.
  T** put() {
    reset();
    return &p_;
  }
  // Hands the reference to the caller.
  T* detach() { return std::exchange(p_, nullptr); }

  template <class U>
  ComPtr<U> query(REFIID iid) const {
    ComPtr<U> result;
    if (p_) p_->QueryInterface(iid, reinterpret_cast<void**>(result.put()));
    return result;
  }

 private:
  T* p_ = nullptr;
};

// A BSTR this code owns.
class Bstr {
 public:
  Bstr() = default;
  explicit Bstr(const wchar_t* text) : b_(SysAllocString(text)) {}
  Bstr(const wchar_t* text, UINT length) : b_(SysAllocStringLen(text, length)) {}
  Bstr(Bstr&& other) noexcept : b_(std::exchange(other.b_, nullptr)) {}
  Bstr& operator=(Bstr other) noexcept {
    std::swap(b_, other.b_);
    return *this;
  }
  Bstr(const Bstr&) = delete;
  ~Bstr() { SysFreeString(b_); }

  BSTR get() const { return b_; }
  BSTR* put() {
    SysFreeString(std::exchange(b_, nullptr));
    return &b_;
  }
  BSTR detach() { return std::exchange(b_, nullptr); }
  UINT length() const { return SysStringLen(b_); }

 private:
  BSTR b_ = nullptr;
};

// A VARIANT this code owns, cleared when it goes.
class Variant {
 public:
  Variant() { VariantInit(&v_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  ~Variant() { VariantClear(&v_); }

  VARIANT* get() { return &v_; }
  const VARIANT& operator*() const { return v_; }
  VARIANT* put() {
    VariantClear(&v_);
    return &v_;
  }

 private:
  VARIANT v_;
};

}  // namespace tw::win32
