#pragma once
// The on-disk side of a small JSON store in the data folder: read within a
// cap, written atomically with mode 0600, and moved aside under its
// quarantine name when it does not decode, so the store starts empty
// without destroying what the user had.

#include <cstddef>
#include <filesystem>
#include <optional>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "core/base/Files.h"
#include "core/base/Result.h"
#include "core/base/Time.h"

namespace corvane {

using Json = nlohmann::json;

class JsonStoreFile {
public:
    enum class State {
        Absent,      // no file yet
        Blank,       // empty or white space only: an empty store, not corrupt
        Parsed,      // `document` holds the parsed file
        Corrupt,     // did not parse or was oversized; moved aside
        Unreadable,  // exists but could not be read (permissions); left alone
    };
    struct Loaded {
        State state = State::Absent;
        Json document;
        std::optional<std::filesystem::path> quarantinedTo;
        std::optional<Error> error;
    };

    JsonStoreFile(std::filesystem::path path, std::size_t maxBytes);

    const std::filesystem::path& path() const { return path_; }
    Loaded load(WallTime now, const Calendar& calendar) const;
    // For a file that parsed but whose content as a whole does not decode.
    Result<std::filesystem::path> quarantine(WallTime now, const Calendar& calendar) const;
    Result<void> save(const Json& document) const;

private:
    std::filesystem::path path_;
    std::size_t maxBytes_;
};

// Loads a store: `decode` turns the parsed document into the value or gives
// nothing when the document as a whole does not decode, which quarantines the
// file. `corrupt` reports whether the file was moved aside.
template <typename T, typename Decode>
T loadStore(const JsonStoreFile& file, Decode decode, WallTime now, const Calendar& calendar, bool* corrupt = nullptr)
{
    auto loaded = file.load(now, calendar);
    if (corrupt != nullptr)
        *corrupt = loaded.state == JsonStoreFile::State::Corrupt;
    if (loaded.state != JsonStoreFile::State::Parsed)
        return T{};
    std::optional<T> value = decode(loaded.document);
    if (value)
        return std::move(*value);
    (void)file.quarantine(now, calendar);
    if (corrupt != nullptr)
        *corrupt = true;
    return T{};
}

// Stored dates are seconds since 1 January 2001.
Json toJson(WallTime time);
std::optional<WallTime> wallTimeFromJson(const Json& value);

// Decodes a list element by element, dropping the elements that do not decode.
template <typename T, typename DecodeOne>
std::vector<T> decodeLossy(const Json& array, DecodeOne decodeOne)
{
    std::vector<T> out;
    if (!array.is_array())
        return out;
    out.reserve(array.size());
    for (const Json& element : array) {
        std::optional<T> value = decodeOne(element);
        if (value)
            out.push_back(std::move(*value));
    }
    return out;
}

}  // namespace corvane
