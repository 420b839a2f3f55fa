#include "core/agents/ShellHookSnippets.h"

#include <algorithm>
#include <array>
#include <charconv>

#include <fmt/format.h>

#include "core/base/Files.h"
#include "core/notch/KnownPaths.h"

namespace corvane {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view thresholdPrefix = "# Tells Lunebox when a command ran ";
constexpr std::string_view thresholdSuffix = " s or longer (command name, duration and exit code only).";
constexpr std::string_view uninstallLine = "# To uninstall, delete this block.";

const std::string missingText = "Lunebox's command hook is missing";
const std::string missingDetail = " · long terminal commands finish without an alert";
const std::string outdatedText = "Lunebox's command hook needs an update";
const std::string outdatedDetail = " · connect it again in Settings › Integrations";
const std::string editedText = "Lunebox's command hook was edited";
const std::string editedDetail = " · fix it by hand, or remove and connect again in Settings › Integrations";
const std::string connectedText = "Lunebox's command hook is connected";
const std::string noPreexecText = "bash-preexec isn't loaded";
const std::string noPreexecDetail = " · bash reports commands only through bash-preexec: load it in ~/.bashrc";

// Words in front of the program that name no program of their own.
constexpr std::string_view wrappers = "env|sudo|time|nohup|command|exec|nice|builtin";

// Substrings of an active start-up line, and the framework each shows.
constexpr std::array<std::pair<std::string_view, std::string_view>, 11> frameworkSigns{{
    {"oh-my-zsh", "oh-my-zsh"},
    {"ZSH_THEME", "oh-my-zsh"},
    {"prezto", "prezto"},
    {"starship init", "starship"},
    {"powerlevel10k", "powerlevel10k"},
    {"oh-my-posh", "oh-my-posh"},
    {"bash-it", "bash-it"},
    {"oh-my-bash", "oh-my-bash"},
    {"antigen", "antigen"},
    {"zinit", "zinit"},
    {"oh-my-fish", "oh-my-fish"},
}};

// The one writer every shell calls, in POSIX sh so that the inbox literal
// and the name filtering exist once: $1 name, $2 seconds, $3 exit code,
// $4 the shell's process id. The terminal's identity stands in for the
// hosting app: TERM_PROGRAM, else the desktop-file id it was launched from.
std::string writer()
{
    return fmt::format(
        "d=\"{}\"; mkdir -p \"$d\" && chmod 700 \"$d\" || exit 0; "
        "n=$(printf %s \"$1\" | tr -cd '[:alnum:]._+-' | cut -c1-40); [ -n \"$n\" ] || exit 0; "
        "t=$(printf %s \"${{TERM_PROGRAM:-}}\" | tr -cd '[:alnum:]._+-' | cut -c1-40); "
        "a=${{TERM_PROGRAM:-$(basename \"${{GIO_LAUNCHED_DESKTOP_FILE:-}}\" .desktop)}}; "
        "a=$(printf %s \"$a\" | tr -cd '[:alnum:].-' | cut -c1-120); "
        "f=\"cmd-$4-$(date +%s).json\"; "
        "printf '{{\"kind\":\"command\",\"name\":\"%s\",\"s\":%d,\"exit\":%d,\"term\":\"%s\",\"app\":\"%s\"}}' "
        "\"$n\" \"$2\" \"$3\" \"$t\" \"$a\" > \"$d/.$f.tmp\" && mv \"$d/.$f.tmp\" \"$d/$f\"",
        KnownPaths::inboxForShell);
}

std::string zshBody(int threshold, const std::string& write)
{
    return fmt::format(R"sh(__lunebox_report() {{
  command sh -c {0} lunebox "$1" "$2" "$3" "$$" >/dev/null 2>&1
}}
__lunebox_preexec() {{
  local w
  __lunebox_name=
  for w in ${{(z)1}}; do
    case $w in
      [A-Za-z_]*=*|{1}|noglob|-*) continue ;;
    esac
    __lunebox_name=${{w:t}}
    break
  done
  __lunebox_start=$SECONDS
}}
__lunebox_precmd() {{
  local st=$?
  [[ -n $__lunebox_start ]] || return 0
  local -i s=$(( SECONDS - __lunebox_start ))
  __lunebox_start=
  if (( s >= {2} )) && [[ -n $__lunebox_name ]]; then
    __lunebox_report "$__lunebox_name" $s $st
  fi
  return 0
}}
autoload -Uz add-zsh-hook
add-zsh-hook preexec __lunebox_preexec
add-zsh-hook precmd __lunebox_precmd
)sh",
                       write, wrappers, threshold);
}

