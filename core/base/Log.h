#pragma once
// A small logging facade. Each area logs under its own category
// ("migration", "events"); where the lines go is decided once per process:
// standard error by default, the journal in the desktop app.

#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include <fmt/format.h>

namespace corvane {

enum class LogLevel { Debug, Info, Notice, Warning, Error };

class LogSink {
public:
    virtual ~LogSink() = default;
    virtual void write(LogLevel level, std::string_view category, std::string_view message) = 0;
};

// Installs the process-wide sink; null restores standard error.
void setLogSink(std::shared_ptr<LogSink> sink);
// The default sink, one line per message on standard error; other sinks fall back to it.
std::shared_ptr<LogSink> standardErrorSink();
// Lines below this level are dropped before formatting. Default: Info, or
// Debug when LUNEBOX_LOG=debug is set.
void setLogThreshold(LogLevel level);
bool logEnabled(LogLevel level);
void logLine(LogLevel level, std::string_view category, std::string_view message);

class Logger {
public:
    explicit Logger(std::string category) : category_(std::move(category)) {}

    template <typename... Args>
    void debug(fmt::format_string<Args...> format, Args&&... args) const { log(LogLevel::Debug, format, std::forward<Args>(args)...); }
    template <typename... Args>
    void info(fmt::format_string<Args...> format, Args&&... args) const { log(LogLevel::Info, format, std::forward<Args>(args)...); }
    template <typename... Args>
    void warning(fmt::format_string<Args...> format, Args&&... args) const { log(LogLevel::Warning, format, std::forward<Args>(args)...); }
    template <typename... Args>
    void error(fmt::format_string<Args...> format, Args&&... args) const { log(LogLevel::Error, format, std::forward<Args>(args)...); }

    const std::string& category() const { return category_; }

private:
    template <typename... Args>
    void log(LogLevel level, fmt::format_string<Args...> format, Args&&... args) const
    {
        if (logEnabled(level))
            logLine(level, category_, fmt::format(format, std::forward<Args>(args)...));
    }

    std::string category_;
};

}  // namespace corvane
