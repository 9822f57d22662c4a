// Morph shapes: exact bytes both ways, the shape at the start, middle and
// end ratios, straight/curve pairing, and bad input.
#include <gtest/gtest.h>

#include "swf/player/morph.h"
#include "tests/support/test_movies.h"

namespace {

using namespace swf;
using B = std::vector<std::uint8_t>;

StyleChange moveTo(int x, int y, std::optional<std::uint32_t> fill1 = {}, std::optional<std::uint32_t> line = {}) {
    return samples::styleChange(x, y, std::nullopt, fill1, line);
}

// A square of side 100 twips that grows into a 300-twip square, red to blue.
DefineMorphShape growingSquare() {
    DefineMorphShape m;
    m.id = 4;
    m.startBounds = {0, 100, 0, 100};
    m.endBounds = {0, 300, 0, 300};
    m.fills = {samples::morphFill({255, 0, 0, 255}, {0, 0, 255, 255})};
    m.lines = {samples::morphLine(20, 60, {0, 0, 0, 255}, {0, 0, 0, 0})};
    m.startEdges = {moveTo(0, 0, 1, 1), StraightEdge{100, 0}, StraightEdge{0, 100}, StraightEdge{-100, 0},
                    StraightEdge{0, -100}};
    m.endEdges = {moveTo(0, 0), StraightEdge{300, 0}, StraightEdge{0, 300}, StraightEdge{-300, 0},
                  StraightEdge{0, -300}};
    return m;
}

TEST(MorphShapeTag, ExactBytesBothWays) {
    DefineMorphShape m;
    m.id = 1;
    MorphFillStyle f;
    f.startColor = {1, 2, 3, 4};
    f.endColor = {5, 6, 7, 8};
    m.fills = {f};
    m.startEdges = {moveTo(0, 0, 1), StraightEdge{8, 0}};
    m.endEdges = {StraightEdge{0, 8}};
    const B bytes{
        0x01, 0x00,                          // id
        0x00, 0x00,                          // empty start and end bounds (5-bit count 0, padded)
        0x10, 0x00, 0x00, 0x00,              // offset to the end edges: 16 bytes
        0x01, 0x00, 1, 2, 3, 4, 5, 6, 7, 8,  // one solid morph fill
        0x00,                                // no line styles
        0x10,                                // 1 fill bit, 0 line bits
        // style change (move to 0,0 in 0 bits, fill1 = 1), horizontal edge dx=8 in 5 bits, end record
        0x14, 0x1C, 0xC4, 0x00,
        0x00,              // 0 fill bits, 0 line bits
        0xCD, 0x40, 0x00,  // vertical edge dy=8 in 5 bits, end record
    };
    EXPECT_EQ(encodeDefineMorphShape(m), bytes);
    auto back = parseDefineMorphShape(1, bytes);
    ASSERT_TRUE(back.ok()) << back.error().detail;
    EXPECT_EQ(*back, m);
}

TEST(MorphShapeTag, VersionTwoRoundTripWithEveryStyleKind) {
    DefineMorphShape m = growingSquare();
    m.version = 2;
    m.startEdgeBounds = {10, 90, 10, 90};
    m.endEdgeBounds = {10, 290, 10, 290};
    m.usesScalingStrokes = true;
    MorphFillStyle g;
    g.type = FillType::FocalGradient;
    g.startMatrix = Matrix::translate(5, 5);
    g.endMatrix.scaleX = 0x20000;
    g.spread = SpreadMode::Reflect;
    g.gradient = {{0, 255, {1, 1, 1, 255}, {2, 2, 2, 255}}, {255, 0, {9, 9, 9, 9}, {8, 8, 8, 8}}};
    g.startFocal = -128;
    g.endFocal = 64;
    MorphFillStyle bmp;
    bmp.type = FillType::ClippedBitmapHard;
    bmp.bitmapId = 12;
    bmp.endMatrix.rotateSkew0 = 300;
    m.fills.push_back(g);
    m.fills.push_back(bmp);
    MorphLineStyle l2;
    l2.join = JoinStyle::Miter;
    l2.miterLimit = 0x0280;
    l2.endCap = CapStyle::Square;
    l2.noHScale = true;
    l2.fill = g;
    m.lines.push_back(l2);
    auto back = parseDefineMorphShape(2, encodeDefineMorphShape(m));
    ASSERT_TRUE(back.ok()) << back.error().detail;
    EXPECT_EQ(*back, m);
}

TEST(MorphShapeAtRatio, StartMiddleEnd) {
    DefineMorphShape m = growingSquare();
    Shape start = morphShapeAt(m, 0);
    ASSERT_EQ(start.records.size(), 5u);
    EXPECT_EQ(std::get<StraightEdge>(start.records[1]), (StraightEdge{100, 0}));
    EXPECT_EQ(start.fills[0].color, (Rgba{255, 0, 0, 255}));
    EXPECT_EQ(start.lines[0].width, 20);

    Shape mid = morphShapeAt(m, 32768);
    EXPECT_EQ(std::get<StraightEdge>(mid.records[1]), (StraightEdge{200, 0}));
    EXPECT_EQ(std::get<StraightEdge>(mid.records[2]), (StraightEdge{0, 200}));
    // 32768 is just past the middle: 255 → 0 gives 127, 0 → 255 gives 128.
    EXPECT_EQ(mid.fills[0].color, (Rgba{127, 0, 128, 255}));
    EXPECT_EQ(mid.lines[0].width, 40);
    EXPECT_EQ(mid.lines[0].color.a, 127);
    const auto& sc = std::get<StyleChange>(mid.records[0]);
    EXPECT_EQ(sc.fill1, 1u) << "style selections come from the start edges";
    EXPECT_EQ(sc.line, 1u);

    Shape end = morphShapeAt(m, 65535);
    EXPECT_EQ(std::get<StraightEdge>(end.records[3]), (StraightEdge{-300, 0}));
    EXPECT_EQ(end.fills[0].color, (Rgba{0, 0, 255, 255}));
    EXPECT_EQ(morphBoundsAt(m, 65535), m.endBounds);
    EXPECT_EQ(morphBoundsAt(m, 32768), (Rect{0, 200, 0, 200}));
}

TEST(MorphShapeAtRatio, OutlineStaysClosedAtEveryRatio) {
    // Odd sizes make rounding visible: the output's deltas must still sum to zero.
    DefineMorphShape m = growingSquare();
    m.endEdges = {moveTo(7, 3), StraightEdge{301, 0}, StraightEdge{0, 297}, StraightEdge{-301, 0},
                  StraightEdge{0, -297}};
    for (std::uint16_t ratio : {1, 12345, 40000, 65534}) {
        Shape s = morphShapeAt(m, ratio);
        long x = 0, y = 0;
        for (std::size_t i = 1; i < s.records.size(); ++i) {
            const auto& e = std::get<StraightEdge>(s.records[i]);
            x += e.dx;
            y += e.dy;
        }
        EXPECT_EQ(x, 0) << ratio;
        EXPECT_EQ(y, 0) << ratio;
    }
}

TEST(MorphShapeAtRatio, StraightPairedWithCurveBecomesCurve) {
    DefineMorphShape m;
    m.fills = {MorphFillStyle{}};
    m.startEdges = {moveTo(0, 0, 1), StraightEdge{200, 0}};
    m.endEdges = {moveTo(0, 0), CurvedEdge{100, 100, 100, -100}};
    Shape start = morphShapeAt(m, 0);
    const auto& c0 = std::get<CurvedEdge>(start.records[1]);
    EXPECT_EQ(c0, (CurvedEdge{100, 0, 100, 0})) << "the straight edge's control point is its middle";
    Shape mid = morphShapeAt(m, 32768);
    const auto& c1 = std::get<CurvedEdge>(mid.records[1]);
    EXPECT_EQ(c1.controlDx, 100);
    EXPECT_EQ(c1.controlDy, 50);
    EXPECT_EQ(c1.controlDx + c1.anchorDx, 200);
    EXPECT_EQ(c1.controlDy + c1.anchorDy, 0);
}

TEST(MorphShapeAtRatio, EndMovesWithoutStartMovesStayAligned) {
    DefineMorphShape m;
    m.fills = {MorphFillStyle{}};
    m.startEdges = {moveTo(0, 0, 1), StraightEdge{100, 0}, StraightEdge{0, 100}};
    // The end outline starts its second edge from elsewhere.
    m.endEdges = {moveTo(0, 0), StraightEdge{100, 0}, moveTo(200, 0), StraightEdge{0, 100}};
    Shape end = morphShapeAt(m, 65535);
    ASSERT_EQ(end.records.size(), 4u);
    const auto& mv = std::get<StyleChange>(end.records[2]);
    EXPECT_EQ(mv.moveX, 200);
    EXPECT_EQ(std::get<StraightEdge>(end.records[3]), (StraightEdge{0, 100}));
}

TEST(MorphShapeBadInput, RefusedWithTypedErrors) {
    DefineMorphShape m = growingSquare();
    B good = encodeDefineMorphShape(m);
    for (std::size_t n : {std::size_t(0), std::size_t(3), std::size_t(9), good.size() - 2}) {
        auto r = parseDefineMorphShape(1, B(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n)));
        EXPECT_FALSE(r.ok()) << n;
        EXPECT_EQ(r.error().code, ErrorCode::Truncated) << n;
    }
    // id (2 bytes), start bounds in 8-bit fields (5 bytes), end bounds in 10-bit fields (6 bytes).
    const std::size_t offsetAt = 13;
    B badOffset = good;
    badOffset[offsetAt + 2] = 0xFF;
    EXPECT_EQ(parseDefineMorphShape(1, badOffset).error().code, ErrorCode::Truncated);
    B badFill = good;
    badFill[offsetAt + 5] = 0x77;  // fill type of the first style (after the offset and the count)
    auto bf = parseDefineMorphShape(1, badFill);
    EXPECT_EQ(bf.error().code, ErrorCode::Malformed) << bf.error().detail;
    EXPECT_EQ(parseDefineMorphShape(3, good).error().code, ErrorCode::Malformed);
    MorphLimits tiny{2, 20000};
    EXPECT_EQ(parseDefineMorphShape(1, good, tiny).error().code, ErrorCode::TooLarge);
}

}  // namespace
