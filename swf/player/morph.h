// Morph shapes (shape tweens): the shape at a given ratio, in the plain shape
// form the renderer draws.
#pragma once

#include <cstdint>

#include "swf/format/morph_tags.h"
#include "swf/format/types.h"

namespace swf {

// The shape at `ratio` (0 = start, 65535 = end): styles and edges
// interpolated linearly. Start and end edges are paired in order; a straight
// edge paired with a curve becomes a curve with its control point halfway.
// Missing end edges stay where the end outline stopped.
Shape morphShapeAt(const DefineMorphShape& morph, std::uint16_t ratio);
Rect morphBoundsAt(const DefineMorphShape& morph, std::uint16_t ratio);
FillStyle morphFillAt(const MorphFillStyle& fill, std::uint16_t ratio);
LineStyle morphLineAt(const MorphLineStyle& line, std::uint16_t ratio);

}  // namespace swf
