#include "swf/player.h"

#include <QPainterPathStroker>

#include <algorithm>
#include <cctype>
#include <cmath>

#include "swf/bitmap.h"
#include "swf/morph.h"

namespace swf {

namespace {
std::string lower(std::string s) {
    for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}
bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}
constexpr std::size_t kMaxMediaWarnings = 100;
bool isTimelineTag(const Tag& t) {
    return std::holds_alternative<PlaceObject>(t) || std::holds_alternative<RemoveObject>(t) ||
           std::holds_alternative<DoAction>(t);
}
}  // namespace

// --- FrameIndex ---------------------------------------------------------------

FrameIndex FrameIndex::build(const std::vector<Tag>& tags) {
    FrameIndex fi;
    fi.tags = &tags;
    std::size_t begin = 0;
    for (std::size_t i = 0; i < tags.size(); ++i) {
        if (std::holds_alternative<ShowFrame>(tags[i])) {
            fi.frames.push_back({begin, i});
            begin = i + 1;
        } else if (auto* l = std::get_if<FrameLabel>(&tags[i])) {
            fi.labels.emplace_back(lower(l->name), static_cast<int>(fi.frames.size()) + 1);
        }
    }
    // Display-list changes after the last ShowFrame still make a frame, as
    // they would show in a movie cut short.
    bool trailing = std::any_of(tags.begin() + static_cast<std::ptrdiff_t>(begin), tags.end(), isTimelineTag);
    if (trailing || fi.frames.empty()) fi.frames.push_back({begin, tags.size()});
    return fi;
}

int FrameIndex::frameOfLabel(const std::string& label) const {
    std::string l = lower(label);
    for (const auto& [name, frame] : labels)
        if (name == l) return std::min(frame, static_cast<int>(frames.size()));
    return 0;
}

// --- Dictionary -----------------------------------------------------------------

Dictionary::Dictionary(const MovieData& movie) {
    collect(movie.tags);
    root_ = FrameIndex::build(movie.tags);
}

bool Dictionary::defined(std::uint16_t id) const {
    return shapes_.count(id) || sprites_.count(id) || fonts_.count(id) || texts_.count(id) || morphs_.count(id) ||
           buttons_.count(id) || editTexts_.count(id) || sounds_.count(id) || jpegs_.count(id) || lossless_.count(id);
}

void Dictionary::collect(const std::vector<Tag>& tags) {
    auto add = [&](auto& map, std::uint16_t id, auto* value) {
        if (!defined(id)) map.emplace(id, value);
    };
    for (const auto& t : tags) {
        if (auto* s = std::get_if<DefineShape>(&t)) {
            add(shapes_, s->id, s);
        } else if (auto* sp = std::get_if<DefineSprite>(&t)) {
            if (!defined(sp->id)) {
                sprites_.emplace(sp->id, sp);
                spriteFrames_.emplace(sp->id, FrameIndex::build(sp->tags));
            }
        } else if (auto* f = std::get_if<DefineFont>(&t)) {
            add(fonts_, f->id, f);
        } else if (auto* tx = std::get_if<DefineText>(&t)) {
            add(texts_, tx->id, tx);
        } else if (auto* m = std::get_if<DefineMorphShape>(&t)) {
            add(morphs_, m->id, m);
        } else if (auto* b = std::get_if<DefineButton>(&t)) {
            add(buttons_, b->id, b);
        } else if (auto* e = std::get_if<DefineEditText>(&t)) {
            add(editTexts_, e->id, e);
        } else if (auto* snd = std::get_if<DefineSound>(&t)) {
            add(sounds_, snd->id, snd);
        } else if (auto* j = std::get_if<DefineBitsJpeg>(&t)) {
            add(jpegs_, j->id, j);
        } else if (auto* l = std::get_if<DefineBitsLossless>(&t)) {
            add(lossless_, l->id, l);
        } else if (auto* jt = std::get_if<JpegTables>(&t)) {
            if (!jpegTables_) jpegTables_ = jt;
        } else if (auto* bc = std::get_if<DefineButtonCxform>(&t)) {
            buttonCxforms_.emplace(bc->buttonId, bc);
        } else if (auto* bs = std::get_if<DefineButtonSound>(&t)) {
            buttonSounds_.emplace(bs->buttonId, bs);
        }
    }
}

