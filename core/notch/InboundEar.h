#pragma once
// Ears requested from outside through "lunebox://ear?text=Build%20done":
// scripts, build tools and shell hooks show a short line with a symbol, an
// optional progress ring and tint, for a limited time, and may name a file
// to open on click. Everything in the URL is hostile until checked.

#include <array>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core/base/Time.h"
#include "core/notch/Activity.h"

namespace corvane {

struct InboundEar {
    struct Request {
        std::string id{};
        std::string text{};
        std::string symbol{};
        std::optional<double> progress{};  // 0...1
        std::optional<std::string> tintHex{};
        double ttl = 8;  // seconds
        std::optional<std::string> openPath{};
        bool operator==(const Request&) const = default;
    };
    struct Clear {
        std::optional<std::string> id{};  // none: every inbound ear
        bool operator==(const Clear&) const = default;
    };

    std::variant<Request, Clear> value;

    static constexpr std::size_t maxText = 60;  // characters
    static constexpr double defaultTTL = 8;
    static constexpr double maxTTL = 3600;
    static constexpr std::string_view defaultSymbol = "terminal";
    static constexpr std::string_view defaultID = "default";
    static constexpr std::size_t maxOpenPath = 1024;
    // Inbound ears belong to the projects module's "From scripts" kind.
    static constexpr std::string_view moduleID = "projects";
    static constexpr std::string_view kind = "projects.inbound";
    static constexpr int priority = 40;

    // Symbols always accepted, whatever the icon theme knows.
    static const std::array<std::string_view, 15>& allowedSymbols();

    using SymbolCheck = std::function<bool(std::string_view symbol)>;
    using ExecutableCheck = std::function<bool(std::string_view path)>;

    // Nothing for another scheme or host, or a request with neither text nor
    // progress. Values that fail their check fall back to their defaults
    // (symbol, ttl) or are left out (tint, open path, progress).
    static std::optional<InboundEar> parse(std::string_view url, const SymbolCheck& isSymbol,
                                           const ExecutableCheck& isExecutable);

    // A path that opening cannot run: not executable, and without any of
    // the extensions that launch programs or installers.
    static bool opensSafely(std::string_view path, const ExecutableCheck& isExecutable);
    // A regular file with an execute bit, on the real file system.
    static bool isExecutableFile(std::string_view path);

    // The activity id of an inbound ear, apart from every module's own ids.
    static std::string activityID(std::string_view id);
    // The ear a request shows: the symbol (or the progress ring) on the
    // left, the text (or the percentage) on the right.
    static Activity activity(const Request& request, WallTime now);

    const Request* request() const { return std::get_if<Request>(&value); }
    const Clear* clear() const { return std::get_if<Clear>(&value); }

    bool operator==(const InboundEar&) const = default;
};

// Until when each inbound ear stays, by its id.
class InboundEarBook {
public:
    const std::map<std::string, WallTime, std::less<>>& until() const { return until_; }

    void show(const InboundEar::Request& request, WallTime now);
    // The ids that went: the named one, or all without a name.
    std::vector<std::string> clear(const std::optional<std::string>& id);
    // The ids whose time ran out by `now`, forgotten.
    std::vector<std::string> expire(WallTime now);
    std::optional<WallTime> nextExpiry() const;

private:
    template <typename Predicate>
    std::vector<std::string> removeIf(Predicate shouldGo)
    {
        std::vector<std::string> gone;
        for (auto entry = until_.begin(); entry != until_.end();) {
            if (shouldGo(*entry)) {
                gone.push_back(entry->first);
                entry = until_.erase(entry);
            } else {
                ++entry;
            }
        }
        return gone;
    }

    std::map<std::string, WallTime, std::less<>> until_;
};

}  // namespace corvane
