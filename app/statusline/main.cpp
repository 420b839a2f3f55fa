// corvane-statusline: the statusline command Claude Code runs and, with
// "codex-notify" first, Codex's notifier (see StatuslineHelper). Links only
// the core, so it starts in a few milliseconds on every statusline refresh.

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <string>
#include <vector>

#include <unistd.h>

#include "core/agents/ClaudeStatusline.h"
#include "core/agents/CodexNotifyHelper.h"
#include "core/agents/StatuslineHelper.h"
#include "core/notch/KnownPaths.h"

namespace {

// At most one byte past the cap, so the helper can tell the input was cut.
std::string readInput()
{
    const std::size_t limit = corvane::ClaudeStatusline::maxStdin + 1;
    std::string input(limit, '\0');
    std::size_t filled = 0;
    while (filled < limit) {
        ssize_t got = ::read(STDIN_FILENO, input.data() + filled, limit - filled);
        if (got > 0)
            filled += static_cast<std::size_t>(got);
        else if (got == 0 || errno != EINTR)
            break;
    }
    input.resize(filled);
    return input;
}

void writeAll(const std::string& text)
{
    std::size_t written = 0;
    while (written < text.size()) {
        ssize_t put = ::write(STDOUT_FILENO, text.data() + written, text.size() - written);
        if (put > 0)
            written += static_cast<std::size_t>(put);
        else if (put < 0 && errno == EINTR)
            continue;
        else
            return;  // nobody reads the line any more
    }
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> arguments(argv + 1, argv + argc);
    corvane::SystemClock clock;
    // Codex passes everything in arguments; its standard input is not ours to wait on.
    if (!arguments.empty() && arguments.front() == corvane::CodexNotifyHelper::mode) {
        std::error_code error;
        std::filesystem::path folder = std::filesystem::current_path(error);
        return corvane::StatuslineHelper::codexNotify({arguments.begin() + 1, arguments.end()},
                                                      corvane::KnownPaths::current().home(), clock.now(),
                                                      corvane::KnownPaths::processEnvironment(), ::getpid(), folder);
    }
    std::string input = readInput();
    corvane::StatuslineHelper::Result result = corvane::StatuslineHelper::run(
        input, arguments, corvane::KnownPaths::current().home(), clock.now(), corvane::KnownPaths::processEnvironment());
    writeAll(result.output);
    return result.exitCode;
}
