#include "core/agents/AgentStepExtractor.h"

#include <algorithm>
#include <array>

#include "core/agents/AgentText.h"
#include "core/agents/ByteSearch.h"
#include "core/agents/CommandStep.h"
#include "core/agents/Iso8601.h"
#include "core/agents/LineFilter.h"
#include "core/agents/TranscriptWindow.h"
#include "core/base/JsonStore.h"
#include "core/base/Utf8.h"

namespace corvane {

namespace {

using Kind = AgentStepKind;
using Events = std::vector<AgentStepEvent>;

const Json* member(const Json& object, const char* key)
{
    if (!object.is_object())
        return nullptr;
    auto found = object.find(key);
    return found == object.end() ? nullptr : &*found;
}

std::optional<std::string> text(const Json& object, const char* key)
{
    const Json* value = member(object, key);
    return value && value->is_string() ? std::optional(value->get<std::string>()) : std::nullopt;
}

std::optional<std::int64_t> integer(const Json& object, const char* key)
{
    const Json* value = member(object, key);
    return value && value->is_number_integer() ? std::optional(value->get<std::int64_t>()) : std::nullopt;
}

std::optional<Json> decode(std::string_view line)
{
    if (line.size() > AgentStepExtractor::maxLineBytes)
        return std::nullopt;
    Json json = Json::parse(line, nullptr, false);
    if (!json.is_object())
        return std::nullopt;
    return json;
}

std::optional<std::string> subject(const std::optional<std::string>& raw)
{
    if (!raw)
        return std::nullopt;
    std::string cleaned = utf8Prefix(AgentText::collapsed(*raw), AgentStepExtractor::maxSubjectCharacters);
    return cleaned.empty() ? std::nullopt : std::optional(std::move(cleaned));
}

std::optional<std::string> fileSubject(const std::optional<std::string>& path)
{
    if (!path)
        return std::nullopt;
    std::string_view view = *path;
    while (view.size() > 1 && view.back() == '/')
        view.remove_suffix(1);
    auto slash = view.rfind('/');
    return subject(std::string(slash == std::string_view::npos ? view : view.substr(slash + 1)));
}

template <std::size_t N>
bool among(const std::array<std::string_view, N>& names, std::string_view name)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}

AgentStep commandStep(const CommandStep& command, WallTime at, const std::optional<std::string>& id)
{
    return AgentStep{command.kind, subject(command.subject), at, id, std::nullopt};
}

// --- Claude Code ---

AgentStep claudeTool(const std::string& name, const Json& input, WallTime at, const std::optional<std::string>& id)
{
    static constexpr std::array<std::string_view, 3> edits{"Edit", "MultiEdit", "NotebookEdit"};
    static constexpr std::array<std::string_view, 2> reads{"Read", "NotebookRead"};
    static constexpr std::array<std::string_view, 4> searches{"Grep", "Glob", "LS", "ToolSearch"};
    static constexpr std::array<std::string_view, 3> commands{"Bash", "BashOutput", "PowerShell"};
    static constexpr std::array<std::string_view, 2> webs{"WebFetch", "WebSearch"};
    static constexpr std::array<std::string_view, 2> agents{"Task", "Agent"};
    static constexpr std::array<std::string_view, 4> plans{"TodoWrite", "TaskCreate", "TaskUpdate", "ExitPlanMode"};

    auto file = [&] {
        auto path = text(input, "file_path");
        return fileSubject(path ? path : text(input, "notebook_path"));
    };
    auto step = [&](Kind kind, std::optional<std::string> about) {
        return AgentStep{kind, std::move(about), at, id, std::nullopt};
    };
    if (among(edits, name))
        return step(Kind::edit, file());
    if (name == "Write")
        return step(Kind::write, file());
    if (among(reads, name))
        return step(Kind::read, file());
    if (among(searches, name))
        return step(Kind::search, subject(text(input, "pattern")));
    if (among(commands, name)) {
        auto command = text(input, "command");
        return command ? commandStep(CommandStep::classify(std::string_view(*command)), at, id) : step(Kind::command, std::nullopt);
    }
    if (among(webs, name)) {
        auto url = text(input, "url");
        return step(Kind::web, subject(url ? url : text(input, "query")));
    }
    if (among(agents, name))
        return step(Kind::agent, subject(text(input, "description")));
    if (among(plans, name))
        return step(Kind::plan, std::nullopt);
    return step(Kind::tool, subject(name));
}

bool isBlank(const std::optional<std::string>& value)
{
    return !value || AgentText::collapsed(*value).empty();
}

// --- Codex ---

// The paths a patch touches, as its "*** Update File:" and "*** Delete File:" lines name them.
std::vector<std::string> patchedFiles(std::string_view patch)
{
    static constexpr std::array<std::string_view, 2> markers{"*** Update File:", "*** Delete File:"};
    std::vector<std::string> files;
    std::size_t start = 0;
    while (start < patch.size()) {
        std::size_t end = std::min(patch.find('\n', start), patch.size());
        std::string_view line = patch.substr(start, end - start);
        for (std::string_view marker : markers) {
            if (line.starts_with(marker)) {
                auto named = fileSubject(AgentText::collapsed(line.substr(marker.size())));
                if (named && std::find(files.begin(), files.end(), *named) == files.end())
                    files.push_back(*named);
            }
        }
        start = end + 1;
    }
    return files;
}

CommandStep codexCommand(const Json& arguments)
{
    const Json* command = member(arguments, "command");
    if (command && command->is_array()) {
        std::vector<std::string> words;
        for (const Json& word : *command) {
            if (!word.is_string())
                return {};
            words.push_back(word.get<std::string>());
        }
        return CommandStep::classify(words);
    }
    auto line = text(arguments, "command");
    if (!line)
        line = text(arguments, "cmd");
    return line ? CommandStep::classify(std::string_view(*line)) : CommandStep{};
}

void codexTool(const std::string& name, const Json& arguments, const std::string& rawInput, WallTime at,
               const std::optional<std::string>& id, Events& events)
{
    static constexpr std::array<std::string_view, 5> shells{"shell", "shell_command", "exec", "exec_command",
                                                            "container.exec"};
    auto step = [&](Kind kind, std::optional<std::string> about) {
        events.push_back(AgentStepEvent::tool(AgentStep{kind, std::move(about), at, id, std::nullopt}));
    };
    if (among(shells, name)) {
        events.push_back(AgentStepEvent::tool(commandStep(codexCommand(arguments), at, id)));
    } else if (name == "apply_patch") {
        auto input = text(arguments, "input");
        std::vector<std::string> files = patchedFiles(input ? *input : rawInput);
        if (files.empty())
            step(Kind::edit, std::nullopt);
        for (std::string& file : files)
            step(Kind::edit, std::move(file));
    } else if (name == "update_plan") {
        step(Kind::plan, std::nullopt);
    } else if (name == "web_search" || name == "web_fetch") {
        auto url = text(arguments, "url");
        step(Kind::web, subject(url ? url : text(arguments, "query")));
    } else if (name == "view_image") {
        step(Kind::read, fileSubject(text(arguments, "path")));
    } else {
        step(Kind::tool, subject(name));
    }
}

// A tool output reports failure by a non-zero exit code, either in its
// JSON metadata or on a first line "Exit code: N".
bool codexOutputFailed(const Json& payload)
{
    const Json* output = member(payload, "output");
    if (!output)
        return false;
    Json decoded = output->is_string() ? Json::parse(output->get<std::string>(), nullptr, false) : *output;
    if (decoded.is_object()) {
        const Json* metadata = member(decoded, "metadata");
        auto exitCode = metadata ? integer(*metadata, "exit_code") : std::nullopt;
        return exitCode.value_or(0) != 0;
    }
    if (!output->is_string())
        return false;
    static constexpr std::string_view prefix = "Exit code: ";
    const std::string& raw = output->get_ref<const std::string&>();
    return raw.starts_with(prefix) && !raw.substr(prefix.size()).starts_with("0");
}

}  // namespace