std::string bashBody(int threshold, const std::string& write)
{
    return fmt::format(R"sh(__lunebox_report() {{
  command sh -c {0} lunebox "$1" "$2" "$3" "$$" >/dev/null 2>&1
}}
__lunebox_preexec() {{
  local w
  local -a words
  __lunebox_name=
  read -r -a words <<< "$1"
  for w in "${{words[@]}}"; do
    case $w in
      [A-Za-z_]*=*|{1}|-*) continue ;;
    esac
    __lunebox_name=${{w##*/}}
    break
  done
  __lunebox_start=$SECONDS
}}
__lunebox_precmd() {{
  local st=$?
  [ -n "$__lunebox_start" ] || return 0
  local s=$(( SECONDS - __lunebox_start ))
  __lunebox_start=
  if [ "$s" -ge {2} ] && [ -n "$__lunebox_name" ]; then
    __lunebox_report "$__lunebox_name" "$s" "$st"
  fi
  return 0
}}
[[ " ${{preexec_functions[*]}} " == *" __lunebox_preexec "* ]] || preexec_functions+=(__lunebox_preexec)
[[ " ${{precmd_functions[*]}} " == *" __lunebox_precmd "* ]] || precmd_functions+=(__lunebox_precmd)
)sh",
                       write, wrappers, threshold);
}

std::string fishBody(int threshold, const std::string& write)
{
    std::string cases;
    for (std::string_view rest = wrappers; !rest.empty();) {
        auto bar = rest.find('|');
        cases += fmt::format(" {}", rest.substr(0, bar));
        rest = bar == std::string_view::npos ? std::string_view() : rest.substr(bar + 1);
    }
    return fmt::format(R"sh(function __lunebox_report
    command sh -c {0} lunebox $argv[1] $argv[2] $argv[3] $fish_pid >/dev/null 2>&1
end
function __lunebox_preexec --on-event fish_preexec
    set -g __lunebox_name ''
    for w in (string split -n ' ' -- $argv[1])
        switch $w
            case{1} '-*'
                continue
        end
        string match -qr '^[A-Za-z_][A-Za-z0-9_]*=' -- $w; and continue
        set -g __lunebox_name (string replace -r '.*/' '' -- $w)
        break
    end
end
function __lunebox_precmd --on-event fish_postexec
    set -l st $status
    test -n "$__lunebox_name"; or return 0
    set -l n $__lunebox_name
    set -g __lunebox_name ''
    set -l s (math "floor($CMD_DURATION / 1000)")
    if test $s -ge {2}
        __lunebox_report $n $s $st
    end
end
)sh",
                       write, cases, threshold);
}

struct MarkerPair {
    std::string_view begin;
    std::string_view end;
    bool legacy;
};

constexpr std::array<MarkerPair, 2> markerPairs{{
    {ShellHookSnippets::beginMarker, ShellHookSnippets::endMarker, false},
    {ShellHookSnippets::legacyBeginMarker, ShellHookSnippets::legacyEndMarker, true},
}};

// The first line that is exactly `line`, at or after `from`.
std::size_t findLine(std::string_view text, std::string_view line, std::size_t from)
{
    for (std::size_t at = text.find(line, from); at != std::string_view::npos; at = text.find(line, at + 1)) {
        bool starts = at == 0 || text[at - 1] == '\n';
        std::size_t after = at + line.size();
        if (starts && (after == text.size() || text[after] == '\n'))
            return at;
    }
    return std::string_view::npos;
}

int thresholdOf(std::string_view block)
{
    std::size_t at = block.find(thresholdPrefix);
    if (at == std::string_view::npos)
        return 0;
    std::string_view digits = block.substr(at + thresholdPrefix.size());
    int value = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || !std::string_view(end, digits.data() + digits.size()).starts_with(thresholdSuffix))
        return 0;
    return value;
}

