// Plays a lesson script forward in time and records, frame by frame, what the
// stage shows: the Tarvik window in its current state, the part seen by the
// camera, the pointer, the step caption and the opening and closing cards.
#pragma once

#include "lessons/kit/geometry.h"
#include "lessons/kit/source.h"
#include "lessons/kit/timeline.h"

#include <map>
#include <string>

namespace lessons {

// Builds the solid a declaration describes, with some parameters replaced.
// Throws SourceError (with the declaration's line) on a bad parameter.
Solid buildSolid(const Declaration& d, const std::map<std::string, double>& overrides = {});

// Composes the whole movie. Throws SourceError on a command it cannot carry out.
Timeline compose(const Script& s);

// Numbers of the composed movie, for the statistics table.
struct LessonStats {
    int frames = 0, steps = 0, symbols = 0;
};
LessonStats statsOf(const Script& s, const Timeline& t);

}  // namespace lessons
