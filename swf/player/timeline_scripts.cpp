// The script side of timelines: the host the action machine drives them
// through, clip events and onEnterFrame, and movies and variables loaded by
// scripts.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <limits>
#include <random>

#include "swf/format/action_builder.h"
#include "swf/format/reader.h"
#include "swf/player/display_properties.h"
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
        Timeline* t = timeline(h);
        return t && t->parent() ? handle(t->parent()) : 0;
    }
    script::ClipHandle child(script::ClipHandle h, std::string_view name, bool) override {
        Timeline* t = timeline(h);
        Timeline* c = t ? t->child(name) : nullptr;
        return c ? handle(c) : 0;
    }
    std::vector<std::pair<std::string, script::ClipHandle>> children(script::ClipHandle h) override {
        std::vector<std::pair<std::string, script::ClipHandle>> out;
        // for..in lists the topmost instance first.
        if (Timeline* t = timeline(h))
            for (auto it = t->displayList().rbegin(); it != t->displayList().rend(); ++it)
                if (it->second.sprite && !it->second.name.empty())
                    out.emplace_back(it->second.name, handle(it->second.sprite.get()));
        return out;
    }
    bool alive(script::ClipHandle h) override { return timeline(h) != nullptr; }
    std::string targetPath(script::ClipHandle h, bool dotted) override {
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
        case P::DropTarget: return std::string("");
        default: return 0.0;
        }
    }
    void setProperty(script::ClipHandle h, script::DisplayProperty p, const script::HostValue& v) override {
        using P = script::DisplayProperty;
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
        Timeline* t = timeline(h);
        if (t && t->parent()) t->parent()->removeByScript(t);
    }
    std::optional<int> depthOf(script::ClipHandle h) override {
        Timeline* t = timeline(h);
        if (!t) return std::nullopt;
        if (!t->parent()) return -Timeline::kScriptDepthOffset;
        const DisplayObject* obj = t->parent()->objectOf(t);
        if (!obj) return std::nullopt;
        return int(obj->depth) - Timeline::kScriptDepthOffset;
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

    // Timelines sent to another frame, whose scripts are still to run.
    std::vector<Timeline*> touched;
    // The timelines whose scripts are running, innermost last.
    std::vector<Timeline*> running;
    script::ClipHandle scriptClip() override {
        return running.empty() || !ctx_.alive(running.back()) ? 0 : handle(running.back());
    }

private:
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
        if (obj.button)
            for (const auto& [i, s] : obj.button->sprites) markDead(ctx, *s);
    }
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

