#include "app/desktop/ArtworkCache.h"

#include <algorithm>

#include "core/base/Files.h"
#include "core/notch/KnownPaths.h"

namespace corvane::app {

namespace fs = std::filesystem;

fs::path ArtworkCache::folderOf(const KnownPaths& paths) { return paths.cacheFolder() / "artwork"; }

bool ArtworkCache::isKey(std::string_view key)
{
    return !key.empty() && key.size() <= maxKeyLength && key.front() != '.'
        && std::all_of(key.begin(), key.end(), [](char c) {
               return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.'
                   || c == '-' || c == '_';
           });
}

std::optional<QImage> ArtworkCache::image(std::string_view key) const
{
    if (!isKey(key))
        return std::nullopt;
    fs::path file = folder_ / std::string(key);
    std::error_code error;
    auto modified = fs::last_write_time(file, error);
    auto size = error ? 0 : fs::file_size(file, error);
    if (error)
        return std::nullopt;
    if (last_ && last_->key == key && last_->modified == modified && last_->size == size)
        return last_->image;
    // Another program fills the folder: no links, no FIFOs.
    auto bytes = readFileCapped(file, maxFileBytes, ReadFrom::SharedFolder);
    if (!bytes)
        return std::nullopt;
    QImage image;
    if (!image.loadFromData(reinterpret_cast<const uchar*>(bytes->data()), int(bytes->size())))
        return std::nullopt;
    last_ = Decoded{std::string(key), modified, size, image};
    return image;
}

}  // namespace corvane::app
