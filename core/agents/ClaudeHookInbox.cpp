#include "core/agents/ClaudeHookInbox.h"

#include <algorithm>
#include <charconv>
#include <ostream>
#include <system_error>

#include "core/agents/ClaudeHooksWriter.h"
#include "core/base/Ascii.h"
#include "core/base/Files.h"
#include "core/base/JsonStore.h"
#include "core/notch/Keys.h"
#include "core/notch/KnownPaths.h"
#include "core/notch/SettingsStore.h"

namespace corvane {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view jsonExtension = ".json";
constexpr std::string_view devPrefix = "/dev/";
constexpr std::size_t maxTTYLength = 32;

struct InboxName {
    AgentKind agent;
    std::string_view seconds;
};

bool allDigits(std::string_view text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), isAsciiDigit);
}

// "<prefix>-<digits>-<digits>.json"
std::optional<InboxName> inboxName(std::string_view name)
{
    std::optional<AgentKind> agent;
    for (auto [kind, prefix] : {std::pair{AgentKind::claudeCode, std::string_view("claude-")},
                                std::pair{AgentKind::codex, std::string_view("codex-")}}) {
        if (name.starts_with(prefix)) {
            agent = kind;
            name.remove_prefix(prefix.size());
        }
    }
    if (!agent || !name.ends_with(jsonExtension))
        return std::nullopt;
    name.remove_suffix(jsonExtension.size());
    auto dash = name.find('-');
    if (dash == std::string_view::npos || !allDigits(name.substr(0, dash)) || !allDigits(name.substr(dash + 1)))
        return std::nullopt;
    return InboxName{*agent, name.substr(dash + 1)};
}

// The moment the hook wrote into the name, kept from running ahead of now.
WallTime nameTime(std::string_view seconds, WallTime now)
{
    std::int64_t value = 0;
    auto [end, error] = std::from_chars(seconds.data(), seconds.data() + seconds.size(), value);
    if (error != std::errc() || end != seconds.data() + seconds.size())
        return now;
    return std::min(WallTime::fromUnixSeconds(static_cast<double>(value)), now);
}

bool matches(std::string_view text, std::size_t maxLength, bool (*allowed)(char))
{
    return !text.empty() && text.size() <= maxLength && std::all_of(text.begin(), text.end(), allowed);
}

// A string member; an absent or null one reads as empty, any other type fails.
std::optional<std::string> textField(const Json& object, const char* key)
{
    auto found = object.find(key);
    if (found == object.end() || found->is_null())
        return std::string();
    if (!found->is_string())
        return std::nullopt;
    return found->get<std::string>();
}

}  // namespace

std::ostream& operator<<(std::ostream& out, const HookInboxEvent& event)
{
    return out << "HookInboxEvent(" << rawValue(event.agent) << ", " << rawValue(event.event.kind) << ", "
               << event.event.project << ", session " << event.session.value_or("-") << ", tty "
               << event.tty.value_or("-") << ", app " << event.app.value_or("-") << ", at "
               << event.at.unixSeconds() << ")";
}

bool ClaudeHookInbox::reads(SettingsStore& settings) { return settings.get(Keys::claudeHookInbox); }

std::optional<AgentKind> ClaudeHookInbox::isInboxFile(std::string_view name)
{
    auto parsed = inboxName(name);
    return parsed ? std::optional(parsed->agent) : std::nullopt;
}

std::optional<HookInboxEvent> ClaudeHookInbox::parse(std::string_view data, AgentKind agent, WallTime at)
{
    if (data.size() > maxBytes)
        return std::nullopt;
    Json json = Json::parse(data, nullptr, false);
    if (!json.is_object())
        return std::nullopt;
    auto word = textField(json, "event");
    auto sender = textField(json, "agent");
    auto project = textField(json, "project");
    auto session = textField(json, "session");
    auto tty = textField(json, "tty");
    auto app = textField(json, "app");
    auto term = textField(json, "term");
    if (!word || !sender || !project || !session || !tty || !app || !term)
        return std::nullopt;
    auto kind = parseEvent(*word);
    if (!kind)
        return std::nullopt;
    // The Codex notifier reports finished turns only.
    if (agent == AgentKind::codex && (*sender != "codex" || *kind != ClaudeHookEvent::Kind::stop))
        return std::nullopt;
    if (agent == AgentKind::claudeCode && !sender->empty() && *sender != "claude")
        return std::nullopt;
    return HookInboxEvent{agent, ClaudeHookEvent{*kind, *project}, parseSession(*session), parseTTY(*tty),
                          parseApp(*app, *term), at};
}

