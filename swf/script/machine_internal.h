// Pieces of the machine shared by its source files (not part of the API).
#pragma once

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

}  // namespace swf::script