template <typename M>
static auto find(const M& map, std::uint16_t id) -> typename M::mapped_type {
    auto it = map.find(id);
    return it == map.end() ? nullptr : it->second;
}

const DefineShape* Dictionary::shape(std::uint16_t id) const { return find(shapes_, id); }
const DefineSprite* Dictionary::sprite(std::uint16_t id) const { return find(sprites_, id); }
const DefineFont* Dictionary::font(std::uint16_t id) const { return find(fonts_, id); }
const DefineText* Dictionary::text(std::uint16_t id) const { return find(texts_, id); }
const DefineMorphShape* Dictionary::morph(std::uint16_t id) const { return find(morphs_, id); }
const DefineButton* Dictionary::button(std::uint16_t id) const { return find(buttons_, id); }
const DefineButtonCxform* Dictionary::buttonCxform(std::uint16_t id) const { return find(buttonCxforms_, id); }
const DefineButtonSound* Dictionary::buttonSound(std::uint16_t id) const { return find(buttonSounds_, id); }
const DefineEditText* Dictionary::editText(std::uint16_t id) const { return find(editTexts_, id); }
const DefineSound* Dictionary::sound(std::uint16_t id) const { return find(sounds_, id); }
bool Dictionary::isBitmap(std::uint16_t id) const { return jpegs_.count(id) || lossless_.count(id); }

QImage Dictionary::bitmap(std::uint16_t id) const {
    if (const QImage* kept = bitmaps_.find(id)) return *kept;
    if (undecodable_.count(id) || !isBitmap(id)) return {};
    Decoded<QImage> d;
    if (const DefineBitsJpeg* j = find(jpegs_, id)) {
        std::span<const std::uint8_t> tables;
        if (jpegTables_) tables = jpegTables_->data;
        d = decodeBitmap(*j, tables);
    } else {
        d = decodeBitmap(*find(lossless_, id));
    }
    if (!d.ok()) {
        noteUndecodable(id, "bitmap", d.error);
        return {};
    }
    QImage image = std::move(*d.value);
    bitmaps_.put(id, image, static_cast<std::size_t>(image.sizeInBytes()));
    return image;
}

std::shared_ptr<const Pcm> Dictionary::soundPcm(std::uint16_t id) const {
    if (const auto* kept = soundCache_.find(id)) return *kept;
    const DefineSound* s = sound(id);
    if (!s || undecodable_.count(id)) return nullptr;
    SoundLimits limits;
    limits.maxFrames = kMaxSoundFrames;
    Decoded<Pcm> d = decodeSound(*s, limits);
    if (!d.ok()) {
        noteUndecodable(id, "sound", d.error);
        return nullptr;
    }
    auto pcm = std::make_shared<const Pcm>(toMixFormat(*d.value));
    soundCache_.put(id, pcm, pcm->samples.size() * sizeof(std::int16_t));
    return pcm;
}

void Dictionary::noteUndecodable(std::uint16_t id, const char* kind, const MediaError& error) const {
    undecodable_.insert(id);
    if (mediaWarnings_.size() < kMaxMediaWarnings)
        mediaWarnings_.push_back(std::string(kind) + " " + std::to_string(id) + ": " + error.detail);
}

std::shared_ptr<const ShapeGeometry> Dictionary::morphGeometry(std::uint16_t id, std::uint16_t ratio) const {
    const std::uint32_t key = (std::uint32_t(id) << 16) | ratio;
    auto it = morphGeometry_.find(key);
    if (it != morphGeometry_.end()) return it->second;
    const DefineMorphShape* m = morph(id);
    if (!m) return nullptr;
    if (morphGeometry_.size() >= 256) morphGeometry_.clear();  // a tween shows each ratio once or twice
    auto g = std::make_shared<const ShapeGeometry>(tessellate(morphShapeAt(*m, ratio), false));
    morphGeometry_.emplace(key, g);
    return g;
}

const Avm1Program& Dictionary::program(const void* key, std::span<const std::uint8_t> bytes) const {
    auto it = programs_.find(key);
    if (it == programs_.end()) it = programs_.emplace(key, Avm1Program::parse(bytes)).first;
    return it->second;
}

