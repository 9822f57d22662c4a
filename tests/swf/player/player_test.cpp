// The movie model: timeline, looping, actions, sprites, display list and the
// injected frame clock.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "swf/format/action_builder.h"
#include "swf/player/player.h"
#include "tests/support/test_movies.h"

namespace {

using namespace swf;
using samples::moveObject;
using samples::place;
using samples::rectShape;

// A movie of `frames` frames; frame k moves the square at depth 1 to x = 100 k.
// `extra[k]` tags are added to frame k (1-based).
std::shared_ptr<MovieData> steppingMovie(int frames, std::map<int, std::vector<Tag>> extra = {}) {
    auto m = std::make_shared<MovieData>();
    m->header.frameCount = static_cast<std::uint16_t>(frames);
    m->tags.push_back(rectShape(1, 0, 0, 100, 100, FillStyle::solid({255, 0, 0, 255})));
    for (int f = 1; f <= frames; ++f) {
        if (f == 1)
            m->tags.push_back(place(1, 1, 100, 0));
        else
            m->tags.push_back(moveObject(1, 100 * f, 0));
        for (auto& t : extra[f]) m->tags.push_back(t);
        m->tags.push_back(ShowFrame{});
    }
    return m;
}

int xAt(const Player& p, std::uint16_t depth = 1) {
    auto it = p.displayList().find(depth);
    return it == p.displayList().end() ? -1 : it->second.matrix.translateX;
}

TEST(SwfTimeline, PlaysOnAndLoopsBackToFrameOne) {
    Player p(steppingMovie(3));
    EXPECT_EQ(p.frameCount(), 3);
    EXPECT_EQ(p.currentFrame(), 1);
    EXPECT_TRUE(p.playing()) << "a loaded movie plays at once";
    EXPECT_TRUE(p.looping());
    p.tick();
    EXPECT_EQ(p.currentFrame(), 2);
    EXPECT_EQ(xAt(p), 200);
    p.tick();
    EXPECT_EQ(xAt(p), 300);
    p.tick();
    EXPECT_EQ(p.currentFrame(), 1);
    EXPECT_EQ(xAt(p), 100);
    EXPECT_TRUE(p.playing());
}

TEST(SwfTimeline, WithoutLoopingItStopsOnTheLastFrame) {
    Player p(steppingMovie(3));
    p.setLooping(false);
    for (int i = 0; i < 5; ++i) p.tick();
    EXPECT_EQ(p.currentFrame(), 3);
    EXPECT_FALSE(p.playing());
    EXPECT_EQ(xAt(p), 300);
}

TEST(SwfTimeline, StopActionHoldsTheFrameAndRunsAgainAfterALoop) {
    Player p(steppingMovie(3, {{2, {ActionBuilder().stop().doAction()}}}));
    p.tick();
    EXPECT_EQ(p.currentFrame(), 2);
    EXPECT_FALSE(p.playing());
    p.tick();
    p.tick();
    EXPECT_EQ(p.currentFrame(), 2) << "a stopped timeline stays put";
    p.play();
    p.tick();
    EXPECT_EQ(p.currentFrame(), 3);
    p.tick();
    EXPECT_EQ(p.currentFrame(), 1);
    p.tick();
    EXPECT_EQ(p.currentFrame(), 2);
    EXPECT_FALSE(p.playing()) << "frame 2's Stop ran again on the second pass";
}

TEST(SwfTimeline, GotoLabelAndGotoFrameActions) {
    // Frame 1 jumps to the label "fin" (frame 4) and plays; frame 4 goes to frame 2 (0-based 1) and stops there.
    auto m = steppingMovie(5, {{1, {ActionBuilder().gotoLabel("FIN").play().doAction()}},
                               {4, {FrameLabel{"fin"}, ActionBuilder().gotoFrame(1).doAction()}}});
    Player p(m);
    // Frame 1's goto runs, then frame 4's actions run on arrival and send it to frame 2.
    EXPECT_EQ(p.currentFrame(), 2);
    EXPECT_EQ(xAt(p), 200);
    EXPECT_FALSE(p.playing()) << "a goto without Play stops";
    p.tick();
    EXPECT_EQ(p.currentFrame(), 2);
}

TEST(SwfTimeline, NextAndPreviousFrameActionsStepAndStop) {
    Player p(steppingMovie(
        4, {{2, {ActionBuilder().nextFrame().doAction()}}, {4, {ActionBuilder().previousFrame().doAction()}}}));
    p.tick();  // frame 2 → its action moves on to 3 and stops
    EXPECT_EQ(p.currentFrame(), 3);
    EXPECT_FALSE(p.playing());
    p.play();
    p.tick();  // frame 4 → back to 3
    EXPECT_EQ(p.currentFrame(), 3);
    EXPECT_EQ(xAt(p), 300);
}

TEST(SwfTimeline, GotoLoopsAreBoundedPerTick) {
    auto m = steppingMovie(2, {{1, {ActionBuilder().gotoFrame(1).play().doAction()}},
                               {2, {ActionBuilder().gotoFrame(0).play().doAction()}}});
    Player p(m);  // would ping-pong forever without the bound
    p.tick();
    EXPECT_GE(p.currentFrame(), 1);
    EXPECT_LE(p.currentFrame(), 2);
}

TEST(SwfTimeline, GoingBackwardsRebuildsFromFrameOne) {
    auto m = std::make_shared<MovieData>();
    for (std::uint16_t id = 1; id <= 3; ++id)
        m->tags.push_back(rectShape(id, 0, 0, 10 * id, 10, FillStyle::solid({0, 0, 0, 255})));
    m->tags.push_back(place(1, 1));
    m->tags.push_back(ShowFrame{});
    m->tags.push_back(RemoveObject{2, 0, 1});
    m->tags.push_back(place(2, 2));
    m->tags.push_back(ShowFrame{});
    m->tags.push_back(place(3, 3));
    m->tags.push_back(ShowFrame{});
    Player p(m);
    p.gotoFrame(3);
    ASSERT_EQ(p.displayList().size(), 2u);
    p.back();
    EXPECT_EQ(p.currentFrame(), 2);
    EXPECT_FALSE(p.playing());
    ASSERT_EQ(p.displayList().size(), 1u);
    EXPECT_EQ(p.displayList().begin()->second.characterId, 2);
    p.back();
    ASSERT_EQ(p.displayList().size(), 1u);
    EXPECT_EQ(p.displayList().begin()->second.characterId, 1);
    p.back();  // nothing before frame 1
    EXPECT_EQ(p.currentFrame(), 1);
    p.forward();
    EXPECT_EQ(p.currentFrame(), 2);
    EXPECT_EQ(p.displayList().begin()->second.characterId, 2);
    p.forward();
    p.forward();  // nothing after the last frame
    EXPECT_EQ(p.currentFrame(), 3);
}

TEST(SwfTimeline, DisplayListKeepsDepthOrderMovesAndReplacements) {
    auto m = std::make_shared<MovieData>();
    for (std::uint16_t id = 1; id <= 3; ++id)
        m->tags.push_back(rectShape(id, 0, 0, 10, 10, FillStyle::solid({0, 0, 0, 255})));
    m->tags.push_back(place(5, 1, 50, 0));
    m->tags.push_back(place(2, 2, 20, 0));
    m->tags.push_back(place(9, 3, 90, 0));
    m->tags.push_back(ShowFrame{});
    PlaceObject replace;
    replace.depth = 2;
    replace.move = true;
    replace.characterId = 3;  // new character, same matrix
    m->tags.push_back(replace);
    PlaceObject tint;
    tint.depth = 5;
    tint.move = true;
    ColorTransform c;
    c.multA = 64;
    tint.colorTransform = c;  // matrix untouched
    m->tags.push_back(tint);
    m->tags.push_back(RemoveObject{2, 0, 9});
    m->tags.push_back(moveObject(7, 0, 0));  // nothing at depth 7: ignored
    m->tags.push_back(ShowFrame{});
    Player p(m);
    std::vector<int> depths;
    for (const auto& [d, obj] : p.displayList()) depths.push_back(d);
    EXPECT_EQ(depths, (std::vector<int>{2, 5, 9}));
    p.tick();
    const auto& list = p.displayList();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list.at(2).characterId, 3);
    EXPECT_EQ(list.at(2).matrix.translateX, 20);
    EXPECT_EQ(list.at(5).matrix.translateX, 50);
    EXPECT_EQ(list.at(5).colorTransform.multA, 64);
    EXPECT_EQ(list.count(7), 0u);
}

