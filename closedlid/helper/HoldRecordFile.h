#pragma once
// The hold record on disk: root's own file, written atomically with mode
// 0600, read within the line cap.

#include <filesystem>
#include <optional>

#include "closedlid/ClosedLidRecords.h"

namespace corvane {

class HoldRecordFile {
public:
    explicit HoldRecordFile(std::filesystem::path path) : path_(std::move(path)) {}

    bool save(const LidHoldRecord& record) const;
    // A file that is there but unreadable or undecodable still counts as a
    // record left behind, with nothing in it.
    std::optional<LidHoldRecord> load() const;
    bool remove() const;

private:
    std::filesystem::path path_;
};

}  // namespace corvane
