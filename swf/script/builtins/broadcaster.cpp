// AsBroadcaster, and the classes of devices this engine has none of
// (Camera, ContextMenu, TextSnapshot): they exist
// with their members so that scripts testing for them see what they
// expect, and their methods do nothing.
#include <vector>

#include "swf/script/stage.h"
#include "swf/script/builtins/builtins.h"
#include "swf/script/machine.h"

namespace swf::script {

namespace {

Value nothing(Machine&, Value, std::span<const Value>) { return Value(); }

// The listener array of a broadcaster, or null.
ArrayObject* listenersOf(Machine& m, Value self) {
    if (!self.isObject()) return nullptr;
    Value l = m.get(self.o, "_listeners");
    return l.isObject() && l.o->kind() == Object::Kind::Array ? static_cast<ArrayObject*>(l.o) : nullptr;
}

// Index of `v` in the listeners (strict equality), or -1.
long findListener(Machine& m, ArrayObject* list, Value v) {
    std::uint32_t n = list->length();
    m.chargeSteps(n);
    for (std::uint32_t i = 0; i < n; ++i)
        if (Machine::strictEquals(list->get(m, i), v)) return static_cast<long>(i);
    return -1;
}

void removeAt(Machine& m, ArrayObject* list, std::uint32_t at) {
    std::uint32_t n = list->length();
    for (std::uint32_t i = at; i + 1 < n; ++i) list->set(m, i, list->get(m, i + 1));
    list->setLength(m, n - 1);
}

// addListener(l): l moves to the end of the list (never listed twice).
Value addListener(Machine& m, Value self, std::span<const Value> args) {
    ArrayObject* list = listenersOf(m, self);
    if (!list) return Value::boolean(false);
    Value l = args.empty() ? Value() : args[0];
    long at = findListener(m, list, l);
    if (at >= 0) removeAt(m, list, static_cast<std::uint32_t>(at));
    list->push(m, l);
    return Value::boolean(true);
}

Value removeListener(Machine& m, Value self, std::span<const Value> args) {
    ArrayObject* list = listenersOf(m, self);
    if (!list) return Value::boolean(false);
    long at = findListener(m, list, args.empty() ? Value() : args[0]);
    if (at < 0) return Value::boolean(false);
    removeAt(m, list, static_cast<std::uint32_t>(at));
    return Value::boolean(true);
}

// broadcastMessage(name, args...): every listener's method `name`, over a
// copy of the list so listeners may add or remove themselves.
Value broadcastMessage(Machine& m, Value self, std::span<const Value> args) {
    ArrayObject* list = listenersOf(m, self);
    if (!list || args.empty()) return Value();
    std::string name = m.toString(args[0]);
    std::uint32_t n = list->length();
    m.chargeSteps(n);
    std::vector<Value> copy;
    copy.reserve(n);
    for (std::uint32_t i = 0; i < n; ++i) copy.push_back(list->get(m, i));
    for (const Value& l : copy) {
        // A clip taken off the stage stays on the list but hears nothing.
        if (l.isObject() && l.o->kind() == Object::Kind::Stage && !static_cast<const StageObject*>(l.o)->alive())
            continue;
        m.callMethod(l, name, args.subspan(1));
    }
    return Value::boolean(n > 0);
}

// AsBroadcaster.initialize(o): o gets an empty _listeners array and the
// three methods (hidden from for..in), taken from AsBroadcaster itself.
Value initialize(Machine& m, Value self, std::span<const Value> args) {
    if (args.empty() || !args[0].isObject()) return Value();
    Object* o = args[0].o;
    Object* from = self.isObject() ? self.o : nullptr;
    for (const char* name : {"broadcastMessage", "addListener", "removeListener"}) {
        Value fn = from ? m.get(from, name) : Value();
        m.set(o, name, fn);
        if (Property* p = o->findOwn(name, m.caseSensitive())) p->flags |= DontEnum;
    }
    m.set(o, "_listeners", Value::object(m.newArray()));
    if (Property* p = o->findOwn("_listeners", m.caseSensitive())) p->flags |= DontEnum;
    return Value();
}

// new MovieClipLoader(): a broadcaster that lists itself first, as the reference player's does.
Value loaderConstruct(Machine& m, Value self, std::span<const Value>) {
    if (!self.isObject()) return Value();
    ArrayObject* list = m.newArray();
    list->push(m, self);
    m.set(self.o, "_listeners", Value::object(list));
    if (Property* p = self.o->findOwn("_listeners", m.caseSensitive())) p->flags |= DontEnum;
    return Value();
}

// A class that does nothing, with these methods on its prototype.
FunctionObject* placeholderClass(Realm& realm, std::string_view name, std::span<const char* const> methods) {
    FunctionObject* ctor = realm.defineClass(name, nothing, nullptr, nullptr);
    Value proto = realm.machine.get(ctor, "prototype");
    for (const char* method : methods) realm.defineMethod(proto.o, method, nothing);
    return ctor;
}

}  // namespace

void installBroadcaster(Realm& realm) {
    FunctionObject* b = realm.defineClass("AsBroadcaster", nothing, nullptr, nullptr);
    // Below version 6 the function is bare: no prototype, no methods.
    if (Property* p = b->findOwn("prototype", true)) p->flags |= OnlyV6;
    static constexpr Realm::Method methods[] = {
        {"initialize", initialize},
        {"addListener", addListener},
        {"removeListener", removeListener},
        {"broadcastMessage", broadcastMessage},
    };
    realm.defineMethods(b, methods, kBuiltinFlags | OnlyV6);

    // The reference player's own broadcasters: Key, Mouse, Stage, System.IME
    // and every MovieClipLoader share AsBroadcaster's methods. (The stage
    // fills in their other members and sends their events; an object it
    // installed first is left alone.)
    Machine& m = realm.machine;
    bool cs = m.caseSensitive();
    // Runs while the realm is built: raw definitions only, no script-level access.
    auto shareMethods = [&](Object* o) {
        for (const char* name : {"broadcastMessage", "addListener", "removeListener"})
            if (const Property* p = b->findOwn(name, true)) o->define(realm.heap, name, p->value, DontEnum, cs);
    };
    auto broadcasterObject = [&](Object* on, const char* name) {
        if (on->findOwn(name, cs)) return;
        Object* o = realm.newObject();
        on->define(realm.heap, name, Value::object(o), DontEnum, cs);
        shareMethods(o);
        o->define(realm.heap, "_listeners", Value::object(realm.heap.make<ArrayObject>(realm.arrayProto)), DontEnum,
                  cs);
    };
    for (const char* name : {"Key", "Mouse", "Stage"}) broadcasterObject(realm.global, name);
    installKey(realm);
    installMouse(realm);
    if (!realm.global->findOwn("System", cs))
        realm.global->define(realm.heap, "System", Value::object(realm.newObject()), DontEnum, cs);
    if (Property* system = realm.global->findOwn("System", cs); system && system->value.isObject())
        broadcasterObject(system->value.o, "IME");
    if (!realm.global->findOwn("MovieClipLoader", cs)) {
        FunctionObject* loader = realm.defineClass("MovieClipLoader", loaderConstruct, nullptr, nullptr);
        shareMethods(loader->findOwn("prototype", true)->value.o);
    }

    static constexpr const char* camera[] = {"setMode",   "setMotionLevel",      "setQuality",
                                             "setCursor", "setKeyFrameInterval", "setLoopback"};
    placeholderClass(realm, "Camera", camera);
    static constexpr const char* contextMenu[] = {"copy", "hideBuiltInItems"};
    placeholderClass(realm, "ContextMenu", contextMenu);
    static constexpr const char* contextMenuItem[] = {"copy"};
    placeholderClass(realm, "ContextMenuItem", contextMenuItem);
    static constexpr const char* snapshot[] = {"findText",           "getCount",    "getSelected",
                                               "getSelectedText",    "getText",     "setSelectColor",
                                               "hitTestTextNearPos", "setSelected", "getTextRunInfo"};
    placeholderClass(realm, "TextSnapshot", snapshot);

    // Clips have a `transform` member; on the prototype itself it reads undefined.
    if (!realm.movieClipProto->findOwn("transform", realm.machine.caseSensitive()))
        realm.movieClipProto->define(realm.heap, "transform", Value(), DontEnum, realm.machine.caseSensitive());
}

}  // namespace swf::script
