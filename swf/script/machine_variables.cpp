// Paths and variables (slash and dot paths, the scope chain, _global and
// _levelN), and the actions that define, delete and list variables and
// members, build arrays and objects, and link classes.
#include <cmath>

#include <utility>

#include "swf/script/machine_internal.h"

namespace swf::script {

namespace {

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
    if (name.size() == 5 && equalNames(name, "super", cs) && f.callee &&
        !(f.callee->code->v2 && (f.callee->code->flags & SuppressSuper)))
        return Value::object(heap_.make<SuperObject>(f.holder, f.thisValue));
    Value out;
    if (name.size() == 9 && f.callee && equalNames(name, "arguments", cs) &&
        !(f.callee->code->v2 && (f.callee->code->flags & (SuppressArguments | PreloadArguments))) &&
        !std::as_const(*f.activation).findOwn(name, cs))
        return Value::object(argumentsOf(f));
    // _global, _parent, _root and _levelN name the stage's own objects: a
    // scope object answers them only by its own member or as a clip, never
    // through its prototypes (MovieClip.prototype._global set by a movie
    // does not hide the global object).
    int levelIgnored = 0;
    const bool stageName = name.size() >= 5 && name[0] == '_' &&
                           (equalNames(name, "_global", cs) || equalNames(name, "_parent", cs) ||
                            equalNames(name, "_root", cs) || levelNumber(name, levelIgnored));
    for (Scope* s = f.scope; s; s = s->parent) {
        if (!stageName) {
            if (find(s->object, name, out)) return out;
            continue;
        }
        if (Property* p = s->object->findOwn(name, cs); p && visibleIn(p->flags, version_))
            return p->accessor() ? accessorGet(s->object, *p, name) : p->value;
        if (s->object->getVirtual(*this, name, out)) return out;
    }
    // A variable named _global (set by the movie) hides the global object.
    if (name.size() == 7 && version_ >= 6 && equalNames(name, "_global", cs)) return Value::object(realm_->global);
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

// ---------------------------------------------------------------- the actions

std::uint32_t Machine::execVariables(Frame& f, const Record& r, std::uint32_t pc, std::uint32_t end,
                                     std::uint32_t next) {
    const bool cs = caseSensitive();
    const int ver = version_;
    std::vector<Value> args;
    switch (r.code) {
    case action::DefineLocal: {
        Value v = pop(f);
        std::string name = toString(pop(f));
        if (f.activation) {
            f.activation->define(heap_, name, v, 0, cs);
        } else if (hasPathChars(name) || isDotPath(name)) {
            setVariable(f, name, v);
        } else {
            // In frame code a With object that owns the name takes the value.
            Object* into = f.target;
            for (Scope* s = f.scope; s && s->isWith; s = s->parent)
                if (std::as_const(*s->object).findOwn(name, cs) || s->object->hasVirtual(*this, name)) {
                    into = s->object;
                    break;
                }
            set(into, name, v);
        }
        break;
    }
    case action::DefineLocal2: {
        std::string name = toString(pop(f));
        Object* into = f.activation ? f.activation : f.target;
        if (!std::as_const(*into).findOwn(name, cs)) into->define(heap_, name, Value(), 0, cs);
        break;
    }
    case action::Delete: {
        std::string name = toString(pop(f));
        Value obj = pop(f);
        push(Value::boolean(obj.isObject() && remove(obj.o, name)));
        break;
    }
    case action::Delete2: {
        std::string name = toString(pop(f));
        bool done = false;
        for (Scope* s = f.scope; s && !done; s = s->parent)
            if (has(s->object, name)) {
                push(Value::boolean(remove(s->object, name)));
                done = true;
            }
        if (!done) {
            if (std::as_const(*realm_->global).findOwn(name, cs))
                push(Value::boolean(remove(realm_->global, name)));
            else
                push(Value::boolean(false));
        }
        break;
    }
    case action::Enumerate:
    case action::Enumerate2: {
        Value v = pop(f);
        Object* o = nullptr;
        if (r.code == action::Enumerate) {
            Value target = getVariable(f, toString(v));
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

    case action::InitArray: {
        // A count that is negative or more than the stack holds makes nothing.
        {
            double count = toNumber(pop(f));
            double available = static_cast<double>(stack_.size() - f.stackBase);
            if (!(count >= 0) || std::trunc(count) > available) {
                push(Value());
                break;
            }
            push(Value::number(std::trunc(count)));
        }
        popArgs(f, args);
        push(Value::object(newArray(args)));
        break;
    }
    case action::InitObject: {
        double count = toNumber(pop(f));
        if (!(count >= 0) || std::trunc(count) * 2 > static_cast<double>(stack_.size() - f.stackBase)) {
            push(Value());
            break;
        }
        std::size_t n = std::isfinite(count) && count > 0 ? static_cast<std::size_t>(std::min(count, 1e9)) : 0;
        Object* o = newObject();
        std::size_t available = (stack_.size() - f.stackBase) / 2;
        for (std::size_t i = 0; i < n && i < available; ++i) {
            Value v = pop(f);
            std::string name = toString(pop(f));
            set(o, name, v);
        }
        push(Value::object(o));
        break;
    }
    case action::InstanceOf: {
        Value ctor = pop(f);
        Value v = pop(f);
        push(Value::boolean(ctor.isObject() && instanceOf(v, ctor.o)));
        break;
    }
    case action::CastOp: {
        Value v = pop(f);
        Value ctor = pop(f);
        push(ctor.isObject() && instanceOf(v, ctor.o) ? v : Value::null());
        break;
    }
    case action::ImplementsOp: {
        Value ctor = pop(f);
        popArgs(f, args);
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
    case action::Extends: {
        Value superclass = pop(f);
        Value subclass = pop(f);
        if (!superclass.isObject() || !subclass.isObject()) break;
        Value superProto = get(superclass.o, "prototype");
        Object* proto = heap_.make<Object>(superProto.isObject() ? superProto.o : realm_->objectProto);
        proto->define(heap_, "__constructor__", superclass, DontEnum, cs);
        if (ver < 6) proto->define(heap_, "constructor", superclass, DontEnum, cs);
        subclass.o->define(heap_, "prototype", Value::object(proto), DontEnum, cs);
        break;
    }
    default: break;
    }
    return next;
}

}  // namespace swf::script
