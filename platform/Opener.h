#pragma once
// Hands web addresses and files to the desktop's default applications and
// shows files in the file manager. What is opened lives on after we quit.

#include <filesystem>
#include <vector>

#include "core/base/Result.h"
#include "platform/OpenTarget.h"

namespace corvane::platform {

class Opener {
public:
    virtual ~Opener() = default;
    // Fails when the desktop's opener cannot be started.
    virtual Result<void> open(const OpenTarget& target) = 0;
    // Shows the files selected in the file manager, or opens the folder of
    // the first when no file manager answers. Never blocks the caller.
    virtual void reveal(const std::vector<std::filesystem::path>& paths) = 0;
};

}  // namespace corvane::platform
