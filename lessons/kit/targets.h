// Pointer targets: where on the stage `point`, `place` and the like send the
// pointer (a tree item, a menu, a tool, a dialog's field, a face of the part,
// a sketch's vertex, stage pixels, ...), as the stage stands at that moment.
#pragma once

#include "lessons/kit/stage.h"

namespace lessons {

// Reads one target from the command's arguments, starting at `i` and leaving
// `i` after it. Throws SourceError for an unknown or absent target.
Pt pointerTarget(const Command& c, std::size_t& i, const StageState& st, const LessonModel& m, const Camera& cam);

}  // namespace lessons
