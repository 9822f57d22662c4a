// The player end to end, on movies written and read back by the engine:
// frame scripts that compute, branch and aim timeline commands; buttons
// driven by the pointer; streaming and event sound as the mixer delivers
// it; and the bitmap cache of the dictionary.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImageWriter>

#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "swf/decode/bitmap.h"
#include "swf/format/action_builder.h"
#include "swf/format/codes.h"
#include "swf/decode/inflate.h"
#include "swf/player/player.h"
#include "swf/format/reader.h"
#include "swf/player/audio_mixer.h"
#include "swf/format/writer.h"
#include "tests/support/media_movies.h"

namespace {

using namespace swf;
namespace ac = action;
namespace bc = buttoncond;
using samples::silentMp3Frame;

// --- Building movies ------------------------------------------------------------

// Action bytes written by hand, with named places for Jump and If.
class Script {
public:
    Script& code(std::uint8_t c) {
        bytes_.push_back(c);
        return *this;
    }
    Script& rec(std::uint8_t c, const Bytes& payload) {
        bytes_.push_back(c);
        bytes_.push_back(static_cast<std::uint8_t>(payload.size() & 0xFF));
        bytes_.push_back(static_cast<std::uint8_t>(payload.size() >> 8));
        bytes_.insert(bytes_.end(), payload.begin(), payload.end());
        return *this;
    }
    Script& push(const std::string& s) {
        Bytes p{0};
        p.insert(p.end(), s.begin(), s.end());
        p.push_back(0);
        return rec(ac::Push, p);
    }
    Script& push(std::int32_t v) {
        auto u = static_cast<std::uint32_t>(v);
        return rec(ac::Push, {7, std::uint8_t(u), std::uint8_t(u >> 8), std::uint8_t(u >> 16), std::uint8_t(u >> 24)});
    }
    // Frames are counted from 1 here, as the player counts them.
    Script& gotoFrame(int frame) {
        auto u = static_cast<std::uint16_t>(frame - 1);
        return rec(ac::GotoFrame, {std::uint8_t(u), std::uint8_t(u >> 8)});
    }
    Script& gotoAndPlay(int frame) { return push(frame).rec(ac::GotoFrame2, {1}); }
    Script& setTarget(const std::string& path) { return rec(ac::SetTarget, cstr(path)); }
    Script& getUrl(const std::string& url, const std::string& window) {
        Bytes p = cstr(url);
        Bytes w = cstr(window);
        p.insert(p.end(), w.begin(), w.end());
        return rec(ac::GetUrl, p);
    }
    Script& branch(std::uint8_t c, const std::string& label) {
        rec(c, {0, 0});
        fixups_.emplace_back(bytes_.size() - 2, label);
        return *this;
    }
    Script& mark(const std::string& label) {
        marks_[label] = bytes_.size();
        return *this;
    }
    // The records with their end byte, branch offsets filled in.
    Bytes bytes() const {
        Bytes out = bytes_;
        for (const auto& [at, label] : fixups_) {
            auto rel = static_cast<std::uint16_t>(static_cast<std::int64_t>(marks_.at(label)) -
                                                  static_cast<std::int64_t>(at + 2));
            out[at] = static_cast<std::uint8_t>(rel & 0xFF);
            out[at + 1] = static_cast<std::uint8_t>(rel >> 8);
        }
        out.push_back(0);
        return out;
    }
    // The same records as a frame script.
    DoAction frameScript() const { return DoAction{bytes()}; }

private:
    static Bytes cstr(const std::string& s) {
        Bytes p(s.begin(), s.end());
        p.push_back(0);
        return p;
    }
    Bytes bytes_;
    std::map<std::string, std::size_t> marks_;
    std::vector<std::pair<std::size_t, std::string>> fixups_;
};

DefineShape rect(std::uint16_t id, int x0, int y0, int x1, int y1, Rgba color = {200, 40, 40, 255}) {
    DefineShape d;
    d.version = 3;
    d.id = id;
    d.bounds = Rect{x0, x1, y0, y1};
    d.shape.fills = {FillStyle::solid(color)};
    StyleChange s;
    s.moveX = x0;
    s.moveY = y0;
    s.fill1 = 1;
    d.shape.records = {s, StraightEdge{x1 - x0, 0}, StraightEdge{0, y1 - y0}, StraightEdge{x0 - x1, 0},
                       StraightEdge{0, y0 - y1}};
    return d;
}

PlaceObject place(std::uint16_t depth, std::uint16_t id, int x = 0, int y = 0, std::string name = {}) {
    PlaceObject p;
    p.version = 2;
    p.depth = depth;
    p.characterId = id;
    p.matrix = Matrix::translate(x, y);
    if (!name.empty()) p.name = std::move(name);
    return p;
}

using Frames = std::vector<std::vector<Tag>>;

std::vector<Tag> framesOf(const Frames& frames) {
    std::vector<Tag> tags;
    for (const auto& f : frames) {
        tags.insert(tags.end(), f.begin(), f.end());
        tags.push_back(ShowFrame{});
    }
    return tags;
}

DefineSprite sprite(std::uint16_t id, const Frames& frames) {
    DefineSprite s;
    s.id = id;
    s.frameCount = static_cast<std::uint16_t>(frames.size());
    s.tags = framesOf(frames);
    return s;
}

// Written to bytes and read back, so the real reader is part of every test.
std::shared_ptr<const MovieData> throughFile(const MovieData& m) {
    ReadResult r = swf::read(swf::write(m));
    EXPECT_TRUE(r.ok()) << (r.error ? r.error->detail : std::string());
    EXPECT_FALSE(r.partial);
    return std::make_shared<const MovieData>(r.ok() ? std::move(*r.movie) : MovieData{});
}

std::shared_ptr<const MovieData> movie(const std::vector<Tag>& definitions, const Frames& frames, int fps = 12) {
    MovieData m;
    m.header.frameRate = static_cast<std::uint16_t>(fps << 8);
    m.header.frameCount = static_cast<std::uint16_t>(frames.size());
    m.tags = definitions;
    std::vector<Tag> timeline = framesOf(frames);
    m.tags.insert(m.tags.end(), timeline.begin(), timeline.end());
    return throughFile(m);
}

DoAction stopAction() { return ActionBuilder().stop().doAction(); }

const Timeline* spriteIn(const Timeline& t, std::uint16_t depth) {
    auto it = t.displayList().find(depth);
    return it == t.displayList().end() ? nullptr : it->second.sprite.get();
}

// --- Frame scripts ----------------------------------------------------------------

TEST(PlayerScripts, ArithmeticAndBranchesDecideTheGoto) {
    // x = (a - 3) * 2 / 4; if (x == 2) go to and play frame x + 3; else go to frame 3.
    auto build = [](int a) {
        Script s;
        s.push("x")
            .push(a)
            .push(3)
            .code(ac::Subtract)
            .push(2)
            .code(ac::Multiply)
            .push(4)
            .code(ac::Divide)
            .code(ac::SetVariable);
        s.push("x").code(ac::GetVariable).push(2).code(ac::Equals).branch(ac::If, "yes");
        s.gotoFrame(3).branch(ac::Jump, "end");
        s.mark("yes").push("x").code(ac::GetVariable).push(3).code(ac::Add).rec(ac::GotoFrame2, {1});
        s.mark("end");
        return movie({rect(1, 0, 0, 100, 100)}, {{place(1, 1), s.frameScript()}, {}, {}, {}, {}, {}});
    };
    Player taken(build(7));  // x = 2
    EXPECT_EQ(taken.currentFrame(), 5);
    EXPECT_TRUE(taken.playing()) << "go to and play";
    taken.tick();
    EXPECT_EQ(taken.currentFrame(), 6);

    Player other(build(9));  // x = 3: the else branch, and the Jump skips the other one
    EXPECT_EQ(other.currentFrame(), 3);
    EXPECT_FALSE(other.playing());
}

TEST(PlayerScripts, VariablesKeepACounterAcrossFrames) {
    Script init;  // count = 0
    init.push("count").push(0).code(ac::SetVariable);
    Script again;  // count = count + 1; if (count < 3) go to and play frame 2
    again.push("count").push("count").code(ac::GetVariable).push(1).code(ac::Add).code(ac::SetVariable);
    again.push("count").code(ac::GetVariable).push(3).code(ac::Less).code(ac::Not).branch(ac::If, "done");
    again.gotoAndPlay(2).mark("done");
    Player p(movie({}, {{init.frameScript()}, {}, {again.frameScript()}, {stopAction()}, {}}));
    std::vector<int> seen;
    for (int i = 0; i < 6; ++i) {
        p.tick();
        seen.push_back(p.currentFrame());
    }
    // Frame 3 sends the movie back twice; going back does not run frame 1 again.
    EXPECT_EQ(seen, (std::vector<int>{2, 2, 2, 3, 4, 4}));
}

TEST(PlayerScripts, SetTargetDrivesOneNamedSpriteOnly) {
    // Two instances of a four-frame sprite, "a" and "b".
    Script f1;  // a stops; a command aimed at no one reaches no one
    f1.setTarget("a").code(ac::Stop).setTarget("").setTarget("personne").code(ac::Stop).setTarget("");
    Script f2;  // b goes to its frame 4 (names are case-insensitive), a plays again
    f2.setTarget("B").gotoFrame(4).setTarget("a").code(ac::Play).setTarget("");
    Script f3;  // b plays; back on the movie, which stops
    f3.setTarget("b").code(ac::Play).setTarget("").code(ac::Stop);
    auto m = movie({rect(1, 0, 0, 100, 100), sprite(10, {{place(1, 1)}, {}, {}, {}})},
                   {{place(1, 10, 0, 0, "a"), place(2, 10, 500, 0, "b"), f1.frameScript()},
                    {f2.frameScript()},
                    {f3.frameScript()},
                    {}});
    Player p(m);
    auto state = [&](std::uint16_t depth) {
        const Timeline* t = spriteIn(p.root(), depth);
        return t ? std::make_pair(t->currentFrame(), t->playing()) : std::make_pair(-1, false);
    };
    EXPECT_EQ(state(1), std::make_pair(1, false));
    EXPECT_EQ(state(2), std::make_pair(1, true));
    EXPECT_TRUE(p.playing()) << "the Stop aimed at an unknown name did not fall back on the movie";

    p.tick();
    EXPECT_EQ(p.currentFrame(), 2);
    EXPECT_TRUE(p.playing());
    EXPECT_EQ(state(1), std::make_pair(2, true));
    EXPECT_EQ(state(2), std::make_pair(4, false));

    p.tick();
    EXPECT_EQ(p.currentFrame(), 3);
    EXPECT_FALSE(p.playing());
    EXPECT_EQ(state(1), std::make_pair(3, true));
    EXPECT_EQ(state(2), std::make_pair(1, true)) << "b played on from frame 4 and looped";

    p.tick();
    EXPECT_EQ(p.currentFrame(), 3);
    EXPECT_EQ(state(1), std::make_pair(4, true));
    EXPECT_EQ(state(2), std::make_pair(2, true));
}

TEST(PlayerScripts, PathsFromInsideASpriteReachTheRootTheParentAndASibling) {
    // Root: "outer" (sprite 10) holds "inner" (11) and "sib" (12). On its
    // frame 2 inner sets _root:seen, stops its parent and its sibling, sends
    // the root to frame 4 and stops itself. The root's frame 4 goes on to
    // frame 5 only when it sees the variable.
    Script inner;
    inner.push("_root:seen").push(1).code(ac::SetVariable);
    inner.setTarget("_parent").code(ac::Stop);
    inner.setTarget("../sib").code(ac::Stop);
    inner.setTarget("/").gotoFrame(4);
    inner.setTarget("").code(ac::Stop);
    Script check;
    check.push("seen")
        .code(ac::GetVariable)
        .push(1)
        .code(ac::Equals)
        .code(ac::Not)
        .branch(ac::If, "skip")
        .gotoFrame(5)
        .mark("skip");
    auto m = movie({rect(1, 0, 0, 100, 100), sprite(11, {{place(1, 1)}, {inner.frameScript()}, {}}),
                    sprite(12, {{place(1, 1)}, {}, {}}),
                    sprite(10, {{place(1, 11, 0, 0, "inner"), place(2, 12, 200, 0, "sib")}, {}, {}})},
                   {{place(1, 10, 0, 0, "outer")}, {}, {}, {check.frameScript()}, {}});
    Player p(m);
    p.tick();
    EXPECT_EQ(p.currentFrame(), 5) << "the root went to frame 4, whose script read _root:seen";
    EXPECT_FALSE(p.playing());
    const Timeline* outer = spriteIn(p.root(), 1);
    ASSERT_NE(outer, nullptr);
    const Timeline* in = spriteIn(*outer, 1);
    const Timeline* sib = spriteIn(*outer, 2);
    ASSERT_NE(in, nullptr);
    ASSERT_NE(sib, nullptr);
    EXPECT_EQ(outer->currentFrame(), 2);
    EXPECT_FALSE(outer->playing()) << "_parent";
    EXPECT_EQ(in->currentFrame(), 2);
    EXPECT_FALSE(in->playing()) << "back on itself after SetTarget \"\"";
    EXPECT_EQ(sib->currentFrame(), 1) << "../sib was stopped before its own tick";
    EXPECT_FALSE(sib->playing());

    p.tick();
    EXPECT_EQ(p.currentFrame(), 5);
    EXPECT_EQ(outer->currentFrame(), 2);
    EXPECT_EQ(in->currentFrame(), 2);
    EXPECT_EQ(sib->currentFrame(), 1);
}

TEST(PlayerScripts, LinksToTheBrowserAreIgnored) {
    // 3 is pushed first: GetURL2 must take exactly its two values, so the
    // goto after it still finds the 3.
    Script s;
    s.push(3);
    s.getUrl("FSCommand:quit", "").getUrl("http://example.org/", "_blank").getUrl("suite.swf", "_level0");
    s.push("javascript:alert(1)").push("_self").rec(ac::GetUrl2, {0});
    s.rec(ac::GotoFrame2, {0});
    Player p(movie({rect(1, 0, 0, 100, 100)}, {{place(1, 1), s.frameScript()}, {}, {}, {}}));
    EXPECT_EQ(p.currentFrame(), 3);
    EXPECT_FALSE(p.playing());
    EXPECT_EQ(p.displayList().size(), 1u);
    p.tick();
    EXPECT_EQ(p.currentFrame(), 3);
}

TEST(PlayerScripts, EndlessLoopsEndAndTheMovieGoesOn) {
    Script jumps;  // a Jump back forever
    jumps.mark("top").push(1).code(ac::Pop).branch(ac::Jump, "top");
    Script grows;  // pushes forever
    grows.mark("top").push("x").branch(ac::Jump, "top");
    Script ifs;  // an If that always jumps back
    ifs.mark("top").push(1).branch(ac::If, "top");
    Script self;  // a Jump onto itself
    self.mark("here").branch(ac::Jump, "here");
    auto m =
        movie({rect(1, 0, 0, 100, 100), sprite(10, {{place(1, 1), self.frameScript()}, {}})},
              {{place(1, 10), jumps.frameScript()}, {grows.frameScript()}, {ifs.frameScript()}, {stopAction()}, {}});
    Player p(m);  // frame 1's loop ran here
    ASSERT_EQ(p.currentFrame(), 1);
    std::vector<int> root, inner;
    for (int i = 0; i < 4; ++i) {
        p.tick();
        root.push_back(p.currentFrame());
        inner.push_back(spriteIn(p.root(), 1)->currentFrame());
    }
    EXPECT_EQ(root, (std::vector<int>{2, 3, 4, 4}));
    EXPECT_EQ(inner, (std::vector<int>{2, 1, 2, 1})) << "the sprite's own loop does not hold it either";
}

TEST(PlayerScripts, ASpriteThatRemovesItselfThroughItsParent) {
    // The root shows sprite 10 from its frame 2 on. Either sprite 10's own
    // script (frame 2) or the script of sprite 11 inside it sends the root
    // back to frame 1, where sprite 10 does not exist, and goes on giving
    // commands to timelines that are gone.
    for (bool fromChild : {false, true}) {
        SCOPED_TRACE(fromChild ? "from a sprite inside it" : "from its own script");
        Script kill;
        kill.setTarget(fromChild ? "../.." : "_parent").gotoFrame(1);
        kill.setTarget("").code(ac::Stop).push("after").push(1).code(ac::SetVariable);
        kill.setTarget("_parent").code(ac::Play).code(ac::NextFrame);
        DoAction killer = kill.frameScript();
        DoAction more = ActionBuilder().play().nextFrame().doAction();  // a second script on the same frame
        auto m = movie(
            {rect(1, 0, 0, 100, 100),
             sprite(11, {{place(1, 1)}, fromChild ? std::vector<Tag>{killer, more} : std::vector<Tag>{}, {}}),
             sprite(
                 10,
                 {{place(1, 11, 0, 0, "child")}, fromChild ? std::vector<Tag>{} : std::vector<Tag>{killer, more}, {}})},
            {{place(2, 1, 0, 500)}, {place(1, 10, 0, 0, "s")}, {}, {}});
        Player p(m);
        p.tick();  // frame 2: the sprite is placed
        ASSERT_NE(spriteIn(p.root(), 1), nullptr);
        p.tick();  // frame 3: the sprite reaches its frame 2 and removes itself
        EXPECT_EQ(p.currentFrame(), 1);
        EXPECT_FALSE(p.playing());
        EXPECT_EQ(p.displayList().count(1), 0u);
        EXPECT_EQ(p.displayList().count(2), 1u);
        // The movie goes on: the sprite comes back as a new instance.
        p.play();
        p.tick();
        ASSERT_NE(spriteIn(p.root(), 1), nullptr);
        EXPECT_EQ(spriteIn(p.root(), 1)->currentFrame(), 1);
        p.tick();
        EXPECT_EQ(p.currentFrame(), 1) << "and removes itself again";
        p.rewind();
        EXPECT_EQ(p.displayList().size(), 1u);
    }
}

TEST(PlayerScripts, TwoSpritesSendingEachOtherBackAndForthAreBounded) {
    // Sprite "a" and sprite "b" each send the other to a frame whose script
    // sends it back: a ping-pong that never ends by itself.
    Script a1, a2, b1, b2;
    a1.setTarget("../b").gotoFrame(1);
    a2.setTarget("../b").gotoFrame(2);
    b1.setTarget("../a").gotoFrame(2);
    b2.setTarget("../a").gotoFrame(1);
    auto m = movie({rect(1, 0, 0, 100, 100), sprite(10, {{place(1, 1), a1.frameScript()}, {a2.frameScript()}}),
                    sprite(11, {{place(1, 1), b1.frameScript()}, {b2.frameScript()}})},
                   {{place(1, 10, 0, 0, "a"), place(2, 11, 0, 0, "b")}, {}, {}});
    Player p(m);
    p.tick();
    EXPECT_EQ(p.currentFrame(), 2);
}

TEST(PlayerScripts, GoingToAFrameFromTheHostRunsItsScriptAndSounds) {
    DefineSound bip;
    bip.id = 50;
    bip.format = SoundFormat::RawLittle;
    bip.rate = 3;
    bip.data.assign(2000, 0x10);
    StartSound start;
    start.soundId = 50;
    Player p(movie({bip}, {{}, {}, {start, stopAction()}, {}, {}}));
    p.gotoFrame(3);
    EXPECT_FALSE(p.playing()) << "frame 3's Stop";
    EXPECT_TRUE(p.mixer().playing(50)) << "frame 3's sound";
    p.tick();
    EXPECT_EQ(p.currentFrame(), 3);
}

// --- Buttons --------------------------------------------------------------------------

constexpr std::uint8_t kUp = 1, kOver = 2, kDown = 4, kHit = 8;

ButtonRecord record(std::uint8_t states, std::uint16_t id, std::uint16_t depth = 1) {
    ButtonRecord r;
    r.states = states;
    r.characterId = id;
    r.depth = depth;
    return r;
}

// Shapes 1-3 are drawn in the up, over and down states; shape 4 is the hit
// area, smaller than what is drawn: 0..1000 x 0..600 in button coordinates.
std::vector<Tag> buttonShapes() {
    return {rect(1, 0, 0, 1000, 1000, {200, 0, 0, 255}), rect(2, -100, -100, 1100, 1100, {0, 200, 0, 255}),
            rect(3, 100, 100, 900, 900, {0, 0, 200, 255}), rect(4, 0, 0, 1000, 600, {0, 0, 0, 255})};
}

DefineButton button2(std::uint16_t id, std::vector<ButtonCondAction> actions, bool menu = false) {
    DefineButton b;
    b.version = 2;
    b.id = id;
    b.trackAsMenu = menu;
    b.records = {record(kUp, 1), record(kOver, 2), record(kDown, 3), record(kHit, 4)};
    b.actions = std::move(actions);
    return b;
}

ButtonCondAction on(std::uint16_t conditions, const Script& s) { return {conditions, s.bytes()}; }

const ButtonInstance* buttonAt(const Timeline& t, std::uint16_t depth) {
    auto it = t.displayList().find(depth);
    return it == t.displayList().end() ? nullptr : it->second.button.get();
}

using Phase = ButtonStateMachine::Phase;

// A button at (2000, 1000) on a stopped four-frame movie: pressing goes to
// frame 2, releasing goes to and plays frame 3; frame 4 stops.
std::shared_ptr<const MovieData> clickMovie() {
    Script press, release;
    press.gotoFrame(2);
    release.gotoFrame(3).code(ac::Play);
    std::vector<Tag> defs = buttonShapes();
    defs.push_back(button2(20, {on(bc::OverUpToOverDown, press), on(bc::OverDownToOverUp, release)}));
    return movie(defs, {{place(5, 20, 2000, 1000), stopAction()}, {}, {}, {stopAction()}});
}

const QPointF kInside(2500, 1300);     // inside the hit area
const QPointF kDrawnOnly(2500, 1800);  // on the up shape, outside the hit area
const QPointF kOutside(100, 100);

TEST(PlayerButtons, StatesFollowThePointerAndPressAndReleaseRunTheirScripts) {
    Player p(clickMovie());
    const ButtonInstance* b = buttonAt(p.root(), 5);
    ASSERT_NE(b, nullptr);
    EXPECT_FALSE(p.pointer(kOutside, false));
    EXPECT_FALSE(p.overButton());
    EXPECT_EQ(b->machine.phase(), Phase::Idle);
    EXPECT_EQ(b->machine.shownState(), ButtonState::Up);
    EXPECT_FALSE(p.pointer(kDrawnOnly, false)) << "only the hit area counts";
    EXPECT_FALSE(p.overButton());

    EXPECT_TRUE(p.pointer(kInside, false));
    EXPECT_TRUE(p.overButton());
    EXPECT_EQ(b->machine.shownState(), ButtonState::Over);
    EXPECT_FALSE(p.pointer(kInside + QPointF(10, 10), false)) << "moving within the button changes nothing";
    EXPECT_TRUE(p.overButton());
    EXPECT_EQ(p.currentFrame(), 1);

    EXPECT_TRUE(p.pointer(kInside, true));
    EXPECT_EQ(b->machine.shownState(), ButtonState::Down);
    EXPECT_EQ(p.currentFrame(), 2) << "the press action";
    EXPECT_FALSE(p.playing());

    EXPECT_TRUE(p.pointer(kInside, false));
    EXPECT_EQ(b->machine.shownState(), ButtonState::Over);
    EXPECT_EQ(p.currentFrame(), 3) << "the release action";
    EXPECT_TRUE(p.playing());
    p.tick();
    EXPECT_EQ(p.currentFrame(), 4);

    EXPECT_TRUE(p.pointer(kOutside, false));
    EXPECT_FALSE(p.overButton());
    EXPECT_EQ(b->machine.phase(), Phase::Idle);
}

TEST(PlayerButtons, DraggingOutBeforeTheReleaseCancelsTheClick) {
    Player p(clickMovie());
    const ButtonInstance* b = buttonAt(p.root(), 5);
    ASSERT_NE(b, nullptr);
    p.pointer(kInside, false);
    p.pointer(kInside, true);
    ASSERT_EQ(p.currentFrame(), 2);
    EXPECT_TRUE(p.pointer(kOutside, true));
    EXPECT_EQ(b->machine.phase(), Phase::OutDown);
    EXPECT_EQ(b->machine.shownState(), ButtonState::Over);
    EXPECT_FALSE(p.overButton());
    EXPECT_TRUE(p.pointer(kOutside, false));
    EXPECT_EQ(b->machine.phase(), Phase::Idle);
    EXPECT_EQ(p.currentFrame(), 2) << "released outside: no release action";
    EXPECT_FALSE(p.playing());

    // Out and back in before the release: the click counts.
    p.pointer(kInside, false);
    p.pointer(kInside, true);
    p.pointer(kOutside, true);
    p.pointer(kInside, true);
    EXPECT_EQ(b->machine.phase(), Phase::OverDown);
    p.pointer(kInside, false);
    EXPECT_EQ(p.currentFrame(), 3);
}

TEST(PlayerButtons, AReleaseReportedOutsideIsNoClick) {
    Player p(clickMovie());
    p.pointer(kInside, false);
    p.pointer(kInside, true);
    p.pointer(kOutside, false);  // one event: the button came up with the pointer outside
    EXPECT_EQ(p.currentFrame(), 2);
}

TEST(PlayerButtons, TheTopmostOfOverlappingButtonsTakesThePointer) {
    // Button 20 at x 2000..3000 goes to frame 2 on release, button 21 at
    // x 2500..3500 to frame 3. They overlap over x 2500..3000.
    for (bool secondOnTop : {true, false}) {
        SCOPED_TRACE(secondOnTop ? "21 above" : "20 above");
        Script to2, to3;
        to2.gotoFrame(2);
        to3.gotoFrame(3);
        std::vector<Tag> defs = buttonShapes();
        defs.push_back(button2(20, {on(bc::OverDownToOverUp, to2)}));
        defs.push_back(button2(21, {on(bc::OverDownToOverUp, to3)}));
        const std::uint16_t d20 = secondOnTop ? 5 : 6, d21 = secondOnTop ? 6 : 5;
        Player p(movie(defs, {{place(d20, 20, 2000, 1000), place(d21, 21, 2500, 1000), stopAction()}, {}, {}}));
        const ButtonInstance* b20 = buttonAt(p.root(), d20);
        const ButtonInstance* b21 = buttonAt(p.root(), d21);
        ASSERT_NE(b20, nullptr);
        ASSERT_NE(b21, nullptr);
        const QPointF both(2750, 1300);
        p.pointer(both, false);
        EXPECT_EQ(b20->machine.phase(), secondOnTop ? Phase::Idle : Phase::OverUp);
        EXPECT_EQ(b21->machine.phase(), secondOnTop ? Phase::OverUp : Phase::Idle);
        p.pointer(both, true);
        p.pointer(both, false);
        EXPECT_EQ(p.currentFrame(), secondOnTop ? 3 : 2);

        p.gotoFrame(1);
        p.pointer(QPointF(2200, 1300), false);  // button 20 alone
        p.pointer(QPointF(2200, 1300), true);
        p.pointer(QPointF(2200, 1300), false);
        EXPECT_EQ(p.currentFrame(), 2);
    }
}

TEST(PlayerButtons, AButtonInsideAMovedAndScaledSpriteIsHitWhereItIsDrawn) {
    // Sprite 30 holds the button at (100, 100); the sprite is placed at
    // (4000, 2000), scaled twice. The hit area 0..1000 x 0..600 is then
    // 4200..6200 x 2200..3400 on the stage. The release action stops the
    // sprite on its frame 2 (the button's own timeline is its target).
    Script release;
    release.gotoFrame(2);
    std::vector<Tag> defs = buttonShapes();
    defs.push_back(button2(20, {on(bc::OverDownToOverUp, release)}));
    defs.push_back(sprite(30, {{place(1, 20, 100, 100)}, {}, {}}));
    PlaceObject big = place(1, 30, 4000, 2000);
    big.matrix->scaleX = big.matrix->scaleY = 0x20000;
    Player p(movie(defs, {{big, stopAction()}, {}}));
    const Timeline* s = spriteIn(p.root(), 1);
    ASSERT_NE(s, nullptr);
    // Where an unscaled button would be, and where it is not.
    EXPECT_FALSE(p.pointer(QPointF(4150, 2300), false));
    EXPECT_FALSE(p.overButton());
    EXPECT_TRUE(p.pointer(QPointF(6000, 3300), false));
    EXPECT_TRUE(p.overButton());
    p.pointer(QPointF(6000, 3300), true);
    p.pointer(QPointF(6000, 3300), false);
    EXPECT_EQ(s->currentFrame(), 2);
    EXPECT_FALSE(s->playing());
    EXPECT_EQ(p.currentFrame(), 1) << "the root is not the target";
}

TEST(PlayerButtons, AVersionOneButtonActsOnRelease) {
    Script release;
    release.gotoFrame(3).code(ac::Play);
    DefineButton b;
    b.version = 1;
    b.id = 20;
    b.records = {record(kUp | kOver | kDown | kHit, 4)};
    b.actions = {{bc::OverDownToOverUp, release.bytes()}};
    std::vector<Tag> defs = buttonShapes();
    defs.push_back(b);
    Player p(movie(defs, {{place(5, 20, 2000, 1000), stopAction()}, {}, {}, {}}));
    EXPECT_TRUE(p.pointer(kInside, false));
    EXPECT_TRUE(p.pointer(kInside, true));
    EXPECT_EQ(p.currentFrame(), 1) << "nothing on press";
    EXPECT_TRUE(p.pointer(kInside, false));
    EXPECT_EQ(p.currentFrame(), 3);
    EXPECT_TRUE(p.playing());
}

std::vector<std::int16_t> sineSamples(int rate, std::size_t from, std::size_t n, double hz, double amp) {
    std::vector<std::int16_t> s;
    for (std::size_t i = from; i < from + n; ++i)
        s.push_back(static_cast<std::int16_t>(std::lround(amp * std::sin(2 * M_PI * hz * double(i) / rate))));
    return s;
}

// A 44.1 kHz 16-bit mono DefineSound of a sine.
DefineSound sineSound(std::uint16_t id, std::size_t frames, double hz, double amp) {
    DefineSound d;
    d.id = id;
    d.format = SoundFormat::RawLittle;
    d.rate = 3;
    d.is16Bit = true;
    d.sampleCount = static_cast<std::uint32_t>(frames);
    for (std::int16_t v : sineSamples(44100, 0, frames, hz, amp)) {
        d.data.push_back(static_cast<std::uint8_t>(v & 0xFF));
        d.data.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
    }
    return d;
}

std::vector<std::int16_t> pull(Player& p, std::size_t frames) {
    std::vector<std::int16_t> out(frames * 2, 1234);
    p.mixer().read(out.data(), frames);
    return out;
}

// Mono samples as the mixer gives them out at their own rate: both channels alike.
std::vector<std::int16_t> stereo(const std::vector<std::int16_t>& mono) {
    std::vector<std::int16_t> s;
    for (auto v : mono) {
        s.push_back(v);
        s.push_back(v);
    }
    return s;
}

TEST(PlayerButtons, ButtonSoundsPlayInTheMixer) {
    // Over plays sound 40, press plays 41, release stops 40.
    std::vector<Tag> defs = buttonShapes();
    defs.push_back(sineSound(40, 22050, 440, 6000));
    defs.push_back(sineSound(41, 22050, 660, 6000));
    defs.push_back(button2(20, {}));
    DefineButtonSound bs;
    bs.buttonId = 20;
    bs.soundId[1] = 40;
    bs.soundId[2] = 41;
    bs.soundId[3] = 40;
    bs.info[3].syncStop = true;
    defs.push_back(bs);
    Player p(movie(defs, {{place(5, 20, 2000, 1000), stopAction()}}));
    p.pointer(kOutside, false);
    EXPECT_EQ(p.mixer().voices(), 0u);
    p.pointer(kInside, false);
    EXPECT_TRUE(p.mixer().playing(40));
    EXPECT_EQ(p.mixer().voices(), 1u);
    EXPECT_EQ(pull(p, 441), stereo(sineSamples(44100, 0, 441, 440, 6000)));
    p.pointer(kInside, true);
    EXPECT_TRUE(p.mixer().playing(41));
    EXPECT_EQ(p.mixer().voices(), 2u);
    std::vector<std::int16_t> both = stereo(sineSamples(44100, 441, 441, 440, 6000));
    std::vector<std::int16_t> second = stereo(sineSamples(44100, 0, 441, 660, 6000));
    for (std::size_t i = 0; i < both.size(); ++i) both[i] = static_cast<std::int16_t>(both[i] + second[i]);
    EXPECT_EQ(pull(p, 441), both) << "the two sounds mixed, each from where it is";
    p.pointer(kInside, false);
    EXPECT_FALSE(p.mixer().playing(40)) << "the release sound stops sound 40";
    EXPECT_TRUE(p.mixer().playing(41));
}

TEST(PlayerButtons, AMenuButtonTakesAPressThatStartedOnAnother) {
    // Buttons 20 (x 2000..3000, releases to frame 2) and 21 (x 4000..5000,
    // to frame 3). Pressed on 20, dragged onto 21 and released there.
    for (bool menu : {true, false}) {
        SCOPED_TRACE(menu ? "tracked as menu" : "plain buttons");
        Script to2, to3;
        to2.gotoFrame(2);
        to3.gotoFrame(3);
        std::vector<Tag> defs = buttonShapes();
        defs.push_back(button2(20, {on(bc::OverDownToOverUp, to2)}, menu));
        defs.push_back(button2(21, {on(bc::OverDownToOverUp, to3)}, menu));
        Player p(movie(defs, {{place(5, 20, 2000, 1000), place(6, 21, 4000, 1000), stopAction()}, {}, {}}));
        const ButtonInstance* b20 = buttonAt(p.root(), 5);
        const ButtonInstance* b21 = buttonAt(p.root(), 6);
        ASSERT_NE(b20, nullptr);
        ASSERT_NE(b21, nullptr);
        const QPointF on20(2500, 1300), on21(4500, 1300);
        p.pointer(on20, false);
        p.pointer(on20, true);
        p.pointer(on21, true);
        EXPECT_EQ(b20->machine.phase(), menu ? Phase::Idle : Phase::OutDown);
        EXPECT_EQ(b21->machine.phase(), menu ? Phase::OverDown : Phase::Idle);
        p.pointer(on21, false);
        EXPECT_EQ(p.currentFrame(), menu ? 3 : 1);
        EXPECT_EQ(b20->machine.phase(), Phase::Idle);
        EXPECT_EQ(b21->machine.phase(), Phase::OverUp);
    }
}

TEST(PlayerButtons, AButtonThatRemovesItsOwnSprite) {
    // The button lives in sprite 30, shown from the root's frame 2; its
    // release sends the root back to frame 1 and then talks to its dead
    // timeline. A second action list on the same release runs after it.
    Script release;
    release.setTarget("_parent").gotoFrame(1).setTarget("").code(ac::Stop).code(ac::NextFrame);
    Script after;
    after.code(ac::Play);
    std::vector<Tag> defs = buttonShapes();
    defs.push_back(button2(20, {on(bc::OverDownToOverUp, release), on(bc::OverDownToOverUp, after)}));
    defs.push_back(sprite(30, {{place(1, 20, 0, 0)}, {}}));
    Player p(movie(defs, {{stopAction()}, {place(1, 30, 2000, 1000)}, {}}));
    p.gotoFrame(2);
    ASSERT_NE(spriteIn(p.root(), 1), nullptr);
    p.pointer(kInside, false);
    p.pointer(kInside, true);
    EXPECT_TRUE(p.pointer(kInside, false));
    EXPECT_EQ(p.currentFrame(), 1);
    EXPECT_TRUE(p.displayList().empty());
    EXPECT_FALSE(p.pointer(kInside, false)) << "no button left";
    EXPECT_FALSE(p.overButton());
    p.gotoFrame(2);
    EXPECT_TRUE(p.pointer(kInside, false)) << "a new instance, over again";
}

// --- Sound through the player --------------------------------------------------

bool silent(const std::vector<std::int16_t>& s) {
    return std::all_of(s.begin(), s.end(), [](std::int16_t v) { return v == 0; });
}

double rmsError(const std::vector<std::int16_t>& a, const std::vector<std::int16_t>& b) {
    EXPECT_EQ(a.size(), b.size());
    const std::size_t n = std::min(a.size(), b.size());
    double sum = 0;
    for (std::size_t i = 0; i < n; ++i) sum += (double(a[i]) - b[i]) * (double(a[i]) - b[i]);
    return n ? std::sqrt(sum / double(n)) : 1e9;
}

// A movie of 8 frames at 10 fps whose main timeline streams a 22.05 kHz ADPCM
// sine, one block per frame, but for frame 4 which has none.
struct AdpcmStream : ::testing::Test {
    static constexpr int kRate = 22050, kPerFrame = 2205, kFrames = 8, kGap = 4;
    static constexpr double kHz = 317, kAmp = 10000;  // not a whole number of cycles a frame
    std::shared_ptr<const MovieData> file;

