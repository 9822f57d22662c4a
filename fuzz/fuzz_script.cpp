// Feeds arbitrary bytes to the action machine as a frame script, then calls
// every function the script left reachable (its own functions on the global
// object and the root clip, and every method of the built-in classes) with
// arguments drawn from the input, runs the timers it set and collects.
//
// Input layout: byte 0 picks the file version (5 to 8), byte 1 seeds the
// choice of arguments; the rest is the action bytes.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "swf/script/machine.h"

namespace {

using namespace swf::script;

// One root clip, no children; everything else keeps the interface's defaults.
class FuzzHost final : public Host {
public:
    ClipHandle root() override { return 1; }
    bool alive(ClipHandle clip) override { return clip == 1; }
    double timeMs() override { return now; }
    double now = 0;
};

// A small deterministic generator, so that a crash reproduces from its input.
struct Dice {
    std::uint32_t state;
    std::uint32_t next() {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
};

// Functions reachable from `holder`'s own properties, hidden ones included,
// and from the prototypes of the constructors among them.
void gatherFunctions(Object* holder, std::vector<Value>& out, int depth) {
    if (!holder || depth > 2 || out.size() > 2000) return;
    for (const Property& p : holder->properties()) {
        if (p.dead || p.accessor() || !p.value.isObject()) continue;
        Object* o = p.value.o;
        if (o->isFunction()) {
            out.push_back(p.value);
            if (const Property* proto = o->findOwn("prototype", true); proto && proto->value.isObject())
                gatherFunctions(proto->value.o, out, depth + 1);
        } else if (depth == 0) {
            gatherFunctions(o, out, depth + 1);  // Math, _global's objects
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    FuzzHost host;
    Limits limits;
    limits.maxSteps = 50'000;  // keeps each run quick; the bounds are what is tested
    limits.maxHeapBytes = 16u << 20;
    limits.maxStringBytes = 1u << 20;
    limits.maxDenseArray = 1u << 16;
    limits.collectStepCells = 8;  // cycles spread over many calls, so the calls run between steps
    Machine m(host, 5 + data[0] % 4, limits);
    m.heap().setVerify(true);  // aborts on a live cell the incremental marking missed
    Dice dice{data[1] * 2654435761u + static_cast<std::uint32_t>(size)};
    std::span<const std::uint8_t> actions(data + 2, size - 2);

    m.runActions(actions, 1);
    m.runActions(actions, 1);  // the second run reuses the parsed program

    std::vector<Value> functions;
    gatherFunctions(m.realm().global, functions, 0);
    gatherFunctions(m.clipObject(1), functions, 0);
    ArrayObject* kept = m.newArray(functions);  // the calls may delete what they came from
    m.addRoot(kept);

    ArrayObject* sample = m.newArray();
    Object* plain = m.newObject();
    m.addRoot(sample);
    m.addRoot(plain);
    const Value pool[] = {Value(),
                          Value::null(),
                          Value::boolean(true),
                          Value::number(0),
                          Value::number(-1),
                          Value::number(3.5),
                          Value::number(1e300),
                          Value::number(0.0 / 0.0),
                          m.str(""),
                          m.str("a,b,c"),
                          m.str("<a x=\"1\">t&amp;<b/></a>"),
                          Value::object(plain),
                          Value::object(sample)};
    constexpr std::size_t poolSize = sizeof(pool) / sizeof(pool[0]);
    ArrayObject* poolRoot = m.newArray(pool);  // never handed to scripts, so it keeps the pool alive
    m.addRoot(poolRoot);

    std::size_t calls = 0;
    for (std::uint32_t i = 0; i < kept->length() && calls < 600; ++i) {
        Value fn = kept->get(m, i);
        for (int round = 0; round < 2; ++round, ++calls) {
            std::vector<Value> args(dice.next() % 4);
            for (Value& a : args) a = pool[dice.next() % poolSize];
            Value self = dice.next() % 3 == 0 ? pool[dice.next() % poolSize] : Value::object(plain);
            m.callFunction(fn, self, args);
            m.collectStep();
        }
    }

    for (int tick = 0; tick < 3; ++tick) {
        host.now += 100;
        m.advanceClock(100);
        m.runTimers();
        m.collectGarbage();
    }
    m.removeRoot(kept);
    m.removeRoot(sample);
    m.removeRoot(plain);
    m.removeRoot(poolRoot);
    m.collectGarbage();
    return 0;
}
