// The script side of timelines: the host the action machine drives them
// through, clip events and onEnterFrame. Loads are in timeline_loads.cpp.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>
#include <utility>

#include "swf/format/action_builder.h"
#include "swf/format/reader.h"
#include "swf/player/display_properties.h"
#include "swf/player/text_field.h"
#include "swf/player/input_dispatch.h"
#include "swf/player/timeline.h"
#include "swf/player/timeline_scripts.h"

namespace swf {

// --- Scripts -------------------------------------------------------------------------

namespace {

// What scripts may do to the timelines: handles are timeline addresses, used
// only while the timeline is alive. Frame changes stop the timeline, as the
// authoring tool's "go to and play" adds an explicit Play after the goto.
class ScriptHost final : public script::Host {
public:
    explicit ScriptHost(PlayerContext& ctx) : ctx_(ctx) {}

    static script::ClipHandle handle(const Timeline* t) { return scriptHandle(t); }
    Timeline* timeline(script::ClipHandle h) const {
        auto* t = reinterpret_cast<Timeline*>(h);
        return ctx_.alive(t) ? t : nullptr;
    }

    script::ClipHandle root() override { return handle(ctx_.root); }
    script::ClipHandle level(int n) override {
        if (n == 0) return root();
        auto it = ctx_.levels.find(n);
        return it != ctx_.levels.end() && it->second ? handle(it->second.get()) : 0;
    }
    script::ClipHandle parent(script::ClipHandle h) override {
        if (TextField* f = field(h)) return handle(ctx_.textFields[f]);
        Timeline* t = timeline(h);
        return t && t->parent() ? handle(t->parent()) : 0;
    }
    script::ClipHandle child(script::ClipHandle h, std::string_view name, bool) override {
        Timeline* t = timeline(h);
        Timeline* c = t ? t->child(name) : nullptr;
        if (!c && t) {
            if (TextField* f = t->textChild(name)) return scriptHandle(f);
        }
        return c ? handle(c) : 0;
    }
    std::vector<std::pair<std::string, script::ClipHandle>> children(script::ClipHandle h) override {
        std::vector<std::pair<std::string, script::ClipHandle>> out;
        // for..in lists the topmost instance first.
        if (Timeline* t = timeline(h))
            for (auto it = t->displayList().rbegin(); it != t->displayList().rend(); ++it) {
                if (it->second.sprite && !it->second.name.empty())
                    out.emplace_back(it->second.name, handle(it->second.sprite.get()));
                else if (it->second.text && !it->second.name.empty())
                    out.emplace_back(it->second.name, scriptHandle(it->second.text.get()));
            }
        return out;
    }
    bool alive(script::ClipHandle h) override { return timeline(h) != nullptr || field(h) != nullptr; }
    std::string targetPath(script::ClipHandle h, bool dotted) override {
        if (TextField* f = field(h)) {
            Timeline* owner = ctx_.textFields[f];
            const DisplayObject* obj = owner->objectOf(f);
            std::string base = targetPath(handle(owner), dotted);
            std::string name = obj ? obj->name : std::string();
            if (dotted) return base + "." + name;
            return base == "/" ? "/" + name : base + "/" + name;
        }
        std::string path;
        Timeline* t = timeline(h);
        for (; t && t->parent(); t = t->parent()) path = (dotted ? "." : "/") + nameOf(t) + path;
        int level = t ? t->level() : 0;
        if (dotted) return "_level" + std::to_string(level) + path;
        // The movie's own level is "/"; the others start with their name.
        if (level != 0) return "_level" + std::to_string(level) + path;
        return path.empty() ? "/" : path;
    }
    script::HostValue getProperty(script::ClipHandle h, script::DisplayProperty p) override {
        using P = script::DisplayProperty;
        if (TextField* f = field(h)) return fieldProperty(f, p);
        Timeline* t = timeline(h);
        if (!t) return {};
        const DisplayObject* obj = objectFor(t);
        const DisplayObject none;
        const DisplayObject& o = obj ? *obj : none;
        switch (p) {
        case P::X: return displayX(o);
        case P::Y: return displayY(o);
        case P::XScale: return displayXScale(o);
        case P::YScale: return displayYScale(o);
        case P::Rotation: return displayRotation(o);
        case P::Alpha: return displayAlpha(o);
        case P::Visible: return o.visible;
        case P::Width: return obj && t->parent() ? displayWidth(t->parent()->dictionary(), o) : 0.0;
        case P::Height: return obj && t->parent() ? displayHeight(t->parent()->dictionary(), o) : 0.0;
        case P::CurrentFrame: return double(currentFrame(h));
        case P::TotalFrames:
        case P::FramesLoaded: return double(t->frames().scriptFrameCount());
        case P::Name: return t->parent() ? nameOf(t) : rootObject_.name;
        case P::Target: return targetPath(h, false);
        case P::Quality: return quality_;
        case P::HighQuality: return quality_ == "LOW" ? 0.0 : quality_ == "BEST" ? 2.0 : 1.0;
        case P::FocusRect: return focusRect_;
        case P::SoundBufTime: return soundBufTime_;
        case P::Url: return std::string("file:///movie.swf");
        case P::DropTarget: return dropTargetPath(t);
        case P::XMouse:
        case P::YMouse: {
            bool ok = false;
            // In whole twips, as the reference player keeps positions.
            QPointF local = worldTransform(t).inverted(&ok).map(ctx_.input.pointer);
            if (!ok) return 0.0;
            return std::round(p == P::XMouse ? local.x() : local.y()) / 20.0;
        }
        default: return 0.0;
        }
    }
    void setProperty(script::ClipHandle h, script::DisplayProperty p, const script::HostValue& v) override {
        using P = script::DisplayProperty;
        if (TextField* f = field(h)) {
            setFieldProperty(f, p, v);
            return;
        }
        Timeline* t = timeline(h);
        if (!t) return;
        double n = number(v);
        // Settings of the whole player, whichever clip they are set on.
        switch (p) {
        case P::Quality:
            if (const auto* q = std::get_if<std::string>(&v)) {
                std::string upper;
                for (char ch : *q) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
                if (upper == "LOW" || upper == "MEDIUM" || upper == "HIGH" || upper == "BEST") quality_ = upper;
            }
            return;
        case P::HighQuality:
            if (!std::isnan(n)) quality_ = n >= 2 ? "BEST" : n == 0 ? "LOW" : "HIGH";
            return;
        case P::FocusRect:
            if (!std::isnan(n)) focusRect_ = n != 0;
            return;
        case P::SoundBufTime:
            if (!std::isnan(n))
                soundBufTime_ = std::isfinite(n) && std::fabs(n) < 2147483648.0 ? std::trunc(n) : -2147483648.0;
            return;
        default: break;
        }
        DisplayObject* obj = objectFor(t);
        if (!obj) return;
        switch (p) {
        case P::X: setDisplayX(*obj, n); break;
        case P::Y: setDisplayY(*obj, n); break;
        case P::XScale: setDisplayXScale(*obj, n); break;
        case P::YScale: setDisplayYScale(*obj, n); break;
        case P::Rotation: setDisplayRotation(*obj, n); break;
        case P::Alpha: setDisplayAlpha(*obj, n); break;
        case P::Visible: setDisplayVisible(*obj, n); break;
        case P::Width:
            if (t->parent()) setDisplayWidth(t->parent()->dictionary(), *obj, n);
            break;
        case P::Height:
            if (t->parent()) setDisplayHeight(t->parent()->dictionary(), *obj, n);
            break;
        case P::Name:
            if (const auto* s = std::get_if<std::string>(&v)) obj->name = *s;
            break;
        default: break;  // read-only
        }
    }
    script::ClipHandle attachMovie(script::ClipHandle h, std::string_view exportName, std::string_view name,
                                   int depth) override {
        Timeline* t = timeline(h);
        std::uint16_t id = t ? t->dictionary().exported(exportName) : 0;
        auto key = listDepth(depth);
        if (!t || !id || !key || !t->dictionary().sprite(id)) return 0;
        return handle(t->placeByScript(*key, id, std::string(name)));
    }
    script::ClipHandle createEmptyMovieClip(script::ClipHandle h, std::string_view name, int depth) override {
        Timeline* t = timeline(h);
        auto key = listDepth(depth);
        if (!t || !key) return 0;
        return handle(t->placeByScript(*key, 0, std::string(name)));
    }
    script::ClipHandle duplicateClip(script::ClipHandle h, std::string_view name, int depth) override {
        Timeline* t = timeline(h);
        Timeline* parent = t ? t->parent() : nullptr;
        const DisplayObject* obj = parent ? parent->objectOf(t) : nullptr;
        auto key = listDepth(depth);
        if (!obj || !key) return 0;
        // Copies before placing: the placement may replace the source itself.
        Matrix m = obj->matrix;
        ColorTransform cx = obj->colorTransform;
        std::uint16_t id = obj->characterId;
        Drawing drawn = t->drawing();
        Timeline* copy = parent->placeByScript(*key, id, std::string(name), m, cx);
        if (copy) copy->drawing() = std::move(drawn);  // the copy shows what the source drew
        return handle(copy);
    }
    void draw(script::ClipHandle h, const script::DrawCommand& command) override {
        if (Timeline* t = timeline(h)) t->drawing().apply(command);
    }
    void cloneSprite(script::ClipHandle h, std::string_view name, int depth) override { duplicateClip(h, name, depth); }
    void removeSprite(script::ClipHandle h) override {
        if (TextField* f = field(h)) {
            ctx_.textFields[f]->removeText(f);
            return;
        }
        Timeline* t = timeline(h);
        if (t && t->parent()) t->parent()->removeByScript(t);
    }
    std::optional<int> depthOf(script::ClipHandle h) override {
        if (TextField* f = field(h)) {
            const DisplayObject* obj = ctx_.textFields[f]->objectOf(f);
            return obj ? std::optional<int>(int(obj->depth) - Timeline::kScriptDepthOffset) : std::nullopt;
        }
        Timeline* t = timeline(h);
        if (!t) return std::nullopt;
        if (!t->parent()) return -Timeline::kScriptDepthOffset;
        const DisplayObject* obj = t->parent()->objectOf(t);
        if (!obj) return std::nullopt;
        return int(obj->depth) - Timeline::kScriptDepthOffset;
    }
    std::vector<int> childDepths(script::ClipHandle h) override {
        std::vector<int> out;
        if (Timeline* t = timeline(h))
            for (const auto& [depth, obj] : t->displayList()) out.push_back(int(depth) - Timeline::kScriptDepthOffset);
        return out;
    }
    script::ClipHandle childAtDepth(script::ClipHandle h, int depth) override {
        Timeline* t = timeline(h);
        auto key = listDepth(depth);
        if (!t || !key) return 0;
        auto it = t->displayList().find(*key);
        return it != t->displayList().end() && it->second.sprite ? handle(it->second.sprite.get()) : 0;
    }
    void play(script::ClipHandle h) override {
        if (Timeline* t = timeline(h)) t->setPlaying(true);
    }
    void stop(script::ClipHandle h) override {
        if (Timeline* t = timeline(h)) t->setPlaying(false);
    }
    void gotoFrame(script::ClipHandle h, int frame, bool andPlay) override {
        if (Timeline* t = timeline(h)) go(t, frame + 1, andPlay);
    }
    bool gotoLabel(script::ClipHandle h, std::string_view label, bool andPlay) override {
        Timeline* t = timeline(h);
        int f = t ? t->frames().frameOfLabel(std::string(label)) : 0;
        if (f > 0) go(t, f, andPlay);  // an unknown label is ignored
        return f > 0;
    }
    int frameOfLabel(script::ClipHandle h, std::string_view label) override {
        Timeline* t = timeline(h);
        int f = t ? t->frames().frameOfLabel(std::string(label)) : 0;
        return f > 0 ? f - 1 : -1;
    }
    void nextFrame(script::ClipHandle h) override {
        if (Timeline* t = timeline(h)) go(t, t->currentFrame() + 1, false);
    }
    void prevFrame(script::ClipHandle h) override {
        if (Timeline* t = timeline(h)) go(t, t->currentFrame() - 1, false);
    }
    // Scripts see no frame beyond the count they read (a sprite declared
    // without frames is at frame 0).
    int currentFrame(script::ClipHandle h) override {
        Timeline* t = timeline(h);
        return t ? std::min(t->currentFrame(), std::max(t->frames().scriptFrameCount(), 0)) : 0;
    }
    int totalFrames(script::ClipHandle h) override {
        Timeline* t = timeline(h);
        return t ? t->frames().scriptFrameCount() : 0;
    }
    void loadMovie(script::ClipHandle h, std::string_view url) override {
        if (Timeline* t = timeline(h)) queueLoad(t, 0, url, false);
    }
    void loadMovieNum(int level, std::string_view url) override {
        if (level >= 0 && level <= kMaxLevel) queueLoad(nullptr, level, url, false);
    }
    void loadVariables(script::ClipHandle h, std::string_view url) override {
        if (Timeline* t = timeline(h)) queueLoad(t, 0, url, true);
    }
    void loadVariablesNum(int level, std::string_view url) override {
        if (level >= 0 && level <= kMaxLevel) queueLoad(nullptr, level, url, true);
    }
    bool loadClip(script::ClipHandle h, int level, std::string_view url, script::Object* loader) override {
        Timeline* t = h ? timeline(h) : nullptr;
        if ((h && !t) || (!h && (level < 0 || level > kMaxLevel))) return false;
        if (ctx_.loads.size() >= ctx_.maxPendingLoads || !ctx_.machine) return false;
        ctx_.loads.push_back({t, t ? 0 : level, std::string(url), false, loader});
        if (loader) ctx_.machine->addRoot(loader);
        return true;
    }
    void unloadClip(script::ClipHandle h, int level) override {
        Timeline* t = h ? timeline(h) : nullptr;
        if (h && !t) return;
        for (auto& load : ctx_.loads)
            if (load.loader && !load.variables && load.target == t && (t || load.level == level)) load.cancelled = true;
        if (t)
            queueLoad(t, 0, "", false);
        else if (level >= 0 && level <= kMaxLevel)
            queueLoad(nullptr, level, "", false);
    }
    std::pair<double, double> bytesOf(script::ClipHandle h) override {
        Timeline* t = timeline(h);
        double n = t && t->loaded() ? double(t->loaded()->bytes) : 0.0;
        return {n, n};
    }
    void stopSounds() override {
        if (ctx_.mixer) ctx_.mixer->stopAll();
    }
    void trace(std::string_view message) override {
        if (ctx_.trace) ctx_.trace(message);
    }
    void warning(std::string_view message) override {
        std::fprintf(stderr, "script : %.*s\n", int(message.size()), message.data());
    }
    double timeMs() override { return static_cast<double>(ctx_.tick) * ctx_.frameMs; }
    std::uint32_t random(std::uint32_t bound) override {
        return bound ? static_cast<std::uint32_t>(rng_() % bound) : 0;
    }

