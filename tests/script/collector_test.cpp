// The incremental collector: a cycle spread over many short steps, with
// the script changing the object graph between them. Every test runs with
// the heap's verifier on, which aborts on a live cell the marking missed,
// and the moved objects are read afterwards (a freed one is a fault under
// the sanitizers).
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "swf/script/machine.h"
#include "tests/script/test_host.h"

namespace swf::script {
namespace {

using namespace test;

// A cell type the heap knows nothing about: it changes its reference
// without calling written().
struct Box final : Cell {
    Object* held = nullptr;
    void trace(Tracer& t) const override { t.mark(held); }
};

// A type that claims a complete barrier but skips it: what the verifier is for.
struct LyingBox final : Cell {
    Object* held = nullptr;
    void trace(Tracer& t) const override { t.mark(held); }
};

}  // namespace

template <>
struct CompleteBarrier<LyingBox> : std::true_type {};

namespace {

// A heap with a chain of N nodes (node k: {child: {v: k}, next: node k+1})
// and N empty holders in an array. The collector marks breadth first, so
// it reaches the holders long before the end of the chain: moving a child
// from the chain's end into a holder moves it from an object not yet traced
// into one already traced, which only the write barrier sees.
struct Collector : ::testing::Test {
    TestHost host;
    Limits limits = [] {
        Limits l;
        l.collectStepCells = 16;
        return l;
    }();
    Machine m{host, 7, limits};
    std::vector<Object*> nodes;
    ArrayObject* holders = nullptr;
    static constexpr std::uint32_t kCount = 600;

    void SetUp() override {
        m.heap().setVerify(true);
        holders = m.newArray();
        m.addRoot(holders);
        nodes.resize(kCount);
        Object* next = nullptr;
        for (std::uint32_t k = kCount; k-- > 0;) {
            Object* child = m.newObject();
            child->define(m.heap(), "v", Value::number(k));
            nodes[k] = m.newObject();
            nodes[k]->define(m.heap(), "child", Value::object(child));
            if (next) nodes[k]->define(m.heap(), "next", Value::object(next));
            next = nodes[k];
        }
        m.addRoot(nodes[0]);
        for (std::uint32_t k = 0; k < kCount; ++k) holders->set(m, k, Value::object(m.newObject()));
        m.collectGarbage();
    }

    Object* holder(std::uint32_t k) { return holders->get(m, k).o; }
    // Takes node k's child away from it.
    Object* takeChild(std::uint32_t k) {
        Object* child = m.get(nodes[k], "child").o;
        nodes[k]->remove("child", true);
        return child;
    }
    static double valueOf(const Object* child) { return child->findOwn("v", true)->value.n; }