// A sprite of three frames moving a square, placed in a root movie of one
// frame: the sprite plays on its own although the root cannot advance.
std::shared_ptr<MovieData> spriteMovie(bool stopRoot) {
    auto m = std::make_shared<MovieData>();
    m->tags.push_back(rectShape(1, 0, 0, 10, 10, FillStyle::solid({0, 0, 0, 255})));
    DefineSprite s;
    s.id = 2;
    s.frameCount = 3;
    s.tags = {place(1, 1, 0, 0), ShowFrame{}, moveObject(1, 10, 0), ShowFrame{}, moveObject(1, 20, 0), ShowFrame{}};
    m->tags.push_back(s);
    m->tags.push_back(place(1, 2));
    if (stopRoot) m->tags.push_back(ActionBuilder().stop().doAction());
    m->tags.push_back(ShowFrame{});
    m->tags.push_back(place(2, 2, 100, 0));  // a second instance from frame 2
    m->tags.push_back(ShowFrame{});
    return m;
}

int spriteFrame(const Player& p, std::uint16_t depth) {
    const auto& obj = p.displayList().at(depth);
    return obj.sprite ? obj.sprite->currentFrame() : -1;
}

TEST(SwfSprites, SpritesAdvanceTheirOwnTimelinesAndLoop) {
    Player p(spriteMovie(true));
    EXPECT_FALSE(p.playing());
    EXPECT_EQ(spriteFrame(p, 1), 1);
    std::vector<int> seen;
    for (int i = 0; i < 4; ++i) {
        p.tick();
        seen.push_back(spriteFrame(p, 1));
    }
    EXPECT_EQ(seen, (std::vector<int>{2, 3, 1, 2}));
    EXPECT_EQ(p.currentFrame(), 1);
    const auto& inner = p.displayList().at(1).sprite->displayList().at(1);
    EXPECT_EQ(inner.matrix.translateX, 10);
}

