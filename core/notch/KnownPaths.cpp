#include "core/notch/KnownPaths.h"

#include <mutex>

#include <pwd.h>
#include <unistd.h>

extern char** environ;

namespace corvane {

namespace fs = std::filesystem;

fs::path KnownPaths::runningExecutable()
{
    std::error_code error;
    fs::path self = fs::read_symlink("/proc/self/exe", error);
    return error || self.empty() ? fs::path(installedAppFallback) : self;
}

namespace {

bool isAsciiAlphanumericOrDash(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-';
}

// An XDG base directory counts only when absolute; relative ones are to be ignored.
std::optional<fs::path> absoluteVariable(const KnownPaths::Environment& environment, const std::string& name)
{
    auto found = environment.find(name);
    if (found == environment.end() || found->second.empty() || found->second.front() != '/')
        return std::nullopt;
    return fs::path(found->second);
}

std::mutex argumentsMutex;
std::vector<std::string>& processArguments()
{
    static std::vector<std::string> arguments;
    return arguments;
}

}  // namespace

KnownPaths::Environment KnownPaths::processEnvironment()
{
    KnownPaths::Environment environment;
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
        std::string_view text(*entry);
        auto equals = text.find('=');
        if (equals != std::string_view::npos)
            environment.emplace(std::string(text.substr(0, equals)), std::string(text.substr(equals + 1)));
    }
    return environment;
}

namespace {

fs::path homeFolder(const KnownPaths::Environment& environment)
{
    if (auto found = environment.find("HOME"); found != environment.end() && !found->second.empty())
        return found->second;
    struct passwd entry {};
    struct passwd* result = nullptr;
    char buffer[4096];
    if (::getpwuid_r(::getuid(), &entry, buffer, sizeof buffer, &result) == 0 && result != nullptr
        && result->pw_dir != nullptr)
        return result->pw_dir;
    return "/";
}

}  // namespace

std::string KnownPaths::compiledApplicationID() { return LUNEBOX_APP_ID; }

std::string KnownPaths::dataFolderFor(std::optional<std::string_view> applicationID)
{
    std::string folder(baseFolder);
    if (!applicationID || !applicationID->starts_with(variantPrefix) || applicationID->size() == variantPrefix.size())
        return folder;
    std::string_view suffix = applicationID->substr(variantPrefix.size());
    for (char c : suffix) {
        if (!isAsciiAlphanumericOrDash(c))
            return folder;
    }
    return folder + "-" + std::string(suffix);
}

bool KnownPaths::detectHarness(const std::vector<std::string>& arguments, const Environment& environment)
{
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        if (arguments[i].starts_with("--"))
            return true;
    }
    auto flag = environment.find(std::string(harnessVariable));
    return flag != environment.end() && flag->second == "1";
}

fs::path KnownPaths::supportRootFor(bool harness, const Environment& environment, const fs::path& home,
                                    const fs::path& temp, long pid)
{
    if (harness)
        return temp / ("lunebox-harness-" + std::to_string(pid));
    if (auto dataHome = absoluteVariable(environment, "XDG_DATA_HOME"))
        return *dataHome;
    return home / ".local" / "share";
}

KnownPaths KnownPaths::resolve(const Inputs& inputs)
{
    KnownPaths paths;
    paths.applicationID_ = inputs.applicationID;
    paths.dataFolder_ = dataFolderFor(inputs.applicationID);
    paths.harness_ = detectHarness(inputs.arguments, inputs.environment);
    paths.home_ = inputs.home;
    paths.supportRoot_ = supportRootFor(paths.harness_, inputs.environment, inputs.home, inputs.temp, inputs.pid);
    auto root = [&](const char* variable, const char* homeFolder, const char* harnessFolder) {
        if (paths.harness_)
            return paths.supportRoot_ / harnessFolder;
        if (auto set = absoluteVariable(inputs.environment, variable))
            return *set;
        return inputs.home / homeFolder;
    };
    paths.configRoot_ = root("XDG_CONFIG_HOME", ".config", "config");
    paths.cacheRoot_ = root("XDG_CACHE_HOME", ".cache", "cache");
    return paths;
}

void KnownPaths::setProcessArguments(std::vector<std::string> arguments)
{
    std::lock_guard lock(argumentsMutex);
    processArguments() = std::move(arguments);
}

namespace {

KnownPaths::Inputs processInputs(std::vector<std::string> arguments)
{
    KnownPaths::Inputs inputs;
    inputs.applicationID = KnownPaths::compiledApplicationID();
    inputs.arguments = std::move(arguments);
    inputs.environment = KnownPaths::processEnvironment();
    inputs.pid = static_cast<long>(::getpid());
    inputs.home = homeFolder(inputs.environment);
    std::error_code error;
    inputs.temp = fs::temp_directory_path(error);
    if (error)
        inputs.temp = "/tmp";
    return inputs;
}

}  // namespace

const KnownPaths& KnownPaths::current()
{
    static const KnownPaths paths = [] {
        std::vector<std::string> arguments;
        {
            std::lock_guard lock(argumentsMutex);
            arguments = processArguments();
        }
        return resolve(processInputs(std::move(arguments)));
    }();
    return paths;
}

KnownPaths KnownPaths::forCommand()
{
    std::vector<std::string> program;
    {
        std::lock_guard lock(argumentsMutex);
        if (!processArguments().empty())
            program.push_back(processArguments().front());
    }
    return resolve(processInputs(std::move(program)));
}

fs::path KnownPaths::appSupport() const { return supportRoot_ / dataFolder_; }

fs::path KnownPaths::inbox() const { return appSupport() / "inbox"; }

fs::path KnownPaths::statusFile() const { return appSupport() / "status" / "claude.json"; }

fs::path KnownPaths::agentSkill() const { return home_ / ".agents" / "skills" / "lunebox" / "SKILL.md"; }

fs::path KnownPaths::settingsFile() const { return configRoot_ / dataFolder_ / settingsFileName; }

fs::path KnownPaths::cacheFolder() const { return cacheRoot_ / dataFolder_; }

fs::path KnownPaths::legacySettingsFile() const { return configRoot_ / legacyFolder / settingsFileName; }

fs::path KnownPaths::legacyDataFolder() const { return supportRoot_ / legacyFolder; }

}  // namespace corvane
