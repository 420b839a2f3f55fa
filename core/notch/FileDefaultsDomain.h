#pragma once
// The defaults domain kept in one JSON file (the settings file), shared
// with other processes of the same user.
//
// File format, chosen to stay readable and editable by hand:
//   {
//     "settings": { "corvane.general.hoverDelayMs": 150, ... },
//     "data":     { "corvane.some.key": "<Base64>", ... },
//     "plain":    { "corvane.internal.legacyMigrated": true, ... }
//   }
// A data entry whose bytes are JSON in the exact form this program writes is
// embedded as that JSON value under "settings"; any other bytes go under
// "data" as Base64, so every entry reads back byte for byte. Plain entries
// stay apart under "plain".
//
// Another process may rewrite the file at any time: every access compares
// the file's identity (inode, size, modification time) with the last one
// seen and re-reads it when it differs. Writes re-read first, so a change
// made elsewhere is merged rather than lost.

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <sys/types.h>

#include "core/base/Time.h"
#include "core/notch/DefaultsDomain.h"

namespace corvane {

class FileDefaultsDomain final : public DefaultsDomain {
public:
    static constexpr std::size_t maxFileBytes = 8 * 1024 * 1024;

    // Reads the file now. A file that does not decode is moved aside and the
    // domain starts empty.
    FileDefaultsDomain(std::filesystem::path file, const Clock& clock, Calendar calendar);
    explicit FileDefaultsDomain(std::filesystem::path file);

    const std::filesystem::path& path() const { return path_; }
    // Where an undecodable file was moved, when that happened.
    const std::optional<std::filesystem::path>& quarantinedTo() const { return quarantinedTo_; }

    std::optional<Value> value(const std::string& key) override;
    std::vector<std::string> keys() override;
    Result<void> apply(const std::vector<Change>& changes) override;
    std::vector<std::string> reloadIfChanged() override;

    // The document for a set of entries, and the entries of a document
    // (dropping members that do not decode); exposed for tests.
    static Json encodeDocument(const std::map<std::string, Value>& entries);
    static std::optional<std::map<std::string, Value>> decodeDocument(const Json& document);

    // The entries of the file as it stands, for commands that must not
    // write: nothing when it is absent, unreadable or does not decode. The
    // file is never moved aside.
    static std::map<std::string, Value> peek(const std::filesystem::path& file);

private:
    struct Identity {
        bool exists = false;
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        std::int64_t modifiedNanoseconds = 0;
        bool operator==(const Identity&) const = default;
    };

    Identity currentIdentity() const;
    // Reads the file when its identity moved; returns the changed keys.
    std::vector<std::string> refresh();
    void load();

    std::filesystem::path path_;
    const Clock& clock_;
    Calendar calendar_;
    std::map<std::string, Value> entries_;
    Identity seen_;
    // False while the file exists but cannot be read: writing would replace
    // the user's settings with what little this process knows.
    bool writable_ = true;
    std::optional<std::filesystem::path> quarantinedTo_;
};

}  // namespace corvane
