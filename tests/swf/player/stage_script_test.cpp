// The stage as scripts see it: the order frame scripts run in, and display
// properties read and written from scripts.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "swf/format/asset_tags.h"
#include "swf/format/codes.h"
#include "swf/player/display_properties.h"
#include "swf/player/player.h"
#include "swf/format/action_builder.h"
#include "swf/format/codes.h"
#include "swf/format/writer.h"
#include "swf/player/imports.h"
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

// --- Movies loaded into clips and levels ----------------------------------------------

// Files served from memory, as a fetcher serves them from the movie's folder.
AssetFetcher memoryFiles(std::map<std::string, Bytes> files) {
    return [files = std::move(files)](const std::string& path, std::size_t maxBytes) -> std::optional<Bytes> {
        auto it = files.find(path);
        if (it == files.end() || it->second.size() > maxBytes) return std::nullopt;
        return it->second;
    };
}

Bytes movieBytes(std::vector<Tag> tags) {
    MovieData m;
    m.tags = std::move(tags);
    return write(m);
}

// GetURL2 with its flags: 0x40 names a clip to load into.
Asm& getUrl2(Asm& a, const char* url, const char* window, std::uint8_t flags) {
    return a.push({url, window}).record(action::GetUrl2, Bytes{flags});
}

Asm& traceOwnPath(Asm& a) { return a.getVariable("this").record(action::TargetPath).trace(); }

TEST(SwfLoadMovie, AClipShowsTheLoadedMovieFromTheNextTickWithItsOwnCharactersAndUnloadsEmpty) {
    // The loaded movie's sprite 10 is its own, not the root's sprite of that id.
    Asm child;
    traceOwnPath(child);
    Bytes file = movieBytes({sprite(10, {traceAction("sprite du film chargé"), ShowFrame{}}), place(1, 10),
                             DoAction{child.bytes()}, ShowFrame{}});
    Asm load;
    getUrl2(load, "enfant.swf", "boite", 0x40).traceValue("demandé");
    Asm unload;
    unload.traceValue("racine 2").push({0}).callMethod("boite", "unloadMovie").record(action::Pop);
    auto run = start(boxMovie({DoAction{load.bytes()}}, {DoAction{unload.bytes()}}));
    run->player->setLooping(false);
    run->player->setAssetFetcher(memoryFiles({{"enfant.swf", file}}));
    EXPECT_EQ(run->traces, (std::vector<std::string>{"demandé"}));  // loading waits for the next tick

    run->player->tick();
    EXPECT_EQ(run->traces, (std::vector<std::string>{"demandé", "sprite du film chargé", "_level0.boite", "racine 2"}));
    const Timeline* clip = box(*run->player).sprite.get();
    ASSERT_TRUE(clip);
    EXPECT_NE(&clip->dictionary(), &run->player->dictionary());
    ASSERT_EQ(clip->displayList().size(), 1u);
    ASSERT_TRUE(clip->displayList().at(1).sprite);
    EXPECT_EQ(&clip->displayList().at(1).sprite->dictionary(), &clip->dictionary());

    run->player->tick();  // the unloadMovie of frame 2: the same clip, now empty
    EXPECT_EQ(box(*run->player).sprite.get(), clip);
    EXPECT_TRUE(clip->displayList().empty());
}

TEST(SwfLoadMovie, LevelsLoadByNumberAndUnloadingOneRunsItsOnUnloadAndTakesItAway) {
    Asm child;
    child.getVariable("this").push({"onUnload"}).defineFunction("", {}, Asm().traceValue("parti"));
    child.record(action::SetMember);
    traceOwnPath(child);
    Bytes file = movieBytes({DoAction{child.bytes()}, ShowFrame{}});
    Asm probe;  // _level2 reads as a clip once loaded
    probe.getVariable("_level2").record(action::TargetPath).trace();
    auto run = start(boxMovie({Asm().getUrl("niveau.swf", "_level2").doAction()},
                              {DoAction{probe.bytes()}, Asm().getUrl("", "_level2").doAction()}));
    run->player->setLooping(false);
    run->player->setAssetFetcher(memoryFiles({{"niveau.swf", file}}));
    EXPECT_EQ(run->player->level(2), nullptr);

    run->player->tick();
    ASSERT_NE(run->player->level(2), nullptr);
    EXPECT_EQ(run->player->level(2)->level(), 2);
    EXPECT_EQ(run->traces, (std::vector<std::string>{"_level2", "_level2"}));

    run->player->tick();
    EXPECT_EQ(run->player->level(2), nullptr);
    EXPECT_EQ(run->traces, (std::vector<std::string>{"_level2", "_level2", "parti"}));
}