namespace {

// Calls the method `name` of the clip's object when it has one, with the
// clip as the timeline of plain calls; then the frames it sent clips to.
void callClipMethod(PlayerContext& ctx, Timeline* t, std::string_view name) {
    if (!ctx.machine || !ctx.alive(t)) return;
    auto& host = static_cast<ScriptHost&>(*ctx.scriptHost);
    std::vector<Timeline*> outer = std::move(host.touched);
    host.touched.clear();
    host.running.push_back(t);
    ctx.machine->callMethodIfPresent(ctx.machine->clipObject(ScriptHost::handle(t)), name, {});
    host.running.pop_back();
    std::vector<Timeline*> mine = std::move(host.touched);
    host.touched = std::move(outer);
    runTouched(ctx, mine, nullptr);
}

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
        std::size_t begin = i + ((events & kKeyPressEvent) && size > 0 ? 1 : 0);  // the key code comes first
        out.push_back({events, Bytes(b.begin() + std::ptrdiff_t(begin), b.begin() + std::ptrdiff_t(i + size))});
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

namespace {

// The movie at `url`, read through the context's fetcher; null (with a
// French message on standard error) when it cannot be had.
std::shared_ptr<const LoadedMovie> fetchMovie(PlayerContext& ctx, const std::string& url) {
    auto fail = [&](const char* why) -> std::shared_ptr<const LoadedMovie> {
        std::fprintf(stderr, "swf : le film « %s » n'a pas pu être chargé (%s).\n", url.c_str(), why);
        return nullptr;
    };
    if (!ctx.fetch) return fail("aucun accès aux fichiers");
    std::size_t most = std::min(ctx.maxLoadBytes, ctx.loadBudget);
    std::optional<Bytes> bytes = ctx.fetch(url, most);
    if (!bytes) return fail("fichier absent, illisible, hors du dossier du film ou trop grand");
    ctx.loadBudget -= std::min(ctx.loadBudget, bytes->size());
    ReadResult r = read(*bytes);
    if (!r.ok()) return fail("ce n'est pas un film lisible");
    auto loaded = std::make_shared<LoadedMovie>();
    loaded->movie = std::make_shared<const MovieData>(std::move(*r.movie));
    loaded->dictionary = std::make_unique<Dictionary>(*loaded->movie);
    return loaded;
}

// "a=1&b=deux+mots&c=%C3%A9t%C3%A9" → its pairs, decoded ('+' is a space).
std::vector<std::pair<std::string, std::string>> decodeVariables(const Bytes& text) {
    auto hex = [](char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    auto decode = [&](std::string_view s) {
        std::string out;
        for (std::size_t i = 0; i < s.size(); ++i) {
            if (s[i] == '+') {
                out += ' ';
            } else if (s[i] == '%' && i + 2 < s.size() && hex(s[i + 1]) >= 0 && hex(s[i + 2]) >= 0) {
                out += static_cast<char>(hex(s[i + 1]) * 16 + hex(s[i + 2]));
                i += 2;
            } else {
                out += s[i];
            }
        }
        return out;
    };
    std::vector<std::pair<std::string, std::string>> out;
    std::string_view all(reinterpret_cast<const char*>(text.data()), text.size());
    while (!all.empty()) {
        std::size_t amp = all.find('&');
        std::string_view pair = all.substr(0, amp);
        all = amp == std::string_view::npos ? std::string_view() : all.substr(amp + 1);
        std::size_t eq = pair.find('=');
        if (eq == std::string_view::npos || eq == 0) continue;
        out.emplace_back(decode(pair.substr(0, eq)), decode(pair.substr(eq + 1)));
    }
    return out;
}

// Sets the variables of a text file on a clip, as a script would.
void loadVariablesInto(PlayerContext& ctx, Timeline* target, const std::string& url) {
    if (!ctx.fetch) return;
    std::optional<Bytes> text = ctx.fetch(url, std::min(ctx.maxLoadBytes, ctx.loadBudget));
    if (!text) {
        std::fprintf(stderr, "swf : les variables de « %s » n'ont pas pu être lues.\n", url.c_str());
        return;
    }
    ctx.loadBudget -= std::min(ctx.loadBudget, text->size());
    ActionBuilder set;
    for (const auto& [name, value] : decodeVariables(*text)) {
        // Plain names only: a path would reach other clips. A push record holds at most 64 KiB.
        if (name.find_first_of("/:.") != std::string::npos || name.size() + value.size() > 60000) continue;
        set.setVariable(name, value);
    }
    runScriptOn(ctx, set.bytes(), target);
}

}  // namespace

void runLoads(PlayerContext& ctx) {
    std::vector<PlayerContext::PendingLoad> loads = std::move(ctx.loads);
    ctx.loads.clear();
    for (const auto& load : loads) {
        Timeline* target = nullptr;
        if (load.target) {
            if (!ctx.alive(load.target)) continue;  // the clip left the stage meanwhile
            target = const_cast<Timeline*>(load.target);
        } else if (load.level == 0) {
            target = ctx.root;
        } else if (auto it = ctx.levels.find(load.level); it != ctx.levels.end()) {
            target = it->second.get();
        }
        if (load.variables) {
            if (target) loadVariablesInto(ctx, target, load.url);
            continue;
        }
        std::shared_ptr<const LoadedMovie> movie;
        if (!load.url.empty()) {
            movie = fetchMovie(ctx, load.url);
            if (!movie) continue;  // what was shown stays
        }
        // What the clip showed leaves: its onUnload handler runs first.
        if (target && ctx.machine)
            ctx.machine->callMethodIfPresent(ctx.machine->clipObject(ScriptHost::handle(target)), "onUnload", {});
        if (target && !ctx.alive(target)) continue;
        if (!target && !movie) continue;  // unloading a level that is not there
        if (!target) {
            auto level = std::make_unique<Timeline>(ctx.emptyFrames, ctx, 0, nullptr);
            level->setLevel(load.level);
            target = level.get();
            ctx.levels[load.level] = std::move(level);
        } else if (!movie && !target->parent() && target->level() != 0) {
            // An unloaded level is gone, not empty.
            auto it = ctx.levels.find(target->level());
            markDead(ctx, *it->second);
            ctx.graveyard.push_back(std::move(it->second));
            ctx.levels.erase(it);
            continue;
        }
        target->loadContent(std::move(movie));
    }
}

}  // namespace swf