    void SetUp() override {
        SoundStreamHead head;
        head.version = 2;
        head.format = SoundFormat::Adpcm;
        head.rate = 2;
        head.playbackRate = 2;
        head.samplesPerBlock = kPerFrame;
        Frames frames;
        for (int f = 1; f <= kFrames; ++f) {
            Pcm chunk;
            chunk.rate = kRate;
            chunk.samples = sineSamples(kRate, std::size_t(f - 1) * kPerFrame, kPerFrame, kHz, kAmp);
            frames.push_back({});
            if (f != kGap) frames.back().push_back(SoundStreamBlock{encodeAdpcm(chunk, 4)});
        }
        file = movie({head}, frames, 10);
    }
    // What frame f should sound like in the mixer: the sine at 44.1 kHz,
    // stereo; silence for the frame without a block.
    static std::vector<std::int16_t> expected(int f) {
        if (f == kGap) return std::vector<std::int16_t>(2 * 2 * kPerFrame, 0);
        std::vector<std::int16_t> s;
        for (int i = 0; i < 2 * kPerFrame; ++i) {
            double t = (f - 1) * kPerFrame + i / 2.0;
            auto v = static_cast<std::int16_t>(std::lround(kAmp * std::sin(2 * M_PI * kHz * t / kRate)));
            s.push_back(v);
            s.push_back(v);
        }
        return s;
    }
    // Pulls one frame's worth from the mixer and compares it with frame f.
    static void expectFrame(Player& p, int f) {
        ASSERT_EQ(p.mixer().queuedStreamFrames(), std::size_t(2 * kPerFrame)) << "frame " << f;
        std::vector<std::int16_t> got = pull(p, 2 * kPerFrame);
        if (f == kGap)
            EXPECT_TRUE(silent(got)) << "frame " << f;
        else
            EXPECT_LT(rmsError(got, expected(f)), 500) << "frame " << f;
        EXPECT_EQ(p.mixer().queuedStreamFrames(), 0u);
    }
};

TEST_F(AdpcmStream, EachFrameDeliversItsOwnBlockInStep) {
    Player p(file);
    ASSERT_NE(p.stream(), nullptr);
    EXPECT_DOUBLE_EQ(p.stream()->samplesPerFrame(), kPerFrame);
    for (int f = 1; f <= kFrames; ++f) {
        ASSERT_EQ(p.currentFrame(), f);
        EXPECT_EQ(p.stream()->startFrame(), 1);
        EXPECT_EQ(p.stream()->samplesDelivered(), std::int64_t(f) * kPerFrame) << "frame " << f;
        expectFrame(p, f);
        p.tick();
    }
    // The loop back to frame 1 restarts the stream there.
    ASSERT_EQ(p.currentFrame(), 1);
    EXPECT_EQ(p.stream()->startFrame(), 1);
    EXPECT_EQ(p.stream()->samplesDelivered(), kPerFrame);
    expectFrame(p, 1);
    // A wrong block would not match: frame 2's samples are not frame 1's.
    EXPECT_GT(rmsError(expected(1), expected(2)), 2000);
}

TEST_F(AdpcmStream, StopHoldsTheStreamAndPlayGoesOnWithoutRestart) {
    Player p(file);
    expectFrame(p, 1);
    p.tick();
    expectFrame(p, 2);
    p.stop();
    for (int i = 0; i < 3; ++i) p.tick();
    p.advance(1000);
    EXPECT_EQ(p.currentFrame(), 2);
    EXPECT_EQ(p.mixer().queuedStreamFrames(), 0u) << "nothing new while stopped";
    EXPECT_TRUE(silent(pull(p, 1000)));
    EXPECT_EQ(p.stream()->samplesDelivered(), 2 * kPerFrame);
    p.play();
    p.tick();
    EXPECT_EQ(p.stream()->startFrame(), 1) << "no restart";
    EXPECT_EQ(p.stream()->samplesDelivered(), 3 * kPerFrame);
    expectFrame(p, 3);
}

TEST_F(AdpcmStream, GotoLoopAndRewindRestartAtTheirFrame) {
    Player p(file);
    p.tick();  // frame 1 and 2 queued, not pulled
    EXPECT_EQ(p.mixer().queuedStreamFrames(), std::size_t(4 * kPerFrame));
    p.gotoFrame(6);
    EXPECT_EQ(p.stream()->startFrame(), 6);
    EXPECT_EQ(p.stream()->samplesDelivered(), kPerFrame);
    expectFrame(p, 6);  // what was queued before the goto is dropped
    p.tick();
    EXPECT_EQ(p.stream()->samplesDelivered(), 2 * kPerFrame);
    expectFrame(p, 7);

    p.gotoFrame(kGap);  // a frame without a block: silence of one frame, then in step
    EXPECT_EQ(p.stream()->startFrame(), kGap);
    expectFrame(p, kGap);
    p.tick();
    EXPECT_EQ(p.stream()->samplesDelivered(), 2 * kPerFrame);
    expectFrame(p, 5);

    p.back();
    EXPECT_EQ(p.currentFrame(), 4);
    EXPECT_EQ(p.stream()->startFrame(), 4);
    expectFrame(p, 4);

    p.gotoFrame(8);
    pull(p, 2 * kPerFrame);
    p.play();
    p.tick();  // the loop
    EXPECT_EQ(p.currentFrame(), 1);
    EXPECT_EQ(p.stream()->startFrame(), 1);
    expectFrame(p, 1);

    p.tick();
    p.tick();
    p.rewind();  // from frame 3, stopped
    EXPECT_FALSE(p.playing());
    EXPECT_EQ(p.stream()->startFrame(), 1);
    EXPECT_EQ(p.stream()->samplesDelivered(), kPerFrame);
    expectFrame(p, 1);
    p.tick();
    EXPECT_EQ(p.mixer().queuedStreamFrames(), 0u);
}

TEST_F(AdpcmStream, RewindOnTheFirstFrameRestartsTheStreamToo) {
    Player p(file);
    p.rewind();
    expectFrame(p, 1);
}

TEST(PlayerStreams, UncompressedStereoPassesThroughExactly) {
    // 44.1 kHz 16-bit stereo at 10 fps: 4410 sample frames a frame, left and
    // right different, so any reordering or resampling shows.
    SoundStreamHead head;
    head.format = SoundFormat::RawLittle;
    head.rate = 3;
    head.stereo = true;
    head.samplesPerBlock = 4410;
    Frames frames;
    std::vector<std::vector<std::int16_t>> sent;
    for (int f = 1; f <= 3; ++f) {
        std::vector<std::int16_t> s;
        Bytes block;
        for (int i = 0; i < 4410; ++i)
            for (int c = 0; c < 2; ++c) {
                auto v = static_cast<std::int16_t>(c == 0 ? f * 1000 + i % 97 : -(f * 1000) - i % 89);
                s.push_back(v);
                block.push_back(static_cast<std::uint8_t>(v & 0xFF));
                block.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
            }
        sent.push_back(s);
        frames.push_back({SoundStreamBlock{block}});
    }
    Player p(movie({head}, frames, 10));
    for (int f = 1; f <= 3; ++f) {
        EXPECT_EQ(pull(p, 4410), sent[f - 1]) << "frame " << f;
        p.tick();
    }
}

TEST(PlayerStreams, Mp3BlocksKeepUpWithTheFrames) {
    SoundStreamHead head;
    head.format = SoundFormat::Mp3;
    head.rate = 3;
    head.samplesPerBlock = 1152;
    Frames frames;
    for (int f = 1; f <= 6; ++f) {
        Bytes block{0x80, 0x04, 0, 0};  // 1152 samples, no seek
        Bytes frame = silentMp3Frame();
        block.insert(block.end(), frame.begin(), frame.end());
        frames.push_back({SoundStreamBlock{block}});
    }
    MovieData m;
    m.header.frameRate = static_cast<std::uint16_t>(std::lround(44100.0 / 1152 * 256));
    m.tags.push_back(head);
    for (auto& t : framesOf(frames)) m.tags.push_back(t);
    Player p(throughFile(m));
    for (int f = 2; f <= 6; ++f) p.tick();
    ASSERT_NE(p.stream(), nullptr);
    EXPECT_FALSE(p.stream()->lastError().has_value());
    EXPECT_EQ(p.stream()->rate(), 44100);
    // The decoder may hold one frame back.
    EXPECT_GE(p.stream()->samplesDelivered(), 5 * 1152);
    EXPECT_LE(p.stream()->samplesDelivered(), 6 * 1152);
    EXPECT_EQ(p.mixer().queuedStreamFrames(), std::size_t(p.stream()->samplesDelivered()));
    EXPECT_TRUE(silent(pull(p, p.mixer().queuedStreamFrames())));
}

TEST(PlayerStreams, ABrokenBlockIsOneFrameOfSilence) {
    SoundStreamHead head;
    head.format = SoundFormat::Adpcm;
    head.rate = 2;
    head.samplesPerBlock = 2205;
    Frames frames;
    std::vector<std::vector<std::int16_t>> sent;
    for (int f = 1; f <= 3; ++f) {
        Pcm chunk;
        chunk.rate = 22050;
        chunk.samples = sineSamples(22050, 0, 2205, 500, 8000);
        frames.push_back({SoundStreamBlock{f == 2 ? Bytes{0x80} : encodeAdpcm(chunk, 5)}});
    }
    Player p(movie({head}, frames, 10));
    EXPECT_FALSE(silent(pull(p, 4410)));
    p.tick();
    EXPECT_TRUE(p.stream()->lastError().has_value());
    EXPECT_EQ(p.stream()->samplesDelivered(), 2 * 2205);
    EXPECT_EQ(p.mixer().queuedStreamFrames(), 4410u);
    EXPECT_TRUE(silent(pull(p, 4410)));
    p.tick();
    EXPECT_EQ(p.stream()->samplesDelivered(), 3 * 2205);
    EXPECT_FALSE(silent(pull(p, 4410)));
}

TEST(PlayerEventSounds, StartSoundOnItsFrameWithTheSyncFlags) {
    // Frame 2 starts sound 50; frame 3 starts it again "not if playing";
    // frame 4 starts a second voice; frame 5 stops it; frame 6 asks for a
    // sound by class name, which this player does not know.
    StartSound plain, once, stop, byName;
    plain.soundId = once.soundId = stop.soundId = 50;
    once.info.syncNoMultiple = true;
    stop.info.syncStop = true;
    byName.version = 2;
    byName.className = "Bip";
    Player p(movie({sineSound(50, 44100, 440, 6000)}, {{}, {plain}, {once}, {plain}, {stop}, {byName, stopAction()}}));
    EXPECT_FALSE(p.mixer().playing(50));
    p.tick();
    EXPECT_TRUE(p.mixer().playing(50));
    EXPECT_EQ(pull(p, 441), stereo(sineSamples(44100, 0, 441, 440, 6000)));
    p.tick();
    EXPECT_EQ(p.mixer().voices(), 1u) << "not started again while it plays";
    p.tick();
    EXPECT_EQ(p.mixer().voices(), 2u);
    std::vector<std::int16_t> mix = stereo(sineSamples(44100, 441, 441, 440, 6000));
    std::vector<std::int16_t> fresh = stereo(sineSamples(44100, 0, 441, 440, 6000));
    for (std::size_t i = 0; i < mix.size(); ++i) mix[i] = static_cast<std::int16_t>(mix[i] + fresh[i]);
    EXPECT_EQ(pull(p, 441), mix);
    p.tick();
    EXPECT_FALSE(p.mixer().playing(50));
    EXPECT_EQ(p.mixer().voices(), 0u);
    p.tick();
    EXPECT_EQ(p.mixer().voices(), 0u);
    EXPECT_TRUE(silent(pull(p, 441)));

    // Rewinding stops what plays.
    p.gotoFrame(4);
    p.tick();
    ASSERT_GT(p.mixer().voices(), 0u);
    p.rewind();
    EXPECT_EQ(p.mixer().voices(), 0u);
}

TEST(PlayerEventSounds, UndecodableSoundsAreSilentWithAWarning) {
    DefineSound shortAdpcm;
    shortAdpcm.id = 51;
    shortAdpcm.format = SoundFormat::Adpcm;
    shortAdpcm.data = {0x80};
    DefineSound nelly;
    nelly.id = 52;
    nelly.format = SoundFormat::Nellymoser;
    nelly.data = {1, 2, 3, 4};
    StartSound a, b;
    a.soundId = 51;
    b.soundId = 52;
    Player p(movie({shortAdpcm, nelly}, {{a}, {b}, {}}));
    EXPECT_EQ(p.mixer().voices(), 0u);
    ASSERT_EQ(p.dictionary().mediaWarnings().size(), 1u);
    EXPECT_EQ(p.dictionary().mediaWarnings()[0].rfind("sound 51", 0), 0u) << p.dictionary().mediaWarnings()[0];
    p.tick();
    EXPECT_EQ(p.currentFrame(), 2);
    EXPECT_EQ(p.mixer().voices(), 0u);
    ASSERT_EQ(p.dictionary().mediaWarnings().size(), 2u);
    EXPECT_EQ(p.dictionary().mediaWarnings()[1].rfind("sound 52", 0), 0u) << p.dictionary().mediaWarnings()[1];
    EXPECT_TRUE(silent(pull(p, 1000)));
    p.tick();
    EXPECT_EQ(p.currentFrame(), 3);
}

// --- Bitmaps ------------------------------------------------------------------------

Bytes encoded(const QImage& img, const char* format) {
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    QImageWriter w(&buf, format);
    w.setQuality(92);
    EXPECT_TRUE(w.write(img)) << w.errorString().toStdString();
    return Bytes(bytes.begin(), bytes.end());
}

// A JPEG stream cut as DefineBits and JPEGTables keep it: the quantisation
// (DQT) and Huffman (DHT) segments go to the tables, the rest (frame header,
// scan) stays with the image; each part has its own start and end markers.
std::pair<Bytes, Bytes> cutTables(const Bytes& jpeg) {
    Bytes tables{0xFF, 0xD8}, image{0xFF, 0xD8};
    std::size_t p = 2;
    while (p + 4 <= jpeg.size() && jpeg[p] == 0xFF) {
        const std::uint8_t marker = jpeg[p + 1];
        if (marker == 0xDA) {
            image.insert(image.end(), jpeg.begin() + static_cast<std::ptrdiff_t>(p), jpeg.end());
            break;
        }
        const std::size_t len = (std::size_t(jpeg[p + 2]) << 8) | jpeg[p + 3];
        Bytes& to = (marker == 0xDB || marker == 0xC4) ? tables : image;
        to.insert(to.end(), jpeg.begin() + static_cast<std::ptrdiff_t>(p),
                  jpeg.begin() + static_cast<std::ptrdiff_t>(p + 2 + len));
        p += 2 + len;
    }
    tables.push_back(0xFF);
    tables.push_back(0xD9);
    return {tables, image};
}

QImage twoColours(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) img.setPixel(x, y, x < w / 2 ? qRgb(220, 30, 30) : qRgb(20, 40, 200));
    return img;
}

