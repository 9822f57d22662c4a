// Gradient colour tables: blending in sRGB and in linear light, records out
// of order or repeating a ratio, and the stops that show the table.
#include <gtest/gtest.h>

#include "swf/render/gradient.h"

namespace {

using namespace swf;

const Rgba kRed{255, 0, 0, 255}, kGreen{0, 255, 0, 255}, kBlue{0, 0, 255, 255}, kCyan{0, 255, 255, 255},
    kMagenta{255, 0, 255, 255}, kYellow{255, 255, 0, 255}, kBlack{0, 0, 0, 255};

TEST(SwfGradientTable, BlendsBetweenRecordsAndPadsBothEnds) {
    auto t = gradientTable({{64, kRed}, {192, Rgba{0, 0, 255, 0}}}, InterpolationMode::Normal);
    EXPECT_EQ(t[0], QColor(255, 0, 0));
    EXPECT_EQ(t[64], QColor(255, 0, 0));
    EXPECT_EQ(t[128], QColor(128, 0, 128, 128));  // halfway, alpha too
    EXPECT_EQ(t[192], QColor(0, 0, 255, 0));
    EXPECT_EQ(t[255], QColor(0, 0, 255, 0));

    // In linear light the middle of black to white is lighter than in sRGB.
    auto linear = gradientTable({{0, kBlack}, {254, Rgba{255, 255, 255, 255}}}, InterpolationMode::Linear);
    auto srgb = gradientTable({{0, kBlack}, {254, Rgba{255, 255, 255, 255}}}, InterpolationMode::Normal);
    EXPECT_EQ(srgb[127].red(), 128);
    EXPECT_EQ(linear[127].red(), 188);
    EXPECT_EQ(linear[254].red(), 255);
}

TEST(SwfGradientTable, RecordsGoingBackwardsAddNoEntriesButStartTheNextBlend) {
    auto t = gradientTable({{31, kRed}, {80, kGreen}, {50, kCyan}, {100, kMagenta}, {200, kBlue}, {150, kYellow}},
                           InterpolationMode::Normal);
    EXPECT_EQ(t[80], QColor(0, 255, 0));
    // Entry 81 is already 31/50 of the way from cyan (at 50) to magenta (at 100).
    EXPECT_EQ(t[81], QColor(158, 97, 255));
    EXPECT_EQ(t[100], QColor(255, 0, 255));
    EXPECT_EQ(t[200], QColor(0, 0, 255));
    // Past the last entry filled, the last record's colour, though it went backwards.
    EXPECT_EQ(t[201], QColor(255, 255, 0));
    EXPECT_EQ(t[255], QColor(255, 255, 0));
}

TEST(SwfGradientTable, RepeatedRatiosEachTakeTheNextEntry) {
    auto t = gradientTable({{80, kGreen}, {100, kCyan}, {100, kRed}, {100, kBlue}, {100, kBlack}, {100, kYellow}},
                           InterpolationMode::Normal);
    EXPECT_EQ(t[100], QColor(0, 255, 255));
    EXPECT_EQ(t[101], QColor(255, 0, 0));
    EXPECT_EQ(t[102], QColor(0, 0, 255));
    EXPECT_EQ(t[103], QColor(0, 0, 0));
    EXPECT_EQ(t[104], QColor(255, 255, 0));
    EXPECT_EQ(t[255], QColor(255, 255, 0));

    // Repeats at the very end do not run past the table.
    auto end = gradientTable({{255, kRed}, {255, kBlue}, {255, kGreen}}, InterpolationMode::Normal);
    EXPECT_EQ(end[0], QColor(255, 0, 0));
    EXPECT_EQ(end[255], QColor(255, 0, 0));
}

TEST(SwfGradientTable, StopsShowEachEntryOverItsOwnSpan) {
    auto t = gradientTable({{0, kRed}, {1, kBlue}}, InterpolationMode::Normal);
    QGradientStops stops = tableStops(t);
    // Red, then blue from entry 1 on as one run.
    ASSERT_EQ(stops.size(), 4);
    EXPECT_DOUBLE_EQ(stops[0].first, 0.0);
    EXPECT_EQ(stops[0].second, QColor(255, 0, 0));
    EXPECT_LT(stops[1].first, 1.0 / 256);
    EXPECT_GT(stops[1].first, 0.9 / 256);
    EXPECT_DOUBLE_EQ(stops[2].first, 1.0 / 256);
    EXPECT_EQ(stops[2].second, QColor(0, 0, 255));
    EXPECT_DOUBLE_EQ(stops[3].first, 1.0);
    for (int i = 1; i < stops.size(); ++i) EXPECT_GT(stops[i].first, stops[i - 1].first);

    // No records: nothing shows.
    auto none = gradientTable({}, InterpolationMode::Normal);
    EXPECT_EQ(none[0].alpha(), 0);
    EXPECT_EQ(none[255].alpha(), 0);
}

}  // namespace
