// The actions that reach the player: timeline commands of the first
// generation, SetTarget, clip properties by number, clones, dragging, Call,
// target paths, and trace, time and random numbers.
#include <algorithm>
#include <cmath>
#include <variant>

#include "swf/script/machine_internal.h"

namespace swf::script {

namespace {

// The clip the timeline commands act on (none when SetTarget aimed nowhere).
ClipHandle timeline(Machine::Frame& f) {
    Object* t = f.target;
    if (t && t->kind() == Object::Kind::Stage) return static_cast<StageObject*>(t)->clip();
    return 0;
}

}  // namespace

std::uint32_t Machine::execTimeline(Frame& f, const Record& r, std::uint32_t pc, std::uint32_t end,
                                    std::uint32_t next) {
    const Program& P = *f.prog;
    const int ver = version_;
    // GetProperty and SetProperty name a display property by its number.
    auto propertyName = [&](Value index) -> const char* {
        double i = std::trunc(toNumber(index));
        if (!std::isfinite(i) || i < 0 || i >= static_cast<int>(DisplayProperty::Count)) return nullptr;
        return displayPropertyName(static_cast<DisplayProperty>(static_cast<int>(i)));
    };
    // GetProperty and SetProperty: the clip and property name under the value (if any).
    auto clipProperty = [&]() -> std::pair<Object*, const char*> {
        Value index = pop(f);
        Value target = pop(f);
        return {clipFor(f, target), propertyName(index)};
    };
    // "path:frame" names the clip before the colon; `s` keeps the frame.
    auto clipOfFrame = [&](std::string& s, ClipHandle clip) -> ClipHandle {
        std::size_t colon = s.rfind(':');
        if (colon == std::string::npos) return clip;
        Object* o = resolvePath(f, f.target, s.substr(0, colon));
        s = s.substr(colon + 1);
        return o && o->kind() == Object::Kind::Stage ? static_cast<StageObject*>(o)->clip() : 0;
    };
    // SetTarget: the timeline, scope and `this` of what follows.
    auto deadClip = [](Object* o) {
        return o && o->kind() == Object::Kind::Stage && !static_cast<StageObject*>(o)->alive();
    };
    auto retarget = [&](std::variant<Object*, std::string_view> to) {
        Object* t = nullptr;
        // Aimed at no clip, or at one that left the stage: in the movies of
        // version 10 and later the commands and names reach the movie's
        // root; in older movies, no one. A path read from a clip that left
        // the stage leads nowhere.
        bool toRoot = version_ >= 10;
        if (auto* o = std::get_if<Object*>(&to))
            t = *o;
        else if (std::string_view path = std::get<std::string_view>(to); path.empty())
            t = f.original;
        else if (deadClip(f.original))
            toRoot = false;
        else
            t = resolvePath(f, f.original, path);
        if ((!t || deadClip(t)) && toRoot)
            if (ClipHandle root = host_.root()) t = clipObject(root);
        if (!t) t = newObject();
        f.target = t;
        f.scope = heap_.make<Scope>(t, nullptr);
        f.thisValue = Value::object(t);
    };
    // GotoFrame2: a frame number, or a label (either may start with a clip path and a colon).
    auto gotoValue = [&](ClipHandle clip, Value frame, std::uint32_t bias, bool play) {
        if (!clip) return;
        if (frame.isString()) {
            std::string s(frame.str());
            clip = clipOfFrame(s, clip);
            if (!clip) return;
            double n = parseNumber(s, ver);
            if (!std::isnan(n)) {
                host_.gotoFrame(clip, toClampedInt(n) - 1 + static_cast<int>(bias), play);
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
    switch (r.code) {
    case action::NextFrame: host_.nextFrame(timeline(f)); break;
    case action::PrevFrame: host_.prevFrame(timeline(f)); break;
    case action::Play: host_.play(timeline(f)); break;
    case action::Stop: host_.stop(timeline(f)); break;
    case action::ToggleQuality: host_.toggleQuality(); break;
    case action::StopSounds: host_.stopSounds(); break;
    case action::GotoFrame:
        if (ClipHandle c = timeline(f)) host_.gotoFrame(c, static_cast<int>(r.a), false);
        break;
    case action::GotoLabel:
        if (ClipHandle c = timeline(f)) host_.gotoLabel(c, r.s1->view(), false);
        break;
    case action::GotoFrame2: gotoValue(timeline(f), pop(f), r.b, r.a != 0); break;
    case action::GetUrl:
        if (int level; levelNumber(r.s2->view(), level))
            host_.loadMovieNum(level, r.s1->view());
        else
            host_.getUrl(r.s1->view(), r.s2->view(), 0);
        break;
    case action::GetUrl2: {
        Value window = pop(f);
        Value url = pop(f);
        constexpr std::uint32_t kLoadTarget = 0x40, kLoadVariables = 0x80;
        const bool variables = (r.a & kLoadVariables) != 0;
        std::string where = window.isObject() ? std::string() : toString(window);
        if (int level; !window.isObject() && levelNumber(where, level)) {
            if (variables)
                host_.loadVariablesNum(level, toString(url));
            else
                host_.loadMovieNum(level, toString(url));
        } else if (r.a & (kLoadTarget | kLoadVariables)) {
            // The window names the clip to load into, as a path or the clip itself.
            Object* o = window.isObject() ? window.o : resolvePath(f, f.target, where);
            if (o && o->kind() == Object::Kind::Stage && static_cast<StageObject*>(o)->alive()) {
                ClipHandle c = static_cast<StageObject*>(o)->clip();
                if (variables)
                    host_.loadVariables(c, toString(url));
                else
                    host_.loadMovie(c, toString(url));
            }
        } else {
            host_.getUrl(toString(url), where, static_cast<int>(r.a & 3));
        }
        break;
    }
    case action::WaitForFrame:
    case action::WaitForFrame2: {
        ClipHandle c = timeline(f);
        int frame = 0;
        if (r.code == action::WaitForFrame) {
            frame = static_cast<int>(r.a);
        } else {
            Value v = pop(f);
            if (v.isString() && c) {
                int byLabel = host_.frameOfLabel(c, v.str());
                frame = byLabel >= 0 ? byLabel : toClampedInt(toNumber(v)) - 1;
            } else {
                double n = toNumber(v);
                frame = std::isfinite(n) ? toClampedInt(n) - 1 : 0;
            }
        }
        bool loaded = c && frame < host_.framesLoaded(c);
        if (!loaded) {
            std::uint32_t skip = r.b;
            for (std::uint32_t k = 0; k < skip && next < P.records.size() - 1; ++k) next = P.records[next].next;
        }
        break;
    }
    case action::SetTarget: retarget(r.s1->view()); break;
    case action::SetTarget2: {
        // A clip aims by its target path (the first clip of that name
        // wins), other values by their text (an object's toString runs).
        Value v = pop(f);
        if (v.isObject() && v.o->kind() == Object::Kind::Stage) {
            auto* clip = static_cast<StageObject*>(v.o);
            if (clip->alive()) {
                std::string path = clipPath(clip, true);
                retarget(std::string_view(path));
            } else {
                retarget(v.o);
            }
        } else {
            std::string path = toString(v);
            retarget(std::string_view(path));
        }
        break;
    }
    case action::GetProperty: {
        auto [o, name] = clipProperty();
        push(o && name ? get(o, name) : Value());
        break;
    }
    case action::SetProperty: {
        Value value = pop(f);
        if (auto [o, name] = clipProperty(); o && name) set(o, name, value);
        break;
    }
    case action::CloneSprite: {
        Value depth = pop(f);
        Value name = pop(f);
        Value source = pop(f);
        Object* o = clipFor(f, source);
        if (o && o->kind() == Object::Kind::Stage) {
            double d = toNumber(depth);
            host_.cloneSprite(static_cast<StageObject*>(o)->clip(), toString(name),
                              std::isfinite(d) ? toClampedInt(d) : 0);
        }
        break;
    }
    case action::RemoveSprite: {
        Object* o = clipFor(f, pop(f));
        if (o && o->kind() == Object::Kind::Stage) host_.removeSprite(static_cast<StageObject*>(o)->clip());
        break;
    }
    case action::StartDrag: {
        Value target = pop(f);
        bool lock = toBoolean(pop(f));
        bool constrained = toBoolean(pop(f));
        std::optional<DragBounds> bounds;
        if (constrained) {
            DragBounds b;
            b.bottom = toNumber(pop(f));
            b.right = toNumber(pop(f));
            b.top = toNumber(pop(f));
            b.left = toNumber(pop(f));
            bounds = b;
        }
        Object* o = clipFor(f, target);
        if (o && o->kind() == Object::Kind::Stage) host_.startDrag(static_cast<StageObject*>(o)->clip(), lock, bounds);
        break;
    }
    case action::EndDrag: host_.stopDrag(); break;
    case action::Call: {
        Value frame = pop(f);
        std::string s = toString(frame);
        ClipHandle c = clipOfFrame(s, timeline(f));
        if (!c) break;
        double n = parseNumber(s, ver);
        int index = !std::isnan(n) ? toClampedInt(n) - 1 : host_.frameOfLabel(c, s);
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
    case action::TargetPath: {
        Value v = pop(f);
        if (v.isObject() && v.o->kind() == Object::Kind::Stage && static_cast<StageObject*>(v.o)->alive())
            push(str(clipPath(static_cast<StageObject*>(v.o), true)));
        else
            push(Value());
        break;
    }
    case action::Trace: {
        Value v = pop(f);
        traceLine(v.isUndefined() ? std::string("undefined") : toString(v));
        break;
    }
    case action::GetTime: push(Value::number(std::floor(host_.timeMs()))); break;
    case action::RandomNumber: {
        double max = toNumber(pop(f));
        std::uint32_t bound =
            std::isfinite(max) && max >= 1 ? static_cast<std::uint32_t>(std::min(max, 4294967295.0)) : 1;
        push(Value::number(host_.random(bound)));
        break;
    }
    default: break;
    }
    return next;
}

}  // namespace swf::script
