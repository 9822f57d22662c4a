// The ActionScript 1/2 machine: runs parsed action programs for a movie of
// one file version, with a heap, a realm of built-ins, timers on the movie
// clock and bounds on everything a script can consume.
//
// For the player: runActions() for DoAction/DoInitAction/button actions,
// callFunction() for handlers, clipObject()/clipRemoved() for the stage,
// advanceClock()/runTimers() each frame, collectStep() between frames.
// For natives: the conversions, get/set, call/construct, and the ways to
// throw (ScriptError) or to stop the script (LimitError through limits).
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "swf/script/heap.h"
#include "swf/script/host.h"
#include "swf/script/object.h"
#include "swf/script/program.h"
#include "swf/script/realm.h"
#include "swf/script/stage.h"
#include "swf/script/value.h"

namespace swf::script {

struct Limits {
    std::size_t maxSteps = 2'000'000;        // actions (and native work units) per run
    std::size_t maxCallDepth = 256;          // nested script function calls
    std::size_t maxStack = 100'000;          // values on the operand stack
    std::size_t maxStringBytes = 16u << 20;  // one string
    std::size_t maxHeapBytes = 128u << 20;   // the heap budget
    std::uint32_t maxDenseArray = 1u << 24;  // elements kept in an array's dense part
    std::size_t maxPrototypeDepth = 256;     // links followed along __proto__
    std::size_t maxWithDepth = 16;           // nested With blocks (as the reference player)
    std::size_t maxTimers = 10'000;
    std::size_t maxNativeStack = 6u << 20;  // bytes of C++ stack nested runs may use
    std::size_t collectStepCells = 32768;   // cells traced or freed in one step of the collector
};

// A script exception (Throw, or a native that throws): unwinds to the
// nearest Try; uncaught, it ends the run with a warning.
struct ScriptError {
    Value value;
};

// A bound was passed: the whole run stops (no Try catches it) with a warning.
struct LimitError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct RunResult {
    enum class End { Finished, Thrown, LimitReached, BadProgram };
    End end = End::Finished;
    std::size_t steps = 0;
};

enum class Hint { None, Number, String };

class SuperObject;

class Machine {
public:
    Machine(Host& host, int version, Limits limits = {});
    ~Machine();
    Machine(const Machine&) = delete;
    Machine& operator=(const Machine&) = delete;

    // ---- the player's entry points
    // Runs action bytes with `clip` as the timeline (parsed once: the same
    // bytes anywhere share one parsed program).
    RunResult runActions(std::span<const std::uint8_t> bytes, ClipHandle clip);
    RunResult run(const std::shared_ptr<const Program>& program, ClipHandle clip);
    std::shared_ptr<const Program> compile(std::span<const std::uint8_t> bytes);
    // Calls a function value (an event handler); errors and bounds end it with a warning.
    Value callFunction(Value fn, Value thisValue, std::span<const Value> args);
    // Calls obj[name](args) when it is a function; undefined otherwise.
    Value callMethodIfPresent(Object* obj, std::string_view name, std::span<const Value> args);
    // The object scripts see for a clip (made on first use, kept while the clip lives).
    StageObject* clipObject(ClipHandle clip);
    void clipRemoved(ClipHandle clip);
    // Timers of setInterval/setTimeout run on this clock.
    void advanceClock(double ms);
    void runTimers();
    double clock() const { return clockMs_; }
    // Frees every unreachable object at once, and drops the values frame
    // actions left on the stack.
    void collectGarbage();
    // Between frames: drops the stack's leftovers and takes one short step
    // of the incremental collector when anything was allocated since its
    // last cycle or a cycle is under way (a few milliseconds at most, what
    // the heap's size).
    void collectStep();
    // Objects the host keeps alive (for instance handlers it will call).
    void addRoot(Object* o);
    void removeRoot(Object* o);

    // ---- what natives use
    int version() const { return version_; }
    bool caseSensitive() const { return version_ >= 7; }
    Heap& heap() { return heap_; }
    Realm& realm() { return *realm_; }
    Host& host() { return host_; }
    const Limits& limits() const { return limits_; }

    // Strings (a string past the length bound stops the script).
    const Str* makeStr(std::string_view s);
    const Str* makeStr(std::string&& s);
    Value str(std::string_view s) { return Value::string(makeStr(s)); }
    Value str(std::string&& s) { return Value::string(makeStr(std::move(s))); }
    Value str(const char* s) { return str(std::string_view(s)); }
    // `head` followed by `tail`, appended in place where the head allows it.
    Value concat(const Str* head, std::string_view tail);

    Object* newObject();
    ArrayObject* newArray();
    ArrayObject* newArray(std::span<const Value> elements);
    // An Error object with this message (for natives that throw).
    Object* newError(std::string_view message);

    // Conversions with this movie's version; objects go through valueOf/toString.
    Value toPrimitive(Value v, Hint hint = Hint::None);
    double toNumber(Value v);
    bool toBoolean(Value v) { return primitiveToBoolean(v, version_); }
    std::string toString(Value v);
    const Str* toStr(Value v);
    std::int32_t toInt32(Value v) { return swf::script::toInt32(toNumber(v)); }
    // Wraps a primitive (Boolean, Number, String object); null for undefined/null.
    Object* toObject(Value v);

