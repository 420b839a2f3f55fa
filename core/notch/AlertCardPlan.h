#pragma once
// The content of one alert card under the notch: what it shows and the one
// thing its button does.

#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "core/calendar/MeetingLink.h"
#include "core/notch/Brand.h"

namespace corvane {

struct AlertCardPlan {
    struct Primary {
        struct OpenURL {
            std::string url;
            bool operator==(const OpenURL&) const = default;
        };
        struct Join {
            MeetingLink::Link link;
            bool operator==(const Join&) const = default;
        };
        struct Open {
            std::string target;
            bool operator==(const Open&) const = default;
        };
        struct OpenTerminal {
            bool operator==(const OpenTerminal&) const = default;
        };

        std::variant<OpenURL, Join, Open, OpenTerminal> value;

        static Primary openURL(std::string url) { return {OpenURL{std::move(url)}}; }
        static Primary join(MeetingLink::Link link) { return {Join{std::move(link)}}; }
        static Primary open(std::string target) { return {Open{std::move(target)}}; }
        static Primary openTerminal() { return {OpenTerminal{}}; }

        template <typename Case>
        const Case* as() const { return std::get_if<Case>(&value); }

        bool operator==(const Primary&) const = default;
    };

    static constexpr std::string_view claudeTint = "#D97757";
    static constexpr std::string_view codexTint = "#10A37F";

    std::string symbol;                // symbol name
    std::optional<Brand> brand;        // the tool the alert speaks for
    std::optional<std::string> badge;  // small mark on the symbol
    std::string tintHex;               // "#34C759"
    std::string eyebrow;               // small line above the headline
    std::optional<std::string> context;
    std::string headline;
    Primary primary = Primary::openTerminal();

    // The agent tool an alert speaks for, recognised from its text and then
    // its kind by the tools' lower-case names.
    static std::optional<Brand> recogniseBrand(std::string_view kind, std::string_view text);
    // Claude and Codex cards wear their own colour; every other card keeps `fallbackHex`.
    static std::string tint(std::optional<Brand> brand, std::string_view fallbackHex);
    // Sets `brand` when the alert's kind or text names an agent tool, and
    // tints the card to match its brand.
    void applyBrand(std::string_view kind, std::string_view text);

    bool operator==(const AlertCardPlan&) const = default;
};

}  // namespace corvane
