#pragma once
// An opener for tests: keeps what it was asked to open and reveal, and
// opens nothing.

#include <vector>

#include "platform/Opener.h"

namespace corvane::platform {

class RecordingOpener final : public Opener {
public:
    Result<void> open(const OpenTarget& target) override;
    void reveal(const std::vector<std::filesystem::path>& paths) override;

    std::vector<OpenTarget> opened;
    std::vector<std::vector<std::filesystem::path>> revealed;
};

}  // namespace corvane::platform
