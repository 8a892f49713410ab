#pragma once

// A watch of one file through change notifications of its folder, for WindowsUi::WatchFile.

#include <functional>
#include <memory>
#include <string>

#include "platform/ui/ui.h"

namespace tw::win32 {

// Runs `changed` on the calling thread, through its message loop (modal loops included), after the file at
// `path` changed; a burst of changes that arrives before the call runs makes one call. nullptr when the
// folder cannot be watched or the thread cannot receive messages. The watch must be destroyed on the
// thread that made it; no call runs after that.
std::unique_ptr<ui::FileWatch> watchFile(const std::wstring& path, std::function<void()> changed);

}  // namespace tw::win32
