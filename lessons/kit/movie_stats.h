// Figures read back from a lesson movie file: what the tests check and what
// `tk-author --stats` prints.
#pragma once

#include "swf/format/types.h"

#include <string>

namespace lessons {

struct MovieStats {
    int frames = 0;  // ShowFrame tags
    double fps = 0;
    double seconds = 0;
    int steps = 0;  // frame labels "etape1", "etape2", ...
    int fonts = 0, glyphs = 0;
    int texts = 0, textsWithGlyphs = 0;  // DefineText tags, those with glyphs of a defined font
    int shapes = 0;
    int unknownTags = 0;  // tags the engine does not model
};

MovieStats movieStats(const swf::MovieData& m);

}  // namespace lessons
