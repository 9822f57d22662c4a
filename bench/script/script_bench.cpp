// Actions per second of the script machine on typical loops (arithmetic,
// member reads and writes, function calls, string building, array pushes),
// and the collection pauses with 100,000 live objects (a whole cycle at
// once, and the incremental steps between frames). Figures only.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "swf/script/machine.h"
#include "swf/format/action_builder.h"
#include "swf/format/codes.h"

namespace {

using namespace swf::script;
using Asm = swf::ActionBuilder;
using Reg = Asm::Register;
namespace op = swf::action;

struct QuietHost : Host {
    ClipHandle root() override { return 1; }
};

Limits benchLimits() {
    Limits l;
    l.maxSteps = 1'000'000'000;
    return l;
}

// for (i = 0; i < n; i++) { body }, with i in a variable.
Asm loop(int n, const std::function<void(Asm&)>& body) {
    Asm a;
    a.setVariable("i", 0).label("top");
    body(a);
    a.push({"i"}).getVariable("i").record(op::Increment).record(op::SetVariable);
    a.getVariable("i").push({n}).record(op::Less2).jumpIf("top");
    return a;
}

void runProgram(benchmark::State& state, const Asm& program) {
    QuietHost host;
    Machine m(host, 7, benchLimits());
    auto bytes = program.bytes();
    std::size_t steps = 0;
    for (auto _ : state) {
        RunResult r = m.runActions(bytes, 1);
        steps += r.steps;
        m.collectGarbage();
    }
    state.counters["actions/s"] = benchmark::Counter(static_cast<double>(steps), benchmark::Counter::kIsRate);
}

void Arithmetic(benchmark::State& state) {
    runProgram(state, loop(100000, [](Asm& a) {
                   a.push({"x"})
                       .getVariable("x")
                       .getVariable("i")
                       .push({2})
                       .record(op::Multiply)
                       .record(op::Add2)
                       .push({1})
                       .record(op::Subtract)
                       .record(op::SetVariable);
               }));
}

// The same loop in a DefineFunction2 body with registers, as compilers emit local variables.
void ArithmeticInRegisters(benchmark::State& state) {
    Asm body;
    body.push({0}).storeRegister(1).record(op::Pop).push({0}).storeRegister(2).record(op::Pop).label("top");
    body.push({Reg{2}, Reg{1}, 2})
        .record(op::Multiply)
        .record(op::Add2)
        .push({1})
        .record(op::Subtract)
        .storeRegister(2)
        .record(op::Pop);
    body.push({Reg{1}}).record(op::Increment).storeRegister(1).record(op::Pop);
    body.push({Reg{1}, 100000}).record(op::Less2).jumpIf("top");
    body.push({Reg{2}}).record(op::Return);
    Asm a;
    a.defineFunction2("f", 3, 0, {}, body).push({0, "f"}).record(op::CallFunction).record(op::Pop);
    runProgram(state, a);
}

void MemberReadWrite(benchmark::State& state) {
    Asm a = loop(100000, [](Asm& a) {
        a.getVariable("o").push({"x"}).getVariable("o").getMember("x").push({1}).record(op::Add2).record(op::SetMember);
    });
    Asm init;
    init.push({"o", "x", 0, "y", 1, 2}).record(op::InitObject).record(op::SetVariable);
    Asm full = init;
    runProgram(state, [&] {
        Asm p;
        p.push({"o", "x", 0, "y", 1, 2}).record(op::InitObject).record(op::SetVariable);
        p.setVariable("i", 0).label("top");
        p.getVariable("o").push({"x"}).getVariable("o").getMember("x").push({1}).record(op::Add2).record(op::SetMember);
        p.push({"i"}).getVariable("i").record(op::Increment).record(op::SetVariable);
        p.getVariable("i").push({100000}).record(op::Less2).jumpIf("top");
        return p;
    }());
}

void FunctionCalls(benchmark::State& state) {
    Asm body;
    body.push({Reg{1}}).record(op::Increment).record(op::Return);
    Asm p;
    p.defineFunction2("f", 2, 0, {{1, "n"}}, body);
    p.setVariable("i", 0).label("top");
    p.push({"i"}).getVariable("i").push({1, "f"}).record(op::CallFunction).record(op::SetVariable);
    p.getVariable("i").push({100000}).record(op::Less2).jumpIf("top");
    runProgram(state, p);
}

void StringBuilding(benchmark::State& state) {
    runProgram(state, [] {
        Asm q;
        q.setVariable("s", "").setVariable("i", 0).label("top");
        q.push({"s"}).getVariable("s").push({"ab"}).record(op::Add2).record(op::SetVariable);
        q.push({"i"}).getVariable("i").record(op::Increment).record(op::SetVariable);
        q.getVariable("i").push({5000}).record(op::Less2).jumpIf("top");
        return q;
    }());
}

void ArrayPushes(benchmark::State& state) {
    Asm q;
    q.push({"a", 0}).record(op::InitArray).record(op::SetVariable).setVariable("i", 0).label("top");
    q.getVariable("i").push({1}).callMethod("a", "push").record(op::Pop);
    q.push({"i"}).getVariable("i").record(op::Increment).record(op::SetVariable);
    q.getVariable("i").push({100000}).record(op::Less2).jumpIf("top");
    runProgram(state, q);
}

// keep = [100,000 objects, each with two properties].
Asm hundredThousandObjects() {
    Asm q;
    q.push({"keep", 0}).record(op::InitArray).record(op::SetVariable).setVariable("i", 0).label("top");
    q.getVariable("keep")
        .getVariable("i")
        .push({"a"})
        .getVariable("i")
        .push({"b", "text", 2})
        .record(op::InitObject)
        .record(op::SetMember);
    q.push({"i"}).getVariable("i").record(op::Increment).record(op::SetVariable);
    q.getVariable("i").push({100000}).record(op::Less2).jumpIf("top");
    return q;
}

// The pause of one whole collection of 100,000 live objects, as a test or
// a heap over budget asks for it.
void FullCollection(benchmark::State& state) {
    QuietHost host;
    Machine m(host, 7, benchLimits());
    auto bytes = hundredThousandObjects().bytes();
    m.runActions(bytes, 1);
    double longest = 0, longestCpu = 0;
    for (auto _ : state) {
        m.collectGarbage();
        longest = std::max(longest, m.heap().stats().lastPauseMs);
        longestCpu = std::max(longestCpu, m.heap().stats().lastPauseCpuMs);
    }
    state.counters["cells"] = static_cast<double>(m.heap().cellCount());
    state.counters["longest_pause_ms"] = longest;         // wall clock, includes time other processes took
    state.counters["longest_pause_cpu_ms"] = longestCpu;  // this thread's CPU time
}

// The pauses a movie sees: 100,000 live objects, and frames whose script
// replaces 1,000 of them (garbage, and writes while a cycle marks), each
// followed by the collector's step between frames. Runs until 5 cycles
// have ended; the longest step is the longest pause.
void CollectionPause(benchmark::State& state) {
    QuietHost host;
    Machine m(host, 7, benchLimits());
    m.runActions(hundredThousandObjects().bytes(), 1);
    Asm start;
    start.setVariable("base", 0);
    m.runActions(start.bytes(), 1);
    Asm frame;
    frame.setVariable("j", 0).label("top");
    frame.getVariable("keep")
        .getVariable("base")
        .getVariable("j")
        .record(op::Add2)
        .push({100000})
        .record(op::Modulo)
        .push({"a"})
        .getVariable("j")
        .push({"b", "text", 2})
        .record(op::InitObject)
        .record(op::SetMember);
    frame.push({"j"}).getVariable("j").record(op::Increment).record(op::SetVariable);
    frame.getVariable("j").push({1000}).record(op::Less2).jumpIf("top");
    frame.push({"base"}).getVariable("base").push({1000}).record(op::Add2).record(op::SetVariable);
    auto frameBytes = frame.bytes();
    double longest = 0, longestCpu = 0;
    std::size_t steps = 0;
    for (auto _ : state) {
        m.collectGarbage();
        std::size_t cycles = m.heap().stats().collections;
        while (m.heap().stats().collections < cycles + 5) {
            m.runActions(frameBytes, 1);
            std::size_t before = m.heap().stats().steps;
            m.collectStep();
            if (m.heap().stats().steps == before) continue;
            ++steps;
            longest = std::max(longest, m.heap().stats().lastPauseMs);
            longestCpu = std::max(longestCpu, m.heap().stats().lastPauseCpuMs);
        }
    }
    state.counters["cells"] = static_cast<double>(m.heap().cellCount());
    state.counters["steps_per_cycle"] = static_cast<double>(steps) / (5.0 * static_cast<double>(state.iterations()));
    state.counters["longest_pause_ms"] = longest;
    state.counters["longest_pause_cpu_ms"] = longestCpu;
}

BENCHMARK(Arithmetic)->Unit(benchmark::kMillisecond);
BENCHMARK(ArithmeticInRegisters)->Unit(benchmark::kMillisecond);
BENCHMARK(MemberReadWrite)->Unit(benchmark::kMillisecond);
BENCHMARK(FunctionCalls)->Unit(benchmark::kMillisecond);
BENCHMARK(StringBuilding)->Unit(benchmark::kMillisecond);
BENCHMARK(ArrayPushes)->Unit(benchmark::kMillisecond);
BENCHMARK(FullCollection)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(CollectionPause)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