std::vector<AgentStepEvent> AgentStepExtractor::claude(std::string_view line)
{
    if (!containsAnyBytes(line, {"\"assistant\"", "\"tool_result\""}))
        return {};
    auto json = decode(line);
    if (!json)
        return {};
    // A subagent's lines are its own steps, not the session's.
    if (const Json* sidechain = member(*json, "isSidechain"); sidechain && *sidechain == true)
        return {};
    auto type = text(*json, "type");
    auto stamp = text(*json, "timestamp");
    auto at = stamp ? parseTranscriptTimestamp(*stamp) : std::nullopt;
    const Json* message = member(*json, "message");
    const Json* content = message ? member(*message, "content") : nullptr;
    if (!at || !message || !type)
        return {};

    Events events;
    if (*type == "assistant") {
        bool replied = false;
        if (content && content->is_array()) {
            for (const Json& block : *content) {
                auto blockType = text(block, "type");
                if (blockType == "tool_use") {
                    const Json* input = member(block, "input");
                    events.push_back(AgentStepEvent::tool(
                        claudeTool(text(block, "name").value_or(""), input ? *input : Json::object(), *at,
                                   text(block, "id"))));
                } else if (blockType == "text" && !isBlank(text(block, "text")) && !replied) {
                    events.push_back(AgentStepEvent::reply(*at));
                    replied = true;
                }
            }
        }
        if (const Json* usage = member(*message, "usage")) {
            std::int64_t tokens = integer(*usage, "input_tokens").value_or(0)
                + integer(*usage, "cache_creation_input_tokens").value_or(0)
                + integer(*usage, "cache_read_input_tokens").value_or(0);
            if (tokens > 0)
                events.push_back(AgentStepEvent::context(tokens, std::nullopt, text(*message, "model")));
        }
    } else if (*type == "user" && content && content->is_array()) {
        std::vector<std::string> succeeded;
        std::vector<std::string> failed;
        for (const Json& block : *content) {
            auto id = text(block, "tool_use_id");
            if (text(block, "type") != "tool_result" || !id)
                continue;
            const Json* error = member(block, "is_error");
            (error && *error == true ? failed : succeeded).push_back(*id);
        }
        if (!succeeded.empty())
            events.push_back(AgentStepEvent::results(std::move(succeeded), false));
        if (!failed.empty())
            events.push_back(AgentStepEvent::results(std::move(failed), true));
    }
    return events;
}

