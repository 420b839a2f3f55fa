#include "core/agents/IntegrationsModel.h"

#include <algorithm>

#include "core/agents/IntegrationFile.h"
#include "core/agents/LineDiff.h"
#include "core/base/Files.h"
#include "core/base/JsonStore.h"

namespace corvane {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t diffContext = 3;

Json encode(const IntegrationManifest& manifest)
{
    Json json = {{"id", manifest.id},
                 {"path", manifest.path.string()},
                 {"record", manifest.record},
                 {"installedAt", toJson(manifest.installedAt)}};
    if (manifest.backup)
        json["backup"] = manifest.backup->string();
    return json;
}

std::optional<IntegrationManifest> decode(const Json& json)
{
    if (!json.is_object())
        return std::nullopt;
    auto id = json.find("id");
    auto path = json.find("path");
    auto record = json.find("record");
    auto installedAt = json.find("installedAt");
    if (id == json.end() || !id->is_string() || path == json.end() || !path->is_string() || record == json.end()
        || !record->is_object() || installedAt == json.end())
        return std::nullopt;
    auto at = wallTimeFromJson(*installedAt);
    if (!at)
        return std::nullopt;
    IntegrationManifest manifest{id->get<std::string>(), path->get<std::string>(), record->get<InstallRecord>(),
                                 std::nullopt, *at};
    if (auto backup = json.find("backup"); backup != json.end() && backup->is_string())
        manifest.backup = backup->get<std::string>();
    return manifest;
}

std::vector<IntegrationManifest>::iterator findEntry(std::vector<IntegrationManifest>& manifests, const std::string& id)
{
    return std::find_if(manifests.begin(), manifests.end(), [&](const auto& entry) { return entry.id == id; });
}

}  // namespace

IntegrationsModel::IntegrationsModel(fs::path dataFolder, std::vector<IntegrationWriter> writers, const Clock& clock,
                                     Calendar calendar)
    : dataFolder_(std::move(dataFolder)), writers_(std::move(writers)), clock_(clock), calendar_(std::move(calendar))
{
}

std::vector<std::string> IntegrationsModel::ids() const
{
    std::vector<std::string> ids;
    for (const auto& writer : writers_)
        ids.push_back(writer.id);
    return ids;
}

fs::path IntegrationsModel::folder() const { return dataFolder_ / folderName; }

std::vector<IntegrationManifest> IntegrationsModel::manifests() const
{
    JsonStoreFile file(folder() / manifestName, maxManifestBytes);
    return loadStore<std::vector<IntegrationManifest>>(
        file,
        [](const Json& json) -> std::optional<std::vector<IntegrationManifest>> {
            if (!json.is_array())
                return std::nullopt;
            return decodeLossy<IntegrationManifest>(json, decode);
        },
        clock_.now(), calendar_);
}

Result<void> IntegrationsModel::save(const std::vector<IntegrationManifest>& manifests) const
{
    Json json = Json::array();
    for (const auto& manifest : manifests)
        json.push_back(encode(manifest));
    if (auto saved = JsonStoreFile(folder() / manifestName, maxManifestBytes).save(json); !saved)
        return fail(IntegrationFile::writeFailure(saved.error()));
    return {};
}

Result<const IntegrationWriter*> IntegrationsModel::writer(const std::string& id) const
{
    auto found = std::find_if(writers_.begin(), writers_.end(), [&](const auto& writer) { return writer.id == id; });
    if (found != writers_.end())
        return &*found;
    std::string known;
    for (const auto& writer : writers_)
        known += (known.empty() ? "" : ", ") + writer.id;
    return fail(integrationRefusal("There is no integration \"" + id + "\" — use one of: " + known));
}

Result<IntegrationsModel::Change> IntegrationsModel::connect(const std::string& id)
{
    auto found = writer(id);
    if (!found)
        return fail(found.error());
    const IntegrationWriter& integration = **found;
    if (integration.blocked)
        return fail(integrationRefusal(*integration.blocked));
    fs::path path = integration.path();
    if (auto editable = IntegrationFile::checkEditable(path); !editable)
        return fail(editable.error());
    auto result = integration.install();
    if (!result)
        return fail(result.error());

    auto manifests = this->manifests();
    auto entry = findEntry(manifests, id);
    std::optional<fs::path> backup;
    for (const auto& other : manifests)
        if (other.path == path && other.backup)
            backup = other.backup;
    Change change{id, path, {}, false};
    if (result->text != result->previous) {
        // The first edit of a file the user had keeps a copy of it.
        if (result->previous && !backup) {
            fs::path copy = folder() / (id + "-" + path.filename().string() + "-"
                                        + compactStamp(clock_.now(), calendar_) + ".backup");
            if (auto saved = writeFileAtomically(copy, *result->previous); !saved)
                return fail(IntegrationFile::writeFailure(saved.error()));
            backup = copy;
        }
        if (auto written = IntegrationFile::replace(path, result->text); !written)
            return fail(written.error());
        change.diff = LineDiff::unified(result->previous.value_or(""), result->text, path.string(), diffContext);
    }
    if (entry == manifests.end()) {
        manifests.push_back({id, path, result->record, backup, clock_.now()});
    } else {
        entry->record = result->record.merged(entry->record);
        entry->path = path;
        entry->backup = entry->backup ? entry->backup : backup;
    }
    if (auto saved = save(manifests); !saved)
        return fail(saved.error());
    return change;
}

Result<IntegrationsModel::Change> IntegrationsModel::disconnect(const std::string& id)
{
    auto found = writer(id);
    if (!found)
        return fail(found.error());
    const IntegrationWriter& integration = **found;
    auto manifests = this->manifests();
    auto entry = findEntry(manifests, id);
    if (entry == manifests.end())
        return fail(integrationRefusal("Lunebox has no record of connecting this, so it left the file alone"));
    fs::path path = integration.path();
    if (auto editable = IntegrationFile::checkEditable(path); !editable)
        return fail(editable.error());
    auto result = integration.uninstall(entry->record);
    if (!result) {
        Error error = result.error();
        if (error.code == Error::Code::Invalid && entry->backup)
            error.context += ". " + path.filename().string()
                             + " changed since — the backup is in Lunebox's integrations folder.";
        return fail(std::move(error));
    }
    Change change{id, path, LineDiff::unified(result->previous.value_or(""), result->text, path.string(), diffContext),
                  false};
    if (result->text.empty() && entry->record.createdFile) {
        if (auto removed = IntegrationFile::remove(path); !removed)
            return fail(removed.error());
        change.deleted = true;
    } else if (auto written = IntegrationFile::replace(path, result->text); !written) {
        return fail(written.error());
    }
    // Whoever disconnects last from a file the app created deletes it.
    InstallRecord removed = entry->record;
    manifests.erase(entry);
    for (auto& other : manifests)
        if (other.path == path)
            other.record.createdFile = other.record.createdFile || removed.createdFile;
    if (auto saved = save(manifests); !saved)
        return fail(saved.error());
    return change;
}

std::vector<std::pair<std::string, ConnectionStatus>> IntegrationsModel::statuses() const
{
    std::vector<std::pair<std::string, ConnectionStatus>> out;
    for (const auto& writer : writers_)
        out.emplace_back(writer.id, writer.status());
    return out;
}

}  // namespace corvane
