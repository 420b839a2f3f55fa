#include "core/runtime/ProcessInspector.h"

#include <cerrno>
#include <charconv>
#include <csignal>
#include <string>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/base/Ascii.h"
#include "core/base/BootTime.h"
#include "core/base/FileDescriptor.h"
#include "core/base/Utf8.h"

namespace corvane {

namespace {

// Built by hand rather than formatted: the status command links this file
// and starts without loading any shared C++ library.
std::string procPath(std::int32_t pid, std::string_view leaf)
{
    std::string path = "/proc/" + std::to_string(pid);
    if (!leaf.empty())
        path.append(1, '/').append(leaf);
    return path;
}

// Reads up to `capacity` bytes in one read. A /proc file hands out all it
// has at once when the buffer is large enough, so the usual second read
// that finds the end of the file is skipped.
std::optional<std::size_t> readInto(const std::string& path, char* buffer, std::size_t capacity)
{
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
    if (!fd.valid())
        return std::nullopt;
    ssize_t got;
    do {
        got = ::read(fd.get(), buffer, capacity);
    } while (got < 0 && errno == EINTR);
    if (got < 0)
        return std::nullopt;
    return static_cast<std::size_t>(got);
}

// A block of up to `cap` bytes; nothing when the file cannot be read.
std::optional<std::string> readBlock(const std::string& path, std::size_t cap)
{
    std::string bytes(std::min<std::size_t>(cap, 4096), '\0');
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
    if (!fd.valid())
        return std::nullopt;
    std::size_t filled = 0;
    for (;;) {
        if (filled == bytes.size()) {
            if (bytes.size() >= cap)
                break;
            bytes.resize(std::min(cap, bytes.size() * 4));
        }
        ssize_t got = ::read(fd.get(), bytes.data() + filled, bytes.size() - filled);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return std::nullopt;
        }
        if (got == 0)
            break;
        filled += static_cast<std::size_t>(got);
    }
    bytes.resize(filled);
    return bytes;
}

std::optional<std::string> readLink(const std::string& path)
{
    char buffer[4096];
    ssize_t length = ::readlink(path.c_str(), buffer, sizeof buffer);
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof buffer)
        return std::nullopt;
    return std::string(buffer, static_cast<std::size_t>(length));
}

template <typename Number>
bool parseNumber(std::string_view text, Number& out)
{
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out);
    return error == std::errc() && end == text.data() + text.size();
}

std::optional<std::int32_t> pidFromName(const char* name)
{
    std::int32_t pid = 0;
    if (!parseNumber(std::string_view(name), pid) || pid < 1)
        return std::nullopt;
    return pid;
}

std::uint64_t bootTimeMicroseconds()
{
    static const std::uint64_t bootTime = [] {
        auto boot = readBootTime();
        return boot ? static_cast<std::uint64_t>(boot->unixSeconds()) * 1'000'000 : std::uint64_t{0};
    }();
    return bootTime;
}

std::uint64_t clockTicksPerSecond()
{
    static const std::uint64_t ticks = [] {
        long value = ::sysconf(_SC_CLK_TCK);
        return value > 0 ? static_cast<std::uint64_t>(value) : std::uint64_t{100};
    }();
    return ticks;
}

std::string_view lastComponent(std::string_view path)
{
    auto slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

bool isVersionName(std::string_view name)
{
    if (name.empty() || !isAsciiDigit(name.front()))
        return false;
    for (char c : name) {
        if (!isAsciiDigit(c) && !isAsciiAlpha(c) && c != '+' && c != '-' && c != '.')
            return false;
    }
    return true;
}

template <typename Each>
void forEachPID(Each each)
{
    DIR* folder = ::opendir("/proc");
    if (folder == nullptr)
        return;
    while (const dirent* entry = ::readdir(folder)) {
        if (auto pid = pidFromName(entry->d_name))
            each(*pid);
    }
    ::closedir(folder);
}

}  // namespace

std::optional<ProcStat> ProcStat::parse(std::string_view line)
{
    auto open = line.find('(');
    auto close = line.rfind(')');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open)
        return std::nullopt;
    ProcStat stat;
    stat.name = std::string(line.substr(open + 1, close - open - 1));
    // Fields from the third ("state") on, separated by single spaces.
    std::string_view rest = line.substr(close + 1);
    std::string_view fields[20];
    std::size_t count = 0;
    std::size_t at = 0;
    while (count < std::size(fields) && at < rest.size()) {
        while (at < rest.size() && rest[at] == ' ')
            ++at;
        std::size_t end = rest.find_first_of(" \n", at);
        if (end == std::string_view::npos)
            end = rest.size();
        if (end > at)
            fields[count++] = rest.substr(at, end - at);
        at = end;
    }
    // fields[0] is field 3 of proc(5): state, ppid, pgrp, ... utime 14, stime 15, starttime 22.
    if (count < 20 || fields[0].size() != 1)
        return std::nullopt;
    stat.state = fields[0].front();
    if (!parseNumber(fields[1], stat.ppid) || !parseNumber(fields[2], stat.pgrp)
        || !parseNumber(fields[11], stat.userTicks) || !parseNumber(fields[12], stat.systemTicks)
        || !parseNumber(fields[19], stat.startTicks))
        return std::nullopt;
    return stat;
}

std::vector<std::int32_t> ProcessInspector::allPIDs()
{
    std::vector<std::int32_t> pids;
    forEachPID([&](std::int32_t pid) { pids.push_back(pid); });
    return pids;
}

std::optional<ProcStat> ProcessInspector::stat(std::int32_t pid)
{
    if (pid < 1)
        return std::nullopt;
    char buffer[1024];
    auto length = readInto(procPath(pid, "stat"), buffer, sizeof buffer);
    if (!length)
        return std::nullopt;
    return ProcStat::parse(std::string_view(buffer, *length));
}

