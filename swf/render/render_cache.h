// What drawing keeps between frames for one player: tessellated shapes,
// glyph outlines, mask outlines, morph shapes at their recent ratios, and the
// device-resolution images of the raster cache. Attached to the player on
// its first frame drawn, so it lives exactly as long as the movie.
#pragma once

#include <QPainterPath>

#include <cstdint>
#include <map>
#include <memory>
#include <unordered_map>

#include "swf/player/dictionary.h"
#include "swf/player/player.h"
#include "swf/player/shape_tessellator.h"
#include "swf/render/raster_cache.h"

namespace swf {

class RenderCache final : public PlayerAttachment {
public:
    explicit RenderCache(const Dictionary& dictionary) : dict_(dictionary) {}

    // The player's cache, attached on first use.
    static RenderCache& of(const Player& player);

    // Called as every paint begins. Geometry, outlines and glyph paths that
    // no paint has used for a while are dropped (and rebuilt should they come
    // back), so that a long lesson keeps only what it shows lately. What the
    // getters below return stays valid until the next paint begins.
    void paintBegins();

    // Tessellated geometry, built on first use.
    const ShapeGeometry* shapeGeometry(std::uint16_t id);
    const QPainterPath* glyphPath(std::uint16_t fontId, std::uint32_t glyph);
    // The whole filled area of a shape as one path (used when it is a mask).
    const QPainterPath* maskOutline(std::uint16_t id);
    // A morph shape at a ratio, tessellated (the last few ratios are kept).
    std::shared_ptr<const ShapeGeometry> morphGeometry(std::uint16_t id, std::uint16_t ratio);
    // Rendered images of characters.
    RasterCache& raster() { return raster_; }
    // Geometry, outline and glyph entries kept now.
    std::size_t keptEntries() const { return geometry_.size() + masks_.size() + glyphs_.size(); }

private:
    // An entry and the paint that last used it.
    template <class V>
    struct Used {
        V value;
        std::uint32_t paint = 0;
    };
    // Paints an entry may go unused before it is dropped, and how often that is looked at.
    static constexpr std::uint32_t kIdlePaints = 24;
    static constexpr std::uint32_t kSweepEvery = 32;

    const Dictionary& dict_;
    std::uint32_t paint_ = 0;
    std::unordered_map<std::uint16_t, Used<ShapeGeometry>> geometry_;
    std::unordered_map<std::uint64_t, Used<QPainterPath>> glyphs_;
    std::unordered_map<std::uint16_t, Used<QPainterPath>> masks_;
    std::map<std::uint32_t, std::shared_ptr<const ShapeGeometry>> morphGeometry_;
    RasterCache raster_;
};

}  // namespace swf
