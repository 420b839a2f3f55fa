#include "core/runtime/ProcessArgs.h"

#include "core/base/Utf8.h"

namespace corvane {

namespace {

// Calls `each` with every NUL-terminated string of the block; a last string
// without its NUL (a block cut at the cap) counts too. Stops when `each`
// returns false.
template <typename Each>
void forEachString(std::string_view block, Each each)
{
    std::size_t start = 0;
    while (start < block.size()) {
        std::size_t end = block.find('\0', start);
        if (end == std::string_view::npos)
            end = block.size();
        if (!each(block.substr(start, end - start)))
            return;
        start = end + 1;
    }
}

}  // namespace

std::vector<std::string> ProcessArgs::parseArguments(std::string_view block)
{
    std::vector<std::string> argv;
    bool tooMany = false;
    forEachString(block.substr(0, maxBlockBytes), [&](std::string_view argument) {
        if (argv.size() == maxArguments) {
            tooMany = true;
            return false;
        }
        argv.push_back(repairedUTF8(argument));
        return true;
    });
    if (tooMany)
        argv.clear();
    // A program that set its title wrote it over the argument area and
    // padded the rest with NUL bytes, which would read as empty arguments.
    while (!argv.empty() && argv.back().empty())
        argv.pop_back();
    return argv;
}

std::map<std::string, std::string> ProcessArgs::parseEnvironment(std::string_view block)
{
    std::map<std::string, std::string> environment;
    forEachString(block.substr(0, maxBlockBytes), [&](std::string_view entry) {
        if (entry.empty())
            return false;
        std::size_t equals = entry.find('=');
        if (equals == std::string_view::npos || equals == 0)
            return true;
        environment.emplace(repairedUTF8(entry.substr(0, equals)), repairedUTF8(entry.substr(equals + 1)));
        return true;
    });
    return environment;
}

}  // namespace corvane
