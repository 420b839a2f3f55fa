#include "core/agents/UsageRecordsFile.h"

#include <cerrno>
#include <optional>

#include <fcntl.h>
#include <unistd.h>

#include "core/agents/JSONLTailer.h"
#include "core/base/FileDescriptor.h"
#include "core/base/Files.h"

namespace corvane::UsageRecordsFile {

namespace {

enum class LineKind { record, torn, damaged };

// A torn append is valid JSON up to where it stops: the parser fails only
// for want of more input.
LineKind classify(std::string_view text, std::optional<UsageRecord>& record)
{
    try {
        record = UsageRecord::fromJson(Json::parse(text));
        return record ? LineKind::record : LineKind::damaged;
    } catch (const Json::parse_error& error) {
        return error.byte >= text.size() + 1 ? LineKind::torn : LineKind::damaged;
    }
}

Result<void> writeAll(int fd, std::string_view bytes, const std::filesystem::path& path)
{
    while (!bytes.empty()) {
        ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return fail(Error::fromErrno("write", path.string()));
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return {};
}

}  // namespace

std::filesystem::path pathFor(const std::filesystem::path& storePath)
{
    std::filesystem::path path = storePath;
    return path.replace_extension("records.jsonl");
}

std::string encode(const std::vector<UsageRecord>& records)
{
    std::string out;
    for (const UsageRecord& record : records) {
        out += record.toJson().dump(-1, ' ', false, Json::error_handler_t::replace);
        out += '\n';
    }
    return out;
}

Result<void> append(const std::filesystem::path& path, const std::vector<UsageRecord>& records)
{
    FileDescriptor fd(::open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0600));
    if (!fd.valid())
        return fail(Error::fromErrno("open", path.string()));
    if (records.empty())
        return {};
    std::string bytes = encode(records);
    off_t size = ::lseek(fd.get(), 0, SEEK_END);
    char last = '\n';
    if (size > 0 && ::pread(fd.get(), &last, 1, size - 1) != 1)
        return fail(Error::fromErrno("read", path.string()));
    if (last != '\n')
        bytes.insert(bytes.begin(), '\n');
    if (auto written = writeAll(fd.get(), bytes, path); !written)
        return written;
    if (::fsync(fd.get()) != 0)
        return fail(Error::fromErrno("fsync", path.string()));
    return {};
}

void Decoder::line(std::string_view text)
{
    if (isBlank(text))
        return;
    if (text.size() > maxLineBytes) {
        ++counts_.damaged;
        return;
    }
    std::optional<UsageRecord> record;
    switch (classify(text, record)) {
    case LineKind::record:
        if (record->timestamp < cutoff_) {
            ++counts_.expired;
            return;
        }
        ++counts_.records;
        sink_(std::move(*record));
        return;
    case LineKind::torn:
        ++counts_.torn;
        return;
    case LineKind::damaged:
        ++counts_.damaged;
        return;
    }
}

Result<Counts> load(const std::filesystem::path& path, WallTime cutoff, const Decoder::Sink& sink)
{
    const FileDescriptor file = JSONLTailer::open(path);
    if (!file.valid()) {
        if (errno == ENOENT)
            return Counts{};
        return fail(Error::fromErrno("open", path.string()));
    }
    Decoder decoder(cutoff, sink);
    TailBuffer buffer;
    std::optional<TailState> state;
    for (;;) {
        auto piece = JSONLTailer::readInto(file, state, pieceBytes, buffer);
        for (std::string_view line : piece.lines)
            decoder.line(line);
        bool advanced = !state || piece.state.offset != state->offset;
        state = piece.state;
        if (!piece.more || !advanced)
            break;
    }
    return decoder.counts();
}

}  // namespace corvane::UsageRecordsFile
