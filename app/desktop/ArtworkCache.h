#pragma once
// Album artwork by cache key: one image file per key in the artwork folder
// of the cache (<cache folder>/artwork/<key>), which the media module fills.
// An ear asks for its key on every paint, so the last image decoded stays
// in memory until its file changes.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include <QImage>

namespace corvane {
class KnownPaths;
}

namespace corvane::app {

class ArtworkCache {
public:
    // Larger files are not artwork anyone needs in an ear.
    static constexpr std::size_t maxFileBytes = 4 * 1024 * 1024;
    static constexpr std::size_t maxKeyLength = 128;

    explicit ArtworkCache(std::filesystem::path folder) : folder_(std::move(folder)) {}
    static std::filesystem::path folderOf(const KnownPaths& paths);

    const std::filesystem::path& folder() const { return folder_; }
    // Keys name files in the folder: letters, digits, ".", "-" and "_",
    // not starting with a dot.
    static bool isKey(std::string_view key);
    // Nothing for a key that is no file name, or a file that is absent,
    // too large or no image.
    std::optional<QImage> image(std::string_view key) const;

private:
    struct Decoded {
        std::string key;
        std::filesystem::file_time_type modified;
        std::uintmax_t size = 0;
        QImage image;
    };

    std::filesystem::path folder_;
    mutable std::optional<Decoded> last_;
};

}  // namespace corvane::app
