#include "platform/linux/JournalLogSink.h"

#include <syslog.h>
#include <unistd.h>

#include <systemd/sd-journal.h>

namespace corvane::platform {

namespace {

int journalPriority(LogLevel level)
{
    switch (level) {
    case LogLevel::Debug: return LOG_DEBUG;
    case LogLevel::Info: return LOG_INFO;
    case LogLevel::Notice: return LOG_NOTICE;
    case LogLevel::Warning: return LOG_WARNING;
    case LogLevel::Error: return LOG_ERR;
    }
    return LOG_INFO;
}

}  // namespace

JournalLogSink::JournalLogSink()
    : journalPresent_(::access(journalSocket, W_OK) == 0)
    , fallback_(standardErrorSink())
{
}

void JournalLogSink::write(LogLevel level, std::string_view category, std::string_view message)
{
    // Negative errno when the journal went away since.
    if (journalPresent_
        && sd_journal_send("MESSAGE=%.*s", static_cast<int>(message.size()), message.data(),  //
                           "PRIORITY=%d", journalPriority(level),                                //
                           "SYSLOG_IDENTIFIER=%s", identifier,                                  //
                           "CATEGORY=%.*s", static_cast<int>(category.size()), category.data(),  //
                           nullptr)
            >= 0)
        return;
    fallback_->write(level, category, message);
}

}  // namespace corvane::platform
