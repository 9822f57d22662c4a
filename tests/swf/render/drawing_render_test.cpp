// What scripts draw, on screen: under the clip's children, moved with the
// clip, its gradients and line styles painted, and the clip as a mask.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <memory>

#include "swf/format/codes.h"
#include "swf/player/player.h"
#include "swf/render/renderer.h"
#include "tests/support/drawing_scripts.h"
#include "tests/support/test_movies.h"

namespace {

using namespace swf;
using samples::callOn;
using samples::ScriptArg;
using samples::square;

// A 100 x 100 pixel white stage whose first frame runs `script` after placing `tags`.
QImage renderScript(const ActionBuilder& script, std::vector<Tag> tags = {}, bool antialias = true) {
    auto m = std::make_shared<MovieData>();
    m->header.frame = Rect{0, 2000, 0, 2000};
    for (auto& t : tags) m->tags.push_back(std::move(t));
    m->tags.push_back(script.doAction());
    m->tags.push_back(ShowFrame{});
    Player player(m);
    player.tick();
    QImage img(100, 100, QImage::Format_ARGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    Presentation pres;
    pres.antialias = antialias;
    render(player, p, QRectF(0, 0, 100, 100), pres);
    p.end();
    return img;
}

TEST(SwfDrawingRender, TheRootsDrawingLiesUnderItsChildren) {
    ActionBuilder a;
    callOn(a, "_root", "beginFill", {0xff0000});
    square(a, "_root", 0, 0, 40, 40);
    // A blue square from the timeline at 20..60 pixels.
    QImage img = renderScript(
        a, {samples::rectShape(1, 400, 400, 1200, 1200, FillStyle::solid({0, 0, 255, 255})), samples::place(1, 1)});
    EXPECT_EQ(img.pixel(10, 10), qRgb(255, 0, 0));
    EXPECT_EQ(img.pixel(30, 30), qRgb(0, 0, 255));
    EXPECT_EQ(img.pixel(50, 50), qRgb(0, 0, 255));
    EXPECT_EQ(img.pixel(80, 80), qRgb(255, 255, 255));
}

TEST(SwfDrawingRender, AClipsDrawingMovesWithItAndLaterFillsCoverEarlierLines) {
    ActionBuilder a;
    callOn(a, "_root", "createEmptyMovieClip", {"d", 1});
    a.getVariable("d").push({"_x", 50}).record(action::SetMember);
    callOn(a, "d", "lineStyle", {4, 0x00ff00});
    callOn(a, "d", "moveTo", {0, 20});
    callOn(a, "d", "lineTo", {40, 20});  // green, then covered by the fill
    callOn(a, "d", "beginFill", {0x000000, 50});
    callOn(a, "d", "lineStyle", {});
    square(a, "d", 10, 10, 30, 30);
    QImage img = renderScript(a);
    EXPECT_EQ(img.pixel(20, 20), qRgb(255, 255, 255)) << "the drawing moved with its clip";
    EXPECT_EQ(img.pixel(55, 20), qRgb(0, 255, 0)) << "the line left of the fill";
    QRgb covered = img.pixel(70, 20);  // green under half-transparent black
    EXPECT_NEAR(qGreen(covered), 128, 2);
    EXPECT_EQ(qRed(covered), 0);
    EXPECT_NEAR(qRed(img.pixel(70, 15)), 128, 2) << "half-transparent black over white";
}

TEST(SwfDrawingRender, LinearGradientAcrossItsBoxPaddedBeyond) {
    ActionBuilder a;
    ScriptArg box = ScriptArg::object({{"matrixType", "box"}, {"x", 20}, {"y", 0}, {"w", 60}, {"h", 100}, {"r", 0}});
    callOn(a, "_root", "beginGradientFill",
           {"linear", ScriptArg::array({0xff0000, 0x0000ff}), ScriptArg::array({100, 100}), ScriptArg::array({0, 255}),
            box});
    square(a, "_root", 0, 0, 100, 100);
    QImage img = renderScript(a, {}, false);
    EXPECT_EQ(img.pixel(5, 50), qRgb(255, 0, 0));  // padded with the end colours
    EXPECT_EQ(img.pixel(95, 50), qRgb(0, 0, 255));
    QRgb middle = img.pixel(50, 50);
    EXPECT_NEAR(qRed(middle), 128, 8);
    EXPECT_NEAR(qBlue(middle), 128, 8);
    EXPECT_LT(qRed(img.pixel(35, 50)), 255);
    EXPECT_GT(qRed(img.pixel(35, 50)), qRed(middle));
}

TEST(SwfDrawingRender, WithoutAntialiasingEveryPixelIsFillOrBackground) {
    ActionBuilder a;
    callOn(a, "_root", "beginFill", {0x000000});
    callOn(a, "_root", "moveTo", {50, 10});
    callOn(a, "_root", "curveTo", {90, 10, 90, 50});
    callOn(a, "_root", "curveTo", {90, 90, 50, 90});
    callOn(a, "_root", "curveTo", {10, 90, 10, 50});
    callOn(a, "_root", "curveTo", {10, 10, 50, 10});
    callOn(a, "_root", "endFill", {});
    auto greys = [](const QImage& img) {
        int n = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                int r = qRed(img.pixel(x, y));
                if (r > 0 && r < 255) ++n;
            }
        return n;
    };
    QImage smooth = renderScript(a, {}, true), hard = renderScript(a, {}, false);
    EXPECT_EQ(smooth.pixel(50, 50), qRgb(0, 0, 0));
    EXPECT_EQ(hard.pixel(50, 50), qRgb(0, 0, 0));
    EXPECT_GT(greys(smooth), 40);
    EXPECT_EQ(greys(hard), 0);
}

TEST(SwfDrawingRender, WithoutAntialiasingACentreOnAnEdgeBelongsToTheShapeRightOrBelow) {
    // A square from 0.5 to 2.5 pixels: its edges pass through pixel centres.
    ActionBuilder a;
    callOn(a, "_root", "beginFill", {0x000000});
    callOn(a, "_root", "moveTo", {0.5, 0.5});
    callOn(a, "_root", "lineTo", {2.5, 0.5});
    callOn(a, "_root", "lineTo", {2.5, 2.5});
    callOn(a, "_root", "lineTo", {0.5, 2.5});
    callOn(a, "_root", "endFill", {});
    QImage img = renderScript(a, {}, false);
    EXPECT_EQ(img.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(img.pixel(1, 1), qRgb(0, 0, 0));
    EXPECT_EQ(img.pixel(2, 1), qRgb(255, 255, 255));
    EXPECT_EQ(img.pixel(1, 2), qRgb(255, 255, 255));
}

}  // namespace
