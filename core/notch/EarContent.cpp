#include "core/notch/EarContent.h"

#include <ostream>

#include <nlohmann/json.hpp>

namespace corvane {

using Json = nlohmann::json;

namespace {

template <typename... Ts>
struct Overloaded : Ts... {
    using Ts::operator()...;
};
template <typename... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

Json budsToJson(const BudsBattery& battery)
{
    Json out = Json::object();
    if (battery.left)
        out["left"] = *battery.left;
    if (battery.right)
        out["right"] = *battery.right;
    if (battery.caseLevel)
        out["case"] = *battery.caseLevel;
    return out;
}

// The payload fields of one case, read with their expected types; any
// field missing or of another type makes the whole content unreadable.
class Payload {
public:
    explicit Payload(const Json& body) : body_(body) {}

    bool ok() const { return ok_; }

    std::string string(const char* key)
    {
        const Json* field = find(key);
        if (field == nullptr || !field->is_string()) {
            ok_ = false;
            return {};
        }
        return field->get<std::string>();
    }
    double number(const char* key)
    {
        const Json* field = find(key);
        if (field == nullptr || !field->is_number()) {
            ok_ = false;
            return 0;
        }
        return field->get<double>();
    }
    int integer(const char* key)
    {
        const Json* field = find(key);
        if (field == nullptr || !field->is_number_integer()) {
            ok_ = false;
            return 0;
        }
        return field->get<int>();
    }
    bool boolean(const char* key)
    {
        const Json* field = find(key);
        if (field == nullptr || !field->is_boolean()) {
            ok_ = false;
            return false;
        }
        return field->get<bool>();
    }
    const Json& json(const char* key)
    {
        static const Json null;
        const Json* field = find(key);
        if (field == nullptr) {
            ok_ = false;
            return null;
        }
        return *field;
    }
    void fail() { ok_ = false; }

private:
    const Json* find(const char* key) const
    {
        auto field = body_.find(key);
        return field == body_.end() ? nullptr : &*field;
    }

