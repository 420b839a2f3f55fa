#include "app/desktop/SnapshotRenderer.h"

#include <QBuffer>
#include <QPainter>

#include "app/desktop/IslandWindow.h"
#include "core/base/Files.h"

namespace corvane::app::SnapshotRenderer {

namespace fs = std::filesystem;

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
    QSize logical = IslandWindow::closedSize;
    QImage image(logical * scale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    IslandWindow::paintClosed(painter, logical);
    painter.end();
    return image;
}

Result<void> renderAll(const fs::path& folder)
{
    struct View {
        const char* fileName;
        QImage image;
    };
    const View views[] = {{"closed.png", renderClosedIsland()}};
    for (const auto& view : views) {
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
