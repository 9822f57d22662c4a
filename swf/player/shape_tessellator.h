// Shape tessellation: SWF edge records turned into Qt paths, once per
// character (the render cache keeps the result for drawing, the dictionary
// for hit tests).
#pragma once

#include <QPainterPath>
#include <QTransform>
#include <vector>

#include "swf/format/types.h"

namespace swf {

// The Qt transform of an SWF matrix (16.16 scale and skew, twips translation).
QTransform toTransform(const Matrix& m);

struct FillPath {
    QPainterPath path;  // closed loops, in shape coordinates (twips)
    FillStyle style;
};

struct StrokePath {
    QPainterPath path;  // open or closed runs of edges, in twips
    LineStyle style;
};

// A style-change record with new styles starts a new layer; fills of a layer
// are drawn (in style order) before its lines, and layers in file order.
struct ShapeLayer {
    std::vector<FillPath> fills;
    std::vector<StrokePath> strokes;
};

struct ShapeGeometry {
    std::vector<ShapeLayer> layers;
    QRectF bounds;  // everything the shape paints, strokes included (twips)
};

// Builds the paths of a shape. For each fill style the edges carrying it on
// either side are collected (those carrying it as fill style 0 reversed) and
// joined end to start into closed loops. `winding` selects the non-zero fill
// rule instead of even-odd. Out-of-range style indices mean no fill/line.
ShapeGeometry tessellate(const Shape& shape, bool winding);

// Adds the `n`-th area of an outline: exact unions for the first areas, then
// (hostile shapes and sprites with thousands of parts) plain addition, which
// bounds the work. `n` counts the areas added so far.
void addToOutline(QPainterPath& outline, const QPainterPath& area, int& n);

// The union of every filled area of a tessellated shape (for masks).
QPainterPath fillOutline(const ShapeGeometry& geometry);

// The glyph's outline: the area of every fill index, as one path.
QPainterPath glyphOutline(const Shape& glyph);

}  // namespace swf
