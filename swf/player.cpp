#include "swf/player.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace swf {

namespace {
std::string lower(std::string s) {
    for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}
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

void Dictionary::collect(const std::vector<Tag>& tags) {
    auto defined = [&](std::uint16_t id) {
        return shapes_.count(id) || sprites_.count(id) || fonts_.count(id) || texts_.count(id);
    };
    for (const auto& t : tags) {
        if (auto* s = std::get_if<DefineShape>(&t)) {
            if (!defined(s->id)) shapes_.emplace(s->id, s);
        } else if (auto* sp = std::get_if<DefineSprite>(&t)) {
            if (!defined(sp->id)) {
                sprites_.emplace(sp->id, sp);
                spriteFrames_.emplace(sp->id, FrameIndex::build(sp->tags));
            }
        } else if (auto* f = std::get_if<DefineFont>(&t)) {
            if (!defined(f->id)) fonts_.emplace(f->id, f);
        } else if (auto* tx = std::get_if<DefineText>(&t)) {
            if (!defined(tx->id)) texts_.emplace(tx->id, tx);
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

// --- Timeline -----------------------------------------------------------------------

Timeline::Timeline(const FrameIndex& frames, PlayerContext& context, int nesting)
    : frames_(&frames), ctx_(&context), nesting_(nesting) {
    reset();
}

Timeline::~Timeline() { clear(); }

void Timeline::clear() {
    ctx_->liveObjects -= std::min(ctx_->liveObjects, list_.size());
    list_.clear();
    pendingActionFrames_.clear();
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

void Timeline::runQueuedActions() {
    int lists = 0;
    while (!pendingActionFrames_.empty()) {
        if (++lists > ctx_->maxActionListsPerTick) {
            pendingActionFrames_.clear();  // a goto loop: the rest waits for the next tick
            return;
        }
        int frame = pendingActionFrames_.front();
        pendingActionFrames_.erase(pendingActionFrames_.begin());
        const auto& range = frames_->frames[static_cast<std::size_t>(frame - 1)];
        const auto& tags = *frames_->tags;
        for (std::size_t i = range.begin; i < range.end; ++i)
            if (auto* a = std::get_if<DoAction>(&tags[i])) runActions(*a);
    }
}

// Frame navigation actions stop the timeline, as the authoring tool's
// "go to and play" adds an explicit Play after the goto.
void Timeline::runActions(const DoAction& action) {
    for (const auto& a : action.actions) {
        if (std::holds_alternative<ActionStop>(a)) {
            playing_ = false;
        } else if (std::holds_alternative<ActionPlay>(a)) {
            playing_ = true;
        } else if (std::holds_alternative<ActionNextFrame>(a)) {
            gotoFrame(current_ + 1);
            playing_ = false;
        } else if (std::holds_alternative<ActionPreviousFrame>(a)) {
            gotoFrame(current_ - 1);
            playing_ = false;
        } else if (auto* g = std::get_if<ActionGotoFrame>(&a)) {
            gotoFrame(int(g->frame) + 1);
            playing_ = false;
        } else if (auto* l = std::get_if<ActionGotoLabel>(&a)) {
            int f = frames_->frameOfLabel(l->label);
            if (f > 0) {  // an unknown label is ignored
                gotoFrame(f);
                playing_ = false;
            }
        }
    }
}

void Timeline::tickChildren(bool loop) {
    for (auto& [depth, obj] : list_)
        if (obj.sprite && obj.bornTick != ctx_->tick) obj.sprite->step(loop);
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
    tickChildren(true);
}

void Timeline::stepForced() {
    if (current_ < frameCount()) enterFrame(current_ + 1);
    runQueuedActions();
    tickChildren(true);
}

std::unique_ptr<Timeline> Timeline::instantiate(std::uint16_t characterId) {
    const FrameIndex* fi = ctx_->dictionary->spriteFrames(characterId);
    if (!fi || nesting_ + 1 > ctx_->maxNesting) return nullptr;
    return std::make_unique<Timeline>(*fi, *ctx_, nesting_ + 1);
}

void Timeline::place(const PlaceObject& p) {
    auto it = list_.find(p.depth);
    bool fresh = p.version <= 1 || !p.move || it == list_.end();
    if (fresh) {
        if (!p.characterId) return;  // modifying an empty depth does nothing
        if (it != list_.end()) {
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
        slot.sprite = instantiate(slot.characterId);
        return;
    }
    DisplayObject& obj = it->second;
    if (p.characterId && *p.characterId != obj.characterId) {
        obj.characterId = *p.characterId;
        obj.sprite.reset();
        obj.bornTick = ctx_->tick;
        obj.sprite = instantiate(obj.characterId);
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
    list_.erase(it);
    --ctx_->liveObjects;
}

// --- Player ------------------------------------------------------------------------

Player::Player(std::shared_ptr<const MovieData> movie) : movie_(std::move(movie)) {
    if (!movie_) movie_ = std::make_shared<const MovieData>();
    dictionary_ = std::make_unique<Dictionary>(*movie_);
    ctx_.dictionary = dictionary_.get();
    root_ = std::make_unique<Timeline>(dictionary_->rootFrames(), ctx_, 0);
}

Player::~Player() {
    root_.reset();  // before the context it counts against
}

void Player::play() { root_->setPlaying(true); }
void Player::stop() { root_->setPlaying(false); }
bool Player::playing() const { return root_->playing(); }

void Player::rewind() {
    ++ctx_.tick;
    root_->reset();
    root_->setPlaying(false);
    pendingMs_ = 0;
}

void Player::forward() {
    ++ctx_.tick;
    root_->stepForced();
    root_->setPlaying(false);
}

void Player::back() {
    if (root_->currentFrame() <= 1) return;
    ++ctx_.tick;
    root_->gotoFrame(root_->currentFrame() - 1);
    root_->setPlaying(false);
}

void Player::gotoFrame(int frame) {
    bool p = root_->playing();
    ++ctx_.tick;
    root_->gotoFrame(frame);
    root_->setPlaying(p);
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

}  // namespace swf
