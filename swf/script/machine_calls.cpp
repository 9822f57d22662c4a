// Calls and constructions from scripts (CallFunction, CallMethod, NewObject,
// NewMethod, `super`), function definitions, and how a call runs: the
// activation, registers, preloaded values and arguments.
#include <algorithm>
#include <cmath>
#include <functional>

#include "swf/script/machine_internal.h"

namespace swf::script {

void Machine::popArgs(Frame& f, std::vector<Value>& args) {
    double count = toNumber(pop(f));
    std::size_t n = std::isfinite(count) && count > 0 ? static_cast<std::size_t>(std::min(count, 1e9)) : 0;
    std::size_t available = stack_.size() - f.stackBase;
    args.clear();
    args.reserve(std::min(n, available));
    for (std::size_t i = 0; i < n && i < available; ++i) args.push_back(pop(f));
}

// `super(...)`: the holder's __constructor__ on the same `this`.
Value Machine::callSuperConstructor(SuperObject* s, std::span<const Value> args) {
    Value ctor = s->holder ? get(s->holder, "__constructor__") : Value();
    if (!ctor.isObject() || !ctor.o->isFunction()) return Value();
    return invoke(static_cast<FunctionObject*>(ctor.o), s->thisValue, args, s->holder ? s->holder->proto() : nullptr);
}

std::uint32_t Machine::execCalls(Frame& f, const Record& r, std::uint32_t pc, std::uint32_t end, std::uint32_t next) {
    const Program& P = *f.prog;
    const bool cs = caseSensitive();
    const int ver = version_;
    std::vector<Value> args;
    switch (r.code) {
    case action::CallFunction: {
        Value name = pop(f);
        popArgs(f, args);
        std::string n = name.isString() ? std::string(name.str()) : toString(name);
        Value fn = getVariable(f, n);
        Value thisValue;
        Object* holder = nullptr;
        if (fn.isObject() && fn.o->kind() == Object::Kind::Super) {
            push(callSuperConstructor(static_cast<SuperObject*>(fn.o), args));
            break;
        }
        if (!fn.isObject() || !fn.o->isFunction()) {
            push(Value());
            break;
        }
        push(invoke(static_cast<FunctionObject*>(fn.o), thisValue, args, holder));
        break;
    }
    case action::CallMethod: {
        Value name = pop(f);
        Value obj = pop(f);
        popArgs(f, args);
        std::string n = name.isUndefined() ? std::string() : toString(name);
        if (n.empty()) {
            // The object itself is the function; `super()` runs the parent constructor.
            if (obj.isObject() && obj.o->kind() == Object::Kind::Super) {
                push(callSuperConstructor(static_cast<SuperObject*>(obj.o), args));
            } else if (obj.isObject() && obj.o->isFunction()) {
                push(invoke(static_cast<FunctionObject*>(obj.o), Value(), args, nullptr));
            } else {
                push(Value());
            }
            break;
        }
        if (obj.isObject() && obj.o->kind() == Object::Kind::Super) {
            auto* s = static_cast<SuperObject*>(obj.o);
            Object* above = s->holder ? s->holder->proto() : nullptr;
            Object* holder = nullptr;
            const Property* p = above ? lookup(above, n, &holder) : nullptr;
            Value fn = p ? (p->accessor() ? get(obj.o, n) : p->value) : Value();
            if (fn.isObject() && fn.o->isFunction())
                push(invoke(static_cast<FunctionObject*>(fn.o), s->thisValue, args, holder));
            else
                push(Value());
            break;
        }
        Object* o = obj.isObject() ? obj.o : toObject(obj);
        if (!o) {
            push(Value());
            break;
        }
        Value fn;
        Object* holder = nullptr;
        if (!find(o, n, fn)) fn = get(o, n);  // a missing method may come from __resolve
        if (fn.isObject() && fn.o->isFunction()) {
            if (!lookup(o, n, &holder)) holder = nullptr;
            push(invoke(static_cast<FunctionObject*>(fn.o), obj.isObject() ? obj : Value::object(o), args, holder));
        } else {
            push(Value());
        }
        break;
    }
    case action::NewObject: {
        Value name = pop(f);
        popArgs(f, args);
        Value ctor = getVariable(f, toString(name));
        push(construct(ctor, args));
        break;
    }
    case action::NewMethod: {
        Value name = pop(f);
        Value obj = pop(f);
        popArgs(f, args);
        std::string n = name.isUndefined() ? std::string() : toString(name);
        Value ctor = n.empty() ? obj : get(obj, n);
        push(construct(ctor, args));
        break;
    }
    case action::DefineFunction:
    case action::DefineFunction2: {
        const FunctionCode& code = P.functions[r.extra];
        std::shared_ptr<const Program> keep = P.shared_from_this();
        auto* fn = heap_.make<FunctionObject>(realm_->functionProto, keep, &code, f.scope, f.target, ver);
        fn->pool = f.pool;
        Object* proto = newObject();
        proto->define(heap_, "constructor", Value::object(fn), DontEnum, cs);
        fn->define(heap_, "prototype", Value::object(proto), DontEnum, cs);
        if (!code.name->view().empty()) {
            if (f.activation)
                f.activation->define(heap_, code.name->view(), Value::object(fn), 0, cs);
            else
                set(f.target, code.name->view(), Value::object(fn));
        } else {
            push(Value::object(fn));
        }
        next = r.target >= 0 ? static_cast<std::uint32_t>(r.target) : end;
        break;
    }
    default: break;
    }
    return next;
}

// ---------------------------------------------------------------- how calls run

Value Machine::call(Value fn, Value thisValue, std::span<const Value> args) {
    if (!fn.isObject() || !fn.o->isFunction()) return Value();
    return invoke(static_cast<FunctionObject*>(fn.o), thisValue, args, nullptr);
}

Value Machine::callMethod(Value obj, std::string_view name, std::span<const Value> args) {
    Object* o = obj.isObject() ? obj.o : toObject(obj);
    if (!o) return Value();
    Object* holder = nullptr;
    Value fn = get(o, name);
    if (lookup(o, name, &holder) == nullptr) holder = nullptr;
    if (!fn.isObject() || !fn.o->isFunction()) return Value();
    return invoke(static_cast<FunctionObject*>(fn.o), obj, args, holder);
}

Value Machine::construct(Value ctor, std::span<const Value> args) {
    if (!ctor.isObject() || !ctor.o->isFunction()) return Value();
    auto* fn = static_cast<FunctionObject*>(ctor.o);
    if (fn->isNative() && fn->nativeConstruct) {
        ++nativeDepth_;
        Value r;
        try {
            r = fn->nativeConstruct(*this, Value(), args);
        } catch (...) {
            --nativeDepth_;
            throw;
        }
        --nativeDepth_;
        return r;
    }
    Value protoValue = get(fn, "prototype");
    Object* proto = protoValue.isObject() ? protoValue.o : realm_->objectProto;
    Object* obj = heap_.make<Object>(proto);
    obj->define(heap_, "__constructor__", ctor, DontEnum, caseSensitive());
    if (version_ < 6) obj->define(heap_, "constructor", ctor, DontEnum, caseSensitive());
    Value r = invoke(fn, Value::object(obj), args, proto);
    if (fn->isNative() && r.isObject()) return r;
    return Value::object(obj);
}

bool Machine::instanceOf(Value v, Object* ctor) {
    if (!v.isObject() || !ctor) return false;
    Value protoValue = get(ctor, "prototype");
    if (!protoValue.isObject()) return false;
    Object* target = protoValue.o;
    std::size_t depth = 0;
    std::function<bool(Object*, int)> implements = [&](Object* p, int level) -> bool {
        if (level > 16) return false;
        for (Object* iface : p->interfaces()) {
            if (iface == ctor) return true;
            Value ip = get(iface, "prototype");
            if (ip.isObject() && (ip.o == target || implements(ip.o, level + 1))) return true;
        }
        return false;
    };
    for (Object* p = v.o->proto(); p; p = p->proto()) {
        if (p == target) return true;
        if (!p->interfaces().empty() && implements(p, 0)) return true;
        if (++depth > limits_.maxPrototypeDepth) stopScript("chaîne de prototypes trop longue ou circulaire");
    }
    return false;
}

Object* Machine::argumentsOf(Frame& f) {
    if (f.arguments) return f.arguments;
    bool cs = f.version >= 7;
    ArrayObject* a = newArray(f.args);
    a->define(heap_, "callee", Value::object(f.callee), DontEnum, cs);
    a->define(heap_, "caller", f.caller ? Value::object(f.caller) : Value::null(), DontEnum, cs);
    f.arguments = a;
    return a;
}

Value Machine::invoke(FunctionObject* fn, Value thisValue, std::span<const Value> args, Object* holder) {
    if (fn->isNative()) {
        ++nativeDepth_;
        Value r;
        try {
            r = fn->native(*this, thisValue, args);
        } catch (...) {
            --nativeDepth_;
            throw;
        }
        --nativeDepth_;
        return r;
    }
    if (frames_.size() >= limits_.maxCallDepth) stopScript("récursion trop profonde (256 appels)");
    // Natives between script calls (getters, toString, sort...) use C++ stack too.
    char here;
    if (stackTop_ && stackTop_ > &here && static_cast<std::size_t>(stackTop_ - &here) > limits_.maxNativeStack)
        stopScript("récursion trop profonde (pile épuisée)");
    safePoint();
    const FunctionCode& code = *fn->code;
    Frame f;
    f.prog = fn->program.get();
    f.version = fn->version;
    f.callee = fn;
    f.pool = fn->pool;
    f.holder = holder ? holder : (thisValue.isObject() ? thisValue.o->proto() : nullptr);
    Object* target =
        fn->target && (fn->target->kind() != Object::Kind::Stage || static_cast<StageObject*>(fn->target)->alive())
            ? fn->target
            : (frames_.empty() ? realm_->global : frames_.back()->target);
    f.target = f.original = target;
    f.thisValue = thisValue.isNullish() ? Value::object(target) : thisValue;
    Object* activation = heap_.make<Object>(nullptr, Object::Kind::Activation);
    f.activation = activation;
    f.scope = heap_.make<Scope>(activation, fn->scope);
    bool cs = f.version >= 7;
    std::size_t regCount = code.v2 ? std::max<std::uint16_t>(code.registers, 1) : 4;
    if (regCount <= 8) {
        f.regs = f.inlineRegs;
    } else {
        f.ownRegs.assign(regCount, Value());
        f.regs = f.ownRegs.data();
    }
    f.regCount = static_cast<std::uint32_t>(regCount);
    f.args = args;
    if (!frames_.empty()) f.caller = frames_.back()->callee;
    auto makeArguments = [&]() { return argumentsOf(f); };
    std::uint16_t flags = code.flags;
    if (code.v2) {
        std::uint32_t r = 1;
        auto preload = [&](Value v) {
            if (r < f.regCount) f.regs[r] = v;
            ++r;
        };
        if (flags & PreloadThis) preload(f.thisValue);
        if (flags & PreloadArguments) preload(Value::object(makeArguments()));
        if (flags & PreloadSuper) preload(Value::object(heap_.make<SuperObject>(f.holder, f.thisValue)));
        if (flags & PreloadRoot) {
            StageObject* root = clipObject(host_.root());
            preload(root ? Value::object(root) : Value());
        }
        if (flags & PreloadParent) {
            // Without a parent (the root) no register is taken.
            Value parent;
            if (target->kind() == Object::Kind::Stage && target->getVirtual(*this, "_parent", parent)) preload(parent);
        }
        if (flags & PreloadGlobal) preload(Value::object(realm_->global));
    }
    for (std::size_t i = 0; i < code.params.size(); ++i) {
        Value v = i < args.size() ? args[i] : Value();
        const auto& param = code.params[i];
        if (code.v2 && param.reg != 0 && param.reg < f.regCount)
            f.regs[param.reg] = v;
        else
            activation->define(heap_, param.name->view(), v, 0, cs);
    }
    // Called from running actions, a function leaves what it did not pop
    // on the caller's stack, under its result, as the reference player does
    // (a native calling script gets a clean stack back).
    bool keepStack = nativeDepth_ == 0 && !frames_.empty();
    FrameGuard guard(frames_, stack_, &f, keepStack);
    f.stackBase = stack_.size();
    execute(f, code.begin, code.end);
    return f.result;
}

}  // namespace swf::script
