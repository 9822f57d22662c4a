// MovieClip.prototype: the timeline methods (play, stop, gotoAndPlay,
// gotoAndStop, nextFrame, prevFrame) and the clips scripts make and take away
// (attachMovie, createEmptyMovieClip, duplicateMovieClip, removeMovieClip,
// getDepth, loadMovie, unloadMovie). The rest of the stage classes come with the events work.
#include <algorithm>
#include <cmath>
#include <optional>

#include "swf/script/builtins/builtins.h"
#include "swf/script/machine.h"

namespace swf::script {

namespace {

ClipHandle clipOf(Value self) {
    if (!self.isObject() || self.o->kind() != Object::Kind::Stage) return 0;
    return static_cast<StageObject*>(self.o)->clip();
}

// The clip a method acts on: its object, or called as a plain function
// (no clip for `this`), the timeline whose script runs.
ClipHandle clipOf(Machine& m, Value self) {
    if (self.isObject()) return clipOf(self);
    return m.host().scriptClip();
}

Value play(Machine& m, Value self, std::span<const Value>) {
    if (ClipHandle c = clipOf(self)) m.host().play(c);
    return Value();
}

Value stop(Machine& m, Value self, std::span<const Value>) {
    if (ClipHandle c = clipOf(self)) m.host().stop(c);
    return Value();
}

void go(Machine& m, Value self, std::span<const Value> args, bool andPlay) {
    ClipHandle c = clipOf(self);
    if (!c || args.empty()) return;
    if (args[0].isString()) {
        double n = parseNumber(args[0].str(), m.version());
        if (std::isnan(n)) {
            m.host().gotoLabel(c, args[0].str(), andPlay);
            return;
        }
        m.host().gotoFrame(c, toClampedInt(n) - 1, andPlay);
        return;
    }
    double n = m.toNumber(args[0]);
    if (std::isfinite(n)) m.host().gotoFrame(c, toClampedInt(n) - 1, andPlay);
}

Value gotoAndPlay(Machine& m, Value self, std::span<const Value> args) {
    go(m, self, args, true);
    return Value();
}

Value gotoAndStop(Machine& m, Value self, std::span<const Value> args) {
    go(m, self, args, false);
    return Value();
}

Value nextFrame(Machine& m, Value self, std::span<const Value>) {
    if (ClipHandle c = clipOf(self)) m.host().nextFrame(c);
    return Value();
}

Value prevFrame(Machine& m, Value self, std::span<const Value>) {
    if (ClipHandle c = clipOf(self)) m.host().prevFrame(c);
    return Value();
}

// A depth argument: a number within the script depths, or none.
std::optional<int> depthArg(Machine& m, std::span<const Value> args, std::size_t i) {
    if (args.size() <= i) return std::nullopt;
    double d = m.toNumber(args[i]);
    if (!std::isfinite(d)) return std::nullopt;
    std::int32_t depth = toInt32(d);  // wraps: 2^32 is depth 0
    if (depth < -16384 || depth > 2130690045) return std::nullopt;
    return depth;
}

// The new clip's object, with the initialising object's properties copied on.
Value made(Machine& m, ClipHandle clip, std::span<const Value> args, std::size_t initIndex) {
    if (!clip) return Value();
    Object* o = m.clipObject(clip);
    if (args.size() > initIndex && args[initIndex].isObject()) {
        Object* init = args[initIndex].o;
        for (const std::string& name : m.enumerate(init)) m.set(o, name, m.get(init, name));
    }
    return Value::object(o);
}

Value attachMovie(Machine& m, Value self, std::span<const Value> args) {
    ClipHandle c = clipOf(m, self);
    auto depth = depthArg(m, args, 2);
    if (!c || !depth) return Value();
    std::string id = m.toString(args[0]), name = m.toString(args[1]);
    ClipHandle clip = m.host().attachMovie(c, id, name, *depth);
    Value out = made(m, clip, args, 3);
    // The registered class's constructor sees the initialising object's properties.
    if (clip) constructClip(m, clip, id, true);
    return out;
}

// Object.registerClass(name, constructor): the clips of the symbol exported
// under `name` are made by `constructor` from now on (null or undefined:
// plain clips again). False without both arguments or with a constructor
// that is no function.
Value registerClass(Machine& m, Value, std::span<const Value> args) {
    if (args.size() < 2) return Value::boolean(false);
    Value ctor = args[1];
    bool none = ctor.isNullish();
    if (!none && !(ctor.isObject() && ctor.o->isFunction())) return Value::boolean(false);
    std::string name = m.toString(args[0]);
    Object* registry = m.realm().registeredClasses;
    if (!registry) return Value::boolean(false);
    if (none)
        registry->remove(name, false, true);
    else
        registry->define(m.heap(), name, ctor, 0, false);
    return Value::boolean(true);
}

Value createEmptyMovieClip(Machine& m, Value self, std::span<const Value> args) {
    ClipHandle c = clipOf(m, self);
    auto depth = depthArg(m, args, 1);
    if (!c || !depth) return Value();
    return made(m, m.host().createEmptyMovieClip(c, m.toString(args[0]), *depth), args, 99);
}

Value duplicateMovieClip(Machine& m, Value self, std::span<const Value> args) {
    ClipHandle c = clipOf(m, self);
    auto depth = depthArg(m, args, 1);
    if (!c || !depth) return Value();
    return made(m, m.host().duplicateClip(c, m.toString(args[0]), *depth), args, 2);
}

Value removeMovieClip(Machine& m, Value self, std::span<const Value>) {
    if (ClipHandle c = clipOf(m, self)) m.host().removeSprite(c);
    return Value();
}

Value getDepth(Machine& m, Value self, std::span<const Value>) {
    ClipHandle c = clipOf(m, self);
    auto d = c ? m.host().depthOf(c) : std::nullopt;
    return d ? Value::number(*d) : Value();
}

// getNextHighestDepth(): one above the topmost depth, 0 when nothing is at or above 0.
Value getNextHighestDepth(Machine& m, Value self, std::span<const Value>) {
    ClipHandle c = clipOf(m, self);
    if (!c) return Value();
    std::vector<int> depths = m.host().childDepths(c);
    int next = depths.empty() ? 0 : std::max(0, depths.back() + 1);
    return Value::number(next);
}

// getInstanceAtDepth(depth): the clip there, or undefined.
Value getInstanceAtDepth(Machine& m, Value self, std::span<const Value> args) {
    ClipHandle c = clipOf(m, self);
    if (!c || args.empty()) return Value();
    double d = m.toNumber(args[0]);
    if (!std::isfinite(d)) return Value();
    ClipHandle at = m.host().childAtDepth(c, toClampedInt(std::floor(d)));
    return at ? Value::object(m.clipObject(at)) : Value();
}

// loadMovie(url): another movie takes the clip's place from the next frame on.
Value loadMovie(Machine& m, Value self, std::span<const Value> args) {
    ClipHandle c = clipOf(m, self);
    if (c && !args.empty()) m.host().loadMovie(c, m.toString(args[0]));
    return Value();
}

Value unloadMovie(Machine& m, Value self, std::span<const Value>) {
    if (ClipHandle c = clipOf(m, self)) m.host().loadMovie(c, "");
    return Value();
}

}  // namespace

void installMovieClip(Realm& realm) {
    // The registry of Object.registerClass; the method replaces the placeholder Object has.
    realm.registeredClasses = realm.heap.make<Object>(nullptr);
    if (realm.objectCtor) realm.defineMethod(realm.objectCtor, "registerClass", registerClass);
    realm.defineClass(
        "MovieClip", [](Machine&, Value, std::span<const Value>) { return Value(); }, nullptr, realm.movieClipProto);
    realm.defineMethod(realm.movieClipProto, "play", play);
    realm.defineMethod(realm.movieClipProto, "stop", stop);
    realm.defineMethod(realm.movieClipProto, "gotoAndPlay", gotoAndPlay);
    realm.defineMethod(realm.movieClipProto, "gotoAndStop", gotoAndStop);
    realm.defineMethod(realm.movieClipProto, "nextFrame", nextFrame);
    realm.defineMethod(realm.movieClipProto, "prevFrame", prevFrame);
    realm.defineMethod(realm.movieClipProto, "attachMovie", attachMovie);
    realm.defineMethod(realm.movieClipProto, "createEmptyMovieClip", createEmptyMovieClip);
    realm.defineMethod(realm.movieClipProto, "duplicateMovieClip", duplicateMovieClip);
    realm.defineMethod(realm.movieClipProto, "removeMovieClip", removeMovieClip);
    realm.defineMethod(realm.movieClipProto, "getDepth", getDepth);
    realm.defineMethod(realm.movieClipProto, "getNextHighestDepth", getNextHighestDepth);
    realm.defineMethod(realm.movieClipProto, "getInstanceAtDepth", getInstanceAtDepth);
    realm.defineMethod(realm.movieClipProto, "loadMovie", loadMovie);
    realm.defineMethod(realm.movieClipProto, "unloadMovie", unloadMovie);
}

}  // namespace swf::script
