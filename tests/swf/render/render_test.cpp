// Golden renders of the test movies, and the presentation rules (ShowAll,
// centring, transparency, no clip to the stage, device pixel ratio).
//
// Goldens live in tests/swf/render/golden/NAME-fN.png (240 x 160, transparent) and
// are compared by tests/support/golden.h (failures go to <build>/swf-golden/).
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QPainter>

#include <cstdlib>
#include <memory>

#include "swf/player/player.h"
#include "swf/render/render_cache.h"
#include "swf/render/renderer.h"
#include "tests/support/test_movies.h"
#include "tests/support/golden.h"

namespace {

const QSize kGoldenSize(240, 160);

QImage normalised(const QImage& img) { return img.convertToFormat(QImage::Format_ARGB32); }

// The player painted with `pres` over the whole of a transparent square image.
QImage renderedSquare(swf::Player& player, int side, const swf::Presentation& pres) {
    QImage img(side, side, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    swf::render(player, p, QRectF(0, 0, side, side), pres);
    p.end();
    return img;
}

TEST(SwfGolden, EveryTestMovieMatchesItsGoldenRender) {
    for (const auto& m : swf::samples::goldenMovies()) {
        for (int frame : m.goldenFrames) {
            SCOPED_TRACE(m.name + " frame " + std::to_string(frame));
            QString base = QString::fromStdString(m.name) + "-f" + QString::number(frame);
            tk::test::expectMatchesGolden(swf::renderFrame(m.movie, frame, kGoldenSize), "tests/swf/render/golden",
                                          base, "swf-golden");
        }
    }
}

// A movie of one red square covering the whole frame, placed in a wide
// frame starting at (1000, 2000) twips.
std::shared_ptr<swf::MovieData> squareMovie() {
    auto m = std::make_shared<swf::MovieData>();
    m->header.frame = swf::Rect{1000, 3000, 2000, 3000};  // 2000 x 1000 twips
    m->tags.push_back(swf::samples::rectShape(1, 1000, 2000, 3000, 3000, swf::FillStyle::solid({255, 0, 0, 255})));
    m->tags.push_back(swf::samples::place(1, 1));
    // A second square entirely outside the frame, left of it.
    m->tags.push_back(swf::samples::rectShape(2, 0, 2000, 1000, 3000, swf::FillStyle::solid({0, 0, 255, 255})));
    m->tags.push_back(swf::samples::place(2, 2));
    m->tags.push_back(swf::SetBackgroundColor{{0, 255, 0, 255}});
    m->tags.push_back(swf::ShowFrame{});
    return m;
}

TEST(SwfRenderCache, GeometryNoPaintUsesIsDroppedAndRebuiltWhenItComesBack) {
    swf::Player player(squareMovie());
    swf::RenderCache& cache = swf::RenderCache::of(player);
    cache.paintBegins();
    const swf::ShapeGeometry* once = cache.shapeGeometry(2);
    ASSERT_NE(once, nullptr);
    const QRectF bounds = once->bounds;
    const std::size_t layers = once->layers.size();
    ASSERT_NE(cache.maskOutline(2), nullptr);
    EXPECT_EQ(cache.keptEntries(), 2u);
    // Shape 1 is used by every paint, shape 2 and its outline by none.
    for (int i = 0; i < 200; ++i) {
        cache.paintBegins();
        ASSERT_NE(cache.shapeGeometry(1), nullptr) << "paint " << i;
    }
    EXPECT_EQ(cache.keptEntries(), 1u);
    const swf::ShapeGeometry* again = cache.shapeGeometry(2);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->bounds, bounds);
    EXPECT_EQ(again->layers.size(), layers);
    EXPECT_EQ(cache.shapeGeometry(99), nullptr);  // no such shape: nothing kept
    EXPECT_EQ(cache.keptEntries(), 2u);
}

TEST(SwfPresentation, ShowAllFitsTheFrameCentredAndTranslatesByItsOrigin) {
    // 2000 x 1000 twips into 400 x 400: scale 0.2 px/twip, 400 x 200 px, centred vertically.
    QTransform t = swf::stageTransform(swf::Rect{1000, 3000, 2000, 3000}, QRectF(0, 0, 400, 400));
    EXPECT_EQ(t.map(QPointF(1000, 2000)), QPointF(0, 100));
    EXPECT_EQ(t.map(QPointF(3000, 3000)), QPointF(400, 300));
    // Taller than wide: horizontally centred, offset by the viewport origin.
    QTransform u = swf::stageTransform(swf::Rect{0, 1000, 0, 1000}, QRectF(10, 20, 300, 100));
    EXPECT_EQ(u.map(QPointF(0, 0)), QPointF(110, 20));
    EXPECT_EQ(u.map(QPointF(1000, 1000)), QPointF(210, 120));
}

TEST(SwfPresentation, TransparentMarginsShapesOutsideTheStageStayVisible) {
    swf::Player player(squareMovie());
    // 2000 x 1000 twips into 1000 x 400: scale 0.4, 800 x 400 px from x = 100.
    QImage wide = normalised(swf::renderFrame(player, QSize(1000, 400)));
    EXPECT_EQ(wide.pixel(500, 200), qRgb(255, 0, 0));
    // The blue square left of the frame shows in the left margin (no stage clip).
    EXPECT_EQ(wide.pixel(50, 200), qRgb(0, 0, 255));
    EXPECT_EQ(qAlpha(wide.pixel(950, 200)), 0) << "right margin is transparent";
    // Into 400 x 400: scale 0.2, 400 x 200 px from y = 100.
    QImage square = normalised(swf::renderFrame(player, QSize(400, 400)));
    EXPECT_EQ(square.pixel(200, 200), qRgb(255, 0, 0));
    EXPECT_EQ(qAlpha(square.pixel(200, 50)), 0) << "no background colour in transparent mode";
    EXPECT_EQ(qAlpha(square.pixel(200, 350)), 0);
}

TEST(SwfPresentation, OpaqueModeFillsTheViewportWithTheBackgroundColour) {
    swf::Player player(squareMovie());
    swf::Presentation pres;
    pres.transparent = false;
    const QImage img = renderedSquare(player, 400, pres);
    EXPECT_EQ(img.pixel(200, 50), qRgb(0, 255, 0));
    EXPECT_EQ(img.pixel(200, 200), qRgb(255, 0, 0));
}

TEST(SwfPresentation, DevicePixelRatioDrawsAtDeviceResolution) {
    swf::Player player(squareMovie());
    QImage img = swf::renderFrame(player, QSize(500, 200), 2.0);
    EXPECT_EQ(img.size(), QSize(1000, 400));
    EXPECT_EQ(img.devicePixelRatio(), 2.0);
    img = normalised(img);
    // Same layout as the 1000 x 400 render at 1x: the red square starts at x = 100 device px.
    EXPECT_EQ(img.pixel(101, 200), qRgb(255, 0, 0));
    EXPECT_EQ(img.pixel(98, 200), qRgb(0, 0, 255));
}

TEST(SwfPresentation, AntialiasingSoftensEdgesOnlyWhenAsked) {
    auto m = std::make_shared<swf::MovieData>();
    m->header.frame = swf::Rect{0, 2000, 0, 2000};
    m->tags.push_back([] {
        swf::DefineShape d;
        d.version = 3;
        d.id = 1;
        d.shape.fills = {swf::FillStyle::solid({0, 0, 0, 255})};
        d.shape.records = swf::samples::circleRecords(1000, 1000, 900, 1);
        return d;
    }());
    m->tags.push_back(swf::samples::place(1, 1));
    m->tags.push_back(swf::ShowFrame{});
    swf::Player player(m);
    auto partialAlphaPixels = [&](bool aa) {
        swf::Presentation pres;
        pres.antialias = aa;
        const QImage img = renderedSquare(player, 100, pres);
        int n = 0;
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 100; ++x) {
                int a = qAlpha(img.pixel(x, y));
                if (a > 0 && a < 255) ++n;
            }
        return n;
    };
    EXPECT_GT(partialAlphaPixels(true), 50);
    EXPECT_EQ(partialAlphaPixels(false), 0);
}

}  // namespace

