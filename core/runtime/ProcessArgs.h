#pragma once
// A process's argument vector and environment, decoded from the kernel's
// NUL-separated blocks (/proc/<pid>/cmdline and /proc/<pid>/environ).

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

struct ProcessArgs {
    // Each block is read at most this far.
    static constexpr std::size_t maxBlockBytes = 0x40000;
    // A vector claiming more arguments than this is not believed.
    static constexpr std::size_t maxArguments = 9999;

    std::vector<std::string> argv;
    std::map<std::string, std::string> environment;

    // Arguments as UTF-8 (ill-formed bytes repaired), without the empty
    // strings at the end that a title written over the block leaves; empty
    // for an empty block or one with more than `maxArguments` arguments.
    static std::vector<std::string> parseArguments(std::string_view block);
    // "KEY=value" strings up to the first empty one. Strings without "=" or
    // starting with "=" are skipped; a repeated key keeps its first value.
    static std::map<std::string, std::string> parseEnvironment(std::string_view block);

    bool operator==(const ProcessArgs&) const = default;
};

}  // namespace corvane
