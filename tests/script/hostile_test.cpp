// Hostile scripts stop with a warning and leave the machine usable; the
// heap frees cycles; random bytes never crash the parser or the machine.
#include <gtest/gtest.h>

#include <optional>
#include <random>

#include "swf/script/machine.h"
#include "tests/script/test_host.h"

namespace swf::script {
namespace {

using namespace test;

// Runs a program, then checks that a plain script still runs afterwards.
RunResult runHostile(TestHost& host, Machine& m, const Asm& a) {
    auto bytes = a.bytes();
    RunResult r = m.runActions(bytes, host.root());
    Asm after;
    after.traceValue("still alive");
    auto more = after.bytes();
    host.traces.clear();
    EXPECT_EQ(m.runActions(more, host.root()).end, RunResult::End::Finished);
    EXPECT_EQ(host.traces, std::vector<std::string>{"still alive"});
    return r;
}

// A machine on a test stage, made by each test with the bounds it needs.
struct Hostile : ::testing::Test {
    TestHost host;
    std::optional<Machine> machine;

    Machine& start(Limits limits = {}, int version = 6) { return machine.emplace(host, version, limits); }
    RunResult run(const Asm& a) { return runHostile(host, *machine, a); }
    // The script was stopped by a bound, with one warning.
    void expectStopped(const RunResult& r) {
        EXPECT_EQ(r.end, RunResult::End::LimitReached);
        EXPECT_EQ(host.warnings.size(), 1u);
    }
};

TEST_F(Hostile, EndlessLoopStops) {
    Limits limits;
    limits.maxSteps = 200'000;
    start(limits);
    Asm a;
    a.label("top").push({"x", 1}).record(op::SetVariable).jump("top");
    expectStopped(run(a));
}

TEST_F(Hostile, EndlessRecursionStopsAtTheCallDepth) {
    Machine& m = start();
    Asm body, a;
    body.push({"depth"}).getVariable("depth").record(op::Increment).record(op::SetVariable);
    body.push({0, "f"}).record(op::CallFunction);
    a.setVariable("depth", 0).defineFunction("f", {}, body);
    Asm handler;
    handler.traceValue("caught?");
    Asm tryBody;
    tryBody.push({0, "f"}).record(op::CallFunction);
    a.tryBlock(tryBody, &handler, nullptr, "e").traceValue("not reached");
    auto bytes = a.bytes();
    RunResult r = m.runActions(bytes, host.root());
    EXPECT_EQ(r.end, RunResult::End::LimitReached);
    EXPECT_TRUE(host.traces.empty());  // a bound is no exception: nothing catches it
    ASSERT_EQ(host.warnings.size(), 1u);
    Asm probe;
    probe.traceVariable("depth");
    auto probeBytes = probe.bytes();
    m.runActions(probeBytes, host.root());
#if defined(__SANITIZE_ADDRESS__)
    // Sanitizer frames are large: the bound on C++ stack may stop the calls first.
    ASSERT_EQ(host.traces.size(), 1u);
    EXPECT_GE(std::stoi(host.traces[0]), 100);
    EXPECT_LE(std::stoi(host.traces[0]), 255);
#else
    EXPECT_EQ(host.traces, std::vector<std::string>{"255"});  // the reference player's 256 levels
#endif
}

TEST_F(Hostile, HugeArrayLengthsAllocateNothing) {
    Machine& m = start();
    Asm a;
    a.push({"a", 0}).record(op::InitArray).record(op::SetVariable);
    a.getVariable("a").push({"length", 1e9}).record(op::SetMember);
    a.getVariable("a").push({999999999.0, 1}).record(op::SetMember);
    a.getVariable("a").getMember("length").trace();
    a.getVariable("a").push({999999999.0}).record(op::GetMember).trace();
    a.getVariable("a").push({"length", 2}).record(op::SetMember);
    a.getVariable("a").push({999999999.0}).record(op::GetMember).trace();
    std::size_t before = m.heap().bytes();
    auto bytes = a.bytes();
    EXPECT_EQ(m.runActions(bytes, host.root()).end, RunResult::End::Finished);
    EXPECT_EQ(host.traces, (std::vector<std::string>{"1000000000", "1", "undefined"}));
    EXPECT_LT(m.heap().bytes() - before, 1u << 20);
}

TEST_F(Hostile, StringDoubledFortyTimesStops) {
    start();
    Asm a;
    a.setVariable("s", "0123456789").setVariable("i", 0).label("top");
    a.push({"s"}).getVariable("s").getVariable("s").record(op::Add2).record(op::SetVariable);
    a.push({"i"}).getVariable("i").record(op::Increment).record(op::SetVariable);
    a.getVariable("i").push({40}).record(op::Less2).jumpIf("top");
    a.traceValue("done");
    expectStopped(run(a));
    ASSERT_FALSE(host.warnings.empty());
    EXPECT_NE(host.warnings[0].find("chaîne"), std::string::npos);
}

TEST_F(Hostile, PrototypeCycleStopsTheScript) {
    start();
    Asm a;
    a.push({"a", 0}).record(op::InitObject).record(op::SetVariable);
    a.push({"b", 0}).record(op::InitObject).record(op::SetVariable);
    a.getVariable("a").push({"__proto__"}).getVariable("b").record(op::SetMember);
    a.getVariable("b").push({"__proto__"}).getVariable("a").record(op::SetMember);
    a.getVariable("a").push({"own", 1}).record(op::SetMember);
    a.getVariable("a").getMember("own").trace();  // found before the cycle matters
    a.getVariable("a").getMember("missing").trace();
    a.traceValue("not reached");
    expectStopped(run(a));
}

TEST_F(Hostile, GetterReadingItselfGetsTheStoredValue) {
    Machine& m = start();
    Asm getter, a;
    getter.getVariable("this").getMember("p").push({1}).record(op::Add2).record(op::Return);
    a.push({"o", 0}).record(op::InitObject).record(op::SetVariable);
    a.push({Null{}}).defineFunction("", {}, getter).push({"p", 3}).callMethod("o", "addProperty").record(op::Pop);
    a.getVariable("o").getMember("p").trace();
    auto bytes = a.bytes();
    EXPECT_EQ(m.runActions(bytes, host.root()).end, RunResult::End::Finished);
    EXPECT_EQ(host.traces, std::vector<std::string>{"1"});
}

TEST_F(Hostile, GetterRecursingThroughAFunctionStops) {
    Machine& m = start();
    // The getter calls a fresh function each time that reads another getter, which calls back.
    Asm g1, g2, a;
    g1.push({0, "h2"}).record(op::CallFunction).record(op::Return);
    g2.push({0, "h1"}).record(op::CallFunction).record(op::Return);
    Asm h1, h2;
    h1.push({"o1"}).record(op::GetVariable).getMember("p").push({1}).record(op::Add2).record(op::Return);
    h2.push({"o2"}).record(op::GetVariable).getMember("p").record(op::Return);
    a.defineFunction("h1", {}, h1).defineFunction("h2", {}, h2);
    a.push({"o1", 0}).record(op::InitObject).record(op::SetVariable);
    a.push({"o2", 0}).record(op::InitObject).record(op::SetVariable);
    a.push({Null{}}).defineFunction("", {}, g1).push({"p", 3}).callMethod("o1", "addProperty").record(op::Pop);
    a.push({Null{}}).defineFunction("", {}, g2).push({"p", 3}).callMethod("o2", "addProperty").record(op::Pop);
    a.getVariable("o1").getMember("p").trace();
    auto bytes = a.bytes();
    RunResult r = m.runActions(bytes, host.root());
    // Each getter is guarded against itself, so the chain ends after one round.
    EXPECT_EQ(r.end, RunResult::End::Finished);
    EXPECT_EQ(host.traces.size(), 1u);
}

TEST_F(Hostile, WatcherRecursingForeverStopsTheScript) {
    start();
    Asm rec, watcher, a;
    rec.push({0, "rec"}).record(op::CallFunction);
    watcher.traceValue("watcher")
        .push({0, "rec"})
        .record(op::CallFunction)
        .traceValue("watcher returning")
        .push({"b"})
        .record(op::Return);
    a.defineFunction("rec", {}, rec);
    a.push({"o", "prop", "a", 1}).record(op::InitObject).record(op::SetVariable);
    a.defineFunction("w", {}, watcher);
    a.getVariable("w").push({"prop", 2}).callMethod("o", "watch").record(op::Pop);
    a.getVariable("o").push({"prop", "c"}).record(op::SetMember);
    a.traceValue("Done");
    EXPECT_EQ(run(a).end, RunResult::End::LimitReached);
}

TEST_F(Hostile, HeapBudgetStopsAnAllocatingLoop) {
    Limits limits;
    limits.maxHeapBytes = 8u << 20;
    limits.maxSteps = 50'000'000;
    Machine& m = start(limits);
    Asm a;
    a.push({"keep", 0}).record(op::InitArray).record(op::SetVariable).label("top");
    a.push({0}).record(op::InitObject).push({1}).callMethod("keep", "push").record(op::Pop);
    a.getVariable("keep")
        .push({"x", 0})
        .record(op::InitObject)
        .record(op::SetMember);  // without Array.push: a growing chain
    a.push({"keep"}).push({"next"}).getVariable("keep").push({2}).record(op::InitObject).record(op::SetVariable);
    a.jump("top");
    EXPECT_EQ(run(a).end, RunResult::End::LimitReached);
    m.collectGarbage();
    EXPECT_LE(m.heap().bytes(), limits.maxHeapBytes + (1u << 20));
}

TEST(Heap, CollectsCyclesAndKeepsWhatIsReachable) {
    TestHost host;
    Machine m(host, 6);
    m.collectGarbage();
    std::size_t baseline = m.heap().cellCount();
    Asm a;
    // 1000 pairs of objects pointing at each other, dropped; one pair kept in a variable.
    a.setVariable("i", 0).label("top");
    a.push({"p", 0}).record(op::InitObject).record(op::SetVariable);
    a.push({"q", 0}).record(op::InitObject).record(op::SetVariable);
    a.getVariable("p").push({"other"}).getVariable("q").record(op::SetMember);
    a.getVariable("q").push({"other"}).getVariable("p").record(op::SetMember);
    a.push({"i"}).getVariable("i").record(op::Increment).record(op::SetVariable);
    a.getVariable("i").push({1000}).record(op::Less2).jumpIf("top");
    auto bytes = a.bytes();
    m.runActions(bytes, host.root());
    EXPECT_GT(m.heap().cellCount(), baseline + 2000);
    m.collectGarbage();
    EXPECT_LT(m.heap().cellCount(), baseline + 100);
    Asm check;
    check.getVariable("p").getMember("other").getMember("other").getVariable("p").record(op::StrictEquals).trace();
    auto checkBytes = check.bytes();
    m.runActions(checkBytes, host.root());
    EXPECT_EQ(host.traces, std::vector<std::string>{"true"});
}

TEST_F(Hostile, RandomBytesNeverCrash) {
    std::mt19937 rng(15);
    Limits limits;
    limits.maxSteps = 20'000;
    Machine& m = start(limits, 7);
    // Random programs made of real action codes with random operands.
    const std::uint8_t codes[] = {0x0A, 0x0B, 0x0C, 0x0D, 0x17, 0x1C, 0x1D, 0x20, 0x21, 0x22, 0x23, 0x26, 0x2A,
                                  0x3A, 0x3B, 0x3C, 0x3D, 0x3E, 0x40, 0x41, 0x42, 0x43, 0x44, 0x46, 0x47, 0x48,
                                  0x49, 0x4C, 0x4D, 0x4E, 0x4F, 0x52, 0x53, 0x54, 0x55, 0x69, 0x2B, 0x2C, 0x35};
    for (int round = 0; round < 3000; ++round) {
        std::vector<std::uint8_t> bytes;
        int n = static_cast<int>(rng() % 60);
        for (int i = 0; i < n; ++i) {
            switch (rng() % 6) {
            case 0: {  // push of a few operands
                std::uint8_t len = static_cast<std::uint8_t>(rng() % 12);
                bytes.insert(bytes.end(), {0x96, len, 0});
                for (int k = 0; k < len; ++k) bytes.push_back(static_cast<std::uint8_t>(rng() % 10));
                break;
            }
            case 1: {  // a branch anywhere
                bytes.insert(bytes.end(), {static_cast<std::uint8_t>(rng() % 2 ? 0x99 : 0x9D), 2, 0,
                                           static_cast<std::uint8_t>(rng()), static_cast<std::uint8_t>(rng())});
                break;
            }
            case 2: {  // a block record with a random size
                std::uint8_t c = std::array<std::uint8_t, 4>{0x9B, 0x8E, 0x8F, 0x94}[rng() % 4];
                std::uint8_t len = static_cast<std::uint8_t>(rng() % 16);
                bytes.insert(bytes.end(), {c, len, 0});
                for (int k = 0; k < len; ++k) bytes.push_back(static_cast<std::uint8_t>(rng() % 8));
                break;
            }
            default: bytes.push_back(codes[rng() % sizeof codes]); break;
            }
        }
        m.runActions(bytes, host.root());
        if (round % 500 == 0) m.collectGarbage();
    }
    SUCCEED();
}

}  // namespace
}  // namespace swf::script
