// Object.registerClass: clips of an exported symbol made by the registered
// constructor, whether a script attaches them or the timeline places them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "swf/format/action_builder.h"
#include "swf/format/asset_tags.h"
#include "swf/format/codes.h"
#include "tests/support/stage_runs.h"
#include "tests/support/test_movies.h"

namespace {

using namespace swf;
using Asm = ActionBuilder;
using samples::place, samples::sprite, samples::traceAction;
using stage_runs::start;
using Lines = std::vector<std::string>;

// C = function () { trace("construit " + this._name + " " + this.source + " " + this.kind) },
// with C.prototype.kind = "classe".
Asm& defineClass(Asm& a) {
    Asm body;
    body.push({"construit "}).getVariable("this").getMember("_name").record(action::Add2);
    for (const char* member : {"source", "kind"})
        body.push({" "}).record(action::Add2).getVariable("this").getMember(member).record(action::Add2);
    body.trace();
    a.push({"C"}).defineFunction("", {}, body).record(action::SetVariable);
    a.getVariable("C").getMember("prototype").push({"kind", "classe"}).record(action::SetMember);
    return a;
}

// Object.registerClass(name, C), its result traced.
Asm& registerAs(Asm& a, const char* name, const char* ctorVariable) {
    a.getVariable(ctorVariable).push({name, 2}).callMethod("Object", "registerClass").trace();
    return a;
}

// Sprite 10 ("Boite", exported) traces its first frame; frame 1 runs `frame1`,
// frame 2 places an instance "posee" of the sprite.
MovieData classMovie(const Asm& frame1) {
    MovieData m;
    Asm own;
    own.push({"image 1 de "}).getVariable("_name").record(action::Add2).trace();
    m.tags.push_back(sprite(10, {DoAction{own.bytes()}, ShowFrame{}}));
    m.tags.push_back(UnknownTag{code::ExportAssets, encodeExportAssets(ExportAssets{{{10, "Boite"}}})});
    m.tags.push_back(DoAction{frame1.bytes()});
    m.tags.push_back(ShowFrame{});
    PlaceObject p = place(5, 10);
    p.name = "posee";
    m.tags.push_back(p);
    m.tags.push_back(ShowFrame{});
    return m;
}

TEST(SwfClipClass, AttachedAndPlacedClipsOfARegisteredSymbolAreMadeByItsConstructorBeforeTheirFrames) {
    Asm a;
    defineClass(a);
    registerAs(a, "boite", "C");  // export names compare without case
    // attachMovie("Boite", "jointe", 1, {source: "init"}): the constructor sees the initialising object.
    a.push({"source", "init", 1}).record(action::InitObject);
    a.push({1, "jointe", "Boite", 4}).callMethod("this", "attachMovie").record(action::Pop);
    a.traceValue("apres attachMovie");
    a.getVariable("jointe").getVariable("C").record(action::InstanceOf).trace();
    auto run = start(classMovie(a));
    run->player->setLooping(false);
    EXPECT_EQ(run->traces,
              (Lines{"true", "construit jointe init classe", "apres attachMovie", "true", "image 1 de jointe"}));
    run->player->tick();
    EXPECT_EQ(run->traces.size(), 7u);
    EXPECT_EQ(run->traces[5], "construit posee undefined classe");
    EXPECT_EQ(run->traces[6], "image 1 de posee");
}

TEST(SwfClipClass, RegisteringTakesANameAndAFunctionOrNullAndNullMakesPlainClipsAgain) {
    Asm a;
    defineClass(a);
    a.push({0}).callMethod("Object", "registerClass").trace();  // nothing: false
    a.push({0})
        .record(action::InitObject)
        .push({"Boite", 2})
        .callMethod("Object", "registerClass")
        .trace();                                                           // an object: false
    a.push({7, "Boite", 2}).callMethod("Object", "registerClass").trace();  // a number: false
    registerAs(a, "Boite", "C");
    a.push({ActionBuilder::Null{}, "Boite", 2}).callMethod("Object", "registerClass").trace();  // unregistered
    a.push({1, "jointe", "Boite", 3}).callMethod("this", "attachMovie").record(action::Pop);
    a.getVariable("jointe").getVariable("C").record(action::InstanceOf).trace();
    auto run = start(classMovie(a));
    run->player->setLooping(false);
    run->player->tick();
    EXPECT_EQ(run->traces,
              (Lines{"false", "false", "false", "true", "true", "false", "image 1 de jointe", "image 1 de posee"}));
}

TEST(SwfClipClass, AConstructorThatThrowsEndsAloneAndTheClipAndTheMoviePlayOn) {
    Asm a;
    a.push({"C"}).defineFunction("", {}, Asm().push({"raté"}).record(action::Throw)).record(action::SetVariable);
    registerAs(a, "Boite", "C");
    auto run = start(classMovie(a));
    run->player->setLooping(false);
    run->player->tick();
    ASSERT_GE(run->traces.size(), 2u);
    EXPECT_EQ(run->traces.front(), "true");
    EXPECT_EQ(run->traces.back(), "image 1 de posee");
    EXPECT_TRUE(run->player->displayList().at(5).sprite);
}

}  // namespace
