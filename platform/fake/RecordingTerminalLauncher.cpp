#include "platform/fake/RecordingTerminalLauncher.h"

namespace corvane::platform {

Result<std::string> RecordingTerminalLauncher::open(const TerminalCommand& command)
{
    opened.push_back(command);
    return answer;
}

}  // namespace corvane::platform
