// MovieClip.prototype: the timeline methods (play, stop, gotoAndPlay,
// gotoAndStop, nextFrame, prevFrame). The rest of the stage classes come with
// the events and display work.
#include <algorithm>
#include <cmath>

#include "swf/script/builtins/builtins.h"
#include "swf/script/machine.h"

namespace swf::script {

namespace {

ClipHandle clipOf(Value self) {
    if (!self.isObject() || self.o->kind() != Object::Kind::Stage) return 0;
    return static_cast<StageObject*>(self.o)->clip();
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
        m.host().gotoFrame(c, static_cast<int>(std::clamp(n, -1e9, 1e9)) - 1, andPlay);
        return;
    }
    double n = m.toNumber(args[0]);
    if (std::isfinite(n)) m.host().gotoFrame(c, static_cast<int>(std::clamp(std::trunc(n), -1e9, 1e9)) - 1, andPlay);
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

}  // namespace

void installMovieClip(Realm& realm) {
    realm.defineClass(
        "MovieClip", [](Machine&, Value, std::span<const Value>) { return Value(); }, nullptr, realm.movieClipProto);
    realm.defineMethod(realm.movieClipProto, "play", play);
    realm.defineMethod(realm.movieClipProto, "stop", stop);
    realm.defineMethod(realm.movieClipProto, "gotoAndPlay", gotoAndPlay);
    realm.defineMethod(realm.movieClipProto, "gotoAndStop", gotoAndStop);
    realm.defineMethod(realm.movieClipProto, "nextFrame", nextFrame);
    realm.defineMethod(realm.movieClipProto, "prevFrame", prevFrame);
}

}  // namespace swf::script