    script::TextFieldAccess* textField(script::ClipHandle h) override { return field(h); }
    script::ClipHandle createTextField(script::ClipHandle h, std::string_view name, int depth, double x, double y,
                                       double width, double height) override {
        Timeline* t = timeline(h);
        auto key = listDepth(depth);
        if (!t || !key) return 0;
        // Bounds in twips from pixels; a negative size is taken as its size.
        auto twips = [](double px) { return static_cast<std::int32_t>(std::clamp(px, -1e6, 1e6) * 20); };
        Rect bounds{0, std::abs(twips(width)), 0, std::abs(twips(height))};
        return scriptHandle(t->placeTextField(*key, std::string(name), bounds, twips(x), twips(y)));
    }
    // ---- the pointer and the keyboard (input.cpp keeps their state)
    void startDrag(script::ClipHandle h, bool lockCenter, std::optional<script::DragBounds> b) override {
        std::optional<QRectF> bounds;
        if (b && std::isfinite(b->left) && std::isfinite(b->top) && std::isfinite(b->right) && std::isfinite(b->bottom))
            bounds = QRectF(QPointF(b->left, b->top), QPointF(b->right, b->bottom));
        lastDragged_ = timeline(h);
        beginDrag(ctx_, lastDragged_, lockCenter, bounds);
    }
    void stopDrag() override { endDrag(ctx_); }
    int lastKeyCode() override { return ctx_.input.lastKeyCode; }
    std::uint32_t lastKeyAscii() override { return ctx_.input.lastKeyAscii; }
    bool keyIsDown(int code) override {
        return code >= 0 && code < int(ctx_.input.keysDown.size()) && ctx_.input.keysDown[std::size_t(code)];
    }
    bool keyIsToggled(int code) override {
        return code >= 0 && code < int(ctx_.input.keysToggled.size()) && ctx_.input.keysToggled[std::size_t(code)];
    }
    bool setPointerShown(bool shown) override { return std::exchange(ctx_.input.pointerShown, shown); }

