#pragma once
// Connects and disconnects the integrations and remembers what each
// connection changed. Every write to another tool's file goes through here:
// the file is copied to a backup before its first edit, must be a regular
// file the user can write (never a link), and is replaced through a
// temporary file beside it whose mode is the target's own. The install
// records are kept in "installed.json" in the "integrations" folder of the
// data folder, beside the backups.

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/agents/InstallRecord.h"
#include "core/agents/IntegrationTargets.h"
#include "core/base/Result.h"
#include "core/base/Time.h"

namespace corvane {

// One installed integration as the manifest keeps it.
struct IntegrationManifest {
    std::string id;
    std::filesystem::path path;
    InstallRecord record;
    std::optional<std::filesystem::path> backup;  // the copy taken before the first edit
    WallTime installedAt = WallTime::fromUnixSeconds(0);
    bool operator==(const IntegrationManifest&) const = default;
};

class IntegrationsModel {
public:
    static constexpr std::string_view folderName = "integrations";
    static constexpr std::string_view manifestName = "installed.json";
    static constexpr std::size_t maxManifestBytes = 1024 * 1024;

    // What one connect or disconnect did to the file.
    struct Change {
        std::string id;
        std::filesystem::path path;
        std::vector<std::string> diff;  // unified diff lines; empty when nothing changed
        bool deleted = false;           // the app had created the file and removed it again
    };

    IntegrationsModel(std::filesystem::path dataFolder, std::vector<IntegrationWriter> writers, const Clock& clock,
                      Calendar calendar);

    std::vector<std::string> ids() const;
    // Errors carry the sentence for the user as their context.
    Result<Change> connect(const std::string& id);
    // Removes only what the install record lists.
    Result<Change> disconnect(const std::string& id);
    std::vector<std::pair<std::string, ConnectionStatus>> statuses() const;

    std::filesystem::path folder() const;
    std::vector<IntegrationManifest> manifests() const;

private:
    Result<const IntegrationWriter*> writer(const std::string& id) const;
    Result<void> save(const std::vector<IntegrationManifest>& manifests) const;

    std::filesystem::path dataFolder_;
    std::vector<IntegrationWriter> writers_;
    const Clock& clock_;
    Calendar calendar_;
};

}  // namespace corvane
