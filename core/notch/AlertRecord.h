#pragma once
// One remembered alert: what the Notifications inbox lists and
// "alerts.json" keeps. Records that persist use their field names as JSON
// keys; dates are seconds since 2001.

#include <iosfwd>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "core/base/JsonStore.h"
#include "core/base/Time.h"
#include "core/base/Uuid.h"
#include "core/calendar/MeetingLink.h"
#include "core/notch/Brand.h"

namespace corvane {

struct AlertRecord {
    // What the inbox can do for the alert. Stored with the case name as the
    // key and the payload under "_0": {"containerLogs": {"_0": "web"}}.
    struct Action {
        struct Join {
            MeetingLink::Link link;  // validated again before "Join" is offered
            bool operator==(const Join&) const = default;
        };
        struct Open {
            std::string target;  // a module surface or target id
            bool operator==(const Open&) const = default;
        };
        struct CompleteReminder {
            std::string reminderID;
            bool operator==(const CompleteReminder&) const = default;
        };
        struct SnoozeReminder {
            std::string reminderID;
            bool operator==(const SnoozeReminder&) const = default;
        };
        struct ContainerLogs {
            std::string container;
            bool operator==(const ContainerLogs&) const = default;
        };
        struct RestartTimer {
            int minutes = 0;
            bool operator==(const RestartTimer&) const = default;
        };
        struct Reveal {
            std::vector<std::string> paths;
            bool operator==(const Reveal&) const = default;
        };
        struct CleanUpApp {
            std::string app;  // the deleted app whose leftovers to clean up
            bool operator==(const CleanUpApp&) const = default;
        };
        struct OpenURL {
            std::string url;
            bool operator==(const OpenURL&) const = default;
        };

        using Value = std::variant<Join, Open, CompleteReminder, SnoozeReminder, ContainerLogs, RestartTimer, Reveal,
                                   CleanUpApp, OpenURL>;
        Value value;

        static Action join(MeetingLink::Link link) { return {Join{std::move(link)}}; }
        static Action open(std::string target) { return {Open{std::move(target)}}; }
        static Action completeReminder(std::string id) { return {CompleteReminder{std::move(id)}}; }
        static Action snoozeReminder(std::string id) { return {SnoozeReminder{std::move(id)}}; }
        static Action containerLogs(std::string container) { return {ContainerLogs{std::move(container)}}; }
        static Action restartTimer(int minutes) { return {RestartTimer{minutes}}; }
        static Action reveal(std::vector<std::string> paths) { return {Reveal{std::move(paths)}}; }
        static Action cleanUpApp(std::string app) { return {CleanUpApp{std::move(app)}}; }
        static Action openURL(std::string url) { return {OpenURL{std::move(url)}}; }

        // The payload when the action is of this case.
        template <typename Case>
        const Case* as() const { return std::get_if<Case>(&value); }

        Json toJson() const;
        // Nothing for an unknown case or a payload of the wrong shape.
        static std::optional<Action> fromJson(const Json& json);

        bool operator==(const Action&) const = default;
    };

    Uuid id = Uuid::random();
    std::string kind;      // the event kind, "ai.finished"
    std::string moduleID;  // the raising module
    std::string title;     // headline
    std::string text;      // body, may be empty
    WallTime date;         // when it happened
    std::optional<Action> action;

    // Which tool the alert speaks for. Computed, never stored: "ai." kinds
    // by their title, the others by module and action.
    std::optional<Brand> brand() const;

    Json toJson() const;
    // Tolerant: a missing text reads as empty, an action this version does
    // not know is dropped with the record kept. Nothing when the id, kind,
    // module, title or date is missing or of the wrong type.
    static std::optional<AlertRecord> fromJson(const Json& json);

    bool operator==(const AlertRecord&) const = default;
};

// The stored JSON, so a failing comparison shows readable values.
std::ostream& operator<<(std::ostream& out, const AlertRecord& record);
std::ostream& operator<<(std::ostream& out, const AlertRecord::Action& action);

}  // namespace corvane