TEST(SwfLoadMovie, FilesThatCannotBeHadLeaveTheStageAsItWasAndTheMoviePlaysOn) {
    auto dir = std::filesystem::temp_directory_path() / "swf-load-movie-test";
    std::filesystem::create_directories(dir / "dossier");
    Bytes good = movieBytes({traceAction("bon"), ShowFrame{}});
    std::ofstream(dir / "dossier" / "bon.swf", std::ios::binary)
        .write(reinterpret_cast<const char*>(good.data()), std::streamsize(good.size()));
    std::ofstream(dir / "dossier" / "abime.swf", std::ios::binary) << "ceci n'est pas un film";
    std::ofstream(dir / "hors.swf", std::ios::binary)
        .write(reinterpret_cast<const char*>(good.data()), std::streamsize(good.size()));
    Asm loads;
    loads.getUrl("http://exemple.fr/bon.swf", "_level1")
        .getUrl("../hors.swf", "_level2")
        .getUrl("absent.swf", "_level3")
        .getUrl("abime.swf", "_level4")
        .getUrl("file:///etc/passwd", "_level5");
    getUrl2(loads, "absent.swf", "boite", 0x40);
    loads.getUrl("bon.swf", "_level6");
    auto run = start(boxMovie({DoAction{loads.bytes()}}, {traceAction("racine 2")}));
    run->player->setAssetFetcher(localFileFetcher(dir / "dossier"));
    run->player->tick();
    for (int n = 1; n <= 5; ++n) EXPECT_EQ(run->player->level(n), nullptr) << n;
    ASSERT_NE(run->player->level(6), nullptr);
    EXPECT_EQ(run->traces, (std::vector<std::string>{"bon", "racine 2"}));
    // The clip a load failed for shows what it showed.
    ASSERT_TRUE(box(*run->player).sprite);
    EXPECT_EQ(box(*run->player).sprite->displayList().size(), 1u);

    // Without a fetcher nothing loads.
    auto bare = start(boxMovie({Asm().getUrl("bon.swf", "_level1").doAction()}));
    bare->player->tick();
    EXPECT_EQ(bare->player->level(1), nullptr);
    std::filesystem::remove_all(dir);
}

TEST(SwfScriptOrder, InitActionsRunOncePerSpriteWhicheverTagOrSpriteHoldsThem) {
    MovieData m;
    m.tags.push_back(sprite(1, {ShowFrame{}}));
    // Sprite 2 holds init actions for sprite 1 too: they do not run again.
    m.tags.push_back(sprite(2, {DoInitAction{1, Asm().traceValue("encore").bytes()}, ShowFrame{}}));
    m.tags.push_back(DoInitAction{1, Asm().traceValue("init 1").bytes()});
    m.tags.push_back(place(1, 2));
    m.tags.push_back(DoInitAction{1, Asm().traceValue("deuxième").bytes()});
    m.tags.push_back(ShowFrame{});
    auto run = start(std::move(m));
    run->player->tick();
    EXPECT_EQ(run->traces, (std::vector<std::string>{"init 1"}));
}

// --- Clip events and instance names ----------------------------------------------------

// onClipEvent handlers as a PlaceObject tag of a version 6+ movie carries them:
// reserved word, all events, then (events, size, actions) records up to a zero.
Bytes clipActionBytes(std::vector<std::pair<std::uint32_t, Bytes>> handlers, bool terminated = true) {
    Bytes out{0, 0};
    auto u32 = [&](std::uint32_t v) {
        for (int k = 0; k < 4; ++k) out.push_back(static_cast<std::uint8_t>(v >> (8 * k)));
    };
    std::uint32_t all = 0;
    for (auto& [events, code] : handlers) all |= events;
    u32(all);
    for (auto& [events, code] : handlers) {
        u32(events);
        u32(static_cast<std::uint32_t>(code.size()));
        out.insert(out.end(), code.begin(), code.end());
    }
    if (terminated) u32(0);
    return out;
}

