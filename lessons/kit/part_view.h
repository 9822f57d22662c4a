// The graphics area's contents: the reference plane, the part in its display
// mode with its selection, the highlighted edge, the sketches with their
// dimensions, and the orientation triad.
#pragma once

#include "lessons/kit/stage.h"

namespace lessons {

// `labels`, when given, receives the box of every dimension's text, by sketch
// and in the order of the sketch's dimensions.
void drawPart(Drawing& d, TextBlock& txt, const StageState& st, const LessonModel& m,
              std::map<std::string, std::vector<ui::Rect>>* labels = nullptr);

// Where the text of the last dimension of a shown sketch lies; false when the
// sketch shows none.
bool lastDimensionLabel(const StageState& st, const LessonModel& m, const std::string& sketch, ui::Rect& out);

}  // namespace lessons
