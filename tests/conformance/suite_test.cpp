// The conformance runner's rules: reading test.toml, comparing traces (with
// and without numeric approximations) and comparing pictures.
#include <gtest/gtest.h>

#include <QImage>

#include "tools/swf-conformance/suite.h"

using namespace conformance;

TEST(ConformanceSettings, ReadsFramesPicturesAndApproximations) {
    auto s = parseSettings(R"toml(num_ticks = 16 # comment
known_failure = true

[image_comparisons.output]
tolerance = 34
max_outliers = 1070

[[image_comparisons.output.checks]]
tolerance = 99

[image_comparisons."frame 2"]
tolerance = 1
trigger = 3
image_comparisons."output.08.middle_up".trigger = 8

[approximations]
epsilon = 1e-14 # roughly 50 ulps
number_patterns = ["(\\d+\\.\\d+)", "x=(\\d+)"]
bare_numbers = true

[player_options]
with_renderer = { optional = false, quality = "low" }
)toml");
    EXPECT_EQ(s.frames, 16);
    EXPECT_TRUE(s.knownFailure);
    ASSERT_EQ(s.images.size(), 2u);
    EXPECT_EQ(s.images[0].name, "output");
    EXPECT_EQ(s.images[0].tolerance, 34);  // the checks sub-table does not overwrite it
    EXPECT_EQ(s.images[0].maxOutliers, 1070);
    EXPECT_EQ(s.images[0].trigger, 0);
    EXPECT_EQ(s.images[1].name, "frame 2");
    EXPECT_EQ(s.images[1].trigger, 3);
    ASSERT_TRUE(s.approximation);
    EXPECT_DOUBLE_EQ(s.approximation->epsilon, 1e-14);
    EXPECT_TRUE(s.approximation->bareNumbers);
    ASSERT_EQ(s.approximation->numberPatterns.size(), 2u);
    EXPECT_EQ(s.approximation->numberPatterns[0], "(\\d+\\.\\d+)");
    EXPECT_EQ(s.quality, "low");
}

TEST(ConformanceSettings, TopLevelDottedTriggerAndDefaults) {
    auto s = parseSettings("num_frames = 12\nimage_comparisons.\"output.08\".trigger = 8\n");
    EXPECT_EQ(s.frames, 12);
    ASSERT_EQ(s.images.size(), 1u);
    EXPECT_EQ(s.images[0].name, "output.08");
    EXPECT_EQ(s.images[0].trigger, 8);

    auto empty = parseSettings("");
    EXPECT_EQ(empty.frames, 1);
    EXPECT_FALSE(empty.knownFailure);
    EXPECT_TRUE(empty.images.empty());
    EXPECT_FALSE(empty.approximation);
    EXPECT_EQ(empty.quality, "");
    EXPECT_EQ(parseSettings("[player_options]\nwith_renderer = { quality = \"medium\" }\n").quality, "medium");
    EXPECT_EQ(parseSettings("[other]\nwith_renderer = { quality = \"low\" }\n").quality, "");
    EXPECT_EQ(parseSettings("num_frames = 0\n").frames, 1);  // at least one frame is played
}

TEST(ConformanceSettings, ViewportScaleFactorScalesRecordedPointerPositions) {
    auto s = parseSettings(R"toml(num_frames = 30
[player_options]
viewport_dimensions = { width = 1100, height = 800, scale_factor = 2.0 }
with_renderer = { optional = true, quality = "low" }
)toml");
    EXPECT_EQ(s.frames, 30);
    EXPECT_DOUBLE_EQ(s.pointerScale, 2.0);
    EXPECT_DOUBLE_EQ(parseSettings("[player_options]\nviewport_dimensions = { width = 10 }\n").pointerScale, 1.0);
    EXPECT_DOUBLE_EQ(parseSettings("[player_options]\nviewport_dimensions = { scale_factor = 0 }\n").pointerScale, 1.0)
        << "a scale that would put the pointer nowhere is ignored";
    EXPECT_DOUBLE_EQ(parseSettings("viewport_dimensions = { scale_factor = 3 }\n").pointerScale, 1.0)
        << "only under [player_options]";
}

TEST(ConformanceOutput, LineEndingsAndTrailingNewlinesDoNotCount) {
    EXPECT_EQ(normaliseOutput("a\r\nb\rc\n\n\n"), "a\nb\nc");
    EXPECT_TRUE(outputsMatch("a\r\nb\r\n", "a\nb", std::nullopt));
    EXPECT_TRUE(outputsMatch("", "\n", std::nullopt));
    EXPECT_FALSE(outputsMatch("a\nb", "a\n\nb", std::nullopt));  // inner blank lines count
    EXPECT_FALSE(outputsMatch("a", "a ", std::nullopt));
    EXPECT_FALSE(outputsMatch("undefined", "", std::nullopt));
}

