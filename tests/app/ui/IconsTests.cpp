#include <set>
#include <string>

#include <gtest/gtest.h>

#include <QPainter>

#include "app/desktop/SnapshotRenderer.h"
#include "core/notch/InboundEar.h"
#include "core/notch/ModuleCatalog.h"
#include "core/notch/Surface.h"
#include "tests/app/QtTestApplication.h"
#include "ui/Icons.h"

namespace Icons = corvane::ui::Icons;
using corvane::app::SnapshotRenderer::isBlank;

namespace {

// Every symbol name the program draws: the surfaces, the modules, the
// inbound-ear set and the symbols the sources put on their ears and cards.
std::set<std::string> symbolsInUse()
{
    std::set<std::string> out;
    for (const auto& [surface, raw] : corvane::EnumCases<corvane::Surface>::cases)
        out.insert(std::string(corvane::symbol(surface)));
    for (const auto& module : corvane::ModuleCatalog::all())
        out.insert(module.symbol);
    for (auto symbol : corvane::InboundEar::allowedSymbols())
        out.insert(std::string(symbol));
    for (const char* symbol : {"moon.fill", "moon", "cup.and.saucer", "cup.and.saucer.fill", "sun.max", "lock", "display",
                               "powerplug", "macwindow", "thermometer.high", "exclamationmark.shield.fill",
                               "exclamationmark.triangle", "timer", "hand.raised.fill", "music.note", "bell"})
        out.insert(symbol);
    return out;
}

}  // namespace

TEST(Icons, every_symbol_in_use_maps_to_a_theme_icon_that_loads)
{
    corvane::testing::qtApplication();
    for (const std::string& symbol : symbolsInUse()) {
        ASSERT_TRUE(Icons::themeName(symbol)) << symbol << " is not in the icon table";
        QImage image = Icons::tinted(symbol, 32, Qt::white);
        EXPECT_FALSE(isBlank(image)) << symbol << " → " << *Icons::themeName(symbol) << " does not load";
    }
    for (const auto& entry : Icons::table())
        EXPECT_FALSE(isBlank(Icons::tinted(entry.symbol, 16, Qt::white))) << entry.symbol;
}

TEST(Icons, an_icon_takes_the_tint_and_an_unknown_symbol_draws_the_fallback_glyph)
{
    corvane::testing::qtApplication();
    QImage bolt = Icons::tinted("bolt.fill", 32, QColor(255, 0, 0));
    bool sawTint = false;
    for (int y = 0; y < bolt.height() && !sawTint; ++y)
        for (int x = 0; x < bolt.width() && !sawTint; ++x)
            sawTint = bolt.pixelColor(x, y).alpha() == 255 && bolt.pixelColor(x, y) == QColor(255, 0, 0);
    EXPECT_TRUE(sawTint);

    EXPECT_TRUE(Icons::tinted("no.such.symbol", 32, Qt::white).isNull());
    QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    EXPECT_FALSE(Icons::paint(painter, QRectF(0, 0, 32, 32), "no.such.symbol", Qt::white));
    painter.end();
    EXPECT_FALSE(isBlank(image));
}
