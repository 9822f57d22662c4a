// The embedded pictures, read back from the resources: sizes, and the
// features the screens' controls rely on at their coordinates and colours.
#include "layouts/layouts.h"
#include "media/pictures/pictures.h"
#include "tests/pictures/jpeg_pictures.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QRect>
#include <QString>

#include <functional>
#include <span>

namespace {

QImage load(const char* path) {
    QImage img(QString::fromLatin1(path));
    EXPECT_FALSE(img.isNull()) << path;
    return img;
}

// JPEG tolerance for flat areas sampled away from edges.
constexpr int kTolerance = 12;

::testing::AssertionResult near(const QImage& img, int x, int y, QRgb want) {
    const QRgb got = img.pixel(x, y);
    const int dr = qRed(got) - qRed(want), dg = qGreen(got) - qGreen(want), db = qBlue(got) - qBlue(want);
    if (std::abs(dr) <= kTolerance && std::abs(dg) <= kTolerance && std::abs(db) <= kTolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is "
                                         << QString::number(got & 0xFFFFFF, 16).toStdString() << ", expected "
                                         << QString::number(want & 0xFFFFFF, 16).toStdString();
}

// Checks every pixel of a rectangle (inclusive coordinates).
::testing::AssertionResult areaNear(const QImage& img, QRect r, QRgb want) {
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (auto res = near(img, x, y, want); !res) return res;
    return ::testing::AssertionSuccess();
}

bool dark(QRgb c) { return qRed(c) < 90 && qGreen(c) < 90 && qBlue(c) < 90; }

// Bounding box of the pixels in `area` that satisfy `pred`; null when none.
QRect inkBox(const QImage& img, QRect area, const std::function<bool(QRgb)>& pred) {
    QRect box;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (pred(img.pixel(x, y))) box |= QRect(x, y, 1, 1);
    return box;
}

const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kBlue = qRgb(0x51, 0x6C, 0xB1);

TEST(EmbeddedPictures, InitRegistersAndEveryPathResolves) {
    EXPECT_TRUE(media::pictures::init());
    EXPECT_TRUE(media::pictures::init());  // idempotent
    for (const char* path :
         {layouts::kAppIcon, layouts::kHandCursor, layouts::kSplashBackground, layouts::kMenuBackground,
          layouts::kMarkerArrow, layouts::kPictureMenuBackground, layouts::kLessonBackground})
        EXPECT_FALSE(QImage(QString::fromLatin1(path)).isNull()) << path;
}

TEST(EmbeddedPictures, EachPictureHasItsExactPixelSize) {
    using pictures_test::PictureSize;
    const PictureSize icons[] = {{layouts::kAppIcon, 32, 32}, {layouts::kHandCursor, 32, 32}};
    for (std::span<const PictureSize> list :
         {std::span<const PictureSize>(icons), std::span<const PictureSize>(pictures_test::kJpegPictures)})
        for (const PictureSize& s : list) {
            const QImage img = load(s.path);
            EXPECT_EQ(img.size(), QSize(s.w, s.h)) << s.path;
        }
}

TEST(SplashBackground, FrenchTileIsRedInsideTheSkipAreaWithWhiteText) {
    const QImage img = load(layouts::kSplashBackground);
    const QRect skipArea(32, 256, 64, 39);  // x 32..95, y 256..294
    const QRect tile(37, 261, 57, 32);
    ASSERT_TRUE(skipArea.contains(tile));
    // Corners of the tile's interior, clear of the label.
    EXPECT_TRUE(areaNear(img, QRect(40, 264, 6, 3), qRgb(0xC4, 0x0C, 0x0A)));
    EXPECT_TRUE(areaNear(img, QRect(84, 287, 6, 3), qRgb(0xC4, 0x0C, 0x0A)));
    // The tile's edges: ground just outside, red just inside.
    EXPECT_TRUE(near(img, 34, 276, qRgb(0xF3, 0xF3, 0xF3)));
    EXPECT_TRUE(near(img, 39, 276, qRgb(0xC4, 0x0C, 0x0A)) || img.pixel(39, 276) == kWhite);
    EXPECT_TRUE(near(img, 65, 258, qRgb(0xF3, 0xF3, 0xF3)));
    // White label in the tile's middle band.
    const QRect label =
        inkBox(img, QRect(38, 268, 55, 18), [](QRgb c) { return qRed(c) > 220 && qGreen(c) > 220 && qBlue(c) > 220; });
    ASSERT_FALSE(label.isNull());
    EXPECT_GT(label.width(), 30);
}

TEST(SplashBackground, SevenTilesOfTheirColoursOnLightGrey) {
    const QImage img = load(layouts::kSplashBackground);
    struct Tile {
        int left;
        QRgb colour;
    };
    const Tile tiles[] = {{37, qRgb(0xC4, 0x0C, 0x0A)},  {100, qRgb(0xF3, 0x65, 0x23)}, {163, qRgb(0xDD, 0xB6, 0x01)},
                          {226, qRgb(0x22, 0x93, 0x0D)}, {290, qRgb(0x29, 0x7E, 0xBF)}, {354, qRgb(0x93, 0x93, 0x93)},
                          {418, qRgb(0xC4, 0x0C, 0x0A)}};
    for (const Tile& t : tiles) {
        SCOPED_TRACE(t.left);
        EXPECT_TRUE(areaNear(img, QRect(t.left + 3, 264, 4, 3), t.colour));
        EXPECT_TRUE(areaNear(img, QRect(t.left + 44, 286, 4, 3), t.colour));
        // Ground left of the tile, and above it.
        EXPECT_TRUE(near(img, t.left - 3, 276, qRgb(0xF3, 0xF3, 0xF3)));
        EXPECT_TRUE(near(img, t.left + 28, 258, qRgb(0xF3, 0xF3, 0xF3)));
    }
}

// Shared checks of the two menu backgrounds.
void checkMenuDesign(const QImage& img) {
    // White band over rows 0..78, blue ground from row 79.
    EXPECT_TRUE(areaNear(img, QRect(0, 70, 8, 9), kWhite));
    EXPECT_TRUE(areaNear(img, QRect(620, 60, 18, 19), kWhite));
    EXPECT_TRUE(areaNear(img, QRect(0, 83, 100, 4), kBlue));
    EXPECT_TRUE(areaNear(img, QRect(10, 200, 90, 200), kBlue));
    EXPECT_TRUE(areaNear(img, QRect(530, 100, 100, 340), kBlue));
    EXPECT_TRUE(areaNear(img, QRect(0, 440, 240, 15), kBlue));
    // The panel: header strip lighter than blue and not white, white interior
    // where the main menu's titles lie (x 200..513, y 120..392).
    const QRgb header = img.pixel(400, 89);
    EXPECT_GT(qBlue(header), 200);
    EXPECT_FALSE(near(img, 400, 89, kWhite));
    EXPECT_TRUE(areaNear(img, QRect(116, 104, 10, 310), kWhite));
    EXPECT_TRUE(areaNear(img, QRect(440, 104, 70, 300), kWhite));
    // Close mark: dark pixels inside the exit area (x 608..640, y 0..32) and
    // the close hot spot (x 616..640, y 0..24), nothing dark around it.
    const QRect mark = inkBox(img, QRect(604, 0, 34, 40), dark);
    ASSERT_FALSE(mark.isNull());
    EXPECT_TRUE(QRect(618, 4, 16, 16).contains(mark))
        << mark.x() << "," << mark.y() << " " << mark.width() << "x" << mark.height();
    EXPECT_GE(mark.width(), 10);
    EXPECT_GE(mark.height(), 10);
    EXPECT_TRUE(QRect(608, 0, 33, 33).contains(mark));
    EXPECT_TRUE(QRect(616, 0, 25, 25).contains(mark));
    EXPECT_TRUE(areaNear(img, QRect(606, 24, 32, 6), kWhite));
    // Footer text in light letters inside x 249..377, y 433..450 only.
    auto light = [](QRgb c) { return qRed(c) > 150 && qGreen(c) > 160; };
    const QRect footer = inkBox(img, QRect(111, 426, 412, 29), light);
    ASSERT_FALSE(footer.isNull());
    EXPECT_TRUE(QRect(249, 433, 129, 18).contains(footer));
    EXPECT_GT(footer.width(), 80);
}

TEST(MenuBackground, BandPanelCloseMarkAndFooter) {
    const QImage img = load(layouts::kMenuBackground);
    checkMenuDesign(img);
    // The panel interior is empty: the titles are labels laid over it.
    EXPECT_TRUE(inkBox(img, QRect(113, 100, 400, 300), dark).isNull());
}

TEST(PictureMenuBackground, SameDesignWithTheMenuDrawnIn) {
    const QImage img = load(layouts::kPictureMenuBackground);
    checkMenuDesign(img);
}

TEST(PictureMenuBackground, EachRowTitleLiesUnderItsHoverPictureAndHotSpot) {
    const QImage img = load(layouts::kPictureMenuBackground);
    const QRect rects[9] = {{256, 104, 148, 26}, {248, 136, 162, 26}, {232, 168, 185, 25},
                            {248, 200, 173, 26}, {248, 232, 162, 25}, {288, 264, 121, 24},
                            {248, 296, 165, 25}, {272, 328, 137, 24}, {248, 360, 154, 25}};
    int previousRight = -1;
    for (int k = 0; k < 9; ++k) {
        SCOPED_TRACE(k);
        const QRect hotSpot(232, 104 + 32 * k, 209, 25);
        // Ink of row k, searched over the panel's whole width and the row's band.
        const QRect ink = inkBox(img, QRect(113, rects[k].top(), 408, rects[k].height()), dark);
        ASSERT_FALSE(ink.isNull());
        EXPECT_TRUE(rects[k].contains(ink));
        EXPECT_TRUE(hotSpot.contains(ink));
        EXPECT_GT(ink.width(), 40);
        // Right-aligned: all titles end in the same column, give or take a pixel.
        if (previousRight >= 0) {
            EXPECT_NEAR(ink.right(), previousRight, 2);
        }
        previousRight = ink.right();
    }
    // The exercise captions line below the rows, outside every hot spot.
    const QRect captions = inkBox(img, QRect(113, 386, 408, 36), dark);
    ASSERT_FALSE(captions.isNull());
    EXPECT_GT(captions.top(), 104 + 32 * 8 + 25 - 1);
    EXPECT_GT(captions.width(), 120);
    EXPECT_NEAR(captions.right(), previousRight, 2);
}

TEST(HoverTitles, PurpleTitleOnWhiteWithPinkArrowAtTheRight) {
    const QImage background = load(layouts::kPictureMenuBackground);
    const QPoint tops[9] = {{256, 104}, {248, 136}, {232, 168}, {248, 200}, {248, 232},
                            {288, 264}, {248, 296}, {272, 328}, {248, 360}};
    auto purple = [](QRgb c) { return qRed(c) < 190 && qGreen(c) < 120 && qBlue(c) > 100; };
    auto pink = [](QRgb c) { return qRed(c) > 200 && qGreen(c) < 170 && qBlue(c) > 110; };
    for (int k = 0; k < 9; ++k) {
        SCOPED_TRACE(k);
        const QImage img = load(layouts::kHoverTitle[k]);
        const int w = img.width(), h = img.height();
        EXPECT_TRUE(near(img, 0, 0, kWhite));
        EXPECT_TRUE(near(img, 0, h - 1, kWhite));
        // The arrow occupies the right end and is pink, its head pointing left:
        // the head's column (widest ink) lies left of the stem.
        const QRect arrow = inkBox(img, QRect(w - 17, 0, 17, h), pink);
        ASSERT_FALSE(arrow.isNull());
        EXPECT_GE(arrow.right(), w - 6);
        int headCount = 0, stemCount = 0;
        for (int y = 0; y < h; ++y) {
            headCount += pink(img.pixel(arrow.left() + 2, y));
            stemCount += pink(img.pixel(arrow.right() - 1, y));
        }
        EXPECT_GT(stemCount, 0);
        EXPECT_GT(headCount, 0);
        // The arrow rises: its lowest pink pixels are at the right (the stem).
        const QRect lowRow = inkBox(img, QRect(arrow.left(), arrow.bottom() - 1, arrow.width(), 2), pink);
        EXPECT_GT(lowRow.left(), arrow.center().x());
        // The title in purple covers the same pixels as the black title drawn on
        // the background picture.
        const QRect title = inkBox(img, QRect(0, 0, w - 18, h), purple);
        ASSERT_FALSE(title.isNull());
        const QRect under = inkBox(background, QRect(tops[k], QSize(w - 18, h)), dark).translated(-tops[k]);
        ASSERT_FALSE(under.isNull());
        EXPECT_NEAR(title.left(), under.left(), 1);
        EXPECT_NEAR(title.right(), under.right(), 1);
        EXPECT_NEAR(title.top(), under.top(), 1);
        EXPECT_NEAR(title.bottom(), under.bottom(), 1);
    }
}

TEST(MarkerArrow, PurpleArrowRisingFromBottomLeftWithHeadAtRight) {
    const QImage img = load(layouts::kMarkerArrow);
    auto purple = [](QRgb c) { return qRed(c) < 200 && qGreen(c) < 130 && qBlue(c) > 90; };
    const QRect ink = inkBox(img, img.rect(), purple);
    ASSERT_FALSE(ink.isNull());
    EXPECT_GE(ink.right(), 12);   // head reaches the right
    EXPECT_GE(ink.bottom(), 10);  // stem reaches the bottom
    // Bottom rows: ink only at the left (the stem); top rows reach the right.
    const QRect bottom = inkBox(img, QRect(0, 10, 15, 2), purple);
    ASSERT_FALSE(bottom.isNull());
    EXPECT_LT(bottom.right(), 6);
    EXPECT_TRUE(near(img, 14, 11, kWhite));
}

TEST(LessonBackground, WhiteAboveBlueBandFromRow464AndCloseMark) {
    const QImage img = load(layouts::kLessonBackground);
    for (int x : {0, 100, 325, 500, 649}) {
        SCOPED_TRACE(x);
        EXPECT_TRUE(near(img, x, 0, kWhite));
        EXPECT_TRUE(near(img, x, 300, kWhite));
        EXPECT_TRUE(near(img, x, 463, kWhite));
        EXPECT_TRUE(near(img, x, 464, kBlue));
        EXPECT_TRUE(near(img, x, 480, kBlue));
        EXPECT_TRUE(near(img, x, 529, kBlue));
    }
    // Under "Menu" (x 8..57) and "Quitter" (x 560..617), y 504..520: flat blue.
    EXPECT_TRUE(areaNear(img, QRect(8, 500, 50, 25), kBlue));
    EXPECT_TRUE(areaNear(img, QRect(560, 500, 58, 25), kBlue));
    // The close mark: dark X inside x 625..640, y 498..513, white square around it.
    const QRect x = inkBox(img, QRect(619, 490, 31, 35), dark);
    ASSERT_FALSE(x.isNull());
    EXPECT_TRUE(QRect(625, 498, 16, 16).contains(x));
    EXPECT_GE(x.width(), 7);
    EXPECT_TRUE(near(img, 627, 506, kWhite));
    EXPECT_TRUE(near(img, 621, 506, kBlue));
}

TEST(HandCursor, HandColoursFingertipAndHotSpot) {
    const QImage img = load(layouts::kHandCursor).convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(img.size(), QSize(32, 32));
    // The platform's active point is the centre; it must lie on the hand.
    EXPECT_EQ(qAlpha(img.pixel(media::pictures::kHandHotSpotX, media::pictures::kHandHotSpotY)), 255);
    // Fingertip: its top pixels are (12, 9) and (13, 9), nothing of the hand above.
    EXPECT_EQ(img.pixel(12, 9), qRgba(0x04, 0x04, 0x04, 255));
    EXPECT_EQ(img.pixel(13, 9), qRgba(0x04, 0x04, 0x04, 255));
    EXPECT_EQ(qAlpha(img.pixel(12, 8)), 0);
    EXPECT_EQ(qAlpha(img.pixel(13, 8)), 0);
    EXPECT_EQ(qAlpha(img.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(img.pixel(31, 31)), 0);
    int white = 0, outline = 0, red = 0, darkRed = 0, other = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const QRgb c = img.pixel(x, y);
            if (qAlpha(c) == 0) continue;
            switch (c) {
            case 0xFFFFFFFF: ++white; break;
            case 0xFF040404: ++outline; break;
            case 0xFFFF0000: ++red; break;
            case 0xFFA50021: ++darkRed; break;
            default: ++other;
            }
            // Rays are dots around the fingertip, above the knuckles.
            if (c == 0xFFFF0000 || c == 0xFFA50021) {
                EXPECT_LT(y, 12);
            }
        }
    EXPECT_GT(white, 100);
    EXPECT_GT(outline, 50);
    EXPECT_GT(red, 2);
    EXPECT_GT(darkRed, 2);
    EXPECT_EQ(other, 0);
}

TEST(AppIcon, FigureWithPencilGemAndBallOnTransparentGround) {
    const QImage img = load(layouts::kAppIcon).convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(img.size(), QSize(32, 32));
    for (QPoint corner : {QPoint(0, 0), QPoint(31, 0), QPoint(0, 31), QPoint(31, 31)})
        EXPECT_EQ(qAlpha(img.pixel(corner)), 0);
    int violet = 0, yellow = 0, red = 0, greyTop = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const QRgb c = img.pixel(x, y);
            if (qAlpha(c) == 0) continue;
            const int r = qRed(c), g = qGreen(c), b = qBlue(c);
            if (b > g + 40 && r > g && b > r) ++violet;
            if (r > 200 && g > 150 && b < 90) ++yellow;
            if (r > 170 && g < 80 && b < 90) ++red;
            if (y < 8 && std::abs(r - g) < 16 && std::abs(g - b) < 16) ++greyTop;
        }
    EXPECT_GT(violet, 60);
    EXPECT_GT(yellow, 15);
    EXPECT_GT(red, 4);
    EXPECT_GT(greyTop, 4);
}

}  // namespace
