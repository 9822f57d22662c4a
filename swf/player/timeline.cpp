#include "swf/player/timeline.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cmath>
#include <limits>
#include <random>

#include "swf/format/action_builder.h"
#include "swf/format/reader.h"
#include "swf/player/display_properties.h"
#include "swf/player/text_field.h"
#include "swf/player/timeline_scripts.h"

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

// --- Timeline -----------------------------------------------------------------------

Timeline::Timeline(const FrameIndex& frames, PlayerContext& context, int nesting, Timeline* parent)
    : frames_(&frames),
      ctx_(&context),
      dict_(parent ? parent->dict_ : context.dictionary),
      loaded_(parent ? parent->loaded_ : nullptr),
      nesting_(nesting),
      parent_(parent) {
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
    if (ctx_->machine) ctx_->machine->clipRemoved(scriptHandle(this));
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
    if (obj.text) {
        forgetTextField(*ctx_, obj.text.get());
        obj.text.reset();
    }
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

TextField* Timeline::textChild(std::string_view name) const {
    for (const auto& [depth, obj] : list_)
        if (obj.text && sameName(obj.name, name)) return obj.text.get();
    return nullptr;
}

DisplayObject* Timeline::objectOf(const TextField* field) {
    for (auto& [depth, obj] : list_)
        if (obj.text.get() == field) return &obj;
    return nullptr;
}

TextField* Timeline::placeTextField(std::uint16_t depth, const std::string& name, const Rect& bounds, double x,
                                    double y) {
    if (auto it = list_.find(depth); it != list_.end()) {
        discard(it->second);
        list_.erase(it);
        --ctx_->liveObjects;
    }
    if (ctx_->liveObjects >= ctx_->maxObjects) return nullptr;
    DisplayObject obj;
    obj.depth = depth;
    obj.name = name;
    obj.matrix = Matrix::translate(static_cast<std::int32_t>(x), static_cast<std::int32_t>(y));
    obj.bornTick = ctx_->tick;
    obj.placedBy = kPlacedByScript;
    obj.text = std::make_unique<TextField>(bounds);
    ctx_->textFields[obj.text.get()] = this;
    ++ctx_->liveObjects;
    DisplayObject& slot = list_[depth] = std::move(obj);
    return slot.text.get();
}

bool Timeline::removeText(const TextField* field) {
    for (auto it = list_.begin(); it != list_.end(); ++it) {
        if (it->second.text.get() != field) continue;
        discard(it->second);
        list_.erase(it);
        --ctx_->liveObjects;
        return true;
    }
    return false;
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

void Timeline::loadContent(std::shared_ptr<const LoadedMovie> movie) {
    showContent(std::move(movie));
    runQueuedActions();
}

void Timeline::showContent(std::shared_ptr<const LoadedMovie> movie) {
    clear();
    loaded_ = std::move(movie);
    if (loaded_) {
        frames_ = &loaded_->dictionary->rootFrames();
        dict_ = loaded_->dictionary.get();
    } else {
        frames_ = &ctx_->emptyFrames;
    }
    current_ = 1;
    playing_ = true;
    enterFrame(1);
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
    const FrameIndex* fi = characterId ? dict_->spriteFrames(characterId) : &ctx_->emptyFrames;
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

void PlayerContext::startSound(std::uint16_t soundId, const SoundInfo& info, const Dictionary* from) const {
    if (!mixer) return;
    if (!from) from = dictionary;
    if (info.syncStop)
        mixer->start(soundId, nullptr, info);
    else if (auto pcm = from->soundPcm(soundId))
        mixer->start(soundId, pcm, info);
}

void Timeline::startSounds(int frame) {
    if (!ctx_->mixer) return;
    const auto& range = frames_->frames[static_cast<std::size_t>(frame - 1)];
    const auto& tags = *frames_->tags;
    for (std::size_t i = range.begin; i < range.end; ++i) {
        auto* s = std::get_if<StartSound>(&tags[i]);
        // StartSound2 names its sound by class, for later script versions.
        if (s && s->version == 1) ctx_->startSound(s->soundId, s->info, dict_);
    }
}

// The sounds and scripts of the frames entered since the last run. A
// script may take this very timeline off the display list; it then stops.
void Timeline::runQueuedActions() {
    // A clip of a symbol with a registered class is made by its constructor
    // before its first frame's scripts.
    if (!classDone_ && parent_ && ctx_->machine) {
        classDone_ = true;
        if (const DisplayObject* obj = parent_->objectOf(this))
            if (std::string name = dict_->exportName(obj->characterId); !name.empty())
                script::constructClip(*ctx_->machine, scriptHandle(this), name);
    }
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
                if (ctx_->initActionsRun.insert({dict_, init->spriteId}).second)
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
    // A placed sprite's onClipEvent(load) handlers run once its first frame's scripts have.
    if (!loadEventDone_ && parent_ && ctx_->alive(this)) {
        loadEventDone_ = true;
        fireClipEvent(*ctx_, this, kLoadEvent);
    }
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
        } else if (frames_->endsUnfinished()) {
            // The frame the tags after the last ShowFrame make: it waits there.
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
    const FrameIndex* fi = dict_->spriteFrames(characterId);
    if (!fi || nesting_ + 1 > ctx_->maxNesting) return nullptr;
    return std::make_unique<Timeline>(*fi, *ctx_, nesting_ + 1, this);
}

void Timeline::place(const PlaceObject& p, std::size_t tagIndex) {
    auto it = list_.find(p.depth);
    bool fresh = p.version <= 1 || !p.move || it == list_.end();
    auto attach = [&](DisplayObject& obj) {
        obj.sprite = instantiate(obj.characterId);
        if (const DefineEditText* e = dict_->editText(obj.characterId)) {
            obj.text = std::make_unique<TextField>(*e, dict_);
            ctx_->textFields[obj.text.get()] = this;
            bindTextVariable(*ctx_, obj.text.get());
        }
        if (const DefineButton* b = dict_->button(obj.characterId)) {
            obj.button = std::make_unique<ButtonInstance>(b->trackAsMenu);
            for (std::size_t i = 0; i < b->records.size(); ++i)
                if (auto s = instantiate(b->records[i].characterId)) {
                    obj.button->sprites.emplace(i, std::move(s));
                    obj.button->names[i] = "instance" + std::to_string(++ctx_->instanceCount);
                }
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
        if (obj.name.empty() && (dict_->spriteFrames(obj.characterId) || dict_->button(obj.characterId) ||
                                 dict_->editText(obj.characterId)))
            obj.name = "instance" + std::to_string(++ctx_->instanceCount);
        obj.clipDepth = p.clipDepth.value_or(0);
        if (p.hasClipActions)
            if (ClipActions actions = parseClipActions(p, ctx_->version); !actions.empty())
                obj.clipActions = std::make_shared<const ClipActions>(std::move(actions));
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
