#include "platform/sys/memory_pages.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

namespace tw::sys {

void populatePages(void* data, std::size_t size) noexcept {
#if defined(MADV_POPULATE_WRITE)
  constexpr std::size_t kWorthIt = std::size_t{1} << 20;
  if (size < kWorthIt) return;
  // madvise takes whole pages: only those that lie entirely inside the buffer.
  const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
  const auto start = reinterpret_cast<std::uintptr_t>(data);
  const std::uintptr_t first = (start + page - 1) & ~(page - 1);
  const std::uintptr_t last = (start + size) & ~(page - 1);
  // Kernels before 5.14 refuse the advice; the pages then come one fault at a time, as without it.
  if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_POPULATE_WRITE);
#else
  (void)data;
  (void)size;
#endif
}

}  // namespace tw::sys