void expectNear(QRgb got, QRgb want, int tolerance) {
    EXPECT_NEAR(qRed(got), qRed(want), tolerance);
    EXPECT_NEAR(qGreen(got), qGreen(want), tolerance);
    EXPECT_NEAR(qBlue(got), qBlue(want), tolerance);
    EXPECT_EQ(qAlpha(got), qAlpha(want));
}

TEST(PlayerBitmaps, LosslessDecodedOnceAndKept) {
    QImage src(40, 30, QImage::Format_ARGB32);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            src.setPixel(x, y, y < 15 ? qRgba(255, 128, 0, 255) : (x < 20 ? qRgba(0, 0, 255, 128) : qRgba(0, 0, 0, 0)));
    Player p(movie({makeLossless(60, src, 2), rect(1, 0, 0, 100, 100)}, {{place(1, 1)}}));
    QImage img = p.dictionary().bitmap(60);
    ASSERT_FALSE(img.isNull());
    EXPECT_EQ(img.size(), QSize(40, 30));
    EXPECT_EQ(img.format(), QImage::Format_ARGB32_Premultiplied);
    EXPECT_EQ(img, src.convertToFormat(QImage::Format_ARGB32_Premultiplied));
    EXPECT_EQ(p.dictionary().bitmap(60).cacheKey(), img.cacheKey()) << "the cached image, not a second decode";
    EXPECT_TRUE(p.dictionary().bitmap(1).isNull()) << "a shape is no bitmap";
    EXPECT_TRUE(p.dictionary().bitmap(99).isNull()) << "an unknown id";
    EXPECT_TRUE(p.dictionary().mediaWarnings().empty());
}

