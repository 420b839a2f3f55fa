#include "core/agents/CommandStep.h"

#include <algorithm>
#include <array>

#include "core/base/Ascii.h"

namespace corvane {

namespace {

using Words = std::vector<std::string>;

constexpr std::array<std::string_view, 10> testRunners{
    "pytest", "jest", "vitest", "mocha", "rspec", "phpunit", "ctest", "karma", "playwright", "cypress"};
constexpr std::array<std::string_view, 14> buildTools{
    "make", "gmake", "just", "task", "rake", "xcodebuild", "bazel", "webpack", "esbuild", "rollup", "vite", "next",
    "nuxt", "astro"};
constexpr std::array<std::string_view, 7> packageTools{"brew", "apt-get", "port", "pip3", "poetry", "yarn", "pnpm"};
constexpr std::array<std::string_view, 10> subcommandTools{
    "swift", "cargo", "deno", "dotnet", "gradle", "gradlew", "mvnw", "rails", "yarn", "pnpm"};
constexpr std::array<std::string_view, 3> lookedThrough{"sudo", "npx", "pushd"};
constexpr std::array<std::string_view, 4> shells{"sh", "bash", "zsh", "dash"};

template <std::size_t N>
bool among(const std::array<std::string_view, N>& names, std::string_view word)
{
    return std::find(names.begin(), names.end(), word) != names.end();
}

std::string_view baseName(std::string_view word)
{
    auto slash = word.rfind('/');
    return slash == std::string_view::npos ? word : word.substr(slash + 1);
}

// "NAME=value" before the program sets its environment.
bool isAssignment(std::string_view word)
{
    auto equals = word.find('=');
    if (equals == std::string_view::npos || equals == 0)
        return false;
    std::string_view name = word.substr(0, equals);
    return !isAsciiDigit(name.front())
        && std::all_of(name.begin(), name.end(), [](char c) { return isAsciiAlpha(c) || isAsciiDigit(c) || c == '_'; });
}

// The first word that is not an option ("cargo +nightly test", "git -C app status").
std::string_view subcommandOf(const Words& rest, bool isGit)
{
    for (std::size_t i = 0; i < rest.size(); ++i) {
        if (isGit && (rest[i] == "-C" || rest[i] == "-c"))
            ++i;  // the option's value
        else if (!rest[i].starts_with('-') && !rest[i].starts_with('+'))
            return rest[i];
    }
    return {};
}

Words::const_iterator program(const Words& words)
{
    return std::find_if_not(words.begin(), words.end(), [](const std::string& w) { return isAssignment(w); });
}

}  // namespace

std::vector<std::vector<std::string>> CommandStep::split(std::string_view command)
{
    std::vector<Words> commands(1);
    std::string word;
    bool inWord = false;
    auto endWord = [&] {
        if (inWord)
            commands.back().push_back(std::move(word));
        word.clear();
        inWord = false;
    };
    auto endCommand = [&] {
        endWord();
        if (!commands.back().empty())
            commands.emplace_back();
    };
    enum class Quote { none, single, dual } quote = Quote::none;
    for (std::size_t i = 0; i < command.size(); ++i) {
        char c = command[i];
        if (quote == Quote::single) {
            if (c == '\'')
                quote = Quote::none;
            else
                word.push_back(c);
            continue;
        }
        if (quote == Quote::dual) {
            if (c == '"')
                quote = Quote::none;
            else if (c == '\\' && i + 1 < command.size() && std::string_view("\"\\$`").find(command[i + 1]) != std::string_view::npos)
                word.push_back(command[++i]);
            else
                word.push_back(c);
            continue;
        }
        switch (c) {
        case '\'':
            quote = Quote::single;
            inWord = true;
            break;
        case '"':
            quote = Quote::dual;
            inWord = true;
            break;
        case '\\':
            if (i + 1 < command.size() && command[i + 1] != '\n') {
                word.push_back(command[++i]);
                inWord = true;
            } else {
                ++i;  // a line continuation
            }
            break;
        case ';':
        case '|':
        case '&':
        case '\n':
            endCommand();
            break;
        default:
            if (isAsciiSpace(c)) {
                endWord();
            } else {
                word.push_back(c);
                inWord = true;
            }
        }
    }
    endCommand();
    commands.pop_back();
    return commands;
}

CommandStep CommandStep::classify(std::string_view command)
{
    std::vector<Words> commands = split(command);
    for (const Words& words : commands) {
        auto first = program(words);
        if (first != words.end() && baseName(*first) != "cd")
            return classify(words);
    }
    return commands.empty() ? CommandStep{} : classify(commands.front());
}

CommandStep CommandStep::classify(const std::vector<std::string>& all)
{
    Words words(program(all), all.end());
    if (words.size() >= 3 && among(shells, baseName(words[0])) && words[1].starts_with('-')
        && words[1].find('c') != std::string::npos)
        return classify(std::string_view(words[2]));
    auto start = std::find_if_not(words.begin(), words.end(), [](const std::string& w) { return among(lookedThrough, w); });
    if (start == words.end())
        return {};

    std::string name(baseName(*start));
    Words rest(start + 1, words.end());
    std::string_view subcommand = subcommandOf(rest, name == "git");

    if (among(testRunners, name))
        return {AgentStepKind::test, name};
    if (among(buildTools, name))
        return {AgentStepKind::build, name};
    if (among(packageTools, name) && std::find(rest.begin(), rest.end(), "install") != rest.end())
        return {AgentStepKind::install, name};
    if (among(subcommandTools, name)) {
        if (subcommand == "test" || subcommand == "check")
            return {AgentStepKind::test, name};
        if (subcommand == "build" || subcommand == "compile" || subcommand == "package" || subcommand == "release")
            return {AgentStepKind::build, name};
        if (subcommand == "install")
            return {AgentStepKind::install, name};
    }
    if (name == "git")
        return {AgentStepKind::git, subcommand.empty() ? name : name + " " + std::string(subcommand)};
    return {AgentStepKind::command, name};
}

}  // namespace corvane