const Avm1Program& Dictionary::program(const DoAction& action) const {
    auto it = programs_.find(&action);
    if (it == programs_.end()) it = programs_.emplace(&action, Avm1Program::of(action)).first;
    return it->second;
}

bool Dictionary::hits(std::uint16_t id, QPointF local, int depth) const {
    if (depth > 8) return false;
    auto inGeometry = [&](const ShapeGeometry& g) {
        for (const auto& layer : g.layers) {
            for (const auto& f : layer.fills)
                if (f.path.contains(local)) return true;
            for (const auto& s : layer.strokes) {
                QPainterPathStroker stroker;
                stroker.setWidth(std::max<double>(s.style.width, 20));
                if (stroker.createStroke(s.path).contains(local)) return true;
            }
        }
        return false;
    };
    if (const ShapeGeometry* g = shapeGeometry(id)) return g->bounds.contains(local) && inGeometry(*g);
    if (auto g = morphGeometry(id, 0)) return inGeometry(*g);
    auto inRect = [&](const Rect& r) { return QRectF(r.xmin, r.ymin, r.width(), r.height()).contains(local); };
    if (const DefineText* t = text(id)) return inRect(t->bounds);
    if (const DefineEditText* e = editText(id)) return inRect(e->bounds);
    if (isBitmap(id)) {
        QImage img = bitmap(id);
        return !img.isNull() && QRectF(0, 0, img.width() * 20.0, img.height() * 20.0).contains(local);
    }
    if (const DefineButton* b = button(id))
        return hitTest(*b, local, [&](std::uint16_t c, QPointF p) { return hits(c, p, depth + 1); });
    if (const FrameIndex* fi = spriteFrames(id)) {
        // What the sprite shows on its first frame.
        const auto& range = fi->frames.front();
        for (std::size_t i = range.begin; i < range.end; ++i) {
            auto* p = std::get_if<PlaceObject>(&(*fi->tags)[i]);
            if (!p || !p->characterId || p->clipDepth) continue;
            bool ok = false;
            QTransform inv = toTransform(p->matrix.value_or(Matrix{})).inverted(&ok);
            if (ok && hits(*p->characterId, inv.map(local), depth + 1)) return true;
        }
    }
    return false;
}

const FrameIndex* Dictionary::spriteFrames(std::uint16_t id) const {
    auto it = spriteFrames_.find(id);
    return it == spriteFrames_.end() ? nullptr : &it->second;
}

const ShapeGeometry* Dictionary::shapeGeometry(std::uint16_t id) const {
    auto it = geometry_.find(id);
    if (it != geometry_.end()) return &it->second;
    const DefineShape* s = shape(id);
    if (!s) return nullptr;
    bool winding = s->version >= 4 && s->usesFillWindingRule;
    return &geometry_.emplace(id, tessellate(s->shape, winding)).first->second;
}

const QPainterPath* Dictionary::maskOutline(std::uint16_t id) const {
    auto it = masks_.find(id);
    if (it != masks_.end()) return &it->second;
    const ShapeGeometry* g = shapeGeometry(id);
    if (!g) return nullptr;
    return &masks_.emplace(id, fillOutline(*g)).first->second;
}

const QPainterPath* Dictionary::glyphPath(std::uint16_t fontId, std::uint32_t glyph) const {
    std::uint64_t k = (std::uint64_t(fontId) << 32) | glyph;
    auto it = glyphs_.find(k);
    if (it != glyphs_.end()) return &it->second;
    const DefineFont* f = font(fontId);
    if (!f || glyph >= f->glyphs.size()) return nullptr;
    return &glyphs_.emplace(k, glyphOutline(f->glyphs[glyph])).first->second;
}

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
class ScriptHost final : public Avm1Host {
public:
    explicit ScriptHost(PlayerContext& ctx) : ctx_(ctx) {}

    static Avm1Target handle(const Timeline* t) { return reinterpret_cast<Avm1Target>(t); }
    Timeline* timeline(Avm1Target h) const {
        auto* t = reinterpret_cast<Timeline*>(h);
        return ctx_.alive(t) ? t : nullptr;
    }

