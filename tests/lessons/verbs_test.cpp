// The composer's parts taken one by one: the table of verbs, the camera's
// framing and turning, and pointer targets read from a command.
#include "lessons/kit/part_view.h"
#include "lessons/kit/stage_camera.h"
#include "lessons/kit/targets.h"
#include "lessons/kit/verbs.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace lessons;

namespace {

Script script(const std::string& body) {
    return parseScript("movie essai\ntitle \"Essai\"\nsummary \"À retenir\"\n" + body + "step \"a\"\n  wait 1\n");
}

Command command(std::vector<std::string> args) { return Command{"point", std::move(args), 12}; }

}  // namespace

TEST(Verbs, EveryCommandOfTheSourceFormatHasItsFunctionAndNoOtherNameDoes) {
    const char* documented[] = {"wait",     "point",  "place",    "click",    "rclick",  "dblclick", "pointer",
                                "menu",     "popup",  "close",    "dialog",   "section", "field",    "choice",
                                "check",    "info",   "buttons",  "set",      "tick",    "part",     "grow",
                                "display",  "view",   "orient",   "drag",     "sketch",  "draw",     "dim",
                                "dimx",     "dimdia", "dimangle", "undim",    "plane",   "select",   "edge",
                                "tree",     "status", "docname",  "document", "desktop", "toolbar",  "note",
                                "timeline", "key",    "playhead", "playanim", "movekey", "relation"};
    for (const char* name : documented) EXPECT_NE(findVerb(name), nullptr) << name;
    for (const char* name : {"", "Wait", "frobnicate", "step", "solid", "camera", "clicks", "turn"})
        EXPECT_EQ(findVerb(name), nullptr) << name;
    // Right and left clicks look the same; the dialog's rows are one verb.
    EXPECT_EQ(findVerb("rclick"), findVerb("click"));
    EXPECT_EQ(findVerb("info"), findVerb("field"));
    EXPECT_NE(findVerb("dblclick"), findVerb("click"));
}

TEST(StageCameraTest, TurningTakesTheShorterWayRound) {
    EXPECT_DOUBLE_EQ(nearestYaw(350, 0), -10);
    EXPECT_DOUBLE_EQ(nearestYaw(-170, 180), 190);
    EXPECT_DOUBLE_EQ(nearestYaw(90, 45), 90);
    EXPECT_DOUBLE_EQ(nearestYaw(0, 725), 720);
    double yaw = 1, pitch = 1;
    ASSERT_TRUE(standardView("top", yaw, pitch));
    EXPECT_EQ(yaw, 0);
    EXPECT_EQ(pitch, 90);
    EXPECT_FALSE(standardView("dessus", yaw, pitch));
}

TEST(StageCameraTest, FramesTheSolidsThenAppliesTheCameraLine) {
    const StageCamera plain = frameLesson(script("solid bloc box w=40 h=20 d=30\n"));
    EXPECT_DOUBLE_EQ(plain.lo.y, 0);
    EXPECT_DOUBLE_EQ(plain.hi.y, 20);
    EXPECT_DOUBLE_EQ(plain.base.centre.y, 10);
    EXPECT_EQ(plain.startYaw, 35);
    EXPECT_EQ(plain.startPitch, 25);
    // The part's middle is drawn at the graphics area's middle, a little high.
    const Pt mid = plain.at(0, 0).project(plain.base.centre);
    const ui::Rect g = ui::graphicsArea();
    EXPECT_NEAR(mid.x, g.x + g.w / 2, 1e-9);
    EXPECT_NEAR(mid.y, g.y + g.h / 2 - 6, 1e-9);

    const StageCamera set = frameLesson(script("solid bloc box w=40 h=20 d=30\ncamera yaw=10 pitch=-5 scale=2 dy=7\n"));
    EXPECT_DOUBLE_EQ(set.base.scale, plain.base.scale * 2);
    EXPECT_DOUBLE_EQ(set.base.screen.y, plain.base.screen.y + 7);
    EXPECT_EQ(set.startYaw, 10);
    EXPECT_EQ(set.startPitch, -5);

    EXPECT_THROW(frameLesson(script("camera scale=grand\n")), SourceError);
    // Without a solid the camera still frames something sensible.
    const StageCamera empty = frameLesson(script(""));
    EXPECT_GT(empty.base.scale, 0);
    EXPECT_DOUBLE_EQ(empty.base.centre.x, 0);
}

