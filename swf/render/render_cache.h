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

    // Tessellated geometry, built on first use and kept.
    const ShapeGeometry* shapeGeometry(std::uint16_t id);
    const QPainterPath* glyphPath(std::uint16_t fontId, std::uint32_t glyph);
    // The whole filled area of a shape as one path (used when it is a mask).
    const QPainterPath* maskOutline(std::uint16_t id);
    // A morph shape at a ratio, tessellated (the last few ratios are kept).
    std::shared_ptr<const ShapeGeometry> morphGeometry(std::uint16_t id, std::uint16_t ratio);
    // Rendered images of characters.
    RasterCache& raster() { return raster_; }

private:
    const Dictionary& dict_;
    std::unordered_map<std::uint16_t, ShapeGeometry> geometry_;
    std::unordered_map<std::uint64_t, QPainterPath> glyphs_;
    std::unordered_map<std::uint16_t, QPainterPath> masks_;
    std::map<std::uint32_t, std::shared_ptr<const ShapeGeometry>> morphGeometry_;
    RasterCache raster_;
};

}  // namespace swf