// The lines the shell runs: neither comments nor the app's own block.
std::vector<std::string_view> activeLines(std::string_view text)
{
    std::vector<std::string_view> lines;
    auto block = ShellHookSnippets::find(text);
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = std::min(text.find('\n', at), text.size());
        std::string_view line = text.substr(at, end - at);
        bool inBlock = block && at >= block->begin && at < block->end;
        std::size_t first = line.find_first_not_of(" \t");
        if (!inBlock && first != std::string_view::npos && line[first] != '#')
            lines.push_back(line);
        at = end + 1;
    }
    return lines;
}

Result<std::optional<std::string>> readRc(const fs::path& path)
{
    Result<std::string> bytes = readFileCapped(path, ShellHookSnippets::maxRcBytes);
    if (bytes)
        return std::optional<std::string>(std::move(*bytes));
    if (bytes.error().code == Error::Code::NotFound)
        return std::optional<std::string>();
    return fail(bytes.error());
}

std::string splice(std::string_view text, std::size_t begin, std::size_t end, std::string_view replacement)
{
    std::string out(text.substr(0, begin));
    out.append(replacement);
    out.append(text.substr(end));
    return out;
}

}  // namespace

fs::path ShellHookSnippets::rcFile(ShellKind kind, const IntegrationEnv& env)
{
    switch (kind) {
    case ShellKind::zsh:
        return fs::path(env.variable("ZDOTDIR").value_or(env.home.string())) / ".zshrc";
    case ShellKind::bash:
        return env.home / ".bashrc";
    case ShellKind::fish: {
        fs::path config = env.variable("XDG_CONFIG_HOME").value_or((env.home / ".config").string());
        return config / "fish" / "conf.d" / "lunebox.fish";
    }
    }
    return env.home / ".bashrc";
}

std::string ShellHookSnippets::install(ShellKind kind, int thresholdSeconds)
{
    int threshold = std::max(thresholdSeconds, 1);
    std::string write = quoted(writer());
    std::string body;
    switch (kind) {
    case ShellKind::zsh: body = zshBody(threshold, write); break;
    case ShellKind::bash: body = bashBody(threshold, write); break;
    case ShellKind::fish: body = fishBody(threshold, write); break;
    }
    return fmt::format("{}\n{}{}{}\n{}\n{}{}\n", beginMarker, thresholdPrefix, threshold, thresholdSuffix,
                       uninstallLine, body, endMarker);
}

std::string ShellHookSnippets::uninstall(ShellKind kind, const IntegrationEnv& env)
{
    return fmt::format("Open {}, delete everything from {} to {}, then open a new terminal window.",
                       rcFile(kind, env).string(), beginMarker, endMarker);
}

std::optional<ShellHookSnippets::Block> ShellHookSnippets::find(std::string_view text)
{
    std::optional<Block> found;
    for (const MarkerPair& pair : markerPairs) {
        std::size_t begin = findLine(text, pair.begin, 0);
        if (begin == std::string_view::npos || (found && found->begin < begin))
            continue;
        std::size_t end = findLine(text, pair.end, begin);
        if (end == std::string_view::npos)
            continue;
        end = std::min(end + pair.end.size() + 1, text.size());
        found = Block{begin, end, pair.legacy, thresholdOf(text.substr(begin, end - begin))};
    }
    return found;
}

std::optional<ShellKind> ShellHookSnippets::loginShell(const IntegrationEnv& env)
{
    auto shell = env.variable("SHELL");
    if (!shell)
        return std::nullopt;
    return fromRawValue<ShellKind>(fs::path(*shell).filename().string());
}

ShellSetup ShellHookSnippets::detect(ShellKind kind, const fs::path& rcPath, std::string_view rcText)
{
    ShellSetup setup{kind, rcPath, {}, false, false};
    for (std::string_view line : activeLines(rcText)) {
        for (auto [sign, name] : frameworkSigns) {
            if (line.find(sign) != std::string_view::npos
                && std::find(setup.frameworks.begin(), setup.frameworks.end(), name) == setup.frameworks.end())
                setup.frameworks.emplace_back(name);
        }
        if (kind == ShellKind::bash && line.find("bash-preexec") != std::string_view::npos
            && (line.find("source") != std::string_view::npos || line.find(". ") != std::string_view::npos))
            setup.bashPreexec = true;
        std::size_t trap = line.find("trap ");
        if (trap != std::string_view::npos && line.find(" DEBUG", trap) != std::string_view::npos)
            setup.existingDebugTrap = true;
    }
    return setup;
}

