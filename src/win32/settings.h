#pragma once

// The add-in's own entries in the registry.

#include "win32/windows_api.h"

#include <chrono>
#include <optional>
#include <string>

namespace tw::win32 {

// The ProgID of the class plugin, by which Word and scripts create the add-in.
inline constexpr const wchar_t* kProgId = L"Tallyweave.plugin";

// The add-in's key below HKEY_CURRENT_USER that Word reads (LoadBehavior); it also holds the add-in's own
// settings, and unregistering removes it with them.
std::wstring wordAddinKey();

// The longest wait of an HTTP request in milliseconds, from the DWORD value "HttpTimeout" of the add-in's
// key; none when the value is absent or 0. It only shortens the request's own bounds (for trying the add-in
// against a local service).
std::optional<std::chrono::milliseconds> configuredLongestHttpWait();

}  // namespace tw::win32
