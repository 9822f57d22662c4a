// The interpreter loop: one case per action code of file versions 4 to 8.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "swf/script/machine_internal.h"

namespace swf::script {

namespace {

enum Code : std::uint8_t {
    End = 0x00,
    NextFrame = 0x04,
    PrevFrame = 0x05,
    Play = 0x06,
    Stop = 0x07,
    ToggleQuality = 0x08,
    StopSounds = 0x09,
    Add = 0x0A,
    Subtract = 0x0B,
    Multiply = 0x0C,
    Divide = 0x0D,
    Equals = 0x0E,
    Less = 0x0F,
    And = 0x10,
    Or = 0x11,
    Not = 0x12,
    StringEquals = 0x13,
    StringLength = 0x14,
    StringExtract = 0x15,
    Pop = 0x17,
    ToInteger = 0x18,
    GetVariable = 0x1C,
    SetVariable = 0x1D,
    SetTarget2 = 0x20,
    StringAdd = 0x21,
    GetProperty = 0x22,
    SetProperty = 0x23,
    CloneSprite = 0x24,
    RemoveSprite = 0x25,
    Trace = 0x26,
    StartDrag = 0x27,
    EndDrag = 0x28,
    StringLess = 0x29,
    Throw = 0x2A,
    CastOp = 0x2B,
    ImplementsOp = 0x2C,
    RandomNumber = 0x30,
    MBStringLength = 0x31,
    CharToAscii = 0x32,
    AsciiToChar = 0x33,
    GetTime = 0x34,
    MBStringExtract = 0x35,
    MBCharToAscii = 0x36,
    MBAsciiToChar = 0x37,
    Delete = 0x3A,
    Delete2 = 0x3B,
    DefineLocal = 0x3C,
    CallFunction = 0x3D,
    Return = 0x3E,
    Modulo = 0x3F,
    NewObject = 0x40,
    DefineLocal2 = 0x41,
    InitArray = 0x42,
    InitObject = 0x43,
    TypeOf = 0x44,
    TargetPath = 0x45,
    Enumerate = 0x46,
    Add2 = 0x47,
    Less2 = 0x48,
    Equals2 = 0x49,
    ToNumber = 0x4A,
    ToString = 0x4B,
    PushDuplicate = 0x4C,
    StackSwap = 0x4D,
    GetMember = 0x4E,
    SetMember = 0x4F,
    Increment = 0x50,
    Decrement = 0x51,
    CallMethod = 0x52,
    NewMethod = 0x53,
    InstanceOf = 0x54,
    Enumerate2 = 0x55,
    BitAnd = 0x60,
    BitOr = 0x61,
    BitXor = 0x62,
    BitLShift = 0x63,
    BitRShift = 0x64,
    BitURShift = 0x65,
    StrictEquals = 0x66,
    Greater = 0x67,
    StringGreater = 0x68,
    Extends = 0x69,
    GotoFrame = 0x81,
    GetURL = 0x83,
    StoreRegister = 0x87,
    ConstantPool = 0x88,
    WaitForFrame = 0x8A,
    SetTarget = 0x8B,
    GotoLabel = 0x8C,
    WaitForFrame2 = 0x8D,
    DefineFunction2 = 0x8E,
    Try = 0x8F,
    With = 0x94,
    Push = 0x96,
    Jump = 0x99,
    GetURL2 = 0x9A,
    DefineFunction = 0x9B,
    If = 0x9D,
    Call = 0x9E,
    GotoFrame2 = 0x9F,
};

// UTF-8 helpers for the multibyte string actions.
std::size_t utf8Count(std::string_view s) {
    std::size_t n = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

// Byte offset of the character `index` (clamped to the end).
std::size_t utf8Offset(std::string_view s, std::size_t index) {
    std::size_t i = 0, n = 0;
    while (i < s.size() && n < index) {
        ++i;
        while (i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) ++i;
        ++n;
    }
    return i;
}

std::uint32_t utf8First(std::string_view s) {
    if (s.empty()) return 0;
    auto c = static_cast<unsigned char>(s[0]);
    if (c < 0x80) return c;
    int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    std::uint32_t cp = c & (0x3F >> extra);
    for (int k = 1; k <= extra && k < static_cast<int>(s.size()); ++k)
        cp = (cp << 6) | (static_cast<unsigned char>(s[k]) & 0x3F);
    return cp;
}

std::string utf8Encode(std::uint32_t cp) {
    std::string out;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        cp = std::min<std::uint32_t>(cp, 0x10FFFF);
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
    return out;
}

bool hasPathChars(std::string_view s) { return s.find_first_of(":/") != std::string_view::npos; }

// "a.b.c" with non-empty parts and not a number.
bool isDotPath(std::string_view s) {
    if (s.find('.') == std::string_view::npos) return false;
    if (s.front() == '.' || s.back() == '.') return false;
    if (s[0] >= '0' && s[0] <= '9') return false;
    return true;
}

}  // namespace

// ---------------------------------------------------------------- variables and paths

Object* Machine::resolvePath(Frame& f, Object* base, std::string_view path) {
    Object* cur = base;
    std::size_t i = 0;
    bool cs = caseSensitive();
    if (!path.empty() && path[0] == '/') {
        cur = clipObject(host_.root());
        i = 1;
    }
    while (i < path.size() && cur) {
        if (path.compare(i, 2, "..") == 0) {
            Value parent;
            cur = cur->getVirtual(*this, "_parent", parent) && parent.isObject() ? parent.o : nullptr;
            i += 2;
        } else {
            std::size_t j = path.find_first_of("/.", i);
            if (j == std::string_view::npos) j = path.size();
            std::string_view seg = path.substr(i, j - i);
            if (!seg.empty()) {
                Value next;
                if (equalNames(seg, "this", cs))
                    next = f.thisValue;
                else if (equalNames(seg, "_global", cs))
                    next = Value::object(realm_->global);
                else if (!find(cur, seg, next) && cur == base && cur->kind() == Object::Kind::Stage) {
                    // The first name may also be a variable of the scope (a clip kept in a variable).
                    next = getVariable(f, seg);
                }
                cur = next.isObject() ? next.o : nullptr;
            }
            i = j;
        }
        if (i < path.size() && (path[i] == '/' || path[i] == '.')) ++i;
    }
    return cur;
}

Value Machine::getVariable(Frame& f, std::string_view name) {
    bool cs = caseSensitive();
    if (hasPathChars(name)) {
        std::size_t colon = name.rfind(':');
        if (colon != std::string_view::npos) {
            Object* o = resolvePath(f, f.target, name.substr(0, colon));
            return o ? get(o, name.substr(colon + 1)) : Value();
        }
        Object* o = resolvePath(f, f.target, name);
        return o ? Value::object(o) : Value();
    }
    if (isDotPath(name)) {
        std::size_t dot = name.find('.');
        Value cur = getVariable(f, name.substr(0, dot));
        std::size_t i = dot + 1;
        while (true) {
            std::size_t j = name.find('.', i);
            std::string_view seg = name.substr(i, j == std::string_view::npos ? std::string_view::npos : j - i);
            if (!cur.isObject()) return Value();
            cur = get(cur.o, seg);
            if (j == std::string_view::npos) return cur;
            i = j + 1;
        }
    }
    if (name.size() == 4 && equalNames(name, "this", cs)) return f.thisValue;
    if (name.size() == 7 && version_ >= 6 && equalNames(name, "_global", cs)) return Value::object(realm_->global);
    if (name.size() == 5 && equalNames(name, "super", cs) && f.callee &&
        !(f.callee->code->v2 && (f.callee->code->flags & SuppressSuper)))
        return Value::object(heap_.make<SuperObject>(f.holder, f.thisValue));
    Value out;
    if (name.size() == 9 && f.callee && equalNames(name, "arguments", cs) &&
        !(f.callee->code->v2 && (f.callee->code->flags & (SuppressArguments | PreloadArguments))) &&
        !f.activation->findOwn(name, cs))
        return Value::object(argumentsOf(f));
    for (Scope* s = f.scope; s; s = s->parent)
        if (find(s->object, name, out)) return out;
    if (version_ >= 5 && find(realm_->global, name, out)) return out;  // version 4 movies see no globals
    if (name.size() > 6 && equalNames(name.substr(0, 6), "_level", cs)) {
        int n = 0;
        for (char c : name.substr(6)) {
            if (c < '0' || c > '9') return Value();
            n = n * 10 + (c - '0');
            if (n > 100000) return Value();
        }
        StageObject* level = clipObject(host_.level(n));
        return level ? Value::object(level) : Value();
    }
    return Value();
}

void Machine::setVariable(Frame& f, std::string_view name, Value v) {
    if (hasPathChars(name)) {
        std::size_t colon = name.rfind(':');
        if (colon == std::string_view::npos) return;
        if (Object* o = resolvePath(f, f.target, name.substr(0, colon))) set(o, name.substr(colon + 1), v);
        return;
    }
    if (isDotPath(name)) {
        std::size_t dot = name.rfind('.');
        Value holder = getVariable(f, name.substr(0, dot));
        if (holder.isObject()) set(holder.o, name.substr(dot + 1), v);
        return;
    }
    Scope* bottom = nullptr;
    for (Scope* s = f.scope; s; s = s->parent) {
        if (has(s->object, name)) {
            set(s->object, name, v);
            return;
        }
        bottom = s;
    }
    set(bottom ? bottom->object : f.target, name, v);
}

Object* Machine::clipFor(Frame& f, Value target) {
    if (target.isObject()) return target.o;
    std::string path = toString(target);
    if (path.empty()) return f.target;
    return resolvePath(f, f.target, path);
}

// ---------------------------------------------------------------- the loop

void Machine::execute(Frame& f, std::uint32_t begin, std::uint32_t end) {
    [[maybe_unused]] const Program& P = *f.prog;
    const std::size_t maxStack = limits_.maxStack;
    const int ver = version_;
    [[maybe_unused]] auto pop = [&]() -> Value {
        if (stack_.size() <= f.stackBase) return Value();
        Value v = stack_.back();
        stack_.pop_back();
        return v;
    };
    [[maybe_unused]] auto push = [&](Value v) {
        if (stack_.size() >= maxStack) stopScript("pile des scripts pleine");
        stack_.push_back(v);
    };
    [[maybe_unused]] auto reg = [&](std::uint32_t i) -> Value* {
        if (i < f.regCount) return &f.regs[i];
        if (i < 4) return &globalRegs_[i];
        return nullptr;
    };
    [[maybe_unused]] auto pushBool = [&](bool b) {
        // Version 4 movies see comparisons as 1 and 0.
        push(ver < 5 ? Value::number(b ? 1 : 0) : Value::boolean(b));
    };
    [[maybe_unused]] auto stringOf = [&](Value v) -> std::string { return toString(v); };

    std::vector<Value> args;
    std::uint32_t pc = begin;
    std::uint32_t sinceCheck = 0;
    while (!f.returned) {
        if (pc < begin || pc >= end) break;
        const Record& r = P.records[pc];
        if (++steps_ > limits_.maxSteps) stopScript("trop d'actions (boucle sans fin ?)");
        if (++sinceCheck >= 4096) {
            sinceCheck = 0;
            safePoint();
        }
        std::uint32_t next = r.next;
        switch (r.code) {
        case End:
            // Ends frame code, or returns from a function.
            f.returned = true;
            break;

        case Push:
            for (const PushItem& it : P.pushes[r.extra]) {
                switch (it.kind) {
                case PushItem::Kind::Literal: push(it.literal); break;
                case PushItem::Kind::Constant:
                    if (f.pool && it.index < f.pool->size())
                        push(Value::string((*f.pool)[it.index]));
                    else
                        push(Value());
                    break;
                case PushItem::Kind::Register: {
                    Value* rv = reg(it.index);
                    push(rv ? *rv : Value());
                    break;
                }
                }
            }
            break;
        case Pop: pop(); break;
        case PushDuplicate: {
            Value v = stack_.size() > f.stackBase ? stack_.back() : Value();
            push(v);
            break;
        }
        case StackSwap: {
            Value a = pop();
            Value b = pop();
            push(a);
            push(b);
            break;
        }
        case StoreRegister:
            if (Value* rv = reg(r.a)) *rv = stack_.size() > f.stackBase ? stack_.back() : Value();
            break;
        case ConstantPool: f.pool = &P.pools[r.extra]; break;

        case Add: {
            Value vb = pop();
            double a = toNumber(pop());
            double b = toNumber(vb);
            push(Value::number(a + b));
            break;
        }
        case Subtract: {
            Value vb = pop();
            double a = toNumber(pop());
            double b = toNumber(vb);
            push(Value::number(a - b));
            break;
        }
        case Multiply: {
            Value vb = pop();
            double a = toNumber(pop());
            double b = toNumber(vb);
            push(Value::number(a * b));
            break;
        }
        case Divide: {
            Value vb = pop();
            double a = toNumber(pop());
            double b = toNumber(vb);
            if (ver < 5 && b == 0)
                push(str("#ERROR#"));
            else
                push(Value::number(a / b));
            break;
        }
        case Modulo: {
            Value vb = pop();
            double a = toNumber(pop());
            double b = toNumber(vb);
            push(Value::number(std::fmod(a, b)));
            break;
        }
        case Increment: push(Value::number(toNumber(pop()) + 1)); break;
        case Decrement: push(Value::number(toNumber(pop()) - 1)); break;
        case ToInteger: {
            double n = toNumber(pop());
            push(Value::number(std::isnan(n) ? 0 : std::trunc(n)));
            break;
        }
        case ToNumber: push(Value::number(toNumber(pop()))); break;
        case ToString: push(Value::string(toStr(pop()))); break;
        case Add2: {
            Value b = toPrimitive(pop());
            Value a = toPrimitive(pop());
            if (a.isString() || b.isString()) {
                std::string s = toString(a);
                if (b.isString()) {
                    if (s.size() + b.str().size() > limits_.maxStringBytes) stopScript("chaîne trop longue");
                    s.append(b.str());
                } else {
                    s += toString(b);
                }
                push(str(std::move(s)));
            } else {
                // An object whose valueOf gave no primitive is asked again, and is NaN.
                double x = a.isObject() ? toNumber(a) : primitiveToNumber(a, ver);
                double y = b.isObject() ? toNumber(b) : primitiveToNumber(b, ver);
                push(Value::number(x + y));
            }
            break;
        }
        case BitAnd: {
            std::int32_t b = toInt32(pop());
            std::int32_t a = toInt32(pop());
            push(Value::number(a & b));
            break;
        }
        case BitOr: {
            std::int32_t b = toInt32(pop());
            std::int32_t a = toInt32(pop());
            push(Value::number(a | b));
            break;
        }
        case BitXor: {
            std::int32_t b = toInt32(pop());
            std::int32_t a = toInt32(pop());
            push(Value::number(a ^ b));
            break;
        }
        case BitLShift: {
            std::uint32_t n = static_cast<std::uint32_t>(toInt32(pop())) & 31;
            std::int32_t a = toInt32(pop());
            push(Value::number(static_cast<std::int32_t>(static_cast<std::uint32_t>(a) << n)));
            break;
        }
        case BitRShift: {
            std::uint32_t n = static_cast<std::uint32_t>(toInt32(pop())) & 31;
            std::int32_t a = toInt32(pop());
            push(Value::number(a >> n));
            break;
        }
        case BitURShift: {
            std::uint32_t n = static_cast<std::uint32_t>(toInt32(pop())) & 31;
            std::int32_t a = toInt32(pop());
            // A shift by zero gives the signed value back, as the reference player does.
            push(Value::number(n == 0 ? static_cast<double>(a)
                                      : static_cast<double>(static_cast<std::uint32_t>(a) >> n)));
            break;
        }

        case Equals: {
            Value vb = pop();
            double a = toNumber(pop());
            double b = toNumber(vb);
            pushBool(a == b);
            break;
        }
        case Less: {
            Value vb = pop();
            double a = toNumber(pop());
            double b = toNumber(vb);
            pushBool(a < b);
            break;
        }
        case And: {
            bool b = toBoolean(pop());
            bool a = toBoolean(pop());
            pushBool(a && b);
            break;
        }
        case Or: {
            bool b = toBoolean(pop());
            bool a = toBoolean(pop());
            pushBool(a || b);
            break;
        }
        case Not: pushBool(!toBoolean(pop())); break;
        case Equals2: {
            Value b = pop();
            Value a = pop();
            push(Value::boolean(looseEquals(a, b)));
            break;
        }
        case StrictEquals: {
            Value b = pop();
            Value a = pop();
            push(Value::boolean(strictEquals(a, b)));
            break;
        }
        case Less2:
        case Greater: {
            Value b = pop();
            Value a = pop();
            if (r.code == Greater) std::swap(a, b);
            // The left operand is converted first; an object that stays an
            // object (its valueOf gave none) makes the comparison false.
            a = toPrimitive(a, Hint::Number);
            if (a.isObject()) {
                push(Value::boolean(false));
                break;
            }
            b = toPrimitive(b, Hint::Number);
            if (b.isObject()) {
                push(Value::boolean(false));
                break;
            }
            if (a.isString() && b.isString()) {
                push(Value::boolean(a.str() < b.str()));
            } else {
                double x = primitiveToNumber(a, ver), y = primitiveToNumber(b, ver);
                if (std::isnan(x) || std::isnan(y))
                    push(Value());
                else
                    push(Value::boolean(x < y));
            }
            break;
        }
        case Jump:
            if (r.target < 0) {
                f.pc = end;
                return;
            }
            if (static_cast<std::uint32_t>(r.target) <= pc) safePoint();
            next = static_cast<std::uint32_t>(r.target);
            break;
        case If:
            if (toBoolean(pop())) {
                if (r.target < 0) {
                    f.pc = end;
                    return;
                }
                if (static_cast<std::uint32_t>(r.target) <= pc) safePoint();
                next = static_cast<std::uint32_t>(r.target);
            }
            break;
        case Return:
            f.result = pop();
            f.returned = true;
            break;
        case GetVariable: {
            Value name = pop();
            if (name.isString())
                push(getVariable(f, name.str()));
            else
                push(getVariable(f, stringOf(name)));
            break;
        }
        case SetVariable: {
            Value v = pop();
            Value name = pop();
            if (name.isString())
                setVariable(f, name.str(), v);
            else
                setVariable(f, stringOf(name), v);
            break;
        }
        case GetMember: {
            Value name = pop();
            Value obj = pop();
            if (obj.isObject() && obj.o->kind() == Object::Kind::Array && name.isNumber()) {
                double d = name.n;
                auto* a = static_cast<ArrayObject*>(obj.o);
                if (d >= 0 && d < a->denseSize() && d == std::floor(d)) {
                    auto i = static_cast<std::uint32_t>(d);
                    if (a->has(*this, i)) {
                        push(a->get(*this, i));
                        break;
                    }
                }
            }
            std::string key = name.isString() ? std::string(name.str()) : stringOf(name);
            push(get(obj, key));
            break;
        }
        case SetMember: {
            Value v = pop();
            Value name = pop();
            Value obj = pop();
            if (!obj.isObject()) break;
            if (obj.o->kind() == Object::Kind::Array && name.isNumber() && obj.o->watchers().empty()) {
                double d = name.n;
                if (d >= 0 && d < 4294967295.0 && d == std::floor(d)) {
                    static_cast<ArrayObject*>(obj.o)->set(*this, static_cast<std::uint32_t>(d), v);
                    break;
                }
            }
            if (name.isString())
                set(obj.o, name.str(), v);
            else
                set(obj.o, stringOf(name), v);
            break;
        }
        case TypeOf: push(str(typeName(pop()))); break;
        default: next = executeOther(f, r, pc, end, next); break;
        }
        pc = next;
    }
    f.pc = pc;
}

// The actions that are not on the hot path, kept out of execute() so that
// its stack frame stays small (a script may nest 256 calls of it).
__attribute__((noinline)) std::uint32_t Machine::executeOther(Frame& f, const Record& r, std::uint32_t pc,
                                                              std::uint32_t end, std::uint32_t next) {
    [[maybe_unused]] const Program& P = *f.prog;
    const std::size_t maxStack = limits_.maxStack;
    [[maybe_unused]] const bool cs = caseSensitive();
    const int ver = version_;
    [[maybe_unused]] auto pop = [&]() -> Value {
        if (stack_.size() <= f.stackBase) return Value();
        Value v = stack_.back();
        stack_.pop_back();
        return v;
    };
    [[maybe_unused]] auto push = [&](Value v) {
        if (stack_.size() >= maxStack) stopScript("pile des scripts pleine");
        stack_.push_back(v);
    };
    [[maybe_unused]] auto reg = [&](std::uint32_t i) -> Value* {
        if (i < f.regCount) return &f.regs[i];
        if (i < 4) return &globalRegs_[i];
        return nullptr;
    };
    [[maybe_unused]] auto pushBool = [&](bool b) {
        // Version 4 movies see comparisons as 1 and 0.
        push(ver < 5 ? Value::number(b ? 1 : 0) : Value::boolean(b));
    };
    [[maybe_unused]] auto popArgs = [&](std::vector<Value>& args) {
        double count = toNumber(pop());
        std::size_t n = std::isfinite(count) && count > 0 ? static_cast<std::size_t>(std::min(count, 1e9)) : 0;
        std::size_t available = stack_.size() - f.stackBase;
        args.clear();
        args.reserve(std::min(n, available));
        for (std::size_t i = 0; i < n && i < available + 0; ++i) args.push_back(pop());
        if (n > available) chargeSteps(0);
    };
    [[maybe_unused]] auto timeline = [&]() -> ClipHandle {
        Object* t = f.target;
        if (t && t->kind() == Object::Kind::Stage) return static_cast<StageObject*>(t)->clip();
        return 0;
    };
    [[maybe_unused]] auto gotoValue = [&](ClipHandle clip, Value frame, std::uint32_t bias, bool play) {
        if (!clip) return;
        if (frame.isString()) {
            std::string s(frame.str());
            std::size_t colon = s.rfind(':');
            if (colon != std::string::npos) {
                Object* o = resolvePath(f, f.target, s.substr(0, colon));
                clip = o && o->kind() == Object::Kind::Stage ? static_cast<StageObject*>(o)->clip() : 0;
                s = s.substr(colon + 1);
                if (!clip) return;
            }
            double n = parseNumber(s, ver);
            if (!std::isnan(n)) {
                host_.gotoFrame(clip, static_cast<int>(n) - 1 + static_cast<int>(bias), play);
            } else {
                host_.gotoLabel(clip, s, play);
            }
            return;
        }
        double n = toNumber(frame);
        if (!std::isfinite(n)) return;
        n = std::trunc(n);
        if (n < 1 - 1e9 || n > 1e9) return;
        host_.gotoFrame(clip, static_cast<int>(n) - 1 + static_cast<int>(bias), play);
    };
    [[maybe_unused]] auto stringOf = [&](Value v) -> std::string { return toString(v); };

    std::vector<Value> args;
    switch (r.code) {
    case CallFunction:
    case CallMethod:
    case NewMethod:
    case NewObject: return executeCall(f, r, pc, end, next);
    case Throw:
    case Try:
    case With: return executeBlock(f, r, pc, end, next);
    case NextFrame: host_.nextFrame(timeline()); break;
    case PrevFrame: host_.prevFrame(timeline()); break;
    case Play: host_.play(timeline()); break;
    case Stop: host_.stop(timeline()); break;
    case ToggleQuality: host_.toggleQuality(); break;
    case StopSounds: host_.stopSounds(); break;
    case GotoFrame:
        if (ClipHandle c = timeline()) host_.gotoFrame(c, static_cast<int>(r.a), false);
        break;
    case GotoLabel:
        if (ClipHandle c = timeline()) host_.gotoLabel(c, r.s1->text, false);
        break;
    case GotoFrame2: gotoValue(timeline(), pop(), r.b, r.a != 0); break;
    case GetURL: host_.getUrl(r.s1->text, r.s2->text, 0); break;
    case GetURL2: {
        Value window = pop();
        Value url = pop();
        host_.getUrl(stringOf(url), stringOf(window), static_cast<int>(r.a & 3));
        break;
    }
    case WaitForFrame:
    case WaitForFrame2: {
        ClipHandle c = timeline();
        int frame = 0;
        if (r.code == WaitForFrame) {
            frame = static_cast<int>(r.a);
        } else {
            Value v = pop();
            if (v.isString() && c) {
                int byLabel = host_.frameOfLabel(c, v.str());
                frame = byLabel >= 0 ? byLabel : static_cast<int>(toNumber(v)) - 1;
            } else {
                double n = toNumber(v);
                frame = std::isfinite(n) ? static_cast<int>(std::clamp(n, -1e9, 1e9)) - 1 : 0;
            }
        }
        bool loaded = c && frame < host_.framesLoaded(c);
        if (!loaded) {
            std::uint32_t skip = r.b;
            for (std::uint32_t k = 0; k < skip && next < P.records.size() - 1; ++k) next = P.records[next].next;
        }
        break;
    }
    case SetTarget: {
        std::string_view path = r.s1->text;
        Object* t = path.empty() ? f.original : resolvePath(f, f.original, path);
        if (!t) t = newObject();  // aimed at no clip: timeline commands reach no one
        f.target = t;
        f.scope = heap_.make<Scope>(t, nullptr);
        f.thisValue = Value::object(t);
        break;
    }
    case SetTarget2: {
        Value v = pop();
        Object* t = nullptr;
        if (v.isObject())
            t = v.o;
        else {
            std::string path = stringOf(v);
            t = path.empty() ? f.original : resolvePath(f, f.original, path);
        }
        if (!t) t = newObject();  // aimed at no clip: timeline commands reach no one
        f.target = t;
        f.scope = heap_.make<Scope>(t, nullptr);
        f.thisValue = Value::object(t);
        break;
    }
    case GetProperty: {
        Value index = pop();
        Value target = pop();
        Object* o = clipFor(f, target);
        double i = std::trunc(toNumber(index));
        Value out;
        if (o && std::isfinite(i) && i >= 0 && i < static_cast<int>(DisplayProperty::Count))
            out = get(o, displayPropertyName(static_cast<DisplayProperty>(static_cast<int>(i))));
        push(out);
        break;
    }
    case SetProperty: {
        Value value = pop();
        Value index = pop();
        Value target = pop();
        Object* o = clipFor(f, target);
        double i = std::trunc(toNumber(index));
        if (o && std::isfinite(i) && i >= 0 && i < static_cast<int>(DisplayProperty::Count))
            set(o, displayPropertyName(static_cast<DisplayProperty>(static_cast<int>(i))), value);
        break;
    }
    case CloneSprite: {
        Value depth = pop();
        Value name = pop();
        Value source = pop();
        Object* o = clipFor(f, source);
        if (o && o->kind() == Object::Kind::Stage) {
            double d = toNumber(depth);
            host_.cloneSprite(static_cast<StageObject*>(o)->clip(), stringOf(name),
                              std::isfinite(d) ? static_cast<int>(std::clamp(d, -1e9, 1e9)) : 0);
        }
        break;
    }
    case RemoveSprite: {
        Object* o = clipFor(f, pop());
        if (o && o->kind() == Object::Kind::Stage) host_.removeSprite(static_cast<StageObject*>(o)->clip());
        break;
    }
    case StartDrag: {
        Value target = pop();
        bool lock = toBoolean(pop());
        bool constrained = toBoolean(pop());
        std::optional<DragBounds> bounds;
        if (constrained) {
            DragBounds b;
            b.bottom = toNumber(pop());
            b.right = toNumber(pop());
            b.top = toNumber(pop());
            b.left = toNumber(pop());
            bounds = b;
        }
        Object* o = clipFor(f, target);
        if (o && o->kind() == Object::Kind::Stage) host_.startDrag(static_cast<StageObject*>(o)->clip(), lock, bounds);
        break;
    }
    case EndDrag: host_.stopDrag(); break;
    case Call: {
        Value frame = pop();
        ClipHandle c = timeline();
        std::string s = stringOf(frame);
        std::size_t colon = s.rfind(':');
        if (colon != std::string::npos) {
            Object* o = resolvePath(f, f.target, s.substr(0, colon));
            c = o && o->kind() == Object::Kind::Stage ? static_cast<StageObject*>(o)->clip() : 0;
            s = s.substr(colon + 1);
        }
        if (!c) break;
        double n = parseNumber(s, ver);
        int index = !std::isnan(n) ? static_cast<int>(std::clamp(n, -1e9, 1e9)) - 1 : host_.frameOfLabel(c, s);
        if (index < 0) break;
        if (frames_.size() >= limits_.maxCallDepth) stopScript("récursion trop profonde (256 appels)");
        for (auto bytes : host_.frameActions(c, index)) {
            auto program = compile(bytes);
            Frame g;
            g.prog = program.get();
            Object* t = clipObject(c);
            g.scope = heap_.make<Scope>(t, nullptr);
            g.target = g.original = t;
            g.thisValue = Value::object(t);
            g.regs = globalRegs_;
            g.regCount = 4;
            g.version = version_;
            std::size_t base = stack_.size();
            frames_.push_back(&g);
            g.stackBase = base;
            try {
                execute(g, 0, static_cast<std::uint32_t>(g.prog->records.size()));
            } catch (...) {
                frames_.pop_back();
                throw;
            }
            frames_.pop_back();
            if (stack_.size() > base) stack_.resize(base);
        }
        break;
    }

    case StringEquals: {
        std::string b = stringOf(pop());
        std::string a = stringOf(pop());
        pushBool(a == b);
        break;
    }
    case StringLess: {
        std::string b = stringOf(pop());
        std::string a = stringOf(pop());
        pushBool(a < b);
        break;
    }
    case StringGreater: {
        std::string b = stringOf(pop());
        std::string a = stringOf(pop());
        pushBool(a > b);
        break;
    }

    case StringAdd: {
        Value b = pop();
        Value a = pop();
        std::string s = stringOf(a);
        std::string t = stringOf(b);
        if (s.size() + t.size() > limits_.maxStringBytes) stopScript("chaîne trop longue");
        push(str(s + t));
        break;
    }
    case StringLength: {
        std::string s = stringOf(pop());
        push(Value::number(static_cast<double>(ver >= 6 ? utf8Count(s) : s.size())));
        break;
    }
    case MBStringLength: push(Value::number(static_cast<double>(utf8Count(stringOf(pop()))))); break;
    case StringExtract:
    case MBStringExtract: {
        double count = toNumber(pop());
        double index = toNumber(pop());
        std::string s = stringOf(pop());
        bool chars = r.code == MBStringExtract || ver >= 6;
        std::size_t len = chars ? utf8Count(s) : s.size();
        double start = std::isnan(index) ? 0 : std::trunc(index) - 1;
        if (start < 0) start = 0;
        if (start >= static_cast<double>(len)) {
            push(str(""));
            break;
        }
        double n = std::isnan(count) || count < 0 ? static_cast<double>(len) : std::trunc(count);
        n = std::min(n, static_cast<double>(len) - start);
        auto a = static_cast<std::size_t>(start), b = a + static_cast<std::size_t>(n);
        if (chars) {
            std::size_t x = utf8Offset(s, a), y = utf8Offset(s, b);
            push(str(s.substr(x, y - x)));
        } else {
            push(str(s.substr(a, b - a)));
        }
        break;
    }
    case CharToAscii: {
        std::string s = stringOf(pop());
        if (ver >= 6)
            push(Value::number(s.empty() ? 0 : utf8First(s)));
        else
            push(Value::number(s.empty() ? 0 : static_cast<unsigned char>(s[0])));
        break;
    }
    case MBCharToAscii: {
        std::string s = stringOf(pop());
        push(Value::number(utf8First(s)));
        break;
    }
    case AsciiToChar:
    case MBAsciiToChar: {
        double n = toNumber(pop());
        auto cp = static_cast<std::uint32_t>(swf::script::toInt32(n));
        if (r.code == AsciiToChar && ver < 6) {
            cp &= 0xFF;
            push(str(cp == 0 ? std::string() : cp < 0x80 ? std::string(1, static_cast<char>(cp)) : utf8Encode(cp)));
        } else {
            cp &= 0xFFFF;
            push(str(cp == 0 ? std::string() : utf8Encode(cp)));
        }
        break;
    }

    case DefineLocal: {
        Value v = pop();
        std::string name = stringOf(pop());
        if (f.activation) {
            f.activation->define(heap_, name, v, 0, cs);
        } else if (hasPathChars(name) || isDotPath(name)) {
            setVariable(f, name, v);
        } else {
            // In frame code a With object that owns the name takes the value.
            Object* into = f.target;
            for (Scope* s = f.scope; s && s->isWith; s = s->parent)
                if (s->object->findOwn(name, cs) || s->object->hasVirtual(*this, name)) {
                    into = s->object;
                    break;
                }
            set(into, name, v);
        }
        break;
    }
    case DefineLocal2: {
        std::string name = stringOf(pop());
        Object* into = f.activation ? f.activation : f.target;
        if (!into->findOwn(name, cs)) into->define(heap_, name, Value(), 0, cs);
        break;
    }
    case Delete: {
        std::string name = stringOf(pop());
        Value obj = pop();
        push(Value::boolean(obj.isObject() && remove(obj.o, name)));
        break;
    }
    case Delete2: {
        std::string name = stringOf(pop());
        bool done = false;
        for (Scope* s = f.scope; s && !done; s = s->parent)
            if (has(s->object, name)) {
                push(Value::boolean(remove(s->object, name)));
                done = true;
            }
        if (!done) {
            if (realm_->global->findOwn(name, cs))
                push(Value::boolean(remove(realm_->global, name)));
            else
                push(Value::boolean(false));
        }
        break;
    }
    case TargetPath: {
        Value v = pop();
        if (v.isObject() && v.o->kind() == Object::Kind::Stage && static_cast<StageObject*>(v.o)->alive())
            push(str(clipPath(static_cast<StageObject*>(v.o), true)));
        else
            push(Value());
        break;
    }
    case Enumerate:
    case Enumerate2: {
        Value v = pop();
        Object* o = nullptr;
        if (r.code == Enumerate) {
            Value target = getVariable(f, stringOf(v));
            o = target.isObject() ? target.o : nullptr;
        } else {
            o = v.isObject() ? v.o : nullptr;
        }
        push(Value());
        if (o) {
            std::vector<std::string> names = enumerate(o);
            chargeSteps(names.size());
            for (auto it = names.rbegin(); it != names.rend(); ++it) push(str(*it));
        }
        break;
    }

    case InitArray: {
        // A count that is negative or more than the stack holds makes nothing.
        {
            double count = toNumber(pop());
            double available = static_cast<double>(stack_.size() - f.stackBase);
            if (!(count >= 0) || std::trunc(count) > available) {
                push(Value());
                break;
            }
            push(Value::number(std::trunc(count)));
        }
        popArgs(args);
        push(Value::object(newArray(args)));
        break;
    }
    case InitObject: {
        double count = toNumber(pop());
        if (!(count >= 0) || std::trunc(count) * 2 > static_cast<double>(stack_.size() - f.stackBase)) {
            push(Value());
            break;
        }
        std::size_t n = std::isfinite(count) && count > 0 ? static_cast<std::size_t>(std::min(count, 1e9)) : 0;
        Object* o = newObject();
        std::size_t available = (stack_.size() - f.stackBase) / 2;
        for (std::size_t i = 0; i < n && i < available; ++i) {
            Value v = pop();
            std::string name = stringOf(pop());
            set(o, name, v);
        }
        push(Value::object(o));
        break;
    }
    case DefineFunction:
    case DefineFunction2: {
        const FunctionCode& code = P.functions[r.extra];
        std::shared_ptr<const Program> keep;
        if (f.callee)
            keep = f.callee->program;
        else {
            for (const CacheEntry& e : cache_)
                if (e.program.get() == &P) keep = e.program;
        }
        auto* fn = heap_.make<FunctionObject>(realm_->functionProto, keep, &code, f.scope, f.target, ver);
        fn->pool = f.pool;
        Object* proto = newObject();
        proto->define(heap_, "constructor", Value::object(fn), DontEnum, cs);
        fn->define(heap_, "prototype", Value::object(proto), DontEnum, cs);
        if (!code.name->text.empty()) {
            if (f.activation)
                f.activation->define(heap_, code.name->text, Value::object(fn), 0, cs);
            else
                set(f.target, code.name->text, Value::object(fn));
        } else {
            push(Value::object(fn));
        }
        next = r.target >= 0 ? static_cast<std::uint32_t>(r.target) : end;
        break;
    }
    case InstanceOf: {
        Value ctor = pop();
        Value v = pop();
        push(Value::boolean(ctor.isObject() && instanceOf(v, ctor.o)));
        break;
    }
    case CastOp: {
        Value v = pop();
        Value ctor = pop();
        push(ctor.isObject() && instanceOf(v, ctor.o) ? v : Value::null());
        break;
    }
    case ImplementsOp: {
        Value ctor = pop();
        popArgs(args);
        if (ctor.isObject()) {
            Value proto = get(ctor.o, "prototype");
            if (proto.isObject()) {
                std::vector<Object*>& list = proto.o->interfaces();
                list.clear();
                for (const Value& a : args)
                    if (a.isObject()) list.push_back(a.o);
            }
        }
        break;
    }
    case Extends: {
        Value superclass = pop();
        Value subclass = pop();
        if (!superclass.isObject() || !subclass.isObject()) break;
        Value superProto = get(superclass.o, "prototype");
        Object* proto = heap_.make<Object>(superProto.isObject() ? superProto.o : realm_->objectProto);
        proto->define(heap_, "__constructor__", superclass, DontEnum, cs);
        if (ver < 6) proto->define(heap_, "constructor", superclass, DontEnum, cs);
        subclass.o->define(heap_, "prototype", Value::object(proto), DontEnum, cs);
        break;
    }

    case Trace: {
        Value v = pop();
        traceLine(v.isUndefined() ? std::string("undefined") : stringOf(v));
        break;
    }
    case GetTime: push(Value::number(std::floor(host_.timeMs()))); break;
    case RandomNumber: {
        double max = toNumber(pop());
        std::uint32_t bound =
            std::isfinite(max) && max >= 1 ? static_cast<std::uint32_t>(std::min(max, 4294967295.0)) : 1;
        push(Value::number(host_.random(bound)));
        break;
    }

    default:
        // Unknown codes are skipped, as the reference player does.
        break;
    }
    return next;
}

__attribute__((noinline)) std::uint32_t Machine::executeCall(Frame& f, const Record& r, std::uint32_t pc,
                                                             std::uint32_t end, std::uint32_t next) {
    [[maybe_unused]] const Program& P = *f.prog;
    const std::size_t maxStack = limits_.maxStack;
    [[maybe_unused]] const bool cs = caseSensitive();
    const int ver = version_;
    [[maybe_unused]] auto pop = [&]() -> Value {
        if (stack_.size() <= f.stackBase) return Value();
        Value v = stack_.back();
        stack_.pop_back();
        return v;
    };
    [[maybe_unused]] auto push = [&](Value v) {
        if (stack_.size() >= maxStack) stopScript("pile des scripts pleine");
        stack_.push_back(v);
    };
    [[maybe_unused]] auto reg = [&](std::uint32_t i) -> Value* {
        if (i < f.regCount) return &f.regs[i];
        if (i < 4) return &globalRegs_[i];
        return nullptr;
    };
    [[maybe_unused]] auto pushBool = [&](bool b) {
        // Version 4 movies see comparisons as 1 and 0.
        push(ver < 5 ? Value::number(b ? 1 : 0) : Value::boolean(b));
    };
    [[maybe_unused]] auto popArgs = [&](std::vector<Value>& args) {
        double count = toNumber(pop());
        std::size_t n = std::isfinite(count) && count > 0 ? static_cast<std::size_t>(std::min(count, 1e9)) : 0;
        std::size_t available = stack_.size() - f.stackBase;
        args.clear();
        args.reserve(std::min(n, available));
        for (std::size_t i = 0; i < n && i < available + 0; ++i) args.push_back(pop());
        if (n > available) chargeSteps(0);
    };
    [[maybe_unused]] auto timeline = [&]() -> ClipHandle {
        Object* t = f.target;
        if (t && t->kind() == Object::Kind::Stage) return static_cast<StageObject*>(t)->clip();
        return 0;
    };
    [[maybe_unused]] auto gotoValue = [&](ClipHandle clip, Value frame, std::uint32_t bias, bool play) {
        if (!clip) return;
        if (frame.isString()) {
            std::string s(frame.str());
            std::size_t colon = s.rfind(':');
            if (colon != std::string::npos) {
                Object* o = resolvePath(f, f.target, s.substr(0, colon));
                clip = o && o->kind() == Object::Kind::Stage ? static_cast<StageObject*>(o)->clip() : 0;
                s = s.substr(colon + 1);
                if (!clip) return;
            }
            double n = parseNumber(s, ver);
            if (!std::isnan(n)) {
                host_.gotoFrame(clip, static_cast<int>(n) - 1 + static_cast<int>(bias), play);
            } else {
                host_.gotoLabel(clip, s, play);
            }
            return;
        }
        double n = toNumber(frame);
        if (!std::isfinite(n)) return;
        n = std::trunc(n);
        if (n < 1 - 1e9 || n > 1e9) return;
        host_.gotoFrame(clip, static_cast<int>(n) - 1 + static_cast<int>(bias), play);
    };
    [[maybe_unused]] auto stringOf = [&](Value v) -> std::string { return toString(v); };

    std::vector<Value> args;
    switch (r.code) {
    case CallFunction: {
        Value name = pop();
        popArgs(args);
        std::string n = name.isString() ? std::string(name.str()) : stringOf(name);
        Value fn = getVariable(f, n);
        Value thisValue;
        Object* holder = nullptr;
        if (fn.isObject() && fn.o->kind() == Object::Kind::Super) {
            auto* s = static_cast<SuperObject*>(fn.o);
            Value ctor = s->holder ? get(s->holder, "__constructor__") : Value();
            if (ctor.isObject() && ctor.o->isFunction())
                push(invoke(static_cast<FunctionObject*>(ctor.o), s->thisValue, args,
                            s->holder ? s->holder->proto() : nullptr));
            else
                push(Value());
            break;
        }
        if (!fn.isObject() || !fn.o->isFunction()) {
            push(Value());
            break;
        }
        push(invoke(static_cast<FunctionObject*>(fn.o), thisValue, args, holder));
        break;
    }
    case CallMethod: {
        Value name = pop();
        Value obj = pop();
        popArgs(args);
        std::string n = name.isUndefined() ? std::string() : stringOf(name);
        if (n.empty()) {
            // The object itself is the function; `super()` runs the parent constructor.
            if (obj.isObject() && obj.o->kind() == Object::Kind::Super) {
                auto* s = static_cast<SuperObject*>(obj.o);
                Value ctor = s->holder ? get(s->holder, "__constructor__") : Value();
                if (ctor.isObject() && ctor.o->isFunction())
                    push(invoke(static_cast<FunctionObject*>(ctor.o), s->thisValue, args,
                                s->holder ? s->holder->proto() : nullptr));
                else
                    push(Value());
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
            Property* p = above ? lookup(above, n, &holder) : nullptr;
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
        if (!find(o, n, fn)) fn = Value();
        if (fn.isObject() && fn.o->isFunction()) {
            if (!lookup(o, n, &holder)) holder = nullptr;
            push(invoke(static_cast<FunctionObject*>(fn.o), obj.isObject() ? obj : Value::object(o), args, holder));
        } else {
            push(Value());
        }
        break;
    }
    case NewObject: {
        Value name = pop();
        popArgs(args);
        Value ctor = getVariable(f, stringOf(name));
        push(construct(ctor, args));
        break;
    }
    case NewMethod: {
        Value name = pop();
        Value obj = pop();
        popArgs(args);
        std::string n = name.isUndefined() ? std::string() : stringOf(name);
        Value ctor = n.empty() ? obj : get(obj, n);
        push(construct(ctor, args));
        break;
    }
    default: break;
    }
    return next;
}

__attribute__((noinline)) std::uint32_t Machine::executeBlock(Frame& f, const Record& r, std::uint32_t pc,
                                                              std::uint32_t end, std::uint32_t next) {
    [[maybe_unused]] const Program& P = *f.prog;
    const std::size_t maxStack = limits_.maxStack;
    [[maybe_unused]] const bool cs = caseSensitive();
    const int ver = version_;
    [[maybe_unused]] auto pop = [&]() -> Value {
        if (stack_.size() <= f.stackBase) return Value();
        Value v = stack_.back();
        stack_.pop_back();
        return v;
    };
    [[maybe_unused]] auto push = [&](Value v) {
        if (stack_.size() >= maxStack) stopScript("pile des scripts pleine");
        stack_.push_back(v);
    };
    [[maybe_unused]] auto reg = [&](std::uint32_t i) -> Value* {
        if (i < f.regCount) return &f.regs[i];
        if (i < 4) return &globalRegs_[i];
        return nullptr;
    };
    [[maybe_unused]] auto pushBool = [&](bool b) {
        // Version 4 movies see comparisons as 1 and 0.
        push(ver < 5 ? Value::number(b ? 1 : 0) : Value::boolean(b));
    };
    [[maybe_unused]] auto popArgs = [&](std::vector<Value>& args) {
        double count = toNumber(pop());
        std::size_t n = std::isfinite(count) && count > 0 ? static_cast<std::size_t>(std::min(count, 1e9)) : 0;
        std::size_t available = stack_.size() - f.stackBase;
        args.clear();
        args.reserve(std::min(n, available));
        for (std::size_t i = 0; i < n && i < available + 0; ++i) args.push_back(pop());
        if (n > available) chargeSteps(0);
    };
    [[maybe_unused]] auto timeline = [&]() -> ClipHandle {
        Object* t = f.target;
        if (t && t->kind() == Object::Kind::Stage) return static_cast<StageObject*>(t)->clip();
        return 0;
    };
    [[maybe_unused]] auto gotoValue = [&](ClipHandle clip, Value frame, std::uint32_t bias, bool play) {
        if (!clip) return;
        if (frame.isString()) {
            std::string s(frame.str());
            std::size_t colon = s.rfind(':');
            if (colon != std::string::npos) {
                Object* o = resolvePath(f, f.target, s.substr(0, colon));
                clip = o && o->kind() == Object::Kind::Stage ? static_cast<StageObject*>(o)->clip() : 0;
                s = s.substr(colon + 1);
                if (!clip) return;
            }
            double n = parseNumber(s, ver);
            if (!std::isnan(n)) {
                host_.gotoFrame(clip, static_cast<int>(n) - 1 + static_cast<int>(bias), play);
            } else {
                host_.gotoLabel(clip, s, play);
            }
            return;
        }
        double n = toNumber(frame);
        if (!std::isfinite(n)) return;
        n = std::trunc(n);
        if (n < 1 - 1e9 || n > 1e9) return;
        host_.gotoFrame(clip, static_cast<int>(n) - 1 + static_cast<int>(bias), play);
    };
    [[maybe_unused]] auto stringOf = [&](Value v) -> std::string { return toString(v); };

    std::vector<Value> args;
    switch (r.code) {
    case Throw: throwValue(pop());
    case Try: {
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
                    if (Value* rv = reg(t.catchRegister)) *rv = e.value;
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
                    set(into, t.catchName->text, e.value);
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
    case With: {
        Value v = pop();
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
