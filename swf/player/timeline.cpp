#include "swf/player/timeline.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cmath>
#include <limits>
#include <random>

#include "swf/player/display_properties.h"

namespace swf {

namespace {
bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}
}  // namespace

// --- DisplayObject ----------------------------------------------------------------

DisplayObject::DisplayObject() = default;
DisplayObject::DisplayObject(DisplayObject&&) noexcept = default;
DisplayObject& DisplayObject::operator=(DisplayObject&&) noexcept = default;
DisplayObject::~DisplayObject() = default;

// --- Scripts -------------------------------------------------------------------------

namespace {

// What scripts may do to the timelines: handles are timeline addresses, used
// only while the timeline is alive. Frame changes stop the timeline, as the
// authoring tool's "go to and play" adds an explicit Play after the goto.
class ScriptHost final : public script::Host {
public:
    explicit ScriptHost(PlayerContext& ctx) : ctx_(ctx) {}

    static script::ClipHandle handle(const Timeline* t) { return reinterpret_cast<script::ClipHandle>(t); }
    Timeline* timeline(script::ClipHandle h) const {
        auto* t = reinterpret_cast<Timeline*>(h);
        return ctx_.alive(t) ? t : nullptr;
    }

    script::ClipHandle root() override { return handle(ctx_.root); }
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
        if (Timeline* t = timeline(h))
            for (const auto& [depth, obj] : t->displayList())
                if (obj.sprite && !obj.name.empty()) out.emplace_back(obj.name, handle(obj.sprite.get()));
        return out;
    }
    bool alive(script::ClipHandle h) override { return timeline(h) != nullptr; }
    std::string targetPath(script::ClipHandle h, bool dotted) override {
        std::string path;
        for (Timeline* t = timeline(h); t && t->parent(); t = t->parent())
            path = (dotted ? "." : "/") + nameOf(t) + path;
        if (dotted) return "_level0" + path;
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
        case P::Width: return obj && t->parent() ? displayWidth(*ctx_.dictionary, o) : 0.0;
        case P::Height: return obj && t->parent() ? displayHeight(*ctx_.dictionary, o) : 0.0;
        case P::CurrentFrame: return double(t->currentFrame());
        case P::TotalFrames:
        case P::FramesLoaded: return double(t->frameCount());
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
            if (t->parent()) setDisplayWidth(*ctx_.dictionary, *obj, n);
            break;
        case P::Height:
            if (t->parent()) setDisplayHeight(*ctx_.dictionary, *obj, n);
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
        std::uint16_t id = ctx_.dictionary->exported(exportName);
        auto key = listDepth(depth);
        if (!t || !id || !key || !ctx_.dictionary->sprite(id)) return 0;
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
        return handle(parent->placeByScript(*key, id, std::string(name), m, cx));
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
    int currentFrame(script::ClipHandle h) override {
        Timeline* t = timeline(h);
        return t ? t->currentFrame() : 0;
    }
    int totalFrames(script::ClipHandle h) override {
        Timeline* t = timeline(h);
        return t ? t->frameCount() : 0;
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
    DisplayObject rootObject_;
    std::string quality_ = "HIGH";
    bool focusRect_ = true;
    double soundBufTime_ = 5;
    static std::string nameOf(const Timeline* t) {
        if (const Timeline* p = t->parent())
            for (const auto& [depth, obj] : p->displayList())
                if (obj.sprite.get() == t) return obj.name;
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

}  // namespace

void runScriptOn(PlayerContext& ctx, std::span<const std::uint8_t> actions, Timeline* target) {
    runTouched(ctx, runScript(ctx, actions, target), nullptr);
}

void startScripts(PlayerContext& ctx) {
    static const std::vector<Tag> noTags;
    ctx.emptyFrames = FrameIndex::build(noTags);
    ctx.scriptHost = std::make_unique<ScriptHost>(ctx);
    ctx.machine = std::make_unique<script::Machine>(*ctx.scriptHost, ctx.version);
}

// --- Timeline -----------------------------------------------------------------------

Timeline::Timeline(const FrameIndex& frames, PlayerContext& context, int nesting, Timeline* parent)
    : frames_(&frames), ctx_(&context), nesting_(nesting), parent_(parent) {
    ctx_->live.insert(this);
    if (!parent_ && !ctx_->root) ctx_->root = this;
    if (parent_) {
        // A sprite shows its first frame at once, but its scripts wait for
        // the parent's scripts of the frame that placed it (see runQueuedActions).
        current_ = 1;
        enterFrame(1);
    } else {
        reset();
    }
}

Timeline::~Timeline() {
    ctx_->live.erase(this);
    if (ctx_->machine) ctx_->machine->clipRemoved(ScriptHost::handle(this));
    if (ctx_->root == this) ctx_->root = nullptr;
    ctx_->liveObjects -= std::min(ctx_->liveObjects, list_.size());
    list_.clear();  // children are destroyed here, not kept for later
}

void Timeline::discard(DisplayObject& obj) {
    auto retire = [&](std::unique_ptr<Timeline> t) {
        if (!t) return;
        markDead(*ctx_, *t);
        ctx_->graveyard.push_back(std::move(t));
    };
    retire(std::move(obj.sprite));
    if (obj.button) {
        for (auto& [i, s] : obj.button->sprites) retire(std::move(s));
        obj.button.reset();
    }
}

void Timeline::clear() {
    for (auto& [depth, obj] : list_) discard(obj);
    ctx_->liveObjects -= std::min(ctx_->liveObjects, list_.size());
    list_.clear();
    pendingActionFrames_.clear();
}

DisplayObject* Timeline::objectOf(const Timeline* child) {
    for (auto& [depth, obj] : list_)
        if (obj.sprite.get() == child) return &obj;
    return nullptr;
}

Timeline* Timeline::child(std::string_view name) const {
    for (const auto& [depth, obj] : list_)
        if (obj.sprite && sameName(obj.name, name)) return obj.sprite.get();
    return nullptr;
}

void Timeline::reset() {
    clear();
    current_ = 1;
    playing_ = true;
    enterFrame(1);
    runQueuedActions();
}

void Timeline::applyFrameTags(int frame) {
    const auto& range = frames_->frames[static_cast<std::size_t>(frame - 1)];
    const auto& tags = *frames_->tags;
    for (std::size_t i = range.begin; i < range.end; ++i) {
        if (auto* p = std::get_if<PlaceObject>(&tags[i]))
            place(*p, i);
        else if (auto* r = std::get_if<RemoveObject>(&tags[i]))
            remove(r->depth);
    }
}

void Timeline::enterFrame(int frame) {
    applyFrameTags(frame);
    current_ = frame;
    pendingActionFrames_.push_back(frame);
}

void Timeline::gotoFrame(int frame) {
    frame = std::clamp(frame, 1, frameCount());
    if (frame == current_) return;
    if (frame < current_) {
        rebuildTo(frame);
    } else {
        for (int f = current_ + 1; f <= frame; ++f) applyFrameTags(f);
    }
    current_ = frame;
    pendingActionFrames_.push_back(frame);
}

// Backwards: the changes of frames 1..frame replayed on an empty list. An
// object the same tag placed at the same depth stays the same object (a
// sprite keeps its own timeline and runs no first frame again), set back to
// how that frame shows it; the others leave.
void Timeline::rebuildTo(int frame) {
    rewinding_ = std::move(list_);
    list_.clear();
    pendingActionFrames_.clear();
    for (int f = 1; f <= frame; ++f) applyFrameTags(f);
    current_ = frame;
    std::size_t gone = 0;
    for (auto& [depth, obj] : rewinding_) {
        if (obj.placedBy == kPlacedByScript && !list_.count(depth)) {
            list_[depth] = std::move(obj);
            continue;
        }
        discard(obj);
        ++gone;
    }
    ctx_->liveObjects -= std::min(ctx_->liveObjects, gone);
    rewinding_.clear();
}

Timeline* Timeline::placeByScript(std::uint16_t depth, std::uint16_t characterId, const std::string& name,
                                  const Matrix& matrix, const ColorTransform& cx) {
    const FrameIndex* fi = characterId ? ctx_->dictionary->spriteFrames(characterId) : &ctx_->emptyFrames;
    if (!fi || nesting_ + 1 > ctx_->maxNesting) return nullptr;
    if (auto it = list_.find(depth); it != list_.end()) {
        discard(it->second);
        list_.erase(it);
        --ctx_->liveObjects;
    }
    if (ctx_->liveObjects >= ctx_->maxObjects) return nullptr;
    DisplayObject obj;
    obj.depth = depth;
    obj.characterId = characterId;
    obj.matrix = matrix;
    obj.colorTransform = cx;
    obj.name = name;
    obj.bornTick = ctx_->tick;
    obj.placedBy = kPlacedByScript;
    obj.sprite = std::make_unique<Timeline>(*fi, *ctx_, nesting_ + 1, this);
    ++ctx_->liveObjects;
    DisplayObject& slot = list_[depth] = std::move(obj);
    return slot.sprite.get();
}

bool Timeline::removeByScript(const Timeline* child) {
    for (auto it = list_.begin(); it != list_.end(); ++it) {
        if (it->second.sprite.get() != child) continue;
        if (it->first < kScriptDepthOffset) return false;  // the timeline's own depths
        discard(it->second);
        list_.erase(it);
        --ctx_->liveObjects;
        return true;
    }
    return false;
}

void PlayerContext::startSound(std::uint16_t soundId, const SoundInfo& info) const {
    if (!mixer) return;
    if (info.syncStop)
        mixer->start(soundId, nullptr, info);
    else if (auto pcm = dictionary->soundPcm(soundId))
        mixer->start(soundId, pcm, info);
}

void Timeline::startSounds(int frame) {
    if (!ctx_->mixer) return;
    const auto& range = frames_->frames[static_cast<std::size_t>(frame - 1)];
    const auto& tags = *frames_->tags;
    for (std::size_t i = range.begin; i < range.end; ++i) {
        auto* s = std::get_if<StartSound>(&tags[i]);
        // StartSound2 names its sound by class, for later script versions.
        if (s && s->version == 1) ctx_->startSound(s->soundId, s->info);
    }
}

// The sounds and scripts of the frames entered since the last run. A
// script may take this very timeline off the display list; it then stops.
void Timeline::runQueuedActions() {
    int lists = 0;
    while (!pendingActionFrames_.empty() && ctx_->alive(this)) {
        if (++lists > ctx_->maxActionListsPerTick ||
            ++ctx_->actionListsThisOperation > ctx_->maxActionListsPerOperation) {
            pendingActionFrames_.clear();  // a goto loop: the rest waits for the next tick
            return;
        }
        int frame = pendingActionFrames_.front();
        pendingActionFrames_.erase(pendingActionFrames_.begin());
        startSounds(frame);
        const auto& range = frames_->frames[static_cast<std::size_t>(frame - 1)];
        const auto& tags = *frames_->tags;
        // A frame's DoInitAction tags run once, before its DoAction tags, on the movie.
        for (std::size_t i = range.begin; i < range.end && ctx_->alive(this); ++i)
            if (auto* init = std::get_if<DoInitAction>(&tags[i]))
                if (ctx_->initActionsRun.insert(init).second)
                    runScriptOn(*ctx_, init->actions, ctx_->root ? ctx_->root : this);
        // Scripts run in the order of the frame's tags: a sprite placed by the
        // frame runs its first frame's scripts where its PlaceObject stands,
        // after the scripts before it and before those after it.
        for (std::size_t i = range.begin; i < range.end && ctx_->alive(this); ++i) {
            if (auto* a = std::get_if<DoAction>(&tags[i])) {
                runActions(*a);
            } else if (auto* p = std::get_if<PlaceObject>(&tags[i])) {
                auto it = list_.find(p->depth);
                if (it != list_.end() && it->second.sprite && !it->second.sprite->pendingActionFrames_.empty())
                    it->second.sprite->runQueuedActions();
            }
        }
    }
    // Sprites placed otherwise (by frames passed over by a goto, or by
    // scripts) run theirs after this timeline's own.
    if (!ctx_->alive(this)) return;
    std::vector<Timeline*> placed;
    for (auto& [depth, obj] : list_) {
        if (obj.sprite && !obj.sprite->pendingActionFrames_.empty()) placed.push_back(obj.sprite.get());
        if (obj.button)
            for (auto& [i, s] : obj.button->sprites)
                if (!s->pendingActionFrames_.empty()) placed.push_back(s.get());
    }
    for (Timeline* t : placed)
        if (ctx_->alive(t)) t->runQueuedActions();
}

void Timeline::runActions(const DoAction& action) { runTouched(*ctx_, runScript(*ctx_, action.actions, this), this); }

void Timeline::tickChildren(bool loop) {
    // Scripts run by a child may change this list: collect the timelines first.
    std::vector<Timeline*> children;
    for (auto& [depth, obj] : list_) {
        if (obj.bornTick == ctx_->tick) continue;
        if (obj.sprite) children.push_back(obj.sprite.get());
        if (obj.button)
            for (auto& [i, s] : obj.button->sprites) children.push_back(s.get());
    }
    for (Timeline* c : children)
        if (ctx_->alive(c)) c->step(loop);
}

void Timeline::step(bool loop) {
    if (playing_) {
        if (current_ < frameCount()) {
            enterFrame(current_ + 1);
        } else if (loop && frameCount() > 1) {
            // Back to frame 1 as a goto there: what frame 1 placed stays.
            rebuildTo(1);
            pendingActionFrames_.push_back(1);
        } else if (!loop) {
            playing_ = false;
        }
    }
    runQueuedActions();
    if (ctx_->alive(this)) tickChildren(true);
}

void Timeline::stepForced() {
    if (current_ < frameCount()) enterFrame(current_ + 1);
    runQueuedActions();
    if (ctx_->alive(this)) tickChildren(true);
}

std::unique_ptr<Timeline> Timeline::instantiate(std::uint16_t characterId) {
    const FrameIndex* fi = ctx_->dictionary->spriteFrames(characterId);
    if (!fi || nesting_ + 1 > ctx_->maxNesting) return nullptr;
    return std::make_unique<Timeline>(*fi, *ctx_, nesting_ + 1, this);
}

void Timeline::place(const PlaceObject& p, std::size_t tagIndex) {
    auto it = list_.find(p.depth);
    bool fresh = p.version <= 1 || !p.move || it == list_.end();
    auto attach = [&](DisplayObject& obj) {
        obj.sprite = instantiate(obj.characterId);
        if (const DefineButton* b = ctx_->dictionary->button(obj.characterId)) {
            obj.button = std::make_unique<ButtonInstance>(b->trackAsMenu);
            for (std::size_t i = 0; i < b->records.size(); ++i)
                if (auto s = instantiate(b->records[i].characterId)) obj.button->sprites.emplace(i, std::move(s));
        }
    };
    if (fresh) {
        if (!p.characterId) return;  // modifying an empty depth does nothing
        if (it != list_.end()) {
            // Placing (not moving) onto an occupied depth fails, and the
            // reference player says so in the trace log.
            if (ctx_->trace) ctx_->trace("Warning: Failed to place object at depth " + std::to_string(p.depth) + ".");
            return;
        }
        if (auto old = rewinding_.find(p.depth);
            old != rewinding_.end() && old->second.placedBy == tagIndex && old->second.characterId == *p.characterId) {
            // Still counted in liveObjects from before the rebuild.
            DisplayObject& slot = list_[p.depth] = std::move(old->second);
            rewinding_.erase(old);
            if (!slot.scriptTransformed) {
                slot.matrix = p.matrix.value_or(Matrix{});
                slot.colorTransform = p.colorTransform.value_or(ColorTransform{});
                slot.hasScriptScale = false;
            }
            slot.ratio = p.ratio.value_or(0);
            slot.clipDepth = p.clipDepth.value_or(0);
            return;
        }
        if (ctx_->liveObjects >= ctx_->maxObjects) return;
        DisplayObject obj;
        obj.placedBy = tagIndex;
        obj.depth = p.depth;
        obj.characterId = *p.characterId;
        obj.matrix = p.matrix.value_or(Matrix{});
        obj.colorTransform = p.colorTransform.value_or(ColorTransform{});
        obj.ratio = p.ratio.value_or(0);
        obj.name = p.name.value_or(std::string());
        obj.clipDepth = p.clipDepth.value_or(0);
        obj.bornTick = ctx_->tick;
        ++ctx_->liveObjects;
        auto& slot = list_[p.depth];
        slot = std::move(obj);
        attach(slot);
        return;
    }
    DisplayObject& obj = it->second;
    if (p.characterId && *p.characterId != obj.characterId) {
        discard(obj);
        obj.characterId = *p.characterId;
        obj.bornTick = ctx_->tick;
        obj.placedBy = tagIndex;
        attach(obj);
    }
    if (p.matrix && !obj.scriptTransformed) {
        obj.matrix = *p.matrix;
        obj.hasScriptScale = false;
    }
    if (p.colorTransform && !obj.scriptTransformed) obj.colorTransform = *p.colorTransform;
    if (p.ratio) obj.ratio = *p.ratio;
    if (p.name) obj.name = *p.name;
    if (p.clipDepth) obj.clipDepth = *p.clipDepth;
}

void Timeline::remove(std::uint16_t depth) {
    auto it = list_.find(depth);
    if (it == list_.end()) return;
    discard(it->second);
    list_.erase(it);
    --ctx_->liveObjects;
}

}  // namespace swf
