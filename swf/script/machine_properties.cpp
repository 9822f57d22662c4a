// Property access as scripts do it: the prototype chain (bounded), flags by
// version, getters and setters, watchers, __proto__, __resolve and the
// order for..in lists names in.
#include <algorithm>
#include <unordered_set>
#include <utility>

#include "swf/script/machine_internal.h"

namespace swf::script {

const Property* Machine::lookup(Object* o, std::string_view name, Object** holder) {
    bool cs = caseSensitive();
    std::size_t depth = 0;
    for (Object* cur = o; cur; cur = cur->proto()) {
        if (const Property* p = std::as_const(*cur).findOwn(name, cs); p && visibleIn(p->flags, version_)) {
            if (holder) *holder = cur;
            return p;
        }
        if (++depth > limits_.maxPrototypeDepth) stopScript("chaîne de prototypes trop longue ou circulaire");
    }
    return nullptr;
}

Value Machine::accessorGet(Object* self, const Property& p, std::string_view name) {
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
        const Property* p = above ? lookup(above, name, &holder) : nullptr;
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
        if (const Property* p = std::as_const(*cur).findOwn(name, cs); p && visibleIn(p->flags, version_)) {
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
    // The resolver is the first __resolve along the chain holding a
    // function. A number or a clip there is passed over; any other object,
    // or a getter, ends the search with nothing (as the reference player).
    bool cs = caseSensitive();
    std::size_t depth = 0;
    for (Object* cur = o; cur; cur = cur->proto()) {
        if (++depth > limits_.maxPrototypeDepth) stopScript("chaîne de prototypes trop longue ou circulaire");
        const Property* p = std::as_const(*cur).findOwn("__resolve", cs);
        if (!p || !visibleIn(p->flags, version_)) continue;
        if (p->accessor()) return Value();
        Value resolver = p->value;
        if (resolver.isObject() && resolver.o->isFunction()) {
            Value args[1] = {str(name)};
            return call(resolver, Value::object(o), args);
        }
        if (resolver.isObject() && resolver.o->kind() != Object::Kind::Stage) return Value();
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
    if (const Object& reading = *o; !reading.watchers().empty()) {
        for (std::size_t i = 0; i < reading.watchers().size(); ++i) {
            Watcher w = reading.watchers()[i];
            if (!equalNames(w.name, name, cs)) continue;
            bool busy = false;
            for (const auto& [obj, n] : busyAccessors_)
                if (obj == o && n == "\x01" + w.name) busy = true;
            if (busy) break;
            // While the watcher runs, the property reads and writes its stored
            // value directly (no getter, setter or watcher).
            // The old value is the stored one, inherited getters included.
            const Property* stored = lookup(o, name);
            Value old = stored ? stored->value : get(o, name);
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
        const Property* p = std::as_const(*cur).findOwn(name, cs);
        if (p && p->accessor()) {
            // A getter or setter (or watcher) writing its own property stores the value.
            for (const auto& [obj, n] : busyAccessors_)
                if (obj == o && equalNames(n, name, cs)) {
                    cur->store(*p, v);
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
            if (const Property* again = std::as_const(*cur).findOwn(name, cs); again && again->accessor())
                cur->store(*again, v);
            return;
        }
        if (p && cur == o) {
            if (p->flags & ReadOnly) return;
            o->store(*p, v);
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
        if (const Property* p = std::as_const(*cur).findOwn(name, cs); p && visibleIn(p->flags, version_)) return true;
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
        for (const Property& p : std::as_const(*cur).properties()) {
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

}  // namespace swf::script
