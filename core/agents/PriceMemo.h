#pragma once
// A price table that resolves each distinct model string once. Queries over
// thousands of buckets ask for the same few models again and again, and the
// lookup cleans and searches the name every time. Not thread-safe: one memo
// per owner of the usage store.

#include <optional>
#include <string>
#include <string_view>
#include <functional>
#include <unordered_map>
#include <utility>

#include "core/agents/PriceTable.h"

namespace corvane {

class PriceMemo {
public:
    explicit PriceMemo(PriceTable table = PriceTable::defaults()) : table_(std::move(table)) {}

    const PriceTable& table() const { return table_; }
    std::optional<ModelPrice> price(std::string_view model);
    std::optional<double> cost(const TokenUsage& usage, std::string_view model);

private:
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
    };

    PriceTable table_;
    std::unordered_map<std::string, std::optional<ModelPrice>, Hash, std::equal_to<>> memo_;
};

}  // namespace corvane
