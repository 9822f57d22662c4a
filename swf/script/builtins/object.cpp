// Object and Object.prototype.
#include "swf/script/builtins/builtins.h"
#include "swf/script/machine.h"

namespace swf::script {

namespace {

Value arg(std::span<const Value> args, std::size_t i) { return i < args.size() ? args[i] : Value(); }

Value objectCall(Machine& m, Value, std::span<const Value> args) {
    Value v = arg(args, 0);
    if (v.isObject()) return v;
    if (v.isNullish()) return Value::object(m.newObject());
    return Value::object(m.toObject(v));
}

Value hasOwnProperty(Machine& m, Value self, std::span<const Value> args) {
    if (!self.isObject() || args.empty()) return Value::boolean(false);
    std::string name = m.toString(args[0]);
    Object* o = self.o;
    if (equalNames(name, "__proto__", m.caseSensitive())) return Value::boolean(o->proto() != nullptr);
    if (const Property* p = o->findOwn(name, m.caseSensitive()); p && visibleIn(p->flags, m.version()))
        return Value::boolean(true);
    return Value::boolean(o->kind() != Object::Kind::Stage && o->hasVirtual(m, name));
}

Value isPropertyEnumerable(Machine& m, Value self, std::span<const Value> args) {
    if (!self.isObject() || args.empty()) return Value::boolean(false);
    std::string name = m.toString(args[0]);
    if (const Property* p = self.o->findOwn(name, m.caseSensitive()))
        return Value::boolean(!(p->flags & DontEnum) && visibleIn(p->flags, m.version()));
    return Value::boolean(self.o->kind() == Object::Kind::Array && self.o->hasVirtual(m, name) &&
                          !equalNames(name, "length", m.caseSensitive()));
}

Value isPrototypeOf(Machine& m, Value self, std::span<const Value> args) {
    Value v = arg(args, 0);
    if (!self.isObject() || !v.isObject()) return Value::boolean(false);
    std::size_t depth = 0;
    for (Object* p = v.o->proto(); p && depth < m.limits().maxPrototypeDepth; p = p->proto(), ++depth)
        if (p == self.o) return Value::boolean(true);
    return Value::boolean(false);
}

Value toStringMethod(Machine& m, Value self, std::span<const Value>) {
    if (self.isObject() && self.o->isFunction()) return m.str("[type Function]");
    return m.str("[object Object]");
}

Value valueOf(Machine& m, Value self, std::span<const Value>) { return self; }

Value addProperty(Machine& m, Value self, std::span<const Value> args) {
    if (!self.isObject() || args.size() < 3) return Value::boolean(false);
    std::string name = m.toString(args[0]);
    Value getter = args[1];
    Value setter = arg(args, 2);
    if (name.empty() || !getter.isObject() || !getter.o->isFunction()) return Value::boolean(false);
    Object* s = nullptr;
    if (setter.isObject() && setter.o->isFunction())
        s = setter.o;
    else if (!setter.isNull() && !setter.isUndefined())
        return Value::boolean(false);
    // Without a setter the property is read-only (writes are dropped).
    if (!s) s = m.realm().makeFunction([](Machine&, Value, std::span<const Value>) { return Value(); });
    // A property that was there keeps its flags and its stored value (which
    // a watcher sees as the old value).
    std::uint16_t flags = 0;
    Value stored;
    if (const Property* old = self.o->findOwn(name, m.caseSensitive())) {
        flags = old->flags;
        stored = old->value;
    }
    self.o->defineAccessor(m.heap(), name, getter.o, s, flags, m.caseSensitive()).value = stored;
    return Value::boolean(true);
}

Value watch(Machine& m, Value self, std::span<const Value> args) {
    if (!self.isObject() || args.size() < 2) return Value::boolean(false);
    Value callback = args[1];
    if (!callback.isObject() || !callback.o->isFunction()) return Value::boolean(false);
    std::string name = m.toString(args[0]);
    auto& ws = self.o->watchers();
    for (Watcher& w : ws)
        if (equalNames(w.name, name, m.caseSensitive())) {
            w.callback = callback.o;
            w.userData = arg(args, 2);
            return Value::boolean(true);
        }
    ws.push_back({name, callback.o, arg(args, 2)});
    return Value::boolean(true);
}

Value unwatch(Machine& m, Value self, std::span<const Value> args) {
    if (!self.isObject() || args.empty()) return Value::boolean(false);
    std::string name = m.toString(args[0]);
    auto& ws = self.o->watchers();
    for (auto it = ws.begin(); it != ws.end(); ++it)
        if (equalNames(it->name, name, m.caseSensitive())) {
            ws.erase(it);
            return Value::boolean(true);
        }
    return Value::boolean(false);
}

// Linking a symbol to a class belongs to the stage; until then it reports failure.
Value registerClass(Machine& m, Value, std::span<const Value> args) { return Value::boolean(false); }

}  // namespace

void installObject(Realm& realm) {
    Object* proto = realm.objectProto;
    realm.objectCtor = realm.defineClass("Object", objectCall, nullptr, proto);
    static constexpr Realm::Method methods[] = {
        {"hasOwnProperty", hasOwnProperty},
        {"isPropertyEnumerable", isPropertyEnumerable},
        {"isPrototypeOf", isPrototypeOf},
        {"toString", toStringMethod},
        {"toLocaleString", toStringMethod},
        {"valueOf", valueOf},
        {"addProperty", addProperty},
        {"watch", watch},
        {"unwatch", unwatch},
    };
    realm.defineMethods(proto, methods);
    realm.defineMethod(realm.objectCtor, "registerClass", registerClass);
}

}  // namespace swf::script
