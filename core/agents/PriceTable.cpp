#include "core/agents/PriceTable.h"

#include <cmath>
#include <ostream>

#include "core/base/Ascii.h"

namespace corvane {

double ModelPrice::cost(const TokenUsage& usage) const
{
    auto tokens = [](std::int64_t count) { return static_cast<double>(count); };
    double dollarsPerMillion = input * tokens(usage.input) + output * (tokens(usage.output) + tokens(usage.reasoning))
        + 1.25 * input * tokens(usage.cacheWrite5m) + 2.0 * input * tokens(usage.cacheWrite1h)
        + cacheReadMultiplier * input * tokens(usage.cacheRead);
    return dollarsPerMillion / 1'000'000.0;
}

Json ModelPrice::toJson() const
{
    return {{"input", input}, {"output", output}, {"cacheReadMultiplier", cacheReadMultiplier}};
}

std::optional<ModelPrice> ModelPrice::fromJson(const Json& json)
{
    if (!json.is_object())
        return std::nullopt;
    auto number = [&](const char* key) -> std::optional<double> {
        auto found = json.find(key);
        if (found == json.end() || !found->is_number())
            return std::nullopt;
        return found->get<double>();
    };
    auto input = number("input");
    auto output = number("output");
    auto multiplier = number("cacheReadMultiplier");
    if (!input || !output || !multiplier)
        return std::nullopt;
    return ModelPrice{*input, *output, *multiplier};
}

std::ostream& operator<<(std::ostream& out, const ModelPrice& price) { return out << price.toJson().dump(); }

namespace {

constexpr bool isModelIDCharacter(char c)
{
    return (c >= 'a' && c <= 'z') || isAsciiDigit(c) || c == '.' || c == '_' || c == ':' || c == '@' || c == '/' || c == '-';
}

bool isValidModelID(std::string_view id)
{
    if (id.size() < 2 || id.size() > 80)
        return false;
    for (char c : id) {
        if (!isModelIDCharacter(c))
            return false;
    }
    return true;
}

bool isValidPrice(double value) { return std::isfinite(value) && value >= 0 && value <= 9999; }

// "-20250929": a dash and exactly eight digits at the end.
bool endsWithReleaseDate(std::string_view name)
{
    constexpr std::size_t suffix = 9;
    if (name.size() <= suffix || name[name.size() - suffix] != '-')
        return false;
    for (std::size_t i = name.size() - 8; i < name.size(); ++i) {
        if (!isAsciiDigit(name[i]))
            return false;
    }
    return true;
}

std::string cleanedModelName(std::string_view model)
{
    std::string name = asciiLowercased(model);
    if (auto vendor = name.find("claude-"); vendor != std::string::npos)
        name.erase(0, vendor);
    if (auto tag = name.find('['); tag != std::string::npos)
        name.resize(tag);
    if (auto version = name.find('@'); version != std::string::npos)
        name.resize(version);
    return name;
}

}  // namespace

Result<void> validatePriceOverride(std::string_view modelID, const ModelPrice& price)
{
    if (!isValidModelID(modelID) || !isValidPrice(price.input) || !isValidPrice(price.output)
        || !isValidPrice(price.cacheReadMultiplier))
        return fail(Error::make(Error::Code::Invalid, "price override", std::string(priceOverrideMessage)));
    return {};
}

const PriceTable& PriceTable::defaults()
{
    static const PriceTable table{{
        {"claude-fable-5-1", {10.0, 50.0, 0.025}},
        {"claude-mythos-5-1", {10.0, 50.0, 0.025}},
        {"claude-fable-5", {10.0, 50.0, 0.1}},
        {"claude-opus-5-5", {4.0, 20.0, 0.05}},
        {"claude-opus-5", {5.0, 25.0, 0.1}},
        {"claude-opus-4-8", {5.0, 25.0, 0.1}},
        {"claude-opus-4-7", {5.0, 25.0, 0.1}},
        {"claude-opus-4-6", {5.0, 25.0, 0.1}},
        {"claude-sonnet-5", {2.0, 10.0, 0.1}},
        {"claude-sonnet-4-6", {3.0, 15.0, 0.1}},
        {"claude-haiku-4-5", {1.0, 5.0, 0.1}},
    }};
    return table;
}

PriceTable PriceTable::withOverrides(const Json& overrides)
{
    PriceTable table = defaults();
    if (!overrides.is_object())
        return table;
    for (const auto& [id, value] : overrides.items()) {
        auto price = ModelPrice::fromJson(value);
        if (price && validatePriceOverride(id, *price))
            table.models.insert_or_assign(id, *price);
    }
    return table;
}

std::optional<ModelPrice> PriceTable::price(std::string_view model) const
{
    std::string name = cleanedModelName(model);
    if (name.empty())
        return std::nullopt;
    if (auto found = models.find(name); found != models.end())
        return found->second;
    if (auto found = models.find(model); found != models.end())
        return found->second;
    if (endsWithReleaseDate(name)) {
        if (auto found = models.find(std::string_view(name).substr(0, name.size() - 9)); found != models.end())
            return found->second;
    }
    return std::nullopt;
}

std::optional<double> PriceTable::cost(const TokenUsage& usage, std::string_view model) const
{
    auto found = price(model);
    if (!found)
        return std::nullopt;
    return found->cost(usage);
}

}  // namespace corvane
