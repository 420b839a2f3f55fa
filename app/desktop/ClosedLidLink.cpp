#include "app/desktop/ClosedLidLink.h"

#include <unistd.h>

#include "closedlid/ClosedLidHelperDigest.h"
#include "closedlid/Sha256.h"
#include "core/keepawake/ClosedLidInstaller.h"

namespace corvane::app {

namespace {

constexpr std::string_view selfExecutable = "/proc/self/exe";
// pkexec's exits when the user dismisses the prompt or is not authorised.
constexpr int promptDismissed = 126;
constexpr int notAuthorised = 127;
constexpr std::size_t lineCap = 160;

// The last line the command wrote to its error stream, cut to fit the card.
std::string lastLine(const std::string& text)
{
    std::string trimmed = text.substr(0, text.find_last_not_of(" \n\r\t") + 1);
    std::string line = trimmed.substr(trimmed.rfind('\n') + 1);
    return line.size() > lineCap ? line.substr(0, lineCap) : line;
}

std::string outcomeLine(const Result<ProcessOutput>& ran, const std::string& doneLine)
{
    if (!ran)
        return "The helper command didn't run: " + ran.error().message();
    if (ran->succeeded())
        return doneLine;
    if (ran->exit == ProcessExit::exited(promptDismissed) || ran->exit == ProcessExit::exited(notAuthorised))
        return "Cancelled: administrator rights weren't given.";
    std::string line = lastLine(ran->standardError);
    return line.empty() ? "The helper command failed." : line;
}

}  // namespace

ClosedLidLink::ClosedLidLink(Options options, Scheduler& mainThread)
    : options_(std::move(options)),
      client_(options_.socketPath, options_.timeoutSeconds),
      queue_("com.lunebox.closedlid.client", mainThread)
{
    if (options_.helperSHA256.empty())
        options_.helperSHA256 = std::string(closedLidHelperSHA256());
}

ClosedLidLink::~ClosedLidLink()
{
    queue_.shutdown(SerialQueue::Shutdown::Drain);
    client_.disconnect();
}

HelperState ClosedLidLink::probeNow()
{
    return probeClosedLidHelper(client_, options_.helperSHA256, options_.installation);
}

void ClosedLidLink::probe(std::function<void(HelperState)> done)
{
    queue_.submit([this] { return probeNow(); }, std::move(done));
}

void ClosedLidLink::ask(std::function<std::optional<ClosedLidHelperStatus>(ClosedLidHelperClient&)> request,
                        Answer done)
{
    queue_.submit([this, request = std::move(request)] { return request(client_); }, std::move(done));
}

void ClosedLidLink::hold(const LidHoldTerms& terms, Answer done)
{
    ask([terms](ClosedLidHelperClient& client) { return client.hold(terms); }, std::move(done));
}

void ClosedLidLink::renew(Answer done)
{
    ask([](ClosedLidHelperClient& client) { return client.renew(); }, std::move(done));
}

void ClosedLidLink::release(Answer done)
{
    ask([](ClosedLidHelperClient& client) { return client.release(); }, std::move(done));
}

void ClosedLidLink::install(const ProcessRunner& processes, Outcome done)
{
    runElevated(
        processes,
        [helperSHA256 = options_.helperSHA256]() -> std::optional<std::string> {
            // The helper serves only this build of the app: it learns its hash here.
            auto appSHA256 = fileSHA256(selfExecutable);
            if (!appSHA256)
                return std::nullopt;
            std::error_code error;
            auto executable = std::filesystem::read_symlink(selfExecutable, error);
            if (error)
                return std::nullopt;
            return ClosedLidInstaller::installCommand(ClosedLidInstaller::bundledSources(executable.parent_path()),
                                                      helperSHA256,
                                                      {static_cast<std::uint32_t>(::getuid()), *appSHA256});
        },
        "The helper is installed.", std::move(done));
}

void ClosedLidLink::uninstall(const ProcessRunner& processes, Outcome done)
{
    runElevated(
        processes, [] { return std::optional(ClosedLidInstaller::uninstallCommand()); }, "The helper is removed.",
        std::move(done));
}

void ClosedLidLink::runElevated(const ProcessRunner& processes, std::function<std::optional<std::string>()> command,
                                std::string doneLine, Outcome done)
{
    struct Ran {
        std::string line;
        HelperState state;
    };
    queue_.submit(
        [this, &processes, command = std::move(command), doneLine = std::move(doneLine)] {
            std::optional<std::string> shell = command();
            if (!shell)
                return Ran{"This build can't install the helper: its files aren't where they should be.", probeNow()};
            ProcessRequest request = ClosedLidInstaller::elevated(*shell);
            request.cancellation = queue_.cancellation();
            std::string line = outcomeLine(processes.run(request), doneLine);
            // The helper may have been restarted under us: ask afresh.
            client_.disconnect();
            return Ran{std::move(line), probeNow()};
        },
        [done = std::move(done)](Ran ran) { done(std::move(ran.line), ran.state); });
}

}  // namespace corvane::app
