// Golden images: one comparison and one tolerance rule for every test that
// checks a render against a PNG in the source tree.
//
// A pixel matches when no channel (alpha included) differs by more than
// kGoldenChannelTolerance; an image matches when at most
// kGoldenStrayPixelsPerMille of its pixels do not (antialiased edges move by
// a pixel between Qt versions). A failing comparison writes NAME.actual.png
// and NAME.diff.png (red: over the tolerance, grey: within it) into the build
// folder. SWF_UPDATE_GOLDEN=1 rewrites the goldens from the actual images.
#pragma once

#include <QImage>
#include <QString>

namespace tk::test {

inline constexpr int kGoldenChannelTolerance = 8;
inline constexpr int kGoldenStrayPixelsPerMille = 5;

// Compares `actual` with `goldenDir/NAME.png` (goldenDir relative to the
// source tree, e.g. "tests/swf/render/golden"); failures go to `<build>/outDir`.
// Reports through GoogleTest; returns whether the images matched.
bool expectMatchesGolden(const QImage& actual, const QString& goldenDir, const QString& name, const QString& outDir);

// The largest difference between two pixels' channels, alpha included.
int channelDiff(QRgb a, QRgb b);

// The number of pixels whose channels differ by more than the tolerance
// (images of different sizes differ everywhere). Fills `diff` when given.
int pixelsOverTolerance(const QImage& a, const QImage& b, QImage* diff = nullptr);

}  // namespace tk::test
