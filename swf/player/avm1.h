// A small action machine for the first generation of movie scripts: the
// stack operations, arithmetic, comparisons, branches, variables and the
// timeline commands (play, stop, go to a frame or label, aim at a named
// sprite). Work per run and stack depth are bounded; a branch outside the
// script ends it.
#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "swf/format/codes.h"
#include "swf/format/types.h"

namespace swf {

// A script value.
struct Avm1Value {
    enum class Kind { Undefined, Null, Boolean, Number, String };
    Kind kind = Kind::Undefined;
    bool boolean = false;
    double number = 0;
    std::string string;

    static Avm1Value undefined() { return {}; }
    static Avm1Value null() { Avm1Value v; v.kind = Kind::Null; return v; }
    static Avm1Value of(bool b) { Avm1Value v; v.kind = Kind::Boolean; v.boolean = b; return v; }
    static Avm1Value of(double n) { Avm1Value v; v.kind = Kind::Number; v.number = n; return v; }
    static Avm1Value of(std::string s) { Avm1Value v; v.kind = Kind::String; v.string = std::move(s); return v; }

    double toNumber(int version) const;
    std::string toString(int version) const;
    bool toBoolean(int version) const;
    bool operator==(const Avm1Value&) const = default;
};

// One action record with its place in the script.
struct Avm1Record {
    std::uint8_t code = 0;
    std::size_t offset = 0;  // of the code byte
    std::size_t size = 1;    // code, length and payload
    Bytes payload;
};

// Action bytes cut into records. A record whose length passes the end, or a
// missing end byte, ends the program there (what came before still runs).
struct Avm1Program {
    std::vector<Avm1Record> records;
    std::size_t byteSize = 0;  // offset just after the last record
    bool truncated = false;
    static Avm1Program parse(std::span<const std::uint8_t> actions, std::size_t maxRecords = 100000);
};

// Timeline targets are the host's handles; 0 is "no such target".
using Avm1Target = std::uintptr_t;

// What a script may ask of the movie. Frames are 0-based as in the file.
class Avm1Host {
public:
    virtual ~Avm1Host() = default;
    // The timeline a path names, from `base`: "" is base itself; "/" or
    // "_root" the movie; "name", "a/b", "/a/b", "_root.a.b", "../x" and
    // "_parent" walk the named sprite instances. 0 when nothing matches.
    virtual Avm1Target resolveTarget(Avm1Target base, std::string_view path) = 0;
    virtual void play(Avm1Target target) = 0;
    virtual void stop(Avm1Target target) = 0;
    virtual void gotoFrame(Avm1Target target, int frame) = 0;  // 0-based
    virtual bool gotoLabel(Avm1Target target, std::string_view label) = 0;
    virtual void nextFrame(Avm1Target target) = 0;
    virtual void prevFrame(Avm1Target target) = 0;
    virtual int currentFrame(Avm1Target target) = 0;  // 1-based
    virtual int frameCount(Avm1Target target) = 0;
    // Links and script calls to the browser are not followed.
    virtual void getUrl(std::string_view url, std::string_view window) {}
    virtual void stopSounds() {}
    virtual void trace(std::string_view message) {}
};

struct Avm1Limits {
    std::size_t maxSteps = 100000;  // records executed per run
    std::size_t maxStack = 10000;   // values on the stack
    std::size_t maxVariables = 10000;
    std::size_t maxStringBytes = 1u << 20;  // results of string operations
};

// Variables of every timeline, by target and case-insensitive name, as the
// scripts of one movie share them.
class Avm1Variables {
public:
    const Avm1Value* get(Avm1Target target, std::string_view name) const;
    bool set(Avm1Target target, std::string_view name, Avm1Value value, std::size_t maxVariables);
    void forget(Avm1Target target);  // a sprite instance went away
    std::size_t size() const { return values_.size(); }

private:
    std::map<std::pair<Avm1Target, std::string>, Avm1Value> values_;
};

struct Avm1RunResult {
    enum class End { Finished, StepLimit, StackLimit, BadJump, Truncated };
    End end = End::Finished;
    std::size_t steps = 0;
    int skipped = 0;  // records of actions the machine does not run
};

class Avm1Machine {
public:
    Avm1Machine(Avm1Host& host, Avm1Variables& variables, int version = 6, Avm1Limits limits = {});

    // Runs a script with `target` as its timeline (SetTarget moves away from
    // it for the rest of the run). The stack starts empty for every run.
    Avm1RunResult run(const Avm1Program& program, Avm1Target target);

    const std::vector<Avm1Value>& stack() const { return stack_; }  // as left by the last run

private:
    Avm1Value pop();
    bool push(Avm1Value v);
    Avm1Target targetOf(Avm1Target original, std::string_view path);
    // "path:name", "path.name" or "name" → the target and the variable name.
    std::pair<Avm1Target, std::string> splitVariable(Avm1Target current, std::string_view full);
    void gotoValue(Avm1Target target, const Avm1Value& frame, int bias, bool play);

    Avm1Host& host_;
    Avm1Variables& vars_;
    int version_;
    Avm1Limits limits_;
    std::vector<Avm1Value> stack_;
    std::vector<std::string> constants_;
    Avm1Value registers_[4];
    bool stackOverflow_ = false;
};

}  // namespace swf
