#include "swf/player/shape_tessellator.h"

#include <algorithm>
#include <unordered_map>

namespace swf {

QTransform toTransform(const Matrix& m) {
    return QTransform(m.scaleX / 65536.0, m.rotateSkew0 / 65536.0, m.rotateSkew1 / 65536.0, m.scaleY / 65536.0,
                      m.translateX, m.translateY);
}

namespace {

// 64-bit so that long runs of edges in hostile shapes cannot overflow.
struct Point {
    std::int64_t x = 0, y = 0;
    bool operator==(const Point&) const = default;
};

struct PointHash {
    std::size_t operator()(const Point& p) const { return std::hash<std::int64_t>()(p.x * 1000003 + p.y); }
};

struct Edge {
    Point from, to;
    bool curved = false;
    Point control;
    Edge reversed() const { return Edge{to, from, curved, control}; }
};

// The edge a straight or curved edge record draws from the pen position.
Edge edgeFrom(Point pen, const ShapeRecord& rec) {
    Edge e;
    e.from = pen;
    e.to = pen;
    if (auto* se = std::get_if<StraightEdge>(&rec)) {
        e.to = Point{pen.x + se->dx, pen.y + se->dy};
    } else if (auto* ce = std::get_if<CurvedEdge>(&rec)) {
        e.curved = true;
        e.control = Point{pen.x + ce->controlDx, pen.y + ce->controlDy};
        e.to = Point{e.control.x + ce->anchorDx, e.control.y + ce->anchorDy};
    }
    return e;
}

void addEdge(QPainterPath& path, const Edge& e) {
    if (e.curved)
        path.quadTo(e.control.x, e.control.y, e.to.x, e.to.y);
    else
        path.lineTo(e.to.x, e.to.y);
}

// Joins edges end to start into closed loops; edges that cannot be joined
// still close their own run, so nothing is lost.
QPainterPath joinLoops(const std::vector<Edge>& edges, bool winding) {
    QPainterPath path;
    path.setFillRule(winding ? Qt::WindingFill : Qt::OddEvenFill);
    std::unordered_multimap<Point, std::size_t, PointHash> byStart;
    byStart.reserve(edges.size());
    for (std::size_t i = 0; i < edges.size(); ++i) byStart.emplace(edges[i].from, i);
    std::vector<bool> used(edges.size(), false);
    auto take = [&](Point p) -> std::ptrdiff_t {
        auto range = byStart.equal_range(p);
        for (auto it = range.first; it != range.second; ++it) {
            if (!used[it->second]) {
                std::size_t i = it->second;
                byStart.erase(it);
                return static_cast<std::ptrdiff_t>(i);
            }
        }
        return -1;
    };
    for (std::size_t i = 0; i < edges.size(); ++i) {
        if (used[i]) continue;
        // Remove i from the start map.
        auto range = byStart.equal_range(edges[i].from);
        for (auto it = range.first; it != range.second; ++it)
            if (it->second == i) {
                byStart.erase(it);
                break;
            }
        used[i] = true;
        Point start = edges[i].from;
        path.moveTo(start.x, start.y);
        addEdge(path, edges[i]);
        Point end = edges[i].to;
        while (!(end == start)) {
            std::ptrdiff_t next = take(end);
            if (next < 0) break;
            used[next] = true;
            addEdge(path, edges[next]);
            end = edges[next].to;
        }
        path.closeSubpath();
    }
    return path;
}

struct LayerBuilder {
    std::vector<FillStyle> fills;
    std::vector<LineStyle> lines;
    std::vector<std::vector<Edge>> fillEdges;  // by fill style index - 1
    std::vector<QPainterPath> linePaths;       // by line style index - 1
    std::vector<Point> lineEnds;               // where each line path's pen is
    std::vector<Point> lineStarts;             // where its current run began
    std::vector<bool> lineStarted;

    // A run that ends where it began is closed (joined, not capped) unless
    // the style asks for open ends.
    void closeIfLoop(std::size_t li) {
        if (lineStarted[li] && lineEnds[li] == lineStarts[li] && !lines[li].noClose) linePaths[li].closeSubpath();
    }

    void reset(const std::vector<FillStyle>& f, const std::vector<LineStyle>& l) {
        fills = f;
        lines = l;
        fillEdges.assign(f.size(), {});
        linePaths.assign(l.size(), QPainterPath());
        lineEnds.assign(l.size(), Point{});
        lineStarts.assign(l.size(), Point{});
        lineStarted.assign(l.size(), false);
    }

