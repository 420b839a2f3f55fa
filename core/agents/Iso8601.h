#pragma once
// The one timestamp form the agents write into their transcripts:
// "2025-06-01T12:34:56.789Z" or "2025-06-01T14:34:56.789+02:00". Parsed by
// hand because it runs once per usage line over gigabytes of transcripts.

#include <optional>
#include <string_view>

#include "core/base/Time.h"

namespace corvane {

// A date, "T", a time with a fraction of one to nine digits after the
// seconds, and "Z" or an offset "+HH:MM" / "-HH:MM". Anything else (no
// fraction, lower-case separators, a day that does not exist, a leap
// second, trailing text) gives nothing.
std::optional<WallTime> parseTranscriptTimestamp(std::string_view text);

}  // namespace corvane
