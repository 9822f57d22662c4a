// Turns a composed timeline into an SWF movie: two embedded fonts with only
// the glyphs used, one shape or text definition per symbol at its first use,
// and per frame only the display-list changes.
#pragma once

#include "lessons/kit/timeline.h"

#include "swf/format/types.h"

#include <cstdint>
#include <vector>

namespace lessons {

// Font ids of the movies: regular and bold DejaVu Sans.
constexpr std::uint16_t kFontRegular = 1, kFontBold = 2;

swf::Shape shapeOf(const Drawing& d);          // twips, origin at the stage's corner
swf::Shape glyphShape(const GlyphOutline& g);  // em units (1024)
swf::MovieData toMovie(const Timeline& t);
std::vector<std::uint8_t> writeMovie(const Timeline& t);  // compressed (CWS)

}  // namespace lessons
