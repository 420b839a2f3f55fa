#pragma once
// Where the program keeps its things. Every location is a pure function of
// explicit inputs (application id, arguments, environment, process id), so
// tests compute them for any situation; `current()` computes them once for
// the running process.
//
// Linux layout: data under $XDG_DATA_HOME (default ~/.local/share) in the
// folder "Lunebox" ("Lunebox-<suffix>" for a variant build), settings in
// $XDG_CONFIG_HOME (default ~/.config) and caches in $XDG_CACHE_HOME
// (default ~/.cache) under the same folder name. Harness
// runs (tests, snapshot rendering, tools) keep both under a private
// temporary folder and never touch the user's real ones.

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

class KnownPaths {
public:
    using Environment = std::map<std::string, std::string>;

    struct Inputs {
        std::string applicationID;
        std::vector<std::string> arguments;  // the program first, as argv
        Environment environment;
        long pid = 0;
        std::filesystem::path home;
        std::filesystem::path temp;
    };

    static constexpr std::string_view baseFolder = "Lunebox";
    static constexpr std::string_view variantPrefix = "com.lunebox.app.";
    // The literal that generated shell snippets embed.
    static constexpr std::string_view inboxForShell = "${XDG_DATA_HOME:-$HOME/.local/share}/Lunebox/inbox";
    // Substrings by which installed snippets are recognised as ours (current and former).
    static constexpr std::string_view inboxMarker = "Lunebox/inbox";
    static constexpr std::string_view legacyInboxMarker = "corvane/inbox";
    // The executable that generated hooks call when the running path is unknown.
    static constexpr std::string_view installedAppFallback = "/usr/bin/lunebox";
    // Set to "1" by tests and tools to make a run a harness run.
    static constexpr std::string_view harnessVariable = "LUNEBOX_HARNESS";
    static constexpr std::string_view settingsFileName = "defaults.json";
    static constexpr std::string_view legacyFolder = "corvane";

    // The application id compiled into this build ("com.lunebox.app" unless
    // a variant build sets the CMake cache variable LUNEBOX_APP_ID).
    static std::string compiledApplicationID();

    // "Lunebox", or "Lunebox-<suffix>" for "com.lunebox.app.<suffix>" when
    // the suffix is letters, digits and "-" only.
    static std::string dataFolderFor(std::optional<std::string_view> applicationID);
    // Any argument after the first beginning with "--", or LUNEBOX_HARNESS=1.
    static bool detectHarness(const std::vector<std::string>& arguments, const Environment& environment);
    // Harness: temp + "lunebox-harness-<pid>". Otherwise $XDG_DATA_HOME when
    // it is an absolute path, else home + "/.local/share".
    static std::filesystem::path supportRootFor(bool harness, const Environment& environment,
                                                const std::filesystem::path& home, const std::filesystem::path& temp,
                                                long pid);

    static KnownPaths resolve(const Inputs& inputs);

    // The environment of this process, as a map.
    static Environment processEnvironment();
    // This process's executable; `installedAppFallback` when the system
    // does not say.
    static std::filesystem::path runningExecutable();

    // Keeps the process's arguments for current(); main calls it first thing.
    static void setProcessArguments(std::vector<std::string> arguments);
    // The paths of this process, computed on first use and never changed.
    static const KnownPaths& current();
    // The paths the app itself uses, for command-line modes: their own
    // "--" arguments do not make the run a harness run (LUNEBOX_HARNESS does).
    static KnownPaths forCommand();

    const std::string& applicationID() const { return applicationID_; }
    const std::string& dataFolder() const { return dataFolder_; }
    bool isHarness() const { return harness_; }
    const std::filesystem::path& supportRoot() const { return supportRoot_; }
    const std::filesystem::path& home() const { return home_; }

    // supportRoot + dataFolder.
    std::filesystem::path appSupport() const;
    std::filesystem::path inbox() const;
    std::filesystem::path statusFile() const;
    // home + "/.agents/skills/lunebox/SKILL.md".
    std::filesystem::path agentSkill() const;
    // $XDG_CONFIG_HOME/<dataFolder>/defaults.json; harness: in the harness root.
    std::filesystem::path settingsFile() const;
    // $XDG_CACHE_HOME/<dataFolder>: what can be fetched or made again
    // (album artwork); harness: in the harness root.
    std::filesystem::path cacheFolder() const;
    // The settings file and data folder of the program's former identity.
    std::filesystem::path legacySettingsFile() const;
    std::filesystem::path legacyDataFolder() const;

private:
    std::string applicationID_;
    std::string dataFolder_;
    bool harness_ = false;
    std::filesystem::path supportRoot_;
    std::filesystem::path configRoot_;
    std::filesystem::path cacheRoot_;
    std::filesystem::path home_;
};

}  // namespace corvane
