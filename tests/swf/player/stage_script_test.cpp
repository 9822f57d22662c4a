// The stage as scripts see it: the order frame scripts run in, and display
// properties read and written from scripts.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "swf/format/asset_tags.h"
#include "swf/format/codes.h"
#include "swf/player/display_properties.h"
#include "swf/player/player.h"
#include "swf/format/action_builder.h"
#include "swf/format/codes.h"
#include "tests/support/test_movies.h"

namespace {

using namespace swf;
using Asm = ActionBuilder;
using samples::place, samples::rectShape, samples::sprite, samples::traceAction;

struct Run {
    std::vector<std::string> traces;
    std::unique_ptr<Player> player;
};

std::unique_ptr<Run> start(MovieData movie) {
    auto run = std::make_unique<Run>();
    run->player = std::make_unique<Player>(std::make_shared<const MovieData>(std::move(movie)),
                                           [r = run.get()](std::string_view s) { r->traces.emplace_back(s); });
    return run;
}

TEST(SwfScriptOrder, FrameScriptsRunInTagOrderWithPlacedSpritesWhereTheirPlaceObjectStands) {
    MovieData m;
    m.tags.push_back(rectShape(1, 0, 0, 10, 10, FillStyle::solid({0, 0, 0, 255})));
    // Sprite 3 nests sprite 2: the innermost frame script comes first.
    m.tags.push_back(sprite(2, {traceAction("petit-enfant"), ShowFrame{}}));
    m.tags.push_back(
        sprite(3, {place(1, 2), traceAction("enfant 1"), ShowFrame{}, traceAction("enfant 2"), ShowFrame{}}, 2));
    m.tags.push_back(traceAction("racine avant"));
    m.tags.push_back(place(1, 3));
    m.tags.push_back(traceAction("racine apres"));
    m.tags.push_back(DoInitAction{3, Asm().traceValue("init").bytes()});
    m.tags.push_back(ShowFrame{});
    m.tags.push_back(traceAction("racine 2"));
    m.tags.push_back(ShowFrame{});
    auto run = start(std::move(m));
    run->player->tick();
    EXPECT_EQ(run->traces, (std::vector<std::string>{"init", "racine avant", "petit-enfant", "enfant 1", "racine apres",
                                                     "racine 2", "enfant 2"}));
}

// Property numbers of GetProperty and SetProperty.
enum Prop {
    X = 0,
    Y = 1,
    XScale = 2,
    YScale = 3,
    Alpha = 6,
    Visible = 7,
    Width = 8,
    Height = 9,
    Rotation = 10,
    Name = 13
};

Asm& setProp(Asm& a, const char* target, Prop p, ActionBuilder::PushValue v) {
    return a.push({target, static_cast<int>(p), v}).record(action::SetProperty);
}
Asm& traceProp(Asm& a, const char* target, Prop p) {
    return a.push({target, static_cast<int>(p)}).record(action::GetProperty).trace();
}

// The root shows sprite 10 ("boite", a 100 x 50 px square inside) at (40, 60) px.
MovieData boxMovie(std::vector<Tag> frame1, std::vector<Tag> frame2 = {}) {
    MovieData m;
    m.tags.push_back(rectShape(1, 0, 0, 2000, 1000, FillStyle::solid({0, 0, 255, 255})));
    m.tags.push_back(sprite(10, {place(1, 1), ShowFrame{}}));
    PlaceObject p = place(1, 10, 800, 1200);
    p.name = "boite";
    m.tags.push_back(p);
    for (auto& t : frame1) m.tags.push_back(t);
    m.tags.push_back(ShowFrame{});
    for (auto& t : frame2) m.tags.push_back(t);
    m.tags.push_back(ShowFrame{});
    return m;
}

const DisplayObject& box(const Player& p) { return p.displayList().at(1); }

TEST(SwfDisplayProperties, ScriptsMoveScaleTurnAndFadeAClipOnTheDisplayList) {
    Asm a;
    traceProp(a, "boite", X);
    traceProp(a, "boite", Width);
    setProp(a, "boite", X, 12.5);
    setProp(a, "boite", Y, -3);
    setProp(a, "boite", XScale, 200);
    setProp(a, "boite", Alpha, 50);
    setProp(a, "boite", Rotation, 270);  // reads back as -90
    traceProp(a, "boite", X);
    traceProp(a, "boite", XScale);
    traceProp(a, "boite", Rotation);
    traceProp(a, "boite", Alpha);
    // Member access reaches the same properties.
    a.getVariable("boite").push({"_yscale", 50}).record(action::SetMember);
    a.getVariable("boite").getMember("_yscale").trace();
    auto run = start(boxMovie({DoAction{a.bytes()}}));
    EXPECT_EQ(run->traces, (std::vector<std::string>{"40", "100", "12.5", "200", "-90", "50", "50"}));

    const DisplayObject& o = box(*run->player);
    EXPECT_EQ(o.matrix.translateX, 250);
    EXPECT_EQ(o.matrix.translateY, -60);
    EXPECT_EQ(o.colorTransform.multA, 128);
    // Turned a quarter back: x axis (2, 0) -> (0, -2), y axis (0, 0.5) -> (0.5, 0).
    EXPECT_NEAR(o.matrix.scaleX / 65536.0, 0.0, 1e-4);
    EXPECT_NEAR(o.matrix.rotateSkew0 / 65536.0, -2.0, 1e-4);
    EXPECT_NEAR(o.matrix.rotateSkew1 / 65536.0, 0.5, 1e-4);
    EXPECT_NEAR(o.matrix.scaleY / 65536.0, 0.0, 1e-4);
}

TEST(SwfDisplayProperties, NanAndUndefinedWritesChangeNothingAndValuesAreKeptAsTheFileKeepsThem) {
    Asm a;
    setProp(a, "boite", X, 7);
    setProp(a, "boite", X, ActionBuilder::Undefined{});
    setProp(a, "boite", X, "pas un nombre");
    traceProp(a, "boite", X);
    setProp(a, "boite", Alpha, 1.5);  // the 8.8 multiplier: 3/256
    traceProp(a, "boite", Alpha);
    setProp(a, "boite", Rotation, std::numeric_limits<double>::infinity());
    traceProp(a, "boite", Rotation);
    setProp(a, "boite", Visible, 0);
    traceProp(a, "boite", Visible);
    setProp(a, "boite", Name, "caisse");
    a.getVariable("caisse").getMember("_x").trace();
    auto run = start(boxMovie({DoAction{a.bytes()}}));
    EXPECT_EQ(run->traces, (std::vector<std::string>{"7", "1.171875", "NaN", "false", "7"}));
    EXPECT_FALSE(box(*run->player).visible);
    EXPECT_EQ(box(*run->player).name, "caisse");
}

TEST(SwfDisplayProperties, WidthAndHeightFollowTheBoundsAndSetTheScale) {
    Asm a;
    setProp(a, "boite", Width, 25);
    setProp(a, "boite", Height, 100);
    traceProp(a, "boite", XScale);
    traceProp(a, "boite", YScale);
    traceProp(a, "boite", Width);
    setProp(a, "boite", Rotation, 90);
    traceProp(a, "boite", Width);  // the turned box: its height now lies along x
    auto run = start(boxMovie({DoAction{a.bytes()}}));
    EXPECT_EQ(run->traces, (std::vector<std::string>{"25", "200", "25", "100"}));
}

TEST(SwfDisplayProperties, AClipAScriptMovedNoLongerFollowsTheTimeline) {
    // Frame 2 moves both clips by PlaceObject; the script moved only "boite".
    MovieData m = boxMovie({}, {});
    m.tags.insert(m.tags.begin() + 3, [] {
        PlaceObject p = place(2, 10, 0, 0);
        p.name = "autre";
        return p;
    }());
    Asm a;
    setProp(a, "boite", X, 5);
    m.tags.insert(m.tags.begin() + 4, DoAction{a.bytes()});
    // Frame 2: both moved to x = 300 px by the timeline.
    m.tags.insert(m.tags.end() - 1, samples::moveObject(1, 6000, 0));
    m.tags.insert(m.tags.end() - 1, samples::moveObject(2, 6000, 0));
    auto run = start(std::move(m));
    run->player->tick();
    EXPECT_EQ(run->player->displayList().at(1).matrix.translateX, 100) << "kept where the script put it";
    EXPECT_EQ(run->player->displayList().at(2).matrix.translateX, 6000);
}

TEST(SwfDisplayProperties, ScaleAndRotationReadFromAMatrixTheFileGave) {
    DisplayObject o;
    // Scale 2 then a 30 degree turn, mirrored vertically.
    double r = 30 * 3.14159265358979 / 180;
    o.matrix.scaleX = std::lround(2 * std::cos(r) * 65536);
    o.matrix.rotateSkew0 = std::lround(2 * std::sin(r) * 65536);
    o.matrix.rotateSkew1 = std::lround(std::sin(r) * 65536);
    o.matrix.scaleY = std::lround(-std::cos(r) * 65536);
    EXPECT_NEAR(displayXScale(o), 200, 1e-3);
    EXPECT_NEAR(displayYScale(o), -100, 1e-3);
    EXPECT_NEAR(displayRotation(o), 30, 1e-3);
    // Changing one scale keeps the turn and the other scale.
    const double turn = displayRotation(o);
    setDisplayXScale(o, 50);
    EXPECT_EQ(displayXScale(o), 50);
    EXPECT_EQ(displayRotation(o), turn);
    EXPECT_NEAR(displayYScale(o), -100, 1e-3);
    EXPECT_NEAR(o.matrix.scaleX / 65536.0, 0.5 * std::cos(r), 1e-4);
    // A zero scale loses the angle in the matrix, but not in what scripts read.
    setDisplayXScale(o, 0);
    EXPECT_EQ(o.matrix.scaleX, 0);
    EXPECT_EQ(displayRotation(o), turn);
    // Positions past the 32-bit twips range end at its bottom, as the reference shows.
    setDisplayX(o, std::numeric_limits<double>::infinity());
    EXPECT_EQ(displayX(o), -107374182.4);
}

TEST(SwfRewind, GoingBackKeepsWhatTheSameTagPlacedAndResetsItsPlacement) {
    // Frame 2 places sprite 3 (it traces on its first frame); frame 3 moves
    // it; frame 4 goes back to frame 2. Frame 3 also places a shape at depth 2.
    MovieData m;
    m.tags.push_back(rectShape(1, 0, 0, 10, 10, FillStyle::solid({0, 0, 0, 255})));
    m.tags.push_back(sprite(3, {traceAction("enfant"), ShowFrame{}}));
    m.tags.push_back(ShowFrame{});
    m.tags.push_back(place(1, 3, 100, 0));
    m.tags.push_back(ShowFrame{});
    m.tags.push_back(samples::moveObject(1, 900, 0));
    m.tags.push_back(place(2, 1));
    m.tags.push_back(ShowFrame{});
    m.tags.push_back(DoAction{Asm().gotoFrame(1).record(action::Stop).bytes()});
    m.tags.push_back(ShowFrame{});
    auto run = start(std::move(m));
    run->player->tick();
    const Timeline* child = run->player->displayList().at(1).sprite.get();
    ASSERT_NE(child, nullptr);
    run->player->tick();
    run->player->tick();
    EXPECT_EQ(run->player->currentFrame(), 2);
    EXPECT_EQ(run->traces, (std::vector<std::string>{"enfant"})) << "the sprite did not start again";
    const DisplayList& list = run->player->displayList();
    ASSERT_EQ(list.size(), 1u) << "what frame 3 placed left";
    EXPECT_EQ(list.at(1).sprite.get(), child);
    EXPECT_EQ(list.at(1).matrix.translateX, 100);
}

TEST(SwfRewind, LoopingKeepsTheSpritesOfFrameOneAndPlacesReplacedOnesAnew) {
    // Depth 1 holds sprite 3 all along; depth 2 holds sprite 3 in frame 1
    // only, sprite 4 from frame 2 on.
    MovieData m;
    m.tags.push_back(sprite(3, {traceAction("trois"), ShowFrame{}}));
    m.tags.push_back(sprite(4, {traceAction("quatre"), ShowFrame{}}));
    m.tags.push_back(place(1, 3));
    m.tags.push_back(place(2, 3));
    m.tags.push_back(ShowFrame{});
    m.tags.push_back(RemoveObject{2, 0, 2});
    m.tags.push_back(place(2, 4));
    m.tags.push_back(ShowFrame{});
    auto run = start(std::move(m));
    const Timeline* kept = run->player->displayList().at(1).sprite.get();
    run->player->tick();  // frame 2
    run->player->tick();  // frame 1 again
    EXPECT_EQ(run->player->currentFrame(), 1);
    EXPECT_EQ(run->player->displayList().at(1).sprite.get(), kept);
    EXPECT_EQ(run->traces, (std::vector<std::string>{"trois", "trois", "quatre", "trois"}))
        << "only the sprite placed anew at depth 2 started again";
}

// obj.method(args...) with the result left on the stack.
Asm& callMethod(Asm& a, const char* object, const char* method, std::vector<Asm::PushValue> args) {
    for (auto it = args.rbegin(); it != args.rend(); ++it) a.push({*it});
    a.push({static_cast<int>(args.size())});
    a.getVariable(object);
    return a.push({method}).record(action::CallMethod);
}

TEST(SwfScriptClips, AttachCreateDuplicateAndRemoveClipsAtScriptDepths) {
    MovieData m;
    m.tags.push_back(rectShape(1, 0, 0, 400, 200, FillStyle::solid({0, 0, 0, 255})));
    m.tags.push_back(sprite(10, {place(1, 1), ShowFrame{}}));
    m.tags.push_back(UnknownTag{code::ExportAssets, encodeExportAssets(ExportAssets{{{10, "Boite"}}})});
    PlaceObject fixed = place(1, 10);
    fixed.name = "fixe";
    m.tags.push_back(fixed);
    Asm a;
    callMethod(a, "_root", "attachMovie", {"boite", "b1", 5}).record(action::Pop);  // names without case
    callMethod(a, "b1", "getDepth", {}).trace();
    a.getVariable("b1").getMember("_width").trace();
    // Called as a plain function, a clip method acts on the script's own timeline.
    a.push({7, "vide", 2, "createEmptyMovieClip"}).record(action::CallFunction).record(action::Pop);
    callMethod(a, "vide", "getDepth", {}).trace();
    a.getVariable("b1").push({"_x", 30}).record(action::SetMember);
    callMethod(a, "b1", "duplicateMovieClip", {"b2", 6}).record(action::Pop);
    a.getVariable("b2").getMember("_x").trace();
    callMethod(a, "b2", "removeMovieClip", {}).record(action::Pop);
    a.getVariable("b2").record(action::TypeOf).trace();
    // What the timeline placed stays: scripts remove only what scripts placed.
    callMethod(a, "fixe", "removeMovieClip", {}).record(action::Pop);
    callMethod(a, "fixe", "getDepth", {}).trace();
    callMethod(a, "_root", "attachMovie", {"absent", "x", 8}).trace();
    m.tags.push_back(DoAction{a.bytes()});
    m.tags.push_back(ShowFrame{});
    auto run = start(std::move(m));
    EXPECT_EQ(run->traces, (std::vector<std::string>{"5", "20", "7", "30", "undefined", "-16383", "undefined"}));
    const DisplayList& list = run->player->displayList();
    std::vector<int> depths;
    for (const auto& [d, obj] : list) depths.push_back(d);
    EXPECT_EQ(depths, (std::vector<int>{1, 16384 + 5, 16384 + 7}));
    EXPECT_EQ(list.at(16389).characterId, 10);
    EXPECT_EQ(list.at(16389).name, "b1");
    ASSERT_TRUE(list.at(16391).sprite);
    EXPECT_TRUE(list.at(16391).sprite->displayList().empty());
}

TEST(SwfPlacement, PlacingOntoAnOccupiedDepthFailsAndSaysSoWhileMovingWithTheSameCharacterKeepsTheInstance) {
    MovieData m;
    m.tags.push_back(sprite(3, {traceAction("trois"), ShowFrame{}}));
    m.tags.push_back(sprite(4, {traceAction("quatre"), ShowFrame{}}));
    m.tags.push_back(place(1, 3));
    m.tags.push_back(place(1, 4));  // no move flag: refused
    PlaceObject again = place(1, 3, 240, 0);
    again.move = true;  // the same character with the move flag: the same instance, moved
    m.tags.push_back(again);
    m.tags.push_back(ShowFrame{});
    auto run = start(std::move(m));
    EXPECT_EQ(run->traces, (std::vector<std::string>{"Warning: Failed to place object at depth 1.", "trois"}));
    const DisplayObject& o = run->player->displayList().at(1);
    EXPECT_EQ(o.characterId, 3);
    EXPECT_EQ(o.matrix.translateX, 240);
}

}  // namespace
