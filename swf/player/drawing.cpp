#include "swf/player/drawing.h"

#include <QPainterPathStroker>

#include <algorithm>

namespace swf {

namespace {

// A path worth drawing: more than its first move.
bool hasEdges(const QPainterPath& p) { return p.elementCount() > 1; }

}  // namespace

void Drawing::apply(const script::DrawCommand& c) {
    using Kind = script::DrawCommand::Kind;
    ++revision_;
    switch (c.kind) {
    case Kind::Clear:
        *this = Drawing{};
        ++revision_;
        return;
    case Kind::MoveTo:
        pen_ = QPointF(c.x, c.y);
        if (fillOpen_) {
            // A move inside a fill starts another outline; endFill closes that one.
            geometry_.layers.back().fills.back().path.moveTo(pen_);
            fillStart_ = pen_;
        }
        if (lineOpen_) geometry_.layers.back().strokes.back().path.moveTo(pen_);
        return;
    case Kind::LineTo: {
        QPointF to(c.x, c.y);
        edgeTo(to, nullptr);
        return;
    }
    case Kind::CurveTo: {
        QPointF to(c.x, c.y), control(c.controlX, c.controlY);
        edgeTo(to, &control);
        return;
    }
    case Kind::BeginFill:
        endFill();
        if (c.fill) beginFill(*c.fill);
        return;
    case Kind::EndFill: endFill(); return;
    case Kind::LineStyle:
        line_ = c.line;
        startLine();
        return;
    case Kind::LineGradient:
        if (!line_) return;
        line_->fill = c.fill;
        startLine();
        return;
    }
}

ShapeLayer& Drawing::layer() {
    if (geometry_.layers.empty()) geometry_.layers.emplace_back();
    return geometry_.layers.back();
}

void Drawing::beginFill(const FillStyle& style) {
    // A layer that holds no edge yet (a line style set just before) is replaced.
    if (!geometry_.layers.empty()) {
        const ShapeLayer& last = geometry_.layers.back();
        bool blank =
            std::none_of(last.fills.begin(), last.fills.end(), [](const FillPath& f) { return hasEdges(f.path); }) &&
            std::none_of(last.strokes.begin(), last.strokes.end(),
                         [](const StrokePath& s) { return hasEdges(s.path); });
        if (blank) geometry_.layers.pop_back();
    }
    geometry_.layers.emplace_back();
    FillPath fill{QPainterPath(), style};
    fill.path.moveTo(pen_);
    geometry_.layers.back().fills.push_back(std::move(fill));
    fillStart_ = pen_;
    fillOpen_ = true;
    // Lines drawn from here on lie over the new fill.
    startLine();
}

// An open fill is closed by an edge back to where it began, stroked with
// the current line style like any other edge.
void Drawing::endFill() {
    if (!fillOpen_) return;
    if (pen_ != fillStart_) edgeTo(fillStart_, nullptr);
    fillOpen_ = false;
}

void Drawing::startLine() {
    lineOpen_ = line_.has_value();
    if (!lineOpen_) return;
    StrokePath stroke{QPainterPath(), *line_};
    stroke.path.moveTo(pen_);
    layer().strokes.push_back(std::move(stroke));
}

void Drawing::edgeTo(const QPointF& to, const QPointF* control) {
    if (edges_ >= kMaxEdges) return;
    ++edges_;
    auto add = [&](QPainterPath& path) {
        if (path.currentPosition() != pen_) path.moveTo(pen_);
        if (control)
            path.quadTo(*control, to);
        else
            path.lineTo(to);
    };
    if (fillOpen_) add(geometry_.layers.back().fills.back().path);
    if (lineOpen_) add(geometry_.layers.back().strokes.back().path);
    pen_ = to;
}

QRectF Drawing::bounds() const {
    QRectF all;
    auto unite = [&](const QRectF& r) { all = all.isNull() ? r : all.united(r); };
    for (const auto& layer : geometry_.layers) {
        for (const auto& f : layer.fills)
            if (hasEdges(f.path)) unite(f.path.boundingRect());
        for (const auto& s : layer.strokes)
            if (hasEdges(s.path)) {
                double half = s.style.width / 2.0;
                unite(s.path.boundingRect().adjusted(-half, -half, half, half));
            }
    }
    return all;
}

bool Drawing::contains(const QPointF& p) const {
    for (const auto& layer : geometry_.layers) {
        for (const auto& f : layer.fills)
            if (hasEdges(f.path) && f.path.contains(p)) return true;
        for (const auto& s : layer.strokes) {
            if (!hasEdges(s.path)) continue;
            QPainterPathStroker stroker;
            stroker.setWidth(std::max<double>(s.style.width, 20));  // a hairline is still a pixel wide
            if (stroker.createStroke(s.path).contains(p)) return true;
        }
    }
    return false;
}

}  // namespace swf