TEST(SwfClipEvents, LoadRunsAfterTheFirstFrameAndEnterFrameEveryTickChildrenBeforeTheRoot) {
    MovieData m;
    m.tags.push_back(sprite(10, {traceAction("sprite image 1"), ShowFrame{}}));
    PlaceObject p = place(1, 10);
    p.name = "boite";
    p.hasClipActions = true;
    p.tail = clipActionBytes({{0x1, Asm().traceValue("load").bytes()},
                              {0x2, Asm().push({"_name"}).record(action::GetVariable).trace().bytes()}});
    m.tags.push_back(p);
    Asm root;
    root.getVariable("this").push({"onEnterFrame"}).defineFunction("", {}, Asm().traceValue("racine"));
    root.record(action::SetMember);
    m.tags.push_back(DoAction{root.bytes()});
    m.tags.push_back(ShowFrame{});
    auto run = start(std::move(m));
    EXPECT_EQ(run->traces, (std::vector<std::string>{"sprite image 1", "load"}));  // no enterFrame yet
    run->player->tick();
    run->player->tick();
    EXPECT_EQ(run->traces, (std::vector<std::string>{"sprite image 1", "load", "boite", "racine", "boite", "racine"}));
}

TEST(SwfClipEvents, HandlersCutShortKeepThoseBeforeAndVersion5FlagsAreSixteenBits) {
    PlaceObject p = place(1, 10);
    p.hasClipActions = true;
    Bytes good = Asm().traceValue("a").bytes();
    p.tail = clipActionBytes({{0x2, good}, {0x1, good}}, false);
    p.tail.insert(p.tail.end(), {0x40, 0, 0, 0, 0xff, 0xff});  // a record whose size runs past the tag
    ClipActions six = parseClipActions(p, 6);
    ASSERT_EQ(six.size(), 2u);
    EXPECT_EQ(six[0].events, 0x2u);
    EXPECT_EQ(six[1].actions, good);

    // Version 5: two bytes of flags; the key code of a key press handler is not code.
    p.tail = {0, 0, 0x01, 0, 0x01, 0, 3, 0, 0, 0, 0x06, 0x07, 0x00, 0, 0};
    ClipActions five = parseClipActions(p, 5);
    ASSERT_EQ(five.size(), 1u);
    EXPECT_EQ(five[0].actions, (Bytes{0x06, 0x07, 0x00}));
    p.tail = {0, 0};
    EXPECT_TRUE(parseClipActions(p, 8).empty());
    p.hasClipActions = false;
    p.tail = clipActionBytes({{0x2, good}});
    EXPECT_TRUE(parseClipActions(p, 8).empty());
}

TEST(SwfClipNames, UnnamedInstancesGetNumberedNamesAndForInListsTheTopmostFirst) {
    MovieData m;
    m.tags.push_back(sprite(10, {ShowFrame{}}));
    m.tags.push_back(place(1, 10));
    PlaceObject named = place(2, 10);
    named.name = "nommé";
    m.tags.push_back(named);
    m.tags.push_back(place(3, 10));
    Asm a;
    a.getVariable("this").record(action::Enumerate2);
    a.label("boucle").storeRegister(0).push({ActionBuilder::Null{}}).record(action::Equals2).jumpIf("fin");
    a.push({ActionBuilder::Register{0}}).trace().jump("boucle").label("fin");
    m.tags.push_back(DoAction{a.bytes()});
    m.tags.push_back(ShowFrame{});
    auto run = start(std::move(m));
    // The main clip's own $version variable is listed too, before the clips.
    EXPECT_EQ(run->traces, (std::vector<std::string>{"$version", "instance2", "nommé", "instance1"}));
}

TEST(SwfTellTarget, AMissingTargetReachesTheRootFromVersion10AndNoOneBefore) {
    for (int version : {8, 10}) {
        Asm a;
        a.setTarget("absent").gotoFrame(1).setTarget("");
        MovieData m = boxMovie({DoAction{a.bytes()}, Asm().stop().doAction()});
        m.header.version = static_cast<std::uint8_t>(version);
        auto run = start(std::move(m));
        EXPECT_EQ(run->player->currentFrame(), version >= 10 ? 2 : 1) << version;
    }
}

