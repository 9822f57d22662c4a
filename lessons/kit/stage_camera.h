// The camera of the graphics area: framed once on every solid of the lesson
// (and the header's `camera` line), then turned by the script, whose yaw and
// pitch live in the stage state.
#pragma once

#include "lessons/kit/geometry.h"
#include "lessons/kit/source.h"

#include <string>

namespace lessons {

struct StageCamera {
    Camera base;  // centre, scale and screen position
    V3 lo, hi;    // bounds of every solid of the lesson
    double startYaw = 35, startPitch = 25;

    // The framed camera turned to an orientation, in degrees.
    Camera at(double yaw, double pitch) const;
};

// Frames the script's solids in the graphics area. Throws SourceError on a
// bad solid or camera parameter.
StageCamera frameLesson(const Script& s);

// A standard view by name (front, top, right, left, back, bottom, iso,
// dimetric); false for another name.
bool standardView(const std::string& name, double& yaw, double& pitch);

// `yaw` moved by whole turns to lie within half a turn of `from`, so that
// turning to it takes the shorter way round.
double nearestYaw(double yaw, double from);

}  // namespace lessons
