#pragma once
// When the machine booted: the kernel's "btime" line of /proc/stat. It is
// derived from the wall clock, so it moves by a second or so when the clock
// is adjusted.

#include <filesystem>
#include <optional>
#include <string_view>

#include "core/base/Result.h"
#include "core/base/Time.h"

namespace corvane {

inline constexpr std::string_view procStatPath = "/proc/stat";

// The "btime" line of /proc/stat's content.
std::optional<WallTime> parseBootTime(std::string_view procStat);
Result<WallTime> readBootTime(const std::filesystem::path& path = std::filesystem::path(procStatPath));

}  // namespace corvane
