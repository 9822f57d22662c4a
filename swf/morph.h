// Morph shapes (shape tweens): DefineMorphShape and DefineMorphShape2 with
// their start and end styles and edges, and the shape at a given ratio in
// the plain shape form the renderer draws.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "swf/media.h"
#include "swf/types.h"

namespace swf {


struct MorphLimits {
    std::size_t maxRecords = 200000;  // per edge list
    std::size_t maxStyles = 20000;
};

Decoded<DefineMorphShape> parseDefineMorphShape(std::uint8_t version, std::span<const std::uint8_t> body,
                                                const MorphLimits& limits = {});
Bytes encodeDefineMorphShape(const DefineMorphShape& tag);

// The shape at `ratio` (0 = start, 65535 = end): styles and edges
// interpolated linearly. Start and end edges are paired in order; a straight
// edge paired with a curve becomes a curve with its control point halfway.
// Missing end edges stay where the end outline stopped.
Shape morphShapeAt(const DefineMorphShape& morph, std::uint16_t ratio);
Rect morphBoundsAt(const DefineMorphShape& morph, std::uint16_t ratio);
FillStyle morphFillAt(const MorphFillStyle& fill, std::uint16_t ratio);
LineStyle morphLineAt(const MorphLineStyle& line, std::uint16_t ratio);

}  // namespace swf
