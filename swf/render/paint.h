// Drawing helpers for the media characters, in shape coordinates (twips):
// bitmap fills under their matrices, a morph shape's or button's solid
// geometry, and edit text with a system font.
#pragma once

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include "swf/player/edit_text.h"
#include "swf/format/types.h"

namespace swf {

// Fills `path` with a bitmap fill style. The fill's matrix maps bitmap pixels
// to twips (a scale of 20 shows one bitmap pixel per pixel at 1:1).
// Repeating fills tile the bitmap; clipped fills extend its edge pixels
// outward. Types 0x42 and 0x43 are drawn without smoothing.
void fillWithBitmap(QPainter& painter, const QPainterPath& path, const QImage& image, const FillStyle& fill);

// Draws an edit text's shown text inside its bounds: a 2-pixel gutter, the
// margins, first-line indent, leading, alignment and wrapping of its layout,
// in its colour (black when it has none), with `font` at the field's height.
// A border field gets a white background and a black frame first.
void drawEditText(QPainter& painter, const DefineEditText& field, const QFont& font);

}  // namespace swf
