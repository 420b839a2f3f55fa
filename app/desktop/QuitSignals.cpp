#include "app/desktop/QuitSignals.h"

#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include "core/base/Log.h"
#include "core/base/Result.h"

namespace corvane::app {

namespace {

const Logger logger("app");

int pipeEnds[2] = {-1, -1};

extern "C" void forwardSignal(int signal)
{
    int saved = errno;
    unsigned char byte = static_cast<unsigned char>(signal);
    // Nothing to do when the socket is full: a quit is already pending.
    [[maybe_unused]] auto written = ::write(pipeEnds[0], &byte, 1);
    errno = saved;
}

constexpr int handledSignals[] = {SIGTERM, SIGINT};

}  // namespace

QuitSignals::QuitSignals(QObject* parent) : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, pipeEnds) != 0) {
        logger.warning("cannot watch for quit signals: {}", Error::fromErrno("socketpair", {}).message());
        return;
    }
    notifier_ = std::make_unique<QSocketNotifier>(pipeEnds[1], QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &QuitSignals::drain);
    struct sigaction action {};
    action.sa_handler = forwardSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : handledSignals)
        ::sigaction(signal, &action, nullptr);
}

QuitSignals::~QuitSignals()
{
    if (!notifier_)
        return;
    for (int signal : handledSignals)
        ::signal(signal, SIG_DFL);
    notifier_.reset();
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    pipeEnds[0] = pipeEnds[1] = -1;
}

void QuitSignals::drain()
{
    unsigned char byte = 0;
    int last = 0;
    while (::read(pipeEnds[1], &byte, 1) == 1)
        last = byte;
    if (last != 0)
        emit quitRequested(last);
}

}  // namespace corvane::app