std::uint64_t ProcessInspector::startTime(const ProcStat& stat)
{
    return bootTimeMicroseconds() + stat.startTicks * 1'000'000 / clockTicksPerSecond();
}

double ProcessInspector::cpuSeconds(const ProcStat& stat)
{
    return static_cast<double>(stat.userTicks + stat.systemTicks) / static_cast<double>(clockTicksPerSecond());
}

std::optional<std::uint64_t> ProcessInspector::residentBytes(std::int32_t pid)
{
    if (pid < 1)
        return std::nullopt;
    char buffer[256];
    auto length = readInto(procPath(pid, "statm"), buffer, sizeof buffer);
    if (!length)
        return std::nullopt;
    std::string_view text(buffer, *length);
    auto space = text.find(' ');
    if (space == std::string_view::npos)
        return std::nullopt;
    text.remove_prefix(space + 1);
    std::uint64_t pages = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), pages);
    if (error != std::errc())
        return std::nullopt;
    static const auto pageSize = static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
    return pages * pageSize;
}

std::optional<ProcessIdentity> ProcessInspector::identity(std::int32_t pid)
{
    auto stat = ProcessInspector::stat(pid);
    if (!stat)
        return std::nullopt;
    auto path = ProcessInspector::path(pid);
    if (!path)
        return std::nullopt;
    return ProcessIdentity{pid, startTime(*stat), std::move(*path)};
}

std::string ProcessInspector::displayName(std::string_view path, std::string_view shortName)
{
    static constexpr std::string_view deleted = " (deleted)";
    if (path.ends_with(deleted))
        path.remove_suffix(deleted.size());
    std::string_view file = lastComponent(path);
    return std::string(file.empty() ? shortName : file);
}

std::optional<ProcessSnapshot> ProcessInspector::snapshot(std::int32_t pid, bool includeArgs)
{
    auto stat = ProcessInspector::stat(pid);
    if (!stat)
        return std::nullopt;
    auto path = ProcessInspector::path(pid);
    auto uid = owner(pid);
    if (!path || !uid)
        return std::nullopt;
    ProcessSnapshot snapshot;
    snapshot.identity = {pid, startTime(*stat), std::move(*path)};
    snapshot.name = displayName(snapshot.identity.path, stat->name);
    snapshot.uid = *uid;
    snapshot.ppid = stat->ppid;
    snapshot.cwd = cwd(pid);
    if (includeArgs)
        snapshot.argv = arguments(pid);
    return snapshot;
}

std::optional<std::int32_t> ProcessInspector::processGroup(std::int32_t pid)
{
    auto stat = ProcessInspector::stat(pid);
    if (!stat)
        return std::nullopt;
    return stat->pgrp;
}

std::optional<std::uint32_t> ProcessInspector::owner(std::int32_t pid)
{
    if (pid < 1)
        return std::nullopt;
    struct stat info {};
    if (::stat(procPath(pid, {}).c_str(), &info) != 0)
        return std::nullopt;
    return info.st_uid;
}

std::optional<std::string> ProcessInspector::path(std::int32_t pid)
{
    if (pid < 1)
        return std::nullopt;
    return readLink(procPath(pid, "exe"));
}

std::optional<std::string> ProcessInspector::cwd(std::int32_t pid)
{
    if (pid < 1)
        return std::nullopt;
    auto link = readLink(procPath(pid, "cwd"));
    if (!link)
        return std::nullopt;
    return repairedUTF8(*link);
}

std::vector<std::string> ProcessInspector::arguments(std::int32_t pid)
{
    if (pid < 1)
        return {};
    auto block = readBlock(procPath(pid, "cmdline"), ProcessArgs::maxBlockBytes);
    return block ? ProcessArgs::parseArguments(*block) : std::vector<std::string>{};
}

std::optional<ProcessArgs> ProcessInspector::argumentsAndEnvironment(std::int32_t pid)
{
    if (pid < 1)
        return std::nullopt;
    auto arguments = readBlock(procPath(pid, "cmdline"), ProcessArgs::maxBlockBytes);
    auto environment = readBlock(procPath(pid, "environ"), ProcessArgs::maxBlockBytes);
    if (!arguments || !environment)
        return std::nullopt;
    return ProcessArgs{ProcessArgs::parseArguments(*arguments), ProcessArgs::parseEnvironment(*environment)};
}

bool ProcessInspector::isAlive(std::int32_t pid)
{
    if (pid < 1)
        return false;
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

std::vector<ProcessInspector::NamedPID> ProcessInspector::pids(const std::set<std::string>& names)
{
    return pids(names, {}, {});
}

std::vector<ProcessInspector::NamedPID> ProcessInspector::pids(const std::set<std::string>& names,
                                                               const std::filesystem::path& versionFolder,
                                                               const std::string& alias)
{
    std::error_code ignored;
    std::filesystem::path folder = versionFolder.empty()
        ? std::filesystem::path() : std::filesystem::weakly_canonical(versionFolder, ignored);
    std::vector<NamedPID> found;
    forEachPID([&](std::int32_t pid) {
        auto stat = ProcessInspector::stat(pid);
        if (!stat)
            return;  // gone since the listing
        if (names.contains(stat->name)) {
            found.push_back({pid, stat->name});
        } else if (!folder.empty() && isVersionName(stat->name)) {
            auto executable = path(pid);
            if (executable && std::filesystem::path(*executable).parent_path() == folder)
                found.push_back({pid, alias});
        }
    });
    return found;
}

}  // namespace corvane
