// The graphics area's contents: the reference plane, the part in its display
// mode with its selection, the highlighted edge, the sketches with their
// dimensions, and the orientation triad.
#pragma once

#include "lessons/kit/stage.h"

namespace lessons {

void drawPart(Drawing& d, TextBlock& txt, const StageState& st, const LessonModel& m);

}  // namespace lessons
