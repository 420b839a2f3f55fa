#pragma once
// The few text styles of the island, in pixel sizes so that a snapshot and
// the window lay out the same whatever the desktop's font scaling.

#include <QFont>

namespace corvane::ui {

namespace Fonts {

enum class Style { ear, earMono, caption, body, headline, title };

QFont font(Style style);

}  // namespace Fonts

}  // namespace corvane::ui