TEST(PlayerBitmaps, JpegWithSharedTablesAndWithItsOwn) {
    const QImage src = twoColours(64, 32);
    const Bytes jpeg = encoded(src, "JPEG");
    auto [tables, image] = cutTables(jpeg);
    ASSERT_LT(image.size(), jpeg.size()) << "the tables were taken out";
    DefineBitsJpeg shared;
    shared.version = 1;
    shared.id = 61;
    shared.imageData = image;
    DefineBitsJpeg own;
    own.version = 2;
    own.id = 62;
    own.imageData = jpeg;
    Player p(movie({JpegTables{tables}, shared, own}, {{}}));
    QImage a = p.dictionary().bitmap(61), b = p.dictionary().bitmap(62);
    ASSERT_FALSE(a.isNull());
    ASSERT_FALSE(b.isNull());
    EXPECT_EQ(a.size(), QSize(64, 32));
    expectNear(a.pixel(8, 16), qRgb(220, 30, 30), 16);
    expectNear(a.pixel(56, 16), qRgb(20, 40, 200), 16);
    EXPECT_EQ(a, b) << "the same coded picture either way";
    EXPECT_TRUE(p.dictionary().mediaWarnings().empty());
}

TEST(PlayerBitmaps, UndecodableBitmapsGiveANullImageAndOneWarning) {
    const Bytes jpeg = encoded(twoColours(32, 16), "JPEG");
    DefineBitsJpeg brokenJpeg;  // a JPEG start, then nothing that decodes
    brokenJpeg.version = 2;
    brokenJpeg.id = 63;
    brokenJpeg.imageData = {0xFF, 0xD8, 0xFF, 0xC0, 0x00, 0x11, 0x08, 0x00, 0x10};
    DefineBitsLossless badZlib;
    badZlib.id = 64;
    badZlib.width = badZlib.height = 8;
    badZlib.zlibData = {0x78, 0x9C, 0xFF, 0xFF, 0xFF};
    DefineBitsLossless tooShort = makeLossless(65, twoColours(16, 16), 1);
    tooShort.height = 64;     // more rows than the data holds
    DefineBitsJpeg noTables;  // DefineBits in a movie without JPEGTables, its tables cut away
    noTables.version = 1;
    noTables.id = 66;
    noTables.imageData = cutTables(jpeg).second;
    Player p(movie({brokenJpeg, badZlib, tooShort, noTables}, {{}, {}}));
    const Dictionary& d = p.dictionary();
    std::size_t warnings = 0;
    for (std::uint16_t id : {63, 64, 65, 66}) {
        SCOPED_TRACE(id);
        EXPECT_TRUE(d.bitmap(id).isNull());
        ASSERT_EQ(d.mediaWarnings().size(), ++warnings);
        EXPECT_EQ(d.mediaWarnings().back().rfind("bitmap " + std::to_string(id), 0), 0u) << d.mediaWarnings().back();
        EXPECT_TRUE(d.bitmap(id).isNull());
        EXPECT_EQ(d.mediaWarnings().size(), warnings) << "a second request is not decoded again";
    }
    p.tick();
    EXPECT_EQ(p.currentFrame(), 2);
}

