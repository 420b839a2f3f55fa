#pragma once
// The user's Auto Mode switches: hold while agents and builds work, while a
// listed app runs, while on the power adapter, while an external display is
// connected. Stored under "keepAwake.rules"; reading is tolerant key by key.

#include <cstddef>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

namespace corvane {

struct KeepAwakeRules {
    static constexpr std::size_t maxApps = 30;

    // What the app must watch for these rules.
    enum class Source { workloadScan, apps, powerSource, displays };

    bool agents = true;
    bool apps = true;
    std::vector<std::string> appBundleIDs;  // app ids (desktop-file ids on Linux), in the user's order
    bool power = false;
    bool display = false;

    // How many of the four switches are on; "<n> of 4 rules on".
    int onCount() const;
    std::string summary() const;

    std::set<Source> sources(bool enabled, bool away) const;

    // Appends the id, trimmed; unchanged when it is empty, already listed
    // (in any case) or the list is full.
    KeepAwakeRules adding(std::string_view appID) const;
    // Drops the id, in any case.
    KeepAwakeRules removing(std::string_view appID) const;
    // At most 30 ids, each valid and listed once.
    bool isValid() const;
    // 3 to 255 ASCII letters, digits, "-", "." and "_", with a "." inside
    // and none at either end.
    static bool isValidAppID(std::string_view appID);

    nlohmann::json toJson() const;
    // Every key is optional and a missing or unreadable one keeps its
    // default; nothing only when the value is not an object at all.
    static std::optional<KeepAwakeRules> fromJson(const nlohmann::json& json);

    bool operator==(const KeepAwakeRules&) const = default;
};

std::ostream& operator<<(std::ostream& out, const KeepAwakeRules& rules);

}  // namespace corvane
