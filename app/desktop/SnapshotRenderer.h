#pragma once
// Renders the notch's views to PNG files for documentation ("--snapshots
// DIR"), with the same painting code the windows use, and fails when an
// image comes out blank: a view that draws nothing is a broken view.

#include <filesystem>

#include <QImage>

#include "core/base/Result.h"

namespace corvane::app {

namespace SnapshotRenderer {

// Documentation images are drawn at twice the logical size.
inline constexpr qreal scale = 2.0;

// True when every pixel has the same colour (a fully transparent image included).
bool isBlank(const QImage& image);

QImage renderClosedIsland();

// Writes "closed.png" into the folder (creating it); fails for a blank image
// or a file that cannot be written.
Result<void> renderAll(const std::filesystem::path& folder);

}  // namespace SnapshotRenderer

}  // namespace corvane::app
