// Draws a player's current frame onto a QPainter.
#pragma once

#include <QImage>
#include <QPainter>
#include <QRectF>
#include <QSize>
#include <QTransform>

#include "swf/player/player.h"
#include "swf/format/types.h"

namespace swf {

struct Presentation {
    bool transparent = true;  // clear nothing: only what the movie draws covers the host
    bool antialias = true;    // high quality
};

// ShowAll with empty alignment: the whole frame rectangle fitted into the
// viewport with its proportions kept, centred, translated by the frame's
// xmin/ymin. Maps twips to viewport coordinates.
QTransform stageTransform(const Rect& frame, const QRectF& viewport);

// Draws the current frame. Nothing is clipped to the stage: shapes outside the
// frame rectangle show in the margins. With transparent off, the viewport is
// first filled with the movie's background colour. Drawing happens at the
// painter's device resolution, so a high-density image gets sharp shapes.
void render(const Player& player, QPainter& painter, const QRectF& viewport, const Presentation& presentation = {});

// Frame `frame` (1 = first, reached by stepping forward from frame 1) drawn
// into a transparent ARGB image of `size` logical pixels at `dpr`.
QImage renderFrame(const MovieData& movie, int frame, QSize size, qreal dpr = 1);
QImage renderFrame(const Player& player, QSize size, qreal dpr = 1);

}  // namespace swf
