// One table of test vectors for every tag the reader and writer know: a tag
// value and its exact bytes, tag header included.
#include "tests/swf/format/tag_vectors.h"

#include <QImage>

#include "swf/decode/bitmap.h"
#include "swf/decode/inflate.h"
#include "swf/decode/sound.h"
#include "swf/format/action_builder.h"
#include "tests/support/test_movies.h"

namespace swf::samples {

namespace {

using B = std::vector<std::uint8_t>;

B cat(std::initializer_list<B> parts) {
    B out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

}  // namespace

std::vector<TagVector> tagVectors() {
    std::vector<TagVector> v;
    // --- Frames, display list, shapes, fonts, text, actions ---
    v.push_back({"ShowFrame", ShowFrame{}, {0x40, 0x00}});
    v.push_back({"End", End{}, {0x00, 0x00}});
    v.push_back({"SetBackgroundColor", SetBackgroundColor{{255, 0, 0, 255}}, {0x43, 0x02, 0xFF, 0x00, 0x00}});
    v.push_back({"FrameLabel", FrameLabel{"go", false}, {0xC3, 0x0A, 'g', 'o', 0}});
    v.push_back({"FrameLabel anchor", FrameLabel{"go", true}, {0xC4, 0x0A, 'g', 'o', 0, 1}});
    v.push_back({"RemoveObject2", RemoveObject{2, 0, 3}, {0x02, 0x07, 0x03, 0x00}});
    v.push_back({"RemoveObject", RemoveObject{1, 5, 3}, {0x44, 0x01, 5, 0, 3, 0}});
    {
        // The action builder's records, kept and written back as bytes.
        DoAction d = ActionBuilder()
                         .stop()
                         .play()
                         .nextFrame()
                         .previousFrame()
                         .gotoFrame(4)
                         .gotoLabel("a")
                         .record(0x0A)
                         .record(0x96, {0, 'x', 0})
                         .doAction();
        v.push_back({"DoAction", d, {0x16, 0x03, 0x07, 0x06, 0x04, 0x05, 0x81, 0x02, 0x00, 0x04, 0x00, 0x8C,
                                     0x02, 0x00, 'a',  0x00, 0x0A, 0x96, 0x03, 0x00, 0x00, 'x',  0x00, 0x00}});
    }
    {
        PlaceObject p;
        p.version = 1;
        p.depth = 1;
        p.characterId = 1;
        p.matrix = Matrix{};
        v.push_back({"PlaceObject", p, {0x05, 0x01, 1, 0, 1, 0, 0x00}});
    }
    {
        PlaceObject p;
        p.depth = 1;
        p.characterId = 2;
        p.matrix = Matrix::translate(20, -20);
        v.push_back({"PlaceObject2 matrix", p, {0x88, 0x06, 0x06, 0x01, 0x00, 0x02, 0x00, 0x0C, 0xA5, 0x80}});
    }
    {
        PlaceObject p;
        p.depth = 1;
        p.move = true;
        ColorTransform c;
        c.multA = 128;
        p.colorTransform = c;
        v.push_back(
            {"PlaceObject2 move cxform", p, {0x89, 0x06, 0x09, 0x01, 0x00, 0x69, 0x00, 0x40, 0x10, 0x02, 0x00}});
    }
    {
        PlaceObject p;
        p.depth = 2;
        p.characterId = 3;
        p.ratio = 7;
        p.name = "n";
        p.clipDepth = 5;
        v.push_back({"PlaceObject2 ratio name clip",
                     p,
                     {0x8B, 0x06, 0x72, 0x02, 0x00, 0x03, 0x00, 0x07, 0x00, 'n', 0x00, 0x05, 0x00}});
    }
    {
        PlaceObject p;
        p.version = 3;
        p.depth = 1;
        p.characterId = 2;
        p.className = "C";
        v.push_back({"PlaceObject3 class", p, {0x88, 0x11, 0x02, 0x08, 0x01, 0x00, 'C', 0x00, 0x02, 0x00}});
    }
    {
        DefineShape d;
        d.version = 1;
        d.id = 1;
        d.bounds = Rect{0, 20, 0, 20};
        d.shape.fills = {FillStyle::solid({255, 0, 0, 255})};
        d.shape.records = {styleChange(0, 0, std::nullopt, 1, std::nullopt), StraightEdge{20, 0}, StraightEdge{0, 20},
                           StraightEdge{-20, -20}};
        v.push_back(
            {"DefineShape triangle", d, {0x96, 0x00, 0x01, 0x00, 0x30, 0x0A, 0x00, 0xA0, 0x01, 0x00, 0xFF, 0x00,
                                         0x00, 0x00, 0x10, 0x14, 0x1D, 0x05, 0x34, 0x54, 0xD3, 0x65, 0x80, 0x00}});
    }
    {
        DefineShape d;
        d.version = 3;
        d.id = 3;
        FillStyle g;
        g.type = FillType::LinearGradient;
        g.matrix.scaleX = g.matrix.scaleY = 0x8000;
        g.gradient = samples::gradient({{0, {255, 0, 0, 255}}, {255, {0, 0, 255, 255}}}, SpreadMode::Reflect,
                                       InterpolationMode::Linear);
        d.shape.fills = {g};
        StyleChange fresh;
        fresh.newStyles = true;
        fresh.fills = {FillStyle::solid({0, 255, 0, 255})};
        d.shape.records = {styleChange(std::nullopt, std::nullopt, std::nullopt, 1, std::nullopt), fresh,
                           styleChange(std::nullopt, std::nullopt, 1, std::nullopt, std::nullopt)};
        v.push_back({"DefineShape3 gradient new styles", d, {0x24, 0x08, 0x03, 0x00, 0x00, 0x01, 0x10, 0xC5, 0x00, 0x00,
                                                             0x80, 0x00, 0x00, 0x52, 0x00, 0xFF, 0x00, 0x00, 0xFF, 0xFF,
                                                             0x00, 0x00, 0xFF, 0xFF, 0x00, 0x10, 0x12, 0x80, 0x01, 0x00,
                                                             0x00, 0xFF, 0x00, 0xFF, 0x00, 0x10, 0x0A, 0x00}});
    }
    {
        DefineShape d;
        d.version = 4;
        d.id = 2;
        d.usesFillWindingRule = true;
        d.usesScalingStrokes = true;
        LineStyle l;
        l.width = 40;
        l.startCap = CapStyle::None;
        l.join = JoinStyle::Miter;
        l.noHScale = true;
        l.noClose = true;
        l.endCap = CapStyle::Square;
        l.miterLimit = 0x0280;
        l.color = {0, 0, 255, 128};
        d.shape.lines = {l};
        d.shape.records = {styleChange(10, 0, std::nullopt, std::nullopt, 1), StraightEdge{0, -30}};
        v.push_back({"DefineShape4 LineStyle2", d, {0xD8, 0x14, 0x02, 0x00, 0x00, 0x00, 0x05, 0x00, 0x01,
                                                    0x28, 0x00, 0x64, 0x06, 0x80, 0x02, 0x00, 0x00, 0xFF,
                                                    0x80, 0x01, 0x24, 0xAA, 0x07, 0x46, 0x20, 0x00}});
    }
    {
        DefineFont f;
        f.version = 1;
        f.id = 1;
        f.wideCodes = false;
        Shape g;
        g.records = {styleChange(0, 0, std::nullopt, 1, std::nullopt), StraightEdge{10, 0}, StraightEdge{-10, 0}};
        f.glyphs = {g};
        v.push_back({"DefineFont", f, {0x8B, 0x02, 0x01, 0x00, 0x02, 0x00, 0x10, 0x14, 0x1C, 0xC5, 0x66, 0x58, 0x00}});
    }
    {
        DefineFont f;
        f.version = 2;
        f.id = 2;
        f.name = "A";
        f.glyphs = {Shape{}};
        f.codes = {0x41};
        f.hasLayout = true;
        f.ascent = 800;
        f.descent = 200;
        f.leading = 40;
        f.advances = {600};
        f.glyphBounds = {Rect{}};
        f.kerning = {KerningRecord{0x41, 0x42, -10}};
        v.push_back({"DefineFont2 layout", f, {0x21, 0x0C, 0x02, 0x00, 0x84, 0x00, 0x01, 'A',  0x01, 0x00, 0x04, 0x00,
                                               0x06, 0x00, 0x10, 0x00, 0x41, 0x00, 0x20, 0x03, 0xC8, 0x00, 0x28, 0x00,
                                               0x58, 0x02, 0x00, 0x01, 0x00, 0x41, 0x00, 0x42, 0x00, 0xF6, 0xFF}});
    }
    {
        DefineFontInfo f;
        f.version = 1;
        f.fontId = 1;
        f.name = "Ab";
        f.bold = true;
        f.wideCodes = false;
        f.codes = {0x41, 0x62};
        v.push_back({"DefineFontInfo", f, {0x48, 0x03, 0x01, 0x00, 0x02, 'A', 'b', 0x02, 0x41, 0x62}});
    }
    {
        DefineFontInfo f;
        f.version = 2;
        f.fontId = 1;
        f.italic = true;
        f.languageCode = 1;
        f.codes = {0x41};
        v.push_back({"DefineFontInfo2", f, {0x87, 0x0F, 0x01, 0x00, 0x00, 0x05, 0x01, 0x41, 0x00}});
    }
    {
        DefineText t;
        t.version = 1;
        t.id = 5;
        TextRecord a;
        a.fontId = 1;
        a.height = 240;
        a.color = Rgba{0, 0, 255, 255};
        a.xOffset = 10;
        a.yOffset = 200;
        a.glyphs = {{3, 100}, {0, -5}};
        TextRecord b;
        b.glyphs = {{1, 0}};
        t.records = {a, b};
        v.push_back(
            {"DefineText", t, {0xDB, 0x02, 0x05, 0x00, 0x00, 0x00, 0x02, 0x08, 0x8F, 0x01, 0x00, 0x00, 0x00, 0xFF, 0x0A,
                               0x00, 0xC8, 0x00, 0xF0, 0x00, 0x02, 0xD9, 0x0F, 0xB0, 0x80, 0x01, 0x40, 0x00, 0x00}});
    }
    {
        DefineSprite s;
        s.id = 7;
        s.frameCount = 2;
        s.tags = {ShowFrame{}, ShowFrame{}};
        v.push_back({"DefineSprite", s, {0xCA, 0x09, 0x07, 0x00, 0x02, 0x00, 0x40, 0x00, 0x40, 0x00, 0x00, 0x00}});
    }
    v.push_back({"Unknown", UnknownTag{77, {1, 2, 3}}, {0x43, 0x13, 1, 2, 3}});
    {
        B body(63, 0xAB);
        B bytes = {0x7F, 0x13, 0x3F, 0x00, 0x00, 0x00};
        bytes.insert(bytes.end(), body.begin(), body.end());
        v.push_back({"Unknown long header", UnknownTag{77, body}, bytes});
    }
    // --- Bitmaps: header (code << 6 | length, little-endian), id, data ---
    {
        DefineBitsJpeg j;
        j.version = 1;
        j.id = 1;
        j.imageData = {0xFF, 0xD8, 0xFF, 0xD9};
        v.push_back({"DefineBits", j, {0x86, 0x01, 0x01, 0x00, 0xFF, 0xD8, 0xFF, 0xD9}});
    }
    v.push_back({"JPEGTables", JpegTables{{0xFF, 0xD8, 0xFF, 0xD9}}, {0x04, 0x02, 0xFF, 0xD8, 0xFF, 0xD9}});
    v.push_back({"JPEGTables empty", JpegTables{}, {0x00, 0x02}});
    {
        // 62 bytes of body: the last length of the short header.
        DefineBitsJpeg j;
        j.id = 2;
        j.imageData = B(60, 0x11);
        v.push_back({"DefineBitsJPEG2 short header at 62 bytes", j, cat({{0x7E, 0x05, 0x02, 0x00}, B(60, 0x11)})});
        // 63 bytes: the long header (length 0x3F in the short field, then 32 bits).
        j.imageData = B(61, 0x22);
        v.push_back({"DefineBitsJPEG2 long header at 63 bytes", j,
                     cat({{0x7F, 0x05, 0x3F, 0x00, 0x00, 0x00, 0x02, 0x00}, B(61, 0x22)})});
        // PNG data is kept as it is.
        j.id = 3;
        j.imageData = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
        v.push_back(
            {"DefineBitsJPEG2 PNG data", j, {0x4A, 0x05, 0x03, 0x00, 0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}});
    }
    {
        // Alpha offset = size of the JPEG data; the alpha plane is an empty zlib stream.
        DefineBitsJpeg j;
        j.version = 3;
        j.id = 4;
        j.imageData = {0xFF, 0xD8, 0xFF, 0xD9};
        j.alphaData = {0x78, 0x9C, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01};
        v.push_back({"DefineBitsJPEG3", j, {0xD2, 0x08, 0x04, 0x00, 0x04, 0x00, 0x00, 0x00, 0xFF, 0xD8,
                                            0xFF, 0xD9, 0x78, 0x9C, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01}});
    }
    {
        // Deblocking 1.0 (8.8) after the alpha offset; no alpha plane.
        DefineBitsJpeg j;
        j.version = 4;
        j.id = 5;
        j.imageData = {0xFF, 0xD8, 0xFF, 0xD9};
        j.deblocking = 0x0100;
        v.push_back({"DefineBitsJPEG4",
                     j,
                     {0x8C, 0x16, 0x05, 0x00, 0x04, 0x00, 0x00, 0x00, 0x00, 0x01, 0xFF, 0xD8, 0xFF, 0xD9}});
    }
    {
        // Format 3: the colour table size is stored minus one. Pixel data stays deflated.
        DefineBitsLossless l = losslessBitmap(1, 6, 3, 2, 1, 2, {0x78, 0x9C, 0xAA});
        v.push_back({"DefineBitsLossless format 3",
                     l,
                     {0x0B, 0x05, 0x06, 0x00, 0x03, 0x02, 0x00, 0x01, 0x00, 0x01, 0x78, 0x9C, 0xAA}});
        l.id = 7;
        l.format = 5;
        l.width = l.height = 1;
        l.colorTableSize = 0;
        l.zlibData = {1, 2, 3};
        v.push_back({"DefineBitsLossless format 5",
                     l,
                     {0x0A, 0x05, 0x07, 0x00, 0x05, 0x01, 0x00, 0x01, 0x00, 0x01, 0x02, 0x03}});
    }
    {
        DefineBitsLossless l = losslessBitmap(2, 8, 5, 320, 240, 0, {0xDE, 0xAD});
        v.push_back(
            {"DefineBitsLossless2 format 5", l, {0x09, 0x09, 0x08, 0x00, 0x05, 0x40, 0x01, 0xF0, 0x00, 0xDE, 0xAD}});
        // A full 256-entry colour table: size byte 0xFF.
        l.id = 9;
        l.format = 3;
        l.width = l.height = 4;
        l.colorTableSize = 256;
        l.zlibData = {0x00};
        v.push_back({"DefineBitsLossless2 format 3, 256 colours",
                     l,
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
        m.fills = {samples::morphFill({255, 0, 0, 255}, {0, 0, 255, 255})};
        StyleChange s;
        s.fill1 = 1;
        m.startEdges = {s, StraightEdge{20, 0}};
        m.endEdges = {StraightEdge{40, 0}};
        v.push_back({"DefineMorphShape",
                     m,
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
        DefineMorphShape m = morphShapeDef(10, Rect{}, Rect{}, 2);
        m.usesNonScalingStrokes = true;
        MorphFillStyle g;
        g.type = FillType::LinearGradient;
        g.endMatrix = Matrix::translate(20, 0);
        g.spread = SpreadMode::Reflect;
        g.interpolation = InterpolationMode::Linear;
        g.gradient = {{0, 0, {255, 0, 0, 255}, {0, 255, 0, 255}}, {255, 128, {0, 0, 255, 255}, {255, 255, 255, 128}}};
        m.fills = {g};
        MorphLineStyle l = morphLine(40, 80, {0, 0, 0, 255}, {0x11, 0x22, 0x33, 0x44});
        l.startCap = CapStyle::None;
        l.join = JoinStyle::Miter;
        l.noHScale = true;
        l.pixelHinting = true;
        l.noClose = true;
        l.endCap = CapStyle::Square;
        l.miterLimit = 0x0280;
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
        v.push_back(
            {"DefineMorphShape2 long header",
             m,
             {0x3F, 0x15, 0x49, 0x00, 0x00, 0x00, 0x0A, 0x00,  // header (73 bytes), id
              0x00, 0x00, 0x00, 0x00, 0x02,                    // four empty rectangles, flags
              0x35, 0x00, 0x00, 0x00,                          // offset 53
              0x01, 0x10, 0x00, 0x0C, 0xA0, 0x00, 0x52,        // gradient fill: matrices, spread/interpolation/count
              0x00, 0xFF, 0x00, 0x00, 0xFF, 0x00, 0x00, 0xFF, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0xFF, 0xFF,
              0x80, 0xFF, 0xFF, 0xFF, 0x80, 0x01, 0x28, 0x00, 0x50, 0x00, 0x65, 0x06, 0x80, 0x02,  // line: widths, flags, miter limit
              0x00, 0x00, 0x00, 0xFF, 0x11, 0x22, 0x33, 0x44, 0x11, 0x2C, 0xD6, 0x29, 0xC6, 0xAB, 0x29,
              0x40, 0x00,                                               // start edges
              0x00, 0x04, 0xF6, 0x14, 0x48, 0xA5, 0x8A, 0x28, 0x00}});  // end edges
    }
    // --- Buttons ---
    {
        // One record (up and hit-test, character 1 at depth 1, identity matrix),
        // the record list's end byte, then the release actions: stop, end.
        DefineButton b;
        b.version = 1;
        b.id = 11;
        b.records = {buttonRecord(0x09, 1, 1)};
        b.actions = {{buttoncond::OverDownToOverUp, {0x07, 0x00}}};
        v.push_back(
            {"DefineButton", b, {0xCB, 0x01, 0x0B, 0x00, 0x09, 0x01, 0x00, 0x01, 0x00, 0x00, 0x00, 0x07, 0x00}});
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
        ButtonRecord r1 = buttonRecord(0x03, 1, 1);
        r1.matrix = Matrix::translate(20, -20);
        r1.colorTransform.addR = 10;
        r1.colorTransform.addB = -10;
        ButtonRecord r2 = buttonRecord(0x0C, 2, 2);
        r2.hasFilters = true;
        r2.filters = {0x01, 0x01, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x04, 0x00, 0x08};
        r2.blendMode = 3;
        b.records = {r1, r2};
        b.actions = {{buttoncond::OverUpToOverDown, {0x06, 0x00}},
                     {static_cast<std::uint16_t>(13 << 1), {0x81, 0x02, 0x00, 0x05, 0x00, 0x00}}};
        v.push_back(
            {"DefineButton2", b, {0xB5, 0x08, 0x0C, 0x00, 0x01, 0x22, 0x00, 0x03, 0x01, 0x00, 0x01, 0x00, 0x0C, 0xA5,
                                  0x80, 0x95, 0x40, 0xB0, 0x00, 0x3C, 0x02, 0x00, 0x02, 0x00, 0x00, 0x00, 0x01, 0x01,
                                  0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x04, 0x00, 0x08, 0x03, 0x00, 0x06, 0x00, 0x04,
                                  0x00, 0x06, 0x00, 0x00, 0x00, 0x00, 0x1A, 0x81, 0x02, 0x00, 0x05, 0x00, 0x00}});
        // Without actions the offset is 0.
        DefineButton plain;
        plain.id = 13;
        plain.records = {buttonRecord(0x0F, 3, 4)};
        v.push_back({"DefineButton2 without actions",
                     plain,
                     {0x8D, 0x08, 0x0D, 0x00, 0x00, 0x00, 0x00, 0x0F, 0x03, 0x00, 0x04, 0x00, 0x00, 0x00, 0x00}});
    }
    {
        // Multiply terms only, 10-bit fields: 128, 256, 256 (no alpha terms).
        DefineButtonCxform c;
        c.buttonId = 12;
        c.colorTransform.multR = 128;
        v.push_back({"DefineButtonCxform", c, {0xC7, 0x05, 0x0C, 0x00, 0x68, 0x80, 0x40, 0x10, 0x00}});
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
        v.push_back({"DefineButtonSound", s, {0x53, 0x04, 0x0C, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x03, 0x00,
                                              0x20, 0x04, 0x00, 0x05, 0x64, 0x00, 0x00, 0x00, 0x02, 0x00}});
    }
    // --- Edit text ---
    {
        // Bounds -40..2000 x 0..400 in 12-bit fields; every optional field but
        // the font class; every flag but password and was-static; centred
        // layout, leading -20; HTML text.
        DefineEditText t;
        t.id = 13;
        t.bounds = Rect{-40, 2000, 0, 400};
        t.wordWrap = t.multiline = t.readOnly = true;
        t.autoSize = t.border = t.html = true;
        t.noSelect = t.useOutlines = true;
        t.fontId = 1;
        t.fontHeight = 240;
        t.color = Rgba{0x10, 0x20, 0x30, 0xFF};
        t.maxLength = 50;
        t.layout = EditTextLayout{TextAlign::Center, 40, 20, 0, -20};
        t.variableName = "v";
        t.initialText = "<b>Ok</b>";
        v.push_back({"DefineEditText", t, {0x6A, 0x09, 0x0D, 0x00, 0x67, 0xEC, 0x3E, 0x80, 0x00, 0x0C, 0x80,
                                           0xEF, 0x7B, 0x01, 0x00, 0xF0, 0x00, 0x10, 0x20, 0x30, 0xFF, 0x32,
                                           0x00, 0x02, 0x28, 0x00, 0x14, 0x00, 0x00, 0x00, 0xEC, 0xFF, 'v',
                                           0x00, '<',  'b',  '>',  'O',  'k',  '<',  '/',  'b',  '>',  0x00}});
        // The smallest: an empty rectangle, no flags, a variable name.
        DefineEditText minimal;
        minimal.id = 3;
        minimal.variableName = "v";
        v.push_back({"DefineEditText minimal", minimal, {0x47, 0x09, 3, 0, 0x00, 0x00, 0x00, 'v', 0}});
        // A font class instead of a font id, the height after it, no text.
        DefineEditText c;
        c.id = 14;
        c.fontClass = "F";
        c.fontHeight = 200;
        v.push_back(
            {"DefineEditText font class", c, {0x4A, 0x09, 0x0E, 0x00, 0x00, 0x00, 0x80, 'F', 0x00, 0xC8, 0x00, 0x00}});
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
        v.push_back({"DefineSound ADPCM", s, {0x8A, 0x03, 0x0F, 0x00, 0x16, 0x00, 0x10, 0x00, 0x00, 0x40, 0x12, 0x34}});
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
        v.push_back({"DefineSound MP3 long header", s, bytes});
    }
    {
        // Sound info flags 0x1A: no multiple, envelope, out point.
        StartSound s;
        s.soundId = 15;
        s.info.syncNoMultiple = true;
        s.info.outPoint = 2000;
        s.info.envelope = std::vector<SoundEnvelopePoint>{{0, 32768, 0}, {44100, 0, 32768}};
        v.push_back({"StartSound", s, {0xD8, 0x03, 0x0F, 0x00, 0x1A, 0xD0, 0x07, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00,
                                       0x00, 0x00, 0x80, 0x00, 0x00, 0x44, 0xAC, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80}});
        StartSound plain;
        plain.soundId = 0x0102;
        v.push_back({"StartSound plain", plain, {0xC3, 0x03, 0x02, 0x01, 0x00}});
    }
    {
        StartSound s;
        s.version = 2;
        s.className = "Snd";
        s.info.loops = 3;
        v.push_back({"StartSound2", s, {0x47, 0x16, 'S', 'n', 'd', 0x00, 0x04, 0x03, 0x00}});
    }
    {
        // Playback 22 kHz 16-bit mono; stream ADPCM 22 kHz 16-bit mono; 1837 samples a frame.
        SoundStreamHead h;
        h.playbackRate = 2;
        h.format = SoundFormat::Adpcm;
        h.rate = 2;
        h.samplesPerBlock = 1837;
        v.push_back({"SoundStreamHead", h, {0x84, 0x04, 0x0A, 0x1A, 0x2D, 0x07}});
    }
    {
        // MP3 streams carry the latency seek after the sample count.
        SoundStreamHead h = streamHead(SoundFormat::Mp3, 3, true, true, 3675);
        h.latencySeek = 576;
        v.push_back({"SoundStreamHead2 MP3", h, {0x46, 0x0B, 0x0F, 0x2F, 0x5B, 0x0E, 0x40, 0x02}});
        // Uncompressed 8-bit 11 kHz mono: no latency field.
        v.push_back({"SoundStreamHead2 8-bit",
                     streamHead(SoundFormat::RawLittle, 1, false, false, 918),
                     {0x44, 0x0B, 0x04, 0x34, 0x96, 0x03}});
    }
    v.push_back({"SoundStreamBlock", SoundStreamBlock{{0x00, 0x01, 0x02}}, {0xC3, 0x04, 0x00, 0x01, 0x02}});
    v.push_back({"SoundStreamBlock long header", SoundStreamBlock{B(100, 0x5A)},
                 cat({{0xFF, 0x04, 0x64, 0x00, 0x00, 0x00}, B(100, 0x5A)})});
    return v;
}

}  // namespace swf::samples
