// What the header of a lesson declares, made usable: solids built from their
// parameters, sketch profiles placed on their planes, and the number reader
// every command shares.
#pragma once

#include "lessons/kit/geometry.h"
#include "lessons/kit/source.h"

#include <map>
#include <optional>
#include <string>

namespace lessons {

// A number argument; throws SourceError (at `line`) for anything else.
double num(const std::string& s, int line);

// Builds the solid a declaration describes, with some parameters replaced.
// Throws SourceError (with the declaration's line) on a bad parameter.
Solid buildSolid(const Declaration& d, const std::map<std::string, double>& overrides = {});

// A sketch: its profile in the plane's own axes, and where that plane lies.
struct SketchInfo {
    std::string plane = "front";
    double offset = 0;
    Profile pts;
    bool closed = true;
    bool circle = false;
    Pt centre;
    double radius = 0;

    // A point of the sketch's plane in model space.
    V3 point(Pt q) const;
    // How many segments drawing the whole profile takes.
    int segments() const { return int(closed ? pts.size() : pts.size() - 1); }
};

// Reads a `sketch` declaration. Throws SourceError on a bad parameter.
SketchInfo buildSketch(const Declaration& d);

// The parameters of the header's `camera` line.
struct CameraLine {
    std::optional<double> yaw, pitch, scale, dy;
};
CameraLine cameraLine(const std::map<std::string, std::string>& params);

}  // namespace lessons