TEST(Targets, ReadOneTargetAndLeaveTheIndexAfterIt) {
    const StageState st;
    const LessonModel m;
    const Camera cam = m.camera.at(st.yaw, st.pitch);
    std::size_t i = 0;
    const Command at = command({"at", "100", "200", "1.5"});
    const Pt p = pointerTarget(at, i, st, m, cam);
    EXPECT_EQ(p.x, 100);
    EXPECT_EQ(p.y, 200);
    EXPECT_EQ(i, 3u);

    ui::Rect tool;
    ASSERT_TRUE(ui::toolRect("extrusion", tool));
    i = 0;
    EXPECT_TRUE(tool.contains(pointerTarget(command({"tool", "extrusion"}), i, st, m, cam)));

    // Targets that need what the stage does not show, or that are cut short.
    for (const auto& args : std::vector<std::vector<std::string>>{{"tool", "marteau"},
                                                                  {"at", "100"},
                                                                  {"item", "Ouvrir"},
                                                                  {"face", "top"},
                                                                  {"vertex", "s", "0"},
                                                                  {"play"},
                                                                  {"edge"},
                                                                  {"nulle"},
                                                                  {}}) {
        i = 0;
        try {
            pointerTarget(command(args), i, st, m, cam);
            ADD_FAILURE() << "accepted: " << (args.empty() ? "(rien)" : args[0]);
        } catch (const SourceError& e) {
            EXPECT_EQ(e.line(), 12);
        }
    }
}

namespace {

// Runs one command of a step against a composer's stage.
void run(Composer& co, const std::string& verb, std::vector<std::string> args) {
    const Verb v = findVerb(verb);
    ASSERT_NE(v, nullptr) << verb;
    v(co, Command{verb, std::move(args), 7}, false);
}

// The lines of a drawing that are drawn in a colour, as their two ends.
std::vector<std::pair<Pt, Pt>> linesIn(const Drawing& d, Rgba colour) {
    std::vector<std::pair<Pt, Pt>> out;
    for (const Element& e : d.elements)
        if (e.line == colour && e.lineWidth > 0)
            for (const Contour& c : e.contours)
                if (!c.segs.empty()) out.push_back({c.start, c.segs.back().to});
    return out;
}

bool hasText(const TextBlock& t, const std::string& s) {
    for (const TextRun& r : t.runs)
        if (utf8(r.text) == s) return true;
    return false;
}

}  // namespace

TEST(SketchVerbs, ADiameterDimensionCrossesTheCircleThroughItsCentre) {
    const Script s = script("sketch c plane=top circle=0,0,20\nsketch l plane=front profile=0,0;10,0;10,10\n");
    Composer co(s);
    run(co, "sketch", {"c", "on"});
    run(co, "dimdia", {"c", "Ø40"});
    Drawing d;
    TextBlock t;
    drawPart(d, t, co.state, co.model);
    EXPECT_TRUE(hasText(t, "Ø40"));
    const Camera cam = co.camera();
    const Pt centre = cam.project({0, 0, 0});
    const Pt rimA = cam.project({14.142, 0, -14.142}), rimB = cam.project({-14.142, 0, 14.142});
    const double across = std::hypot(rimA.x - rimB.x, rimA.y - rimB.y);
    bool found = false;
    for (const auto& [a, b] : linesIn(d, rgb(0x16335c))) {
        const double len = std::hypot(b.x - a.x, b.y - a.y);
        // Passes through the centre: the distance from the centre to the line is nil.
        const double off = std::abs((b.x - a.x) * (a.y - centre.y) - (a.x - centre.x) * (b.y - a.y)) / len;
        if (off < 0.5 && len > across) found = true;
    }
    EXPECT_TRUE(found) << "no dimension line from rim to rim through the centre";
    // Only a circle has a diameter.
    EXPECT_THROW(run(co, "dimdia", {"l", "Ø10"}), SourceError);
}