TEST(SwfSprites, ANewInstanceStartsAtItsFirstFrame) {
    Player p(spriteMovie(false));
    p.tick();  // root frame 2 places a second instance
    EXPECT_EQ(spriteFrame(p, 1), 2);
    EXPECT_EQ(spriteFrame(p, 2), 1);
    p.setLooping(false);
    p.tick();
    EXPECT_EQ(spriteFrame(p, 1), 3);
    EXPECT_EQ(spriteFrame(p, 2), 2);
}

TEST(SwfSprites, ActionsInASpriteDriveOnlyThatSprite) {
    // The sprite stops itself on its frame 2; an unknown label changes nothing.
    auto m = std::make_shared<MovieData>();
    DefineSprite s;
    s.id = 1;
    s.tags = {ShowFrame{}, ActionBuilder().gotoLabel("nulle part").stop().doAction(), ShowFrame{}, ShowFrame{}};
    m->tags.push_back(s);
    m->tags.push_back(place(1, 1));
    m->tags.push_back(ActionBuilder().gotoLabel("absent").doAction());
    m->tags.push_back(ShowFrame{});
    m->tags.push_back(ShowFrame{});
    m->tags.push_back(ShowFrame{});
    Player p(m);
    EXPECT_TRUE(p.playing());
    for (int i = 0; i < 4; ++i) p.tick();
    EXPECT_EQ(spriteFrame(p, 1), 2);
    EXPECT_FALSE(p.displayList().at(1).sprite->playing());
    EXPECT_EQ(p.currentFrame(), 2) << "the root went on: 1, 2, 3, 1, 2";
}

TEST(SwfSprites, SelfPlacingSpritesAreBounded) {
    auto m = std::make_shared<MovieData>();
    DefineSprite s;
    s.id = 1;
    s.tags = {place(1, 1), place(2, 1), ShowFrame{}};
    m->tags.push_back(s);
    m->tags.push_back(place(1, 1));
    m->tags.push_back(ShowFrame{});
    Player p(m);  // two copies of itself at every level: must stop at the object budget
    int levels = 0;
    const DisplayList* list = &p.displayList();
    while (!list->empty() && list->begin()->second.sprite) {
        ++levels;
        list = &list->begin()->second.sprite->displayList();
    }
    EXPECT_LE(levels, p.maxNesting() + 1);
    p.tick();
    p.rewind();
    SUCCEED() << "levels " << levels;
}

