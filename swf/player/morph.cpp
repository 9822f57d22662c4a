#include "swf/player/morph.h"

#include <array>
#include <cmath>

namespace swf {

namespace {

// Interpolation at t in [0, 1], rounded to the nearest integer.
struct Lerp {
    double t;
    std::int32_t operator()(std::int64_t a, std::int64_t b) const {
        return static_cast<std::int32_t>(std::llround(double(a) + double(b - a) * t));
    }
    std::uint8_t byte(std::uint8_t a, std::uint8_t b) const { return static_cast<std::uint8_t>((*this)(a, b)); }
    Rgba color(Rgba a, Rgba b) const { return {byte(a.r, b.r), byte(a.g, b.g), byte(a.b, b.b), byte(a.a, b.a)}; }
    Matrix matrix(const Matrix& a, const Matrix& b) const {
        Matrix m;
        m.scaleX = (*this)(a.scaleX, b.scaleX);
        m.scaleY = (*this)(a.scaleY, b.scaleY);
        m.rotateSkew0 = (*this)(a.rotateSkew0, b.rotateSkew0);
        m.rotateSkew1 = (*this)(a.rotateSkew1, b.rotateSkew1);
        m.translateX = (*this)(a.translateX, b.translateX);
        m.translateY = (*this)(a.translateY, b.translateY);
        return m;
    }
};

Lerp lerpFor(std::uint16_t ratio) { return Lerp{ratio / 65535.0}; }

}  // namespace

FillStyle morphFillAt(const MorphFillStyle& f, std::uint16_t ratio) {
    Lerp l = lerpFor(ratio);
    FillStyle out;
    out.type = f.type;
    out.color = l.color(f.startColor, f.endColor);
    out.matrix = l.matrix(f.startMatrix, f.endMatrix);
    out.bitmapId = f.bitmapId;
    out.gradient.spread = f.spread;
    out.gradient.interpolation = f.interpolation;
    out.gradient.focalPoint = static_cast<std::int16_t>(l(f.startFocal, f.endFocal));
    for (const auto& g : f.gradient)
        out.gradient.records.push_back({l.byte(g.startRatio, g.endRatio), l.color(g.startColor, g.endColor)});
    if (f.type != FillType::Solid) out.color = Rgba{};
    return out;
}

LineStyle morphLineAt(const MorphLineStyle& s, std::uint16_t ratio) {
    Lerp l = lerpFor(ratio);
    LineStyle out;
    out.width = static_cast<std::uint16_t>(l(s.startWidth, s.endWidth));
    out.color = s.fill ? Rgba{} : l.color(s.startColor, s.endColor);
    out.startCap = s.startCap;
    out.endCap = s.endCap;
    out.join = s.join;
    out.noHScale = s.noHScale;
    out.noVScale = s.noVScale;
    out.pixelHinting = s.pixelHinting;
    out.noClose = s.noClose;
    out.miterLimit = s.miterLimit;
    if (s.fill) out.fill = morphFillAt(*s.fill, ratio);
    return out;
}

Rect morphBoundsAt(const DefineMorphShape& m, std::uint16_t ratio) {
    Lerp l = lerpFor(ratio);
    return {l(m.startBounds.xmin, m.endBounds.xmin), l(m.startBounds.xmax, m.endBounds.xmax),
            l(m.startBounds.ymin, m.endBounds.ymin), l(m.startBounds.ymax, m.endBounds.ymax)};
}

Shape morphShapeAt(const DefineMorphShape& m, std::uint16_t ratio) {
    Lerp l = lerpFor(ratio);
    Shape out;
    for (const auto& f : m.fills) out.fills.push_back(morphFillAt(f, ratio));
    for (const auto& s : m.lines) out.lines.push_back(morphLineAt(s, ratio));

    // Pens in absolute twips: start outline, end outline, and the output
    // (rounded) so output deltas never drift from the interpolated points.
    std::int64_t sx = 0, sy = 0, ex = 0, ey = 0, ox = 0, oy = 0;
    std::size_t j = 0;
    const auto& E = m.endEdges;
    auto emitMove = [&](StyleChange sc) {
        sc.moveX = l(sx, ex);
        sc.moveY = l(sy, ey);
        ox = *sc.moveX;
        oy = *sc.moveY;
        out.records.emplace_back(std::move(sc));
    };
    for (const auto& rec : m.startEdges) {
        if (auto* sc = std::get_if<StyleChange>(&rec)) {
            bool moved = sc->moveX.has_value();
            if (moved) {
                sx = *sc->moveX;
                sy = sc->moveY.value_or(0);
            }
            if (j < E.size()) {
                if (auto* esc = std::get_if<StyleChange>(&E[j])) {
                    if (esc->moveX) {
                        ex = *esc->moveX;
                        ey = esc->moveY.value_or(0);
                        moved = true;
                    }
                    ++j;
                }
            }
            StyleChange copy = *sc;
            copy.newStyles = false;
            copy.fills.clear();
            copy.lines.clear();
            if (moved)
                emitMove(std::move(copy));
            else {
                copy.moveX.reset();
                copy.moveY.reset();
                out.records.emplace_back(std::move(copy));
            }
            continue;
        }
        // An edge: moves in the end outline that the start outline lacks
        // are followed, so the pair stays aligned.
        bool endMoved = false;
        while (j < E.size()) {
            auto* esc = std::get_if<StyleChange>(&E[j]);
            if (!esc) break;
            if (esc->moveX) {
                ex = *esc->moveX;
                ey = esc->moveY.value_or(0);
                endMoved = true;
            }
            ++j;
        }
        if (endMoved) emitMove(StyleChange{});

        // Control and anchor points of both edges, absolute.
        auto points = [](const ShapeRecord& r, std::int64_t x, std::int64_t y, bool& curved) {
            std::array<std::int64_t, 4> p{};
            if (auto* s = std::get_if<StraightEdge>(&r)) {
                curved = false;
                p = {x + s->dx / 2, y + s->dy / 2, x + s->dx, y + s->dy};
            } else if (auto* c = std::get_if<CurvedEdge>(&r)) {
                curved = true;
                p = {x + c->controlDx, y + c->controlDy, x + c->controlDx + c->anchorDx,
                     y + c->controlDy + c->anchorDy};
            } else {
                curved = false;
                p = {x, y, x, y};
            }
            return p;
        };
        bool sCurved = false, eCurved = false;
        auto sp = points(rec, sx, sy, sCurved);
        std::array<std::int64_t, 4> ep{ex, ey, ex, ey};
        if (j < E.size()) ep = points(E[j++], ex, ey, eCurved);
        sx = sp[2];
        sy = sp[3];
        ex = ep[2];
        ey = ep[3];
        std::int64_t ax = l(sp[2], ep[2]), ay = l(sp[3], ep[3]);
        if (!sCurved && !eCurved) {
            out.records.emplace_back(
                StraightEdge{static_cast<std::int32_t>(ax - ox), static_cast<std::int32_t>(ay - oy)});
        } else {
            std::int64_t cx = l(sp[0], ep[0]), cy = l(sp[1], ep[1]);
            out.records.emplace_back(CurvedEdge{static_cast<std::int32_t>(cx - ox), static_cast<std::int32_t>(cy - oy),
                                                static_cast<std::int32_t>(ax - cx),
                                                static_cast<std::int32_t>(ay - cy)});
        }
        ox = ax;
        oy = ay;
    }
    return out;
}

}  // namespace swf
