#pragma once
// Memory for large arrays that live long, such as read buffers and the usage
// store's records: from half a megabyte up each array is mapped on its own
// and asks the kernel for 2 MiB pages, so that filling it costs one page
// fault per 2 MiB rather than one per 4 KiB. Under virtualisation a page
// fault costs far more than writing the page's bytes. Where the kernel has
// no such pages the mapping simply stays in small ones.

#include <cstddef>
#include <limits>
#include <memory>
#include <new>

namespace corvane {

namespace largepages {

inline constexpr std::size_t hugePageBytes = std::size_t{2} << 20;
// Smaller arrays come from the ordinary heap.
inline constexpr std::size_t threshold = std::size_t{512} << 10;

// Page-aligned memory for `bytes` (at least `threshold`), its start on a
// 2 MiB boundary; nullptr when the kernel refuses.
void* map(std::size_t bytes);
void unmap(void* at, std::size_t bytes) noexcept;

}  // namespace largepages

template <typename T>
class LargePageAllocator {
public:
    using value_type = T;

    LargePageAllocator() = default;
    template <typename U>
    LargePageAllocator(const LargePageAllocator<U>&) noexcept
    {
    }

    T* allocate(std::size_t count)
    {
        if (count > std::numeric_limits<std::size_t>::max() / sizeof(T))
            throw std::bad_array_new_length();
        if (count * sizeof(T) < largepages::threshold)
            return std::allocator<T>().allocate(count);
        if (void* mapped = largepages::map(count * sizeof(T)))
            return static_cast<T*>(mapped);
        throw std::bad_alloc();
    }

    void deallocate(T* at, std::size_t count) noexcept
    {
        if (count * sizeof(T) < largepages::threshold)
            std::allocator<T>().deallocate(at, count);
        else
            largepages::unmap(at, count * sizeof(T));
    }

    template <typename U>
    bool operator==(const LargePageAllocator<U>&) const noexcept
    {
        return true;
    }
};

}  // namespace corvane