    // Timelines sent to another frame, whose scripts are still to run.
    std::vector<Timeline*> touched;
    // The timelines whose scripts are running, innermost last.
    std::vector<Timeline*> running;
    script::ClipHandle scriptClip() override {
        return running.empty() || !ctx_.alive(running.back()) ? 0 : handle(running.back());
    }

private:
    // Colour transforms in the script's units: the display object keeps 8.8 fixed multipliers.
    std::optional<script::ColorTransformValue> colorTransform(script::ClipHandle h) override {
        Timeline* t = timeline(h);
        const DisplayObject* o = t ? objectFor(t) : nullptr;
        if (!o) return std::nullopt;
        const ColorTransform& c = o->colorTransform;
        return script::ColorTransformValue{c.multR / 256.0, c.multG / 256.0, c.multB / 256.0, c.multA / 256.0,
                                           double(c.addR),  double(c.addG),  double(c.addB),  double(c.addA)};
    }
    void setColorTransform(script::ClipHandle h, const script::ColorTransformValue& v) override {
        Timeline* t = timeline(h);
        DisplayObject* o = t ? objectFor(t) : nullptr;
        if (!o) return;
        // Out-of-range values wrap to 16 bits, as the reference player's do.
        auto fixed = [](double d) -> std::int16_t {
            if (!std::isfinite(d)) return 0;
            return static_cast<std::int16_t>(
                static_cast<std::uint16_t>(static_cast<std::int64_t>(std::fmod(std::trunc(d), 65536.0)) & 0xFFFF));
        };
        ColorTransform& c = o->colorTransform;
        c.multR = fixed(v.redMul * 256), c.multG = fixed(v.greenMul * 256), c.multB = fixed(v.blueMul * 256);
        c.multA = fixed(v.alphaMul * 256);
        c.addR = fixed(v.redAdd), c.addG = fixed(v.greenAdd), c.addB = fixed(v.blueAdd), c.addA = fixed(v.alphaAdd);
    }
    TextField* field(script::ClipHandle h) const {
        auto it = ctx_.textFields.find(reinterpret_cast<const TextField*>(h));
        return it != ctx_.textFields.end() ? const_cast<TextField*>(it->first) : nullptr;
    }
    // The display properties of a text field: position, scale, rotation,
    // alpha, visibility, size, name and path; the timeline ones are undefined.
    script::HostValue fieldProperty(TextField* f, script::DisplayProperty p) {
        using P = script::DisplayProperty;
        Timeline* owner = ctx_.textFields[f];
        const DisplayObject* obj = owner->objectOf(f);
        if (!obj) return {};
        switch (p) {
        case P::X: return displayX(*obj);
        case P::Y: return displayY(*obj);
        case P::XScale: return displayXScale(*obj);
        case P::YScale: return displayYScale(*obj);
        case P::Rotation: return displayRotation(*obj);
        case P::Alpha: return displayAlpha(*obj);
        case P::Visible: return obj->visible;
        case P::Width: return displayWidth(owner->dictionary(), *obj);
        case P::Height: return displayHeight(owner->dictionary(), *obj);
        case P::Name: return obj->name;
        case P::Target: return targetPath(scriptHandle(f), false);
        case P::Quality: return quality_;
        case P::HighQuality: return quality_ == "LOW" ? 0.0 : quality_ == "BEST" ? 2.0 : 1.0;
        case P::FocusRect: return focusRect_;
        case P::SoundBufTime: return soundBufTime_;
        case P::Url: return std::string("file:///movie.swf");
        default: return {};
        }
    }
    void setFieldProperty(TextField* f, script::DisplayProperty p, const script::HostValue& v) {
        using P = script::DisplayProperty;
        Timeline* owner = ctx_.textFields[f];
        DisplayObject* obj = owner->objectOf(f);
        if (!obj) return;
        double n = number(v);
        switch (p) {
        // A field's position is kept in whole twips, cut toward zero.
        case P::X: setDisplayX(*obj, std::trunc(n * 20) / 20); break;
        case P::Y: setDisplayY(*obj, std::trunc(n * 20) / 20); break;
        case P::XScale: setDisplayXScale(*obj, n); break;
        case P::YScale: setDisplayYScale(*obj, n); break;
        case P::Rotation: setDisplayRotation(*obj, n); break;
        case P::Alpha: setDisplayAlpha(*obj, n); break;
        case P::Visible: setDisplayVisible(*obj, n); break;
        case P::Width:
        case P::Height: {
            // A field's size is its bounds, not a scale.
            if (std::isnan(n)) break;
            Rect b = f->bounds();
            std::int32_t twips = static_cast<std::int32_t>(std::clamp(n, 0.0, 1e6) * 20);
            if (p == P::Width)
                b.xmax = b.xmin + twips;
            else
                b.ymax = b.ymin + twips;
            f->setBounds(b);
            break;
        }
        case P::Name:
            if (const auto* s = std::get_if<std::string>(&v)) obj->name = *s;
            break;
        default: break;
        }
    }
    static double number(const script::HostValue& v) {
        if (const double* d = std::get_if<double>(&v)) return *d;
        if (const bool* b = std::get_if<bool>(&v)) return *b ? 1.0 : 0.0;
        return std::numeric_limits<double>::quiet_NaN();
    }
    // The display-list entry of a clip; the movie's own timeline has none
    // and keeps its script-set properties here.
    DisplayObject* objectFor(Timeline* t) {
        if (!t->parent()) return &rootObject_;
        return t->parent()->objectOf(t);
    }
    static std::optional<std::uint16_t> listDepth(int scriptDepth) {
        long d = long(scriptDepth) + Timeline::kScriptDepthOffset;
        if (d < 0 || d > 65535) return std::nullopt;
        return static_cast<std::uint16_t>(d);
    }
    static constexpr int kMaxLevel = 1000;
    void queueLoad(const Timeline* target, int level, std::string_view url, bool variables) {
        if (ctx_.loads.size() >= ctx_.maxPendingLoads) return;
        ctx_.loads.push_back({target, level, std::string(url), variables});
    }
    // _droptarget: where the last dragged clip is over, in slash syntax ("" when nothing).
    std::string dropTargetPath(Timeline* t) {
        if (!t || t != lastDragged_) return "";
        Timeline* under = dropTarget(ctx_, t);
        return under ? targetPath(handle(under), false) : "";
    }
    Timeline* lastDragged_ = nullptr;
    DisplayObject rootObject_;
    std::string quality_ = "HIGH";
    bool focusRect_ = true;
    double soundBufTime_ = 5;
    static std::string nameOf(const Timeline* t) {
        if (const Timeline* p = t->parent())
            for (const auto& [depth, obj] : p->displayList()) {
                if (obj.sprite.get() == t) return obj.name;
                if (obj.button)
                    for (const auto& [i, sprite] : obj.button->sprites)
                        if (sprite.get() == t) return obj.button->names[i];
            }
        return "";
    }
    void go(Timeline* t, int frame, bool andPlay) {
        t->gotoFrame(frame);
        t->setPlaying(andPlay);
        if (std::find(touched.begin(), touched.end(), t) == touched.end()) touched.push_back(t);
    }
    PlayerContext& ctx_;
    std::minstd_rand rng_{12345};
};

}  // namespace

// Runs one action list with `target` as its timeline; returns the timelines
// it sent elsewhere.
std::vector<Timeline*> runScript(PlayerContext& ctx, std::span<const std::uint8_t> actions, Timeline* target) {
    if (!ctx.machine) return {};
    auto& host = static_cast<ScriptHost&>(*ctx.scriptHost);
    std::vector<Timeline*> outer = std::move(host.touched);
    host.touched.clear();
    host.running.push_back(target);
    ctx.machine->runActions(actions, ScriptHost::handle(target));
    host.running.pop_back();
    std::vector<Timeline*> mine = std::move(host.touched);
    host.touched = std::move(outer);
    return mine;
}

// The new frames of timelines a script sent elsewhere run at once, within
// the depth bound; deeper sends wait for those timelines' next step.
void runTouched(PlayerContext& ctx, const std::vector<Timeline*>& touched, const Timeline* self) {
    if (ctx.scriptDepth >= ctx.maxScriptDepth) return;
    ++ctx.scriptDepth;
    for (Timeline* t : touched)
        if (t != self && ctx.alive(t)) t->runQueuedActions();
    --ctx.scriptDepth;
}

// Takes a timeline and everything under it out of the live set; its memory
// stays valid in the graveyard until the current operation ends.
void markDead(PlayerContext& ctx, const Timeline& t) {
    ctx.live.erase(&t);
    if (ctx.machine) ctx.machine->clipRemoved(ScriptHost::handle(&t));
    for (const auto& [depth, obj] : t.displayList()) {
        if (obj.sprite) markDead(ctx, *obj.sprite);
        if (obj.text) forgetTextField(ctx, obj.text.get());
        if (obj.button)
            for (const auto& [i, s] : obj.button->sprites) markDead(ctx, *s);
    }
}

void forgetTextField(PlayerContext& ctx, const TextField* field) {
    ctx.textFields.erase(field);
    if (ctx.machine) ctx.machine->clipRemoved(scriptHandle(field));
}

void bindTextVariable(PlayerContext& ctx, const TextField* field) {
    if (ctx.machine) script::textFieldPlaced(*ctx.machine, scriptHandle(field));
}

void syncTextVariables(PlayerContext& ctx) {
    if (!ctx.machine) return;
    std::vector<const TextField*> bound;
    for (const auto& [field, owner] : ctx.textFields)
        if (!field->variable().empty()) bound.push_back(field);
    for (const TextField* f : bound)
        if (ctx.textFields.count(f)) script::refreshTextVariable(*ctx.machine, scriptHandle(f));
}

void runScriptOn(PlayerContext& ctx, std::span<const std::uint8_t> actions, Timeline* target) {
    runTouched(ctx, runScript(ctx, actions, target), nullptr);
}

namespace {

constexpr std::uint32_t kEnterFrameEvent = 0x2, kKeyPressEvent = 0x20000;

}  // namespace

// Runs the onClipEvent handlers of `t` that answer `event`.
void fireClipEvent(PlayerContext& ctx, Timeline* t, std::uint32_t event) {
    Timeline* parent = t->parent();
    const DisplayObject* obj = parent ? parent->objectOf(t) : nullptr;
    if (!obj || !obj->clipActions) return;
    std::shared_ptr<const ClipActions> actions = obj->clipActions;  // the handlers may replace the object
    for (const ClipAction& a : *actions) {
        if (!ctx.alive(t)) return;
        if (a.events & event) runScriptOn(ctx, a.actions, t);
    }
}

// Calls the method `name` of the clip's object when it has one, with the
// clip as the timeline of plain calls; then the frames it sent clips to.
void callClipMethod(PlayerContext& ctx, Timeline* t, std::string_view name, std::span<const script::Value> args) {
    if (!ctx.machine || !ctx.alive(t)) return;
    auto& host = static_cast<ScriptHost&>(*ctx.scriptHost);
    std::vector<Timeline*> outer = std::move(host.touched);
    host.touched.clear();
    host.running.push_back(t);
    ctx.machine->callMethodIfPresent(ctx.machine->clipObject(ScriptHost::handle(t)), name, args);
    host.running.pop_back();
    std::vector<Timeline*> mine = std::move(host.touched);
    host.touched = std::move(outer);
    runTouched(ctx, mine, nullptr);
}

namespace {

// The clips under `t` in the order enterFrame reaches them: the topmost
// first, each one's children before it.
void collectClips(PlayerContext& ctx, const Timeline& t, int nesting, std::vector<Timeline*>& out) {
    if (nesting > ctx.maxNesting) return;
    const DisplayList& list = t.displayList();
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
        const DisplayObject& obj = it->second;
        if (obj.bornTick == ctx.tick) continue;  // placed during this very tick
        if (obj.button)
            for (auto s = obj.button->sprites.rbegin(); s != obj.button->sprites.rend(); ++s) {
                collectClips(ctx, *s->second, nesting + 1, out);
                out.push_back(s->second.get());
            }
        if (obj.sprite) {
            collectClips(ctx, *obj.sprite, nesting + 1, out);
            out.push_back(obj.sprite.get());
        }
    }
}

}  // namespace

