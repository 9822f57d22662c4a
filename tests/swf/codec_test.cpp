// Reader and writer: one table of test vectors (a tag value and its exact
// bytes, checked in both directions), then round trips of whole movies and
// the writer's handling of values that need more than one record.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "swf/format/action_builder.h"
#include "swf/format/reader.h"
#include "swf/format/writer.h"
#include "test_movies.h"

namespace {

using namespace swf;
using B = std::vector<std::uint8_t>;

struct Vector {
    const char* name;
    Tag value;
    B bytes;  // tag header and body
};

StyleChange sc(std::optional<int> mx, std::optional<int> my, std::optional<std::uint32_t> f0,
               std::optional<std::uint32_t> f1, std::optional<std::uint32_t> line) {
    StyleChange s;
    s.moveX = mx;
    s.moveY = my;
    s.fill0 = f0;
    s.fill1 = f1;
    s.line = line;
    return s;
}

std::vector<Vector> vectors() {
    std::vector<Vector> v;
    v.push_back({"ShowFrame", ShowFrame{}, {0x40, 0x00}});
    v.push_back({"End", End{}, {0x00, 0x00}});
    v.push_back({"SetBackgroundColor", SetBackgroundColor{{255, 0, 0, 255}}, {0x43, 0x02, 0xFF, 0x00, 0x00}});
    v.push_back({"FrameLabel", FrameLabel{"go", false}, {0xC3, 0x0A, 'g', 'o', 0}});
    v.push_back({"FrameLabel anchor", FrameLabel{"go", true}, {0xC4, 0x0A, 'g', 'o', 0, 1}});
    v.push_back({"RemoveObject2", RemoveObject{2, 0, 3}, {0x02, 0x07, 0x03, 0x00}});
    v.push_back({"RemoveObject", RemoveObject{1, 5, 3}, {0x44, 0x01, 5, 0, 3, 0}});
    {
        // The action builder's records, kept and written back as bytes.
        DoAction d = ActionBuilder().stop().play().nextFrame().previousFrame().gotoFrame(4).gotoLabel("a")
                         .record(0x0A).record(0x96, {0, 'x', 0}).doAction();
        v.push_back({"DoAction", d,
                     {0x16, 0x03, 0x07, 0x06, 0x04, 0x05, 0x81, 0x02, 0x00, 0x04, 0x00, 0x8C, 0x02, 0x00, 'a', 0x00,
                      0x0A, 0x96, 0x03, 0x00, 0x00, 'x', 0x00, 0x00}});
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
        v.push_back({"PlaceObject2 move cxform",
                     p,
                     {0x89, 0x06, 0x09, 0x01, 0x00, 0x69, 0x00, 0x40, 0x10, 0x02, 0x00}});
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
        d.shape.records = {sc(0, 0, std::nullopt, 1, std::nullopt), StraightEdge{20, 0}, StraightEdge{0, 20},
                           StraightEdge{-20, -20}};
        v.push_back({"DefineShape triangle",
                     d,
                     {0x96, 0x00, 0x01, 0x00, 0x30, 0x0A, 0x00, 0xA0, 0x01, 0x00, 0xFF, 0x00, 0x00, 0x00, 0x10,
                      0x14, 0x1D, 0x05, 0x34, 0x54, 0xD3, 0x65, 0x80, 0x00}});
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
        d.shape.records = {sc(std::nullopt, std::nullopt, std::nullopt, 1, std::nullopt), fresh,
                           sc(std::nullopt, std::nullopt, 1, std::nullopt, std::nullopt)};
        v.push_back({"DefineShape3 gradient new styles",
                     d,
                     {0x24, 0x08, 0x03, 0x00, 0x00, 0x01, 0x10, 0xC5, 0x00, 0x00, 0x80, 0x00, 0x00, 0x52,
                      0x00, 0xFF, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x10, 0x12, 0x80,
                      0x01, 0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0x10, 0x0A, 0x00}});
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
        d.shape.records = {sc(10, 0, std::nullopt, std::nullopt, 1), StraightEdge{0, -30}};
        v.push_back({"DefineShape4 LineStyle2",
                     d,
                     {0xD8, 0x14, 0x02, 0x00, 0x00, 0x00, 0x05, 0x00, 0x01, 0x28, 0x00, 0x64, 0x06, 0x80, 0x02,
                      0x00, 0x00, 0xFF, 0x80, 0x01, 0x24, 0xAA, 0x07, 0x46, 0x20, 0x00}});
    }
    {
        DefineFont f;
        f.version = 1;
        f.id = 1;
        f.wideCodes = false;
        Shape g;
        g.records = {sc(0, 0, std::nullopt, 1, std::nullopt), StraightEdge{10, 0}, StraightEdge{-10, 0}};
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
        v.push_back({"DefineFont2 layout",
                     f,
                     {0x21, 0x0C, 0x02, 0x00, 0x84, 0x00, 0x01, 'A', 0x01, 0x00, 0x04, 0x00, 0x06, 0x00, 0x10,
                      0x00, 0x41, 0x00, 0x20, 0x03, 0xC8, 0x00, 0x28, 0x00, 0x58, 0x02, 0x00, 0x01, 0x00, 0x41,
                      0x00, 0x42, 0x00, 0xF6, 0xFF}});
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
        v.push_back({"DefineText",
                     t,
                     {0xDB, 0x02, 0x05, 0x00, 0x00, 0x00, 0x02, 0x08, 0x8F, 0x01, 0x00, 0x00, 0x00, 0xFF, 0x0A,
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
    return v;
}

TEST(SwfCodec, EveryVectorWritesItsBytesAndReadsBackItsValue) {
    for (const auto& vec : vectors()) {
        SCOPED_TRACE(vec.name);
        EXPECT_EQ(writeTag(vec.value), vec.bytes);
        auto back = readTag(vec.bytes);
        ASSERT_TRUE(back.has_value());
        EXPECT_TRUE(*back == vec.value);
    }
}

TEST(SwfCodec, HeaderBytesOfAnEmptyMovie) {
    MovieData m;
    m.header.version = 6;
    m.header.frame = Rect{0, 100, 0, 100};
    m.header.frameRate = 0x0C80;  // 12.5 fps
    m.header.frameCount = 1;
    B expected = {'F', 'W', 'S', 6, 19, 0, 0, 0, 0x40, 0x03, 0x20, 0x03, 0x20, 0x80, 0x0C, 0x01, 0x00, 0x00, 0x00};
    EXPECT_EQ(write(m), expected);
    ReadResult r = read(expected);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(*r.movie, m);
    EXPECT_FALSE(r.partial);
    EXPECT_EQ(r.movie->header.framesPerSecond(), 12.5);
}

// SWF_WRITE_FUZZ_SEEDS=DIR also saves every written movie there (the fuzz
// seed corpus is made this way).
TEST(SwfCodec, TestMoviesRoundTripUncompressedAndCompressed) {
    auto movies = samples::goldenMovies();
    movies.push_back({"lesson", samples::lessonLikeMovie(3), {}});
    movies.push_back({"actions", samples::actionsMovie(), {}});
    const char* seeds = std::getenv("SWF_WRITE_FUZZ_SEEDS");
    for (const auto& m : movies) {
        SCOPED_TRACE(m.name);
        for (Compression c : {Compression::None, Compression::Zlib}) {
            B bytes = write(m.movie, c);
            if (seeds) {
                std::ofstream(std::string(seeds) + "/" + m.name + (c == Compression::Zlib ? "-z" : "") + ".swf",
                              std::ios::binary)
                    .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
            }
            EXPECT_EQ(bytes[0], c == Compression::Zlib ? 'C' : 'F');
            ReadResult r = read(bytes);
            ASSERT_TRUE(r.ok()) << r.error->detail;
            EXPECT_EQ(r.compression, c);
            EXPECT_FALSE(r.partial);
            EXPECT_TRUE(r.warnings.empty());
            EXPECT_TRUE(*r.movie == m.movie);
        }
    }
}

TEST(SwfCodec, WideValuesRoundTrip) {
    // Extended style counts, wide glyph offsets, DefineFont3, DefineText2,
    // large coordinates and negative fixed-point values.
    DefineShape d;
    d.version = 2;
    d.id = 9;
    d.bounds = Rect{-300000, 300000, -5, 5};
    for (int i = 0; i < 300; ++i) d.shape.fills.push_back(FillStyle::solid({std::uint8_t(i), 0, 0, 255}));
    for (int i = 0; i < 260; ++i) d.shape.lines.push_back(LineStyle{std::uint16_t(i), {0, 0, std::uint8_t(i), 255}});
    d.shape.records = {sc(-100000, 100000, 299, 300, 260), StraightEdge{-65535, 65535},
                       CurvedEdge{-65535, 3, 65535, -4}};
    DefineFont f;
    f.version = 3;
    f.id = 10;
    f.wideOffsets = true;
    for (int i = 0; i < 3; ++i) {
        Shape g;
        g.records = {sc(i, -i, std::nullopt, 1, std::nullopt), StraightEdge{500, 0}, CurvedEdge{0, 500, -500, 0}};
        f.glyphs.push_back(g);
        f.codes.push_back(std::uint16_t(0x20AC + i));
    }
    DefineText t;
    t.version = 2;
    t.id = 11;
    t.matrix.scaleX = -0x18000;
    t.matrix.rotateSkew0 = 0x4000;
    t.matrix.rotateSkew1 = -0x4000;
    TextRecord rec;
    rec.fontId = 10;
    rec.height = 400;
    rec.color = Rgba{1, 2, 3, 4};
    rec.glyphs = {{2, -3000}, {0, 32767}};
    t.records = {rec};
    PlaceObject p;
    p.version = 3;
    p.depth = 65535;
    p.characterId = 9;
    ColorTransform c{-256, 512, 0, 100, -255, 255, 16383, -16384};
    p.colorTransform = c;
    p.extraFlags3 = 0x02;  // blend mode, kept opaque
    p.tail = {0x03};
    MovieData m;
    m.tags = {d, f, t, p, ShowFrame{}};
    ReadResult r = read(write(m, Compression::Zlib));
    ASSERT_TRUE(r.ok());
    EXPECT_TRUE(*r.movie == m);
}

TEST(SwfCodec, WriterSplitsEdgesAndRunsTooLongForOneRecord) {
    DefineShape d;
    d.version = 3;
    d.id = 1;
    d.shape.fills = {FillStyle::solid({0, 0, 0, 255})};
    d.shape.records = {sc(0, 0, std::nullopt, 1, std::nullopt), StraightEdge{200000, -70000}};
    auto back = readTag(writeTag(d));
    ASSERT_TRUE(back.has_value());
    const auto& recs = std::get<DefineShape>(*back).shape.records;
    ASSERT_GT(recs.size(), 2u);
    long long x = 0, y = 0;
    for (std::size_t i = 1; i < recs.size(); ++i) {
        const auto& e = std::get<StraightEdge>(recs[i]);
        EXPECT_LE(std::abs(e.dx), 65535);
        x += e.dx;
        y += e.dy;
    }
    EXPECT_EQ(x, 200000);
    EXPECT_EQ(y, -70000);

    DefineText t;
    t.id = 2;
    TextRecord rec;
    rec.fontId = 1;
    rec.height = 100;
    rec.xOffset = 5;
    for (int i = 0; i < 600; ++i) rec.glyphs.push_back({std::uint32_t(i % 7), 10});
    t.records = {rec};
    auto tb = readTag(writeTag(t));
    ASSERT_TRUE(tb.has_value());
    const auto& runs = std::get<DefineText>(*tb).records;
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(runs[0].glyphs.size(), 255u);
    EXPECT_EQ(runs[2].glyphs.size(), 90u);
    EXPECT_EQ(runs[0].fontId, std::optional<std::uint16_t>(1));
    EXPECT_FALSE(runs[1].fontId.has_value()) << "continuation runs keep the style";
    EXPECT_FALSE(runs[1].xOffset.has_value());
}

TEST(SwfCodec, UnknownTagsAreKeptAndCounted) {
    MovieData m;
    m.tags = {UnknownTag{69, {0, 0, 0, 0}}, ActionBuilder().record(0x96, {0, 'x', 0}).stop().record(0x1C).doAction(),
              UnknownTag{777 & 0x3FF, {}}, ShowFrame{}};
    ReadResult r = read(write(m));
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.skippedTags, 2);
    EXPECT_TRUE(*r.movie == m);
}

TEST(SwfCodec, ActionBytesAreKeptAsTheFileHasThem) {
    // Scripts that are not well formed (no end byte, bytes after it, a record
    // whose length passes the end) come back byte for byte: nothing re-encodes them.
    const std::vector<Bytes> scripts = {{0x07}, {0x07, 0x00, 0xAB, 0xCD}, {0x96, 0x40, 0x00, 1}, {}};
    MovieData m;
    for (const Bytes& s : scripts) m.tags.push_back(DoAction{s});
    m.tags.push_back(DoInitAction{7, {0x06, 0x00}});
    m.tags.push_back(ShowFrame{});
    const Bytes file = write(m);
    ReadResult r = read(file);
    ASSERT_TRUE(r.ok());
    EXPECT_TRUE(*r.movie == m);
    EXPECT_EQ(write(*r.movie), file);
    EXPECT_EQ(r.skippedTags, 0);
}

}  // namespace
