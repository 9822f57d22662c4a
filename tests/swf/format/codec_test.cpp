// Reader and writer: one table of test vectors (a tag value and its exact
// bytes, checked in both directions), then round trips of whole movies and
// the writer's handling of values that need more than one record.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <set>

#include "swf/format/action_builder.h"
#include "swf/format/reader.h"
#include "swf/format/writer.h"
#include "tests/swf/format/tag_vectors.h"
#include "tests/support/test_movies.h"

namespace {

using namespace swf;
using B = std::vector<std::uint8_t>;
using samples::styleChange;

// Every vector both ways: the value writes its exact bytes, and the bytes
// read back as the value, under the code and name the header carries.
TEST(SwfCodec, EveryTagVectorWritesItsBytesAndReadsBackItsValue) {
    for (const auto& vec : samples::tagVectors()) {
        SCOPED_TRACE(vec.name);
        EXPECT_EQ(writeTag(vec.value), vec.bytes);
        auto back = readTag(vec.bytes);
        ASSERT_TRUE(back.has_value()) << back.error().detail;
        EXPECT_TRUE(*back == vec.value);
        ASSERT_GE(vec.bytes.size(), 2u);
        const std::uint16_t code = tagCode(vec.value);
        EXPECT_EQ((vec.bytes[0] | (vec.bytes[1] << 8)) >> 6, code) << "the header carries the code";
        if (std::holds_alternative<UnknownTag>(vec.value)) continue;
        EXPECT_FALSE(std::holds_alternative<UnknownTag>(*back));
        EXPECT_EQ(std::string(vec.name).rfind(tagName(code), 0), 0u) << tagName(code);
    }
}

// A fill's type byte picks one of three families (solid, gradient, bitmap);
// every other code is malformed, in shapes and in morph shapes alike.
TEST(SwfCodec, FillTypesOutsideTheThreeFamiliesAreMalformed) {
    B shape = writeTag(samples::rectShape(1, 0, 0, 0, 0, FillStyle::solid({1, 2, 3, 255}), 1));
    DefineMorphShape m = samples::morphShapeDef(2, Rect{}, Rect{});
    m.fills = {samples::morphFill({1, 2, 3, 255}, {4, 5, 6, 255})};
    B morph = writeTag(m);
    // The type byte follows the tag header, the id, the bounds (one byte when
    // empty), the morph shape's offset, and the count of fills.
    const std::size_t shapeAt = 2 + 2 + 1 + 1, morphAt = 2 + 2 + 1 + 1 + 4 + 1;
    ASSERT_EQ(shape.at(shapeAt), 0x00);
    ASSERT_EQ(morph.at(morphAt), 0x00);
    ASSERT_TRUE(readTag(shape).has_value());
    ASSERT_TRUE(readTag(morph).has_value());
    const std::set<int> families = {0x00, 0x10, 0x12, 0x13, 0x40, 0x41, 0x42, 0x43};
    for (int type = 0; type < 256; ++type) {
        if (families.count(type)) continue;
        SCOPED_TRACE(type);
        shape[shapeAt] = morph[morphAt] = static_cast<std::uint8_t>(type);
        for (const B* bytes : {&shape, &morph}) {
            auto back = readTag(*bytes);
            ASSERT_FALSE(back.has_value());
            EXPECT_EQ(back.error().code, ErrorCode::Malformed);
        }
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
    d.shape.records = {styleChange(-100000, 100000, 299, 300, 260), StraightEdge{-65535, 65535},
                       CurvedEdge{-65535, 3, 65535, -4}};
    DefineFont f;
    f.version = 3;
    f.id = 10;
    f.wideOffsets = true;
    for (int i = 0; i < 3; ++i) {
        Shape g;
        g.records = {styleChange(i, -i, std::nullopt, 1, std::nullopt), StraightEdge{500, 0},
                     CurvedEdge{0, 500, -500, 0}};
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
    d.shape.records = {styleChange(0, 0, std::nullopt, 1, std::nullopt), StraightEdge{200000, -70000}};
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