ClipActions parseClipActions(const PlaceObject& p, int version) {
    ClipActions out;
    if (!p.hasClipActions) return out;
    const Bytes& b = p.tail;
    std::size_t i = 0;
    if (p.version >= 3) {
        // What PlaceObject3 keeps before the handlers.
        if (p.extraFlags3 & 0x01) return out;  // a filter list, not read
        if (p.extraFlags3 & 0x02) i += 1;      // blend mode
        if (p.extraFlags3 & 0x04) i += 1;      // bitmap caching
        if (p.extraFlags3 & 0x20) i += 1;      // visibility
        if (p.extraFlags3 & 0x40) i += 4;      // background colour
    }
    auto read = [&](std::size_t n, std::uint32_t& v) {
        if (i > b.size() || b.size() - i < n) return false;
        v = 0;
        for (std::size_t k = 0; k < n; ++k) v |= std::uint32_t(b[i + k]) << (8 * k);
        i += n;
        return true;
    };
    // Event flags are 16 bits wide up to version 5, 32 from 6 on.
    const std::size_t flagBytes = version >= 6 ? 4 : 2;
    std::uint32_t unused = 0;
    if (!read(2, unused) || !read(flagBytes, unused)) return out;
    for (;;) {
        std::uint32_t events = 0, size = 0;
        if (!read(flagBytes, events) || events == 0 || !read(4, size) || size > b.size() - i) break;
        const bool keyed = (events & kKeyPressEvent) && size > 0;  // the key code comes first
        std::size_t begin = i + (keyed ? 1 : 0);
        out.push_back({events, Bytes(b.begin() + std::ptrdiff_t(begin), b.begin() + std::ptrdiff_t(i + size)),
                       keyed ? b[i] : std::uint8_t(0)});
        i += size;
    }
    return out;
}

void dispatchEnterFrame(PlayerContext& ctx) {
    if (!ctx.machine) return;
    std::vector<Timeline*> clips;
    auto level = [&](Timeline* t) {
        if (!t) return;
        collectClips(ctx, *t, 0, clips);
        clips.push_back(t);
    };
    level(ctx.root);
    for (auto& [n, t] : ctx.levels) level(t.get());
    for (Timeline* t : clips) {
        if (!ctx.alive(t)) continue;
        fireClipEvent(ctx, t, kEnterFrameEvent);
        callClipMethod(ctx, t, "onEnterFrame");
    }
}

void startScripts(PlayerContext& ctx) {
    static const std::vector<Tag> noTags;
    ctx.emptyFrames = FrameIndex::build(noTags);
    ctx.scriptHost = std::make_unique<ScriptHost>(ctx);
    ctx.machine = std::make_unique<script::Machine>(*ctx.scriptHost, ctx.version);
}

}  // namespace swf