ClaudeHookInbox::Batch ClaudeHookInbox::read(const fs::path& folder, WallTime now)
{
    Batch batch;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::string name = it->path().filename().string();
        auto parsed = inboxName(name);
        std::error_code typeError;
        if (!parsed || it->symlink_status(typeError).type() == fs::file_type::directory)
            continue;
        batch.remove.push_back(it->path());
        auto bytes = readFileCapped(it->path(), maxBytes, ReadFrom::SharedFolder);
        std::optional<HookInboxEvent> event;
        if (bytes)
            event = parse(*bytes, parsed->agent, nameTime(parsed->seconds, now));
        if (event)
            batch.events.push_back(std::move(*event));
        else
            ++batch.ignored;
    }
    std::stable_sort(batch.events.begin(), batch.events.end(),
                     [](const HookInboxEvent& a, const HookInboxEvent& b) { return a.at < b.at; });
    return batch;
}

void ClaudeHookInbox::removeRead(const Batch& batch)
{
    for (const fs::path& path : batch.remove) {
        std::error_code ignored;
        fs::remove(path, ignored);
    }
}

std::optional<ClaudeHookEvent::Kind> ClaudeHookInbox::parseEvent(std::string_view word)
{
    return fromRawValue<ClaudeHookEvent::Kind>(word);
}

std::optional<std::string> ClaudeHookInbox::parseSession(std::string_view text)
{
    if (!matches(text, maxSessionLength, [](char c) { return isAsciiAlpha(c) || isAsciiDigit(c) || c == '-'; }))
        return std::nullopt;
    return std::string(text);
}

std::optional<std::string> ClaudeHookInbox::parseTTY(std::string_view text)
{
    if (text.starts_with(devPrefix))
        text.remove_prefix(devPrefix.size());
    if (!matches(text, maxTTYLength, [](char c) { return isAsciiAlpha(c) || isAsciiDigit(c) || c == '/'; })
        || text.front() == '/' || text.find("//") != std::string_view::npos)
        return std::nullopt;
    return std::string(devPrefix) + std::string(text);
}

std::optional<std::string> ClaudeHookInbox::parseApp(std::string_view app, std::string_view term)
{
    auto allowed = [](char c) { return isAsciiAlpha(c) || isAsciiDigit(c) || c == '.' || c == '_' || c == '+' || c == '-'; };
    for (std::string_view candidate : {app, term}) {
        if (matches(candidate, maxAppLength, allowed))
            return std::string(candidate);
    }
    return std::nullopt;
}

std::string ClaudeHookInbox::hookCommand(ClaudeHookEvent::Kind event)
{
    // Runs under dash as well as bash: POSIX sh only. The hosting app is the
    // desktop file the terminal was launched from, without ".desktop".
    std::string command = R"sh({ d=")sh";
    command.append(KnownPaths::inboxForShell);
    command.append(
        R"sh("; mkdir -p "$d" && chmod 700 "$d"; n=$(basename "${CLAUDE_PROJECT_DIR:-$PWD}" | tr -cd '[:alnum:]._ -' | cut -c1-80); )sh"
        R"sh(a=$(basename -- "${GIO_LAUNCHED_DESKTOP_FILE:-}" .desktop | tr -cd '[:alnum:].-' | cut -c1-120); )sh"
        R"sh(t=$(printf '%s' "${TERM_PROGRAM:-}" | tr -cd '[:alnum:]._+-' | cut -c1-40); )sh"
        R"sh(y=$(ps -o tty= -p $PPID 2>/dev/null | tr -cd '[:alnum:]' | cut -c1-12); )sh"
        R"sh(s=$( (head -c 65536; cat >/dev/null) | tr -d '\n' | )sh"
        R"sh(sed -n 's/.*"session_id"[[:space:]]*:[[:space:]]*"\([A-Za-z0-9-]*\)".*/\1/p' | cut -c1-64); )sh"
        R"sh(f="claude-$$-$(date +%s).json"; printf '{"agent":"claude","project":"%s","event":")sh");
    command.append(rawValue(event));
    command.append(
        R"sh(","app":"%s","term":"%s","session":"%s","tty":"%s"}' "$n" "$a" "$t" "$s" "$y" > "$d/.$f.tmp" )sh"
        R"sh(&& mv "$d/.$f.tmp" "$d/$f"; } >/dev/null 2>&1; exit 0)sh");
    return command;
}

std::string ClaudeHookInbox::settingsSnippet()
{
    nlohmann::ordered_json hooks = nlohmann::ordered_json::object();
    for (auto [name, kind] : ClaudeHooksWriter::hookEvents) {
        nlohmann::ordered_json entry = {{"type", "command"}, {"command", ClaudeHooksWriter::command(kind)}};
        nlohmann::ordered_json group = {{"hooks", nlohmann::ordered_json::array({entry})}};
        hooks[std::string(name)] = nlohmann::ordered_json::array({group});
    }
    return nlohmann::ordered_json{{"hooks", hooks}}.dump(2) + "\n";
}

}  // namespace corvane
