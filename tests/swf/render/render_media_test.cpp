// Golden pictures of the media characters, from real movies played and drawn
// by the engine: bitmap fills (repeating and clipped, smoothed and not), a
// morph shape at three ratios, a button in each pointer state, and an edit
// text field.
// Goldens live in tests/swf/render/media_golden/NAME.png; a failing comparison writes
// NAME.actual.png and NAME.diff.png into <build>/swf_media-golden/.
// SWF_UPDATE_GOLDEN=1 rewrites the goldens.
#include <gtest/gtest.h>

#include <QDir>
#include <QFont>
#include <cmath>
#include <cstdlib>
#include <map>

#include "swf/player/shape_tessellator.h"
#include "swf/decode/bitmap.h"
#include "swf/player/button.h"
#include "swf/player/morph.h"
#include "swf/render/paint.h"
#include "tests/support/golden.h"
#include "tests/support/test_movies.h"
#include "swf/player/player.h"
#include "swf/format/reader.h"
#include "swf/render/renderer.h"
#include "swf/format/writer.h"

namespace {

using namespace swf;

void compareGolden(const QImage& actual, const QString& name) {
    tk::test::expectMatchesGolden(actual, "tests/swf/render/media_golden", name, "swf_media-golden");
}

StyleChange select(int x, int y, std::uint32_t fill, std::uint32_t line = 0) {
    StyleChange s;
    s.moveX = x;
    s.moveY = y;
    s.fill1 = fill;
    if (line) s.line = line;
    return s;
}

Shape rectangle(int x, int y, int w, int h, Rgba color) {
    Shape s;
    s.fills = {FillStyle::solid(color)};
    s.records = {select(x, y, 1), StraightEdge{w, 0}, StraightEdge{0, h}, StraightEdge{-w, 0}, StraightEdge{0, -h}};
    return s;
}

DefineShape shapeTag(std::uint16_t id, Shape shape) {
    DefineShape d;
    d.version = 3;
    d.id = id;
    d.bounds = {0, 1600, 0, 1600};
    d.shape = std::move(shape);
    return d;
}

PlaceObject placeTag(std::uint16_t id, std::uint16_t depth, Matrix m = {}, std::optional<std::uint16_t> ratio = {}) {
    PlaceObject p;
    p.depth = depth;
    p.characterId = id;
    p.matrix = m;
    p.ratio = ratio;
    return p;
}

// An 80 x 80 pixel stage at 12 frames per second.
MovieData stage(std::vector<Tag> tags) {
    MovieData m;
    m.header.frame = {0, 1600, 0, 1600};
    m.tags = std::move(tags);
    m.tags.push_back(ShowFrame{});
    return m;
}

// Through the engine's writer and reader, then played and drawn.
std::unique_ptr<Player> play(const MovieData& movie) {
    auto read = swf::read(swf::write(movie));
    EXPECT_TRUE(read.ok());
    EXPECT_EQ(read.skippedTags, 0) << "every tag decodes";
    return std::make_unique<Player>(std::make_shared<const MovieData>(std::move(read.movie.value_or(MovieData{}))));
}

QImage draw(const Player& player, QSize size = {80, 80}) { return renderFrame(player, size); }

// A 4 x 4 lossless bitmap: red and yellow squares with a blue corner.
DefineBitsLossless checker(std::uint16_t id) {
    QImage src(4, 4, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) src.setPixel(x, y, (x + y) % 2 ? qRgb(240, 200, 0) : qRgb(200, 20, 20));
    src.setPixel(3, 3, qRgb(0, 60, 220));
    return makeLossless(id, src, 1);
}

MovieData bitmapMovie(FillType type, Matrix fillMatrix, Rect area) {
    Shape s = rectangle(area.xmin, area.ymin, area.width(), area.height(), {});
    FillStyle f;
    f.type = type;
    f.bitmapId = 1;
    f.matrix = fillMatrix;
    s.fills = {f};
    return stage({checker(1), shapeTag(2, s), placeTag(2, 1)});
}

TEST(MediaGolden, BitmapFills) {
    const double angle = 20 * M_PI / 180;
    // 5 pixels per bitmap pixel, turned by 20 degrees, from (500, 500) twips.
    Matrix m;
    m.scaleX = m.scaleY = static_cast<std::int32_t>(100 * std::cos(angle) * 65536);
    m.rotateSkew0 = static_cast<std::int32_t>(100 * std::sin(angle) * 65536);
    m.rotateSkew1 = -m.rotateSkew0;
    m.translateX = m.translateY = 500;
    for (auto [type, name] : {std::pair{FillType::RepeatingBitmap, "bitmap-repeat-smooth"},
                              std::pair{FillType::RepeatingBitmapHard, "bitmap-repeat-hard"},
                              std::pair{FillType::ClippedBitmap, "bitmap-clip-smooth"},
                              std::pair{FillType::ClippedBitmapHard, "bitmap-clip-hard"}}) {
        auto player = play(bitmapMovie(type, m, {200, 1400, 200, 1400}));
        compareGolden(draw(*player), name);
    }
}

TEST(MediaGolden, BitmapFillsDifferAsTheyShould) {
    // Without comparing to files: tiling repeats the blue corner, clipping
    // extends the edges; smoothing blends neighbouring bitmap pixels.
    Matrix m;
    m.scaleX = m.scaleY = 100 * 65536;  // 5 px per bitmap pixel
    auto drawType = [&](FillType type) { return draw(*play(bitmapMovie(type, m, {0, 1600, 0, 1600}))); };
    QImage repeat = drawType(FillType::RepeatingBitmapHard), clip = drawType(FillType::ClippedBitmapHard);
    EXPECT_EQ(repeat.pixel(17, 17), qRgb(0, 60, 220));
    EXPECT_EQ(repeat.pixel(37, 37), qRgb(0, 60, 220)) << "the tile repeats";
    EXPECT_EQ(clip.pixel(17, 17), qRgb(0, 60, 220));
    EXPECT_EQ(clip.pixel(37, 37), qRgb(0, 60, 220)) << "the corner pixel extends outward";
    EXPECT_EQ(clip.pixel(2, 22), qRgb(240, 200, 0)) << "the left column extends downward";
    EXPECT_EQ(repeat.pixel(2, 22), qRgb(200, 20, 20));
    QImage smooth = drawType(FillType::RepeatingBitmap);
    EXPECT_NE(smooth.pixel(5, 2), repeat.pixel(5, 2)) << "smoothing blends at bitmap pixel edges";
}

TEST(MediaGolden, BitmapUnderAColourTransform) {
    Matrix m;
    m.scaleX = m.scaleY = 100 * 65536;
    MovieData movie = bitmapMovie(FillType::ClippedBitmapHard, m, {0, 1600, 0, 1600});
    auto& place = std::get<PlaceObject>(movie.tags[2]);
    ColorTransform cx;
    cx.multR = 0;  // no red left
    cx.addB = 30;
    place.colorTransform = cx;
    QImage img = draw(*play(movie));
    EXPECT_EQ(img.pixel(2, 2), qRgb(0, 20, 50)) << "red square: red dropped, blue raised";
    EXPECT_EQ(img.pixel(7, 2), qRgb(0, 200, 30)) << "yellow square";
}

TEST(MediaGolden, MorphAtThreeRatios) {
    DefineMorphShape m;
    m.id = 1;
    m.startBounds = m.endBounds = {0, 1600, 0, 1600};
    m.fills = {samples::morphFill({220, 30, 30, 255}, {30, 60, 220, 255})};
    m.lines = {samples::morphLine(20, 80, {0, 0, 0, 255}, {0, 120, 0, 255})};
    // A small square at the top left turns into a diamond with one curved side.
    m.startEdges = {select(200, 200, 1, 1), StraightEdge{400, 0}, StraightEdge{0, 400}, StraightEdge{-400, 0},
                    StraightEdge{0, -400}};
    StyleChange endMove;
    endMove.moveX = 800;
    endMove.moveY = 200;
    m.endEdges = {endMove, StraightEdge{600, 600}, CurvedEdge{-100, 500, -500, 100}, StraightEdge{-600, -600},
                  StraightEdge{600, -600}};
    // One frame per ratio: the tween is moved on through PlaceObject's ratio.
    MovieData movie = stage({m, placeTag(1, 1, {}, 0)});
    PlaceObject half;
    half.depth = 1;
    half.move = true;
    half.ratio = 32768;
    PlaceObject end = half;
    end.ratio = 65535;
    movie.tags.insert(movie.tags.end(), {Tag{half}, Tag{ShowFrame{}}, Tag{end}, Tag{ShowFrame{}}});
    auto player = play(movie);
    for (auto name : {"morph-0", "morph-half", "morph-end"}) {
        compareGolden(draw(*player), name);
        player->forward();
    }
}

TEST(MediaGolden, ButtonInEachState) {
    DefineButton b;
    b.id = 10;
    auto rec = [](std::uint8_t states, std::uint16_t id, std::uint16_t depth) {
        ButtonRecord r = samples::buttonRecord(states, id, depth);
        r.matrix = Matrix::translate(400, 400);
        return r;
    };
    b.records = {rec(0x01 | 0x08, 1, 1), rec(0x02, 2, 1), rec(0x04, 2, 1), rec(0x04, 3, 2)};
    auto player = play(stage({shapeTag(1, rectangle(0, 0, 800, 800, {160, 160, 160, 255})),
                              shapeTag(2, rectangle(0, 0, 800, 800, {40, 120, 230, 255})),
                              shapeTag(3, rectangle(100, 100, 600, 600, {20, 40, 120, 255})), b, placeTag(10, 1)}));
    compareGolden(draw(*player), "button-up");
    const QPointF inside(800, 800);
    EXPECT_FALSE(player->pointer(QPointF(100, 100), false)) << "outside the hit area nothing changes";
    EXPECT_TRUE(player->pointer(inside, false));
    compareGolden(draw(*player), "button-over");
    EXPECT_TRUE(player->pointer(inside, true));
    compareGolden(draw(*player), "button-down");
    EXPECT_TRUE(player->pointer(QPointF(100, 100), false));
    compareGolden(draw(*player), "button-up");
}

TEST(MediaGolden, EditText) {
    DefineFont font;
    font.version = 2;
    font.id = 1;
    font.name = "DejaVu Sans";
    DefineEditText t;
    t.id = 2;
    t.bounds = {100, 3100, 100, 1500};
    t.border = true;
    t.multiline = t.wordWrap = true;
    t.html = true;
    t.fontId = 1;
    t.fontHeight = 260;
    t.color = Rgba{20, 60, 160, 255};
    t.layout = EditTextLayout{TextAlign::Center, 0, 0, 0, 40};
    t.initialText = "<p align=\"center\">Bonjour &amp; bienvenue</p><p>dans la le\xC3\xA7on</p>";
    MovieData movie = stage({font, t, placeTag(2, 1)});
    movie.header.frame = {0, 3200, 0, 1600};
    compareGolden(draw(*play(movie), {160, 80}), "edit-text");
}

}  // namespace
