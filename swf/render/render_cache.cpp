#include "swf/render/render_cache.h"

#include "swf/player/morph.h"

namespace swf {

RenderCache& RenderCache::of(const Player& player) {
    if (auto* cache = dynamic_cast<RenderCache*>(player.attachment())) return *cache;
    auto cache = std::make_unique<RenderCache>(player.dictionary());
    RenderCache& ref = *cache;
    player.attach(std::move(cache));
    return ref;
}

const ShapeGeometry* RenderCache::shapeGeometry(std::uint16_t id) {
    auto it = geometry_.find(id);
    if (it != geometry_.end()) return &it->second;
    const DefineShape* s = dict_.shape(id);
    if (!s) return nullptr;
    bool winding = s->version >= 4 && s->usesFillWindingRule;
    return &geometry_.emplace(id, tessellate(s->shape, winding)).first->second;
}

const QPainterPath* RenderCache::maskOutline(std::uint16_t id) {
    auto it = masks_.find(id);
    if (it != masks_.end()) return &it->second;
    const ShapeGeometry* g = shapeGeometry(id);
    if (!g) return nullptr;
    return &masks_.emplace(id, fillOutline(*g)).first->second;
}

const QPainterPath* RenderCache::glyphPath(std::uint16_t fontId, std::uint32_t glyph) {
    std::uint64_t k = (std::uint64_t(fontId) << 32) | glyph;
    auto it = glyphs_.find(k);
    if (it != glyphs_.end()) return &it->second;
    const DefineFont* f = dict_.font(fontId);
    if (!f || glyph >= f->glyphs.size()) return nullptr;
    return &glyphs_.emplace(k, glyphOutline(f->glyphs[glyph])).first->second;
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
