#include "lessons/kit/drawing.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <utility>

namespace lessons {

Contour polyContour(const std::vector<Pt>& pts, bool closed) {
    Contour c;
    c.closed = closed;
    if (pts.empty()) return c;
    c.start = pts.front();
    for (std::size_t i = 1; i < pts.size(); ++i) c.segs.push_back(Seg{pts[i]});
    if (closed && !(pts.back() == pts.front())) c.segs.push_back(Seg{pts.front()});
    return c;
}

Contour rectContour(double x, double y, double w, double h) {
    return polyContour({{x, y}, {x + w, y}, {x + w, y + h}, {x, y + h}});
}

Contour roundRectContour(double x, double y, double w, double h, double r) {
    r = std::min({r, w / 2, h / 2});
    if (r <= 0) return rectContour(x, y, w, h);
    Contour c;
    c.start = {x + r, y};
    c.segs.push_back(Seg{{x + w - r, y}});
    c.segs.push_back(Seg{{x + w, y + r}, true, {x + w, y}});
    c.segs.push_back(Seg{{x + w, y + h - r}});
    c.segs.push_back(Seg{{x + w - r, y + h}, true, {x + w, y + h}});
    c.segs.push_back(Seg{{x + r, y + h}});
    c.segs.push_back(Seg{{x, y + h - r}, true, {x, y + h}});
    c.segs.push_back(Seg{{x, y + r}});
    c.segs.push_back(Seg{{x + r, y}, true, {x, y}});
    return c;
}

Contour circleContour(Pt c, double r) {
    // Eight quadratic arcs; the control point lies on the bisector at r / cos(pi/8).
    constexpr int n = 8;
    const double step = 2 * std::numbers::pi / n;
    const double rc = r / std::cos(step / 2);
    Contour k;
    k.start = {c.x + r, c.y};
    for (int i = 1; i <= n; ++i) {
        const double a = step * i, am = a - step / 2;
        Pt to = i == n ? k.start : Pt{c.x + r * std::cos(a), c.y + r * std::sin(a)};
        k.segs.push_back(Seg{to, true, {c.x + rc * std::cos(am), c.y + rc * std::sin(am)}});
    }
    return k;
}

namespace {
// Elements as the drawing calls build them: one contour, filled or stroked.
Element filled(Contour c, Rgba fill) {
    Element e;
    e.contours.push_back(std::move(c));
    e.filled = true;
    e.fill = fill;
    return e;
}

Element stroked(Contour c, double width, Rgba line) {
    Element e;
    e.contours.push_back(std::move(c));
    e.lineWidth = width;
    e.line = line;
    return e;
}

Element& push(std::vector<Element>& elements, Element e) {
    elements.push_back(std::move(e));
    return elements.back();
}
}  // namespace

Element& Drawing::rect(double x, double y, double w, double h, Rgba fill) {
    return push(elements, filled(rectContour(x, y, w, h), fill));
}

Element& Drawing::rectOutline(double x, double y, double w, double h, double width, Rgba line) {
    return push(elements, stroked(rectContour(x, y, w, h), width, line));
}

Element& Drawing::roundRect(double x, double y, double w, double h, double r, Rgba fill) {
    return push(elements, filled(roundRectContour(x, y, w, h, r), fill));
}

Element& Drawing::polygon(const std::vector<Pt>& pts, Rgba fill) {
    return push(elements, filled(polyContour(pts, true), fill));
}

Element& Drawing::polyline(const std::vector<Pt>& pts, double width, Rgba colour, bool closed) {
    return push(elements, stroked(polyContour(pts, closed), width, colour));
}

Element& Drawing::line(Pt a, Pt b, double width, Rgba colour) { return polyline({a, b}, width, colour, false); }

Element& Drawing::circle(Pt c, double r, Rgba fill) { return push(elements, filled(circleContour(c, r), fill)); }

Element& Drawing::ring(Pt c, double r, double width, Rgba colour) {
    return push(elements, stroked(circleContour(c, r), width, colour));
}

Element& Drawing::vgradientRect(double x, double y, double w, double h, Rgba top, Rgba bottom) {
    Element e;
    e.contours.push_back(rectContour(x, y, w, h));
    e.filled = true;
    e.gradient = true;
    e.grad = Gradient{top, bottom, x, y, x, y + h};
    return push(elements, std::move(e));
}

namespace {
void putNum(std::string& out, double v) {
    // Twentieths of a pixel are the emitted resolution, so two drawings equal at that
    // resolution share one key.
    char buf[24];
    std::snprintf(buf, sizeof buf, "%ld,", std::lround(v * 20));
    out += buf;
}
void putPt(std::string& out, Pt p) {
    putNum(out, p.x);
    putNum(out, p.y);
}
void putColour(std::string& out, Rgba c) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "#%02x%02x%02x%02x", c.r, c.g, c.b, c.a);
    out += buf;
}
}  // namespace

std::string drawingKey(const Drawing& d) {
    std::string k;
    for (const Element& e : d.elements) {
        k += 'E';
        if (e.filled) {
            k += 'F';
            putColour(k, e.fill);
        }
        if (e.gradient) {
            k += 'G';
            putColour(k, e.grad.from);
            putColour(k, e.grad.to);
            putPt(k, {e.grad.x0, e.grad.y0});
            putPt(k, {e.grad.x1, e.grad.y1});
        }
        if (e.lineWidth > 0) {
            k += 'L';
            putNum(k, e.lineWidth);
            putColour(k, e.line);
        }
        for (const Contour& c : e.contours) {
            k += c.closed ? 'C' : 'O';
            putPt(k, c.start);
            for (const Seg& s : c.segs) {
                if (s.curve) {
                    k += 'q';
                    putPt(k, s.ctrl);
                }
                putPt(k, s.to);
            }
        }
    }
    return k;
}

bool drawingBounds(const Drawing& d, double& x0, double& y0, double& x1, double& y1) {
    bool any = false;
    auto add = [&](Pt p, double pad) {
        if (!any) {
            x0 = p.x - pad, y0 = p.y - pad, x1 = p.x + pad, y1 = p.y + pad;
            any = true;
            return;
        }
        x0 = std::min(x0, p.x - pad), y0 = std::min(y0, p.y - pad);
        x1 = std::max(x1, p.x + pad), y1 = std::max(y1, p.y + pad);
    };
    for (const Element& e : d.elements) {
        const double pad = e.lineWidth / 2;
        for (const Contour& c : e.contours) {
            add(c.start, pad);
            for (const Seg& s : c.segs) {
                add(s.to, pad);
                if (s.curve) add(s.ctrl, pad);
            }
        }
    }
    return any;
}

}  // namespace lessons