TEST(SwfScriptClips, ADepthPastTheInt32RangeWrapsOntoTheClipsAlreadyThere) {
    Asm a;
    a.push({0, "a", 2}).callMethod("this", "createEmptyMovieClip").record(action::Pop);
    a.push({4294967296.0, "b", 2}).callMethod("this", "createEmptyMovieClip").record(action::Pop);
    a.getVariable("a").trace().getVariable("b").trace();
    auto run = start(boxMovie({DoAction{a.bytes()}}));
    EXPECT_EQ(run->traces, (std::vector<std::string>{"undefined", "_level0.b"}));
}

// --- Frames as scripts count them --------------------------------------------------------

TEST(SwfFrameCounts, TagsAfterTheLastShowFrameRunOnceAndSpritesWithoutFramesCountTheirDeclaredOnes) {
    MovieData m;
    // Sprites without a ShowFrame: their declared count is what scripts read.
    m.tags.push_back(sprite(1, {}, 0));
    m.tags.push_back(sprite(2, {}, 2));
    PlaceObject zero = place(1, 1);
    zero.name = "zero";
    PlaceObject two = place(2, 2);
    two.name = "deux";
    m.tags.push_back(zero);
    m.tags.push_back(two);
    Asm counts;
    for (const char* clip : {"zero", "deux", "this"})
        for (const char* prop : {"_currentframe", "_totalframes", "_framesloaded"})
            counts.getVariable(clip).getMember(prop).trace();
    m.tags.push_back(DoAction{counts.bytes()});
    m.tags.push_back(ShowFrame{});
    // A frame without its ShowFrame: played once, then the movie waits there.
    m.tags.push_back(traceAction("fin sans image"));
    auto run = start(std::move(m));
    for (int i = 0; i < 4; ++i) run->player->tick();
    EXPECT_EQ(run->traces, (std::vector<std::string>{"0", "0", "0", "1", "2", "2", "1", "1", "1", "fin sans image"}));
    EXPECT_EQ(run->player->currentFrame(), 2);
    EXPECT_EQ(run->player->frameCount(), 2);
}

TEST(SwfLoadMovie, VariablesFromATextFileLandOnTheClipOrLevelDecodedAndPathsAreRefused) {
    std::string text = "nom=Deux+mots&accent=%C3%A9t%C3%A9&vide=&=sans-nom&_root.ailleurs=non&bout=%4";
    Asm load;
    getUrl2(load, "vars.txt", "_level0", 0x80);
    getUrl2(load, "vars.txt", "boite", 0xC0);
    Asm show;
    for (const char* v : {"nom", "accent", "vide", "ailleurs", "bout", "boite.nom"}) show.traceVariable(v);
    auto run = start(boxMovie({DoAction{load.bytes()}}, {DoAction{show.bytes()}}));
    run->player->setAssetFetcher(memoryFiles({{"vars.txt", Bytes(text.begin(), text.end())}}));
    run->player->tick();
    EXPECT_EQ(run->traces, (std::vector<std::string>{"Deux mots", "été", "", "undefined", "%4", "Deux mots"}));
}

TEST(SwfTellTarget, AClipAimsByItsPathAndOtherValuesByTheirText) {
    Asm a;
    // Two clips of the same name: the second, aimed at, is found by its path as the first.
    a.push({1, "pareil", 2}).callMethod("this", "createEmptyMovieClip").storeRegister(1).record(action::Pop);
    a.push({ActionBuilder::Register{1}, "x", "premier"}).record(action::SetMember);
    a.push({2, "pareil", 2}).callMethod("this", "createEmptyMovieClip").storeRegister(2).record(action::Pop);
    a.push({ActionBuilder::Register{2}, "x", "second"}).record(action::SetMember);
    a.push({ActionBuilder::Register{2}}).record(action::SetTarget2).traceVariable("x").setTarget("");
    // An object aims by what its toString gives.
    a.push({"o", 0}).record(action::InitObject).record(action::DefineLocal);
    a.getVariable("o").push({"toString"}).defineFunction("", {}, Asm().push({"pareil"}).record(action::Return));
    a.record(action::SetMember);
    a.getVariable("o").record(action::SetTarget2).traceVariable("x").setTarget("");
    auto run = start(boxMovie({DoAction{a.bytes()}}));
    EXPECT_EQ(run->traces, (std::vector<std::string>{"premier", "premier"}));
}

}  // namespace
