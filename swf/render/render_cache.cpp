#include "swf/render/render_cache.h"

#include <iterator>
#include <optional>

#include "swf/player/morph.h"

namespace swf {

RenderCache& RenderCache::of(const Player& player) {
    if (auto* cache = dynamic_cast<RenderCache*>(player.attachment())) return *cache;
    auto cache = std::make_unique<RenderCache>(player.dictionary());
    RenderCache& ref = *cache;
    player.attach(std::move(cache));
    return ref;
}

namespace {
template <class Map>
void dropIdle(Map& map, std::uint32_t paint, std::uint32_t idle) {
    for (auto it = map.begin(); it != map.end();) it = paint - it->second.paint > idle ? map.erase(it) : std::next(it);
}

// The entry's value, marked as used by this paint; built by `make` when absent
// (nothing is stored when `make` gives nothing).
template <class Map, class Key, class Make>
auto* usedOrMade(Map& map, Key key, std::uint32_t paint, Make make) {
    using Value = decltype(map.begin()->second.value);
    auto it = map.find(key);
    if (it == map.end()) {
        std::optional<Value> made = make();
        if (!made) return static_cast<const Value*>(nullptr);
        it = map.emplace(key, typename Map::mapped_type{std::move(*made), paint}).first;
    }
    it->second.paint = paint;
    return static_cast<const Value*>(&it->second.value);
}
}  // namespace

void RenderCache::paintBegins() {
    ++paint_;
    raster_.paintBegins();
    if (paint_ % kSweepEvery != 0) return;
    dropIdle(geometry_, paint_, kIdlePaints);
    dropIdle(masks_, paint_, kIdlePaints);
    dropIdle(glyphs_, paint_, kIdlePaints);
}

const ShapeGeometry* RenderCache::shapeGeometry(std::uint16_t id) {
    return usedOrMade(geometry_, id, paint_, [&]() -> std::optional<ShapeGeometry> {
        const DefineShape* s = dict_.shape(id);
        if (!s) return std::nullopt;
        return tessellate(s->shape, s->version >= 4 && s->usesFillWindingRule);
    });
}

const QPainterPath* RenderCache::maskOutline(std::uint16_t id) {
    return usedOrMade(masks_, id, paint_, [&]() -> std::optional<QPainterPath> {
        const ShapeGeometry* g = shapeGeometry(id);
        if (!g) return std::nullopt;
        return fillOutline(*g);
    });
}

const QPainterPath* RenderCache::glyphPath(std::uint16_t fontId, std::uint32_t glyph) {
    std::uint64_t k = (std::uint64_t(fontId) << 32) | glyph;
    return usedOrMade(glyphs_, k, paint_, [&]() -> std::optional<QPainterPath> {
        const DefineFont* f = dict_.font(fontId);
        if (!f || glyph >= f->glyphs.size()) return std::nullopt;
        return glyphOutline(f->glyphs[glyph]);
    });
}

std::shared_ptr<const ShapeGeometry> RenderCache::morphGeometry(std::uint16_t id, std::uint16_t ratio) {
    const std::uint32_t key = (std::uint32_t(id) << 16) | ratio;
    auto it = morphGeometry_.find(key);
    if (it != morphGeometry_.end()) return it->second;
    const DefineMorphShape* m = dict_.morph(id);
    if (!m) return nullptr;
    if (morphGeometry_.size() >= 256) morphGeometry_.clear();  // a tween shows each ratio once or twice
    auto g = std::make_shared<const ShapeGeometry>(tessellate(morphShapeAt(*m, ratio), false));
    morphGeometry_.emplace(key, g);
    return g;
}

}  // namespace swf
