#include "swf/script/machine.h"

#include <algorithm>
#include <cmath>
#include <unordered_set>

#include "swf/script/builtins/builtins.h"
#include "swf/script/machine_internal.h"

namespace swf::script {

namespace {

std::uint64_t hashBytes(std::span<const std::uint8_t> bytes) {
    std::uint64_t h = 1469598103934665603ull;
    for (std::uint8_t b : bytes) h = (h ^ b) * 1099511628211ull;
    return h;
}

}  // namespace

Machine::Machine(Host& host, int version, Limits limits)
    : host_(host), version_(version), limits_(limits), heap_(limits.maxHeapBytes) {
    stack_.reserve(1024);
    realm_ = std::make_unique<Realm>(*this);
}

Machine::~Machine() = default;

// ---------------------------------------------------------------- entry points

// Programs are cached by their bytes, so that the same script placed on many
// frames (or in many sprites) is parsed, and its strings kept, once.
std::shared_ptr<const Program> Machine::compile(std::span<const std::uint8_t> bytes) {
    std::uint64_t h = hashBytes(bytes);
    auto [first, last] = cache_.equal_range(h);
    for (auto it = first; it != last; ++it)
        if (std::equal(bytes.begin(), bytes.end(), it->second.bytes.begin(), it->second.bytes.end()))
            return it->second.program;
    auto program = Program::parse(bytes, heap_);
    cache_.emplace(h, CacheEntry{std::vector<std::uint8_t>(bytes.begin(), bytes.end()), program});
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
        hasPendingThrow_ = false;
        pendingThrow_ = Value();
        frames_.resize(frames);
        if (stack_.size() > stack) stack_.resize(stack);
        nativeDepth_ = natives;
        busyAccessors_.resize(busy);
    };
    try {
        body();
        if (hasPendingThrow_) throwPending();
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
        // The action blocks of one frame share the stack: what one leaves, the
        // next one (on any clip) may pop. The leftovers go between frames
        // (collectGarbage from the player).
        bool outermost = runDepth_ == 1;
        if (outermost && stack_.size() > limits_.maxStack / 2) stack_.clear();
        FrameGuard guard(frames_, stack_, &f, outermost);
        f.stackBase = outermost ? 0 : stack_.size();
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
    // Text fields are stage objects too, with their own prototype.
    Object* proto = host_.textField(clip) ? realm_->textFieldProto : realm_->movieClipProto;
    auto* o = heap_.make<StageObject>(proto, clip);
    clips_.emplace(clip, o);
    // The main movie's clip carries the player's version as a variable of its own.
    if (clip == host_.root()) o->define(heap_, "$version", str(playerVersionString()), 0, caseSensitive());
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
    t.markValue(pendingThrow_);
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
    if (runDepth_ == 0) stack_.clear();  // between frames: values frame actions left behind
    heap_.collect([this](Tracer& t) { markRoots(t); });
}

void Machine::collectStep() {
    if (nativeDepth_ > 0) return;
    if (runDepth_ == 0) stack_.clear();
    if (heap_.cycleUnderWay() || heap_.allocatedSinceCycle())
        heap_.step([this](Tracer& t) { markRoots(t); }, limits_.collectStepCells);
}

void Machine::safePoint() {
    if (nativeDepth_ == 0 && heap_.wantsCollection()) {
        if (heap_.overBudget())
            collectGarbage();  // everything that can go, before the script is stopped
        else
            heap_.step([this](Tracer& t) { markRoots(t); }, limits_.collectStepCells);
    }
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

Value Machine::concat(const Str* head, std::string_view tail) {
    if (tail.empty()) return Value::string(head);
    if (head->view().size() + tail.size() > limits_.maxStringBytes) stopScript("chaîne trop longue");
    return Value::string(heap_.make<Str>(*head, tail));
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

void Machine::throwPending() {
    Value v = pendingThrow_;
    hasPendingThrow_ = false;
    pendingThrow_ = Value();
    throwValue(v);
}

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
    const bool dateDefault = hint == Hint::None && o->kind() == Object::Kind::Date && version_ >= 6;
    if (dateDefault) hint = Hint::String;
    if (hint == Hint::String && o->kind() == Object::Kind::Super) return str("[type Object]");
    Value fn;  // conversions never go through __resolve
    bool found = false;
    try {
        found = find(o, hint == Hint::String ? "toString" : "valueOf", fn);
    } catch (ScriptError& e) {
        // A getter that throws while an object is converted: the conversion
        // goes on without the method; the exception comes out when the action ends.
        if (!hasPendingThrow_) {
            hasPendingThrow_ = true;
            pendingThrow_ = e.value;
        }
    }
    // A method that is there but not a function gives undefined (valueOf, or
    // a Date's toString in a sum; a plain string conversion says "[type Object]").
    if (found && (hint != Hint::String || dateDefault) && !(fn.isObject() && fn.o->isFunction())) return Value();
    if (!found) fn = Value();
    if (fn.isObject() && fn.o->isFunction()) {
        Value r = call(fn, v, {});
        // A toString that gives no string leaves "[type Object]".
        // A Date in a sum whose toString gave an object stays an object (and
        // is asked again when the sum makes it a string).
        if (dateDefault && r.isObject()) return v;
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

}  // namespace swf::script