    Avm1Target resolveTarget(Avm1Target base, std::string_view path) override {
        Timeline* t = timeline(base);
        if (!t) return 0;
        const char sep = path.find('/') != std::string_view::npos ? '/' : '.';
        std::size_t i = 0;
        if (!path.empty() && path[0] == '/') {
            t = ctx_.root;
            i = 1;
        }
        while (t && i <= path.size()) {
            std::size_t end = path.find(sep, i);
            if (end == std::string_view::npos) end = path.size();
            std::string_view part = path.substr(i, end - i);
            i = end + 1;
            if (part.empty() || part == "this") continue;
            if (part == ".." || sameName(part, "_parent")) t = t->parent();
            else if (sameName(part, "_root") || sameName(part, "_level0")) t = ctx_.root;
            else t = t->child(part);
        }
        return t ? handle(t) : 0;
    }
    void play(Avm1Target h) override {
        if (Timeline* t = timeline(h)) t->setPlaying(true);
    }
    void stop(Avm1Target h) override {
        if (Timeline* t = timeline(h)) t->setPlaying(false);
    }
    void gotoFrame(Avm1Target h, int frame) override {
        if (Timeline* t = timeline(h)) go(t, frame + 1);
    }
    bool gotoLabel(Avm1Target h, std::string_view label) override {
        Timeline* t = timeline(h);
        int f = t ? t->frames().frameOfLabel(std::string(label)) : 0;
        if (f > 0) go(t, f);  // an unknown label is ignored
        return f > 0;
    }
    void nextFrame(Avm1Target h) override {
        if (Timeline* t = timeline(h)) go(t, t->currentFrame() + 1);
    }
    void prevFrame(Avm1Target h) override {
        if (Timeline* t = timeline(h)) go(t, t->currentFrame() - 1);
    }
    int currentFrame(Avm1Target h) override {
        Timeline* t = timeline(h);
        return t ? t->currentFrame() : 0;
    }
    int frameCount(Avm1Target h) override {
        Timeline* t = timeline(h);
        return t ? t->frameCount() : 0;
    }
    void stopSounds() override {
        if (ctx_.mixer) ctx_.mixer->stopAll();
    }
    void trace(std::string_view message) override {
        if (ctx_.trace) ctx_.trace(message);
    }

    // Timelines sent to another frame, whose scripts are still to run.
    std::vector<Timeline*> touched;

private:
    void go(Timeline* t, int frame) {
        t->gotoFrame(frame);
        t->setPlaying(false);
        if (std::find(touched.begin(), touched.end(), t) == touched.end()) touched.push_back(t);
    }
    PlayerContext& ctx_;
};

// Runs one program with `target` as its timeline; returns the timelines it
// sent elsewhere.
std::vector<Timeline*> runScript(PlayerContext& ctx, const Avm1Program& program, Timeline* target) {
    ScriptHost host(ctx);
    Avm1Machine machine(host, ctx.variables, ctx.version);
    machine.run(program, ScriptHost::handle(target));
    return std::move(host.touched);
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
    ctx.variables.forget(ScriptHost::handle(&t));
    for (const auto& [depth, obj] : t.displayList()) {
        if (obj.sprite) markDead(ctx, *obj.sprite);
        if (obj.button)
            for (const auto& [i, s] : obj.button->sprites) markDead(ctx, *s);
    }
}

}  // namespace

// --- Timeline -----------------------------------------------------------------------

Timeline::Timeline(const FrameIndex& frames, PlayerContext& context, int nesting, Timeline* parent)
    : frames_(&frames), ctx_(&context), nesting_(nesting), parent_(parent) {
    ctx_->live.insert(this);
    if (!parent_ && !ctx_->root) ctx_->root = this;
    reset();
}

Timeline::~Timeline() {
    ctx_->live.erase(this);
    ctx_->variables.forget(ScriptHost::handle(this));
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
        if (auto* p = std::get_if<PlaceObject>(&tags[i])) place(*p);
        else if (auto* r = std::get_if<RemoveObject>(&tags[i])) remove(r->depth);
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
        // Backwards: rebuild from frame 1 and replay the changes forward.
        clear();
        applyFrameTags(1);
        current_ = 1;
    }
    for (int f = current_ + 1; f <= frame; ++f) applyFrameTags(f);
    current_ = frame;
    pendingActionFrames_.push_back(frame);
}

