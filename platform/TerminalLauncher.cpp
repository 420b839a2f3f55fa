#include "platform/TerminalLauncher.h"

#include <algorithm>
#include <system_error>

namespace corvane::platform {

namespace {

bool isControl(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; }

bool isPlainWord(const std::string& word)
{
    return !word.empty() && word.size() <= TerminalCommand::maxWordLength && std::none_of(word.begin(), word.end(), isControl);
}

bool isShellSafe(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')
        || std::string_view("_-./:@%+=,").find(c) != std::string_view::npos;
}

Error refused(std::string why) { return Error::make(Error::Code::Invalid, "terminal command", std::move(why)); }

}  // namespace

std::string shellQuoted(const std::string& text)
{
    if (!text.empty() && std::all_of(text.begin(), text.end(), isShellSafe))
        return text;
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

Result<TerminalCommand> TerminalCommand::make(std::filesystem::path folder, std::vector<std::string> words)
{
    std::string folderText = folder.string();
    if (!folder.is_absolute() || !isPlainWord(folderText))
        return fail(refused("the folder is not an absolute path"));
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error))
        return fail(refused(folderText + " is not a folder"));
    if (words.empty() || !std::all_of(words.begin(), words.end(), isPlainWord) || words.front().front() == '-')
        return fail(refused("the command is not plain words"));
    return TerminalCommand(std::move(folder), std::move(words));
}

std::string TerminalCommand::shellLine() const
{
    std::string line = "cd " + shellQuoted(folder_.string()) + " &&";
    for (const std::string& word : words_)
        line += " " + shellQuoted(word);
    return line;
}

}  // namespace corvane::platform