    void finish(ShapeGeometry& g, bool winding) {
        ShapeLayer layer;
        for (std::size_t i = 0; i < fills.size(); ++i) {
            if (fillEdges[i].empty()) continue;
            QPainterPath p = joinLoops(fillEdges[i], winding);
            layer.fills.push_back(FillPath{std::move(p), fills[i]});
        }
        for (std::size_t i = 0; i < lines.size(); ++i) {
            closeIfLoop(i);
            if (linePaths[i].isEmpty()) continue;
            layer.strokes.push_back(StrokePath{std::move(linePaths[i]), lines[i]});
        }
        if (!layer.fills.empty() || !layer.strokes.empty()) g.layers.push_back(std::move(layer));
    }
};

}  // namespace

ShapeGeometry tessellate(const Shape& shape, bool winding) {
    ShapeGeometry g;
    LayerBuilder b;
    b.reset(shape.fills, shape.lines);
    std::uint32_t fill0 = 0, fill1 = 0, line = 0;
    Point pen;
    for (const auto& rec : shape.records) {
        if (auto* sc = std::get_if<StyleChange>(&rec)) {
            if (sc->newStyles) {
                b.finish(g, winding);
                b.reset(sc->fills, sc->lines);
                fill0 = fill1 = line = 0;
            }
            if (sc->moveX) pen = Point{*sc->moveX, sc->moveY.value_or(0)};
            if (sc->fill0) fill0 = *sc->fill0;
            if (sc->fill1) fill1 = *sc->fill1;
            if (sc->line) line = *sc->line;
            continue;
        }
        const Edge e = edgeFrom(pen, rec);
        pen = e.to;
        // Fill style 1 is on the right of the edge's direction; fill style 0
        // on the left, so its edges run reversed around that area.
        // An edge with the same style on both sides lies inside that fill.
        if (fill0 != fill1) {
            if (fill1 >= 1 && fill1 <= b.fillEdges.size()) b.fillEdges[fill1 - 1].push_back(e);
            if (fill0 >= 1 && fill0 <= b.fillEdges.size()) b.fillEdges[fill0 - 1].push_back(e.reversed());
        }
        if (line >= 1 && line <= b.linePaths.size()) {
            std::size_t li = line - 1;
            if (!b.lineStarted[li] || !(b.lineEnds[li] == e.from)) {
                b.closeIfLoop(li);
                b.linePaths[li].moveTo(e.from.x, e.from.y);
                b.lineStarts[li] = e.from;
                b.lineStarted[li] = true;
            }
            addEdge(b.linePaths[li], e);
            b.lineEnds[li] = e.to;
        }
    }
    b.finish(g, winding);
    for (const auto& layer : g.layers) {
        for (const auto& f : layer.fills) g.bounds |= f.path.boundingRect();
        for (const auto& st : layer.strokes) {
            // Half the width covers caps and round joins; miter joins reach further.
            double reach =
                st.style.width * (st.style.join == JoinStyle::Miter ? std::max(1.0, st.style.miterLimit / 256.0) : 1.0);
            g.bounds |= st.path.boundingRect().adjusted(-reach, -reach, reach, reach);
        }
    }
    return g;
}

void addToOutline(QPainterPath& outline, const QPainterPath& area, int& n) {
    constexpr int kMaxUnions = 32;
    if (n == 0)
        outline = area;
    else if (n < kMaxUnions)
        outline = outline.united(area);
    else
        outline.addPath(area);
    ++n;
}

QPainterPath fillOutline(const ShapeGeometry& geometry) {
    QPainterPath out;
    int n = 0;
    for (const auto& layer : geometry.layers)
        for (const auto& f : layer.fills) addToOutline(out, f.path, n);
    return out;
}

QPainterPath glyphOutline(const Shape& glyph) {
    std::vector<Edge> edges;
    std::uint32_t fill0 = 0, fill1 = 0;
    Point pen;
    for (const auto& rec : glyph.records) {
        if (auto* sc = std::get_if<StyleChange>(&rec)) {
            if (sc->moveX) pen = Point{*sc->moveX, sc->moveY.value_or(0)};
            if (sc->fill0) fill0 = *sc->fill0;
            if (sc->fill1) fill1 = *sc->fill1;
            continue;
        }
        const Edge e = edgeFrom(pen, rec);
        pen = e.to;
        if (fill1 != 0 && fill0 == 0)
            edges.push_back(e);
        else if (fill0 != 0 && fill1 == 0)
            edges.push_back(e.reversed());
        else if (fill0 != 0)
            edges.push_back(e);
    }
    return joinLoops(edges, false);
}

}  // namespace swf
