// The geometry kit: faceted solids (prisms, solids of revolution and a few
// machined shapes built face by face), an orthographic camera, flat shading
// with a fixed light, and painter's-order drawing of the visible faces.
#pragma once

#include "lessons/kit/drawing.h"

#include <string>
#include <vector>

namespace lessons {

struct V3 {
    double x = 0, y = 0, z = 0;
};
inline V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline V3 operator*(V3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
inline double dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline V3 cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double length(V3 a);
V3 normalized(V3 a);

// A planar face: loop 0 is its outline, further loops are holes. The outline runs
// counter-clockwise seen from outside the solid, so its normal points outwards.
struct Face {
    std::vector<std::vector<int>> loops;
    std::string tag;
    // Inside a cavity (hole walls, the inside of a shell): seen only through an
    // opening, so painted before every outer face.
    bool interior = false;
};

struct Solid {
    std::vector<V3> verts;
    std::vector<Face> faces;
    Rgba colour = rgb(0x9db6d9);

    int vertex(V3 p);  // adds a vertex (no sharing), returns its index
    // Adds a face with the given loops, turned so that its normal points along `outward`.
    void addFace(const std::vector<std::vector<V3>>& loops, V3 outward, std::string tag = {}, bool interior = false);
    V3 normal(const Face& f) const;    // unit normal of the outline (Newell's method)
    V3 centroid(const Face& f) const;  // mean of the outline's vertices
    void bounds(V3& lo, V3& hi) const;
};

// Profiles are polygons in a plane; an orientation is chosen by the builders.
using Profile = std::vector<Pt>;
double signedArea(const Profile& p);

// Extrudes a profile of the front plane (x right, y up) from z = 0 back to z = -depth.
// Holes are further profiles inside it. Faces are tagged "front", "back" and "s<i>"
// for the side that rises from profile edge i.
Solid extrude(const Profile& outline, double depth, const std::vector<Profile>& holes = {});

// Revolves a profile of (radius, height) points about the y axis in `segments` steps.
// Edges lying on the axis make no face; a flat disc (both ends at one height, one of
// them on the axis) becomes one polygon face tagged "disc".
Solid revolve(const Profile& profile, int segments);

// A box w (x) by h (y) by d (z) standing on y = 0, centred on x and z, open at the
// top, with walls and floor of thickness t.
Solid shellBox(double w, double h, double d, double t);

// A box w by h by d (same placing as shellBox) with vertical holes through it. Each
// hole is (x, z, radius); with cboreRadius > 0 every hole gets a counterbore of that
// radius and depth.
struct Hole {
    double x = 0, z = 0, r = 1;
};
Solid drilledBox(double w, double h, double d, const std::vector<Hole>& holes, int segments, double cboreRadius = 0,
                 double cboreDepth = 0);

// Cuts a convex solid by the plane dot(n, p) = offset, keeping the side where
// dot(n, p) <= offset and closing it with a cap face tagged `capTag`.
Solid clipConvex(const Solid& s, V3 n, double offset, const std::string& capTag);

// How a solid is drawn.
enum class DisplayMode { Shaded, ShadedEdges, HiddenRemoved, HiddenVisible, Wireframe };

// Orthographic camera: yaw turns about the vertical axis (positive shows the right
// side), pitch tilts the top towards the viewer; then scale (pixels per unit) and
// the screen position of `centre`.
struct Camera {
    double yawDeg = 0, pitchDeg = 0;
    double scale = 1;
    V3 centre;
    Pt screen;

    V3 toView(V3 p) const;  // view space: x right, y up, z towards the viewer
    Pt project(V3 p) const;
};

struct RenderOptions {
    DisplayMode mode = DisplayMode::ShadedEdges;
    std::string highlightTag;  // faces with this tag are drawn in the selection colour
    Rgba highlight = rgb(0x3f8fe8);
};

// Faces facing the camera in painter's order, as face indices: interior faces
// first, then the others, each group sorted far to near.
std::vector<int> visibleFacesInOrder(const Solid& s, const Camera& cam);

// Brightness in [0, 1] of a face with the given view-space unit normal.
double shade(V3 viewNormal);

// Draws the solid as seen by the camera.
Drawing renderSolid(const Solid& s, const Camera& cam, const RenderOptions& opt);

// Expands profile tokens: "x,y" is a point, "arc:cx,cy,r,a0,a1[,n]" adds the points
// of an arc (degrees, counter-clockwise when a1 > a0). Returns false on a bad token.
bool parseProfile(const std::vector<std::string>& tokens, Profile& out, std::string& error);

}  // namespace lessons
