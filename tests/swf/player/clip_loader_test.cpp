// MovieClipLoader: the steps of a load told to the loader and its listeners,
// in the order and at the frames a movie sees them, and the loads refused.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "swf/format/action_builder.h"
#include "swf/format/codes.h"
#include "tests/support/stage_runs.h"
#include "tests/support/test_movies.h"

namespace {

using namespace swf;
using Asm = ActionBuilder;
using samples::place, samples::sprite, samples::traceAction;
using stage_runs::memoryFiles, stage_runs::movieBytes, stage_runs::start;
using Lines = std::vector<std::string>;

// l = new MovieClipLoader(), with a handler for each event tracing
// "event target first-argument" (and, at the start, the target's x).
Asm& makeLoader(Asm& a) {
    a.push({"l", 0, "MovieClipLoader"}).record(action::NewObject).record(action::SetVariable);
    for (const char* event : {"onLoadStart", "onLoadProgress", "onLoadComplete", "onLoadInit", "onLoadError"}) {
        Asm body;
        body.push({std::string(event) + " "}).getVariable("t").record(action::TargetPath).record(action::Add2);
        body.push({" "}).record(action::Add2).getVariable("a").record(action::Add2).trace();
        if (std::string(event) == "onLoadStart") body.getVariable("t").getMember("x").trace();
        a.getVariable("l").push({event}).defineFunction("", {"t", "a"}, body).record(action::SetMember);
    }
    return a;
}

// l.loadClip(url, target), its result traced.
Asm& loadClip(Asm& a, ActionBuilder::PushValue url, ActionBuilder::PushValue target) {
    return a.push({target, url, 2}).callMethod("l", "loadClip").trace();
}

// The clip "boite" (an empty sprite with x = "avant") and the scripts of two frames.
MovieData boxMovie(const Asm& frame1, const Asm& frame2 = Asm()) {
    MovieData m;
    m.tags.push_back(sprite(10, {ShowFrame{}}));
    PlaceObject p = place(1, 10);
    p.name = "boite";
    m.tags.push_back(p);
    Asm setX;
    setX.getVariable("boite").push({"x", "avant"}).record(action::SetMember);
    m.tags.push_back(DoAction{setX.bytes()});
    m.tags.push_back(DoAction{frame1.bytes()});
    m.tags.push_back(ShowFrame{});
    m.tags.push_back(DoAction{frame2.bytes()});
    m.tags.push_back(ShowFrame{});
    return m;
}

Bytes childMovie(const char* says) { return movieBytes({traceAction(says), ShowFrame{}}); }

TEST(SwfClipLoader, ALoadTellsStartProgressAndCompleteThenTheMovieRunsThenInitTheLastLoadFirst) {
    Bytes child = childMovie("enfant");
    Asm a;
    makeLoader(a);
    loadClip(a, "enfant.swf", "boite");
    loadClip(a, "enfant.swf", 2);
    auto run = start(boxMovie(a));
    run->player->setLooping(false);
    run->player->setAssetFetcher(memoryFiles({{"enfant.swf", child}}));
    EXPECT_EQ(run->traces, (Lines{"true", "true"}));  // nothing before the next frame

    run->player->tick();
    const std::string size = std::to_string(child.size());
    // The clip's variables are gone by the start; the level is made for the load.
    EXPECT_EQ(run->traces, (Lines{"true", "true", "onLoadStart _level0.boite undefined", "undefined",
                                  "onLoadProgress _level0.boite " + size, "onLoadComplete _level0.boite 0",
                                  "onLoadStart _level2 undefined", "undefined", "onLoadProgress _level2 " + size,
                                  "onLoadComplete _level2 0", "enfant", "enfant", "onLoadInit _level2 undefined",
                                  "onLoadInit _level0.boite undefined"}));
    ASSERT_NE(run->player->level(2), nullptr);
    ASSERT_NE(run->player->level(2)->loaded(), nullptr);
    EXPECT_EQ(run->player->level(2)->loaded()->bytes, child.size());
}

TEST(SwfClipLoader, AMissingFileIsToldInTheFrameThatAskedAndAFileThatIsNoMovieEmptiesTheClip) {
    Asm a;
    makeLoader(a);
    loadClip(a, "absent.swf", "boite");
    Asm b;
    loadClip(b, "texte.txt", "boite");
    auto run = start(boxMovie(a, b));
    run->player->setLooping(false);
    Bytes text{'n', 'o', 'n'};
    run->player->setAssetFetcher(memoryFiles({{"texte.txt", text}}));
    EXPECT_EQ(run->traces, (Lines{"true", "onLoadError _level0.boite URLNotFound"}));
    const Timeline* box = run->player->displayList().at(1).sprite.get();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->loaded(), nullptr);

