// The action machine against a recording host: values and arithmetic,
// branches, variables across targets, timeline commands, and the bounds that
// keep hostile scripts from hanging or crashing the player.
#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "swf/format/action_builder.h"
#include "swf/player/avm1.h"
#include "swf/format/reader.h"
#include "swf/format/writer.h"

namespace {

using namespace swf;
using B = std::vector<std::uint8_t>;
namespace op = action;

// Builds action bytes.
struct Script {
    B b;
    Script& code(std::uint8_t c) { b.push_back(c); return *this; }
    Script& rec(std::uint8_t c, const B& payload) {
        b.push_back(c);
        b.push_back(static_cast<std::uint8_t>(payload.size() & 0xFF));
        b.push_back(static_cast<std::uint8_t>(payload.size() >> 8));
        b.insert(b.end(), payload.begin(), payload.end());
        return *this;
    }
    static B str(const std::string& s, std::uint8_t type = 0) {
        B p;
        p.push_back(type);
        for (char c : s) p.push_back(static_cast<std::uint8_t>(c));
        p.push_back(0);
        return p;
    }
    Script& pushStr(const std::string& s) { return rec(op::Push, str(s)); }
    Script& pushInt(std::int32_t v) {
        auto u = static_cast<std::uint32_t>(v);
        return rec(op::Push, {7, std::uint8_t(u), std::uint8_t(u >> 8), std::uint8_t(u >> 16), std::uint8_t(u >> 24)});
    }
    Script& jump(std::uint8_t c, std::int16_t off) { auto u = static_cast<std::uint16_t>(off); return rec(c, {std::uint8_t(u), std::uint8_t(u >> 8)}); }
    B end() { B out = b; out.push_back(0); return out; }
};

// Timelines 1 (the movie), 2 ("menu" inside it) and 3 ("button" inside "menu").
struct Host : Avm1Host {
    struct Line { int frame = 1, frames = 10; bool playing = true; Avm1Target parent = 0; std::map<std::string, Avm1Target> children; };
    std::map<Avm1Target, Line> lines;
    std::vector<std::string> log;
    Host() {
        lines[1].children["menu"] = 2;
        lines[2].parent = 1;
        lines[2].children["button"] = 3;
        lines[3].parent = 2;
    }
    Avm1Target resolveTarget(Avm1Target base, std::string_view path) override {
        std::string p(path);
        Avm1Target t = base;
        if (!p.empty() && p[0] == '/') { t = 1; p.erase(0, 1); }
        std::size_t i = 0;
        while (i <= p.size() && t) {
            std::size_t j = p.find_first_of("/.", i);
            if (j == std::string::npos) j = p.size();
            std::string part = p.substr(i, j - i);
            if (part == "_root") t = 1;
            else if (part == ".." || part == "_parent") t = lines[t].parent;
            else if (!part.empty()) {
                auto it = lines[t].children.find(part);
                t = it == lines[t].children.end() ? 0 : it->second;
            }
            if (j >= p.size()) break;
            i = j + (p.compare(j, 2, "..") == 0 ? 0 : 1);
        }
        return t;
    }
    void play(Avm1Target t) override { lines[t].playing = true; log.push_back("play " + std::to_string(t)); }
    void stop(Avm1Target t) override { lines[t].playing = false; log.push_back("stop " + std::to_string(t)); }
    void gotoFrame(Avm1Target t, int f) override { lines[t].frame = f + 1; log.push_back("goto " + std::to_string(t) + " " + std::to_string(f)); }
    bool gotoLabel(Avm1Target t, std::string_view l) override {
        log.push_back("label " + std::to_string(t) + " " + std::string(l));
        return l == "intro";
    }
    void nextFrame(Avm1Target t) override { ++lines[t].frame; log.push_back("next " + std::to_string(t)); }
    void prevFrame(Avm1Target t) override { --lines[t].frame; log.push_back("prev " + std::to_string(t)); }
    int currentFrame(Avm1Target t) override { return lines[t].frame; }
    int frameCount(Avm1Target t) override { return lines[t].frames; }
    void getUrl(std::string_view url, std::string_view) override { log.push_back("url " + std::string(url)); }
};

struct Avm1 : ::testing::Test {
    Host host;
    Avm1Variables vars;
    Avm1RunResult run(const B& bytes, int version = 6, Avm1Limits limits = {}) {
        Avm1Machine m(host, vars, version, limits);
        auto r = m.run(Avm1Program::parse(bytes), 1);
        stack = m.stack();
        return r;
    }
    std::vector<Avm1Value> stack;
};

TEST_F(Avm1, PushesEveryValueType) {
    B consts{2, 0, 'a', 0, 'b', 'c', 0};
    B values{0, 'h', 'i', 0, 1, 0, 0, 0xC0, 0x3F,  // "hi", 1.5f
             2, 3, 5, 1,                          // null, undefined, true
             6, 0x00, 0x00, 0xF8, 0x3F, 0, 0, 0, 0,  // 1.5 as a double, high half first
             7, 0xFE, 0xFF, 0xFF, 0xFF,           // -2
             8, 1, 9, 0, 0, 8, 7};                // constants 1, 0 and a missing one
    auto r = run(Script().rec(op::ConstantPool, consts).rec(op::Push, values).end());
    EXPECT_EQ(r.end, Avm1RunResult::End::Finished);
    ASSERT_EQ(stack.size(), 10u);
    EXPECT_EQ(stack[0], Avm1Value::of(std::string("hi")));
    EXPECT_EQ(stack[1], Avm1Value::of(1.5));
    EXPECT_EQ(stack[2], Avm1Value::null());
    EXPECT_EQ(stack[3], Avm1Value::undefined());
    EXPECT_EQ(stack[4], Avm1Value::of(true));
    EXPECT_EQ(stack[5], Avm1Value::of(1.5));
    EXPECT_EQ(stack[6], Avm1Value::of(-2.0));
    EXPECT_EQ(stack[7], Avm1Value::of(std::string("bc")));
    EXPECT_EQ(stack[8], Avm1Value::of(std::string("a")));
    EXPECT_EQ(stack[9], Avm1Value::undefined());
}

TEST_F(Avm1, ArithmeticAndComparisonsInOperandOrder) {
    run(Script().pushInt(7).pushInt(2).code(op::Subtract).pushInt(3).code(op::Multiply).pushInt(4).code(op::Divide).end());
    ASSERT_EQ(stack.size(), 1u);
    EXPECT_DOUBLE_EQ(stack[0].number, 3.75);

    run(Script().pushInt(1).pushInt(2).code(op::Less).pushInt(2).pushInt(1).code(op::Less).pushInt(3).pushInt(3).code(op::Equals).end());
    ASSERT_EQ(stack.size(), 3u);
    EXPECT_EQ(stack[0], Avm1Value::of(true));
    EXPECT_EQ(stack[1], Avm1Value::of(false));
    EXPECT_EQ(stack[2], Avm1Value::of(true));

    // The first generation of scripts gets 1 and 0 instead of booleans.
    run(Script().pushInt(1).pushInt(2).code(op::Less).pushInt(0).code(op::Not).end(), 4);
    EXPECT_EQ(stack[0], Avm1Value::of(1.0));
    EXPECT_EQ(stack[1], Avm1Value::of(1.0));

    run(Script().pushInt(1).pushInt(0).code(op::Divide).end(), 4);
    EXPECT_EQ(stack[0], Avm1Value::of(std::string("#ERROR#")));
    run(Script().pushInt(1).pushInt(0).code(op::Divide).end(), 6);
    EXPECT_TRUE(std::isinf(stack[0].number));
}

TEST_F(Avm1, TypedAddAndEqualityOfTheLaterGeneration) {
    run(Script().pushStr("a").pushInt(1).code(op::Add2).pushInt(1).pushInt(2).code(op::Add2).end());
    EXPECT_EQ(stack[0], Avm1Value::of(std::string("a1")));
    EXPECT_EQ(stack[1], Avm1Value::of(3.0));
    run(Script().pushStr("3").pushInt(3).code(op::Equals2).rec(op::Push, {2, 3}).code(op::Equals2).pushStr("b").pushStr("a").code(op::Less2).end());
    EXPECT_EQ(stack[0], Avm1Value::of(true));
    EXPECT_EQ(stack[1], Avm1Value::of(true)) << "null equals undefined";
    EXPECT_EQ(stack[2], Avm1Value::of(false));
    run(Script().pushInt(2).pushStr("x").code(op::Add).pushStr("x").pushInt(1).code(op::Less2).end());
    EXPECT_TRUE(std::isnan(stack[0].number));
    EXPECT_EQ(stack[1], Avm1Value::undefined()) << "comparing with NaN is undefined";
}

TEST_F(Avm1, LogicAndStrings) {
    run(Script().pushInt(1).pushInt(0).code(op::And).pushInt(1).pushInt(0).code(op::Or).pushStr("ab").pushStr("cd").code(op::StringAdd)
            .code(op::PushDuplicate).code(op::StringLength).end());
    EXPECT_EQ(stack[0], Avm1Value::of(false));
    EXPECT_EQ(stack[1], Avm1Value::of(true));
    EXPECT_EQ(stack[2], Avm1Value::of(std::string("abcd")));
    EXPECT_EQ(stack[3], Avm1Value::of(4.0));
    EXPECT_EQ(Avm1Value::of(2.5).toString(6), "2.5");
    EXPECT_EQ(Avm1Value::of(-3.0).toString(6), "-3");
    EXPECT_EQ(Avm1Value::undefined().toString(6), "");
    EXPECT_EQ(Avm1Value::undefined().toString(7), "undefined");
    EXPECT_TRUE(Avm1Value::of(std::string("0")).toBoolean(7));
    EXPECT_FALSE(Avm1Value::of(std::string("0")).toBoolean(6));
}

TEST_F(Avm1, IfAndJumpFollowOffsetsFromTheRecordEnd) {
    // if (v < 3) goto frame 5 else goto frame 9 — with a loop counter in between.
    //   0: push "n", push 0, setvar
    //  loop: push "n", push "n", getvar, push 1, add2, setvar; push "n", getvar, push 5, less2, if loop
    Script s;
    s.pushStr("n").pushInt(0).code(op::SetVariable);
    std::size_t loop = s.b.size();
    s.pushStr("n").pushStr("n").code(op::GetVariable).pushInt(1).code(op::Add2).code(op::SetVariable);
    s.pushStr("n").code(op::GetVariable).pushInt(5).code(op::Less2);
    std::int16_t back = static_cast<std::int16_t>(static_cast<long>(loop) - static_cast<long>(s.b.size() + 5));
    s.jump(op::If, back);
    s.jump(op::Jump, 6);  // over the next record (6 bytes)
    s.rec(op::GotoFrame, {1, 0}).code(op::Play);
    s.rec(op::GotoFrame, {8, 0});
    auto r = run(s.end());
    EXPECT_EQ(r.end, Avm1RunResult::End::Finished);
    ASSERT_NE(vars.get(1, "N"), nullptr) << "names are case-insensitive";
    EXPECT_EQ(*vars.get(1, "n"), Avm1Value::of(5.0));
    EXPECT_EQ(host.log, (std::vector<std::string>{"goto 1 8"}));
}

TEST_F(Avm1, TimelineCommandsAndTargets) {
    B setMenu = Script::str("menu");
    setMenu.erase(setMenu.begin());  // SetTarget carries a bare string
    B setButton = Script::str("/menu/button");
    setButton.erase(setButton.begin());
    run(Script().code(op::Stop).rec(op::SetTarget, setMenu).code(op::Play).code(op::NextFrame)
            .rec(op::SetTarget, setButton).rec(op::GotoLabel, {'i', 'n', 't', 'r', 'o', 0})
            .rec(op::SetTarget, {0}).code(op::PrevFrame)
            .pushStr("_root.menu").code(op::SetTarget2).rec(op::GotoFrame, {2, 0}).end());
    EXPECT_EQ(host.log, (std::vector<std::string>{"stop 1", "play 2", "next 2", "label 3 intro", "prev 1", "goto 2 2"}));
    host.log.clear();
    B missing = Script::str("nowhere");
    missing.erase(missing.begin());
    run(Script().rec(op::SetTarget, missing).code(op::Play).rec(op::SetTarget, {0}).code(op::Stop).end());
    EXPECT_EQ(host.log, (std::vector<std::string>{"stop 1"})) << "commands to a missing target do nothing";
}

TEST_F(Avm1, GotoFrame2WithNumbersLabelsAndPaths) {
    run(Script().pushInt(3).rec(op::GotoFrame2, {1}).pushStr("intro").rec(op::GotoFrame2, {0})
            .pushStr("menu:4").rec(op::GotoFrame2, {3, 10, 0}).end());
    EXPECT_EQ(host.log, (std::vector<std::string>{"goto 1 2", "play 1", "label 1 intro", "stop 1", "goto 2 13", "play 2"}));
}

TEST_F(Avm1, VariablesLiveOnTheirTimelines) {
    run(Script().pushStr("/menu:score").pushInt(10).code(op::SetVariable).pushStr("score").pushInt(1).code(op::SetVariable)
            .pushStr("_root.menu.score").code(op::GetVariable).pushStr("missing").code(op::GetVariable).end());
    EXPECT_EQ(*vars.get(2, "score"), Avm1Value::of(10.0));
    EXPECT_EQ(*vars.get(1, "score"), Avm1Value::of(1.0));
    EXPECT_EQ(stack[0], Avm1Value::of(10.0));
    EXPECT_EQ(stack[1], Avm1Value::undefined());
    vars.forget(2);
    EXPECT_EQ(vars.get(2, "score"), nullptr);
    EXPECT_NE(vars.get(1, "score"), nullptr);
}

TEST_F(Avm1, FramePropertiesAndIgnoredLinks) {
    host.lines[2].frame = 4;
    run(Script().pushStr("menu").pushInt(4).code(op::GetProperty).pushStr("").pushInt(5).code(op::GetProperty)
            .rec(op::GetUrl, {'u', 0, '_', 'b', 0}).pushStr("v").pushStr("w").rec(op::GetUrl2, {0}).end());
    EXPECT_EQ(stack[0], Avm1Value::of(4.0));
    EXPECT_EQ(stack[1], Avm1Value::of(10.0));
    EXPECT_EQ(host.log, (std::vector<std::string>{"url u", "url v"}));
}

TEST_F(Avm1, EndlessLoopStopsAtTheStepBound) {
    auto r = run(Script().jump(op::Jump, -5).end(), 6, Avm1Limits{1000});
    EXPECT_EQ(r.end, Avm1RunResult::End::StepLimit);
    EXPECT_EQ(r.steps, 1000u);
}

TEST_F(Avm1, StackFloodStopsAtTheStackBound) {
    Avm1Limits limits;
    limits.maxStack = 50;
    auto r = run(Script().pushInt(1).code(op::PushDuplicate).jump(op::Jump, -6).end(), 6, limits);
    EXPECT_EQ(r.end, Avm1RunResult::End::StackLimit);
    EXPECT_EQ(stack.size(), 50u);
}

TEST_F(Avm1, JumpsOutsideTheScriptOrIntoARecordStopIt) {
    for (std::int16_t off : {std::int16_t(100), std::int16_t(-100), std::int16_t(1), std::int16_t(-2)}) {
        host.log.clear();
        auto r = run(Script().jump(op::Jump, off).rec(op::GotoFrame, {1, 0}).code(op::Stop).end());
        EXPECT_EQ(r.end, Avm1RunResult::End::BadJump) << off;
        EXPECT_TRUE(host.log.empty()) << off;
    }
    auto r = run(Script().jump(op::Jump, 6).rec(op::GotoFrame, {1, 0}).code(op::Stop).end());  // to the end byte: a normal end
    EXPECT_EQ(r.end, Avm1RunResult::End::Finished);
    EXPECT_TRUE(host.log.empty());
}

TEST_F(Avm1, RunsTheBytesOfADoActionReadFromAFile) {
    // push 1; if → skip the stop; stop; goto 3; play — as the reader keeps them.
    MovieData movie;
    movie.tags = {ActionBuilder().record(op::Push, {5, 1}).record(op::If, {1, 0}).stop().gotoFrame(3).play().doAction(),
                  ShowFrame{}};
    ReadResult read = swf::read(write(movie));
    ASSERT_TRUE(read.ok());
    const auto& tag = std::get<DoAction>(read.movie->tags.front());
    Avm1Machine m(host, vars);
    auto r = m.run(Avm1Program::parse(tag.actions), 1);
    EXPECT_EQ(r.end, Avm1RunResult::End::Finished);
    EXPECT_EQ(host.log, (std::vector<std::string>{"goto 1 3", "play 1"}));
}

TEST_F(Avm1, TruncatedAndUnknownRecords) {
    // A record whose length passes the end: what came before still runs.
    B bytes = Script().code(op::Stop).end();
    bytes.pop_back();
    bytes.insert(bytes.end(), {op::Push, 0x40, 0x00, 1});
    auto r = run(bytes);
    EXPECT_EQ(r.end, Avm1RunResult::End::Truncated);
    EXPECT_EQ(host.log, (std::vector<std::string>{"stop 1"}));
    // Unknown codes are skipped; a push of an unknown value type pushes what came before it.
    auto u = run(Script().code(0x3A).rec(op::Push, {5, 1, 0xEE, 1}).rec(op::ConstantPool, {9, 0, 'x'}).code(op::Pop).code(op::Pop).end());
    EXPECT_EQ(u.end, Avm1RunResult::End::Finished);
    EXPECT_EQ(u.skipped, 1);
    EXPECT_TRUE(stack.empty());
    auto empty = Avm1Program::parse({});
    EXPECT_TRUE(empty.truncated);
    EXPECT_TRUE(empty.records.empty());
}

}  // namespace