std::vector<AgentStepEvent> AgentStepExtractor::codex(std::string_view line)
{
    if (!containsAnyBytes(line, {"\"response_item\"", "\"token_count\""}))
        return {};
    auto json = decode(line);
    if (!json)
        return {};
    auto type = text(*json, "type");
    const Json* payload = member(*json, "payload");
    auto stamp = text(*json, "timestamp");
    auto at = stamp ? parseTranscriptTimestamp(*stamp) : std::nullopt;
    if (!type || !payload || !at)
        return {};
    auto kind = text(*payload, "type");

    Events events;
    if (*type == "event_msg" && kind == "token_count") {
        const Json* info = member(*payload, "info");
        const Json* last = info ? member(*info, "last_token_usage") : nullptr;
        auto tokens = last ? integer(*last, "input_tokens") : std::nullopt;
        if (tokens && *tokens > 0)
            events.push_back(AgentStepEvent::context(*tokens, integer(*info, "model_context_window"), std::nullopt));
        return events;
    }
    if (*type != "response_item" || !kind)
        return events;

    auto id = text(*payload, "call_id");
    if (*kind == "function_call" || *kind == "custom_tool_call") {
        std::string raw = text(*payload, *kind == "function_call" ? "arguments" : "input").value_or("");
        Json arguments = Json::parse(raw, nullptr, false);
        codexTool(text(*payload, "name").value_or(""), arguments, raw, *at, id, events);
    } else if (*kind == "local_shell_call") {
        const Json* action = member(*payload, "action");
        events.push_back(AgentStepEvent::tool(
            commandStep(action ? codexCommand(*action) : CommandStep{}, *at, id ? id : text(*payload, "id"))));
    } else if (*kind == "function_call_output" || *kind == "custom_tool_call_output"
               || *kind == "local_shell_call_output") {
        if (id)
            events.push_back(AgentStepEvent::results({*id}, codexOutputFailed(*payload)));
    } else if (*kind == "message" && text(*payload, "role") == "assistant") {
        events.push_back(AgentStepEvent::reply(*at));
    }
    return events;
}

std::vector<AgentStepEvent> AgentStepExtractor::extract(AgentKind agent, std::string_view line)
{
    if (!LineFilter::accepts(line))
        return {};
    return agent == AgentKind::codex ? codex(line) : claude(line);
}

std::vector<AgentStepEvent> AgentStepExtractor::tail(const std::filesystem::path& path, AgentKind agent,
                                                     std::size_t windowBytes)
{
    Events events;
    std::string lines = TranscriptWindow::read(path, TranscriptWindow::End::tail, windowBytes);
    TranscriptWindow::forEachLine(lines, [&](std::string_view line) {
        for (AgentStepEvent& event : extract(agent, line))
            events.push_back(std::move(event));
    });
    return events;
}

}  // namespace corvane
