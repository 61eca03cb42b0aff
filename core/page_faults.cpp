#include "core/page_faults.h"

#include <cstdint>

#if __has_include(<sys/mman.h>) && __has_include(<unistd.h>)
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace clickwisp {

void FaultInPages([[maybe_unused]] void* data, [[maybe_unused]] size_t bytes)
{
#ifdef MADV_POPULATE_WRITE
    if (bytes < (size_t(1) << 20))
        return;
    const uintptr_t page = uintptr_t(sysconf(_SC_PAGESIZE));
    const uintptr_t begin = (reinterpret_cast<uintptr_t>(data) + page - 1) & ~(page - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(data) + bytes) & ~(page - 1);
    if (end <= begin)
        return;
#ifdef MADV_HUGEPAGE
    // Where the system allows it, the 2 MB-aligned middle in huge pages: one
    // fault per 2 MB instead of 512, which more than halves the cost of a
    // fresh screen-sized array. Shared memory and systems without them
    // ignore the advice.
    constexpr uintptr_t kHuge = uintptr_t(2) << 20;
    const uintptr_t hugeBegin = (begin + kHuge - 1) & ~(kHuge - 1), hugeEnd = end & ~(kHuge - 1);
    if (hugeEnd > hugeBegin)
        madvise(reinterpret_cast<void*>(hugeBegin), hugeEnd - hugeBegin, MADV_HUGEPAGE);
#endif
    madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
#endif
}

} // namespace clickwisp
