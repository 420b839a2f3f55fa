#include "core/agents/JSONLTailer.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/agents/ByteSearch.h"
#include "core/agents/TranscriptLine.h"
#include "core/base/FileDescriptor.h"

namespace corvane {

namespace {

// Fills as much of `out` as the file holds from `offset`; a short count
// means the end of the file.
std::size_t readAt(int fd, char* out, std::size_t count, std::uint64_t offset)
{
    std::size_t done = 0;
    while (done < count) {
        ssize_t got = ::pread(fd, out + done, count - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

void splitLines(const char* begin, const char* end, std::vector<std::string_view>& lines)
{
    while (begin < end) {
        const auto* newline = static_cast<const char*>(std::memchr(begin, '\n', static_cast<std::size_t>(end - begin)));
        const char* lineEnd = newline != nullptr ? newline : end;
        if (lineEnd != begin)
            lines.emplace_back(begin, static_cast<std::size_t>(lineEnd - begin));
        begin = lineEnd + 1;
    }
}

}  // namespace

FileDescriptor JSONLTailer::open(const std::filesystem::path& path)
{
    return FileDescriptor(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
}

JSONLTailer::View JSONLTailer::readInto(const std::filesystem::path& path, const std::optional<TailState>& from,
                                        std::size_t maxBytes, TailBuffer& buffer)
{
    return readInto(open(path), from, maxBytes, buffer);
}

JSONLTailer::View JSONLTailer::readInto(const FileDescriptor& fd, const std::optional<TailState>& from,
                                        std::size_t maxBytes, TailBuffer& buffer)
{
    buffer.lines_.clear();
    const TailState given = from.value_or(TailState{});
    struct stat info {};
    if (!fd.valid() || ::fstat(fd.get(), &info) != 0)
        return {{}, given, false};

    const auto inode = static_cast<std::uint64_t>(info.st_ino);
    const std::uint64_t size = info.st_size > 0 ? static_cast<std::uint64_t>(info.st_size) : 0;
    TailState state = given;
    if (!from || from->inode != inode || size < from->offset)
        state = TailState{};
    state.inode = inode;
    state.size = size;
    if (state.offset >= size)
        return {{}, state, false};

    const std::size_t readSize = std::max(maxBytes, minimumReadBytes);
    const std::size_t piece = std::min(readSize, pieceBytes);
    if (buffer.bytes_.size() < piece + transcriptLinePadding)
        buffer.bytes_.resize(piece + transcriptLinePadding);

    if (state.skipping) {
        // Only the end of the skipped line matters: one piece at a time.
        std::size_t skipped = 0;
        bool ended = false;  // by the end of the file
        while (state.skipping && !ended && skipped < readSize) {
            char* data = buffer.bytes_.data();
            const std::size_t count = readAt(fd.get(), data, std::min(piece, readSize - skipped), state.offset + skipped);
            const auto* newline = static_cast<const char*>(std::memchr(data, '\n', count));
            state.skipping = newline == nullptr;
            skipped += newline != nullptr ? static_cast<std::size_t>(newline + 1 - data) : count;
            ended = count == 0;
        }
        state.offset += skipped;
        if (state.skipping || state.offset >= size)
            return {{}, state, !ended && state.offset < size};
    }

    std::size_t requested = piece;
    std::size_t count = readAt(fd.get(), buffer.bytes_.data(), requested, state.offset);
    if (count == 0)
        return {{}, state, false};
    const auto* lastNewline = static_cast<const char*>(::memrchr(buffer.bytes_.data(), '\n', count));
    if (lastNewline == nullptr && count == requested && requested < readSize) {
        // A line longer than a piece: read on for its end, up to the whole read.
        if (buffer.bytes_.size() < readSize + transcriptLinePadding)
            buffer.bytes_.resize(readSize + transcriptLinePadding);
        requested = readSize;
        count += readAt(fd.get(), buffer.bytes_.data() + count, readSize - count, state.offset + count);
        lastNewline = static_cast<const char*>(::memrchr(buffer.bytes_.data(), '\n', count));
    }

    const char* data = buffer.bytes_.data();
    if (lastNewline != nullptr) {
        splitLines(data, lastNewline, buffer.lines_);
        state.offset += static_cast<std::uint64_t>(lastNewline + 1 - data);
        return {buffer.lines_, state, state.offset < size};
    }
    if (count < requested)
        return {{}, state, false};  // a line still being written
    state.offset += count;
    state.skipping = true;
    return {{}, state, state.offset < size};
}

JSONLTailer::Chunk<std::string> JSONLTailer::read(const std::filesystem::path& path,
                                                  const std::optional<TailState>& from, std::size_t maxBytes)
{
    TailBuffer buffer;
    View view = readInto(path, from, maxBytes, buffer);
    Chunk<std::string> chunk{{}, view.state, view.more};
    chunk.lines.reserve(view.lines.size());
    for (std::string_view line : view.lines)
        chunk.lines.push_back(repairedUTF8(line));
    return chunk;
}

JSONLTailer::Chunk<std::string> JSONLTailer::readRaw(const std::filesystem::path& path,
                                                     const std::optional<TailState>& from, std::size_t maxBytes)
{
    TailBuffer buffer;
    View view = readInto(path, from, maxBytes, buffer);
    return {std::vector<std::string>(view.lines.begin(), view.lines.end()), view.state, view.more};
}

bool JSONLTailer::contains(std::string_view data, std::string_view needle) { return containsBytes(data, needle); }

}  // namespace corvane
