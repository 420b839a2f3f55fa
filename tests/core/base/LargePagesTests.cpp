#include "core/base/LargePages.h"

#include <cstdint>
#include <numeric>
#include <vector>

#include <gtest/gtest.h>

namespace corvane {
namespace {

// Growing across the threshold and on past a large page keeps every value,
// and the large arrays start on a large page's boundary.
TEST(LargePages, a_growing_array_keeps_its_values_across_every_kind_of_storage)
{
    std::vector<std::uint32_t, LargePageAllocator<std::uint32_t>> values;
    std::uint32_t next = 0;
    for (std::size_t count : {std::size_t{1000}, largepages::threshold / 4, largepages::hugePageBytes / 4 + 1,
                              3 * largepages::hugePageBytes / 4 + 7}) {
        while (values.size() < count)
            values.push_back(next++);
        std::vector<std::uint32_t> expected(values.size());
        std::iota(expected.begin(), expected.end(), 0u);
        ASSERT_TRUE(std::equal(values.begin(), values.end(), expected.begin(), expected.end())) << count;
        if (values.capacity() * sizeof(std::uint32_t) >= largepages::threshold) {
            EXPECT_EQ(reinterpret_cast<std::uintptr_t>(values.data()) % largepages::hugePageBytes, 0u) << count;
        }
    }
}

TEST(LargePages, refuses_a_size_past_the_address_space)
{
    LargePageAllocator<std::uint64_t> allocator;
    EXPECT_THROW((void)allocator.allocate(SIZE_MAX / 4), std::bad_array_new_length);
    EXPECT_THROW((void)allocator.allocate(SIZE_MAX / 16), std::bad_alloc);
}

}  // namespace
}  // namespace corvane
