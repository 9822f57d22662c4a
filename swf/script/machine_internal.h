// Pieces of the machine shared by its source files (not part of the API).
#pragma once

#include <cstdint>

#include "swf/format/codes.h"
#include "swf/script/machine.h"

namespace swf::script {

// One running piece of code: frame actions or a function body.
struct Machine::Frame {
    const Program* prog = nullptr;
    std::uint32_t pc = 0;
    Scope* scope = nullptr;        // innermost; its bottom is the clip the code runs on
    Object* target = nullptr;      // the timeline of timeline actions (SetTarget moves it)
    Object* original = nullptr;    // the clip the code started on
    Object* activation = nullptr;  // locals of a function; null in frame code
    Value thisValue;
    Value* regs = nullptr;
    std::uint32_t regCount = 0;
    std::vector<Value> ownRegs;  // when more than fit inline
    Value inlineRegs[8];
    std::span<const Value> args;  // the call's arguments (owned by the caller for the call's time)
    FunctionObject* caller = nullptr;
    const std::vector<const Str*>* pool = nullptr;
    FunctionObject* callee = nullptr;
    Object* holder = nullptr;  // where the method was found (super starts above it)
    Object* arguments = nullptr;
    std::size_t stackBase = 0;
    bool returned = false;
    Value result;
    int version = 0;
};

// `super` inside a method: members come from above the method's holder,
// calling it runs the holder's __constructor__, always on the same `this`.
class SuperObject final : public Object {
public:
    SuperObject(Object* holder, Value thisValue) : Object(nullptr, Kind::Super), holder(holder), thisValue(thisValue) {}
    Object* holder;
    Value thisValue;
    void trace(Tracer& t) const override {
        Object::trace(t);
        t.mark(holder);
        t.markValue(thisValue);
    }
};

// Pushes a frame on the machine's list for the time of a call.
struct FrameGuard {
    std::vector<Machine::Frame*>& frames;
    std::vector<Value>& stack;
    std::size_t base;
    // `keepStack`: what the code leaves on the stack stays there.
    FrameGuard(std::vector<Machine::Frame*>& fs, std::vector<Value>& st, Machine::Frame* f, bool keepStack = false)
        : frames(fs), stack(st), base(keepStack ? SIZE_MAX : st.size()) {
        frames.push_back(f);
    }
    ~FrameGuard() {
        frames.pop_back();
        if (stack.size() > base) stack.resize(base);
    }
};

inline Value Machine::pop(Frame& f) {
    if (stack_.size() <= f.stackBase) return Value();
    Value v = stack_.back();
    stack_.pop_back();
    return v;
}

inline void Machine::push(Value v) {
    if (stack_.size() >= limits_.maxStack) stopScript("pile des scripts pleine");
    stack_.push_back(v);
}

// Version 4 movies see comparisons as 1 and 0.
inline void Machine::pushBool(bool b) { push(version_ < 5 ? Value::number(b ? 1 : 0) : Value::boolean(b)); }

// A function's own registers, or the four global ones of frame code.
inline Value* Machine::reg(Frame& f, std::uint32_t i) {
    if (i < f.regCount) return &f.regs[i];
    if (i < 4) return &globalRegs_[i];
    return nullptr;
}

}  // namespace swf::script