void PlayerContext::startSound(std::uint16_t soundId, const SoundInfo& info) const {
    if (!mixer) return;
    if (info.syncStop) mixer->start(soundId, nullptr, info);
    else if (auto pcm = dictionary->soundPcm(soundId)) mixer->start(soundId, pcm, info);
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
        for (std::size_t i = range.begin; i < range.end && ctx_->alive(this); ++i)
            if (auto* a = std::get_if<DoAction>(&tags[i])) runActions(*a);
    }
}

void Timeline::runActions(const DoAction& action) {
    runTouched(*ctx_, runScript(*ctx_, ctx_->dictionary->program(action), this), this);
}

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
            clear();
            enterFrame(1);
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

void Timeline::place(const PlaceObject& p) {
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
            discard(it->second);
            list_.erase(it);
            --ctx_->liveObjects;
        }
        if (ctx_->liveObjects >= ctx_->maxObjects) return;
        DisplayObject obj;
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
        attach(obj);
    }
    if (p.matrix) obj.matrix = *p.matrix;
    if (p.colorTransform) obj.colorTransform = *p.colorTransform;
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

// --- Player ------------------------------------------------------------------------

Player::Player(std::shared_ptr<const MovieData> movie) : Player(std::move(movie), {}) {}

Player::Player(std::shared_ptr<const MovieData> movie, std::function<void(std::string_view)> traceSink)
    : movie_(std::move(movie)) {
    ctx_.trace = std::move(traceSink);
    if (!movie_) movie_ = std::make_shared<const MovieData>();
    dictionary_ = std::make_unique<Dictionary>(*movie_);
    ctx_.dictionary = dictionary_.get();
    ctx_.version = movie_->header.version;
    ctx_.mixer = &mixer_;
    // The main timeline's stream, with its blocks by frame.
    const FrameIndex& frames = dictionary_->rootFrames();
    for (const auto& tag : movie_->tags) {
        auto* head = std::get_if<SoundStreamHead>(&tag);
        if (!head) continue;
        double fps = movie_->header.framesPerSecond() > 0 ? movie_->header.framesPerSecond() : 1000.0 / frameIntervalMs();
        stream_ = std::make_unique<StreamScheduler>(*head, fps);
        for (std::size_t f = 0; f < frames.frames.size(); ++f)
            for (std::size_t i = frames.frames[f].begin; i < frames.frames[f].end; ++i)
                if (auto* b = std::get_if<SoundStreamBlock>(&movie_->tags[i])) stream_->setBlock(int(f) + 1, b->data);
        break;
    }
    root_ = std::make_unique<Timeline>(frames, ctx_, 0);
    settle();
}

Player::~Player() {
    root_.reset();  // before the context it counts against
    ctx_.graveyard.clear();
}

void Player::settle() {
    if (stream_) {
        StreamScheduler::Output out = stream_->frameShown(root_->currentFrame());
        if (out.restart) mixer_.clearStream();
        if (!out.pcm.samples.empty()) mixer_.queueStream(out.pcm);
    }
    // Destroying a timeline may retire more (its children are destroyed
    // directly, but a script-less loop keeps this bounded either way).
    while (!ctx_.graveyard.empty()) {
        auto dead = std::move(ctx_.graveyard);
        ctx_.graveyard.clear();
        dead.clear();
    }
    ctx_.actionListsThisOperation = 0;
}

void Player::play() { root_->setPlaying(true); }
void Player::stop() { root_->setPlaying(false); }
bool Player::playing() const { return root_->playing(); }

void Player::rewind() {
    ++ctx_.tick;
    mixer_.stopAll();
    if (stream_) stream_->restart();  // even when the movie already shows frame 1
    root_->reset();
    root_->setPlaying(false);
    pendingMs_ = 0;
    settle();
}

void Player::forward() {
    ++ctx_.tick;
    root_->stepForced();
    root_->setPlaying(false);
    settle();
}

