// The rules of the conformance suite: a test's settings (from its test.toml),
// how a trace output is compared with the reference's, and how a picture is
// compared within a tolerance.
#pragma once

#include <QImage>
#include <QString>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace conformance {

struct ImageCheck {
    std::string name;      // the picture is NAME.expected.png
    int tolerance = 0;     // per channel
    long maxOutliers = 0;  // pixels allowed past the tolerance
    int trigger = 0;       // the frame it is taken after; 0 = the last one
};

struct Approximation {
    double epsilon = 0;
    bool bareNumbers = false;                 // whole lines that are numbers
    std::vector<std::string> numberPatterns;  // regular expressions whose first group is a number
};

struct TestSettings {
    int frames = 1;
    bool knownFailure = false;
    std::vector<ImageCheck> images;
    std::optional<Approximation> approximation;
    // [player_options] viewport_dimensions' scale_factor: recorded pointer
    // positions are in device pixels, this many to a stage pixel.
    double pointerScale = 1;
    std::string quality;  // the renderer's quality for pictures ("low": no antialiasing); empty: high
};

// Reads the few keys of test.toml the runner needs; unknown keys and tables
// are ignored, malformed lines too.
TestSettings parseSettings(std::string_view toml);

// Line endings normalised to "\n" and trailing newlines dropped.
std::string normaliseOutput(std::string_view text);

// Whether `actual` matches `expected` after normalisation, allowing numbers
// to differ by the approximation's epsilon where the test has one.
bool outputsMatch(std::string_view expected, std::string_view actual, const std::optional<Approximation>& approx);

struct ImageDifference {
    bool sameSize = false;
    long outliers = 0;  // pixels with a channel differing by more than the tolerance
    int maxDelta = 0;
};

// Compares two pictures channel by channel (alpha included), both converted
// to non-premultiplied ARGB.
ImageDifference compareImages(const QImage& expected, const QImage& actual, int tolerance);

// A picture of where two pictures differ: pixels within the tolerance show
// the expected picture faded to grey, the others red, brighter the larger
// their worst channel difference. Pictures of different sizes give the
// larger size with every pixel outside either picture red.
QImage differenceImage(const QImage& expected, const QImage& actual, int tolerance);

inline bool imageMatches(const ImageDifference& d, const ImageCheck& check) {
    return d.sameSize && d.outliers <= check.maxOutliers;
}

}  // namespace conformance
