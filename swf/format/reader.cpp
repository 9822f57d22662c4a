#include "swf/format/reader.h"

#include <zlib.h>

#include <algorithm>

#include "swf/format/bitio.h"
#include "swf/format/bitmap_tags.h"
#include "swf/format/button_tags.h"
#include "swf/format/codes.h"
#include "swf/format/edit_text_tags.h"
#include "swf/format/fields.h"
#include "swf/format/morph_tags.h"
#include "swf/format/sound_tags.h"

namespace swf {

using detail::BitReader;
using detail::raise;
using detail::unpackFlags;

namespace {

// A cap of Limits reached ends reading (ErrorCode::LimitExceeded); any other
// error raised inside a tag makes that tag unreadable.
[[noreturn]] void limitHit(const char* what) { raise(ErrorCode::LimitExceeded, what); }

// Counters over the whole movie; every cap of Limits is checked here.
struct Context {
    Context(const Limits& l, std::uint8_t v) : limits(l), version(v) {}
    const Limits& limits;
    std::uint8_t version;
    std::size_t characters = 0, frames = 0, tags = 0, points = 0;
    int skippedTags = 0;
    std::vector<std::string> warnings;

    void countPoints(std::size_t n) {
        points += n;
        if (points > limits.maxPathPoints) limitHit("too many edges in the movie");
    }
    void countCharacter() {
        if (++characters > limits.maxCharacters) limitHit("too many characters");
    }
    void checkStyles(std::size_t n) {
        if (n > limits.maxStyles) limitHit("too many styles in one shape");
    }
};

using fields::FillFamily;
using fields::fillFamily;
using fields::readCxform;
using fields::readMatrix;
using fields::readRect;
using fields::readRgb;
using fields::readRgba;

Rgba readColor(BitReader& r, bool alpha) { return alpha ? readRgba(r) : readRgb(r); }

Gradient readGradient(BitReader& r, int shapeVersion, bool focal) {
    Gradient g;
    r.align();
    g.spread = static_cast<SpreadMode>(r.ub(2));
    g.interpolation = static_cast<InterpolationMode>(r.ub(2));
    int n = static_cast<int>(r.ub(4));
    for (int i = 0; i < n; ++i) {
        GradientRecord rec;
        rec.ratio = r.u8();
        rec.color = readColor(r, shapeVersion >= 3);
        g.records.push_back(rec);
    }
    if (focal) g.focalPoint = r.s16();
    return g;
}

FillStyle readFill(BitReader& r, int v) {
    FillStyle f;
    std::uint8_t type = r.u8();
    const FillFamily family = fillFamily(type);
    if (family == FillFamily::Unknown) raise(ErrorCode::Malformed, "unknown fill style type " + std::to_string(type));
    f.type = static_cast<FillType>(type);
    if (family == FillFamily::Solid) {
        f.color = readColor(r, v >= 3);
    } else if (family == FillFamily::Gradient) {
        f.matrix = readMatrix(r);
        f.gradient = readGradient(r, v, f.type == FillType::FocalGradient);
    } else {
        f.bitmapId = r.u16();
        f.matrix = readMatrix(r);
    }
    return f;
}

std::vector<FillStyle> readFills(BitReader& r, int v, Context& ctx) {
    std::size_t n = r.u8();
    if (n == 0xFF && v >= 2) n = r.u16();
    if (n > r.remaining())
        raise(ErrorCode::Truncated, "counted entries past the tag");  // every style takes at least a byte
    ctx.checkStyles(n);
    std::vector<FillStyle> out;
    out.reserve(std::min<std::size_t>(n, r.remaining()));
    for (std::size_t i = 0; i < n; ++i) out.push_back(readFill(r, v));
    return out;
}

LineStyle readLine(BitReader& r, int v) {
    LineStyle l;
    l.width = r.u16();
    if (v < 4) {
        l.color = readColor(r, v >= 3);
        return l;
    }
    if (fields::readLineStyle2Flags(r, l)) {
        l.fill = readFill(r, v);
        l.color = Rgba{};
    } else {
        l.color = readRgba(r);
    }
    return l;
}

std::vector<LineStyle> readLines(BitReader& r, int v, Context& ctx) {
    std::size_t n = r.u8();
    if (n == 0xFF) n = r.u16();
    if (n > r.remaining()) raise(ErrorCode::Truncated, "counted entries past the tag");
    ctx.checkStyles(n);
    std::vector<LineStyle> out;
    out.reserve(std::min<std::size_t>(n, r.remaining()));
    for (std::size_t i = 0; i < n; ++i) out.push_back(readLine(r, v));
    return out;
}

// Shape records up to the end record. Records that run past the data end
// the shape (glyphs and shapes whose end record is missing stay usable).
std::vector<ShapeRecord> readRecords(BitReader& r, int v, int fillBits, int lineBits, Context& ctx) {
    std::vector<ShapeRecord> out;
    while (true) {
        if (out.size() >= ctx.limits.maxShapeRecords) limitHit("too many shape records");
        if (r.flag()) {
            ctx.countPoints(1);
            out.push_back(fields::readEdge(r));
            continue;
        }
        std::uint32_t flags = r.ub(5);
        if (flags == 0) break;  // end of shape
        StyleChange sc = fields::readStyleChange(r, flags, fillBits, lineBits);
        if (flags & 16) {
            sc.newStyles = true;
            sc.fills = readFills(r, v, ctx);
            sc.lines = readLines(r, v, ctx);
            fillBits = static_cast<int>(r.ub(4));
            lineBits = static_cast<int>(r.ub(4));
        }
        out.emplace_back(std::move(sc));
    }
    r.align();
    return out;
}

Shape readShapeWithStyle(BitReader& r, int v, Context& ctx) {
    Shape s;
    s.fills = readFills(r, v, ctx);
    s.lines = readLines(r, v, ctx);
    int fb = static_cast<int>(r.ub(4));
    int lb = static_cast<int>(r.ub(4));
    s.records = readRecords(r, v, fb, lb, ctx);
    return s;
}

Shape readGlyph(BitReader& r, Context& ctx) {
    Shape s;
    if (r.atEnd()) return s;
    int fb = static_cast<int>(r.ub(4));
    int lb = static_cast<int>(r.ub(4));
    s.records = readRecords(r, 1, fb, lb, ctx);
    return s;
}

// The fields that open a shape or a text: the version its tag code gave, the
// character id and the bounds.
template <class T>
T readBoundedCharacter(BitReader& r, int version) {
    T t;
    t.version = static_cast<std::uint8_t>(version);
    t.id = r.u16();
    t.bounds = readRect(r);
    return t;
}

DefineShape readDefineShape(BitReader& r, int version, Context& ctx) {
    auto d = readBoundedCharacter<DefineShape>(r, version);
    if (version >= 4) {
        d.edgeBounds = readRect(r);
        r.ub(5);
        d.usesFillWindingRule = r.flag();
        d.usesNonScalingStrokes = r.flag();
        d.usesScalingStrokes = r.flag();
    }
    d.shape = readShapeWithStyle(r, version, ctx);
    return d;
}

PlaceObject readPlace(BitReader& r, int version) {
    PlaceObject p;
    p.version = static_cast<std::uint8_t>(version);
    if (version == 1) {
        p.characterId = r.u16();
        p.depth = r.u16();
        p.matrix = readMatrix(r);
        if (!r.atEnd()) p.colorTransform = readCxform(r, false);
        return p;
    }
    std::uint8_t f = r.u8();
    std::uint8_t f3 = version >= 3 ? r.u8() : 0;
    p.depth = r.u16();
    bool hasChar = f & 0x02;
    if (version >= 3) {
        p.extraFlags3 = f3 & 0xF7;
        bool hasClassName = f3 & 0x08;
        bool hasImage = f3 & 0x10;
        if (hasClassName || (hasImage && hasChar)) p.className = r.string();
    }
    p.move = f & 0x01;
    if (hasChar) p.characterId = r.u16();
    if (f & 0x04) p.matrix = readMatrix(r);
    if (f & 0x08) p.colorTransform = readCxform(r, true);
    if (f & 0x10) p.ratio = r.u16();
    if (f & 0x20) p.name = r.string();
    if (f & 0x40) p.clipDepth = r.u16();
    p.hasClipActions = f & 0x80;
    auto rest = r.rest();
    p.tail.assign(rest.begin(), rest.end());
    return p;
}

std::vector<std::uint16_t> readCodes(BitReader& r, std::size_t n, bool wide) {
    std::vector<std::uint16_t> codes;
    codes.reserve(std::min(n, r.remaining()));
    for (std::size_t i = 0; i < n; ++i) codes.push_back(wide ? r.u16() : r.u8());
    return codes;
}

DefineFont readFont1(BitReader& r, Context& ctx) {
    DefineFont f;
    f.version = 1;
    f.id = r.u16();
    f.wideCodes = false;
    auto body = r.rest();
    if (body.size() < 2) return f;
    std::size_t first = body[0] | (body[1] << 8);
    std::size_t n = first / 2;
    if (n == 0 || first > body.size()) raise(ErrorCode::Malformed, "bad glyph offset table");
    std::vector<std::size_t> off(n);
    for (std::size_t i = 0; i < n; ++i) off[i] = r.u16();
    for (std::size_t i = 0; i < n; ++i) {
        std::size_t end = i + 1 < n ? off[i + 1] : body.size();
        if (off[i] > end || end > body.size()) raise(ErrorCode::Malformed, "bad glyph offset");
        BitReader g(body.subspan(off[i], end - off[i]));
        f.glyphs.push_back(readGlyph(g, ctx));
    }
    return f;
}

DefineFont readFont23(BitReader& r, int version, Context& ctx) {
    DefineFont f;
    f.version = static_cast<std::uint8_t>(version);
    f.id = r.u16();
    unpackFlags(r.u8(),
                {&f.hasLayout, &f.shiftJIS, &f.smallText, &f.ansi, &f.wideOffsets, &f.wideCodes, &f.italic, &f.bold});
    f.languageCode = r.u8();
    auto nameBytes = r.bytes(r.u8());
    f.name.assign(nameBytes.begin(), nameBytes.end());
    std::size_t n = r.u16();
    auto table = r.rest();  // offsets are relative to the start of the offset table
    std::size_t w = f.wideOffsets ? 4 : 2;
    if (n * w > table.size()) raise(ErrorCode::Malformed, "glyph offset table past the tag");
    std::vector<std::size_t> off(n);
    for (std::size_t i = 0; i < n; ++i) off[i] = f.wideOffsets ? r.u32() : r.u16();
    std::size_t codeOffset = table.size();
    if (r.remaining() >= w)
        codeOffset = f.wideOffsets ? r.u32() : r.u16();
    else if (n > 0)
        raise(ErrorCode::Malformed, "no code table offset");
    if (codeOffset > table.size()) raise(ErrorCode::Malformed, "code table past the tag");
    for (std::size_t i = 0; i < n; ++i) {
        std::size_t end = i + 1 < n ? off[i + 1] : codeOffset;
        if (off[i] > end || end > table.size()) raise(ErrorCode::Malformed, "bad glyph offset");
        BitReader g(table.subspan(off[i], end - off[i]));
        f.glyphs.push_back(readGlyph(g, ctx));
    }
    BitReader rest(table.subspan(codeOffset));
    f.codes = readCodes(rest, n, f.wideCodes);
    if (f.hasLayout) {
        f.ascent = rest.u16();
        f.descent = rest.u16();
        f.leading = rest.s16();
        for (std::size_t i = 0; i < n; ++i) f.advances.push_back(rest.s16());
        for (std::size_t i = 0; i < n; ++i) f.glyphBounds.push_back(readRect(rest));
        std::size_t k = rest.u16();
        if (k * (f.wideCodes ? 6 : 4) > rest.remaining()) raise(ErrorCode::Malformed, "kerning table past the tag");
        for (std::size_t i = 0; i < k; ++i) {
            KerningRecord kr;
            kr.code1 = f.wideCodes ? rest.u16() : rest.u8();
            kr.code2 = f.wideCodes ? rest.u16() : rest.u8();
            kr.adjustment = rest.s16();
            f.kerning.push_back(kr);
        }
    }
    return f;
}

DefineFontInfo readFontInfo(BitReader& r, int version) {
    DefineFontInfo f;
    f.version = static_cast<std::uint8_t>(version);
    f.fontId = r.u16();
    auto nameBytes = r.bytes(r.u8());
    f.name.assign(nameBytes.begin(), nameBytes.end());
    unpackFlags(r.u8(), {nullptr, nullptr, &f.smallText, &f.shiftJIS, &f.ansi, &f.italic, &f.bold, &f.wideCodes});
    if (version >= 2) f.languageCode = r.u8();
    std::size_t n = f.wideCodes ? r.remaining() / 2 : r.remaining();
    f.codes = readCodes(r, n, f.wideCodes);
    return f;
}

DefineText readText(BitReader& r, int version, Context& ctx) {
    auto t = readBoundedCharacter<DefineText>(r, version);
    t.matrix = readMatrix(r);
    int glyphBits = r.u8();
    int advanceBits = r.u8();
    if (glyphBits > 32 || advanceBits > 32) raise(ErrorCode::Malformed, "text bit counts above 32");
    while (true) {
        std::uint8_t flags = r.u8();
        if (flags == 0) break;
        if (t.records.size() >= ctx.limits.maxShapeRecords) limitHit("too many text records");
        TextRecord rec;
        if (flags & 0x08) rec.fontId = r.u16();
        if (flags & 0x04) rec.color = readColor(r, version >= 2);
        if (flags & 0x01) rec.xOffset = r.s16();
        if (flags & 0x02) rec.yOffset = r.s16();
        if (flags & 0x08) rec.height = r.u16();
        int n = r.u8();
        ctx.countPoints(n);
        for (int i = 0; i < n; ++i) {
            GlyphEntry g;
            g.index = r.ub(glyphBits);
            g.advance = r.sb(advanceBits);
            rec.glyphs.push_back(g);
        }
        r.align();
        t.records.push_back(std::move(rec));
    }
    return t;
}

void readTags(BitReader& r, Context& ctx, int nesting, bool& partial, std::vector<Tag>& tags);

// A media tag decoded by its own parser: a failure is reported like any
// other undecodable tag (kept unread, with a warning).
template <class T>
T take(Result<T> d) {
    if (!d.ok()) throw d.error();
    return std::move(*d);
}

DefineBitsLossless readLossless(std::uint8_t version, std::span<const std::uint8_t> body, Context& ctx) {
    DefineBitsLossless b = take(parseDefineBitsLossless(version, body));
    if (std::uint64_t(b.width) * b.height >= ctx.limits.maxBitmapPixels)
        raise(ErrorCode::Malformed,
              "bitmap of " + std::to_string(b.width) + "x" + std::to_string(b.height) + " pixels is over the cap");
    return b;
}

DefineMorphShape readMorph(std::uint8_t version, std::span<const std::uint8_t> body, Context& ctx) {
    MorphLimits ml;
    ml.maxRecords = ctx.limits.maxShapeRecords;
    ml.maxStyles = ctx.limits.maxStyles;
    DefineMorphShape m = take(parseDefineMorphShape(version, body, ml));
    ctx.countPoints(m.startEdges.size() + m.endEdges.size());
    return m;
}

DefineButton readButton(std::uint8_t version, std::span<const std::uint8_t> body, Context& ctx) {
    ButtonLimits bl;
    bl.maxActions = ctx.limits.maxActions;
    return take(parseDefineButton(version, body, bl));
}

Tag readBody(std::uint16_t c, std::span<const std::uint8_t> body, Context& ctx, int nesting) {
    BitReader r(body);
    switch (c) {
    case code::End: return End{};
    case code::ShowFrame: return ShowFrame{};
    case code::SetBackgroundColor: {
        SetBackgroundColor s;
        s.color = readRgb(r);
        return s;
    }
    case code::FrameLabel: {
        FrameLabel l;
        l.name = r.string();
        l.namedAnchor = !r.atEnd() && r.u8() == 1;
        return l;
    }
    case code::DefineShape: ctx.countCharacter(); return readDefineShape(r, 1, ctx);
    case code::DefineShape2: ctx.countCharacter(); return readDefineShape(r, 2, ctx);
    case code::DefineShape3: ctx.countCharacter(); return readDefineShape(r, 3, ctx);
    case code::DefineShape4: ctx.countCharacter(); return readDefineShape(r, 4, ctx);
    case code::PlaceObject: return readPlace(r, 1);
    case code::PlaceObject2: return readPlace(r, 2);
    case code::PlaceObject3: return readPlace(r, 3);
    case code::RemoveObject: {
        RemoveObject o;
        o.version = 1;
        o.characterId = r.u16();
        o.depth = r.u16();
        return o;
    }
    case code::RemoveObject2: {
        RemoveObject o;
        o.version = 2;
        o.depth = r.u16();
        return o;
    }
    case code::DefineSprite: {
        if (nesting >= ctx.limits.maxSpriteNesting) {
            ctx.warnings.push_back("nested sprite definition skipped");
            break;
        }
        ctx.countCharacter();
        DefineSprite s;
        s.id = r.u16();
        s.frameCount = r.u16();
        bool partial = false;
        readTags(r, ctx, nesting + 1, partial, s.tags);
        if (partial) ctx.warnings.push_back("sprite " + std::to_string(s.id) + " ends without End tag");
        return s;
    }
    case code::DefineFont: ctx.countCharacter(); return readFont1(r, ctx);
    case code::DefineFont2: ctx.countCharacter(); return readFont23(r, 2, ctx);
    case code::DefineFont3: ctx.countCharacter(); return readFont23(r, 3, ctx);
    case code::DefineFontInfo: return readFontInfo(r, 1);
    case code::DefineFontInfo2: return readFontInfo(r, 2);
    case code::DefineText: ctx.countCharacter(); return readText(r, 1, ctx);
    case code::DefineText2: ctx.countCharacter(); return readText(r, 2, ctx);
    case code::DoAction: return DoAction{Bytes(body.begin(), body.end())};
    case code::DoInitAction: {
        DoInitAction d;
        d.spriteId = r.u16();
        d.actions.assign(body.begin() + 2, body.end());
        return d;
    }
    case code::JPEGTables: return JpegTables{Bytes(body.begin(), body.end())};
    case code::DefineBits: ctx.countCharacter(); return take(parseDefineBitsJpeg(1, body));
    case code::DefineBitsJPEG2: ctx.countCharacter(); return take(parseDefineBitsJpeg(2, body));
    case code::DefineBitsJPEG3: ctx.countCharacter(); return take(parseDefineBitsJpeg(3, body));
    case code::DefineBitsJPEG4: ctx.countCharacter(); return take(parseDefineBitsJpeg(4, body));
    case code::DefineBitsLossless: ctx.countCharacter(); return readLossless(1, body, ctx);
    case code::DefineBitsLossless2: ctx.countCharacter(); return readLossless(2, body, ctx);
    case code::DefineMorphShape: ctx.countCharacter(); return readMorph(1, body, ctx);
    case code::DefineMorphShape2: ctx.countCharacter(); return readMorph(2, body, ctx);
    case code::DefineButton: ctx.countCharacter(); return readButton(1, body, ctx);
    case code::DefineButton2: ctx.countCharacter(); return readButton(2, body, ctx);
    case code::DefineButtonCxform: return take(parseDefineButtonCxform(body));
    case code::DefineButtonSound: return take(parseDefineButtonSound(body));
    case code::DefineEditText: ctx.countCharacter(); return take(parseDefineEditText(body));
    case code::DefineSound: ctx.countCharacter(); return take(parseDefineSound(body));
    case code::StartSound: return take(parseStartSound(1, body));
    case code::StartSound2: return take(parseStartSound(2, body));
    case code::SoundStreamHead: return take(parseSoundStreamHead(1, body));
    case code::SoundStreamHead2: return take(parseSoundStreamHead(2, body));
    case code::SoundStreamBlock: return SoundStreamBlock{Bytes(body.begin(), body.end())};
    default: break;
    }
    ++ctx.skippedTags;
    return UnknownTag{c, Bytes(body.begin(), body.end())};
}

// Reads tags up to End or the end of the data. A tag whose header or body
// runs past the data ends the list (partial). A supported tag that cannot be
// decoded is kept as an unknown tag, with a warning.
void readTags(BitReader& r, Context& ctx, int nesting, bool& partial, std::vector<Tag>& tags) {
    while (true) {
        if (r.remaining() == 0) {
            partial = true;
            return;
        }
        if (r.remaining() < 2) {
            partial = true;
            ctx.warnings.push_back("truncated tag header");
            return;
        }
        std::uint16_t head = r.u16();
        std::uint16_t c = head >> 6;
        std::size_t len = head & 0x3F;
        if (len == 0x3F) {
            if (r.remaining() < 4) {
                partial = true;
                ctx.warnings.push_back("truncated tag header");
                return;
            }
            len = r.u32();
        }
        if (len > r.remaining()) {
            partial = true;
            ctx.warnings.push_back(tagName(c) + " runs past the end of the data");
            return;
        }
        auto body = r.rest().subspan(0, len);
        r = BitReader(r.rest().subspan(len));
        if (c == code::End) return;
        if (++ctx.tags > ctx.limits.maxTags) limitHit("too many tags");
        try {
            Tag t = readBody(c, body, ctx, nesting);
            if (std::holds_alternative<ShowFrame>(t) && ++ctx.frames > ctx.limits.maxFrames)
                limitHit("too many frames");
            tags.push_back(std::move(t));
        } catch (const Error& e) {
            if (e.code == ErrorCode::LimitExceeded) throw;
            if (e.code == ErrorCode::Truncated)
                ctx.warnings.push_back(tagName(c) + " is shorter than its contents; kept unread");
            else
                ctx.warnings.push_back(tagName(c) + ": " + e.detail + "; kept unread");
            ++ctx.skippedTags;
            tags.emplace_back(UnknownTag{c, Bytes(body.begin(), body.end())});
        }
    }
}

// Inflates at most `cap` bytes; `complete` tells whether the stream ended.
bool inflateBounded(std::span<const std::uint8_t> in, std::size_t cap, Bytes& out, bool& complete) {
    out.assign(cap, 0);
    z_stream z{};
    if (inflateInit(&z) != Z_OK) return false;
    z.next_in = const_cast<Bytef*>(in.data());
    z.avail_in = static_cast<uInt>(std::min<std::size_t>(in.size(), 0xFFFFFFFFu));
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(cap);
    int rc = inflate(&z, Z_FINISH);
    complete = rc == Z_STREAM_END;
    out.resize(z.total_out);
    inflateEnd(&z);
    return rc == Z_STREAM_END || rc == Z_OK || rc == Z_BUF_ERROR || rc == Z_DATA_ERROR;
}

}  // namespace

ReadResult read(std::span<const std::uint8_t> bytes, const Limits& limits) {
    ReadResult res;
    auto fail = [&](ErrorCode c, std::string d) {
        res.error = makeError(c, std::move(d));
        return res;
    };
    if (bytes.empty()) return fail(ErrorCode::Empty, "the file is empty");
    static const char* sigs[] = {"FWS", "CWS", "ZWS"};
    int kind = -1;
    for (int k = 0; k < 3; ++k) {
        std::size_t n = std::min<std::size_t>(3, bytes.size());
        if (std::equal(bytes.begin(), bytes.begin() + n, sigs[k])) kind = k;
    }
    if (kind < 0) return fail(ErrorCode::BadSignature, "not an SWF file (no FWS/CWS signature)");
    if (bytes.size() < 8) return fail(ErrorCode::Truncated, "the file ends inside its header");
    if (kind == 2) return fail(ErrorCode::UnsupportedCompression, "LZMA-compressed (ZWS) movies are not supported");
    std::uint8_t version = bytes[3];
    std::uint32_t fileLength = bytes[4] | (bytes[5] << 8) | (bytes[6] << 16) | (std::uint32_t(bytes[7]) << 24);

    Bytes inflated;
    std::span<const std::uint8_t> body;
    if (kind == 0) {
        res.compression = Compression::None;
        body = bytes.subspan(8);
        if (fileLength >= 8 && fileLength - 8 < body.size()) body = body.subspan(0, fileLength - 8);
    } else {
        res.compression = Compression::Zlib;
        if (fileLength < 8) return fail(ErrorCode::Malformed, "compressed movie with a file length below 8");
        std::size_t want = fileLength - 8;
        if (want > limits.maxDecompressedBytes)
            return fail(ErrorCode::DecompressedTooLarge,
                        "declared uncompressed size " + std::to_string(fileLength) + " exceeds the cap");
        bool complete = false;
        if (!inflateBounded(bytes.subspan(8), want, inflated, complete))
            return fail(ErrorCode::Malformed, "zlib stream cannot be opened");
        if (inflated.empty()) return fail(ErrorCode::Truncated, "the compressed data is missing or damaged");
        if (!complete && inflated.size() < want) res.warnings.push_back("compressed data ends early");
        body = inflated;
    }

    Context ctx(limits, version);
    BitReader r(body);
    MovieData movie;
    try {
        movie.header.version = version;
        movie.header.frame = readRect(r);
        movie.header.frameRate = r.u16();
        movie.header.frameCount = r.u16();
    } catch (const Error&) {
        return fail(ErrorCode::Truncated, "the file ends inside its header");
    }
    bool partial = false;
    try {
        readTags(r, ctx, 0, partial, movie.tags);
    } catch (const Error& e) {
        if (ctx.frames == 0) return fail(ErrorCode::LimitExceeded, e.detail);
        // Keep the whole frames read so far.
        partial = true;
        ctx.warnings.push_back("reading stopped: " + e.detail);
        while (!movie.tags.empty() && !std::holds_alternative<ShowFrame>(movie.tags.back())) movie.tags.pop_back();
    }
    res.partial = partial;
    res.skippedTags = ctx.skippedTags;
    res.warnings.insert(res.warnings.end(), ctx.warnings.begin(), ctx.warnings.end());
    res.movie = std::move(movie);
    return res;
}

Result<Tag> readTagBody(std::uint16_t c, std::span<const std::uint8_t> body, std::uint8_t version,
                        const Limits& limits) {
    Context ctx(limits, version);
    try {
        return readBody(c, body, ctx, 0);
    } catch (Error e) {
        e.tagCode = c;
        return e;
    }
}

Result<Tag> readTag(std::span<const std::uint8_t> bytes, std::uint8_t version, const Limits& limits) {
    BitReader r(bytes);
    try {
        std::uint16_t head = r.u16();
        std::size_t len = head & 0x3F;
        if (len == 0x3F) len = r.u32();
        if (len > r.remaining()) return makeError(ErrorCode::Truncated, "the tag runs past the data", head >> 6, 0);
        return readTagBody(head >> 6, r.rest().subspan(0, len), version, limits);
    } catch (const Error&) {
        return makeError(ErrorCode::Truncated, "the tag header is cut short");
    }
}

}  // namespace swf