TEST(ConformanceOutput, ApproximationsAllowNumbersWithinEpsilonOnly) {
    Approximation bare{0.051, true, {}};
    EXPECT_TRUE(outputsMatch("1.25\nx", "1.2\nx", bare));
    EXPECT_FALSE(outputsMatch("1.25\nx", "1.1\nx", bare));
    EXPECT_FALSE(outputsMatch("1.25\nx", "1.25\ny", bare));  // text still exact
    EXPECT_FALSE(outputsMatch("1.25", "1.25\n1", bare));     // line count exact
    EXPECT_FALSE(outputsMatch("NaN", "1", bare));

    Approximation patterns{1e-9, false, {"(\\d+\\.\\d+)"}};
    EXPECT_TRUE(outputsMatch("w = 0.1000000000001 h = 2.5", "w = 0.1 h = 2.5", patterns));
    EXPECT_FALSE(outputsMatch("w = 0.1000000000001 h = 2.5", "w = 0.1 k = 2.5", patterns));
    EXPECT_FALSE(outputsMatch("w = 0.2", "w = 0.1", patterns));
    EXPECT_FALSE(outputsMatch("5", "5.0000000000001", std::optional<Approximation>(Approximation{1, false, {}})));
}

TEST(ConformancePictures, CountsPixelsPastTheToleranceOnEveryChannel) {
    QImage a(4, 2, QImage::Format_ARGB32);
    a.fill(qRgba(100, 100, 100, 255));
    QImage b = a.copy();
    b.setPixel(0, 0, qRgba(110, 100, 100, 255));  // red +10
    b.setPixel(1, 0, qRgba(100, 100, 100, 200));  // alpha -55
    b.setPixel(2, 1, qRgba(100, 103, 100, 255));  // green +3

    auto d = compareImages(a, b, 5);
    EXPECT_TRUE(d.sameSize);
    EXPECT_EQ(d.outliers, 2);
    EXPECT_EQ(d.maxDelta, 55);
    EXPECT_TRUE(imageMatches(d, {"output", 5, 2, 0}));
    EXPECT_FALSE(imageMatches(d, {"output", 5, 1, 0}));
    EXPECT_EQ(compareImages(a, b, 55).outliers, 0);
    EXPECT_EQ(compareImages(a, a, 0).outliers, 0);

    QImage premultiplied = a.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    EXPECT_EQ(compareImages(a, premultiplied, 0).outliers, 0);  // formats do not matter
    auto other = compareImages(a, QImage(3, 2, QImage::Format_ARGB32), 255);
    EXPECT_FALSE(other.sameSize);
    EXPECT_FALSE(imageMatches(other, {"output", 255, 1000, 0}));
    EXPECT_FALSE(imageMatches(compareImages(a, QImage(), 255), {"output", 255, 1000, 0}));
}

TEST(ConformancePictures, DifferenceImageMarksOnlyPixelsPastTheTolerance) {
    QImage a(3, 2, QImage::Format_ARGB32);
    a.fill(qRgb(0, 0, 0));
    QImage b = a.copy();
    b.setPixel(0, 0, qRgb(100, 0, 0));  // far off
    b.setPixel(1, 1, qRgb(3, 0, 0));    // within a tolerance of 5
    QImage d = differenceImage(a, b, 5);
    ASSERT_EQ(d.size(), a.size());
    EXPECT_EQ(qRed(d.pixel(0, 0)), 128 + 50);
    EXPECT_EQ(qGreen(d.pixel(0, 0)), 0);
    EXPECT_EQ(d.pixel(1, 1), qRgb(192, 192, 192));  // grey: a match
    EXPECT_EQ(d.pixel(2, 0), qRgb(192, 192, 192));

    // A picture of another size: everything outside the common part is red.
    QImage wide(4, 2, QImage::Format_ARGB32);
    wide.fill(qRgb(0, 0, 0));
    QImage dw = differenceImage(a, wide, 0);
    ASSERT_EQ(dw.size(), QSize(4, 2));
    EXPECT_EQ(dw.pixel(3, 1), qRgb(255, 0, 0));
    EXPECT_EQ(dw.pixel(0, 0), qRgb(192, 192, 192));
}