namespace {

// From the second sighting on, characters are blitted from the raster cache;
// the picture must stay the same as drawing the paths.
TEST(SwfRasterCache, CachedFramesMatchDirectlyDrawnOnes) {
    for (auto [name, movie] : {std::pair{"lesson", swf::samples::lessonLikeMovie(3)},
                               std::pair{"lines", swf::samples::goldenMovies()[1].movie},
                               std::pair{"text", swf::samples::goldenMovies()[6].movie}}) {
        SCOPED_TRACE(name);
        swf::Player player(std::make_shared<swf::MovieData>(movie));
        for (qreal dpr : {1.0, 2.0}) {
            QImage direct = normalised(swf::renderFrame(player, QSize(705, 481), dpr));
            swf::renderFrame(player, QSize(705, 481), dpr);  // second sighting: images are made
            QImage cached = normalised(swf::renderFrame(player, QSize(705, 481), dpr));
            ASSERT_EQ(direct.size(), cached.size());
            int bad = 0, painted = 0;
            for (int y = 0; y < direct.height(); ++y)
                for (int x = 0; x < direct.width(); ++x) {
                    if (qAlpha(direct.pixel(x, y))) ++painted;
                    if (tk::test::channelDiff(direct.pixel(x, y), cached.pixel(x, y)) > 24) ++bad;
                }
            EXPECT_GT(painted, 1000);
            // Quarter-pixel placement may move an antialiased edge pixel a little.
            EXPECT_LT(bad, painted / 200) << bad << " of " << painted << " painted pixels differ";
        }
    }
}

}  // namespace