    const Json& body_;
    bool ok_ = true;
};

std::optional<int> optionalInteger(const Json& object, const char* key, bool& ok)
{
    auto field = object.find(key);
    if (field == object.end())
        return std::nullopt;
    if (!field->is_number_integer()) {
        ok = false;
        return std::nullopt;
    }
    return field->get<int>();
}

std::optional<EarContent> decode(const Json& json, int depth);

std::optional<EarContent> decodeCase(const std::string& name, const Json& body, int depth)
{
    Payload p(body);
    std::optional<EarContent> out;
    if (name == "none")
        out = EarContent::none();
    else if (name == "symbol")
        out = EarContent::symbol(p.string("_0"));
    else if (name == "text")
        out = EarContent::text(p.string("_0"));
    else if (name == "symbolText")
        out = EarContent::symbolText(p.string("_0"), p.string("_1"));
    else if (name == "artwork")
        out = EarContent::artwork(p.string("key"));
    else if (name == "progress")
        out = EarContent::progress(p.number("_0"));
    else if (name == "level") {
        double value = p.number("_0");
        out = EarContent::level(value, p.boolean("muted"));
    } else if (name == "bars")
        out = EarContent::bars();
    else if (name == "dot")
        out = EarContent::dot(p.string("hex"));
    else if (name == "battery")
        out = EarContent::battery(p.integer("_0"));
    else if (name == "progressPercent")
        out = EarContent::progressPercent(p.number("_0"));
    else if (name == "holdRing") {
        std::string symbol = p.string("_0");
        out = EarContent::holdRing(std::move(symbol), p.number("seconds"));
    } else if (name == "secondaryText")
        out = EarContent::secondaryText(p.string("_0"));
    else if (name == "tintedSymbolText") {
        std::string symbol = p.string("_0");
        std::string text = p.string("_1");
        out = EarContent::tintedSymbolText(std::move(symbol), std::move(text), p.string("hex"));
    } else if (name == "tintedLabel") {
        std::string symbol = p.string("_0");
        std::string text = p.string("_1");
        std::string hex = p.string("hex");
        out = EarContent::tintedLabel(std::move(symbol), std::move(text), std::move(hex), p.boolean("mono"));
    } else if (name == "lyric") {
        std::string text = p.string("_0");
        out = EarContent::lyric(std::move(text), p.number("seconds"));
    } else if (name == "pair") {
        auto first = decode(p.json("_0"), depth + 1);
        auto second = decode(p.json("_1"), depth + 1);
        if (!first || !second)
            return std::nullopt;
        out = EarContent::pair(std::move(*first), std::move(*second));
    } else if (name == "charge") {
        int percent = p.integer("_0");
        auto state = fromRawValue<ChargeState>(p.string("_1"));
        if (!state)
            p.fail();
        out = EarContent::charge(percent, state.value_or(ChargeState::discharging));
    } else if (name == "buds") {
        const Json& reading = p.json("_0");
        bool ok = reading.is_object();
        BudsBattery battery;
        if (ok) {
            battery.left = optionalInteger(reading, "left", ok);
            battery.right = optionalInteger(reading, "right", ok);
            battery.caseLevel = optionalInteger(reading, "case", ok);
        }
        if (!ok)
            p.fail();
        out = EarContent::buds(battery, p.string("model"));
    }
    if (!out || !p.ok())
        return std::nullopt;
    return out;
}

std::optional<EarContent> decode(const Json& json, int depth)
{
    if (depth > EarContent::maxDecodeDepth || !json.is_object() || json.size() != 1)
        return std::nullopt;
    auto only = json.begin();
    if (!only->is_object())
        return std::nullopt;
    return decodeCase(only.key(), *only, depth);
}

}  // namespace

bool EarContent::Pair::operator==(const Pair& other) const
{
    auto same = [](const std::shared_ptr<const EarContent>& a, const std::shared_ptr<const EarContent>& b) {
        return a == b || (a && b && *a == *b);
    };
    return same(first, other.first) && same(second, other.second);
}

EarContent EarContent::pair(EarContent first, EarContent second)
{
    return {Pair{std::make_shared<const EarContent>(std::move(first)), std::make_shared<const EarContent>(std::move(second))}};
}

std::vector<std::string_view> EarContent::texts() const
{
    std::vector<std::string_view> out;
    std::visit(Overloaded{
                   [&](const Text& c) { out.push_back(c.text); },
                   [&](const SymbolText& c) { out.push_back(c.text); },
                   [&](const SecondaryText& c) { out.push_back(c.text); },
                   [&](const TintedSymbolText& c) { out.push_back(c.text); },
                   [&](const TintedLabel& c) { out.push_back(c.text); },
                   [&](const Lyric& c) { out.push_back(c.text); },
                   [&](const Pair& c) {
                       for (const auto& side : {c.first, c.second}) {
                           if (side) {
                               auto inner = side->texts();
                               out.insert(out.end(), inner.begin(), inner.end());
                           }
                       }
                   },
                   [](const auto&) {},
               },
               value);
    return out;
}

Json EarContent::toJson() const
{
    auto one = [](const char* name, Json body) { return Json{{name, std::move(body)}}; };
    return std::visit(
        Overloaded{
            [&](const None&) { return one("none", Json::object()); },
            [&](const Symbol& c) { return one("symbol", {{"_0", c.name}}); },
            [&](const Text& c) { return one("text", {{"_0", c.text}}); },
            [&](const SymbolText& c) { return one("symbolText", {{"_0", c.symbol}, {"_1", c.text}}); },
            [&](const Artwork& c) { return one("artwork", {{"key", c.key}}); },
            [&](const Progress& c) { return one("progress", {{"_0", c.value}}); },
            [&](const Level& c) { return one("level", {{"_0", c.value}, {"muted", c.muted}}); },
            [&](const Bars&) { return one("bars", Json::object()); },
            [&](const Dot& c) { return one("dot", {{"hex", c.hex}}); },
            [&](const Battery& c) { return one("battery", {{"_0", c.percent}}); },
            [&](const ProgressPercent& c) { return one("progressPercent", {{"_0", c.value}}); },
            [&](const HoldRing& c) { return one("holdRing", {{"_0", c.symbol}, {"seconds", c.seconds}}); },
            [&](const SecondaryText& c) { return one("secondaryText", {{"_0", c.text}}); },
            [&](const TintedSymbolText& c) {
                return one("tintedSymbolText", {{"_0", c.symbol}, {"_1", c.text}, {"hex", c.hex}});
            },
            [&](const TintedLabel& c) {
                return one("tintedLabel", {{"_0", c.symbol}, {"_1", c.text}, {"hex", c.hex}, {"mono", c.mono}});
            },
            [&](const Lyric& c) { return one("lyric", {{"_0", c.text}, {"seconds", c.seconds}}); },
            [&](const Pair& c) {
                auto side = [](const std::shared_ptr<const EarContent>& content) {
                    return content ? content->toJson() : EarContent::none().toJson();
                };
                return one("pair", {{"_0", side(c.first)}, {"_1", side(c.second)}});
            },
            [&](const Charge& c) { return one("charge", {{"_0", c.percent}, {"_1", std::string(rawValue(c.state))}}); },
            [&](const Buds& c) { return one("buds", {{"_0", budsToJson(c.battery)}, {"model", c.model}}); },
        },
        value);
}

std::optional<EarContent> EarContent::fromJson(const Json& json) { return decode(json, 0); }

std::ostream& operator<<(std::ostream& out, const EarContent& content) { return out << content.toJson().dump(); }

}  // namespace corvane
