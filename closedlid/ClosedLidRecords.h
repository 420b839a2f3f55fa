#pragma once
// What the closed-lid helper and the app say to each other: one JSON
// document per line. The app sends a request; the helper answers every
// request with its status.

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <variant>

#include "core/base/Time.h"
#include "core/keepawake/LidStopReason.h"

namespace corvane {

// The protocol version; the app's launch check requires the helper to report it.
inline constexpr int ClosedLidHelperVersion = 1;

// A line longer than this is refused before it is decoded.
inline constexpr std::size_t closedLidLineCap = 4096;

struct LidBattery {
    std::optional<int> percent;
    bool charging = false;
    bool onAC = false;
    bool operator==(const LidBattery&) const = default;
};

struct LidHoldTerms {
    std::int64_t leaseSeconds = 0;
    std::int64_t hardDeadlineSeconds = 0;
    std::int64_t batteryFloor = 0;
    bool operator==(const LidHoldTerms&) const = default;
};

// An active hold. leaseUntil never passes deadline.
struct LidHold {
    WallTime startedAt = WallTime::fromUnixSeconds(0);
    WallTime leaseUntil = WallTime::fromUnixSeconds(0);
    WallTime deadline = WallTime::fromUnixSeconds(0);
    std::int64_t leaseSeconds = 0;
    std::int64_t batteryFloor = 0;
    bool operator==(const LidHold&) const = default;
};

// Saved by the helper before the lid is held and removed once it is let
// go, so a helper that starts and finds one knows a hold was left behind.
struct LidHoldRecord {
    std::optional<LidHold> hold;
    std::optional<bool> prior;  // the lid setting before the hold

    std::string encoded() const;
    // None when the data is not a record object.
    static std::optional<LidHoldRecord> decode(std::string_view data);

    bool operator==(const LidHoldRecord&) const = default;
};

struct ClosedLidHelperStatus {
    int helperVersion = ClosedLidHelperVersion;
    bool ok = false;
    bool holding = false;
    bool sleepDisabled = false;
    std::optional<LidHold> hold;
    std::optional<LidStopReason> lastStop;
    std::optional<std::string> message;
    std::optional<bool> leftByUs;

    // One line of JSON, without the line feed.
    std::string encoded() const;
    // None for anything but a status object within the line cap; any
    // helperVersion decodes, so the app can see that the helper is older.
    static std::optional<ClosedLidHelperStatus> decode(std::string_view data);

    bool operator==(const ClosedLidHelperStatus&) const = default;
};

struct ClosedLidRequest {
    struct Hold {
        LidHoldTerms terms;
        bool operator==(const Hold&) const = default;
    };
    struct Renew {
        bool operator==(const Renew&) const = default;
    };
    struct Release {
        bool operator==(const Release&) const = default;
    };
    struct Status {
        bool operator==(const Status&) const = default;
    };
    using Kind = std::variant<Hold, Renew, Release, Status>;

    int version = ClosedLidHelperVersion;
    Kind kind;

    std::string encoded() const;
    // None for anything the helper cannot read; a request of another
    // version decodes so the helper can answer that it does not speak it.
    static std::optional<ClosedLidRequest> decode(std::string_view data);

    bool operator==(const ClosedLidRequest&) const = default;
};

std::ostream& operator<<(std::ostream& out, const LidHold& hold);
std::ostream& operator<<(std::ostream& out, const ClosedLidHelperStatus& status);

}  // namespace corvane
