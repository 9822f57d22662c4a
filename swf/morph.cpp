#include "swf/morph.h"

#include <array>
#include <cmath>

#include "swf/fields.h"

namespace swf {

namespace {

using namespace fields;

struct TooManyStyles {};
struct BadStyle { std::uint8_t type; };

MorphFillStyle readMorphFill(BitReader& r) {
    MorphFillStyle f;
    std::uint8_t type = r.u8();
    switch (type) {
    case 0x00:
        f.startColor = readRgba(r);
        f.endColor = readRgba(r);
        break;
    case 0x10: case 0x12: case 0x13: {
        f.type = static_cast<FillType>(type);
        f.startMatrix = readMatrix(r);
        f.endMatrix = readMatrix(r);
        std::uint8_t head = r.u8();
        f.spread = static_cast<SpreadMode>((head >> 6) & 3);
        f.interpolation = static_cast<InterpolationMode>((head >> 4) & 3);
        int n = head & 15;
        for (int i = 0; i < n; ++i) {
            MorphGradientRecord g;
            g.startRatio = r.u8();
            g.startColor = readRgba(r);
            g.endRatio = r.u8();
            g.endColor = readRgba(r);
            f.gradient.push_back(g);
        }
        if (type == 0x13) {
            f.startFocal = r.s16();
            f.endFocal = r.s16();
        }
        break;
    }
    case 0x40: case 0x41: case 0x42: case 0x43:
        f.type = static_cast<FillType>(type);
        f.bitmapId = r.u16();
        f.startMatrix = readMatrix(r);
        f.endMatrix = readMatrix(r);
        break;
    default:
        throw BadStyle{type};
    }
    return f;
}

void writeMorphFill(BitWriter& w, const MorphFillStyle& f) {
    w.u8(static_cast<std::uint8_t>(f.type));
    switch (f.type) {
    case FillType::Solid:
        writeRgba(w, f.startColor);
        writeRgba(w, f.endColor);
        break;
    case FillType::LinearGradient: case FillType::RadialGradient: case FillType::FocalGradient: {
        writeMatrix(w, f.startMatrix);
        writeMatrix(w, f.endMatrix);
        std::size_t n = std::min<std::size_t>(f.gradient.size(), 15);
        w.u8(static_cast<std::uint8_t>((static_cast<int>(f.spread) << 6) | (static_cast<int>(f.interpolation) << 4) | n));
        for (std::size_t i = 0; i < n; ++i) {
            w.u8(f.gradient[i].startRatio);
            writeRgba(w, f.gradient[i].startColor);
            w.u8(f.gradient[i].endRatio);
            writeRgba(w, f.gradient[i].endColor);
        }
        if (f.type == FillType::FocalGradient) {
            w.s16(f.startFocal);
            w.s16(f.endFocal);
        }
        break;
    }
    default:
        w.u16(f.bitmapId);
        writeMatrix(w, f.startMatrix);
        writeMatrix(w, f.endMatrix);
    }
}

std::size_t readCount(BitReader& r, std::size_t maxStyles) {
    std::size_t n = r.u8();
    if (n == 0xFF) n = r.u16();
    if (n > r.remaining()) throw detail::OutOfData();  // every style takes more than a byte
    if (n > maxStyles) throw TooManyStyles{};
    return n;
}
void writeCount(BitWriter& w, std::size_t n) {
    if (n >= 0xFF) { w.u8(0xFF); w.u16(static_cast<std::uint16_t>(std::min<std::size_t>(n, 0xFFFF))); }
    else w.u8(static_cast<std::uint8_t>(n));
}

MorphLineStyle readMorphLine(BitReader& r, int version) {
    MorphLineStyle l;
    l.startWidth = r.u16();
    l.endWidth = r.u16();
    if (version == 1) {
        l.startColor = readRgba(r);
        l.endColor = readRgba(r);
        return l;
    }
    if (readLineStyle2Flags(r, l)) l.fill = readMorphFill(r);
    else { l.startColor = readRgba(r); l.endColor = readRgba(r); }
    return l;
}

void writeMorphLine(BitWriter& w, const MorphLineStyle& l, int version) {
    w.u16(l.startWidth);
    w.u16(l.endWidth);
    if (version == 1) {
        writeRgba(w, l.startColor);
        writeRgba(w, l.endColor);
        return;
    }
    writeLineStyle2Flags(w, l, l.fill.has_value());
    if (l.fill) writeMorphFill(w, *l.fill);
    else { writeRgba(w, l.startColor); writeRgba(w, l.endColor); }
}

std::uint32_t maxIndex(const std::vector<ShapeRecord>& recs, bool fill) {
    std::uint32_t m = 0;
    for (const auto& rec : recs)
        if (auto* sc = std::get_if<StyleChange>(&rec)) {
            if (fill) m = std::max({m, sc->fill0.value_or(0), sc->fill1.value_or(0)});
            else m = std::max(m, sc->line.value_or(0));
        }
    return m;
}

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

Decoded<DefineMorphShape> parseDefineMorphShape(std::uint8_t version, std::span<const std::uint8_t> body,
                                                const MorphLimits& limits) {
    using R = Decoded<DefineMorphShape>;
    if (version != 1 && version != 2) return R::fail(MediaErrorCode::Malformed, "bad morph shape version");
    try {
        BitReader r(body);
        DefineMorphShape m;
        m.version = version;
        m.id = r.u16();
        m.startBounds = readRect(r);
        m.endBounds = readRect(r);
        if (version == 2) {
            m.startEdgeBounds = readRect(r);
            m.endEdgeBounds = readRect(r);
            std::uint8_t flags = r.u8();
            m.usesNonScalingStrokes = flags & 2;
            m.usesScalingStrokes = flags & 1;
        }
        std::uint32_t offset = r.u32();
        std::size_t endAt = r.position() + offset;
        if (offset > r.remaining()) return R::fail(MediaErrorCode::Truncated, "end edges offset past the end of the tag");
        std::size_t nf = readCount(r, limits.maxStyles);
        for (std::size_t i = 0; i < nf; ++i) m.fills.push_back(readMorphFill(r));
        std::size_t nl = readCount(r, limits.maxStyles);
        for (std::size_t i = 0; i < nl; ++i) m.lines.push_back(readMorphLine(r, version));
        m.startEdges = readPlainRecords(r, limits.maxRecords);
        // The end edges are found through the offset; an offset of 0 (written
        // by some tools) means they follow the start edges.
        std::size_t endPos = offset == 0 ? r.position() : endAt;
        if (endPos < r.position()) return R::fail(MediaErrorCode::Malformed, "end edges overlap the start edges");
        BitReader e(body.subspan(endPos));
        m.endEdges = readPlainRecords(e, limits.maxRecords);
        return R::of(std::move(m));
    } catch (const detail::OutOfData&) {
        return R::fail(MediaErrorCode::Truncated, "morph shape ends early");
    } catch (const BadStyle& b) {
        return R::fail(MediaErrorCode::Malformed, "unknown morph fill type " + std::to_string(b.type));
    } catch (const TooManyStyles&) {
        return R::fail(MediaErrorCode::TooLarge, "too many morph styles");
    } catch (const RecordsTooMany&) {
        return R::fail(MediaErrorCode::TooLarge, "too many morph edge records");
    } catch (const RecordsMalformed&) {
        return R::fail(MediaErrorCode::Malformed, "new styles inside a morph shape");
    }
}

Bytes encodeDefineMorphShape(const DefineMorphShape& m) {
    BitWriter w;
    w.u16(m.id);
    writeRect(w, m.startBounds);
    writeRect(w, m.endBounds);
    if (m.version == 2) {
        writeRect(w, m.startEdgeBounds);
        writeRect(w, m.endEdgeBounds);
        w.u8(static_cast<std::uint8_t>((m.usesNonScalingStrokes ? 2 : 0) | (m.usesScalingStrokes ? 1 : 0)));
    }
    BitWriter rest;
    writeCount(rest, m.fills.size());
    for (const auto& f : m.fills) writeMorphFill(rest, f);
    writeCount(rest, m.lines.size());
    for (const auto& l : m.lines) writeMorphLine(rest, l, m.version);
    int fillBits = bitsFor(std::max<std::uint32_t>(static_cast<std::uint32_t>(m.fills.size()), maxIndex(m.startEdges, true)));
    int lineBits = bitsFor(std::max<std::uint32_t>(static_cast<std::uint32_t>(m.lines.size()), maxIndex(m.startEdges, false)));
    writePlainRecords(rest, m.startEdges, fillBits, lineBits);
    Bytes& restBytes = rest.bytes();
    w.u32(static_cast<std::uint32_t>(restBytes.size()));
    w.raw(restBytes);
    BitWriter end;
    writePlainRecords(end, m.endEdges, 0, 0);
    w.raw(end.bytes());
    return w.bytes();
}

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
    for (const auto& g : f.gradient) out.gradient.records.push_back({l.byte(g.startRatio, g.endRatio), l.color(g.startColor, g.endColor)});
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
            if (moved) { sx = *sc->moveX; sy = sc->moveY.value_or(0); }
            if (j < E.size()) {
                if (auto* esc = std::get_if<StyleChange>(&E[j])) {
                    if (esc->moveX) { ex = *esc->moveX; ey = esc->moveY.value_or(0); moved = true; }
                    ++j;
                }
            }
            StyleChange copy = *sc;
            copy.newStyles = false;
            copy.fills.clear();
            copy.lines.clear();
            if (moved) emitMove(std::move(copy));
            else { copy.moveX.reset(); copy.moveY.reset(); out.records.emplace_back(std::move(copy)); }
            continue;
        }
        // An edge: moves in the end outline that the start outline lacks
        // are followed, so the pair stays aligned.
        bool endMoved = false;
        while (j < E.size()) {
            auto* esc = std::get_if<StyleChange>(&E[j]);
            if (!esc) break;
            if (esc->moveX) { ex = *esc->moveX; ey = esc->moveY.value_or(0); endMoved = true; }
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
                p = {x + c->controlDx, y + c->controlDy, x + c->controlDx + c->anchorDx, y + c->controlDy + c->anchorDy};
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
        sx = sp[2]; sy = sp[3];
        ex = ep[2]; ey = ep[3];
        std::int64_t ax = l(sp[2], ep[2]), ay = l(sp[3], ep[3]);
        if (!sCurved && !eCurved) {
            out.records.emplace_back(StraightEdge{static_cast<std::int32_t>(ax - ox), static_cast<std::int32_t>(ay - oy)});
        } else {
            std::int64_t cx = l(sp[0], ep[0]), cy = l(sp[1], ep[1]);
            out.records.emplace_back(CurvedEdge{static_cast<std::int32_t>(cx - ox), static_cast<std::int32_t>(cy - oy),
                                                static_cast<std::int32_t>(ax - cx), static_cast<std::int32_t>(ay - cy)});
        }
        ox = ax;
        oy = ay;
    }
    return out;
}

}  // namespace swf
