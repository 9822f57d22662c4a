#include "swf/format/morph_tags.h"

#include "swf/format/fields.h"

namespace swf {

namespace {

using namespace fields;

MorphFillStyle readMorphFill(BitReader& r) {
    MorphFillStyle f;
    std::uint8_t type = r.u8();
    const FillFamily family = fillFamily(type);
    if (family == FillFamily::Unknown)
        detail::raise(ErrorCode::Malformed, "unknown morph fill type " + std::to_string(type));
    f.type = static_cast<FillType>(type);
    if (family == FillFamily::Solid) {
        f.startColor = readRgba(r);
        f.endColor = readRgba(r);
        return f;
    }
    if (family == FillFamily::Bitmap) f.bitmapId = r.u16();
    f.startMatrix = readMatrix(r);
    f.endMatrix = readMatrix(r);
    if (family == FillFamily::Bitmap) return f;
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
    if (f.type == FillType::FocalGradient) {
        f.startFocal = r.s16();
        f.endFocal = r.s16();
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
    case FillType::LinearGradient:
    case FillType::RadialGradient:
    case FillType::FocalGradient: {
        writeMatrix(w, f.startMatrix);
        writeMatrix(w, f.endMatrix);
        std::size_t n = std::min<std::size_t>(f.gradient.size(), 15);
        w.u8(static_cast<std::uint8_t>((static_cast<int>(f.spread) << 6) | (static_cast<int>(f.interpolation) << 4) |
                                       n));
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
    if (n > r.remaining())
        detail::raise(ErrorCode::Truncated, "morph styles past the tag");  // every style takes more than a byte
    if (n > maxStyles) detail::raise(ErrorCode::TooLarge, "too many morph styles");
    return n;
}
void writeCount(BitWriter& w, std::size_t n) {
    if (n >= 0xFF) {
        w.u8(0xFF);
        w.u16(static_cast<std::uint16_t>(std::min<std::size_t>(n, 0xFFFF)));
    } else
        w.u8(static_cast<std::uint8_t>(n));
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
    if (readLineStyle2Flags(r, l))
        l.fill = readMorphFill(r);
    else {
        l.startColor = readRgba(r);
        l.endColor = readRgba(r);
    }
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
    if (l.fill)
        writeMorphFill(w, *l.fill);
    else {
        writeRgba(w, l.startColor);
        writeRgba(w, l.endColor);
    }
}

std::uint32_t maxIndex(const std::vector<ShapeRecord>& recs, bool fill) {
    std::uint32_t m = 0;
    for (const auto& rec : recs)
        if (auto* sc = std::get_if<StyleChange>(&rec)) {
            if (fill)
                m = std::max({m, sc->fill0.value_or(0), sc->fill1.value_or(0)});
            else
                m = std::max(m, sc->line.value_or(0));
        }
    return m;
}

}  // namespace

Result<DefineMorphShape> parseDefineMorphShape(std::uint8_t version, std::span<const std::uint8_t> body,
                                               const MorphLimits& limits) {
    using R = Result<DefineMorphShape>;
    if (version != 1 && version != 2) return R::fail(ErrorCode::Malformed, "bad morph shape version");
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
        if (offset > r.remaining()) return R::fail(ErrorCode::Truncated, "end edges offset past the end of the tag");
        std::size_t nf = readCount(r, limits.maxStyles);
        for (std::size_t i = 0; i < nf; ++i) m.fills.push_back(readMorphFill(r));
        std::size_t nl = readCount(r, limits.maxStyles);
        for (std::size_t i = 0; i < nl; ++i) m.lines.push_back(readMorphLine(r, version));
        m.startEdges = readPlainRecords(r, limits.maxRecords);
        // The end edges are found through the offset; an offset of 0 (written
        // by some tools) means they follow the start edges.
        std::size_t endPos = offset == 0 ? r.position() : endAt;
        if (endPos < r.position()) return R::fail(ErrorCode::Malformed, "end edges overlap the start edges");
        BitReader e(body.subspan(endPos));
        m.endEdges = readPlainRecords(e, limits.maxRecords);
        return R(std::move(m));
    } catch (const Error& e) {
        return e.code == ErrorCode::Truncated ? R::fail(ErrorCode::Truncated, "morph shape ends early") : R(e);
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
    int fillBits =
        bitsFor(std::max<std::uint32_t>(static_cast<std::uint32_t>(m.fills.size()), maxIndex(m.startEdges, true)));
    int lineBits =
        bitsFor(std::max<std::uint32_t>(static_cast<std::uint32_t>(m.lines.size()), maxIndex(m.startEdges, false)));
    writePlainRecords(rest, m.startEdges, fillBits, lineBits);
    Bytes& restBytes = rest.bytes();
    w.u32(static_cast<std::uint32_t>(restBytes.size()));
    w.raw(restBytes);
    BitWriter end;
    writePlainRecords(end, m.endEdges, 0, 0);
    w.raw(end.bytes());
    return w.bytes();
}

}  // namespace swf
