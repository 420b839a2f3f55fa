#pragma once
// What one ear shows: a symbol, a short text, a gauge, artwork, or two of
// these side by side. Contents travel as JSON between the app's parts, one
// key per case with the payload under "_0", "_1" and named keys.

#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "core/base/RawEnum.h"

namespace corvane {

// A battery gauge's state beside its percentage.
enum class ChargeState { discharging, charging, full };

template <>
struct EnumCases<ChargeState> {
    static constexpr std::array cases{
        std::pair{ChargeState::discharging, std::string_view("discharging")},
        std::pair{ChargeState::charging, std::string_view("charging")},
        std::pair{ChargeState::full, std::string_view("full")},
    };
};

// Earbud and case batteries in percent; a part that did not report is absent.
struct BudsBattery {
    std::optional<int> left;
    std::optional<int> right;
    std::optional<int> caseLevel;
    bool operator==(const BudsBattery&) const = default;
};

struct EarContent {
    struct None {
        bool operator==(const None&) const = default;
    };
    struct Symbol {
        std::string name;
        bool operator==(const Symbol&) const = default;
    };
    struct Text {
        std::string text;
        bool operator==(const Text&) const = default;
    };
    struct SymbolText {
        std::string symbol;
        std::string text;
        bool operator==(const SymbolText&) const = default;
    };
    struct Artwork {
        std::string key;  // artwork cache key
        bool operator==(const Artwork&) const = default;
    };
    struct Progress {
        double value = 0;  // 0...1, drawn as a ring
        bool operator==(const Progress&) const = default;
    };
    struct Level {
        double value = 0;  // volume or brightness, 0...1
        bool muted = false;
        bool operator==(const Level&) const = default;
    };
    struct Bars {
        bool operator==(const Bars&) const = default;
    };
    struct Dot {
        std::string hex;
        bool operator==(const Dot&) const = default;
    };
    struct Battery {
        int percent = 0;
        bool operator==(const Battery&) const = default;
    };
    struct ProgressPercent {
        double value = 0;  // 0...1, drawn as "42%"
        bool operator==(const ProgressPercent&) const = default;
    };
    struct HoldRing {
        std::string symbol;
        double seconds = 0;  // how long the hold lasts
        bool operator==(const HoldRing&) const = default;
    };
    struct SecondaryText {
        std::string text;
        bool operator==(const SecondaryText&) const = default;
    };
    struct TintedSymbolText {
        std::string symbol;
        std::string text;
        std::string hex;
        bool operator==(const TintedSymbolText&) const = default;
    };
    struct TintedLabel {
        std::string symbol;
        std::string text;
        std::string hex;
        bool mono = false;
        bool operator==(const TintedLabel&) const = default;
    };
    struct Lyric {
        std::string text;
        double seconds = 0;  // how long the line lasts
        bool operator==(const Lyric&) const = default;
    };
    // Two contents side by side. Shared and immutable, so copies stay cheap
    // and a pair behaves as a value.
    struct Pair {
        std::shared_ptr<const EarContent> first;
        std::shared_ptr<const EarContent> second;
        bool operator==(const Pair& other) const;
    };
    struct Charge {
        int percent = 0;
        ChargeState state = ChargeState::discharging;
        bool operator==(const Charge&) const = default;
    };
    struct Buds {
        BudsBattery battery;
        std::string model;
        bool operator==(const Buds&) const = default;
    };

    std::variant<None, Symbol, Text, SymbolText, Artwork, Progress, Level, Bars, Dot, Battery, ProgressPercent,
                 HoldRing, SecondaryText, TintedSymbolText, TintedLabel, Lyric, Pair, Charge, Buds>
        value;

    static EarContent none() { return {None{}}; }
    static EarContent symbol(std::string name) { return {Symbol{std::move(name)}}; }
    static EarContent text(std::string text) { return {Text{std::move(text)}}; }
    static EarContent symbolText(std::string symbol, std::string text) { return {SymbolText{std::move(symbol), std::move(text)}}; }
    static EarContent artwork(std::string key) { return {Artwork{std::move(key)}}; }
    static EarContent progress(double value) { return {Progress{value}}; }
    static EarContent level(double value, bool muted) { return {Level{value, muted}}; }
    static EarContent bars() { return {Bars{}}; }
    static EarContent dot(std::string hex) { return {Dot{std::move(hex)}}; }
    static EarContent battery(int percent) { return {Battery{percent}}; }
    static EarContent progressPercent(double value) { return {ProgressPercent{value}}; }
    static EarContent holdRing(std::string symbol, double seconds) { return {HoldRing{std::move(symbol), seconds}}; }
    static EarContent secondaryText(std::string text) { return {SecondaryText{std::move(text)}}; }
    static EarContent tintedSymbolText(std::string symbol, std::string text, std::string hex)
    {
        return {TintedSymbolText{std::move(symbol), std::move(text), std::move(hex)}};
    }
    static EarContent tintedLabel(std::string symbol, std::string text, std::string hex, bool mono)
    {
        return {TintedLabel{std::move(symbol), std::move(text), std::move(hex), mono}};
    }
    static EarContent lyric(std::string text, double seconds) { return {Lyric{std::move(text), seconds}}; }
    static EarContent pair(EarContent first, EarContent second);
    static EarContent charge(int percent, ChargeState state) { return {Charge{percent, state}}; }
    static EarContent buds(BudsBattery battery, std::string model) { return {Buds{battery, std::move(model)}}; }

    template <typename Case>
    const Case* as() const { return std::get_if<Case>(&value); }
    bool isNone() const { return as<None>() != nullptr; }

    // The words a reader sees: the texts the content carries, a pair's in
    // order. Symbol names, keys and colours are no text.
    std::vector<std::string_view> texts() const;

    // Nesting deeper than this is refused when decoding; pairs of pairs are
    // as deep as any ear goes.
    static constexpr int maxDecodeDepth = 4;

    nlohmann::json toJson() const;
    // Nothing for an unknown case or a payload of the wrong type.
    static std::optional<EarContent> fromJson(const nlohmann::json& json);

    bool operator==(const EarContent&) const = default;
};

std::ostream& operator<<(std::ostream& out, const EarContent& content);

}  // namespace corvane