    // Runs two cycles of small steps; after step s, `move(s)` (s < N).
    // Some garbage is made before each step, so that there is always
    // something to collect. Returns the number of steps taken.
    std::size_t cycleWhileMoving(const std::function<void(std::uint32_t)>& move) {
        std::size_t cycles = m.heap().stats().collections;
        std::size_t steps = 0;
        while (m.heap().stats().collections < cycles + 2) {
            m.newObject();
            m.collectStep();
            if (steps < kCount) move(static_cast<std::uint32_t>(steps));
            ++steps;
        }
        for (std::size_t s = steps; s < kCount; ++s) move(static_cast<std::uint32_t>(s));
        return steps;
    }
};

TEST_F(Collector, ReferencesMovedIntoTracedObjectsSurvive) {
    // Holder s gets the child of node N-1-s, by every kind of write the machine has.
    std::size_t steps = cycleWhileMoving([&](std::uint32_t s) {
        Object* child = takeChild(kCount - 1 - s);
        Object* h = holder(s);
        switch (s % 6) {
        case 0: h->define(m.heap(), "got", Value::object(child)); break;
        case 1: m.set(h, "got", Value::object(child)); break;
        case 2: holders->set(m, s, Value::object(child)); break;
        case 3: h->setProto(child); break;
        case 4: h->defineAccessor(m.heap(), "got", child, child); break;
        case 5: h->watchers().push_back(Watcher{"got", child, Value()}); break;
        }
    });
    EXPECT_GT(steps, 50u);  // the cycles really were spread over many steps
    m.collectGarbage();
    for (std::uint32_t s = 0; s < kCount; ++s) {
        const Object* h = holder(s);
        const Object* child = nullptr;
        switch (s % 6) {
        case 0:
        case 1: child = h->findOwn("got", true)->value.o; break;
        case 2: child = h; break;
        case 3: child = h->proto(); break;
        case 4: child = h->findOwn("got", true)->getter; break;
        case 5: child = h->watchers().at(0).callback; break;
        }
        ASSERT_NE(child, nullptr) << s;
        EXPECT_EQ(valueOf(child), kCount - 1 - s);
    }
}

TEST_F(Collector, CellTypesWithoutABarrierAreTracedAgainAtTheEnd) {
    std::vector<Box*> boxes;
    for (std::uint32_t s = 0; s < kCount; ++s) {
        boxes.push_back(m.heap().make<Box>());
        holder(s)->setNativeData(boxes.back());
    }
    cycleWhileMoving([&](std::uint32_t s) { boxes[s]->held = takeChild(kCount - 1 - s); });
    m.collectGarbage();
    for (std::uint32_t s = 0; s < kCount; ++s) EXPECT_EQ(valueOf(boxes[s]->held), kCount - 1 - s);
}

TEST_F(Collector, GarbageIsFreedAndAFullCollectionFinishesACycle) {
    std::size_t live = m.heap().cellCount();
    // Garbage made while cycles run is gone once a cycle started after it has ended.
    cycleWhileMoving([&](std::uint32_t) {
        for (int k = 0; k < 5; ++k) m.newObject();
    });
    while (m.heap().cycleUnderWay()) m.collectStep();
    m.newObject();
    for (std::size_t c = m.heap().stats().collections; m.heap().stats().collections == c;) m.collectStep();
    EXPECT_EQ(m.heap().cellCount(), live);
    // A whole collection asked for mid-cycle ends it and frees everything.
    m.newObject();
    m.collectStep();
    ASSERT_TRUE(m.heap().cycleUnderWay());
    for (int k = 0; k < 100; ++k) m.newObject();
    m.collectGarbage();
    EXPECT_FALSE(m.heap().cycleUnderWay());
    EXPECT_EQ(m.heap().cellCount(), live);
    EXPECT_EQ(m.heap().stats().cells, live);
}

TEST_F(Collector, ScriptsRunningBetweenStepsKeepTheirObjects) {
    // A script that builds a linked list across frames while cycles run:
    // every node made in one frame is linked from the previous one.
    Asm frame;
    frame.push({"node"}).push({"prev"}).getVariable("node").push({"n"}).getVariable("count").push({2});
    frame.record(op::InitObject).record(op::SetVariable);
    frame.push({"count"}).getVariable("count").record(op::Increment).record(op::SetVariable);
    Asm start;
    start.setVariable("count", 0).push({"node", 0}).record(op::InitObject).record(op::SetVariable);
    m.runActions(start.bytes(), host.root());
    auto bytes = frame.bytes();
    for (int f = 0; f < 400; ++f) {
        m.runActions(bytes, host.root());
        m.collectStep();
    }
    m.collectGarbage();
    // Walk back: n counts down from 399 to 0.
    const Object* at = m.get(m.clipObject(host.root()), "node").o;
    for (int k = 399; k >= 0; --k) {
        ASSERT_NE(at, nullptr);
        EXPECT_EQ(at->findOwn("n", true)->value.n, k);
        at = at->findOwn("prev", true)->value.o;
    }
}

using CollectorDeathTest = Collector;

TEST_F(CollectorDeathTest, TheVerifierCatchesAMissingBarrier) {
    EXPECT_DEATH(
        {
            std::vector<LyingBox*> boxes;
            for (std::uint32_t s = 0; s < kCount; ++s) {
                boxes.push_back(m.heap().make<LyingBox>());
                holder(s)->setNativeData(boxes.back());
            }
            cycleWhileMoving([&](std::uint32_t s) { boxes[s]->held = takeChild(kCount - 1 - s); });
        },
        "missing write barrier");
}

}  // namespace
}  // namespace swf::script