TEST(SketchVerbs, AnAngleDimensionIsAnArcAboutItsApex) {
    const Script s = script("sketch v plane=front profile=30,30;40,20;50,30 closed=no\n");
    Composer co(s);
    run(co, "sketch", {"v", "on"});
    run(co, "dimangle", {"v", "0", "1", "2", "90\u00a0°"});
    Drawing d;
    TextBlock t;
    drawPart(d, t, co.state, co.model);
    EXPECT_TRUE(hasText(t, "90\u00a0°"));
    const Pt apex = co.camera().project({40, 20, 0});
    // The arc: a line of many points all at one distance from the apex,
    // between the two sides (above the apex, where the V opens).
    bool arc = false;
    for (const Element& e : d.elements)
        for (const Contour& c : e.contours) {
            if (c.segs.size() < 8) continue;
            const double r = std::hypot(c.start.x - apex.x, c.start.y - apex.y);
            bool round = r > 10;
            for (const Seg& sg : c.segs)
                round = round && std::abs(std::hypot(sg.to.x - apex.x, sg.to.y - apex.y) - r) < 0.01;
            const Seg& middle = c.segs[c.segs.size() / 2];
            if (round && middle.to.y < apex.y - r * 0.9) arc = true;
        }
    EXPECT_TRUE(arc);
    // Three distinct vertices of the sketch.
    EXPECT_THROW(run(co, "dimangle", {"v", "0", "0", "2", "x"}), SourceError);
    EXPECT_THROW(run(co, "dimangle", {"v", "0", "1", "3", "x"}), SourceError);
}

TEST(SketchVerbs, AFullyDefinedSketchTurnsBlackUntilItIsEmptiedAgain) {
    const Script s = script("sketch l plane=front profile=0,0;10,0;10,10\n");
    Composer co(s);
    const Rgba blue = rgb(0x1f5fbf), black = rgb(0x101010);
    auto strokes = [&](Rgba colour) {
        Drawing d;
        TextBlock t;
        drawPart(d, t, co.state, co.model);
        return linesIn(d, colour).size();
    };
    run(co, "sketch", {"l", "on"});
    EXPECT_GT(strokes(blue), 0u);
    EXPECT_EQ(strokes(black), 0u);
    run(co, "sketch", {"l", "defined"});
    EXPECT_EQ(strokes(blue), 0u);
    EXPECT_GT(strokes(black), 0u);
    run(co, "sketch", {"l", "empty"});
    run(co, "draw", {"l", "1"});
    EXPECT_EQ(strokes(black), 0u);
    EXPECT_THROW(run(co, "sketch", {"l", "noir"}), SourceError);
}

namespace {

// The elements of a drawing outlined in a colour.
int outlinedIn(const Drawing& d, Rgba colour) {
    int n = 0;
    for (const Element& e : d.elements) n += e.line == colour && e.lineWidth > 0;
    return n;
}

bool overlaps(const ui::Rect& a, const ui::Rect& b) {
    return a.x < b.x + b.w && b.x < a.x + a.w && a.y < b.y + b.h && b.y < a.y + a.h;
}

}  // namespace