ShellSetup ShellHookSnippets::scan(const IntegrationEnv& env)
{
    auto kind = loginShell(env);
    if (!kind)
        return {};
    fs::path rc = rcFile(*kind, env);
    auto text = readRc(rc);
    return detect(*kind, rc, text && text->has_value() ? **text : std::string_view());
}

std::string ShellHookSnippets::quoted(std::string_view text)
{
    std::string out = "'";
    for (char c : text) {
        if (c == '\'')
            out += "'\\''";
        else
            out.push_back(c);
    }
    return out + "'";
}

ShellHookWriter::ShellHookWriter(IntegrationEnv env, ShellKind kind, int thresholdSeconds)
    : env_(std::move(env))
    , kind_(kind)
    , threshold_(std::max(thresholdSeconds, 1))
{
}

fs::path ShellHookWriter::path() const { return ShellHookSnippets::rcFile(kind_, env_); }

Result<std::optional<std::string>> ShellHookWriter::readCurrent() const { return readRc(path()); }

Result<WriteResult> ShellHookWriter::install() const
{
    auto current = readCurrent();
    if (!current)
        return fail(current.error());
    std::string text = current->value_or(std::string());
    std::string block = ShellHookSnippets::install(kind_, threshold_);
    WriteResult result{path().string(), {}, *current, {}};
    result.record.createdFile = !current->has_value();
    if (auto found = ShellHookSnippets::find(text)) {
        std::string_view old = std::string_view(text).substr(found->begin, found->end - found->begin);
        // A former block is replaced whole; a current one only as the app wrote it.
        if (!found->legacy && old != ShellHookSnippets::install(kind_, found->threshold))
            return fail(integrationRefusal(std::string(editedRefusal)));
        result.record.created.push_back(block);
        result.text = splice(text, found->begin, found->end, block);
        return result;
    }
    std::string separator = text.empty() ? "" : text.ends_with('\n') ? "\n" : "\n\n";
    result.record.created.push_back(separator + block);
    result.text = text + separator + block;
    return result;
}

Result<WriteResult> ShellHookWriter::uninstall(const InstallRecord& record) const
{
    auto current = readCurrent();
    if (!current)
        return fail(current.error());
    const std::string text = current->value_or(std::string());
    auto found = ShellHookSnippets::find(text);
    if (!found)
        return fail(integrationRefusal(std::string(goneRefusal)));
    std::string_view block = std::string_view(text).substr(found->begin, found->end - found->begin);
    for (const std::string& entry : record.created) {
        if (!entry.ends_with(block))
            continue;
        // Removes the blank line the install put in front when it is still there.
        std::size_t lead = entry.size() - block.size();
        std::size_t begin = found->begin;
        if (lead <= begin && std::string_view(text).substr(begin - lead, lead) == entry.substr(0, lead))
            begin -= lead;
        return WriteResult{path().string(), splice(text, begin, found->end, ""), text, record};
    }
    return fail(integrationRefusal(std::string(editedRefusal)));
}

ConnectionStatus ShellHookWriter::status() const
{
    using State = ConnectionStatus::State;
    auto current = readCurrent();
    if (!current)
        return {State::unavailable, current.error().message(), {}};
    std::string text = current->value_or(std::string());
    auto found = ShellHookSnippets::find(text);
    if (!found)
        return {State::missing, missingText, missingDetail};
    if (found->legacy)
        return {State::outdated, outdatedText, outdatedDetail};
    std::string_view block = std::string_view(text).substr(found->begin, found->end - found->begin);
    if (block != ShellHookSnippets::install(kind_, found->threshold))
        return {State::edited, editedText, editedDetail};
    if (found->threshold != threshold_)
        return {State::outdated, outdatedText, outdatedDetail};
    if (kind_ == ShellKind::bash && !ShellHookSnippets::detect(kind_, path(), text).bashPreexec)
        return {State::unavailable, noPreexecText, noPreexecDetail};
    return {State::connected, connectedText, {}};
}

}  // namespace corvane
