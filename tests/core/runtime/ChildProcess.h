#pragma once
// A real child process for the runtime tests: started with its own argument
// vector, environment and working folder, its standard output readable line
// by line, and killed when the test ends or dies.

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "core/base/FileDescriptor.h"

namespace corvane::testing {

class ChildProcess {
public:
    ChildProcess(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                 const std::filesystem::path& folder)
    {
        int pipeEnds[2];
        if (::pipe2(pipeEnds, O_CLOEXEC) != 0)
            return;
        output_ = FileDescriptor(pipeEnds[0]);
        FileDescriptor writeEnd(pipeEnds[1]);
        std::vector<char*> args;
        for (const auto& argument : argv)
            args.push_back(const_cast<char*>(argument.c_str()));
        args.push_back(nullptr);
        std::vector<char*> env;
        for (const auto& entry : environment)
            env.push_back(const_cast<char*>(entry.c_str()));
        env.push_back(nullptr);
        // Closed by the exec: reading it returns once the child runs its program.
        int execEnds[2];
        if (::pipe2(execEnds, O_CLOEXEC) != 0)
            return;
        FileDescriptor execRead(execEnds[0]);
        FileDescriptor execWrite(execEnds[1]);
        pid_t parent = ::getpid();
        pid_t pid = ::fork();
        if (pid == 0) {
            // Only async-signal-safe calls here. The child dies with the test
            // process, so a crashed test leaves no server behind.
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (::getppid() == parent && ::dup2(writeEnd.get(), STDOUT_FILENO) >= 0 && ::chdir(folder.c_str()) == 0)
                ::execve(args[0], args.data(), env.data());
            char failed = 1;
            (void)!::write(execWrite.get(), &failed, 1);
            ::_exit(127);
        }
        execWrite.reset();
        char failed = 0;
        if (pid > 0 && ::read(execRead.get(), &failed, 1) == 0)
            pid_ = pid;
        else if (pid > 0)
            ::waitpid(pid, nullptr, 0);
    }
    ~ChildProcess() { stop(); }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return pid_; }

    // The first line of standard output that contains `marker`, waiting up to `limit`.
    std::optional<std::string> lineContaining(const std::string& marker,
                                              std::chrono::milliseconds limit = std::chrono::seconds(30))
    {
        auto deadline = std::chrono::steady_clock::now() + limit;
        for (;;) {
            for (std::size_t end; (end = buffered_.find('\n')) != std::string::npos;) {
                std::string line = buffered_.substr(0, end);
                buffered_.erase(0, end + 1);
                if (line.find(marker) != std::string::npos)
                    return line;
            }
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline
                                                                              - std::chrono::steady_clock::now());
            pollfd wait{output_.get(), POLLIN, 0};
            if (left.count() <= 0 || ::poll(&wait, 1, static_cast<int>(left.count())) <= 0)
                return std::nullopt;
            char chunk[4096];
            ssize_t got = ::read(output_.get(), chunk, sizeof chunk);
            if (got <= 0)
                return std::nullopt;
            buffered_.append(chunk, static_cast<std::size_t>(got));
        }
    }

    void stop()
    {
        if (pid_ <= 0)
            return;
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
    FileDescriptor output_;
    std::string buffered_;
};

// The number after "port " in a line such as "Serving HTTP on 127.0.0.1 port 43121".
inline int portIn(const std::string& line)
{
    auto at = line.find("port ");
    return at == std::string::npos ? 0 : std::atoi(line.c_str() + at + 5);
}

}  // namespace corvane::testing
