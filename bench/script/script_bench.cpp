// Actions per second of the script machine on typical loops (arithmetic,
// member reads and writes, function calls, string building, array pushes),
// and the longest collection pause with 100,000 live objects. Figures only.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "swf/script/machine.h"
#include "tests/script/action_builder.h"

namespace {

using namespace swf::script;
using namespace swf::script::test;

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
    a.set("i", 0).label("top");
    body(a);
    a.push({"i"}).get("i").code(op::Increment).code(op::SetVariable);
    a.get("i").push({n}).code(op::Less2).ifTrue("top");
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
                       .get("x")
                       .get("i")
                       .push({2})
                       .code(op::Multiply)
                       .code(op::Add2)
                       .push({1})
                       .code(op::Subtract)
                       .code(op::SetVariable);
               }));
}

// The same loop in a DefineFunction2 body with registers, as compilers emit local variables.
void ArithmeticInRegisters(benchmark::State& state) {
    Asm body;
    body.push({0}).storeRegister(1).code(op::Pop).push({0}).storeRegister(2).code(op::Pop).label("top");
    body.push({Reg{2}, Reg{1}, 2})
        .code(op::Multiply)
        .code(op::Add2)
        .push({1})
        .code(op::Subtract)
        .storeRegister(2)
        .code(op::Pop);
    body.push({Reg{1}}).code(op::Increment).storeRegister(1).code(op::Pop);
    body.push({Reg{1}, 100000}).code(op::Less2).ifTrue("top");
    body.push({Reg{2}}).code(op::Return);
    Asm a;
    a.function2("f", 3, 0, {}, body).push({0, "f"}).code(op::CallFunction).code(op::Pop);
    runProgram(state, a);
}

void MemberReadWrite(benchmark::State& state) {
    Asm a = loop(100000, [](Asm& a) {
        a.get("o").push({"x"}).get("o").member("x").push({1}).code(op::Add2).code(op::SetMember);
    });
    Asm init;
    init.push({"o", "x", 0, "y", 1, 2}).code(op::InitObject).code(op::SetVariable);
    Asm full = init;
    runProgram(state, [&] {
        Asm p;
        p.push({"o", "x", 0, "y", 1, 2}).code(op::InitObject).code(op::SetVariable);
        p.set("i", 0).label("top");
        p.get("o").push({"x"}).get("o").member("x").push({1}).code(op::Add2).code(op::SetMember);
        p.push({"i"}).get("i").code(op::Increment).code(op::SetVariable);
        p.get("i").push({100000}).code(op::Less2).ifTrue("top");
        return p;
    }());
}

void FunctionCalls(benchmark::State& state) {
    Asm body;
    body.push({Reg{1}}).code(op::Increment).code(op::Return);
    Asm p;
    p.function2("f", 2, 0, {{1, "n"}}, body);
    p.set("i", 0).label("top");
    p.push({"i"}).get("i").push({1, "f"}).code(op::CallFunction).code(op::SetVariable);
    p.get("i").push({100000}).code(op::Less2).ifTrue("top");
    runProgram(state, p);
}

void StringBuilding(benchmark::State& state) {
    Asm p;
    p.set("s", "");
    Asm body = loop(20000, [](Asm& a) { a.push({"s"}).get("s").push({"ab"}).code(op::Add2).code(op::SetVariable); });
    p.set("s", "");
    runProgram(state, [] {
        Asm q;
        q.set("s", "").set("i", 0).label("top");
        q.push({"s"}).get("s").push({"ab"}).code(op::Add2).code(op::SetVariable);
        q.push({"i"}).get("i").code(op::Increment).code(op::SetVariable);
        q.get("i").push({5000}).code(op::Less2).ifTrue("top");
        return q;
    }());
}

void ArrayPushes(benchmark::State& state) {
    Asm q;
    q.push({"a", 0}).code(op::InitArray).code(op::SetVariable).set("i", 0).label("top");
    q.get("i").push({1}).get("a").push({"push"}).code(op::CallMethod).code(op::Pop);
    q.push({"i"}).get("i").code(op::Increment).code(op::SetVariable);
    q.get("i").push({100000}).code(op::Less2).ifTrue("top");
    runProgram(state, q);
}

// 100,000 live objects (each with two properties, held by one array) and
// the pause of a full collection.
void CollectionPause(benchmark::State& state) {
    QuietHost host;
    Machine m(host, 7, benchLimits());
    Asm q;
    q.push({"keep", 0}).code(op::InitArray).code(op::SetVariable).set("i", 0).label("top");
    q.get("keep").get("i").push({"a"}).get("i").push({"b", "text", 2}).code(op::InitObject).code(op::SetMember);
    q.push({"i"}).get("i").code(op::Increment).code(op::SetVariable);
    q.get("i").push({100000}).code(op::Less2).ifTrue("top");
    auto bytes = q.bytes();
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

BENCHMARK(Arithmetic)->Unit(benchmark::kMillisecond);
BENCHMARK(ArithmeticInRegisters)->Unit(benchmark::kMillisecond);
BENCHMARK(MemberReadWrite)->Unit(benchmark::kMillisecond);
BENCHMARK(FunctionCalls)->Unit(benchmark::kMillisecond);
BENCHMARK(StringBuilding)->Unit(benchmark::kMillisecond);
BENCHMARK(ArrayPushes)->Unit(benchmark::kMillisecond);
BENCHMARK(CollectionPause)->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace

BENCHMARK_MAIN();
