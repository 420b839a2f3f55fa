#pragma once
// Log lines into the systemd journal: the message, its priority, the
// identifier "lunebox" and the area as the CATEGORY field, so that
// `journalctl -t lunebox CATEGORY=migration` finds one area's lines. A line
// the journal does not take goes to standard error instead.

#include <memory>

#include "core/base/Log.h"

namespace corvane::platform {

class JournalLogSink final : public LogSink {
public:
    static constexpr const char* identifier = "lunebox";
    // Where journald listens; sd_journal_send reports success when it is missing.
    static constexpr const char* journalSocket = "/run/systemd/journal/socket";

    JournalLogSink();
    void write(LogLevel level, std::string_view category, std::string_view message) override;

private:
    bool journalPresent_;
    std::shared_ptr<LogSink> fallback_;
};

}  // namespace corvane::platform
