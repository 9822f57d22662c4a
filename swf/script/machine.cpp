#include "swf/script/machine.h"

#include <algorithm>
#include <cmath>
#include <unordered_set>

#include "swf/script/machine_internal.h"

namespace swf::script {

namespace {

std::uint64_t hashBytes(std::span<const std::uint8_t> bytes) {
    std::uint64_t h = 1469598103934665603ull;
    for (std::uint8_t b : bytes) h = (h ^ b) * 1099511628211ull;
    return h;
}

// Pushes a frame on the machine's list for the time of a call.
struct FrameGuard {
    std::vector<Machine::Frame*>& frames;
    std::vector<Value>& stack;
    std::size_t base;
    FrameGuard(std::vector<Machine::Frame*>& fs, std::vector<Value>& st, Machine::Frame* f)
        : frames(fs), stack(st), base(st.size()) {
        frames.push_back(f);
    }
    ~FrameGuard() {
        frames.pop_back();
        if (stack.size() > base) stack.resize(base);
    }
};

}  // namespace

Machine::Machine(Host& host, int version, Limits limits)
    : host_(host), version_(version), limits_(limits), heap_(limits.maxHeapBytes) {
    stack_.reserve(1024);
    realm_ = std::make_unique<Realm>(*this);
}

Machine::~Machine() = default;

// ---------------------------------------------------------------- entry points

std::shared_ptr<const Program> Machine::compile(std::span<const std::uint8_t> bytes) {
    std::uint64_t h = hashBytes(bytes);
    for (const CacheEntry& e : cache_)
        if (e.data == bytes.data() && e.size == bytes.size() && e.hash == h) return e.program;
    auto program = Program::parse(bytes, heap_);
    cache_.push_back({bytes.data(), bytes.size(), h, program});
    return program;
}

RunResult Machine::runActions(std::span<const std::uint8_t> bytes, ClipHandle clip) {
    return run(compile(bytes), clip);
}

RunResult Machine::guarded(const std::function<void()>& body) {
    RunResult result;
    std::size_t frames = frames_.size();
    std::size_t stack = stack_.size();
    int natives = nativeDepth_;
    std::size_t busy = busyAccessors_.size();
    char here;
    if (runDepth_ == 0) {
        steps_ = 0;
        stackTop_ = &here;
    }
    std::size_t stepsBefore = steps_;
    ++runDepth_;
    auto restore = [&] {
        frames_.resize(frames);
        if (stack_.size() > stack) stack_.resize(stack);
        nativeDepth_ = natives;
        busyAccessors_.resize(busy);
    };
    try {
        body();
    } catch (ScriptError& e) {
        restore();
        result.end = RunResult::End::Thrown;
        std::string text;
        try {
            text = toString(e.value);
        } catch (...) {
            text = "?";
        }
        // The reference player writes this line among the traces.
        host_.trace("Warning: Uncaught exception, " + text);
    } catch (LimitError& e) {
        restore();
        --runDepth_;
        if (runDepth_ > 0) throw;  // the outermost run stops as a whole
        result.end = RunResult::End::LimitReached;
        result.steps = steps_ - stepsBefore;
        warn(std::string("script arrêté : ") + e.what());
        return result;
    }
    --runDepth_;
    result.steps = steps_ - stepsBefore;
    return result;
}

RunResult Machine::run(const std::shared_ptr<const Program>& program, ClipHandle clip) {
    if (!program) return {RunResult::End::BadProgram, 0};
    Object* target = clipObject(clip);
    if (!target) target = realm_->global;
    std::shared_ptr<const Program> keep = program;
    return guarded([&] {
        Frame f;
        f.prog = keep.get();
        f.scope = heap_.make<Scope>(target, nullptr);
        f.target = f.original = target;
        f.thisValue = Value::object(target);
        if (runDepth_ == 1)
            for (Value& r : globalRegs_) r = Value();
        f.regs = globalRegs_;
        f.regCount = 4;
        f.version = version_;
        FrameGuard guard(frames_, stack_, &f);
        f.stackBase = stack_.size();
        execute(f, 0, static_cast<std::uint32_t>(f.prog->records.size()));
    });
}

Value Machine::callFunction(Value fn, Value thisValue, std::span<const Value> args) {
    Value result;
    std::vector<Value> copy(args.begin(), args.end());
    tempRoots_.push_back(copy.data());
    tempRootSizes_.push_back(copy.size());
    Value roots[2] = {fn, thisValue};
    tempRoots_.push_back(roots);
    tempRootSizes_.push_back(2);
    guarded([&] { result = call(fn, thisValue, copy); });
    tempRoots_.resize(tempRoots_.size() - 2);
    tempRootSizes_.resize(tempRootSizes_.size() - 2);
    return result;
}

Value Machine::callMethodIfPresent(Object* obj, std::string_view name, std::span<const Value> args) {
    if (!obj) return Value();
    Value result;
    std::vector<Value> copy(args.begin(), args.end());
    tempRoots_.push_back(copy.data());
    tempRootSizes_.push_back(copy.size());
    guarded([&] {
        Value fn = get(obj, name);
        if (fn.isObject() && fn.o->isFunction()) result = call(fn, Value::object(obj), copy);
    });
    tempRoots_.pop_back();
    tempRootSizes_.pop_back();
    return result;
}

StageObject* Machine::clipObject(ClipHandle clip) {
    if (clip == 0) return nullptr;
    auto it = clips_.find(clip);
    if (it != clips_.end()) return it->second;
    auto* o = heap_.make<StageObject>(realm_->movieClipProto, clip);
    clips_.emplace(clip, o);
    return o;
}

void Machine::clipRemoved(ClipHandle clip) {
    auto it = clips_.find(clip);
    if (it == clips_.end()) return;
    it->second->detach();
    clips_.erase(it);
}

// ---------------------------------------------------------------- timers

int Machine::addTimer(Value fn, std::string method, double ms, std::vector<Value> args, bool repeat) {
    if (timers_.size() >= limits_.maxTimers) {
        warn("trop de minuteries");
        return 0;
    }
    Timer t;
    t.id = nextTimerId_++;
    t.fn = fn;
    t.method = std::move(method);
    t.args = std::move(args);
    t.interval = std::isfinite(ms) && ms > 0 ? ms : 0;
    t.due = clockMs_ + t.interval;
    t.repeat = repeat;
    timers_.push_back(std::move(t));
    return timers_.back().id;
}

bool Machine::clearTimer(int id) {
    for (auto it = timers_.begin(); it != timers_.end(); ++it)
        if (it->id == id) {
            timers_.erase(it);
            return true;
        }
    return false;
}

void Machine::advanceClock(double ms) {
    if (std::isfinite(ms) && ms > 0) clockMs_ += ms;
}

void Machine::runTimers() {
    // Timers due now, in the order they were made; each runs at most once per call.
    std::vector<int> due;
    for (const Timer& t : timers_)
        if (t.due <= clockMs_) due.push_back(t.id);
    for (int id : due) {
        auto it = std::find_if(timers_.begin(), timers_.end(), [&](const Timer& t) { return t.id == id; });
        if (it == timers_.end()) continue;  // cleared by an earlier timer
        Timer t = *it;
        if (t.repeat) {
            it->due = std::max(it->due + std::max(it->interval, 1.0), clockMs_);
        } else {
            timers_.erase(it);
        }
        Value roots[1] = {t.fn};
        tempRoots_.push_back(roots);
        tempRootSizes_.push_back(1);
        tempRoots_.push_back(t.args.data());
        tempRootSizes_.push_back(t.args.size());
        if (t.method.empty()) {
            callFunction(t.fn, Value(), t.args);
        } else if (t.fn.isObject()) {
            callMethodIfPresent(t.fn.o, t.method, t.args);
        }
        tempRoots_.resize(tempRoots_.size() - 2);
        tempRootSizes_.resize(tempRootSizes_.size() - 2);
    }
}

// ---------------------------------------------------------------- memory

void Machine::addRoot(Object* o) { roots_.push_back(o); }

void Machine::removeRoot(Object* o) {
    auto it = std::find(roots_.begin(), roots_.end(), o);
    if (it != roots_.end()) roots_.erase(it);
}

void Machine::markRoots(Tracer& t) {
    realm_->trace(t);
    for (const Value& v : stack_) t.markValue(v);
    for (const Value& v : globalRegs_) t.markValue(v);
    for (const Frame* f : frames_) {
        t.mark(f->scope);
        t.mark(f->target);
        t.mark(f->original);
        t.mark(f->activation);
        t.markValue(f->thisValue);
        for (std::uint32_t i = 0; i < f->regCount; ++i) t.markValue(f->regs[i]);
        t.mark(f->callee);
        t.mark(f->holder);
        t.mark(f->arguments);
        t.markValue(f->result);
        for (const Value& v : f->args) t.markValue(v);
        t.mark(f->caller);
    }
    for (const auto& [handle, clip] : clips_) t.mark(clip);
    for (const Object* o : roots_) t.mark(o);
    for (const Timer& timer : timers_) {
        t.markValue(timer.fn);
        for (const Value& v : timer.args) t.markValue(v);
    }
    for (std::size_t i = 0; i < tempRoots_.size(); ++i)
        for (std::size_t k = 0; k < tempRootSizes_[i]; ++k) t.markValue(tempRoots_[i][k]);
}

void Machine::collectGarbage() {
    if (nativeDepth_ > 0) return;
    heap_.collect([this](Tracer& t) { markRoots(t); });
}

void Machine::safePoint() {
    if (heap_.wantsCollection() && nativeDepth_ == 0) collectGarbage();
    if (heap_.overBudget()) stopScript("mémoire des scripts épuisée");
}

// ---------------------------------------------------------------- strings and objects

const Str* Machine::makeStr(std::string_view s) {
    if (s.size() > limits_.maxStringBytes) stopScript("chaîne trop longue");
    return heap_.make<Str>(std::string(s));
}

const Str* Machine::makeStr(std::string&& s) {
    if (s.size() > limits_.maxStringBytes) stopScript("chaîne trop longue");
    return heap_.make<Str>(std::move(s));
}

Object* Machine::newObject() { return realm_->newObject(); }

ArrayObject* Machine::newArray() { return heap_.make<ArrayObject>(realm_->arrayProto); }

ArrayObject* Machine::newArray(std::span<const Value> elements) {
    ArrayObject* a = newArray();
    for (std::size_t i = 0; i < elements.size(); ++i) a->set(*this, static_cast<std::uint32_t>(i), elements[i]);
    return a;
}

Object* Machine::newError(std::string_view message) {
    Object* e = heap_.make<Object>(realm_->errorProto);
    e->define(heap_, "message", str(message), 0, caseSensitive());
    return e;
}

void Machine::throwValue(Value v) { throw ScriptError{v}; }

void Machine::throwError(std::string_view message) { throwValue(Value::object(newError(message))); }

void Machine::chargeSteps(std::size_t n) {
    steps_ += n;
    if (steps_ > limits_.maxSteps) stopScript("trop d'actions (boucle sans fin ?)");
}

void Machine::stopScript(const std::string& reason) { throw LimitError(reason); }

void Machine::warn(std::string_view message) { host_.warning(message); }

void Machine::traceLine(std::string_view text) {
    std::string line(text);
    for (char& c : line)
        if (c == '\r') c = '\n';
    host_.trace(line);
}

std::string Machine::clipPath(StageObject* clip, bool dotted) {
    if (!clip->alive()) return "";
    return host_.targetPath(clip->clip(), dotted);
}

// ---------------------------------------------------------------- conversions

// Objects become primitives through valueOf (numbers, comparisons, Add2)
// or toString (string conversion); a clip's string is its target path.
// When the method gives no primitive, the object itself comes back: it
// counts as NaN for numbers and as "[object Object]" for strings.
Value Machine::toPrimitive(Value v, Hint hint) {
    if (!v.isObject()) return v;
    Object* o = v.o;
    if (hint == Hint::String && o->kind() == Object::Kind::Stage) {
        auto* clip = static_cast<StageObject*>(o);
        return str(clipPath(clip, true));
    }
    if (hint == Hint::None && o->kind() == Object::Kind::Date) hint = Hint::String;
    if (hint == Hint::String && o->kind() == Object::Kind::Super) return str("[type Object]");
    Value fn;  // conversions never go through __resolve
    if (!find(o, hint == Hint::String ? "toString" : "valueOf", fn)) fn = Value();
    if (fn.isObject() && fn.o->isFunction()) {
        Value r = call(fn, v, {});
        // A toString that gives no string leaves "[type Object]".
        if (hint == Hint::String) return r.isString() ? r : str(o->isFunction() ? "[type Function]" : "[type Object]");
        if (r.isPrimitive()) return r;
    }
    return v;
}

double Machine::toNumber(Value v) {
    if (v.type == Type::Number) return v.n;
    if (v.isObject()) {
        v = toPrimitive(v, Hint::Number);
        if (v.isObject()) return std::nan("");
    }
    return primitiveToNumber(v, version_);
}

std::string Machine::toString(Value v) {
    if (v.type == Type::String) return std::string(v.str());
    if (v.isObject()) {
        v = toPrimitive(v, Hint::String);
        if (v.isObject()) return v.o->isFunction() ? "[type Function]" : "[type Object]";
    }
    return primitiveToString(v, version_);
}

const Str* Machine::toStr(Value v) {
    if (v.type == Type::String) return v.s;
    return makeStr(toString(v));
}

Object* Machine::toObject(Value v) {
    switch (v.type) {
    case Type::Object: return v.o;
    case Type::Boolean: return heap_.make<PrimitiveObject>(realm_->booleanProto, Object::Kind::Boolean, v);
    case Type::Number: return heap_.make<PrimitiveObject>(realm_->numberProto, Object::Kind::Number, v);
    case Type::String: return heap_.make<PrimitiveObject>(realm_->stringProto, Object::Kind::String, v);
    default: return nullptr;
    }
}

bool Machine::strictEquals(Value a, Value b) {
    if (a.type != b.type) return false;
    switch (a.type) {
    case Type::Undefined:
    case Type::Null: return true;
    case Type::Boolean: return a.b == b.b;
    case Type::Number: return a.n == b.n || (std::isnan(a.n) && std::isnan(b.n));
    case Type::String: return a.s == b.s || a.str() == b.str();
    case Type::Object: return a.o == b.o;
    }
    return false;
}

bool Machine::looseEquals(Value a, Value b) {
    // Two different objects are compared by what valueOf gives (right one first).
    if (a.isObject() && b.isObject() && a.o != b.o) {
        b = toPrimitive(b);
        a = toPrimitive(a);
        if (a.isObject() && b.isObject()) return a.o == b.o;
    }
    for (int round = 0; round < 4; ++round) {
        if (a.type == b.type) return a.type == Type::Number ? a.n == b.n : strictEquals(a, b);
        if (a.isNullish() && b.isNullish()) return true;
        if (a.isNullish() || b.isNullish()) return false;
        if (a.isNumber() && b.isString()) return a.n == primitiveToNumber(b, version_);
        if (a.isString() && b.isNumber()) return primitiveToNumber(a, version_) == b.n;
        if (a.isBoolean()) {
            a = Value::number(a.b ? 1 : 0);
            continue;
        }
        if (b.isBoolean()) {
            b = Value::number(b.b ? 1 : 0);
            continue;
        }
        if (a.isObject() && !b.isObject()) {
            a = toPrimitive(a);
            if (a.isObject()) return false;
            continue;
        }
        if (b.isObject() && !a.isObject()) {
            b = toPrimitive(b);
            if (b.isObject()) return false;
            continue;
        }
        return false;
    }
    return false;
}

// ---------------------------------------------------------------- properties

Property* Machine::lookup(Object* o, std::string_view name, Object** holder) {
    bool cs = caseSensitive();
    std::size_t depth = 0;
    for (Object* cur = o; cur; cur = cur->proto()) {
        if (Property* p = cur->findOwn(name, cs); p && visibleIn(p->flags, version_)) {
            if (holder) *holder = cur;
            return p;
        }
        if (++depth > limits_.maxPrototypeDepth) stopScript("chaîne de prototypes trop longue ou circulaire");
    }
    return nullptr;
}

Value Machine::accessorGet(Object* self, Property& p, std::string_view name) {
    Object* getter = p.getter;
    Value raw = p.value;
    for (const auto& [obj, n] : busyAccessors_)
        if (obj == self && equalNames(n, name, caseSensitive())) return raw;
    busyAccessors_.emplace_back(self, std::string(name));
    Value r;
    try {
        r = call(Value::object(getter), Value::object(self), {});
    } catch (...) {
        busyAccessors_.pop_back();
        throw;
    }
    busyAccessors_.pop_back();
    return r;
}

bool Machine::find(Object* o, std::string_view name, Value& out) {
    if (!o) return false;
    if (o->kind() == Object::Kind::Super) {
        auto* s = static_cast<SuperObject*>(o);
        Object* above = s->holder ? s->holder->proto() : nullptr;
        Object* holder = nullptr;
        Property* p = above ? lookup(above, name, &holder) : nullptr;
        if (!p) return false;
        if (p->accessor() && s->thisValue.isObject())
            out = accessorGet(s->thisValue.o, *p, name);
        else
            out = p->value;
        return true;
    }
    bool cs = caseSensitive();
    if (name.size() == 9 && equalNames(name, "__proto__", cs)) {
        out = Value::object(o->proto());
        return o->proto() != nullptr;
    }
    std::size_t depth = 0;
    for (Object* cur = o; cur; cur = cur->proto()) {
        if (Property* p = cur->findOwn(name, cs); p && visibleIn(p->flags, version_)) {
            out = p->accessor() ? accessorGet(o, *p, name) : p->value;
            return true;
        }
        if (cur->getVirtual(*this, name, out)) return true;
        if (++depth > limits_.maxPrototypeDepth) stopScript("chaîne de prototypes trop longue ou circulaire");
    }
    return false;
}

Value Machine::get(Object* o, std::string_view name) {
    Value v;
    if (find(o, name, v)) return v;
    // A missing member is asked of the object's __resolve function, when it has one.
    if (!o || equalNames(name, "__resolve", caseSensitive())) return Value();
    Value resolver;
    if (find(o, "__resolve", resolver) && resolver.isObject() && resolver.o->isFunction()) {
        Value args[1] = {str(name)};
        return call(resolver, Value::object(o), args);
    }
    return Value();
}

Value Machine::get(Value v, std::string_view name) {
    switch (v.type) {
    case Type::Object: return get(v.o, name);
    case Type::String:
        if (equalNames(name, "length", caseSensitive())) {
            Value out;
            PrimitiveObject tmp(realm_->stringProto, Object::Kind::String, v);
            tmp.getVirtual(*this, name, out);
            return out;
        }
        [[fallthrough]];
    case Type::Number:
    case Type::Boolean: return get(toObject(v), name);
    default: return Value();
    }
}

void Machine::set(Object* o, std::string_view name, Value v) {
    if (!o || name.empty()) return;  // a property without a name is never made
    bool cs = caseSensitive();
    if (o->kind() == Object::Kind::Super) {
        auto* s = static_cast<SuperObject*>(o);
        if (s->thisValue.isObject()) set(s->thisValue.o, name, v);
        return;
    }
    if (name.size() == 9 && equalNames(name, "__proto__", cs)) {
        if (v.isObject())
            o->setProto(v.o);
        else if (v.isNull())
            o->setProto(nullptr);
        return;
    }
    // A watcher sees the old and new values and decides what is stored.
    if (!o->watchers().empty()) {
        for (std::size_t i = 0; i < o->watchers().size(); ++i) {
            Watcher w = o->watchers()[i];
            if (!equalNames(w.name, name, cs)) continue;
            bool busy = false;
            for (const auto& [obj, n] : busyAccessors_)
                if (obj == o && n == "\x01" + w.name) busy = true;
            if (busy) break;
            // While the watcher runs, the property reads and writes its stored
            // value directly (no getter, setter or watcher).
            Property* own = o->findOwn(name, cs);
            Value old = own ? own->value : get(o, name);
            Value args[4] = {str(w.name), old, v, w.userData};
            busyAccessors_.emplace_back(o, "\x01" + w.name);
            busyAccessors_.emplace_back(o, std::string(name));
            try {
                v = call(Value::object(w.callback), Value::object(o), args);
            } catch (...) {
                busyAccessors_.resize(busyAccessors_.size() - 2);
                throw;
            }
            busyAccessors_.resize(busyAccessors_.size() - 2);
            break;
        }
    }
    if (o->setVirtual(*this, name, v)) return;
    std::size_t depth = 0;
    for (Object* cur = o; cur; cur = cur->proto()) {
        Property* p = cur->findOwn(name, cs);
        if (p && p->accessor()) {
            // A getter or setter (or watcher) writing its own property stores the value.
            for (const auto& [obj, n] : busyAccessors_)
                if (obj == o && equalNames(n, name, cs)) {
                    p->value = v;
                    return;
                }
            Object* setter = p->setter;
            busyAccessors_.emplace_back(o, std::string(name));
            Value args[1] = {v};
            try {
                call(Value::object(setter), Value::object(o), args);
            } catch (...) {
                busyAccessors_.pop_back();
                throw;
            }
            busyAccessors_.pop_back();
            // Then the value itself is kept, for reads made while the getter runs.
            if (Property* again = cur->findOwn(name, cs); again && again->accessor()) again->value = v;
            return;
        }
        if (p && cur == o) {
            if (p->flags & ReadOnly) return;
            p->value = v;
            return;
        }
        if (p) break;  // a plain property of a prototype: the object gets its own
        if (++depth > limits_.maxPrototypeDepth) stopScript("chaîne de prototypes trop longue ou circulaire");
    }
    o->define(heap_, name, v, 0, cs);
}

bool Machine::has(Object* o, std::string_view name) {
    bool cs = caseSensitive();
    std::size_t depth = 0;
    for (Object* cur = o; cur; cur = cur->proto()) {
        if (Property* p = cur->findOwn(name, cs); p && visibleIn(p->flags, version_)) return true;
        if (cur->hasVirtual(*this, name)) return true;
        if (++depth > limits_.maxPrototypeDepth) stopScript("chaîne de prototypes trop longue ou circulaire");
    }
    return false;
}

bool Machine::remove(Object* o, std::string_view name) {
    if (!o) return false;
    if (o->removeVirtual(*this, name)) return true;
    return o->remove(name, caseSensitive());
}

std::vector<std::string> Machine::enumerate(Object* o) {
    std::vector<std::string> out;
    if (!o) return out;
    bool cs = caseSensitive();
    std::unordered_set<std::string> seen;
    std::size_t depth = 0;
    for (Object* cur = o; cur; cur = cur->proto()) {
        std::vector<std::pair<std::uint32_t, std::string>> names;
        std::vector<std::string> hidden;
        for (const Property& p : cur->properties()) {
            if (p.dead) continue;
            if ((p.flags & DontEnum) || !visibleIn(p.flags, version_))
                hidden.push_back(p.name);
            else
                names.emplace_back(p.serial, p.name);
        }
        cur->virtualNames(*this, names);
        std::stable_sort(names.begin(), names.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
        // A hidden property hides the same name further up the chain.
        for (const std::string& h : hidden) seen.insert(cs ? h : foldName(h));
        for (auto& [serial, name] : names) {
            std::string key = cs ? name : foldName(name);
            if (seen.insert(key).second) out.push_back(std::move(name));
        }
        if (++depth > limits_.maxPrototypeDepth) stopScript("chaîne de prototypes trop longue ou circulaire");
        chargeSteps(names.size() / 8);
    }
    return out;
}

// ---------------------------------------------------------------- calls

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
            activation->define(heap_, param.name->text, v, 0, cs);
    }
    FrameGuard guard(frames_, stack_, &f);
    f.stackBase = stack_.size();
    execute(f, code.begin, code.end);
    return f.result;
}

}  // namespace swf::script
