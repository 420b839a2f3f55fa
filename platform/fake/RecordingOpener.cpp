#include "platform/fake/RecordingOpener.h"

namespace corvane::platform {

Result<void> RecordingOpener::open(const OpenTarget& target)
{
    opened.push_back(target);
    return {};
}

void RecordingOpener::reveal(const std::vector<std::filesystem::path>& paths) { revealed.push_back(paths); }

}  // namespace corvane::platform
