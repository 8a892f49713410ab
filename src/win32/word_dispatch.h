#pragma once

// Word's Application and Office's command bars over late-bound IDispatch: the objects the add-in is
// handed at connection, and the documents, ranges, fields and mail merge reached from them. Events
// (DocumentBeforeClose, a button's Click) arrive through the objects' connection points.

#include "win32/windows_api.h"

#include <memory>

#include "platform/office/office.h"
#include "platform/word/word.h"
#include "runtime/error.h"
#include "win32/com_ptr.h"

namespace tw::win32 {

std::shared_ptr<word::Application> wordApplication(ComPtr<IDispatch> application);
std::shared_ptr<office::CommandBar> commandBar(ComPtr<IDispatch> bar);
std::shared_ptr<office::CommandBarControl> commandBarControl(ComPtr<IDispatch> control);
std::unique_ptr<office::RibbonControl> ribbonControl(ComPtr<IDispatch> control);
std::shared_ptr<word::Document> wordDocument(ComPtr<IDispatch> document);
std::shared_ptr<word::Field> wordField(ComPtr<IDispatch> field);

// The automation object behind an object of the add-in's model; null for null, error 13 for an object
// that does not come from Word.
template <class T>
ComPtr<IDispatch> dispatchOf(const std::shared_ptr<T>& object);

// What every object here is made of: the automation object it calls.
class DispatchBacked {
 public:
  virtual ~DispatchBacked() = default;
  virtual IDispatch* dispatch() const = 0;
};

template <class T>
ComPtr<IDispatch> dispatchOf(const std::shared_ptr<T>& object) {
  if (!object) return nullptr;
  auto* backed = dynamic_cast<const DispatchBacked*>(object.get());
  if (!backed) throw runtime::Error::fromNumber(runtime::kTypeMismatch);
  return ComPtr<IDispatch>(backed->dispatch());
}

}  // namespace tw::win32