TEST(SketchVerbs, RelationGlyphsStandBesideTheirElementsWhileTheSketchShows) {
    const Script s = script("sketch l plane=front profile=0,0;10,0;10,10\nsketch c plane=top circle=0,0,20\n");
    Composer co(s);
    const Rgba glyphEdge = rgb(0x4c8f46);
    auto glyphs = [&] {
        Drawing d;
        TextBlock t;
        drawPart(d, t, co.state, co.model);
        return outlinedIn(d, glyphEdge);
    };
    run(co, "sketch", {"l", "on"});
    EXPECT_EQ(glyphs(), 0);
    // The bottom is horizontal, the right side vertical, the first corner on the origin.
    run(co, "relation", {"l", "auto"});
    const auto& rel = co.state.sketches["l"].relations;
    ASSERT_EQ(rel.size(), 3u);
    EXPECT_EQ(rel[0].kind, "horizontal");
    EXPECT_EQ(rel[0].elements, std::vector<int>{0});
    EXPECT_EQ(rel[1].kind, "vertical");
    EXPECT_EQ(rel[1].elements, std::vector<int>{1});
    EXPECT_EQ(rel[2].kind, "coincident");
    EXPECT_EQ(glyphs(), 3);
    run(co, "relation", {"l", "symmetric", "0", "1"});
    EXPECT_EQ(glyphs(), 5);  // one beside each element
    // A glyph beside a segment stands off its middle, clear of the segment.
    {
        StageState only = co.state;
        only.sketches["l"].relations = {{"horizontal", {0}}};
        Drawing d;
        TextBlock t;
        drawPart(d, t, only, co.model);
        const Camera cam = co.camera();
        const Pt a = cam.project({0, 0, 0}), b = cam.project({10, 0, 0});
        for (const Element& e : d.elements)
            if (e.line == glyphEdge) {
                // The glyph's box: its first corner, 11 px a side.
                const Pt corner = e.contours.at(0).start;
                const Pt c{corner.x + 5.5, corner.y + 5.5};
                const Pt m{(a.x + b.x) / 2, (a.y + b.y) / 2};
                const double off = std::hypot(c.x - m.x, c.y - m.y);
                EXPECT_GE(off, 8) << "the box leaves the segment visible";
                EXPECT_LE(off, 16) << "and stays beside it";
            }
    }
    run(co, "sketch", {"l", "off"});
    EXPECT_EQ(glyphs(), 0);
    run(co, "sketch", {"l", "on"});
    EXPECT_EQ(glyphs(), 5);
    run(co, "sketch", {"l", "empty"});
    EXPECT_EQ(glyphs(), 0);
    run(co, "sketch", {"c", "on"});
    run(co, "relation", {"c", "auto"});
    EXPECT_EQ(co.state.sketches["c"].relations.size(), 1u) << "the centre on the origin";
    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{{"l", "parallel", "0"},
                                                                                     {"l", "horizontal", "3"},
                                                                                     {"l", "horizontal", "-1"},
                                                                                     {"l", "fixed"},
                                                                                     {"x", "auto"}})
        EXPECT_THROW(run(co, "relation", bad), SourceError) << bad[1];
}

TEST(SketchVerbs, TheValueBoxOfADimensionHangsFromItsText) {
    const Script s = script("sketch l plane=front profile=0,0;30,0;30,10;0,10\n");
    Composer co(s);
    run(co, "sketch", {"l", "on"});
    EXPECT_THROW(run(co, "dialog", {"Cote", "dim", "l"}), SourceError) << "no dimension yet";
    const ui::Rect g = ui::graphicsArea();
    for (const std::string seg : {"0", "1", "2"}) {
        run(co, "dim", {"l", seg, "12"});
        ui::Rect label;
        ASSERT_TRUE(lastDimensionLabel(co.state, co.model, "l", label));
        run(co, "dialog", {"Cote", "dim", "l"});
        run(co, "field", {"Valeur", "12,00 mm"});
        ASSERT_TRUE(co.state.dialog && co.state.dialog->anchored);
        const ui::Rect box = ui::dialogBox(*co.state.dialog);
        EXPECT_FALSE(overlaps(box, label)) << "the box leaves the dimension's text readable, segment " << seg;
        // Right against the text, above or below it.
        const double gap = std::min(std::abs(box.y - (label.y + label.h)), std::abs(label.y - (box.y + box.h)));
        EXPECT_LE(gap, 5) << seg;
        EXPECT_NEAR(box.x, std::clamp(label.x - 6, g.x + 4, g.x + g.w - box.w - 4), 1e-9) << seg;
        EXPECT_GE(box.y, g.y);
        EXPECT_LE(box.y + box.h, g.y + g.h);
        // Two different dimensions, two different places.
        if (seg == "1") {
            run(co, "dim", {"l", "0", "12"});
            ui::Rect other;
            ASSERT_TRUE(lastDimensionLabel(co.state, co.model, "l", other));
            EXPECT_FALSE(std::abs(other.x - label.x) < 1 && std::abs(other.y - label.y) < 1);
        }
    }
    EXPECT_THROW(run(co, "dialog", {"Cote", "ailleurs", "l"}), SourceError);
}

