#pragma once
// Where reading of one transcript stopped. Kept by the indexer per canonical
// path and saved with its snapshot, so reading resumes after a restart.

#include <cstdint>
#include <iosfwd>
#include <optional>

#include "core/base/JsonStore.h"

namespace corvane {

struct TailState {
    std::uint64_t inode = 0;   // the file's serial number; another one means the file was replaced
    std::uint64_t offset = 0;  // next byte to read
    std::uint64_t size = 0;    // file size seen at the last read
    bool skipping = false;     // inside an over-long line that is being discarded

    bool operator==(const TailState&) const = default;

    Json toJson() const;
    // Nothing when a field is missing or not a non-negative integer (a flag
    // for `skipping`).
    static std::optional<TailState> fromJson(const Json& json);
};

std::ostream& operator<<(std::ostream& out, const TailState& state);

}  // namespace corvane