    run->player->tick();  // frame 2 asks for the text file; nothing came of the missing one
    EXPECT_EQ(run->traces.size(), 3u);
    run->player->tick();
    EXPECT_EQ(run->traces, (Lines{"true", "onLoadError _level0.boite URLNotFound", "true",
                                  "onLoadStart _level0.boite undefined", "undefined", "onLoadProgress _level0.boite 0",
                                  "onLoadComplete _level0.boite 0", "onLoadInit _level0.boite undefined"}));
    EXPECT_EQ(run->player->displayList().at(1).sprite.get(), box);  // the same clip, now showing nothing
    EXPECT_TRUE(box->displayList().empty());
}

TEST(SwfClipLoader, LoadsWithoutAUrlStringOrAClipToGoIntoAreRefused) {
    Asm a;
    makeLoader(a);
    a.push({0}).callMethod("l", "loadClip").trace();                // no arguments: undefined
    a.push({"enfant.swf", 1}).callMethod("l", "loadClip").trace();  // no target: undefined
    loadClip(a, 7, "boite");                                        // a url that is no string
    loadClip(a, "enfant.swf", "absente");                           // no such clip
    loadClip(a, "enfant.swf", ActionBuilder::Null{});               // no target
    loadClip(a, "enfant.swf", -1);                                  // no such level
    loadClip(a, "enfant.swf", 2.9);                                 // level 2
    auto run = start(boxMovie(a));
    run->player->setLooping(false);
    run->player->setAssetFetcher(memoryFiles({{"enfant.swf", childMovie("enfant")}}));
    EXPECT_EQ(run->traces, (Lines{"undefined", "undefined", "false", "false", "false", "false", "true"}));
    run->player->tick();
    EXPECT_NE(run->player->level(2), nullptr);
}

TEST(SwfClipLoader, UnloadingBeforeTheLoadHappensTellsOnlyItsStartAndLeavesTheClipEmpty) {
    Asm a;
    makeLoader(a);
    loadClip(a, "enfant.swf", "boite");
    a.push({"boite", 1}).callMethod("l", "unloadClip").trace();
    auto run = start(boxMovie(a));
    run->player->setLooping(false);
    run->player->setAssetFetcher(memoryFiles({{"enfant.swf", childMovie("enfant")}}));
    run->player->tick();
    EXPECT_EQ(run->traces, (Lines{"true", "true", "onLoadStart _level0.boite undefined", "avant"}));
    const Timeline* box = run->player->displayList().at(1).sprite.get();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->loaded(), nullptr);
}

TEST(SwfClipLoader, AFloodOfLoadsIsCutAtTheQueueBoundAndTheMoviePlaysOn) {
    Asm a;
    makeLoader(a);
    a.setVariable("n", 0).setVariable("ok", 0);
    a.label("boucle");
    a.push({"boite", "enfant.swf", 2}).callMethod("l", "loadClip");
    a.jumpIf("accepte").jump("suite");
    a.label("accepte").push({"ok"}).getVariable("ok").push({1}).record(action::Add2).record(action::SetVariable);
    a.label("suite").push({"n"}).getVariable("n").push({1}).record(action::Add2).record(action::SetVariable);
    a.getVariable("n").push({500}).record(action::Less2).jumpIf("boucle");
    a.traceVariable("ok");
    auto run = start(boxMovie(a));
    run->player->setLooping(false);
    run->player->setAssetFetcher(memoryFiles({{"enfant.swf", childMovie("enfant")}}));
    ASSERT_EQ(run->traces.size(), 1u);
    EXPECT_EQ(run->traces[0], "64");
    run->player->tick();
    run->player->tick();
    const Timeline* box = run->player->displayList().at(1).sprite.get();
    ASSERT_NE(box, nullptr);
    EXPECT_NE(box->loaded(), nullptr);
}

}  // namespace