TEST(TreeVerbs, ASketchUsedByAFeatureIsListedUnderIt) {
    const Script s = script("");
    Composer co(s);
    run(co, "tree", {"add", "Esquisse1", "sketch"});
    run(co, "tree", {"add", "Extrusion1", "feature", "Esquisse1"});
    run(co, "tree", {"add", "Enlèvement1", "feature", "Esquisse2"});  // a sketch made on the way
    const std::vector<ui::TreeItem>& t = co.state.tree;
    ASSERT_EQ(t.size(), 9u);
    EXPECT_EQ(t[5].name, "Extrusion1");
    EXPECT_EQ(t[6].name, "Esquisse1");
    EXPECT_EQ(t[6].under, "Extrusion1");
    EXPECT_EQ(t[8].under, "Enlèvement1");
    ui::Rect feature, sketch, plane;
    ASSERT_TRUE(ui::treeItemRect(t, "Extrusion1", feature));
    ASSERT_TRUE(ui::treeItemRect(t, "Esquisse1", sketch));
    ASSERT_TRUE(ui::treeItemRect(t, "Plan de face", plane));
    EXPECT_EQ(feature.x, plane.x);
    EXPECT_GT(sketch.x, feature.x + 10) << "one level in";
    EXPECT_GT(sketch.y, feature.y);
    // Each feature with a sketch under it shows its open triangle, the others none.
    auto triangles = [&] {
        Drawing d;
        TextBlock txt;
        ui::drawTree(d, txt, co.state.tree, "");
        int n = 0;
        for (const Element& e : d.elements) n += e.filled && e.fill == rgb(0x4a5566) && e.line == rgb(0x4a5566);
        return n;
    };
    EXPECT_EQ(triangles(), 2);
    run(co, "tree", {"rename", "Extrusion1", "Base"});
    EXPECT_EQ(t[6].under, "Base");
    run(co, "tree", {"remove", "Base"});  // with its sketch
    EXPECT_EQ(t.size(), 7u);
    EXPECT_EQ(triangles(), 1);
    EXPECT_THROW(run(co, "tree", {"add", "Enlèvement1"}), SourceError) << "already there";
    EXPECT_THROW(run(co, "tree", {"add", "Coque1", "sketch", "Esquisse3"}), SourceError);
}

TEST(TimelineVerbs, AKeyDraggedAlongTheTimeLineTakesItsPoseWithIt) {
    const Script s = script("solid bloc box w=40 h=20 d=30\n");
    Composer co(s);
    run(co, "part", {"bloc"});
    run(co, "timeline", {"on", "10"});
    run(co, "orient", {"35", "25"});
    run(co, "key", {"0"});
    run(co, "orient", {"125", "-30"});
    run(co, "key", {"4"});
    EXPECT_THROW(run(co, "movekey", {"2", "5", "1"}), SourceError) << "no key at 2 s";
    run(co, "movekey", {"4", "5", "1"});
    EXPECT_EQ(co.state.keys, (std::vector<double>{0, 5}));
    ASSERT_EQ(co.state.poses.count(5), 1u);
    EXPECT_EQ(co.state.poses.count(4), 0u);
    EXPECT_EQ(co.state.poses.at(5), std::make_pair(125.0, -30.0));
    EXPECT_DOUBLE_EQ(co.state.playhead, 5);
    run(co, "timeline", {"off"});
    EXPECT_THROW(run(co, "movekey", {"5", "6", "1"}), SourceError) << "no time line";
}
