#pragma once

// What every COM object of the add-in and of the Word host does alike for IUnknown: count its
// references, delete itself when the last one goes, and hand out the interfaces it offers.

#include "win32/windows_api.h"

#include <atomic>
#include <initializer_list>

namespace tw::win32 {

// An interface an object offers, under its id.
struct Offered {
  const IID& iid;
  IUnknown* object;
};

// QueryInterface's answer: the first offered interface with the id asked for, with a new reference.
inline HRESULT answerQuery(REFIID iid, void** object, std::initializer_list<Offered> offered) {
  if (!object) return E_POINTER;
  for (const Offered& candidate : offered) {
    if (IsEqualIID(iid, candidate.iid)) {
      candidate.object->AddRef();
      *object = candidate.object;
      return S_OK;
    }
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

// The reference count of an object that deletes itself, as a `Self`, when its last reference goes.
template <class Self>
class RefCounted {
 protected:
  ULONG addReference() { return ++refs_; }
  ULONG releaseReference() {
    const ULONG left = --refs_;
    if (left == 0) delete static_cast<Self*>(this);
    return left;
  }

 private:
  std::atomic<ULONG> refs_{0};
};

}  // namespace tw::win32
