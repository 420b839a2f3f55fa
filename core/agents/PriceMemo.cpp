#include "core/agents/PriceMemo.h"

namespace corvane {

std::optional<ModelPrice> PriceMemo::price(std::string_view model)
{
    if (auto found = memo_.find(model); found != memo_.end())
        return found->second;
    auto price = table_.price(model);
    memo_.emplace(std::string(model), price);
    return price;
}

std::optional<double> PriceMemo::cost(const TokenUsage& usage, std::string_view model)
{
    auto found = price(model);
    if (!found)
        return std::nullopt;
    return found->cost(usage);
}

}  // namespace corvane
