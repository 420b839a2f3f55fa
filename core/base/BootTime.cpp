#include "core/base/BootTime.h"

#include <charconv>
#include <cstdint>

#include "core/base/Files.h"

namespace corvane {

namespace {

// /proc/stat is a few kilobytes even with hundreds of processors.
constexpr std::size_t maxStatBytes = 1024 * 1024;

}  // namespace

std::optional<WallTime> parseBootTime(std::string_view procStat)
{
    static constexpr std::string_view key = "btime ";
    std::size_t at = 0;
    while (at < procStat.size()) {
        std::size_t end = std::min(procStat.find('\n', at), procStat.size());
        std::string_view line = procStat.substr(at, end - at);
        if (line.starts_with(key)) {
            line.remove_prefix(key.size());
            std::int64_t seconds = 0;
            auto [rest, error] = std::from_chars(line.data(), line.data() + line.size(), seconds);
            if (error != std::errc() || rest != line.data() + line.size() || seconds <= 0)
                return std::nullopt;
            return WallTime::fromUnixSeconds(static_cast<double>(seconds));
        }
        at = end + 1;
    }
    return std::nullopt;
}

Result<WallTime> readBootTime(const std::filesystem::path& path)
{
    auto content = readFileCapped(path, maxStatBytes);
    if (!content)
        return fail(content.error());
    auto boot = parseBootTime(*content);
    if (!boot)
        return fail(Error::make(Error::Code::Malformed, "read boot time", path.string()));
    return *boot;
}

}  // namespace corvane
