#include "core/base/Log.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace corvane {

namespace {

class StandardErrorSink final : public LogSink {
public:
    void write(LogLevel level, std::string_view category, std::string_view message) override
    {
        static constexpr const char* names[] = {"debug", "info", "notice", "warning", "error"};
        std::fprintf(stderr, "lunebox[%.*s] %s: %.*s\n", static_cast<int>(category.size()), category.data(),
                     names[static_cast<int>(level)], static_cast<int>(message.size()), message.data());
    }
};

LogLevel initialThreshold()
{
    const char* value = std::getenv("LUNEBOX_LOG");
    return value != nullptr && std::strcmp(value, "debug") == 0 ? LogLevel::Debug : LogLevel::Info;
}

std::mutex sinkMutex;
std::shared_ptr<LogSink>& currentSink()
{
    static std::shared_ptr<LogSink> sink = standardErrorSink();
    return sink;
}
std::atomic<int> threshold{static_cast<int>(initialThreshold())};

}  // namespace

std::shared_ptr<LogSink> standardErrorSink() { return std::make_shared<StandardErrorSink>(); }

void setLogSink(std::shared_ptr<LogSink> sink)
{
    std::lock_guard lock(sinkMutex);
    currentSink() = sink ? std::move(sink) : standardErrorSink();
}

void setLogThreshold(LogLevel level) { threshold = static_cast<int>(level); }

bool logEnabled(LogLevel level) { return static_cast<int>(level) >= threshold.load(std::memory_order_relaxed); }

void logLine(LogLevel level, std::string_view category, std::string_view message)
{
    std::shared_ptr<LogSink> sink;
    {
        std::lock_guard lock(sinkMutex);
        sink = currentSink();
    }
    sink->write(level, category, message);
}

}  // namespace corvane
