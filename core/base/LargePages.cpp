#include "core/base/LargePages.h"

#include <cstdint>

#include <sys/mman.h>

namespace corvane::largepages {

namespace {

constexpr std::size_t smallPageBytes = 4096;

std::size_t roundUp(std::size_t bytes, std::size_t unit)
{
    return (bytes + unit - 1) / unit * unit;
}

// Below one large page the mapping is rounded up to one, which the kernel
// can then back; above, whole large pages are backed and the rest of the
// array stays in small ones.
std::size_t mappedBytes(std::size_t bytes)
{
    return bytes < hugePageBytes ? hugePageBytes : roundUp(bytes, smallPageBytes);
}

}  // namespace

void* map(std::size_t bytes)
{
    const std::size_t size = mappedBytes(bytes);
    // Mapped with a large page of slack, then trimmed to a 2 MiB boundary.
    void* reserved = ::mmap(nullptr, size + hugePageBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (reserved == MAP_FAILED)
        return nullptr;
    const auto start = reinterpret_cast<std::uintptr_t>(reserved);
    const std::uintptr_t aligned = roundUp(start, hugePageBytes);
    if (aligned > start)
        ::munmap(reserved, aligned - start);
    if (const std::uintptr_t tail = start + hugePageBytes - aligned; tail > 0)
        ::munmap(reinterpret_cast<void*>(aligned + size), tail);
    auto* at = reinterpret_cast<void*>(aligned);
    (void)::madvise(at, size, MADV_HUGEPAGE);
    return at;
}

void unmap(void* at, std::size_t bytes) noexcept
{
    ::munmap(at, mappedBytes(bytes));
}

}  // namespace corvane::largepages