void Player::back() {
    if (root_->currentFrame() <= 1) return;
    ++ctx_.tick;
    root_->gotoFrame(root_->currentFrame() - 1);
    root_->runQueuedActions();
    root_->setPlaying(false);  // a step back stops, whatever the frame's script says
    settle();
}

void Player::gotoFrame(int frame) {
    bool p = root_->playing();
    ++ctx_.tick;
    root_->gotoFrame(frame);
    root_->setPlaying(p);
    root_->runQueuedActions();  // the target frame's sounds and scripts, a Stop included
    settle();
}

int Player::currentFrame() const { return root_->currentFrame(); }
int Player::frameCount() const { return root_->frameCount(); }

double Player::frameIntervalMs() const {
    double fps = movie_->header.frameRate / 256.0;
    if (fps <= 0) fps = kMaxFramesPerSecond;
    fps = std::clamp(fps, kMinFramesPerSecond, kMaxFramesPerSecond);
    return 1000.0 / fps;
}

void Player::tick() {
    ++ctx_.tick;
    root_->step(looping_);
    settle();
}

void Player::advance(double elapsedMs) {
    if (!(elapsedMs > 0)) return;  // also refuses NaN
    double interval = frameIntervalMs();
    pendingMs_ += std::min(elapsedMs, interval * (kMaxFramesPerAdvance + 1));
    int n = 0;
    while (pendingMs_ >= interval && n < kMaxFramesPerAdvance) {
        pendingMs_ -= interval;
        tick();
        ++n;
    }
    if (pendingMs_ >= interval) pendingMs_ = std::fmod(pendingMs_, interval);
}

namespace {
struct ButtonSeen {
    ButtonInstance* instance;
    const DefineButton* def;
    Timeline* owner;
    QTransform world;  // button coordinates to stage twips
};

void collectButtons(const Dictionary& dict, Timeline& owner, const QTransform& parent, int nesting,
                    std::vector<ButtonSeen>& out) {
    if (nesting > 32) return;
    for (const auto& [depth, obj] : owner.displayList()) {
        QTransform t = toTransform(obj.matrix) * parent;
        if (obj.sprite) collectButtons(dict, *obj.sprite, t, nesting + 1, out);
        if (obj.button)
            if (const DefineButton* def = dict.button(obj.characterId))
                out.push_back({obj.button.get(), def, &owner, t});
    }
}
}  // namespace

bool Player::pointer(QPointF stage, bool pressed) {
    std::vector<ButtonSeen> buttons;
    collectButtons(*dictionary_, *root_, QTransform(), 0, buttons);
    // The topmost button under the pointer is the one it is over.
    const ButtonSeen* top = nullptr;
    for (auto it = buttons.rbegin(); it != buttons.rend() && !top; ++it) {
        bool ok = false;
        QTransform inv = it->world.inverted(&ok);
        if (!ok) continue;
        QPointF local = inv.map(stage);
        if (hitTest(*it->def, local, [&](std::uint16_t id, QPointF p) { return dictionary_->hits(id, p); })) top = &*it;
    }
    overButton_ = top != nullptr;
    // State changes first; scripts may change the display lists, so they run
    // afterwards on what was collected.
    struct Pending { const DefineButton* def; Timeline* owner; std::uint16_t transition; };
    std::vector<Pending> pending;
    for (const auto& b : buttons)
        for (std::uint16_t tr : b.instance->machine.pointer(&b == top, pressed)) pending.push_back({b.def, b.owner, tr});
    for (const auto& p : pending) {
        int sound = ButtonStateMachine::soundIndex(p.transition);
        if (sound >= 0)
            if (const DefineButtonSound* bs = dictionary_->buttonSound(p.def->id))
                if (std::uint16_t id = bs->soundId[sound]) ctx_.startSound(id, bs->info[sound]);
        for (const ButtonCondAction* a : actionsFor(*p.def, p.transition)) {
            if (!ctx_.alive(p.owner)) break;
            runTouched(ctx_, runScript(ctx_, dictionary_->program(a, a->actions), p.owner), nullptr);
        }
    }
    settle();
    return !pending.empty();
}

}  // namespace swf
