// MovieClipLoader's own methods: loadClip, unloadClip and getProgress. The
// class itself and its listener list come from the broadcasters
// (broadcaster.cpp); the loads are the stage's, which tells the loader
// object how each one goes (onLoadStart, onLoadProgress, onLoadComplete,
// onLoadInit, onLoadError) by broadcasting on it.
#include <cmath>
#include <string>

#include "swf/script/builtins/builtins.h"
#include "swf/script/machine.h"

namespace swf::script {

namespace {

// Where a load goes: a clip, or a level by number.
struct LoadTarget {
    ClipHandle clip = 0;
    int level = -1;
};

constexpr int kMaxLevel = 1000;

// A clip object, a level number, "_levelN", or a path to a clip from the
// timeline whose script runs ("a.b", "/a/b", "_root.a").
LoadTarget targetOf(Machine& m, Value v) {
    LoadTarget t;
    if (v.isObject()) {
        if (v.o->kind() == Object::Kind::Stage) t.clip = static_cast<StageObject*>(v.o)->clip();
        return t;
    }
    if (v.isNumber()) {
        double n = v.n;
        if (std::isfinite(n) && n >= 0 && n <= kMaxLevel) t.level = static_cast<int>(n);
        return t;
    }
    if (!v.isString()) return t;
    std::string path(v.str());
    int level = 0;
    if (levelNumber(path, level)) {
        if (level <= kMaxLevel) t.level = level;
        return t;
    }
    ClipHandle at = m.host().scriptClip();
    if (!path.empty() && path[0] == '/') {
        at = m.host().root();
        path.erase(0, 1);
    }
    std::size_t begin = 0;
    while (at && begin < path.size()) {
        std::size_t end = path.find_first_of("./", begin);
        if (end == std::string::npos) end = path.size();
        std::string part = path.substr(begin, end - begin);
        begin = end + 1;
        if (part.empty()) continue;
        Value next = m.get(Value::object(m.clipObject(at)), part);
        at = next.isObject() && next.o->kind() == Object::Kind::Stage ? static_cast<StageObject*>(next.o)->clip() : 0;
    }
    t.clip = at;
    return t;
}

// loadClip(url, target): true when the load was taken on. Nothing happens
// before the next frame; the loader hears of it then.
Value loadClip(Machine& m, Value self, std::span<const Value> args) {
    if (args.size() < 2) return Value();
    // The url must be a string (an object's toString is not asked).
    if (!self.isObject() || !args[0].isString()) return Value::boolean(false);
    std::string url(args[0].str());
    LoadTarget t = targetOf(m, args[1]);
    if (!t.clip && t.level < 0) return Value::boolean(false);
    if (t.clip && !m.host().alive(t.clip)) return Value::boolean(false);
    return Value::boolean(m.host().loadClip(t.clip, t.level, url, self.o));
}

// unloadClip(target): the clip shows nothing any more (a level goes), and a
// load into it that has not happened yet is dropped.
Value unloadClip(Machine& m, Value self, std::span<const Value> args) {
    if (args.empty()) return Value::boolean(false);
    LoadTarget t = targetOf(m, args[0]);
    if (t.clip) {
        if (!m.host().alive(t.clip)) return Value::boolean(false);
        m.host().unloadClip(t.clip, -1);
        return Value::boolean(true);
    }
    if (t.level < 0) return Value::boolean(false);
    m.host().unloadClip(0, t.level);
    return Value::boolean(true);
}

// getProgress(target): {bytesLoaded, bytesTotal} of what the clip shows.
Value getProgress(Machine& m, Value, std::span<const Value> args) {
    if (args.empty()) return Value();
    LoadTarget t = targetOf(m, args[0]);
    if (!t.clip && t.level >= 0) t.clip = m.host().level(t.level);
    if (!t.clip || !m.host().alive(t.clip)) return Value();
    auto [loaded, total] = m.host().bytesOf(t.clip);
    Object* o = m.newObject();
    m.set(o, "bytesLoaded", Value::number(loaded));
    m.set(o, "bytesTotal", Value::number(total));
    return Value::object(o);
}

}  // namespace

void installMovieClipLoader(Realm& realm) {
    Machine& m = realm.machine;
    const Property* ctor = realm.global->findOwn("MovieClipLoader", m.caseSensitive());
    FunctionObject* cls = nullptr;
    if (!ctor || !ctor->value.isObject())
        cls = realm.defineClass(
            "MovieClipLoader", [](Machine&, Value, std::span<const Value>) { return Value(); }, nullptr, nullptr);
    Object* holder = cls ? static_cast<Object*>(cls) : ctor->value.o;
    const Property* proto = holder->findOwn("prototype", true);
    if (!proto || !proto->value.isObject()) return;
    static constexpr Realm::Method methods[] = {
        {"loadClip", loadClip},
        {"unloadClip", unloadClip},
        {"getProgress", getProgress},
    };
    realm.defineMethods(proto->value.o, methods, kBuiltinFlags);
}

}  // namespace swf::script
