#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "core/agents/PriceMemo.h"
#include "core/agents/PriceTable.h"

namespace corvane {
namespace {

TEST(PriceTable, context_tags_vendor_prefixes_case_and_release_dates_do_not_change_the_price)
{
    const PriceTable& table = PriceTable::defaults();
    ModelPrice opus{5.0, 25.0, 0.1};
    ModelPrice sonnet{3.0, 15.0, 0.1};
    EXPECT_EQ(table.price("Claude-Opus-4-7[1m]"), opus);
    EXPECT_EQ(table.price("us.anthropic.claude-opus-4-7@20260101"), opus);
    EXPECT_EQ(table.price("claude-sonnet-4-6-20250929"), sonnet);
    EXPECT_EQ(table.price("claude-sonnet-4-6-2025092"), std::nullopt);
    EXPECT_EQ(table.price("claude-sonnet-4-6-beta"), std::nullopt);
    EXPECT_EQ(table.price("[1m]"), std::nullopt);
    EXPECT_EQ(table.price("gpt-5-codex"), std::nullopt);
}

TEST(PriceTable, cost_charges_cache_writes_and_reads_relative_to_the_input_price)
{
    ModelPrice price{3.0, 15.0, 0.1};
    EXPECT_DOUBLE_EQ(price.cost({.input = 1'000'000}), 3.0);
    EXPECT_DOUBLE_EQ(price.cost({.cacheRead = 1'000'000}), 0.3);
    EXPECT_DOUBLE_EQ(price.cost({.cacheWrite5m = 1'000'000}), 3.75);
    EXPECT_DOUBLE_EQ(price.cost({.cacheWrite1h = 1'000'000}), 6.0);
    EXPECT_DOUBLE_EQ(price.cost({.output = 500'000, .reasoning = 500'000}), 15.0);
}

TEST(PriceTable, an_unknown_model_is_unpriced_rather_than_free)
{
    EXPECT_EQ(PriceTable::defaults().cost({.input = 1000}, "gpt-5-codex"), std::nullopt);
    PriceMemo memo;
    EXPECT_EQ(memo.cost({.input = 1000}, "gpt-5-codex"), std::nullopt);
    EXPECT_DOUBLE_EQ(memo.cost({.input = 1'000'000}, "claude-haiku-4-5").value(), 1.0);
}

TEST(PriceTable, overrides_replace_defaults_and_add_models_when_valid)
{
    Json overrides = {
        {"claude-haiku-4-5", {{"input", 2.0}, {"output", 8.0}, {"cacheReadMultiplier", 0.5}}},
        {"gpt-5-codex", {{"input", 1.25}, {"output", 10.0}, {"cacheReadMultiplier", 0.1}}},
        {"Bad-Upper", {{"input", 1.0}, {"output", 1.0}, {"cacheReadMultiplier", 0.1}}},
        {"claude-opus-4-7", {{"input", 10000.0}, {"output", 1.0}, {"cacheReadMultiplier", 0.1}}},
        {"claude-opus-4-6", {{"input", "5"}, {"output", 1.0}, {"cacheReadMultiplier", 0.1}}},
    };
    PriceTable table = PriceTable::withOverrides(overrides);
    EXPECT_EQ(table.price("claude-haiku-4-5"), (ModelPrice{2.0, 8.0, 0.5}));
    EXPECT_EQ(table.price("gpt-5-codex"), (ModelPrice{1.25, 10.0, 0.1}));
    EXPECT_EQ(table.price("bad-upper"), std::nullopt);
    EXPECT_EQ(table.price("claude-opus-4-7"), (ModelPrice{5.0, 25.0, 0.1}));
    EXPECT_EQ(table.price("claude-opus-4-6"), (ModelPrice{5.0, 25.0, 0.1}));
    EXPECT_EQ(PriceTable::withOverrides(Json::array()), PriceTable::defaults());
}

TEST(PriceTable, override_validation_follows_the_id_pattern_and_the_price_range)
{
    ModelPrice fine{0, 9999, 0.1};
    EXPECT_TRUE(validatePriceOverride("ab", fine));
    EXPECT_TRUE(validatePriceOverride("vendor/model-1.5:latest@v2_x", fine));
    EXPECT_TRUE(validatePriceOverride(std::string(80, 'a'), fine));
    for (std::string_view id : {"a", "Claude", "model id", "model!", "ü-model"})
        EXPECT_FALSE(validatePriceOverride(id, fine)) << id;
    EXPECT_FALSE(validatePriceOverride(std::string(81, 'a'), fine));
    for (ModelPrice price : {ModelPrice{-0.01, 1, 0.1}, ModelPrice{1, 9999.5, 0.1}, ModelPrice{1, 1, std::nan("")}}) {
        auto result = validatePriceOverride("model", price);
        ASSERT_FALSE(result);
        EXPECT_EQ(result.error().context, "Use a model id and prices between 0 and 9999.");
    }
}

}  // namespace
}  // namespace corvane
