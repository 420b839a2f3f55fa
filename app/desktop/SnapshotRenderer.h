#pragma once
// Renders the notch's views to PNG files for documentation ("--snapshots
// DIR"), with the same painting code the windows use, and fails when an
// image comes out blank: a view that draws nothing is a broken view.
//
// The views: the closed island ("closed.png"), the island with ears for
// every EarContent case ("ear-<case>.png"), an alert card ("card.png"),
// the expanded panel on each surface ("panel-<surface>.png") and, when a
// section is registered for it, on the inbox ("panel-inbox.png", and
// "inbox.png" over a sample history with stacked and time-sensitive alerts).

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include <QImage>

#include "core/base/Result.h"
#include "core/notch/EarContent.h"

namespace corvane::app {

class AppEnvironment;
class SectionRegistry;

namespace SnapshotRenderer {

// Documentation images are drawn at twice the logical size.
inline constexpr qreal scale = 2.0;
// The artwork ear's cover, written into the run's own artwork cache.
inline constexpr std::string_view sampleArtworkKey = "album-1";

struct View {
    std::string fileName;
    QImage image;
};

// True when every pixel has the same colour (a fully transparent image included).
bool isBlank(const QImage& image);

QImage renderClosedIsland();
// One example of every EarContent case, in declaration order.
std::vector<EarContent> sampleContents();

// Every view; `sections` decides what the panel's surfaces hold.
std::vector<View> renderViews(AppEnvironment& environment, const SectionRegistry& sections);

// Writes every view into the folder (creating it) for a harness run of the
// app's environment; fails for a blank image or a file that cannot be written.
Result<void> renderAll(const std::filesystem::path& folder);

}  // namespace SnapshotRenderer

}  // namespace corvane::app
