// What clips' scripts draw: the commands as layers of fills and lines, their
// bounds and hit area, and the drawing methods' arguments as scripts give them
// (colours, alphas, line styles, gradient boxes and the calls that draw nothing).
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "swf/format/codes.h"
#include "swf/player/drawing.h"
#include "swf/player/player.h"
#include "swf/player/timeline.h"
#include "tests/support/drawing_scripts.h"
#include "tests/support/test_movies.h"

namespace {

using namespace swf;
using Cmd = script::DrawCommand;
using samples::callOn;
using samples::ScriptArg;
using samples::square;

Cmd at(Cmd::Kind kind, double x, double y) {
    Cmd c{kind};
    c.x = x;
    c.y = y;
    return c;
}
Cmd fill(Rgba colour) {
    Cmd c{Cmd::Kind::BeginFill};
    c.fill = FillStyle::solid(colour);
    return c;
}
Cmd line(std::uint16_t width, Rgba colour) {
    Cmd c{Cmd::Kind::LineStyle};
    c.line = samples::lineStyle(width, colour);
    return c;
}

TEST(SwfDrawing, EachFillStartsALayerSoLaterDrawingCoversEarlier) {
    Drawing d;
    EXPECT_TRUE(d.empty());
    d.apply(line(20, {0, 255, 0, 255}));
    d.apply(at(Cmd::Kind::LineTo, 1000, 1000));  // a line before any fill
    d.apply(at(Cmd::Kind::MoveTo, 100, 100));
    d.apply(fill({255, 0, 0, 255}));
    d.apply(at(Cmd::Kind::LineTo, 500, 100));
    d.apply(at(Cmd::Kind::LineTo, 500, 500));
    d.apply(at(Cmd::Kind::LineTo, 100, 500));
    d.apply(Cmd{Cmd::Kind::EndFill});
    d.apply(at(Cmd::Kind::LineTo, 0, 0));  // a line after the fill, over it

    const auto& layers = d.geometry().layers;
    ASSERT_EQ(layers.size(), 2u);
    EXPECT_TRUE(layers[0].fills.empty());
    ASSERT_EQ(layers[0].strokes.size(), 1u);
    EXPECT_EQ(layers[0].strokes[0].path.boundingRect(), QRectF(0, 0, 1000, 1000));
    ASSERT_EQ(layers[1].fills.size(), 1u);
    EXPECT_EQ(layers[1].fills[0].style.color, (Rgba{255, 0, 0, 255}));
    ASSERT_EQ(layers[1].strokes.size(), 1u);

    // endFill closed the square back to (100, 100), stroking the closing edge too.
    const QPainterPath& square = layers[1].fills[0].path;
    EXPECT_EQ(square.currentPosition(), QPointF(100, 100));
    EXPECT_TRUE(square.contains(QPointF(300, 300)));
    const QPainterPath& stroke = layers[1].strokes[0].path;
    EXPECT_EQ(stroke.elementCount(), 6);  // move, three edges, the closing edge, the last line
    EXPECT_EQ(stroke.currentPosition(), QPointF(0, 0));
}

TEST(SwfDrawing, BoundsHitAreaAndClear) {
    Drawing d;
    EXPECT_TRUE(d.bounds().isNull());
    d.apply(line(40, {0, 0, 0, 255}));
    d.apply(fill({0, 0, 255, 255}));
    d.apply(at(Cmd::Kind::MoveTo, 200, 200));
    d.apply(at(Cmd::Kind::LineTo, 600, 200));
    Cmd curve = at(Cmd::Kind::CurveTo, 600, 600);
    curve.controlX = 800;
    curve.controlY = 400;
    d.apply(curve);
    d.apply(at(Cmd::Kind::LineTo, 200, 600));
    d.apply(Cmd{Cmd::Kind::EndFill});

    // Half the 40-twip line lies outside the outline; the curve bulges right.
    QRectF b = d.bounds();
    EXPECT_DOUBLE_EQ(b.left(), 180);
    EXPECT_DOUBLE_EQ(b.top(), 180);
    EXPECT_DOUBLE_EQ(b.bottom(), 620);
    EXPECT_DOUBLE_EQ(b.right(), 720);  // the curve's farthest point is halfway to its control point

    EXPECT_TRUE(d.contains(QPointF(400, 400)));
    EXPECT_TRUE(d.contains(QPointF(650, 400)));   // inside the curve
    EXPECT_TRUE(d.contains(QPointF(400, 185)));   // on the line, outside the fill
    EXPECT_FALSE(d.contains(QPointF(400, 150)));  // beyond the line's half width
    EXPECT_FALSE(d.contains(QPointF(100, 400)));

    auto before = d.revision();
    d.apply(Cmd{Cmd::Kind::Clear});
    EXPECT_NE(d.revision(), before);
    EXPECT_TRUE(d.empty());
    EXPECT_TRUE(d.bounds().isNull());
    // The line style went with everything else: edges now draw nothing.
    d.apply(at(Cmd::Kind::LineTo, 500, 500));
    EXPECT_TRUE(d.empty());
}

TEST(SwfDrawing, GradientLinesNoStyleAndTheEdgeBound) {
    Drawing d;
    d.apply(line(20, {0, 0, 0, 255}));
    Cmd gradient{Cmd::Kind::LineGradient};
    FillStyle g;
    g.type = FillType::LinearGradient;
    g.gradient = samples::gradient({{0, {255, 0, 0, 255}}, {255, {0, 0, 255, 255}}});
    gradient.fill = g;
    d.apply(gradient);
    d.apply(at(Cmd::Kind::LineTo, 100, 0));
    ASSERT_EQ(d.geometry().layers.size(), 1u);
    const auto& strokes = d.geometry().layers[0].strokes;
    ASSERT_FALSE(strokes.empty());
    ASSERT_TRUE(strokes.back().style.fill);
    EXPECT_EQ(strokes.back().style.fill->type, FillType::LinearGradient);

    // lineStyle() with no width: the next edges are not stroked.
    d.apply(Cmd{Cmd::Kind::LineStyle});
    d.apply(at(Cmd::Kind::LineTo, 200, 0));
    EXPECT_EQ(d.geometry().layers[0].strokes.back().path.currentPosition(), QPointF(100, 0));

    // A script drawing in a loop stops growing at the edge bound.
    Drawing many;
    many.apply(fill({0, 0, 0, 255}));
    for (std::size_t i = 0; i < Drawing::kMaxEdges + 50; ++i)
        many.apply(at(Cmd::Kind::LineTo, double(i % 7), double(i % 5)));
    EXPECT_LE(many.geometry().layers[0].fills[0].path.elementCount(), int(Drawing::kMaxEdges) + 1);
}

// --- Through scripts --------------------------------------------------------------

struct Run {
    std::vector<std::string> traces;
    std::unique_ptr<Player> player;
    const Drawing& drawingOf(const char* name) const {
        const Timeline* t = player->root().child(name);
        EXPECT_TRUE(t) << name;
        static const Drawing none;
        return t ? t->drawing() : none;
    }
};

std::unique_ptr<Run> runScript(const ActionBuilder& script, int version = 8) {
    MovieData m;
    m.header.version = std::uint8_t(version);
    m.tags.push_back(script.doAction());
    m.tags.push_back(ShowFrame{});
    auto run = std::make_unique<Run>();
    run->player = std::make_unique<Player>(std::make_shared<const MovieData>(std::move(m)),
                                           [r = run.get()](std::string_view s) { r->traces.emplace_back(s); });
    run->player->tick();
    return run;
}

TEST(SwfDrawingScripts, SolidFillsLineStylesAndTheClipsSize) {
    ActionBuilder a;
    callOn(a, "_root", "createEmptyMovieClip", {"d", 1});
    callOn(a, "d", "lineStyle", {4, 0x00ff00, 50, true, "none", "square", "miter", 10});
    callOn(a, "d", "beginFill", {0xff0000});
    square(a, "d", 10, 10, 30, 20);
    a.getVariable("d").getMember("_width").trace();
    auto run = runScript(a);

    const Drawing& d = run->drawingOf("d");
    ASSERT_EQ(d.geometry().layers.size(), 1u);
    const ShapeLayer& layer = d.geometry().layers[0];
    ASSERT_EQ(layer.fills.size(), 1u);
    EXPECT_EQ(layer.fills[0].style.color, (Rgba{255, 0, 0, 255}));  // alpha 100 when not given
    EXPECT_EQ(layer.fills[0].path.boundingRect(), QRectF(200, 200, 400, 200));
    ASSERT_EQ(layer.strokes.size(), 1u);
    const LineStyle& l = layer.strokes[0].style;
    EXPECT_EQ(l.width, 80);
    EXPECT_EQ(l.color, (Rgba{0, 255, 0, 128}));
    EXPECT_TRUE(l.pixelHinting);
    EXPECT_TRUE(l.noHScale && l.noVScale);
    EXPECT_EQ(l.startCap, CapStyle::Square);
    EXPECT_EQ(l.join, JoinStyle::Miter);
    EXPECT_EQ(l.miterLimit, 10 * 256);
    EXPECT_EQ(run->traces, (std::vector<std::string>{"24"}));  // 20 pixels and half a line each side
}

TEST(SwfDrawingScripts, OlderMoviesKeepOnlyWidthColourAndAlpha) {
    ActionBuilder a;
    callOn(a, "_root", "createEmptyMovieClip", {"d", 1});
    callOn(a, "d", "lineStyle", {300, 0x123456, 250, true, "none", "none", "bevel"});
    callOn(a, "d", "lineTo", {5, 5});
    auto run = runScript(a, 7);
    const auto& layers = run->drawingOf("d").geometry().layers;
    ASSERT_EQ(layers.size(), 1u);
    const LineStyle& l = layers[0].strokes[0].style;
    EXPECT_EQ(l.width, 255 * 20);  // widths stop at 255 pixels, alphas at 100
    EXPECT_EQ(l.color, (Rgba{0x12, 0x34, 0x56, 255}));
    EXPECT_FALSE(l.noHScale);
    EXPECT_EQ(l.startCap, CapStyle::Round);
    EXPECT_EQ(l.join, JoinStyle::Round);
}

TEST(SwfDrawingScripts, GradientFillsFromABoxWithSpreadInterpolationAndFocus) {
    ActionBuilder a;
    callOn(a, "_root", "createEmptyMovieClip", {"d", 1});
    ScriptArg box = ScriptArg::object({{"matrixType", "box"}, {"x", 10}, {"y", 20}, {"w", 100}, {"h", 50}, {"r", 0}});
    callOn(a, "d", "beginGradientFill",
           {"radial", ScriptArg::array({0xff0000, 0x0000ff}), ScriptArg::array({100, 50}),
            ScriptArg::array({-0.5, 255.9}), box, "reflect", "linearRGB", 0.5});
    square(a, "d", 0, 0, 10, 10);
    auto run = runScript(a);
    const auto& layers = run->drawingOf("d").geometry().layers;
    ASSERT_EQ(layers.size(), 1u);
    ASSERT_EQ(layers[0].fills.size(), 1u);
    const FillStyle& f = layers[0].fills[0].style;
    EXPECT_EQ(f.type, FillType::FocalGradient);
    EXPECT_EQ(f.gradient.focalPoint, 128);
    EXPECT_EQ(f.gradient.spread, SpreadMode::Reflect);
    EXPECT_EQ(f.gradient.interpolation, InterpolationMode::Linear);
    ASSERT_EQ(f.gradient.records.size(), 2u);
    EXPECT_EQ(f.gradient.records[0].ratio, 0);
    EXPECT_EQ(f.gradient.records[1].ratio, 255);
    EXPECT_EQ(f.gradient.records[0].color, (Rgba{255, 0, 0, 255}));
    EXPECT_EQ(f.gradient.records[1].color, (Rgba{0, 0, 255, 128}));
    // The 32768-twip gradient square scaled onto the 100 x 50 pixel box, centred on it.
    EXPECT_EQ(f.matrix.scaleX, 4000);
    EXPECT_EQ(f.matrix.scaleY, 2000);
    EXPECT_EQ(f.matrix.rotateSkew0, 0);
    EXPECT_EQ(f.matrix.translateX, 60 * 20);
    EXPECT_EQ(f.matrix.translateY, 45 * 20);
}

TEST(SwfDrawingScripts, GradientCallsThatFillNothing) {
    ScriptArg box = ScriptArg::object({{"matrixType", "box"}, {"x", 0}, {"y", 0}, {"w", 10}, {"h", 10}, {"r", 0}});
    ScriptArg colours = ScriptArg::array({0xff0000, 0x0000ff}), alphas = ScriptArg::array({100, 100});
    struct Case {
        const char* why;
        std::vector<ScriptArg> args;
    };
    std::vector<Case> cases = {
        {"no matrix", {"linear", colours, alphas, ScriptArg::array({0, 255})}},
        {"one argument too many", {"linear", colours, alphas, ScriptArg::array({0, 255}), box, "pad", "RGB", 0, 1}},
        {"type in capitals", {"LINEAR", colours, alphas, ScriptArg::array({0, 255}), box}},
        {"fewer ratios than colours", {"linear", colours, alphas, ScriptArg::array({255}), box}},
        {"ratio at -1", {"linear", colours, alphas, ScriptArg::array({-1, 255}), box}},
        {"ratio at 256", {"linear", colours, alphas, ScriptArg::array({0, 256}), box}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        ActionBuilder a;
        callOn(a, "_root", "createEmptyMovieClip", {"d", 1});
        callOn(a, "d", "beginGradientFill", c.args);
        square(a, "d", 0, 0, 10, 10);
        auto run = runScript(a);
        for (const auto& layer : run->drawingOf("d").geometry().layers)
            for (const auto& f : layer.fills) EXPECT_LE(f.path.elementCount(), 1) << "a fill was drawn";
    }
}

TEST(SwfDrawingScripts, AFailedGradientCallKeepsTheFillAnUndefinedTypeEndsIt) {
    ScriptArg box = ScriptArg::object({{"matrixType", "box"}, {"x", 0}, {"y", 0}, {"w", 10}, {"h", 10}, {"r", 0}});
    std::vector<ScriptArg> gradient = {"linear", ScriptArg::array({0xff0000, 0x0000ff}), ScriptArg::array({100, 100}),
                                       ScriptArg::array({0, 255}), box};
    auto fillsAfter = [&](ActionBuilder::PushValue type) {
        ActionBuilder a;
        callOn(a, "_root", "createEmptyMovieClip", {"d", 1});
        callOn(a, "d", "beginGradientFill", gradient);
        callOn(a, "d", "beginGradientFill", {type, 1, 2, 3, 4, 5, 6, 7, 8, 9});
        square(a, "d", 0, 0, 10, 10);
        auto run = runScript(a);
        int drawn = 0;
        for (const auto& layer : run->drawingOf("d").geometry().layers)
            for (const auto& f : layer.fills) drawn += f.path.elementCount() > 1 ? 1 : 0;
        return drawn;
    };
    EXPECT_EQ(fillsAfter(ActionBuilder::Null{}), 1);
    EXPECT_EQ(fillsAfter(ActionBuilder::Undefined{}), 0);
}

TEST(SwfDrawingScripts, PlainCallsFromAFrameScriptDrawOnItsTimeline) {
    ActionBuilder a;
    // lineStyle(3, 0x0000ff); lineTo(100, 0); as compilers write calls found through the timeline.
    a.push({0x0000ff, 3, 2, "lineStyle"}).record(action::CallFunction).record(action::Pop);
    a.push({0, 100, 2, "lineTo"}).record(action::CallFunction).record(action::Pop);
    auto run = runScript(a);
    const auto& layers = run->player->root().drawing().geometry().layers;
    ASSERT_EQ(layers.size(), 1u);
    ASSERT_EQ(layers[0].strokes.size(), 1u);
    EXPECT_EQ(layers[0].strokes[0].style.width, 60);
    EXPECT_EQ(layers[0].strokes[0].style.color, (Rgba{0, 0, 255, 255}));
    EXPECT_EQ(layers[0].strokes[0].path.currentPosition(), QPointF(2000, 0));
}

TEST(SwfDrawingScripts, DuplicatesCopyTheDrawingAndClearIsPerClip) {
    ActionBuilder a;
    callOn(a, "_root", "createEmptyMovieClip", {"d", 1});
    callOn(a, "d", "beginFill", {0x0000ff});
    square(a, "d", 0, 0, 10, 10);
    callOn(a, "d", "duplicateMovieClip", {"copie", 2});
    callOn(a, "d", "clear", {});
    auto run = runScript(a);
    EXPECT_TRUE(run->drawingOf("d").empty());
    const Drawing& copy = run->drawingOf("copie");
    ASSERT_FALSE(copy.empty());
    EXPECT_EQ(copy.bounds(), QRectF(0, 0, 200, 200));
}

}  // namespace
