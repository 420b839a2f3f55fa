#include "core/agents/CommandFinished.h"

#include <algorithm>
#include <charconv>
#include <ostream>
#include <system_error>

#include <fmt/format.h>

#include "core/base/Ascii.h"
#include "core/base/Files.h"
#include "core/base/JsonStore.h"

namespace corvane {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view prefix = "cmd-";
constexpr std::string_view extension = ".json";
constexpr std::string_view finishedTint = "#34C759";
constexpr std::string_view failedTint = "#FF453A";

bool allDigits(std::string_view text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), isAsciiDigit);
}

// The seconds part of a report file's name, or nothing for another name.
std::optional<std::string_view> nameSeconds(std::string_view name)
{
    if (!name.starts_with(prefix) || !name.ends_with(extension))
        return std::nullopt;
    name.remove_prefix(prefix.size());
    name.remove_suffix(extension.size());
    auto dash = name.find('-');
    if (dash == std::string_view::npos || !allDigits(name.substr(0, dash)) || !allDigits(name.substr(dash + 1)))
        return std::nullopt;
    return name.substr(dash + 1);
}

WallTime nameTime(std::string_view seconds, WallTime now)
{
    double value = 0;
    auto [end, error] = std::from_chars(seconds.data(), seconds.data() + seconds.size(), value);
    if (error != std::errc() || end != seconds.data() + seconds.size())
        return now;
    return std::min(WallTime::fromUnixSeconds(value), now);
}

bool isNameChar(char c) { return isAsciiAlpha(c) || isAsciiDigit(c) || c == '.' || c == '_' || c == '+' || c == '-'; }
bool isAppChar(char c) { return isAsciiAlpha(c) || isAsciiDigit(c) || c == '.' || c == '-'; }

std::optional<std::string> word(const Json& object, const char* key, std::size_t maxLength, bool (*allowed)(char))
{
    auto found = object.find(key);
    if (found == object.end() || !found->is_string())
        return std::nullopt;
    const std::string& text = found->get_ref<const std::string&>();
    if (text.empty() || text.size() > maxLength || !std::all_of(text.begin(), text.end(), allowed))
        return std::nullopt;
    return text;
}

std::optional<int> integer(const Json& object, const char* key, int low, int high)
{
    auto found = object.find(key);
    if (found == object.end() || !found->is_number_integer())
        return std::nullopt;
    auto value = found->get<long long>();
    if (value < low || value > high)
        return std::nullopt;
    return static_cast<int>(value);
}

bool sameApp(std::string_view a, std::string_view b) { return asciiLowercased(a) == asciiLowercased(b); }

}  // namespace

bool CommandFinished::isInboxFile(std::string_view name) { return nameSeconds(name).has_value(); }

std::optional<CommandFinished> CommandFinished::parse(std::string_view data, WallTime at)
{
    if (data.size() > maxBytes)
        return std::nullopt;
    Json json = Json::parse(data, nullptr, false);
    if (!json.is_object())
        return std::nullopt;
    auto kindField = json.find("kind");
    if (kindField == json.end() || *kindField != "command")
        return std::nullopt;
    auto name = word(json, "name", maxNameLength, isNameChar);
    auto seconds = integer(json, "s", 0, maxSeconds);
    // Shells report 0...255; a signal shows as 128 plus its number.
    auto exitCode = integer(json, "exit", 0, 255);
    if (!name || !seconds || !exitCode)
        return std::nullopt;
    return CommandFinished{std::move(*name), *seconds, *exitCode, word(json, "term", maxTermLength, isNameChar),
                           word(json, "app", maxAppLength, isAppChar), at};
}

CommandFinished::Batch CommandFinished::read(const fs::path& folder, WallTime now)
{
    Batch batch;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::string name = it->path().filename().string();
        auto seconds = nameSeconds(name);
        std::error_code typeError;
        if (!seconds || it->symlink_status(typeError).type() == fs::file_type::directory)
            continue;
        batch.remove.push_back(it->path());
        auto bytes = readFileCapped(it->path(), maxBytes, ReadFrom::SharedFolder);
        std::optional<CommandFinished> report;
        if (bytes)
            report = parse(*bytes, nameTime(*seconds, now));
        if (report)
            batch.reports.push_back(std::move(*report));
        else
            ++batch.ignored;
    }
    std::stable_sort(batch.reports.begin(), batch.reports.end(),
                     [](const CommandFinished& a, const CommandFinished& b) { return a.at < b.at; });
    return batch;
}

void CommandFinished::removeRead(const Batch& batch)
{
    for (const fs::path& path : batch.remove) {
        std::error_code ignored;
        fs::remove(path, ignored);
    }
}

std::string CommandFinished::elapsed(int seconds)
{
    if (seconds < 60)
        return fmt::format("{} s", seconds);
    int minutes = seconds / 60;
    if (minutes < 60)
        return seconds % 60 == 0 ? fmt::format("{} min", minutes) : fmt::format("{} min {} s", minutes, seconds % 60);
    return minutes % 60 == 0 ? fmt::format("{} h", minutes / 60) : fmt::format("{} h {} min", minutes / 60, minutes % 60);
}

AlertPost CommandFinished::alert(const CommandFinished& report)
{
    std::string title = fmt::format("{} {}", report.name, report.failed() ? "failed" : "finished");
    std::string body = report.failed() ? fmt::format("exit {} · {}", report.exitCode, elapsed(report.seconds))
                                       : elapsed(report.seconds);
    std::string_view symbol = report.failed() ? failedSymbol : finishedSymbol;
    AlertCardPlan card;
    card.symbol = std::string(symbol);
    card.tintHex = std::string(report.failed() ? failedTint : finishedTint);
    card.eyebrow = report.term.value_or("Terminal");
    card.context = body;
    card.headline = title;
    card.primary = AlertCardPlan::Primary::openTerminal();
    AlertPost post;
    post.kind = std::string(kind);
    post.title = title;
    post.body = body;
    post.key = report.name;
    post.card = std::move(card);
    post.ear = EarPayload{std::string(symbol), title};
    return post;
}

bool CommandFinished::announces(const CommandFinished& report, bool enabled, int thresholdSeconds,
                                bool onlyWhenBackground, const std::optional<std::string>& frontApp)
{
    if (!enabled || report.seconds < thresholdSeconds)
        return false;
    if (!onlyWhenBackground || !frontApp)
        return true;
    bool inFront = (report.app && sameApp(*report.app, *frontApp)) || (report.term && sameApp(*report.term, *frontApp));
    return !inFront;
}

std::ostream& operator<<(std::ostream& out, const CommandFinished& report)
{
    return out << "CommandFinished(" << report.name << ", " << report.seconds << " s, exit " << report.exitCode
               << ", term " << report.term.value_or("-") << ", app " << report.app.value_or("-") << ", at "
               << report.at.unixSeconds() << ")";
}

}  // namespace corvane
