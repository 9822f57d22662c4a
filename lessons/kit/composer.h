// Plays a lesson script forward in time and records, frame by frame, what the
// stage shows: the Tarvik window in its current state, the part seen by the
// camera, the pointer, the step caption and the opening and closing cards.
// The verbs live in verbs.cpp, pointer targets in targets.cpp, the camera in
// stage_camera.cpp and the graphics area in part_view.cpp.
#pragma once

#include "lessons/kit/declarations.h"
#include "lessons/kit/source.h"
#include "lessons/kit/timeline.h"

namespace lessons {

// Composes the whole movie. Throws SourceError on a command it cannot carry out.
Timeline compose(const Script& s);

// Numbers of the composed movie, for the statistics table.
struct LessonStats {
    int frames = 0, steps = 0, symbols = 0;
};
LessonStats statsOf(const Script& s, const Timeline& t);

}  // namespace lessons
