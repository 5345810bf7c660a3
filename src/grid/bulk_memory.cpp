#include "bulk_memory.h"

#include <cstdint>

#include <sys/mman.h>

void adviseHugePages(const void* p, std::size_t bytes)
{
    constexpr std::uintptr_t hugePage = std::uintptr_t(2) << 20;
    const std::uintptr_t begin = (reinterpret_cast<std::uintptr_t>(p) + hugePage - 1) & ~(hugePage - 1);
    const std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(p) + bytes) & ~(hugePage - 1);
    if (p == nullptr || end <= begin)
        return;
    madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}
