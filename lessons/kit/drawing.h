// Vector drawings in stage pixels: the authoring tool's own picture model.
// A drawing is a painter-ordered list of elements; each element is a set of
// closed contours filled even-odd and/or stroked. The movie emitter turns a
// drawing into one shape definition.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lessons {

struct Rgba {
    std::uint8_t r = 0, g = 0, b = 0, a = 255;
    friend bool operator==(const Rgba&, const Rgba&) = default;
};

constexpr Rgba rgb(std::uint32_t hex, std::uint8_t alpha = 255) {
    return Rgba{std::uint8_t(hex >> 16), std::uint8_t(hex >> 8), std::uint8_t(hex), alpha};
}

struct Pt {
    double x = 0, y = 0;
    friend bool operator==(const Pt&, const Pt&) = default;
};

// One segment of a contour: a straight line, or a quadratic curve with its control point.
struct Seg {
    Pt to;
    bool curve = false;
    Pt ctrl;
    Seg() = default;
    explicit Seg(Pt end) : to(end) {}
    Seg(Pt end, bool isCurve, Pt control) : to(end), curve(isCurve), ctrl(control) {}
};

struct Contour {
    Pt start;
    std::vector<Seg> segs;
    bool closed = true;  // open contours are only stroked
};

// A vertical (angle 90) or horizontal (angle 0) two-colour linear gradient over a box.
struct Gradient {
    Rgba from, to;
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;  // the gradient runs from (x0,y0) to (x1,y1)
};

struct Element {
    std::vector<Contour> contours;
    bool filled = false;
    Rgba fill;
    bool gradient = false;
    Gradient grad;
    double lineWidth = 0;  // 0: no stroke
    Rgba line;
};

struct Drawing {
    std::vector<Element> elements;

    bool empty() const { return elements.empty(); }
    void append(const Drawing& other) { elements.insert(elements.end(), other.elements.begin(), other.elements.end()); }

    // Helpers building common elements.
    Element& rect(double x, double y, double w, double h, Rgba fill);
    Element& rectOutline(double x, double y, double w, double h, double width, Rgba line);
    Element& roundRect(double x, double y, double w, double h, double r, Rgba fill);
    Element& polygon(const std::vector<Pt>& pts, Rgba fill);
    Element& polyline(const std::vector<Pt>& pts, double width, Rgba line, bool closed = false);
    Element& line(Pt a, Pt b, double width, Rgba colour);
    Element& circle(Pt c, double r, Rgba fill);
    Element& ring(Pt c, double r, double width, Rgba line);
    Element& vgradientRect(double x, double y, double w, double h, Rgba top, Rgba bottom);
};

// Contour helpers.
Contour rectContour(double x, double y, double w, double h);
Contour roundRectContour(double x, double y, double w, double h, double r);
Contour circleContour(Pt c, double r);
Contour polyContour(const std::vector<Pt>& pts, bool closed = true);

// A canonical byte string of a drawing, used to share identical symbols.
std::string drawingKey(const Drawing& d);

// Bounds of every point of the drawing (controls included), in pixels; false when empty.
bool drawingBounds(const Drawing& d, double& x0, double& y0, double& x1, double& y1);

}  // namespace lessons
