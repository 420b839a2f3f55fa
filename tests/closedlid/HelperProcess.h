#pragma once
// The built closed-lid helper run as a real process on a socket of the
// test's own. Its lid inhibitor goes to `bus`: by default one that is not
// there, so nothing on this machine is changed.

#include <chrono>
#include <csignal>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace corvane::testing {

inline const std::filesystem::path helperPath = std::filesystem::path(LUNEBOX_BIN_DIR) / "lunebox-closedlid-helper";

class HelperProcess {
public:
    HelperProcess(const std::filesystem::path& socket, const std::filesystem::path& state,
                  const std::string& bus = "unix:path=/nonexistent/bus")
    {
        using namespace std::chrono_literals;
        std::filesystem::remove(socket);
        std::vector<std::string> arguments{helperPath.string(), "--socket", socket.string(), "--state-folder",
                                           state.string(), "--bus", bus,
                                           "--check-interval", "0.1"};
        std::vector<char*> argv;
        for (auto& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        if (::posix_spawn(&pid_, helperPath.c_str(), nullptr, nullptr, argv.data(), environ) != 0)
            pid_ = -1;
        auto until = std::chrono::steady_clock::now() + 10s;
        while (pid_ > 0 && !exited_ && !std::filesystem::exists(socket) && std::chrono::steady_clock::now() < until) {
            exited_ = ::waitpid(pid_, &status_, WNOHANG) == pid_;
            std::this_thread::sleep_for(20ms);
        }
    }
    ~HelperProcess()
    {
        if (pid_ > 0)
            stop();
    }
    HelperProcess(const HelperProcess&) = delete;
    HelperProcess& operator=(const HelperProcess&) = delete;

    bool running() const { return pid_ > 0; }
    // The exit status after `signal`.
    int stop(int signal = SIGTERM)
    {
        if (!exited_) {
            ::kill(pid_, signal);
            ::waitpid(pid_, &status_, 0);
        }
        pid_ = -1;
        return WIFEXITED(status_) ? WEXITSTATUS(status_) : 128 + WTERMSIG(status_);
    }

private:
    pid_t pid_ = -1;
    bool exited_ = false;
    int status_ = 0;
};

}  // namespace corvane::testing
