#pragma once
// What model calls cost, in US dollars per million tokens. Prices are an
// estimate the user can correct: "ai.priceOverrides" replaces or adds
// entries. A model without a price is unpriced (no cost at all), never free.

#include <iosfwd>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "core/agents/TokenUsage.h"
#include "core/base/JsonStore.h"
#include "core/base/Result.h"

namespace corvane {

struct ModelPrice {
    double input = 0;                // dollars per million input tokens
    double output = 0;               // dollars per million output (and reasoning) tokens
    double cacheReadMultiplier = 0;  // fraction of the input price a cache read costs

    // Dollars for the usage; cache writes cost 1.25 (5 minutes) and 2 (1 hour) times the input price.
    double cost(const TokenUsage& usage) const;

    bool operator==(const ModelPrice&) const = default;

    Json toJson() const;
    // Nothing unless all three prices are numbers.
    static std::optional<ModelPrice> fromJson(const Json& json);
};

std::ostream& operator<<(std::ostream& out, const ModelPrice& price);

// The message a rejected override shows.
inline constexpr std::string_view priceOverrideMessage = "Use a model id and prices between 0 and 9999.";

// An override's id is 2 to 80 of [a-z0-9._:@/-]; every price lies in 0...9999.
Result<void> validatePriceOverride(std::string_view modelID, const ModelPrice& price);

struct PriceTable {
    std::map<std::string, ModelPrice, std::less<>> models;  // by lower-case model id

    static const PriceTable& defaults();
    // The defaults with the valid entries of the "ai.priceOverrides" value
    // laid over them; invalid entries are skipped one by one.
    static PriceTable withOverrides(const Json& overrides);

    // Case, a vendor prefix before "claude-", a "[1m]" context tag, an "@"
    // version suffix and an eight-digit release date do not change the price.
    std::optional<ModelPrice> price(std::string_view model) const;
    std::optional<double> cost(const TokenUsage& usage, std::string_view model) const;

    bool operator==(const PriceTable&) const = default;
};

}  // namespace corvane
