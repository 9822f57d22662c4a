// The block actions: Throw, Try (catch into a variable or a register,
// finally that runs on every way out) and With.
#include "swf/script/machine_internal.h"

namespace swf::script {

std::uint32_t Machine::execBlocks(Frame& f, const Record& r, std::uint32_t pc, std::uint32_t end, std::uint32_t next) {
    const Program& P = *f.prog;
    switch (r.code) {
    case action::Throw: throwValue(pop(f));
    case action::Try: {
        const TryCode& t = P.tries[r.extra];
        Scope* scope = f.scope;
        Object* target = f.target;
        std::size_t depth = stack_.size();
        bool pending = false;
        Value thrown;
        auto runBlock = [&](std::uint32_t from, std::uint32_t to) -> std::uint32_t {
            if (from >= to) return to;
            f.pc = to;
            execute(f, from, to);
            return f.pc;
        };
        std::uint32_t after = t.end;
        std::uint32_t exitPc;
        // Leaving a block for a place inside the rest of the statement (the
        // catch or finally block, or its end) is leaving it normally.
        auto inStatement = [&](std::uint32_t at) { return at >= t.catchBegin && at <= t.end; };
        try {
            exitPc = runBlock(t.tryBegin, t.catchBegin);
            if (!inStatement(exitPc)) after = exitPc;
        } catch (ScriptError& e) {
            f.scope = scope;
            f.target = target;
            if (stack_.size() > depth) stack_.resize(depth);
            if (t.hasCatch) {
                if (t.catchInRegister) {
                    if (Value* rv = reg(f, t.catchRegister)) *rv = e.value;
                } else {
                    Object* into = f.activation ? f.activation : f.target;
                    bool done = false;
                    for (Scope* s = f.scope; s && !done; s = s->parent)
                        if (s->isWith)
                            continue;
                        else {
                            into = s->object;
                            done = true;
                        }
                    set(into, t.catchName->view(), e.value);
                }
                try {
                    exitPc = runBlock(t.catchBegin, t.finallyBegin);
                    if (!inStatement(exitPc)) after = exitPc;
                } catch (ScriptError& e2) {
                    if (!t.hasFinally) throw;
                    pending = true;
                    thrown = e2.value;
                    f.scope = scope;
                    f.target = target;
                }
            } else {
                pending = true;
                thrown = e.value;
            }
        }
        if (t.hasFinally) {
            bool returned = f.returned;
            Value result = f.result;
            f.returned = false;
            Value roots[2] = {thrown, result};
            tempRoots_.push_back(roots);
            tempRootSizes_.push_back(2);
            try {
                exitPc = runBlock(t.finallyBegin, t.end);
            } catch (...) {
                tempRoots_.pop_back();
                tempRootSizes_.pop_back();
                throw;
            }
            tempRoots_.pop_back();
            tempRootSizes_.pop_back();
            if (f.returned) {
                pending = false;  // a return in finally wins
            } else {
                f.returned = returned;
                f.result = result;
                if (!inStatement(exitPc)) {
                    after = exitPc;
                    pending = false;
                }
            }
        }
        if (pending) throwValue(thrown);
        next = after;
        break;
    }
    case action::With: {
        Value v = pop(f);
        std::uint32_t blockEnd = r.target < 0 ? end : static_cast<std::uint32_t>(r.target);
        Object* o = v.isObject() ? v.o : toObject(v);
        if (!o) {
            next = blockEnd;
            break;
        }
        std::size_t withs = 0;
        for (Scope* s = f.scope; s; s = s->parent)
            if (s->isWith) ++withs;
        if (withs >= limits_.maxWithDepth) {
            next = blockEnd;
            break;
        }
        Scope* saved = f.scope;
        f.scope = heap_.make<Scope>(o, f.scope, true);
        f.pc = blockEnd;
        try {
            execute(f, pc + 1, blockEnd);
        } catch (...) {
            f.scope = saved;
            throw;
        }
        f.scope = saved;
        next = f.pc;
        break;
    }
    default: break;
    }
    return next;
}

}  // namespace swf::script
