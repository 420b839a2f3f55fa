#pragma once
// A terminal launcher for tests: remembers each command and answers with
// the name or the failure it was given.

#include <vector>

#include "platform/TerminalLauncher.h"

namespace corvane::platform {

class RecordingTerminalLauncher final : public TerminalLauncher {
public:
    Result<std::string> open(const TerminalCommand& command) override;

    std::vector<TerminalCommand> opened;
    // What the next calls answer: a terminal name, or an error when none is found.
    Result<std::string> answer = std::string("x-terminal-emulator");
};

}  // namespace corvane::platform