TEST(PlayerBitmaps, TheCacheGivesUpTheLeastRecentlyUsedPastItsBudget) {
    // Five 4096 x 4096 bitmaps of 64 MiB each once decoded: four fill the
    // budget exactly, the fifth has to push one out. A bitmap still cached
    // comes back as the same image (same cache key); one given up is
    // decoded again into a new image.
    constexpr int kSide = 4096;
    constexpr std::size_t kBytes = std::size_t(kSide) * kSide * 4;
    ASSERT_EQ(4 * kBytes, Dictionary::kBitmapBudgetBytes) << "the sizes below assume this budget";
    DefineBitsLossless big;
    big.version = 1;
    big.format = 5;
    big.width = big.height = kSide;
    big.zlibData = deflateAll(Bytes(kBytes, 0x40));
    std::vector<Tag> defs;
    for (std::uint16_t id = 1; id <= 5; ++id) {
        big.id = id;
        defs.push_back(big);
    }
    Player p(movie(defs, {{}}));
    const Dictionary& d = p.dictionary();
    std::map<int, qint64> key;
    for (int id = 1; id <= 4; ++id) {
        QImage img = d.bitmap(static_cast<std::uint16_t>(id));
        ASSERT_EQ(img.size(), QSize(kSide, kSide));
        ASSERT_EQ(std::size_t(img.sizeInBytes()), kBytes);
        key[id] = img.cacheKey();
    }
    for (int id = 1; id <= 4; ++id)
        EXPECT_EQ(d.bitmap(static_cast<std::uint16_t>(id)).cacheKey(), key[id]) << id << " is kept";
    EXPECT_EQ(d.bitmap(1).cacheKey(), key[1]);                      // now the most recently used: 2, 3, 4, 1
    key[5] = d.bitmap(5).cacheKey();                                // pushes out 2: 3, 4, 1, 5
    EXPECT_EQ(d.bitmap(1).cacheKey(), key[1]);                      // 3, 4, 5, 1
    EXPECT_EQ(d.bitmap(5).cacheKey(), key[5]);                      // 3, 4, 1, 5
    EXPECT_NE(d.bitmap(2).cacheKey(), key[2]) << "2 was given up";  // pushes out 3: 4, 1, 5, 2
    EXPECT_EQ(d.bitmap(4).cacheKey(), key[4]);                      // 1, 5, 2, 4
    EXPECT_NE(d.bitmap(3).cacheKey(), key[3]) << "3 was given up for 2";
    EXPECT_TRUE(d.mediaWarnings().empty());
}

}  // namespace
