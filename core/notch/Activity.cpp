#include "core/notch/Activity.h"

#include <algorithm>
#include <ostream>

#include "core/base/JsonStore.h"
#include "core/notch/SmartEars.h"

namespace corvane {

namespace {

EarContent withoutLyric(const EarContent& content, bool lyricBars)
{
    return lyricBars && content.as<EarContent::Lyric>() != nullptr ? EarContent::bars() : content;
}

void putOptional(Json& out, const char* key, const std::optional<std::string>& value)
{
    if (value)
        out[key] = *value;
}

void putOptional(Json& out, const char* key, const std::optional<WallTime>& value)
{
    if (value)
        out[key] = toJson(*value);
}

// An absent or null field is none; a field of the wrong type fails the record.
template <typename T, typename Read>
bool readOptional(const Json& json, const char* key, std::optional<T>& into, Read read)
{
    auto field = json.find(key);
    if (field == json.end() || field->is_null())
        return true;
    into = read(*field);
    return into.has_value();
}

std::optional<std::string> stringFrom(const Json& value)
{
    if (!value.is_string())
        return std::nullopt;
    return value.get<std::string>();
}

}  // namespace

Activity Activity::confirmation(std::string id, std::string moduleID, std::string kind, int priority, EarContent left,
                                EarContent right, std::optional<std::string> tintHex, WallTime now)
{
    double lifetime = SmartEars::confirmation(left, right);
    return Activity{
        .id = std::move(id),
        .moduleID = std::move(moduleID),
        .kind = std::move(kind),
        .priority = priority,
        .left = std::move(left),
        .right = std::move(right),
        .tintHex = std::move(tintHex),
        .createdAt = now,
        .expiresAt = now.plusSeconds(lifetime),
        .userAction = now,
    };
}

EarContent Activity::compact() const
{
    const auto* symbol = left.as<EarContent::Symbol>();
    const auto* text = right.as<EarContent::Text>();
    if (symbol != nullptr && text != nullptr)
        return EarContent::symbolText(symbol->name, text->text);
    return left.isNone() ? right : left;
}

EarContent Activity::single(double leftWidth, double rightWidth, bool lyricBars) const
{
    EarContent first = withoutLyric(left, lyricBars);
    EarContent second = withoutLyric(right, lyricBars);
    if (first.isNone())
        return second;
    if (second.isNone())
        return first;
    if (std::max(leftWidth, rightWidth) >= pairWidth)
        return EarContent::pair(std::move(first), std::move(second));
    return Activity{.left = std::move(first), .right = std::move(second)}.compact();
}

Json Activity::toJson() const
{
    Json out = {
        {"id", id},
        {"moduleID", moduleID},
        {"kind", kind},
        {"priority", priority},
        {"left", left.toJson()},
        {"right", right.toJson()},
        {"createdAt", corvane::toJson(createdAt)},
    };
    putOptional(out, "tintHex", tintHex);
    putOptional(out, "expiresAt", expiresAt);
    putOptional(out, "detail", detail);
    putOptional(out, "yieldsTo", yieldsTo);
    putOptional(out, "userAction", userAction);
    putOptional(out, "showsAfter", showsAfter);
    putOptional(out, "waitingSince", waitingSince);
    putOptional(out, "since", since);
    return out;
}

std::optional<Activity> Activity::fromJson(const Json& json)
{
    if (!json.is_object())
        return std::nullopt;
    auto id = json.find("id");
    auto moduleID = json.find("moduleID");
    auto kind = json.find("kind");
    auto priority = json.find("priority");
    auto left = json.find("left");
    auto right = json.find("right");
    auto createdAt = json.find("createdAt");
    if (id == json.end() || !id->is_string() || moduleID == json.end() || !moduleID->is_string()
        || kind == json.end() || !kind->is_string() || priority == json.end() || !priority->is_number_integer()
        || left == json.end() || right == json.end() || createdAt == json.end())
        return std::nullopt;

    auto leftContent = EarContent::fromJson(*left);
    auto rightContent = EarContent::fromJson(*right);
    auto created = wallTimeFromJson(*createdAt);
    if (!leftContent || !rightContent || !created)
        return std::nullopt;

    Activity out{
        .id = id->get<std::string>(),
        .moduleID = moduleID->get<std::string>(),
        .kind = kind->get<std::string>(),
        .priority = priority->get<int>(),
        .left = std::move(*leftContent),
        .right = std::move(*rightContent),
        .createdAt = *created,
    };
    bool ok = readOptional(json, "tintHex", out.tintHex, stringFrom)
              && readOptional(json, "expiresAt", out.expiresAt, wallTimeFromJson)
              && readOptional(json, "detail", out.detail, stringFrom)
              && readOptional(json, "yieldsTo", out.yieldsTo, stringFrom)
              && readOptional(json, "userAction", out.userAction, wallTimeFromJson)
              && readOptional(json, "showsAfter", out.showsAfter, wallTimeFromJson)
              && readOptional(json, "waitingSince", out.waitingSince, wallTimeFromJson)
              && readOptional(json, "since", out.since, wallTimeFromJson);
    if (!ok)
        return std::nullopt;
    return out;
}

std::ostream& operator<<(std::ostream& out, const Activity& activity)
{
    out << activity.id << " (" << activity.moduleID << ", " << activity.kind << ", priority " << activity.priority;
    if (activity.expiresAt)
        out << ", expires " << activity.expiresAt->referenceSeconds();
    return out << ")";
}

}  // namespace corvane
