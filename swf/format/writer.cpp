#include "swf/format/writer.h"

#include <zlib.h>

#include <algorithm>
#include <limits>

#include "swf/format/bitio.h"
#include "swf/format/bitmap_tags.h"
#include "swf/format/button_tags.h"
#include "swf/format/codes.h"
#include "swf/format/edit_text_tags.h"
#include "swf/format/fields.h"
#include "swf/format/morph_tags.h"
#include "swf/format/sound_tags.h"

namespace swf {

using detail::BitWriter;
using detail::signedBits;
using detail::unsignedBits;

namespace {

using fields::clampBits;
using fields::writeCxform;
using fields::writeMatrix;
using fields::writeRect;

void writeColor(BitWriter& w, const Rgba& c, bool alpha) {
    w.u8(c.r);
    w.u8(c.g);
    w.u8(c.b);
    if (alpha) w.u8(c.a);
}

void writeGradient(BitWriter& w, const Gradient& g, int v, bool focal) {
    w.flush();
    std::size_t n = std::min<std::size_t>(g.records.size(), 15);
    w.ub(static_cast<std::uint32_t>(g.spread) & 3, 2);
    w.ub(static_cast<std::uint32_t>(g.interpolation) & 3, 2);
    w.ub(static_cast<std::uint32_t>(n), 4);
    for (std::size_t i = 0; i < n; ++i) {
        w.u8(g.records[i].ratio);
        writeColor(w, g.records[i].color, v >= 3);
    }
    if (focal) w.s16(g.focalPoint);
}

void writeFill(BitWriter& w, const FillStyle& f, int v) {
    w.u8(static_cast<std::uint8_t>(f.type));
    switch (f.type) {
    case FillType::Solid: writeColor(w, f.color, v >= 3); break;
    case FillType::LinearGradient:
    case FillType::RadialGradient:
    case FillType::FocalGradient:
        writeMatrix(w, f.matrix);
        writeGradient(w, f.gradient, v, f.type == FillType::FocalGradient);
        break;
    default:
        w.u16(f.bitmapId);
        writeMatrix(w, f.matrix);
        break;
    }
}

void writeCount(BitWriter& w, std::size_t n, bool extended) {
    if (extended && n >= 0xFF) {
        w.u8(0xFF);
        w.u16(static_cast<std::uint16_t>(std::min<std::size_t>(n, 0xFFFF)));
    } else {
        w.u8(static_cast<std::uint8_t>(std::min<std::size_t>(n, 0xFF)));
    }
}

std::size_t writtenCount(std::size_t n, bool extended) {
    return extended ? std::min<std::size_t>(n, 0xFFFF) : std::min<std::size_t>(n, 0xFF);
}

void writeFills(BitWriter& w, const std::vector<FillStyle>& fills, int v) {
    bool ext = v >= 2;
    writeCount(w, fills.size(), ext);
    for (std::size_t i = 0; i < writtenCount(fills.size(), ext); ++i) writeFill(w, fills[i], v);
}

void writeLine(BitWriter& w, const LineStyle& l, int v) {
    w.u16(l.width);
    if (v < 4) {
        writeColor(w, l.color, v >= 3);
        return;
    }
    fields::writeLineStyle2Flags(w, l, l.fill.has_value());
    if (l.fill)
        writeFill(w, *l.fill, v);
    else
        writeColor(w, l.color, true);
}

void writeLines(BitWriter& w, const std::vector<LineStyle>& lines, int v) {
    writeCount(w, lines.size(), true);
    for (std::size_t i = 0; i < writtenCount(lines.size(), true); ++i) writeLine(w, lines[i], v);
}

void writeStraight(BitWriter& w, std::int64_t dx, std::int64_t dy) {
    const std::int64_t lim = (1 << 16) - 1;  // 17-bit signed fields
    if (dx > lim || dx < -lim || dy > lim || dy < -lim) {
        writeStraight(w, dx / 2, dy / 2);
        writeStraight(w, dx - dx / 2, dy - dy / 2);
        return;
    }
    w.ub(1, 1);  // edge
    w.ub(1, 1);  // straight
    if (dx != 0 && dy != 0) {
        int n = std::max({2, signedBits(dx), signedBits(dy)});
        w.ub(n - 2, 4);
        w.flag(true);
        w.sb(static_cast<std::int32_t>(dx), n);
        w.sb(static_cast<std::int32_t>(dy), n);
    } else if (dx == 0 && dy != 0) {
        int n = std::max(2, signedBits(dy));
        w.ub(n - 2, 4);
        w.flag(false);
        w.flag(true);
        w.sb(static_cast<std::int32_t>(dy), n);
    } else {
        int n = std::max(2, signedBits(dx));
        w.ub(n - 2, 4);
        w.flag(false);
        w.flag(false);
        w.sb(static_cast<std::int32_t>(dx), n);
    }
}

void writeCurve(BitWriter& w, std::int64_t cx, std::int64_t cy, std::int64_t ax, std::int64_t ay) {
    const std::int64_t lim = (1 << 16) - 1;
    auto big = [&](std::int64_t v) { return v > lim || v < -lim; };
    if (big(cx) || big(cy) || big(ax) || big(ay)) {
        // Split at the middle (de Casteljau), keeping the end point exact.
        std::int64_t p1x = cx, p1y = cy, p2x = cx + ax, p2y = cy + ay;
        std::int64_t m01x = p1x / 2, m01y = p1y / 2;
        std::int64_t m12x = (p1x + p2x) / 2, m12y = (p1y + p2y) / 2;
        std::int64_t midx = (m01x + m12x) / 2, midy = (m01y + m12y) / 2;
        writeCurve(w, m01x, m01y, midx - m01x, midy - m01y);
        writeCurve(w, m12x - midx, m12y - midy, p2x - m12x, p2y - m12y);
        return;
    }
    int n = std::max({2, signedBits(cx), signedBits(cy), signedBits(ax), signedBits(ay)});
    w.ub(1, 1);
    w.ub(0, 1);
    w.ub(n - 2, 4);
    w.sb(static_cast<std::int32_t>(cx), n);
    w.sb(static_cast<std::int32_t>(cy), n);
    w.sb(static_cast<std::int32_t>(ax), n);
    w.sb(static_cast<std::int32_t>(ay), n);
}

// Bits for the style indices of the records from `from` up to the next record
// with new styles: enough for the style count and for every index used.
void segmentBits(const std::vector<ShapeRecord>& recs, std::size_t from, std::size_t fills, std::size_t lines,
                 int& fillBits, int& lineBits) {
    std::uint32_t maxFill = static_cast<std::uint32_t>(fills), maxLine = static_cast<std::uint32_t>(lines);
    for (std::size_t i = from; i < recs.size(); ++i) {
        auto* sc = std::get_if<StyleChange>(&recs[i]);
        if (!sc) continue;
        if (sc->newStyles && i != from) break;
        if (sc->fill0) maxFill = std::max(maxFill, *sc->fill0);
        if (sc->fill1) maxFill = std::max(maxFill, *sc->fill1);
        if (sc->line) maxLine = std::max(maxLine, *sc->line);
    }
    fillBits = std::min(15, unsignedBits(maxFill));
    lineBits = std::min(15, unsignedBits(maxLine));
}

void writeRecords(BitWriter& w, const std::vector<ShapeRecord>& recs, int v, int fillBits, int lineBits) {
    for (std::size_t i = 0; i < recs.size(); ++i) {
        const auto& rec = recs[i];
        if (auto* sc = std::get_if<StyleChange>(&rec)) {
            bool move = sc->moveX.has_value() || sc->moveY.has_value();
            // A style change with no flag would read as the end record.
            bool any = move || sc->fill0 || sc->fill1 || sc->line || sc->newStyles;
            w.ub(0, 1);
            w.flag(sc->newStyles);
            w.flag(sc->line.has_value());
            w.flag(sc->fill1.has_value());
            w.flag(sc->fill0.has_value() || !any);
            w.flag(move);
            if (move) {
                auto x = clampBits(sc->moveX.value_or(0), 31), y = clampBits(sc->moveY.value_or(0), 31);
                int n = std::max(signedBits(x), signedBits(y));
                w.ub(n, 5);
                w.sb(x, n);
                w.sb(y, n);
            }
            if (sc->fill0 || !any) w.ub(sc->fill0.value_or(0), fillBits);
            if (sc->fill1) w.ub(*sc->fill1, fillBits);
            if (sc->line) w.ub(*sc->line, lineBits);
            if (sc->newStyles) {
                writeFills(w, sc->fills, v);
                writeLines(w, sc->lines, v);
                segmentBits(recs, i, writtenCount(sc->fills.size(), v >= 2), writtenCount(sc->lines.size(), true),
                            fillBits, lineBits);
                w.ub(fillBits, 4);
                w.ub(lineBits, 4);
            }
        } else if (auto* se = std::get_if<StraightEdge>(&rec)) {
            writeStraight(w, se->dx, se->dy);
        } else if (auto* ce = std::get_if<CurvedEdge>(&rec)) {
            writeCurve(w, ce->controlDx, ce->controlDy, ce->anchorDx, ce->anchorDy);
        }
    }
    w.ub(0, 6);  // end record
    w.flush();
}

void writeShapeWithStyle(BitWriter& w, const Shape& s, int v) {
    writeFills(w, s.fills, v);
    writeLines(w, s.lines, v);
    int fb, lb;
    segmentBits(s.records, 0, writtenCount(s.fills.size(), v >= 2), writtenCount(s.lines.size(), true), fb, lb);
    w.ub(fb, 4);
    w.ub(lb, 4);
    writeRecords(w, s.records, v, fb, lb);
}

Bytes glyphBytes(const Shape& s) {
    BitWriter w;
    int fb, lb;
    segmentBits(s.records, 0, 1, 0, fb, lb);
    w.ub(fb, 4);
    w.ub(lb, 4);
    writeRecords(w, s.records, 1, fb, lb);
    return w.bytes();
}

void writeName8(BitWriter& w, const std::string& name) {
    std::size_t n = std::min<std::size_t>(name.size(), 255);
    w.u8(static_cast<std::uint8_t>(n));
    w.raw(std::span(reinterpret_cast<const std::uint8_t*>(name.data()), n));
}

void writeFont(BitWriter& w, const DefineFont& f) {
    w.u16(f.id);
    std::vector<Bytes> glyphs;
    for (const auto& g : f.glyphs) glyphs.push_back(glyphBytes(g));
    if (f.version <= 1) {
        std::size_t off = glyphs.size() * 2;
        for (const auto& g : glyphs) {
            w.u16(static_cast<std::uint16_t>(off));
            off += g.size();
        }
        for (const auto& g : glyphs) w.raw(g);
        return;
    }
    std::size_t n = std::min<std::size_t>(glyphs.size(), 0xFFFF);
    std::size_t total = 0;
    for (std::size_t i = 0; i < n; ++i) total += glyphs[i].size();
    bool wide = f.wideOffsets || (n + 1) * 2 + total > 0xFFFF;
    bool wideCodes = f.wideCodes || f.version >= 3;
    std::uint8_t flags = (f.hasLayout ? 0x80 : 0) | (f.shiftJIS ? 0x40 : 0) | (f.smallText ? 0x20 : 0) |
                         (f.ansi ? 0x10 : 0) | (wide ? 0x08 : 0) | (wideCodes ? 0x04 : 0) | (f.italic ? 0x02 : 0) |
                         (f.bold ? 0x01 : 0);
    w.u8(flags);
    w.u8(f.languageCode);
    writeName8(w, f.name);
    w.u16(static_cast<std::uint16_t>(n));
    std::size_t ow = wide ? 4 : 2;
    std::size_t off = (n + 1) * ow;
    auto put = [&](std::size_t v) {
        if (wide)
            w.u32(static_cast<std::uint32_t>(v));
        else
            w.u16(static_cast<std::uint16_t>(v));
    };
    for (std::size_t i = 0; i < n; ++i) {
        put(off);
        off += glyphs[i].size();
    }
    put(off);
    for (std::size_t i = 0; i < n; ++i) w.raw(glyphs[i]);
    for (std::size_t i = 0; i < n; ++i) {
        std::uint16_t c = i < f.codes.size() ? f.codes[i] : 0;
        if (wideCodes)
            w.u16(c);
        else
            w.u8(static_cast<std::uint8_t>(c));
    }
    if (f.hasLayout) {
        w.u16(f.ascent);
        w.u16(f.descent);
        w.s16(f.leading);
        for (std::size_t i = 0; i < n; ++i) w.s16(i < f.advances.size() ? f.advances[i] : 0);
        for (std::size_t i = 0; i < n; ++i) writeRect(w, i < f.glyphBounds.size() ? f.glyphBounds[i] : Rect{});
        std::size_t k = std::min<std::size_t>(f.kerning.size(), 0xFFFF);
        w.u16(static_cast<std::uint16_t>(k));
        for (std::size_t i = 0; i < k; ++i) {
            const auto& kr = f.kerning[i];
            if (wideCodes) {
                w.u16(kr.code1);
                w.u16(kr.code2);
            } else {
                w.u8(static_cast<std::uint8_t>(kr.code1));
                w.u8(static_cast<std::uint8_t>(kr.code2));
            }
            w.s16(kr.adjustment);
        }
    }
}

void writeFontInfo(BitWriter& w, const DefineFontInfo& f) {
    bool wide = f.wideCodes || f.version >= 2;
    w.u16(f.fontId);
    writeName8(w, f.name);
    w.u8((f.smallText ? 0x20 : 0) | (f.shiftJIS ? 0x10 : 0) | (f.ansi ? 0x08 : 0) | (f.italic ? 0x04 : 0) |
         (f.bold ? 0x02 : 0) | (wide ? 0x01 : 0));
    if (f.version >= 2) w.u8(f.languageCode);
    for (auto c : f.codes) {
        if (wide)
            w.u16(c);
        else
            w.u8(static_cast<std::uint8_t>(c));
    }
}

void writeText(BitWriter& w, const DefineText& t) {
    w.u16(t.id);
    writeRect(w, t.bounds);
    writeMatrix(w, t.matrix);
    std::uint32_t maxIndex = 0;
    int advBits = 0;
    for (const auto& r : t.records)
        for (const auto& g : r.glyphs) {
            maxIndex = std::max(maxIndex, g.index);
            advBits = std::max(advBits, signedBits(g.advance));
        }
    int glyphBits = unsignedBits(maxIndex);
    w.u8(static_cast<std::uint8_t>(glyphBits));
    w.u8(static_cast<std::uint8_t>(advBits));
    for (const auto& r : t.records) {
        std::size_t done = 0;
        bool first = true;
        do {
            std::size_t n = std::min<std::size_t>(r.glyphs.size() - done, 255);
            bool font = first && r.fontId, color = first && r.color;
            bool x = first && r.xOffset, y = first && r.yOffset;
            w.u8(0x80 | (font ? 0x08 : 0) | (color ? 0x04 : 0) | (y ? 0x02 : 0) | (x ? 0x01 : 0));
            if (font) w.u16(*r.fontId);
            if (color) writeColor(w, *r.color, t.version >= 2);
            if (x) w.s16(*r.xOffset);
            if (y) w.s16(*r.yOffset);
            if (font) w.u16(r.height);
            w.u8(static_cast<std::uint8_t>(n));
            for (std::size_t i = 0; i < n; ++i) {
                w.ub(r.glyphs[done + i].index, glyphBits);
                w.sb(r.glyphs[done + i].advance, advBits);
            }
            w.flush();
            done += n;
            first = false;
        } while (done < r.glyphs.size());
    }
    w.u8(0);
}

void writePlace(BitWriter& w, const PlaceObject& p) {
    if (p.version <= 1) {
        w.u16(p.characterId.value_or(0));
        w.u16(p.depth);
        writeMatrix(w, p.matrix.value_or(Matrix{}));
        if (p.colorTransform) writeCxform(w, *p.colorTransform, false);
        return;
    }
    std::uint8_t f = (p.hasClipActions ? 0x80 : 0) | (p.clipDepth ? 0x40 : 0) | (p.name ? 0x20 : 0) |
                     (p.ratio ? 0x10 : 0) | (p.colorTransform ? 0x08 : 0) | (p.matrix ? 0x04 : 0) |
                     (p.characterId ? 0x02 : 0) | (p.move ? 0x01 : 0);
    w.u8(f);
    if (p.version >= 3) w.u8((p.extraFlags3 & 0xF7) | (p.className ? 0x08 : 0));
    w.u16(p.depth);
    if (p.version >= 3 && p.className) w.string(*p.className);
    if (p.characterId) w.u16(*p.characterId);
    if (p.matrix) writeMatrix(w, *p.matrix);
    if (p.colorTransform) writeCxform(w, *p.colorTransform, true);
    if (p.ratio) w.u16(*p.ratio);
    if (p.name) w.string(*p.name);
    if (p.clipDepth) w.u16(*p.clipDepth);
    w.raw(p.tail);
}

void writeTagTo(BitWriter& out, const Tag& tag);

Bytes body(const Tag& tag) {
    BitWriter w;
    std::visit(
        [&](const auto& t) {
            using T = std::decay_t<decltype(t)>;
            if constexpr (std::is_same_v<T, SetBackgroundColor>)
                writeColor(w, t.color, false);
            else if constexpr (std::is_same_v<T, FrameLabel>) {
                w.string(t.name);
                if (t.namedAnchor) w.u8(1);
            } else if constexpr (std::is_same_v<T, DefineShape>) {
                int v = std::clamp<int>(t.version, 1, 4);
                w.u16(t.id);
                writeRect(w, t.bounds);
                if (v >= 4) {
                    writeRect(w, t.edgeBounds);
                    w.ub(0, 5);
                    w.flag(t.usesFillWindingRule);
                    w.flag(t.usesNonScalingStrokes);
                    w.flag(t.usesScalingStrokes);
                }
                writeShapeWithStyle(w, t.shape, v);
            } else if constexpr (std::is_same_v<T, PlaceObject>)
                writePlace(w, t);
            else if constexpr (std::is_same_v<T, RemoveObject>) {
                if (t.version <= 1) w.u16(t.characterId);
                w.u16(t.depth);
            } else if constexpr (std::is_same_v<T, DefineSprite>) {
                w.u16(t.id);
                w.u16(t.frameCount);
                for (const auto& sub : t.tags) writeTagTo(w, sub);
                w.u16(0);
            } else if constexpr (std::is_same_v<T, DefineFont>)
                writeFont(w, t);
            else if constexpr (std::is_same_v<T, DefineFontInfo>)
                writeFontInfo(w, t);
            else if constexpr (std::is_same_v<T, DefineText>)
                writeText(w, t);
            else if constexpr (std::is_same_v<T, DoAction>)
                w.raw(t.actions);
            else if constexpr (std::is_same_v<T, DoInitAction>) {
                w.u16(t.spriteId);
                w.raw(t.actions);
            } else if constexpr (std::is_same_v<T, UnknownTag>)
                w.raw(t.data);
            else if constexpr (std::is_same_v<T, DefineBitsJpeg>)
                w.raw(encodeDefineBitsJpeg(t));
            else if constexpr (std::is_same_v<T, JpegTables>)
                w.raw(t.data);
            else if constexpr (std::is_same_v<T, DefineBitsLossless>)
                w.raw(encodeDefineBitsLossless(t));
            else if constexpr (std::is_same_v<T, DefineMorphShape>)
                w.raw(encodeDefineMorphShape(t));
            else if constexpr (std::is_same_v<T, DefineButton>)
                w.raw(encodeDefineButton(t));
            else if constexpr (std::is_same_v<T, DefineButtonCxform>)
                w.raw(encodeDefineButtonCxform(t));
            else if constexpr (std::is_same_v<T, DefineButtonSound>)
                w.raw(encodeDefineButtonSound(t));
            else if constexpr (std::is_same_v<T, DefineEditText>)
                w.raw(encodeDefineEditText(t));
            else if constexpr (std::is_same_v<T, DefineSound>)
                w.raw(encodeDefineSound(t));
            else if constexpr (std::is_same_v<T, StartSound>)
                w.raw(encodeStartSound(t));
            else if constexpr (std::is_same_v<T, SoundStreamHead>)
                w.raw(encodeSoundStreamHead(t));
            else if constexpr (std::is_same_v<T, SoundStreamBlock>)
                w.raw(t.data);
        },
        tag.base());
    return std::move(w.bytes());
}

void writeTagTo(BitWriter& out, const Tag& tag) {
    // End inside a list would cut it short; the list's own End is added by the caller.
    if (std::holds_alternative<End>(tag)) return;
    Bytes b = body(tag);
    std::uint16_t c = tagCode(tag) & 0x3FF;
    if (b.size() < 0x3F) {
        out.u16(static_cast<std::uint16_t>((c << 6) | b.size()));
    } else {
        out.u16(static_cast<std::uint16_t>((c << 6) | 0x3F));
        out.u32(static_cast<std::uint32_t>(b.size()));
    }
    out.raw(b);
}

}  // namespace

std::vector<std::uint8_t> writeTag(const Tag& tag) {
    if (std::holds_alternative<End>(tag)) return {0, 0};
    BitWriter w;
    writeTagTo(w, tag);
    return std::move(w.bytes());
}

std::vector<std::uint8_t> write(const MovieData& movie, Compression compression) {
    BitWriter w;
    writeRect(w, movie.header.frame);
    w.u16(movie.header.frameRate);
    w.u16(movie.header.frameCount);
    for (const auto& t : movie.tags) writeTagTo(w, t);
    w.u16(0);
    Bytes& b = w.bytes();
    std::uint32_t length = static_cast<std::uint32_t>(b.size() + 8);
    Bytes out = {static_cast<std::uint8_t>(compression == Compression::Zlib ? 'C' : 'F'),
                 'W',
                 'S',
                 movie.header.version,
                 static_cast<std::uint8_t>(length),
                 static_cast<std::uint8_t>(length >> 8),
                 static_cast<std::uint8_t>(length >> 16),
                 static_cast<std::uint8_t>(length >> 24)};
    if (compression == Compression::None) {
        out.insert(out.end(), b.begin(), b.end());
        return out;
    }
    uLongf size = compressBound(static_cast<uLong>(b.size()));
    Bytes z(size);
    compress2(z.data(), &size, b.data(), static_cast<uLong>(b.size()), Z_BEST_COMPRESSION);
    out.insert(out.end(), z.begin(), z.begin() + size);
    return out;
}

}  // namespace swf
