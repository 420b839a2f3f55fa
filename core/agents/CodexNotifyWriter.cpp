#include "core/agents/CodexNotifyWriter.h"

#include <algorithm>
#include <cstdint>
#include <variant>

#include <fmt/format.h>

#include "core/agents/CodexNotifyHelper.h"
#include "core/agents/ShellHookSnippets.h"
#include "core/base/Ascii.h"
#include "core/base/Files.h"

namespace corvane {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view shellProgram = "/bin/sh";
constexpr std::string_view previousTail = "; else exec \"$@\"; fi";
constexpr std::string_view plainTail = "; fi";
constexpr int maxDepth = 32;

const std::string connectedText = "Lunebox's Codex notifier is connected";
const std::string missingText = "Lunebox's Codex notifier is missing";
const std::string outdatedText = "Lunebox's Codex notifier needs an update";
const std::string editedText = "Lunebox's Codex notifier was edited";
const std::string lateDetail = " · alerts from Codex come late or not at all";
const std::string editedDetail = " · fix it by hand, or remove and connect again in Settings › Integrations";

enum class Problem { unreadable, notList };

Error refusal(Problem problem)
{
    return integrationRefusal(std::string(problem == Problem::notList ? CodexNotifyWriter::notListRefusal
                                                                       : CodexNotifyWriter::unreadableRefusal));
}

void appendUTF8(std::string& out, std::uint32_t scalar)
{
    if (scalar < 0x80) {
        out.push_back(static_cast<char>(scalar));
    } else if (scalar < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (scalar >> 6)));
        out.push_back(static_cast<char>(0x80 | (scalar & 0x3F)));
    } else if (scalar < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (scalar >> 12)));
        out.push_back(static_cast<char>(0x80 | ((scalar >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (scalar & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (scalar >> 18)));
        out.push_back(static_cast<char>(0x80 | ((scalar >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((scalar >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (scalar & 0x3F)));
    }
}

bool isBareKeyChar(char c) { return isAsciiAlpha(c) || isAsciiDigit(c) || c == '_' || c == '-'; }

// Just enough of TOML to find the top-level `notify` and read a list of
// strings: every other value is skipped over, not decoded, so that a table
// header is never mistaken inside a multi-line array or string.
class Scanner {
public:
    explicit Scanner(std::string_view text) : text_(text) {}

    std::size_t position() const { return pos_; }
    bool atEnd() const { return pos_ >= text_.size(); }
    char peek() const { return atEnd() ? '\0' : text_[pos_]; }
    bool startsWith(std::string_view prefix) const { return text_.substr(pos_).starts_with(prefix); }

    bool consume(char c)
    {
        if (peek() != c)
            return false;
        ++pos_;
        return true;
    }

    void skipBlanks()
    {
        while (peek() == ' ' || peek() == '\t')
            ++pos_;
    }

    void skipComment()
    {
        if (peek() != '#')
            return;
        while (!atEnd() && peek() != '\n')
            ++pos_;
    }

    // Blanks, comments and line ends, as allowed between array elements.
    void skipSpace()
    {
        for (;;) {
            skipBlanks();
            skipComment();
            if (peek() != '\n')
                return;
            ++pos_;
        }
    }

    // Past the end of the current line; false when something other than
    // blanks and a comment is left on it.
    bool finishLine(std::string_view* comment)
    {
        skipBlanks();
        std::size_t start = pos_;
        skipComment();
        if (comment)
            *comment = text_.substr(start, pos_ - start);
        if (atEnd())
            return true;
        if (peek() != '\n')
            return false;
        ++pos_;
        return true;
    }

    void skipLine()
    {
        while (!atEnd() && peek() != '\n')
            ++pos_;
        if (!atEnd())
            ++pos_;
    }

    // A dotted key; nothing when it is malformed.
    std::optional<std::vector<std::string>> key()
    {
        std::vector<std::string> parts;
        for (;;) {
            skipBlanks();
            if (peek() == '"' || peek() == '\'') {
                auto part = singleLineString();
                if (!part)
                    return std::nullopt;
                parts.push_back(std::move(*part));
            } else {
                std::size_t start = pos_;
                while (isBareKeyChar(peek()))
                    ++pos_;
                if (pos_ == start)
                    return std::nullopt;
                parts.emplace_back(text_.substr(start, pos_ - start));
            }
            skipBlanks();
            if (peek() != '.')
                return parts;
            ++pos_;
        }
    }

    // A basic or literal string on one line, decoded; multi-line strings,
    // bad escapes and control characters are refused.
    std::optional<std::string> singleLineString()
    {
        char quote = peek();
        if ((quote != '"' && quote != '\'') || startsWith(quote == '"' ? "\"\"\"" : "'''"))
            return std::nullopt;
        ++pos_;
        std::string out;
        while (!atEnd()) {
            char c = text_[pos_++];
            if (c == quote)
                return out;
            if ((static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7F)
                return std::nullopt;
            if (c != '\\' || quote == '\'') {
                out.push_back(c);
                continue;
            }
            if (!escape(out))
                return std::nullopt;
        }
        return std::nullopt;
    }

    // Steps over any value; false when it is malformed.
    bool skipValue(int depth = 0)
    {
        if (depth > maxDepth)
            return false;
        char c = peek();
        if (startsWith("\"\"\"") || startsWith("'''"))
            return skipMultiLineString();
        if (c == '"' || c == '\'')
            return singleLineString().has_value();
        if (c == '[')
            return skipList(']', depth);
        if (c == '{')
            return skipList('}', depth);
        std::size_t start = pos_;
        while (!atEnd() && std::string_view(",]}#\n").find(peek()) == std::string_view::npos)
            ++pos_;
        return pos_ > start;
    }

    // The elements of a list of strings; `Problem::notList` for a list
    // holding anything else.
    std::variant<std::vector<std::string>, Problem> stringList()
    {
        std::vector<std::string> items;
        ++pos_;  // '['
        for (;;) {
            skipSpace();
            if (peek() == ']') {
                ++pos_;
                return items;
            }
            char c = peek();
            if (startsWith("\"\"\"") || startsWith("'''"))
                return Problem::unreadable;
            if (c == '"' || c == '\'') {
                auto item = singleLineString();
                if (!item)
                    return Problem::unreadable;
                items.push_back(std::move(*item));
            } else {
                return skipValue(1) ? Problem::notList : Problem::unreadable;
            }
            skipSpace();
            if (peek() == ',')
                ++pos_;
            else if (peek() != ']')
                return Problem::unreadable;
        }
    }

private:
    bool escape(std::string& out)
    {
        if (atEnd())
            return false;
        char c = text_[pos_++];
        switch (c) {
        case 'b': out.push_back('\b'); return true;
        case 't': out.push_back('\t'); return true;
        case 'n': out.push_back('\n'); return true;
        case 'f': out.push_back('\f'); return true;
        case 'r': out.push_back('\r'); return true;
        case '"': out.push_back('"'); return true;
        case '\\': out.push_back('\\'); return true;
        case 'u':
        case 'U': {
            std::size_t digits = c == 'u' ? 4 : 8;
            if (text_.size() - pos_ < digits)
                return false;
            std::uint32_t scalar = 0;
            for (std::size_t i = 0; i < digits; ++i) {
                int value = hexDigitValue(text_[pos_++]);
                if (value < 0)
                    return false;
                scalar = scalar * 16 + static_cast<std::uint32_t>(value);
            }
            if (scalar > 0x10FFFF || (scalar >= 0xD800 && scalar <= 0xDFFF))
                return false;
            appendUTF8(out, scalar);
            return true;
        }
        default:
            return false;
        }
    }

    bool skipMultiLineString()
    {
        std::string_view delimiter = text_.substr(pos_, 3);
        pos_ += 3;
        while (!atEnd()) {
            if (delimiter == "\"\"\"" && peek() == '\\') {
                pos_ += 2;
                continue;
            }
            if (startsWith(delimiter)) {
                pos_ += 3;
                // Up to two quotes may close the content before the delimiter.
                while (peek() == delimiter.front())
                    ++pos_;
                return true;
            }
            ++pos_;
        }
        return false;
    }

    bool skipList(char close, int depth)
    {
        ++pos_;
        for (;;) {
            skipSpace();
            if (peek() == close) {
                ++pos_;
                return true;
            }
            if (close == '}') {
                if (!key() || !consume('='))
                    return false;
                skipBlanks();
            }
            if (!skipValue(depth + 1))
                return false;
            skipSpace();
            if (peek() == ',')
                ++pos_;
            else if (peek() != close)
                return false;
        }
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};

// A TOML basic string.
std::string tomlString(std::string_view text)
{
    std::string out = "\"";
    for (char c : text) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
                out += fmt::format("\\u{:04X}", static_cast<unsigned>(c));
            else
                out.push_back(c);
        }
    }
    return out + "\"";
}

std::string script(std::string_view helper, bool wrapping)
{
    std::string quotedHelper = ShellHookSnippets::quoted(helper);
    return fmt::format("if [ -x {0} ]; then exec {0} {1} \"$@\"{2}", quotedHelper, CodexNotifyHelper::mode,
                       wrapping ? previousTail : plainTail);
}

// The line of an entry without its line end.
std::string_view lineOf(const CodexNotifyWriter::Entry& entry)
{
    std::string_view raw = entry.raw;
    if (raw.ends_with('\n'))
        raw.remove_suffix(1);
    return raw;
}

std::string splice(std::string_view text, std::size_t begin, std::size_t end, std::string_view replacement)
{
    std::string out(text.substr(0, begin));
    out.append(replacement);
    out.append(text.substr(end));
    return out;
}

}  // namespace

CodexNotifyWriter::CodexNotifyWriter(IntegrationEnv env) : env_(std::move(env)) {}

fs::path CodexNotifyWriter::path() const
{
    if (auto codexHome = env_.variable("CODEX_HOME"))
        return fs::path(*codexHome) / "config.toml";
    return env_.home / ".codex" / "config.toml";
}

std::vector<std::string> CodexNotifyWriter::argv(const std::vector<std::string>& wrapping) const
{
    std::vector<std::string> list{std::string(shellProgram), "-c", script(env_.helperPath, !wrapping.empty()),
                                  std::string(scriptName)};
    list.insert(list.end(), wrapping.begin(), wrapping.end());
    return list;
}

std::string CodexNotifyWriter::line(const std::vector<std::string>& wrapping) const
{
    std::vector<std::string> items;
    for (const std::string& item : argv(wrapping))
        items.push_back(tomlString(item));
    return fmt::format("{} = [{}] {}", key, fmt::join(items, ", "), marker);
}

Result<CodexNotifyWriter::Layout> CodexNotifyWriter::read(std::string_view text)
{
    if (text.find("\r\n") != std::string_view::npos)
        return fail(integrationRefusal(std::string(crlfRefusal)));
    Layout layout{std::nullopt, text.size()};
    Scanner scanner(text);
    while (!scanner.atEnd()) {
        std::size_t lineStart = scanner.position();
        scanner.skipBlanks();
        if (scanner.peek() == '#' || scanner.peek() == '\n' || scanner.atEnd()) {
            scanner.skipLine();
            continue;
        }
        if (scanner.peek() == '[') {
            layout.firstTable = lineStart;
            break;
        }
        auto parts = scanner.key();
        if (!parts || !scanner.consume('='))
            return fail(refusal(Problem::unreadable));
        scanner.skipBlanks();
        bool isNotify = parts->size() == 1 && parts->front() == key;
        if (!isNotify || layout.notify) {
            if (!scanner.skipValue() || !scanner.finishLine(nullptr))
                return fail(refusal(Problem::unreadable));
            continue;
        }
        if (scanner.peek() != '[') {
            bool readable = scanner.skipValue() && scanner.finishLine(nullptr);
            return fail(refusal(readable ? Problem::notList : Problem::unreadable));
        }
        auto list = scanner.stringList();
        if (const Problem* problem = std::get_if<Problem>(&list))
            return fail(refusal(*problem));
        std::string_view comment;
        if (!scanner.finishLine(&comment))
            return fail(refusal(Problem::unreadable));
        Entry entry;
        entry.begin = lineStart;
        entry.end = scanner.position();
        entry.raw = std::string(text.substr(entry.begin, entry.end - entry.begin));
        entry.argv = std::move(std::get<std::vector<std::string>>(list));
        entry.marked = comment.starts_with(marker);
        layout.notify = std::move(entry);
    }
    return layout;
}

std::optional<std::vector<std::string>> CodexNotifyWriter::wrapped(const std::vector<std::string>& list)
{
    if (list.size() < 4 || list[0] != shellProgram || list[1] != "-c" || list[3] != scriptName)
        return std::nullopt;
    std::string_view body = list[2];
    bool wrapping = list.size() > 4;
    std::string_view tail = wrapping ? previousTail : plainTail;
    std::string call = fmt::format(" {} \"$@\"", CodexNotifyHelper::mode);
    if (!body.starts_with("if [ -x ") || !body.ends_with(std::string(call) + std::string(tail)))
        return std::nullopt;
    return std::vector<std::string>(list.begin() + 4, list.end());
}

Result<std::optional<std::string>> CodexNotifyWriter::readCurrent() const
{
    Result<std::string> bytes = readFileCapped(path(), maxFileBytes);
    if (bytes)
        return std::optional<std::string>(std::move(*bytes));
    if (bytes.error().code == Error::Code::NotFound)
        return std::optional<std::string>();
    if (bytes.error().code == Error::Code::TooLarge)
        return fail(refusal(Problem::unreadable));
    return fail(bytes.error());
}

Result<WriteResult> CodexNotifyWriter::install() const
{
    auto current = readCurrent();
    if (!current)
        return fail(current.error());
    std::string text = current->value_or(std::string());
    auto layout = read(text);
    if (!layout)
        return fail(layout.error());
    WriteResult result{path().string(), {}, *current, {}};
    result.record.createdFile = !current->has_value();
    if (const auto& entry = layout->notify) {
        std::vector<std::string> wrapping = entry->argv;
        if (entry->marked) {
            auto previous = wrapped(entry->argv);
            if (!previous)
                return fail(integrationRefusal(std::string(editedRefusal)));
            wrapping = std::move(*previous);
        } else {
            result.record.replacedRaw.emplace(std::string(key), entry->raw);
        }
        std::string written = line(wrapping);
        result.record.created.push_back(written);
        if (entry->raw.ends_with('\n'))
            written.push_back('\n');
        result.text = splice(text, entry->begin, entry->end, written);
        return result;
    }
    std::string written = line({});
    result.record.created.push_back(written);
    // Before the first table header, so that the key stays at the top level.
    std::size_t at = layout->firstTable;
    if (at < text.size())
        result.text = splice(text, at, at, written + "\n");
    else if (!text.empty() && !text.ends_with('\n'))
        result.text = text + "\n" + written;  // keeps the file without a final line end
    else
        result.text = text + written + "\n";
    return result;
}

Result<WriteResult> CodexNotifyWriter::uninstall(const InstallRecord& record) const
{
    auto current = readCurrent();
    if (!current)
        return fail(current.error());
    if (!current->has_value())
        return fail(integrationRefusal(std::string(goneRefusal)));
    const std::string& text = **current;
    auto layout = read(text);
    if (!layout)
        return fail(layout.error());
    const auto& entry = layout->notify;
    if (!entry || !entry->marked)
        return fail(integrationRefusal(std::string(goneRefusal)));
    std::string_view written = lineOf(*entry);
    if (std::find(record.created.begin(), record.created.end(), written) == record.created.end())
        return fail(integrationRefusal(std::string(editedRefusal)));
    WriteResult result{path().string(), {}, text, record};
    if (auto raw = record.replacedRaw.find(std::string(key)); raw != record.replacedRaw.end()) {
        result.text = splice(text, entry->begin, entry->end, raw->second);
        return result;
    }
    std::size_t begin = entry->begin;
    // A line appended to a file without a final line end brought its own.
    if (!entry->raw.ends_with('\n') && begin > 0 && text[begin - 1] == '\n')
        --begin;
    result.text = splice(text, begin, entry->end, "");
    return result;
}

ConnectionStatus CodexNotifyWriter::status() const
{
    using State = ConnectionStatus::State;
    auto current = readCurrent();
    if (!current)
        return {State::unavailable, current.error().code == Error::Code::Invalid ? current.error().context
                                                                                  : current.error().message(),
                {}};
    if (!current->has_value())
        return {State::missing, missingText, lateDetail};
    auto layout = read(**current);
    if (!layout)
        return {State::unavailable, layout.error().context, {}};
    const auto& entry = layout->notify;
    if (!entry || !entry->marked)
        return {State::missing, missingText, lateDetail};
    auto previous = wrapped(entry->argv);
    if (!previous)
        return {State::edited, editedText, editedDetail};
    if (lineOf(*entry) != line(*previous))
        return {State::outdated, outdatedText, lateDetail};
    return {State::connected, connectedText, {}};
}

}  // namespace corvane