namespace {

// A 2000 x 2000 twip stage showing one DefineShape4 drawn with line style
// `l`: the pen starts at (x, y) with that line and follows `edges`; `p`
// places it.
std::shared_ptr<swf::MovieData> strokedMovie(const swf::LineStyle& l, int x, int y,
                                             const std::vector<swf::ShapeRecord>& edges, const swf::PlaceObject& p) {
    auto m = std::make_shared<swf::MovieData>();
    m->header.frame = swf::Rect{0, 2000, 0, 2000};
    swf::DefineShape d;
    d.version = 4;
    d.id = 1;
    d.shape.lines = {l};
    d.shape.records = {swf::samples::styleChange(x, y, std::nullopt, std::nullopt, 1)};
    d.shape.records.insert(d.shape.records.end(), edges.begin(), edges.end());
    m->tags = {d, p, swf::ShowFrame{}};
    return m;
}

// A square outline with flat caps and miter joins: where the run returns to
// its start it is joined (the corner is filled), not left with two flat caps.
// (Qt's stroker joins any run whose ends meet, so noClose cannot reopen it.)
TEST(SwfLines, ClosedRunsAreJoined) {
    auto cornerPainted = [](bool noClose) {
        swf::LineStyle l;
        l.width = 200;
        l.startCap = l.endCap = swf::CapStyle::None;
        l.join = swf::JoinStyle::Miter;
        l.noClose = noClose;
        auto m = strokedMovie(l, 500, 500,
                              {swf::StraightEdge{1000, 0}, swf::StraightEdge{0, 1000}, swf::StraightEdge{-1000, 0},
                               swf::StraightEdge{0, -1000}},
                              swf::samples::place(1, 1));
        // 100 px for 2000 twips: the start corner's outer square spans 20..25 px.
        QImage img = normalised(swf::renderFrame(*m, 1, QSize(100, 100)));
        return qAlpha(img.pixel(21, 21)) > 128;
    };
    EXPECT_TRUE(cornerPainted(false));
}

}  // namespace

namespace {

// A LineStyle2 with the no-scale flags keeps its stage width when the object
// is scaled up; an ordinary line grows with it.
TEST(SwfLines, NonScalingStrokesKeepTheirWidth) {
    auto paintedRows = [](bool noScale) {
        swf::LineStyle l;
        l.width = 40;  // 2 px at 100 px for 2000 twips
        l.noHScale = l.noVScale = noScale;
        swf::PlaceObject p = swf::samples::place(1, 1);
        p.matrix->scaleX = p.matrix->scaleY = 5 << 16;  // the line lands at y = 500 twips, 25 px
        auto m = strokedMovie(l, 0, 100, {swf::StraightEdge{400, 0}}, p);
        QImage img = normalised(swf::renderFrame(*m, 1, QSize(100, 100)));
        int rows = 0;
        for (int y = 0; y < 100; ++y)
            if (qAlpha(img.pixel(50, y)) > 128) ++rows;
        return rows;
    };
    EXPECT_GE(paintedRows(false), 9);  // 40 twips x 5 = 10 px
    EXPECT_LE(paintedRows(true), 3);   // stays 2 px
    EXPECT_GE(paintedRows(true), 1);
}

}  // namespace

namespace {

// A sprite used as a mask clips to the union of its children; depths above
// the clip depth are drawn unclipped.
TEST(SwfMasks, ASpriteMaskClipsToItsChildren) {
    using namespace swf;
    auto m = std::make_shared<MovieData>();
    m->header.frame = Rect{0, 2000, 0, 2000};
    m->tags.push_back(samples::rectShape(1, 0, 0, 400, 2000, FillStyle::solid({0, 0, 0, 255})));
    m->tags.push_back(samples::rectShape(2, 0, 0, 2000, 2000, FillStyle::solid({255, 0, 0, 255})));
    m->tags.push_back(samples::rectShape(3, 0, 0, 200, 200, FillStyle::solid({0, 0, 255, 255})));
    DefineSprite s;
    s.id = 4;
    s.tags = {samples::place(1, 1, 0, 0), samples::place(2, 1, 1000, 0), ShowFrame{}};
    m->tags.push_back(s);
    PlaceObject mask = samples::place(1, 4);
    mask.clipDepth = 2;
    m->tags.push_back(mask);
    m->tags.push_back(samples::place(2, 2));
    m->tags.push_back(samples::place(3, 3, 600, 600));  // above the masked depths
    m->tags.push_back(ShowFrame{});
    QImage img = normalised(renderFrame(*m, 1, QSize(100, 100)));
    EXPECT_EQ(img.pixel(10, 50), qRgb(255, 0, 0));  // under the first bar
    EXPECT_EQ(img.pixel(60, 50), qRgb(255, 0, 0));  // under the second bar
    EXPECT_EQ(qAlpha(img.pixel(30, 80)), 0);        // between the bars: clipped away
    EXPECT_EQ(img.pixel(35, 35), qRgb(0, 0, 255));  // depth 3 is not masked
}

}  // namespace
