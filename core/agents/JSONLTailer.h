#pragma once
// Incremental reading of an append-only JSON Lines file: each call returns
// the complete lines added since the stored state, never a line still being
// written, and starts over when the file was replaced or truncated. A line
// longer than one read is discarded whole, across as many reads as it takes.

#include <cstddef>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/agents/TailState.h"
#include "core/base/FileDescriptor.h"
#include "core/base/LargePages.h"
#include "core/base/Utf8.h"

namespace corvane {

// One read buffer and its line list, reused across files by one thread so a
// pass allocates nothing per file. The lines handed out point into it and
// stay valid until its next use; each is followed by at least
// `transcriptLinePadding` readable bytes, so a parser decodes it in place.
class TailBuffer {
public:
    TailBuffer() = default;
    TailBuffer(const TailBuffer&) = delete;
    TailBuffer& operator=(const TailBuffer&) = delete;

private:
    friend class JSONLTailer;
    std::vector<char, LargePageAllocator<char>> bytes_;
    std::vector<std::string_view> lines_;
};

class JSONLTailer {
public:
    // Smallest read, whatever the caller asks for.
    static constexpr std::size_t minimumReadBytes = 64;
    // A read brings its bytes a piece at a time, so that one piece's lines are
    // parsed while they are still in the core's cache; only a line longer
    // than a piece makes it read on, up to the bytes asked for.
    static constexpr std::size_t pieceBytes = 512 * 1024;

    template <typename Line>
    struct Chunk {
        std::vector<Line> lines;
        TailState state;
        bool more = false;  // unread bytes remain; read again
    };

    struct View {
        std::span<const std::string_view> lines;  // into the buffer
        TailState state;
        bool more = false;
    };

    // Reads the complete lines of at most max(maxBytes, 64) bytes past
    // `from` into `buffer`; a line longer than that is skipped. A file that
    // cannot be opened or examined gives no lines and `from` (or a zero
    // state).
    static View readInto(const std::filesystem::path& path, const std::optional<TailState>& from,
                         std::size_t maxBytes, TailBuffer& buffer);
    // The same from a file opened once for all the reads of a pass over it.
    static FileDescriptor open(const std::filesystem::path& path);
    static View readInto(const FileDescriptor& file, const std::optional<TailState>& from, std::size_t maxBytes,
                         TailBuffer& buffer);

    // The same with each line as text, invalid UTF-8 replaced by U+FFFD.
    static Chunk<std::string> read(const std::filesystem::path& path, const std::optional<TailState>& from,
                                   std::size_t maxBytes);
    // The same with each line's bytes as they are in the file.
    static Chunk<std::string> readRaw(const std::filesystem::path& path, const std::optional<TailState>& from,
                                      std::size_t maxBytes);

    // Byte-substring test, the pre-filter before any JSON decoding.
    static bool contains(std::string_view data, std::string_view needle);
};


}  // namespace corvane
