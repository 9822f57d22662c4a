// The pointer and the keyboard at play: clip events and listeners and their
// order, a clip's pointer handlers, Key's state, buttons answering keys,
// dragging, and the pointer position scripts read.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "swf/format/action_builder.h"
#include "swf/format/codes.h"
#include "swf/player/player.h"
#include "tests/support/input_movies.h"
#include "tests/support/test_movies.h"

namespace {

using namespace swf;
using Asm = ActionBuilder;
using samples::place, samples::rectShape, samples::sprite, samples::traceAction;
using Lines = std::vector<std::string>;

struct Run {
    Lines traces;
    std::unique_ptr<Player> player;
    // The lines traced since the last call.
    Lines take() { return std::exchange(traces, {}); }
};

std::unique_ptr<Run> start(MovieData movie) {
    movie.header.version = 8;
    movie.header.frame = {0, 8000, 0, 6000};
    auto run = std::make_unique<Run>();
    run->player = std::make_unique<Player>(std::make_shared<const MovieData>(std::move(movie)),
                                           [r = run.get()](std::string_view s) { r->traces.emplace_back(s); });
    return run;
}

// onClipEvent flags.
enum : std::uint32_t {
    MouseMove = 0x8,
    MouseDown = 0x10,
    MouseUp = 0x20,
    KeyDown = 0x40,
    KeyUp = 0x80,
    Press = 0x400,
    KeyPress = 0x20000
};

Bytes traces(const char* text) { return Asm().traceValue(text).bytes(); }

// A clip showing a 100 x 100 pixel square (shape 1, sprite 11) at (x, y) twips.
void addSquareClip(MovieData& m, std::uint16_t depth, const char* name, int x, int y) {
    PlaceObject p = place(depth, 11, x, y);
    p.name = name;
    m.tags.push_back(p);
}

MovieData squareMovie() {
    MovieData m;
    m.tags.push_back(rectShape(1, 0, 0, 2000, 2000, FillStyle::solid({0, 0, 255, 255})));
    m.tags.push_back(sprite(11, {place(1, 1), ShowFrame{}}));
    return m;
}

TEST(SwfInputEvents, ClipEventsReachEveryClipTopmostFirstThenTheListeners) {
    MovieData m = squareMovie();
    m.tags.push_back(sprite(10, {ShowFrame{}}));
    for (auto [depth, name] : {std::pair{1, "bas"}, std::pair{2, "haut"}}) {
        PlaceObject p = place(std::uint16_t(depth), 10);
        p.name = name;
        std::string n = name;
        samples::setClipActions(p, {{MouseDown, traces((n + " mouseDown").c_str())},
                                    {MouseUp, traces((n + " mouseUp").c_str())},
                                    {MouseMove, traces((n + " mouseMove").c_str())},
                                    {KeyDown | KeyUp, traces((n + " clavier").c_str())}});
        m.tags.push_back(p);
    }
    Asm a;
    samples::addListener(a, "Mouse", "souris");
    samples::defineMethod(a, "souris", "onMouseDown", Asm().traceValue("écouteur down"));
    samples::defineMethod(a, "souris", "onMouseMove", Asm().traceValue("écouteur move"));
    samples::addListener(a, "Key", "clavier");
    samples::defineMethod(a, "clavier", "onKeyUp", Asm().traceValue("écouteur keyUp"));
    samples::defineMethod(a, "haut", "onMouseUp", Asm().traceValue("haut onMouseUp"));
    samples::defineMethod(a, "haut", "onKeyDown", Asm().traceValue("haut onKeyDown sans focus"));
    m.tags.push_back(a.doAction());
    m.tags.push_back(ShowFrame{});
    auto run = start(std::move(m));
    run->take();

    run->player->mouseMove({100, 100});
    EXPECT_EQ(run->take(), (Lines{"haut mouseMove", "bas mouseMove", "écouteur move"}));
    run->player->mouseMove({100, 100});
    EXPECT_TRUE(run->take().empty()) << "the same place again is no move";
    run->player->mouseButton({100, 100}, true);
    EXPECT_EQ(run->take(), (Lines{"haut mouseDown", "bas mouseDown", "écouteur down"}));
    run->player->mouseButton({100, 100}, true);
    EXPECT_TRUE(run->take().empty()) << "a held button is not pressed twice";
    run->player->mouseButton({100, 100}, false);
    EXPECT_EQ(run->take(), (Lines{"haut mouseUp", "haut onMouseUp", "bas mouseUp"}))
        << "a clip's method comes after its handler";
    run->player->key(65, 'a', true);
    EXPECT_EQ(run->take(), (Lines{"haut clavier", "bas clavier"}));
    run->player->key(65, 'a', false);
    EXPECT_EQ(run->take(), (Lines{"haut clavier", "bas clavier", "écouteur keyUp"}));
}

TEST(SwfInputEvents, AClipWithPointerHandlersIsPressedReleasedAndRolledOver) {
    MovieData m = squareMovie();
    addSquareClip(m, 1, "bouton", 0, 0);
    addSquareClip(m, 2, "inerte", 4000, 0);
    Asm a;
    for (const char* handler :
         {"onPress", "onRelease", "onReleaseOutside", "onRollOver", "onRollOut", "onDragOut", "onDragOver"})
        samples::defineMethod(a, "bouton", handler, Asm().traceValue(handler));
    samples::defineMethod(a, "inerte", "onPress", Asm().traceValue("inerte onPress"));
    a.push({"inerte"}).record(action::GetVariable).push({"enabled", false}).record(action::SetMember);
    m.tags.push_back(a.doAction());
    m.tags.push_back(ShowFrame{});
    auto run = start(std::move(m));
    Player& p = *run->player;

    p.mouseMove({500, 500});
    EXPECT_EQ(run->take(), (Lines{"onRollOver"}));
    EXPECT_TRUE(p.overButton()) << "the hand over a clip that takes the pointer";
    p.mouseButton({500, 500}, true);
    p.mouseMove({3000, 500});
    p.mouseMove({600, 500});
    p.mouseButton({600, 500}, false);
    EXPECT_EQ(run->take(), (Lines{"onPress", "onDragOut", "onDragOver", "onRelease"}));

    p.mouseButton({600, 500}, true);
    p.mouseButton({3000, 3000}, false);
    EXPECT_EQ(run->take(), (Lines{"onPress", "onDragOut", "onReleaseOutside"}));
    EXPECT_FALSE(p.overButton());
    p.mouseMove({500, 500});
    p.mouseMove({3000, 3000});
    EXPECT_EQ(run->take(), (Lines{"onRollOver", "onRollOut"}));

    // A disabled clip takes nothing.
    p.mouseMove({4500, 500});
    p.mouseButton({4500, 500}, true);
    p.mouseButton({4500, 500}, false);
    EXPECT_TRUE(run->take().empty());
    EXPECT_FALSE(p.overButton());
}

TEST(SwfInputEvents, PressedElsewhereNoOtherClipRollsOver) {
    MovieData m = squareMovie();
    addSquareClip(m, 1, "a", 0, 0);
    addSquareClip(m, 2, "b", 4000, 0);
    Asm s;
    for (const char* clip : {"a", "b"})
        for (const char* handler : {"onPress", "onRollOver", "onRollOut", "onRelease", "onReleaseOutside"})
            samples::defineMethod(s, clip, handler, Asm().traceValue((std::string(clip) + " " + handler).c_str()));
    m.tags.push_back(s.doAction());
    m.tags.push_back(ShowFrame{});
    auto run = start(std::move(m));
    Player& p = *run->player;
    p.mouseMove({500, 500});
    p.mouseButton({500, 500}, true);
    p.mouseMove({4500, 500});
    EXPECT_EQ(run->take(), (Lines{"a onRollOver", "a onPress"}));
    p.mouseButton({4500, 500}, false);
    EXPECT_EQ(run->take(), (Lines{"a onReleaseOutside", "b onRollOver"}));
}

TEST(SwfInputEvents, WhatComesUnderTheStillPointerIsRolledOverAfterTheFrame) {
    MovieData m = squareMovie();
    m.tags.push_back(ShowFrame{});
    PlaceObject arrives = place(1, 11);
    samples::setClipActions(arrives, {{0x2000, traces("survolé")}, {0x4000, traces("quitté")}});
    m.tags.push_back(arrives);
    m.tags.push_back(ShowFrame{});
    m.tags.push_back(RemoveObject{2, 0, 1});
    m.tags.push_back(ShowFrame{});
    auto run = start(std::move(m));
    Player& p = *run->player;
    p.tick();
    EXPECT_TRUE(run->take().empty()) << "no pointer yet";
    p.gotoFrame(1);
    p.mouseMove({500, 500});
    EXPECT_FALSE(p.overButton());
    p.tick();
    EXPECT_EQ(run->take(), (Lines{"survolé"}));
    EXPECT_TRUE(p.overButton());
    p.tick();
    EXPECT_TRUE(run->take().empty()) << "a clip that leaves hears nothing more";
    EXPECT_FALSE(p.overButton());
}

TEST(SwfInputEvents, KeyReadsTheLastKeyTheKeysHeldAndCapsLock) {
    MovieData m;
    Asm body;
    samples::traceCall(body, "Key", "getCode");
    samples::traceCall(body, "Key", "getAscii");
    samples::traceCall(body, "Key", "isDown", {65});
    samples::traceCall(body, "Key", "isToggled", {20});
    Asm a;
    samples::addListener(a, "Key", "k");
    samples::defineMethod(a, "k", "onKeyDown", body);
    samples::defineMethod(a, "k", "onKeyUp", body);
    Asm mouse;
    samples::traceCall(mouse, "Key", "isDown", {1});
    samples::traceCall(mouse, "Key", "isToggled", {1});
    samples::addListener(a, "Mouse", "m");
    samples::defineMethod(a, "m", "onMouseDown", mouse);
    samples::traceCall(a, "Key", "getCode");
    a.push({"Key"}).record(action::GetVariable).push({"ENTER"}).record(action::GetMember).trace();
    m.tags.push_back(a.doAction());
    m.tags.push_back(ShowFrame{});
    auto run = start(std::move(m));
    EXPECT_EQ(run->take(), (Lines{"0", "13"}));
    Player& p = *run->player;
    p.key(65, 'a', true);
    EXPECT_EQ(run->take(), (Lines{"65", "97", "true", "false"}));
    p.key(20, 0, true);
    EXPECT_EQ(run->take(), (Lines{"20", "0", "true", "true"}));
    p.key(20, 0, false);
    p.key(65, 'a', false);
    EXPECT_EQ(run->take(), (Lines{"20", "0", "true", "true", "65", "97", "false", "true"}));
    p.key(20, 0, true);
    EXPECT_EQ(run->take(), (Lines{"20", "0", "false", "false"})) << "a second press turns Caps Lock off";
    // The main mouse button is key 1, and toggles like any key.
    p.mouseButton({0, 0}, true);
    p.mouseButton({0, 0}, false);
    p.mouseButton({0, 0}, true);
    EXPECT_EQ(run->take(), (Lines{"true", "true", "true", "false"}));
}

TEST(SwfInputEvents, ButtonsAndClipsAnswerTheirKeyAfterTheListeners) {
    MovieData m = squareMovie();
    DefineButton b;
    b.id = 20;
    b.records.push_back(samples::buttonRecord(0x0F, 1, 1));
    b.actions.push_back({std::uint16_t(18 << 1), traces("bouton tab")});
    b.actions.push_back({std::uint16_t('x' << 1), traces("bouton x")});
    m.tags.push_back(b);
    m.tags.push_back(place(1, 20, 4000, 4000));
    m.tags.push_back(sprite(10, {ShowFrame{}}));
    PlaceObject clip = place(2, 10);
    Bytes keyA = traces("clip a");
    keyA.insert(keyA.begin(), 'a');
    samples::setClipActions(clip, {{KeyPress, keyA}, {KeyDown, traces("clip keyDown")}});
    m.tags.push_back(clip);
    Asm a;
    samples::addListener(a, "Key", "k");
    samples::defineMethod(a, "k", "onKeyDown", Asm().traceValue("écouteur"));
    m.tags.push_back(a.doAction());
    m.tags.push_back(ShowFrame{});
    auto run = start(std::move(m));
    Player& p = *run->player;
    p.key(9, 9, true);
    EXPECT_EQ(run->take(), (Lines{"clip keyDown", "écouteur", "bouton tab"}));
    p.key(65, 'a', true);
    EXPECT_EQ(run->take(), (Lines{"clip keyDown", "écouteur", "clip a"}));
    p.key(88, 'x', true);
    EXPECT_EQ(run->take(), (Lines{"clip keyDown", "écouteur", "bouton x"}));
    p.key(9, 9, false);
    EXPECT_TRUE(run->take().empty()) << "keys answer their press only";
}

TEST(SwfInputEvents, ADraggedClipFollowsThePointerWithinItsBounds) {
    MovieData m = squareMovie();
    addSquareClip(m, 1, "glisse", 2000, 2000);
    addSquareClip(m, 2, "cible", 6000, 4000);
    Asm a;
    samples::defineMethod(a, "glisse", "onPress", Asm().push({0}).callMethod("this", "startDrag").record(action::Pop));
    samples::defineMethod(a, "glisse", "onRelease",
                          Asm()
                              .push({0})
                              .callMethod("this", "stopDrag")
                              .record(action::Pop)
                              .push({"this"})
                              .record(action::GetVariable)
                              .push({"_droptarget"})
                              .record(action::GetMember)
                              .trace());
    Asm where;
    where.push({"glisse"}).record(action::GetVariable).push({"_x"}).record(action::GetMember).trace();
    where.push({"glisse"}).record(action::GetVariable).push({"_y"}).record(action::GetMember).trace();
    where.push({"glisse"}).record(action::GetVariable).push({"_xmouse"}).record(action::GetMember).trace();
    samples::addListener(a, "Mouse", "souris");
    samples::defineMethod(a, "souris", "onMouseMove", where);
    m.tags.push_back(a.doAction());
    m.tags.push_back(ShowFrame{});
    auto run = start(std::move(m));
    Player& p = *run->player;
    p.mouseButton({2200, 2200}, true);  // 10 px into the square
    run->take();
    p.mouseMove({6200, 4200});
    EXPECT_EQ(run->take(), (Lines{"300", "200", "10"})) << "the offset of the press is kept";
    p.mouseButton({6200, 4200}, false);
    EXPECT_EQ(run->take(), (Lines{"/cible"}));
    p.mouseMove({1000, 1000});
    EXPECT_EQ(run->take(), (Lines{"300", "200", "-250"})) << "dropped: it stays";
}

TEST(SwfInputEvents, DragBoundsAndLockCentre) {
    MovieData m = squareMovie();
    addSquareClip(m, 1, "glisse", 0, 0);
    // startDrag("glisse", lock, left, top, right, bottom) as the action does it.
    Asm a;
    a.push({0, 0, 50, 40, 1, 1, "glisse"}).record(action::StartDrag);
    m.tags.push_back(a.doAction());
    m.tags.push_back(ShowFrame{});
    auto run = start(std::move(m));
    Player& p = *run->player;
    auto position = [&] {
        const DisplayObject& obj = p.root().displayList().begin()->second;
        return std::pair{int(obj.matrix.translateX), int(obj.matrix.translateY)};
    };
    p.mouseMove({600, 400});
    EXPECT_EQ(position(), (std::pair{600, 400}));
    p.mouseMove({4000, -200});
    EXPECT_EQ(position(), (std::pair{1000, 0})) << "kept within (0, 0) and (50, 40) pixels";
}

}  // namespace
