// Reader and writer on the media tags: a table of test vectors (a tag value
// and its exact bytes, header included, checked in both directions, with the
// tag's code and name), then whole movies holding every media tag read back
// equal to what was written, plain and compressed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <set>

#include "media_movies.h"
#include "swf/decode/bitmap.h"
#include "swf/format/codes.h"
#include "swf/player/player.h"
#include "swf/format/reader.h"
#include "swf/render/renderer.h"
#include "swf/player/audio_mixer.h"
#include "swf/format/writer.h"

namespace {

using namespace swf;
using B = std::vector<std::uint8_t>;

struct Vector {
    const char* name;
    std::uint16_t code;    // the tag code the value is written with
    const char* tagName;  // tagName(code)
    Tag value;
    B bytes;  // tag header and body
};

B cat(std::initializer_list<B> parts) {
    B out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

std::vector<Vector> vectors() {
    std::vector<Vector> v;
    // --- Bitmaps: header (code << 6 | length, little-endian), id, data ---
    {
        DefineBitsJpeg j;
        j.version = 1;
        j.id = 1;
        j.imageData = {0xFF, 0xD8, 0xFF, 0xD9};
        v.push_back({"DefineBits", 6, "DefineBits", j, {0x86, 0x01, 0x01, 0x00, 0xFF, 0xD8, 0xFF, 0xD9}});
    }
    v.push_back({"JPEGTables", 8, "JPEGTables", JpegTables{{0xFF, 0xD8, 0xFF, 0xD9}}, {0x04, 0x02, 0xFF, 0xD8, 0xFF, 0xD9}});
    v.push_back({"JPEGTables empty", 8, "JPEGTables", JpegTables{}, {0x00, 0x02}});
    {
        // 62 bytes of body: the last length of the short header.
        DefineBitsJpeg j;
        j.id = 2;
        j.imageData = B(60, 0x11);
        v.push_back({"DefineBitsJPEG2 short header at 62 bytes", 21, "DefineBitsJPEG2", j,
                     cat({{0x7E, 0x05, 0x02, 0x00}, B(60, 0x11)})});
        // 63 bytes: the long header (length 0x3F in the short field, then 32 bits).
        j.imageData = B(61, 0x22);
        v.push_back({"DefineBitsJPEG2 long header at 63 bytes", 21, "DefineBitsJPEG2", j,
                     cat({{0x7F, 0x05, 0x3F, 0x00, 0x00, 0x00, 0x02, 0x00}, B(61, 0x22)})});
        // PNG data is kept as it is.
        j.id = 3;
        j.imageData = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
        v.push_back({"DefineBitsJPEG2 PNG data", 21, "DefineBitsJPEG2", j,
                     {0x4A, 0x05, 0x03, 0x00, 0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}});
    }
    {
        // Alpha offset = size of the JPEG data; the alpha plane is an empty zlib stream.
        DefineBitsJpeg j;
        j.version = 3;
        j.id = 4;
        j.imageData = {0xFF, 0xD8, 0xFF, 0xD9};
        j.alphaData = {0x78, 0x9C, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01};
        v.push_back({"DefineBitsJPEG3", 35, "DefineBitsJPEG3", j,
                     {0xD2, 0x08, 0x04, 0x00, 0x04, 0x00, 0x00, 0x00, 0xFF, 0xD8, 0xFF, 0xD9, 0x78, 0x9C, 0x03, 0x00,
                      0x00, 0x00, 0x00, 0x01}});
    }
    {
        // Deblocking 1.0 (8.8) after the alpha offset; no alpha plane.
        DefineBitsJpeg j;
        j.version = 4;
        j.id = 5;
        j.imageData = {0xFF, 0xD8, 0xFF, 0xD9};
        j.deblocking = 0x0100;
        v.push_back({"DefineBitsJPEG4", 90, "DefineBitsJPEG4", j,
                     {0x8C, 0x16, 0x05, 0x00, 0x04, 0x00, 0x00, 0x00, 0x00, 0x01, 0xFF, 0xD8, 0xFF, 0xD9}});
    }
    {
        // Format 3: the colour table size is stored minus one. Pixel data stays deflated.
        DefineBitsLossless l;
        l.version = 1;
        l.id = 6;
        l.format = 3;
        l.width = 2;
        l.height = 1;
        l.colorTableSize = 2;
        l.zlibData = {0x78, 0x9C, 0xAA};
        v.push_back({"DefineBitsLossless format 3", 20, "DefineBitsLossless", l,
                     {0x0B, 0x05, 0x06, 0x00, 0x03, 0x02, 0x00, 0x01, 0x00, 0x01, 0x78, 0x9C, 0xAA}});
        l.id = 7;
        l.format = 5;
        l.width = l.height = 1;
        l.colorTableSize = 0;
        l.zlibData = {1, 2, 3};
        v.push_back({"DefineBitsLossless format 5", 20, "DefineBitsLossless", l,
                     {0x0A, 0x05, 0x07, 0x00, 0x05, 0x01, 0x00, 0x01, 0x00, 0x01, 0x02, 0x03}});
    }
    {
        DefineBitsLossless l;
        l.version = 2;
        l.id = 8;
        l.format = 5;
        l.width = 320;
        l.height = 240;
        l.zlibData = {0xDE, 0xAD};
        v.push_back({"DefineBitsLossless2 format 5", 36, "DefineBitsLossless2", l,
                     {0x09, 0x09, 0x08, 0x00, 0x05, 0x40, 0x01, 0xF0, 0x00, 0xDE, 0xAD}});
        // A full 256-entry colour table: size byte 0xFF.
        l.id = 9;
        l.format = 3;
        l.width = l.height = 4;
        l.colorTableSize = 256;
        l.zlibData = {0x00};
        v.push_back({"DefineBitsLossless2 format 3, 256 colours", 36, "DefineBitsLossless2", l,
                     {0x09, 0x09, 0x09, 0x00, 0x03, 0x04, 0x00, 0x04, 0x00, 0xFF, 0x00}});
    }
    // --- Morph shapes ---
    {
        // Bounds 0..20 (6-bit fields) and 0..40 (7-bit fields); offset 16 to the
        // end edges; one solid fill red to blue, no lines; start edges with 1 fill
        // bit: select fill 1, edge of +20 x; end edges with no style bits: +40 x.
        DefineMorphShape m;
        m.version = 1;
        m.id = 9;
        m.startBounds = Rect{0, 20, 0, 20};
        m.endBounds = Rect{0, 40, 0, 40};
        MorphFillStyle f;
        f.startColor = {255, 0, 0, 255};
        f.endColor = {0, 0, 255, 255};
        m.fills = {f};
        StyleChange s;
        s.fill1 = 1;
        m.startEdges = {s, StraightEdge{20, 0}};
        m.endEdges = {StraightEdge{40, 0}};
        v.push_back({"DefineMorphShape", 46, "DefineMorphShape", m,
                     {0xA3, 0x0B, 0x09, 0x00,                                            // header, id
                      0x30, 0x0A, 0x00, 0xA0, 0x38, 0x05, 0x00, 0x14, 0x00,              // start and end bounds
                      0x10, 0x00, 0x00, 0x00,                                            // offset
                      0x01, 0x00, 0xFF, 0x00, 0x00, 0xFF, 0x00, 0x00, 0xFF, 0xFF, 0x00,  // fills, no lines
                      0x10, 0x13, 0xA0, 0xA0, 0x00,                                      // start edges
                      0x00, 0xD4, 0x50, 0x00}});                                         // end edges
    }
    {
        // Empty bounds (one byte each), non-scaling strokes flag, a reflected
        // linear gradient of two records, a miter-joined line style 2 with
        // square end caps, a move + fill 0 + line 1 then a curve in each outline.
        DefineMorphShape m;
        m.version = 2;
        m.id = 10;
        m.usesNonScalingStrokes = true;
        MorphFillStyle g;
        g.type = FillType::LinearGradient;
        g.endMatrix = Matrix::translate(20, 0);
        g.spread = SpreadMode::Reflect;
        g.interpolation = InterpolationMode::Linear;
        g.gradient = {{0, 0, {255, 0, 0, 255}, {0, 255, 0, 255}}, {255, 128, {0, 0, 255, 255}, {255, 255, 255, 128}}};
        m.fills = {g};
        MorphLineStyle l;
        l.startWidth = 40;
        l.endWidth = 80;
        l.startCap = CapStyle::None;
        l.join = JoinStyle::Miter;
        l.noHScale = true;
        l.pixelHinting = true;
        l.noClose = true;
        l.endCap = CapStyle::Square;
        l.miterLimit = 0x0280;
        l.startColor = {0, 0, 0, 255};
        l.endColor = {0x11, 0x22, 0x33, 0x44};
        m.lines = {l};
        StyleChange s;
        s.moveX = -20;
        s.moveY = 20;
        s.fill0 = 1;
        s.line = 1;
        m.startEdges = {s, CurvedEdge{10, -10, 10, 10}};
        StyleChange e;
        e.moveX = -40;
        e.moveY = 40;
        m.endEdges = {e, CurvedEdge{20, -20, 20, 20}};
        v.push_back({"DefineMorphShape2 long header", 84, "DefineMorphShape2", m,
                     {0x3F, 0x15, 0x49, 0x00, 0x00, 0x00, 0x0A, 0x00,  // header (73 bytes), id
                      0x00, 0x00, 0x00, 0x00, 0x02,                    // four empty rectangles, flags
                      0x35, 0x00, 0x00, 0x00,                          // offset 53
                      0x01, 0x10, 0x00, 0x0C, 0xA0, 0x00, 0x52,        // gradient fill: matrices, spread/interpolation/count
                      0x00, 0xFF, 0x00, 0x00, 0xFF, 0x00, 0x00, 0xFF, 0x00, 0xFF,
                      0xFF, 0x00, 0x00, 0xFF, 0xFF, 0x80, 0xFF, 0xFF, 0xFF, 0x80,
                      0x01, 0x28, 0x00, 0x50, 0x00, 0x65, 0x06, 0x80, 0x02,  // line: widths, flags, miter limit
                      0x00, 0x00, 0x00, 0xFF, 0x11, 0x22, 0x33, 0x44,
                      0x11, 0x2C, 0xD6, 0x29, 0xC6, 0xAB, 0x29, 0x40, 0x00,   // start edges
                      0x00, 0x04, 0xF6, 0x14, 0x48, 0xA5, 0x8A, 0x28, 0x00}});  // end edges
    }
    // --- Buttons ---
    {
        // One record (up and hit-test, character 1 at depth 1, identity matrix),
        // the record list's end byte, then the release actions: stop, end.
        DefineButton b;
        b.version = 1;
        b.id = 11;
        ButtonRecord r;
        r.states = 0x09;
        r.characterId = 1;
        r.depth = 1;
        b.records = {r};
        b.actions = {{buttoncond::OverDownToOverUp, {0x07, 0x00}}};
        v.push_back({"DefineButton", 7, "DefineButton", b,
                     {0xCB, 0x01, 0x0B, 0x00, 0x09, 0x01, 0x00, 0x01, 0x00, 0x00, 0x00, 0x07, 0x00}});
    }
    {
        // Track as menu; record 1: up+over, translated (20, -20), colour add
        // (+10, 0, -10, 0) in 5-bit fields; record 2: down+hit-test with a blur
        // filter (4.0 x 4.0, one pass) and blend mode 3. Action offset 34 from
        // its own field; a press action (play) of 6 bytes, then the last one
        // (size 0) for key 13: goto frame 5.
        DefineButton b;
        b.id = 12;
        b.trackAsMenu = true;
        ButtonRecord r1;
        r1.states = 0x03;
        r1.characterId = 1;
        r1.depth = 1;
        r1.matrix = Matrix::translate(20, -20);
        r1.colorTransform.addR = 10;
        r1.colorTransform.addB = -10;
        ButtonRecord r2;
        r2.states = 0x0C;
        r2.characterId = 2;
        r2.depth = 2;
        r2.hasFilters = true;
        r2.filters = {0x01, 0x01, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x04, 0x00, 0x08};
        r2.blendMode = 3;
        b.records = {r1, r2};
        b.actions = {{buttoncond::OverUpToOverDown, {0x06, 0x00}},
                     {static_cast<std::uint16_t>(13 << 1), {0x81, 0x02, 0x00, 0x05, 0x00, 0x00}}};
        v.push_back({"DefineButton2", 34, "DefineButton2", b,
                     {0xB5, 0x08, 0x0C, 0x00, 0x01, 0x22, 0x00,
                      0x03, 0x01, 0x00, 0x01, 0x00, 0x0C, 0xA5, 0x80, 0x95, 0x40, 0xB0, 0x00,
                      0x3C, 0x02, 0x00, 0x02, 0x00, 0x00, 0x00,
                      0x01, 0x01, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x04, 0x00, 0x08, 0x03,
                      0x00,
                      0x06, 0x00, 0x04, 0x00, 0x06, 0x00,
                      0x00, 0x00, 0x00, 0x1A, 0x81, 0x02, 0x00, 0x05, 0x00, 0x00}});
        // Without actions the offset is 0.
        DefineButton plain;
        plain.id = 13;
        ButtonRecord r;
        r.states = 0x0F;
        r.characterId = 3;
        r.depth = 4;
        plain.records = {r};
        v.push_back({"DefineButton2 without actions", 34, "DefineButton2", plain,
                     {0x8D, 0x08, 0x0D, 0x00, 0x00, 0x00, 0x00, 0x0F, 0x03, 0x00, 0x04, 0x00, 0x00, 0x00, 0x00}});
    }
    {
        // Multiply terms only, 10-bit fields: 128, 256, 256 (no alpha terms).
        DefineButtonCxform c;
        c.buttonId = 12;
        c.colorTransform.multR = 128;
        v.push_back({"DefineButtonCxform", 23, "DefineButtonCxform", c, {0xC7, 0x05, 0x0C, 0x00, 0x68, 0x80, 0x40, 0x10, 0x00}});
    }
    {
        // Sound 0 has no sound info; the others have theirs.
        DefineButtonSound s;
        s.buttonId = 12;
        s.soundId[1] = 3;
        s.soundId[2] = 3;
        s.info[2].syncStop = true;
        s.soundId[3] = 4;
        s.info[3].inPoint = 100;
        s.info[3].loops = 2;
        v.push_back({"DefineButtonSound", 17, "DefineButtonSound", s,
                     {0x53, 0x04, 0x0C, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x03, 0x00, 0x20, 0x04, 0x00, 0x05, 0x64,
                      0x00, 0x00, 0x00, 0x02, 0x00}});
    }
    // --- Edit text ---
    {
        // Bounds -40..2000 x 0..400 in 12-bit fields; every optional field but
        // the font class; centred layout, leading -20; HTML text.
        DefineEditText t;
        t.id = 13;
        t.bounds = Rect{-40, 2000, 0, 400};
        t.wordWrap = t.multiline = t.readOnly = true;
        t.autoSize = t.border = t.html = true;
        t.fontId = 1;
        t.fontHeight = 240;
        t.color = Rgba{0x10, 0x20, 0x30, 0xFF};
        t.maxLength = 50;
        t.layout = EditTextLayout{TextAlign::Center, 40, 20, 0, -20};
        t.variableName = "v";
        t.initialText = "<b>Ok</b>";
        v.push_back({"DefineEditText", 37, "DefineEditText", t,
                     {0x6A, 0x09, 0x0D, 0x00, 0x67, 0xEC, 0x3E, 0x80, 0x00, 0x0C, 0x80, 0xEF, 0x6A,
                      0x01, 0x00, 0xF0, 0x00, 0x10, 0x20, 0x30, 0xFF, 0x32, 0x00,
                      0x02, 0x28, 0x00, 0x14, 0x00, 0x00, 0x00, 0xEC, 0xFF,
                      'v', 0x00, '<', 'b', '>', 'O', 'k', '<', '/', 'b', '>', 0x00}});
        // A font class instead of a font id, the height after it, no text.
        DefineEditText c;
        c.id = 14;
        c.fontClass = "F";
        c.fontHeight = 200;
        v.push_back({"DefineEditText font class", 37, "DefineEditText", c,
                     {0x4A, 0x09, 0x0E, 0x00, 0x00, 0x00, 0x80, 'F', 0x00, 0xC8, 0x00, 0x00}});
    }
    // --- Sound ---
    {
        // Format 1 (ADPCM), rate 1 (11 kHz), 16-bit, mono: flags 0x16.
        DefineSound s;
        s.id = 15;
        s.format = SoundFormat::Adpcm;
        s.rate = 1;
        s.sampleCount = 4096;
        s.data = {0x40, 0x12, 0x34};
        v.push_back({"DefineSound ADPCM", 14, "DefineSound", s,
                     {0x8A, 0x03, 0x0F, 0x00, 0x16, 0x00, 0x10, 0x00, 0x00, 0x40, 0x12, 0x34}});
        // MP3, 44 kHz, 16-bit stereo: flags 0x2F; 64 bytes of data need the long header.
        s.id = 16;
        s.format = SoundFormat::Mp3;
        s.rate = 3;
        s.stereo = true;
        s.sampleCount = 1152;
        s.data = B(64, 0);
        s.data[2] = 0xFF;
        s.data[3] = 0xFB;
        B bytes = {0xBF, 0x03, 0x47, 0x00, 0x00, 0x00, 0x10, 0x00, 0x2F, 0x80, 0x04, 0x00, 0x00};
        bytes.insert(bytes.end(), s.data.begin(), s.data.end());
        v.push_back({"DefineSound MP3 long header", 14, "DefineSound", s, bytes});
    }
    {
        // Sound info flags 0x1A: no multiple, envelope, out point.
        StartSound s;
        s.soundId = 15;
        s.info.syncNoMultiple = true;
        s.info.outPoint = 2000;
        s.info.envelope = std::vector<SoundEnvelopePoint>{{0, 32768, 0}, {44100, 0, 32768}};
        v.push_back({"StartSound", 15, "StartSound", s,
                     {0xD8, 0x03, 0x0F, 0x00, 0x1A, 0xD0, 0x07, 0x00, 0x00, 0x02,
                      0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0x00, 0x00,
                      0x44, 0xAC, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80}});
        StartSound plain;
        plain.soundId = 0x0102;
        v.push_back({"StartSound plain", 15, "StartSound", plain, {0xC3, 0x03, 0x02, 0x01, 0x00}});
    }
    {
        StartSound s;
        s.version = 2;
        s.className = "Snd";
        s.info.loops = 3;
        v.push_back({"StartSound2", 89, "StartSound2", s, {0x47, 0x16, 'S', 'n', 'd', 0x00, 0x04, 0x03, 0x00}});
    }
    {
        // Playback 22 kHz 16-bit mono; stream ADPCM 22 kHz 16-bit mono; 1837 samples a frame.
        SoundStreamHead h;
        h.playbackRate = 2;
        h.format = SoundFormat::Adpcm;
        h.rate = 2;
        h.samplesPerBlock = 1837;
        v.push_back({"SoundStreamHead", 18, "SoundStreamHead", h, {0x84, 0x04, 0x0A, 0x1A, 0x2D, 0x07}});
    }
    {
        // MP3 streams carry the latency seek after the sample count.
        SoundStreamHead h;
        h.version = 2;
        h.playbackRate = 3;
        h.playbackStereo = true;
        h.format = SoundFormat::Mp3;
        h.rate = 3;
        h.stereo = true;
        h.samplesPerBlock = 3675;
        h.latencySeek = 576;
        v.push_back({"SoundStreamHead2 MP3", 45, "SoundStreamHead2", h, {0x46, 0x0B, 0x0F, 0x2F, 0x5B, 0x0E, 0x40, 0x02}});
        // Uncompressed 8-bit 11 kHz mono: no latency field.
        SoundStreamHead raw;
        raw.version = 2;
        raw.playbackRate = 1;
        raw.playback16Bit = false;
        raw.format = SoundFormat::RawLittle;
        raw.rate = 1;
        raw.is16Bit = false;
        raw.samplesPerBlock = 918;
        v.push_back({"SoundStreamHead2 8-bit", 45, "SoundStreamHead2", raw, {0x44, 0x0B, 0x04, 0x34, 0x96, 0x03}});
    }
    v.push_back({"SoundStreamBlock", 19, "SoundStreamBlock", SoundStreamBlock{{0x00, 0x01, 0x02}}, {0xC3, 0x04, 0x00, 0x01, 0x02}});
    v.push_back({"SoundStreamBlock long header", 19, "SoundStreamBlock", SoundStreamBlock{B(100, 0x5A)},
                 cat({{0xFF, 0x04, 0x64, 0x00, 0x00, 0x00}, B(100, 0x5A)})});
    return v;
}

TEST(SwfMediaCodec, EveryVectorWritesItsBytesAndReadsBackItsValue) {
    for (const auto& vec : vectors()) {
        SCOPED_TRACE(vec.name);
        EXPECT_EQ(writeTag(vec.value), vec.bytes);
        auto back = readTag(vec.bytes);
        ASSERT_TRUE(back.has_value());
        EXPECT_TRUE(*back == vec.value);
        EXPECT_FALSE(std::holds_alternative<UnknownTag>(*back));
    }
}

TEST(SwfMediaCodec, CodesAndNamesOfEveryMediaTag) {
    std::set<std::uint16_t> seen;
    for (const auto& vec : vectors()) {
        SCOPED_TRACE(vec.name);
        EXPECT_EQ(tagCode(vec.value), vec.code);
        EXPECT_EQ(tagName(vec.code), vec.tagName);
        ASSERT_GE(vec.bytes.size(), 2u);
        EXPECT_EQ((vec.bytes[0] | (vec.bytes[1] << 8)) >> 6, vec.code) << "the header carries the code";
        seen.insert(vec.code);
    }
    const std::set<std::uint16_t> media = {6, 8, 20, 21, 35, 36, 90, 46, 84, 7, 34, 17, 23, 37, 14, 15, 89, 18, 45, 19};
    EXPECT_EQ(seen, media) << "one vector at least for every media tag code, and no other";
}

TEST(SwfMediaCodec, TheSameBodyUnderAnotherVersionCodeGivesThatVersion) {
    // The version of a typed tag comes from the code alone.
    B body = {0x01, 0x00, 0xFF, 0xD8, 0xFF, 0xD9};
    for (auto [c, version] : {std::pair{code::DefineBits, 1}, std::pair{code::DefineBitsJPEG2, 2}}) {
        auto t = readTagBody(c, body);
        ASSERT_TRUE(t.has_value());
        EXPECT_EQ(std::get<DefineBitsJpeg>(*t).version, version);
    }
    B sound = {0x05, 0x00, 0x00};
    auto s1 = readTagBody(code::StartSound, sound);
    ASSERT_TRUE(s1.has_value());
    EXPECT_EQ(std::get<StartSound>(*s1).soundId, 5);
    auto s2 = readTagBody(code::StartSound2, sound);
    ASSERT_TRUE(s2.has_value());
    EXPECT_EQ(std::get<StartSound>(*s2).className, "\x05") << "version 2 reads a class name up to the zero";
}

// Reads back a written movie: equal, complete, no warning, nothing skipped.
void expectRoundTrip(const MovieData& m, Compression c) {
    B bytes = write(m, c);
    ReadResult r = read(bytes);
    ASSERT_TRUE(r.ok()) << r.error->detail;
    EXPECT_EQ(r.compression, c);
    EXPECT_FALSE(r.partial);
    EXPECT_TRUE(r.warnings.empty()) << r.warnings.front();
    EXPECT_EQ(r.skippedTags, 0);
    EXPECT_TRUE(*r.movie == m);
}

TEST(SwfMediaCodec, MovieWithEveryMediaTagRoundTrips) {
    MovieData m = samples::everyMediaTagMovie();
    std::set<std::uint16_t> codes;
    for (const auto& t : m.tags) codes.insert(tagCode(t));
    for (std::uint16_t c : {6, 8, 20, 21, 35, 36, 90, 46, 84, 7, 34, 17, 23, 37, 14, 15, 89, 18, 45, 19})
        EXPECT_TRUE(codes.count(c)) << tagName(c) << " missing from the movie";
    for (Compression c : {Compression::None, Compression::Zlib}) {
        SCOPED_TRACE(c == Compression::Zlib ? "zlib" : "uncompressed");
        expectRoundTrip(m, c);
    }
    // The hand vectors too, between two frames.
    MovieData v;
    v.tags.push_back(ShowFrame{});
    for (const auto& vec : vectors()) v.tags.push_back(vec.value);
    v.tags.push_back(ShowFrame{});
    for (Compression c : {Compression::None, Compression::Zlib}) expectRoundTrip(v, c);
}

// SWF_WRITE_FUZZ_SEEDS=DIR also saves each media movie there, as the fuzz
// seed corpus keeps them (NAME.swf and NAME-z.swf).
TEST(SwfMediaCodec, MediaMoviesRoundTripPlayAndStaySmall) {
    const char* seeds = std::getenv("SWF_WRITE_FUZZ_SEEDS");
    for (const auto& m : samples::mediaMovies()) {
        SCOPED_TRACE(m.name);
        for (Compression c : {Compression::None, Compression::Zlib}) {
            B bytes = write(m.movie, c);
            EXPECT_LT(bytes.size(), 20u * 1024u) << "fuzz seeds stay small";
            if (seeds) {
                std::ofstream(std::string(seeds) + "/" + m.name + (c == Compression::Zlib ? "-z" : "") + ".swf",
                              std::ios::binary)
                    .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
            }
            expectRoundTrip(m.movie, c);
        }
        // The player steps through them and the renderer draws them.
        Player p(std::make_shared<MovieData>(m.movie));
        EXPECT_EQ(p.frameCount(), m.movie.header.frameCount);
        for (int f = 0; f < p.frameCount(); ++f) {
            QImage img = renderFrame(p, QSize(100, 75));
            EXPECT_EQ(img.size(), QSize(100, 75));
            p.forward();
        }
    }
}

TEST(SwfMediaCodec, MediaMoviesCarryDecodablePicturesAndSound) {
    // The payloads the movies (and so the fuzz seeds) are made of decode to
    // what was put in, so the seeds reach the decoders' inner paths.
    const std::map<std::uint16_t, QSize> sizes = {{10, {40, 30}}, {20, {24, 16}}, {21, {24, 16}}, {22, {24, 16}},
                                                  {30, {6, 4}},   {31, {16, 12}}, {32, {5, 3}}};
    std::map<std::uint16_t, QSize> decoded;
    int blocks = 0;
    for (const auto& m : samples::mediaMovies()) {
        Bytes tables;
        std::optional<SoundStreamHead> head;
        for (const auto& t : m.movie.tags) {
            if (auto* j = std::get_if<JpegTables>(&t)) tables = j->data;
            if (auto* j = std::get_if<DefineBitsJpeg>(&t)) {
                auto img = decodeBitmap(*j, tables);
                ASSERT_TRUE(img.ok()) << m.name << " bitmap " << j->id << ": " << img.error().detail;
                decoded[j->id] = img->size();
                if (j->version >= 3) {
                    EXPECT_LT(qAlpha(img->pixel(0, 0)), qAlpha(img->pixel(23, 0))) << "alpha plane applied";
                }
            }
            if (auto* l = std::get_if<DefineBitsLossless>(&t)) {
                auto img = decodeBitmap(*l);
                ASSERT_TRUE(img.ok()) << m.name << " bitmap " << l->id << ": " << img.error().detail;
                decoded[l->id] = img->size();
            }
            if (auto* h = std::get_if<SoundStreamHead>(&t)) head = *h;
            if (auto* b = std::get_if<SoundStreamBlock>(&t)) {
                ASSERT_TRUE(head.has_value()) << "a block follows its stream head";
                if (head->format != SoundFormat::Adpcm) continue;
                auto pcm = decodeAdpcm(b->data, head->stereo, sampleRateOf(head->rate));
                ASSERT_TRUE(pcm.ok());
                EXPECT_EQ(pcm->frames(), head->samplesPerBlock);
                ++blocks;
            }
            if (auto* s = std::get_if<DefineSound>(&t)) {
                auto pcm = decodeSound(*s);
                ASSERT_TRUE(pcm.ok()) << "sound " << s->id;
                EXPECT_EQ(pcm->frames(), s->sampleCount);
            }
        }
    }
    EXPECT_EQ(decoded, sizes);
    EXPECT_EQ(blocks, 6);

    MovieData slides = samples::bitmapSlideshowMovie(3, 60);
    EXPECT_EQ(slides.header.frameCount, 3);
    std::vector<QImage> pictures;
    for (const auto& t : slides.tags)
        if (auto* j = std::get_if<DefineBitsJpeg>(&t)) {
            auto img = decodeBitmap(*j);
            ASSERT_TRUE(img.ok());
            EXPECT_EQ(img->size(), QSize(705, 481));
            pictures.push_back(*img);
        }
    ASSERT_EQ(pictures.size(), 3u);
    EXPECT_NE(pictures[0], pictures[1]);
    EXPECT_NE(pictures[1], pictures[2]);
}

}  // namespace
