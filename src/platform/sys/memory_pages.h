#pragma once

// Making a fresh buffer's pages present before it is filled.

#include <cstddef>

namespace tw::sys {

// Makes the pages of the `size` bytes at `data` present in one call, where filling a fresh buffer would
// otherwise take a page fault for every page: for a buffer of many MiB the faults cost more than the work
// that fills it. Only a hint: buffers under a MiB, and systems without such a call, are left alone. Never
// fails and never changes the bytes.
#if defined(__linux__)
void populatePages(void* data, std::size_t size) noexcept;  // posix/memory_pages.cpp
#else
inline void populatePages(void* /*data*/, std::size_t /*size*/) noexcept {}
#endif

}  // namespace tw::sys