    // Property access as scripts do it: prototype chain, getters/setters, watchers, clips.
    Value get(Object* o, std::string_view name);
    Value get(Value v, std::string_view name);  // primitives read their prototype's members
    // Like get, but tells whether the property exists at all.
    bool find(Object* o, std::string_view name, Value& out);
    void set(Object* o, std::string_view name, Value v);
    bool has(Object* o, std::string_view name);
    bool remove(Object* o, std::string_view name);
    // The property found along the chain (raw), with the object that holds it.
    const Property* lookup(Object* o, std::string_view name, Object** holder = nullptr);
    // Names for..in lists, in the reference player's order.
    std::vector<std::string> enumerate(Object* o);

    // Calls: `fn` not a function gives undefined.
    Value call(Value fn, Value thisValue, std::span<const Value> args);
    Value callMethod(Value obj, std::string_view name, std::span<const Value> args);
    Value construct(Value ctor, std::span<const Value> args);
    bool instanceOf(Value v, Object* ctor);

    // Timers of setInterval/setTimeout: `fn` is a function, or an object whose
    // `method` is called. Returns the id (0 when there are too many timers).
    int addTimer(Value fn, std::string method, double ms, std::vector<Value> args, bool repeat);
    bool clearTimer(int id);

    // Writes a trace line through the host ("\r" breaks lines as the reference player does).
    void traceLine(std::string_view text);

    [[noreturn]] void throwValue(Value v);
    [[noreturn]] void throwError(std::string_view message);
    // Counts work done by a native (a loop over an array...) against the step bound.
    void chargeSteps(std::size_t n);
    // Stops the current run with a warning.
    [[noreturn]] void stopScript(const std::string& reason);
    void warn(std::string_view message);

    // Value equality as Equals2 (loose) and StrictEquals.
    bool looseEquals(Value a, Value b);
    static bool strictEquals(Value a, Value b);

    struct Frame;  // a running piece of code (machine_internal.h)

private:
    struct Timer {
        int id = 0;
        Value fn;  // a function, or the object whose `method` is called
        std::string method;
        std::vector<Value> args;
        double interval = 0;
        double due = 0;
        bool repeat = true;
    };
    friend class StageObject;
    friend class SuperObject;
    friend struct Interpreter;

    // The interpreter: the loop runs the frequent actions itself and hands
    // the others to their family; each family returns the next record.
    void execute(Frame& f, std::uint32_t begin, std::uint32_t end);
    std::uint32_t execStrings(Frame& f, const Record& r, std::uint32_t pc, std::uint32_t end, std::uint32_t next);
    std::uint32_t execVariables(Frame& f, const Record& r, std::uint32_t pc, std::uint32_t end, std::uint32_t next);
    std::uint32_t execCalls(Frame& f, const Record& r, std::uint32_t pc, std::uint32_t end, std::uint32_t next);
    std::uint32_t execBlocks(Frame& f, const Record& r, std::uint32_t pc, std::uint32_t end, std::uint32_t next);
    std::uint32_t execTimeline(Frame& f, const Record& r, std::uint32_t pc, std::uint32_t end, std::uint32_t next);
    // The operand stack and registers as actions see them (machine_internal.h).
    Value pop(Frame& f);
    void push(Value v);
    void pushBool(bool b);
    Value* reg(Frame& f, std::uint32_t i);
    // Pops a count, then that many values (no more than the frame's stack holds).
    void popArgs(Frame& f, std::vector<Value>& args);
    [[noreturn]] void throwPending();
    Value callSuperConstructor(SuperObject* s, std::span<const Value> args);
    Value invoke(FunctionObject* fn, Value thisValue, std::span<const Value> args, Object* holder);
    void markRoots(Tracer& t);
    void safePoint();
    RunResult guarded(const std::function<void()>& body);
    Value getVariable(Frame& f, std::string_view name);
    Object* argumentsOf(Frame& f);  // made on first use
    void setVariable(Frame& f, std::string_view name, Value v);
    Object* resolvePath(Frame& f, Object* base, std::string_view path);
    Object* clipFor(Frame& f, Value target);
    Value accessorGet(Object* self, const Property& p, std::string_view name);
    std::string clipPath(StageObject* clip, bool dotted);

    Host& host_;
    int version_;
    Limits limits_;
    Heap heap_;
    std::unique_ptr<Realm> realm_;
    std::vector<Value> stack_;
    std::vector<Frame*> frames_;
    std::vector<const Value*> tempRoots_;  // spans of values natives pass back in (call args)
    std::vector<std::size_t> tempRootSizes_;
    std::size_t steps_ = 0;
    const char* stackTop_ = nullptr;  // where the outermost run started
    int nativeDepth_ = 0;
    int runDepth_ = 0;
    Value globalRegs_[4];
    std::unordered_map<ClipHandle, StageObject*> clips_;
    std::vector<Object*> roots_;
    struct CacheEntry {
        std::vector<std::uint8_t> bytes;
        std::shared_ptr<const Program> program;
    };
    std::unordered_multimap<std::uint64_t, CacheEntry> cache_;  // by a hash of the bytes
    std::vector<Timer> timers_;
    int nextTimerId_ = 1;
    double clockMs_ = 0;
    std::vector<std::pair<const Object*, std::string>> busyAccessors_;  // getters/setters running
    bool warnedPrototypeLoop_ = false;
    bool hasPendingThrow_ = false;  // thrown by a getter during a conversion, due when the action ends
    Value pendingThrow_;
};

}  // namespace swf::script
