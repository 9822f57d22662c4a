// What a clip's scripts drew with the drawing methods (beginFill, lineTo...):
// the commands turned into the same layers of fills and lines a shape
// tessellates to, shown under the clip's children.
//
// Each fill begins a new layer, so a layer's lines cover its fill and what
// comes later covers what came before: a line drawn before a fill lies
// under it, one drawn after it lies over it.
#pragma once

#include <QPainterPath>
#include <QPointF>

#include <cstddef>
#include <cstdint>
#include <optional>

#include "swf/player/shape_tessellator.h"
#include "swf/script/drawing.h"

namespace swf {

class Drawing {
public:
    // Commands past this many edges are dropped, so a script drawing in a
    // loop cannot take unbounded memory.
    static constexpr std::size_t kMaxEdges = 200000;

    void apply(const script::DrawCommand& command);

    bool empty() const { return geometry_.layers.empty(); }
    // The fills and lines, in twips of the clip's own coordinates.
    const ShapeGeometry& geometry() const { return geometry_; }
    // Changes with every command that changes the picture (for caches).
    std::uint64_t revision() const { return revision_; }
    // What it covers, lines included (half their width each side); empty when nothing is drawn.
    QRectF bounds() const;
    // Whether a point (twips) is inside a fill or on a line.
    bool contains(const QPointF& p) const;

private:
    ShapeLayer& layer();
    void beginFill(const FillStyle& style);
    void endFill();
    void startLine();
    void edgeTo(const QPointF& to, const QPointF* control);

    ShapeGeometry geometry_;
    QPointF pen_;
    std::optional<LineStyle> line_;
    bool fillOpen_ = false, lineOpen_ = false;
    QPointF fillStart_;
    std::size_t edges_ = 0;
    std::uint64_t revision_ = 0;
};

}  // namespace swf
