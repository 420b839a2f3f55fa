#include "app/desktop/SnapshotRenderer.h"

#include <QBuffer>
#include <QPainter>

#include "app/desktop/AppEnvironment.h"
#include "app/desktop/CardWindow.h"
#include "app/desktop/EarPainter.h"
#include "app/desktop/IslandWindow.h"
#include "app/desktop/NotificationsSurface.h"
#include "app/desktop/PanelWindow.h"
#include "app/desktop/SectionRegistry.h"
#include "core/base/Files.h"
#include "core/notch/EarChoices.h"
#include "core/notch/KnownPaths.h"

namespace corvane::app::SnapshotRenderer {

namespace fs = std::filesystem;

namespace {

// A moment that reads well in a picture, the same on every run.
const WallTime shotTime = WallTime::fromUnixSeconds(1'780'000'000);

template <typename Paint>
QImage render(QSizeF logical, Paint&& paint)
{
    QImage image((logical * scale).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    paint(painter);
    painter.end();
    return image;
}

QImage renderEars(const EarContent& content)
{
    IslandWindow::EarView view{.left = content,
                               .right = content,
                               .leftTint = QColor(0x30, 0xD1, 0x58),
                               .rightTint = QColor(0x30, 0xD1, 0x58),
                               .width = double(points(EarWidth::wide)),
                               .rightExtra = 0};
    return render(IslandWindow::islandSize(view), [&](QPainter& painter) { IslandWindow::paintIsland(painter, view); });
}

QImage renderCard()
{
    PresentedAlert alert{
        .surface = EventStyle::card,
        .kind = "ai.finished",
        .moduleID = "ai",
        .coalesceKey = "lunebox",
        .title = "Claude Code finished",
        .body = "lunebox · 4 files changed",
        .date = shotTime,
        .duration = 6,
        .count = 3,
        .card = std::nullopt,
        .ear = std::nullopt,
        .action = std::nullopt,
    };
    AlertQueue::Card card{.alert = alert,
                          .priority = AlertQueue::ordinaryPriority,
                          .queuedAt = shotTime,
                          .countdown = AlertCountdown::started(6, shotTime)};
    card.alert.card = CardWindow::planOf(alert);
    card.alert.card->eyebrow = "Claude Code";
    card.alert.card->headline = "Finished in lunebox";
    card.alert.card->context = "4 files changed · 2m 10s";
    return render(QSizeF(CardWindow::cardSize),
                  [&](QPainter& painter) { CardWindow::paintCard(painter, CardWindow::cardSize, card, shotTime.plusSeconds(2)); });
}

QImage renderPanel(PanelWindow& panel, const PanelPage& page)
{
    panel.showPage(page);
    QImage image = panel.grab().toImage();
    return image;
}

}  // namespace

bool isBlank(const QImage& image)
{
    if (image.isNull())
        return true;
    QImage pixels = image.convertToFormat(QImage::Format_ARGB32);
    QRgb first = pixels.pixel(0, 0);
    for (int y = 0; y < pixels.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(pixels.constScanLine(y));
        for (int x = 0; x < pixels.width(); ++x) {
            if (line[x] != first)
                return false;
        }
    }
    return true;
}

QImage renderClosedIsland()
{
    return render(QSizeF(IslandWindow::closedSize),
                  [](QPainter& painter) { IslandWindow::paintClosed(painter, IslandWindow::closedSize); });
}

std::vector<EarContent> sampleContents()
{
    return {
        EarContent::none(),
        EarContent::symbol("hammer"),
        EarContent::text("Build done"),
        EarContent::symbolText("sparkles", "Working"),
        EarContent::artwork("album-1"),
        EarContent::progress(0.62),
        EarContent::level(0.7, false),
        EarContent::bars(),
        EarContent::dot("#FF9F0A"),
        EarContent::battery(18),
        EarContent::progressPercent(0.42),
        EarContent::holdRing("cup.and.saucer", 1800),
        EarContent::secondaryText("3 servers"),
        EarContent::tintedSymbolText("bolt.fill", "Charging", "#FFD60A"),
        EarContent::tintedLabel("terminal", ":3000", "#64D2FF", true),
        EarContent::lyric("Here comes the sun", 4),
        EarContent::pair(EarContent::symbol("music.note"), EarContent::bars()),
        EarContent::charge(76, ChargeState::charging),
        EarContent::buds(BudsBattery{.left = 80, .right = 75, .caseLevel = 40}, "Buds"),
    };
}

std::vector<View> renderViews(AppEnvironment& environment, const SectionRegistry& sections)
{
    std::vector<View> views;
    views.push_back({"closed.png", renderClosedIsland()});
    for (const EarContent& content : sampleContents())
        views.push_back({"ear-" + EarPainter::caseName(content) + ".png", renderEars(content)});
    views.push_back({"card.png", renderCard()});

    environment.ears().post(Activity{.id = "snapshot.agent",
                                     .moduleID = "ai",
                                     .kind = "ai.working",
                                     .priority = 50,
                                     .left = EarContent::symbol("sparkles"),
                                     .right = EarContent::text("Working"),
                                     .createdAt = shotTime,
                                     .detail = "Claude Code is working in lunebox"});
    PanelWindow panel(environment, sections);
    panel.setAttribute(Qt::WA_DontShowOnScreen);
    panel.show();
    for (const auto& [surface, raw] : EnumCases<Surface>::cases)
        views.push_back({"panel-" + std::string(raw) + ".png", renderPanel(panel, PanelPage::of(surface))});
    if (sections.hasInbox()) {
        views.push_back({"panel-inbox.png", renderPanel(panel, PanelPage::inboxPage())});
        // A sample history of stacked and time-sensitive alerts.
        views.push_back({"inbox.png", NotificationsSurface::renderSnapshot(environment, PanelWindow::panelSize)});
    }
    return views;
}

Result<void> renderAll(const fs::path& folder)
{
    AppEnvironment environment(KnownPaths::current());
    SectionRegistry sections = SectionRegistry::builtIn();
    for (const auto& view : renderViews(environment, sections)) {
        fs::path file = folder / view.fileName;
        if (isBlank(view.image))
            return fail(Error::make(Error::Code::Invalid, "render snapshot", file.string() + " is blank"));
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (!view.image.save(&buffer, "PNG"))
            return fail(Error::make(Error::Code::Io, "encode snapshot", file.string()));
        if (auto written = writeFileAtomically(file, std::string_view(png.constData(), png.size()), 0644); !written)
            return fail(written.error());
    }
    return {};
}

}  // namespace corvane::app::SnapshotRenderer
