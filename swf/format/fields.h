// Internal: the SWF field encodings the media tags share (rectangles,
// matrices, colour transforms, colours, shape edge records), over the bit
// reader and writer of the engine. Encodings are the smallest ones, as the
// engine's writer chooses them.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "swf/format/bitio.h"
#include "swf/format/types.h"

namespace swf::fields {

using detail::BitReader;
using detail::BitWriter;
using detail::signedBits;

// The three families of fill style; within one the fields that follow the
// type byte are laid out alike, in shapes and in morph shapes.
enum class FillFamily { Solid, Gradient, Bitmap, Unknown };
inline FillFamily fillFamily(std::uint8_t type) {
    switch (type) {
    case 0x00: return FillFamily::Solid;
    case 0x10:
    case 0x12:
    case 0x13: return FillFamily::Gradient;
    case 0x40:
    case 0x41:
    case 0x42:
    case 0x43: return FillFamily::Bitmap;
    default: return FillFamily::Unknown;
    }
}
inline FillFamily fillFamily(FillType type) { return fillFamily(static_cast<std::uint8_t>(type)); }

inline std::int32_t clampBits(std::int64_t v, int bits) {
    std::int64_t lim = (std::int64_t(1) << (bits - 1)) - 1;
    return static_cast<std::int32_t>(std::clamp(v, -lim - 1, lim));
}

inline Rect readRect(BitReader& r) {
    r.align();
    int n = static_cast<int>(r.ub(5));
    Rect rc;
    rc.xmin = r.sb(n);
    rc.xmax = r.sb(n);
    rc.ymin = r.sb(n);
    rc.ymax = r.sb(n);
    r.align();
    return rc;
}
inline void writeRect(BitWriter& w, const Rect& rc) {
    w.flush();
    std::int32_t v[4] = {clampBits(rc.xmin, 31), clampBits(rc.xmax, 31), clampBits(rc.ymin, 31),
                         clampBits(rc.ymax, 31)};
    int n = 0;
    for (auto x : v) n = std::max(n, signedBits(x));
    w.ub(n, 5);
    for (auto x : v) w.sb(x, n);
    w.flush();
}

inline Matrix readMatrix(BitReader& r) {
    r.align();
    Matrix m;
    if (r.flag()) {
        int n = static_cast<int>(r.ub(5));
        m.scaleX = r.sb(n);
        m.scaleY = r.sb(n);
    }
    if (r.flag()) {
        int n = static_cast<int>(r.ub(5));
        m.rotateSkew0 = r.sb(n);
        m.rotateSkew1 = r.sb(n);
    }
    int n = static_cast<int>(r.ub(5));
    m.translateX = r.sb(n);
    m.translateY = r.sb(n);
    r.align();
    return m;
}
inline void writePair(BitWriter& w, std::int32_t a0, std::int32_t b0) {
    auto a = clampBits(a0, 31), b = clampBits(b0, 31);
    int n = std::max(signedBits(a), signedBits(b));
    w.ub(n, 5);
    w.sb(a, n);
    w.sb(b, n);
}
inline void writeMatrix(BitWriter& w, const Matrix& m) {
    w.flush();
    bool hasScale = m.scaleX != 0x10000 || m.scaleY != 0x10000;
    w.flag(hasScale);
    if (hasScale) writePair(w, m.scaleX, m.scaleY);
    bool hasRotate = m.rotateSkew0 != 0 || m.rotateSkew1 != 0;
    w.flag(hasRotate);
    if (hasRotate) writePair(w, m.rotateSkew0, m.rotateSkew1);
    writePair(w, m.translateX, m.translateY);
    w.flush();
}

inline ColorTransform readCxform(BitReader& r, bool alpha) {
    r.align();
    ColorTransform c;
    bool hasAdd = r.flag(), hasMult = r.flag();
    int n = static_cast<int>(r.ub(4));
    auto v = [&] { return static_cast<std::int16_t>(r.sb(n)); };
    if (hasMult) {
        c.multR = v();
        c.multG = v();
        c.multB = v();
        if (alpha) c.multA = v();
    }
    if (hasAdd) {
        c.addR = v();
        c.addG = v();
        c.addB = v();
        if (alpha) c.addA = v();
    }
    r.align();
    return c;
}
inline void writeCxform(BitWriter& w, const ColorTransform& c, bool alpha) {
    w.flush();
    std::int32_t mult[4] = {c.multR, c.multG, c.multB, c.multA};
    std::int32_t add[4] = {c.addR, c.addG, c.addB, c.addA};
    int count = alpha ? 4 : 3;
    bool hasMult = false, hasAdd = false;
    int n = 0;
    for (int i = 0; i < count; ++i) {
        mult[i] = clampBits(mult[i], 15);
        add[i] = clampBits(add[i], 15);
        hasMult |= mult[i] != 256;
        hasAdd |= add[i] != 0;
    }
    for (int i = 0; i < count; ++i) {
        if (hasMult) n = std::max(n, signedBits(mult[i]));
        if (hasAdd) n = std::max(n, signedBits(add[i]));
    }
    w.flag(hasAdd);
    w.flag(hasMult);
    w.ub(n, 4);
    if (hasMult)
        for (int i = 0; i < count; ++i) w.sb(mult[i], n);
    if (hasAdd)
        for (int i = 0; i < count; ++i) w.sb(add[i], n);
    w.flush();
}

inline Rgba readRgba(BitReader& r) {
    Rgba c;
    c.r = r.u8();
    c.g = r.u8();
    c.b = r.u8();
    c.a = r.u8();
    return c;
}
inline Rgba readRgb(BitReader& r) {
    Rgba c;
    c.r = r.u8();
    c.g = r.u8();
    c.b = r.u8();
    return c;
}
inline void writeRgba(BitWriter& w, Rgba c) {
    w.u8(c.r);
    w.u8(c.g);
    w.u8(c.b);
    w.u8(c.a);
}
inline void writeRgb(BitWriter& w, Rgba c) {
    w.u8(c.r);
    w.u8(c.g);
    w.u8(c.b);
}

// The flag bytes of a LineStyle2 (shape 4) or MorphLineStyle2, and the miter
// limit that follows them: the same layout for both style types. Returns
// whether a fill style follows instead of a colour.
template <class Line>
bool readLineStyle2Flags(BitReader& r, Line& l) {
    l.startCap = static_cast<CapStyle>(r.ub(2));
    l.join = static_cast<JoinStyle>(r.ub(2));
    bool hasFill = r.flag();
    l.noHScale = r.flag();
    l.noVScale = r.flag();
    l.pixelHinting = r.flag();
    r.ub(5);
    l.noClose = r.flag();
    l.endCap = static_cast<CapStyle>(r.ub(2));
    if (l.join == JoinStyle::Miter) l.miterLimit = r.u16();
    return hasFill;
}
template <class Line>
void writeLineStyle2Flags(BitWriter& w, const Line& l, bool hasFill) {
    w.ub(static_cast<std::uint32_t>(l.startCap) & 3, 2);
    w.ub(static_cast<std::uint32_t>(l.join) & 3, 2);
    w.flag(hasFill);
    w.flag(l.noHScale);
    w.flag(l.noVScale);
    w.flag(l.pixelHinting);
    w.ub(0, 5);
    w.flag(l.noClose);
    w.ub(static_cast<std::uint32_t>(l.endCap) & 3, 2);
    if (l.join == JoinStyle::Miter) w.u16(l.miterLimit);
}

// An edge record's body, once its leading "edge" flag has been read.
inline ShapeRecord readEdge(BitReader& r) {
    bool straight = r.flag();
    int n = static_cast<int>(r.ub(4)) + 2;
    if (straight) {
        StraightEdge e;
        if (r.flag()) {
            e.dx = r.sb(n);
            e.dy = r.sb(n);
        } else if (r.flag()) {
            e.dy = r.sb(n);
        } else {
            e.dx = r.sb(n);
        }
        return e;
    }
    CurvedEdge c;
    c.controlDx = r.sb(n);
    c.controlDy = r.sb(n);
    c.anchorDx = r.sb(n);
    c.anchorDy = r.sb(n);
    return c;
}

// A style-change record's move and style selections, after its five flags
// (new style arrays, flag 16, are the caller's).
inline StyleChange readStyleChange(BitReader& r, std::uint32_t flags, int fillBits, int lineBits) {
    StyleChange sc;
    if (flags & 1) {
        int n = static_cast<int>(r.ub(5));
        sc.moveX = r.sb(n);
        sc.moveY = r.sb(n);
    }
    if (flags & 2) sc.fill0 = r.ub(fillBits);
    if (flags & 4) sc.fill1 = r.ub(fillBits);
    if (flags & 8) sc.line = r.ub(lineBits);
    return sc;
}

// Edge and style-selection records up to the end record, without new style
// arrays (morph shapes and button shapes never carry them: such a record is
// refused). `maxRecords` bounds the work.
inline std::vector<ShapeRecord> readPlainRecords(BitReader& r, std::size_t maxRecords) {
    r.align();
    int fillBits = static_cast<int>(r.ub(4));
    int lineBits = static_cast<int>(r.ub(4));
    std::vector<ShapeRecord> out;
    while (true) {
        if (out.size() >= maxRecords) detail::raise(ErrorCode::TooLarge, "too many edge records");
        if (r.flag()) {
            out.push_back(readEdge(r));
            continue;
        }
        std::uint32_t flags = r.ub(5);
        if (flags == 0) break;
        if (flags & 16) detail::raise(ErrorCode::Malformed, "new styles inside plain edge records");
        out.emplace_back(readStyleChange(r, flags, fillBits, lineBits));
    }
    r.align();
    return out;
}

inline int bitsFor(std::uint32_t maxIndex) { return detail::unsignedBits(maxIndex); }

// Writes records with the given index widths (chosen by the caller from its
// style counts). Deltas beyond 17 bits are clamped.
inline void writePlainRecords(BitWriter& w, const std::vector<ShapeRecord>& recs, int fillBits, int lineBits) {
    w.flush();
    w.ub(fillBits, 4);
    w.ub(lineBits, 4);
    for (const auto& rec : recs) {
        if (auto* sc = std::get_if<StyleChange>(&rec)) {
            bool move = sc->moveX.has_value();
            w.flag(false);
            w.flag(false);  // no new styles
            w.flag(sc->line.has_value());
            w.flag(sc->fill1.has_value());
            w.flag(sc->fill0.has_value());
            w.flag(move);
            if (move) writePair(w, sc->moveX.value_or(0), sc->moveY.value_or(0));
            if (sc->fill0) w.ub(*sc->fill0, fillBits);
            if (sc->fill1) w.ub(*sc->fill1, fillBits);
            if (sc->line) w.ub(*sc->line, lineBits);
        } else if (auto* e = std::get_if<StraightEdge>(&rec)) {
            auto dx = clampBits(e->dx, 17), dy = clampBits(e->dy, 17);
            int n = std::max({2, signedBits(dx), signedBits(dy)});
            w.flag(true);
            w.flag(true);
            w.ub(n - 2, 4);
            if (dx != 0 && dy != 0) {
                w.flag(true);
                w.sb(dx, n);
                w.sb(dy, n);
            } else if (dx == 0) {
                w.flag(false);
                w.flag(true);
                w.sb(dy, n);
            } else {
                w.flag(false);
                w.flag(false);
                w.sb(dx, n);
            }
        } else {
            const auto& c = std::get<CurvedEdge>(rec);
            std::int32_t v[4] = {clampBits(c.controlDx, 17), clampBits(c.controlDy, 17), clampBits(c.anchorDx, 17),
                                 clampBits(c.anchorDy, 17)};
            int n = 2;
            for (auto x : v) n = std::max(n, signedBits(x));
            w.flag(true);
            w.flag(false);
            w.ub(n - 2, 4);
            for (auto x : v) w.sb(x, n);
        }
    }
    w.ub(0, 6);  // end record
    w.flush();
}

}  // namespace swf::fields
