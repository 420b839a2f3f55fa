#pragma once
// Draws one ear's content into a box beside the island: symbols, texts,
// rings, gauges and pairs of them. The island windows and the snapshot
// renderer draw with the same function.

#include <string>

#include <QColor>
#include <QPainter>
#include <QRectF>

#include "core/notch/EarContent.h"

namespace corvane::app {

class ArtworkCache;

namespace EarPainter {

// Content hugs the island: the left ear's towards its right edge, the
// right ear's towards its left edge.
enum class Side { left, right };

// `tint` colours symbols, rings and gauges; texts stay white unless the
// content carries its own colour. Artwork comes from `artwork`; without it,
// or without the key's image, a tinted tile keeps its place.
void paint(QPainter& painter, const QRectF& box, const EarContent& content, const QColor& tint, Side side,
           const ArtworkCache* artwork = nullptr);

// The case's name as its JSON key says it ("symbolText", "holdRing").
std::string caseName(const EarContent& content);

}  // namespace EarPainter

}  // namespace corvane::app