TEST(SwfPlayer, RewindRebuildsFrameOneAndPlayStartsFromThere) {
    Player p(spriteMovie(false));
    p.tick();
    ASSERT_EQ(p.displayList().size(), 2u);
    ASSERT_EQ(spriteFrame(p, 1), 2);
    p.rewind();
    EXPECT_EQ(p.currentFrame(), 1);
    EXPECT_FALSE(p.playing());
    // Nothing of the earlier run is left: the same as a fresh player at frame 1.
    Player fresh(spriteMovie(false));
    ASSERT_EQ(p.displayList().size(), fresh.displayList().size());
    EXPECT_EQ(spriteFrame(p, 1), 1);
    EXPECT_EQ(p.displayList().at(1).sprite->displayList().at(1).matrix,
              fresh.displayList().at(1).sprite->displayList().at(1).matrix);
    p.advance(1000);  // stopped root: only the sprite moves
    EXPECT_EQ(p.currentFrame(), 1);
    p.rewind();
    p.play();
    EXPECT_TRUE(p.playing());
    p.tick();
    EXPECT_EQ(p.currentFrame(), 2);
    EXPECT_EQ(spriteFrame(p, 1), 2);
    EXPECT_EQ(spriteFrame(p, 2), 1);
}

TEST(SwfPlayer, FrameCountFollowsTheTagStream) {
    auto m = steppingMovie(3);
    m->header.frameCount = 40;
    EXPECT_EQ(Player(m).frameCount(), 3);
    // Display-list changes after the last ShowFrame make one more frame.
    m->tags.push_back(moveObject(1, 999, 0));
    Player p(m);
    EXPECT_EQ(p.frameCount(), 4);
    p.gotoFrame(4);
    EXPECT_EQ(xAt(p), 999);
    // No tags at all: one empty frame.
    EXPECT_EQ(Player(std::make_shared<MovieData>()).frameCount(), 1);
}

TEST(SwfClock, FrameIntervalIsClampedToASaneRange) {
    auto m = steppingMovie(2);
    auto interval = [&](std::uint16_t rate) {
        m->header.frameRate = rate;
        return Player(m).frameIntervalMs();
    };
    EXPECT_NEAR(interval(12 << 8), 1000.0 / 12, 1e-9);
    EXPECT_NEAR(interval(0x1880), 1000.0 / 24.5, 1e-9);
    EXPECT_NEAR(interval(0), 1000.0 / Player::kMaxFramesPerSecond, 1e-9);
    EXPECT_NEAR(interval(0xFFFF), 1000.0 / Player::kMaxFramesPerSecond, 1e-9);
    EXPECT_NEAR(interval(0x0040), 1000.0 / Player::kMinFramesPerSecond, 1e-9);
}

TEST(SwfClock, AdvanceRunsDueFramesWithBoundedCatchUp) {
    auto m = steppingMovie(20);
    m->header.frameRate = 10 << 8;  // 100 ms a frame
    Player p(m);
    p.advance(60);
    EXPECT_EQ(p.currentFrame(), 1);
    p.advance(60);  // 120 ms in total
    EXPECT_EQ(p.currentFrame(), 2);
    p.advance(80);  // 200 ms
    EXPECT_EQ(p.currentFrame(), 3);
    p.advance(100000);  // a long stall
    EXPECT_EQ(p.currentFrame(), 3 + Player::kMaxFramesPerAdvance);
    p.advance(50);  // the stall's surplus was dropped
    EXPECT_EQ(p.currentFrame(), 3 + Player::kMaxFramesPerAdvance);
    p.advance(-500);
    p.advance(std::numeric_limits<double>::quiet_NaN());
    p.advance(std::numeric_limits<double>::infinity());
    EXPECT_EQ(p.currentFrame(), 3 + 2 * Player::kMaxFramesPerAdvance);
    p.stop();
    p.advance(1000);
    EXPECT_EQ(p.currentFrame(), 3 + 2 * Player::kMaxFramesPerAdvance);
}

}  // namespace
