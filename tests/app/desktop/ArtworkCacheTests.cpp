// Album artwork read from a real cache folder and drawn into an ear.

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "app/desktop/ArtworkCache.h"
#include "app/desktop/EarPainter.h"
#include "tests/app/QtTestApplication.h"
#include "tests/core/base/TemporaryFolder.h"

using namespace corvane;
using corvane::app::ArtworkCache;
using corvane::testing::TemporaryFolder;
namespace EarPainter = corvane::app::EarPainter;
namespace fs = std::filesystem;

namespace {

void writeCover(const fs::path& file, QColor colour, int side = 32)
{
    QImage cover(side, side, QImage::Format_RGB32);
    cover.fill(colour);
    ASSERT_TRUE(cover.save(QString::fromStdString(file.string()), "PNG"));
}

// The ear drawn into a box, on black like the island.
QImage ear(const ArtworkCache* cache, const std::string& key)
{
    QImage image(60, 32, QImage::Format_ARGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    EarPainter::paint(painter, QRectF(0, 0, 60, 32), EarContent::artwork(key), QColor(0x30, 0xD1, 0x58),
                      EarPainter::Side::left, cache);
    return image;
}

}  // namespace

TEST(ArtworkCache, keys_are_plain_file_names)
{
    for (const char* key : {"album-1", "3f2a9c.jpg", "Artist_Title.v2"})
        EXPECT_TRUE(ArtworkCache::isKey(key)) << key;
    for (const char* key : {"", "..", ".hidden", "../etc/passwd", "a/b", "/abs", "sp ace", "nul\n"})
        EXPECT_FALSE(ArtworkCache::isKey(key)) << key;
    EXPECT_FALSE(ArtworkCache::isKey(std::string(ArtworkCache::maxKeyLength + 1, 'a')));
}

TEST(ArtworkCache, an_ear_draws_the_cached_cover_and_the_tile_when_it_is_absent_or_unreadable)
{
    TemporaryFolder folder;
    ArtworkCache cache(folder.path());
    writeCover(folder / "album-1", QColor(0xFF, 0x00, 0x00));
    std::ofstream(folder / "broken") << "not an image";
    fs::create_symlink(folder / "album-1", folder / "linked");

    ASSERT_TRUE(cache.image("album-1"));
    QImage drawn = ear(&cache, "album-1");
    // The tile sits at the ear's inner (right) edge, 20 points square.
    EXPECT_EQ(drawn.pixelColor(50, 16), QColor(0xFF, 0x00, 0x00));

    QImage tile = ear(nullptr, "album-1");
    EXPECT_NE(tile.pixelColor(50, 16), QColor(0xFF, 0x00, 0x00));
    for (const char* key : {"missing", "broken", "linked", "../album-1"}) {
        EXPECT_FALSE(cache.image(key)) << key;
        EXPECT_EQ(ear(&cache, key), tile) << key;
    }

    // A new cover under the same key is read again.
    writeCover(folder / "next", QColor(0x00, 0x00, 0xFF), 48);
    fs::rename(folder / "next", folder / "album-1");
    EXPECT_EQ(ear(&cache, "album-1").pixelColor(50, 16), QColor(0x00, 0x00, 0xFF));
}
