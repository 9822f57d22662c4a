#include "lessons/kit/part_view.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>

namespace lessons {

namespace {

// The glyph of one sketch relation in an 11 px box centred on `c`, in the
// usual style: a pale green key with a dark mark.
void relationGlyph(Drawing& d, const std::string& kind, Pt c) {
    const Rgba ink = rgb(0x1d4d1d);
    Element& box = d.rect(c.x - 5.5, c.y - 5.5, 11, 11, rgb(0xdaf0d2));
    box.lineWidth = 0.8, box.line = rgb(0x4c8f46);
    if (kind == "horizontal") {
        d.line({c.x - 3.5, c.y}, {c.x + 3.5, c.y}, 1.6, ink);
    } else if (kind == "vertical") {
        d.line({c.x, c.y - 3.5}, {c.x, c.y + 3.5}, 1.6, ink);
    } else if (kind == "coincident") {
        Element& ring = d.circle({c.x, c.y}, 2.8, rgb(0xdaf0d2));
        ring.lineWidth = 1.1, ring.line = ink;
        d.circle({c.x, c.y}, 1.1, ink);
    } else if (kind == "symmetric") {
        d.line({c.x - 3.5, c.y - 3}, {c.x - 3.5, c.y + 3}, 1.2, ink);
        d.line({c.x + 3.5, c.y - 3}, {c.x + 3.5, c.y + 3}, 1.2, ink);
        d.line({c.x, c.y - 4}, {c.x, c.y + 4}, 0.8, ink);
    } else if (kind == "tangent") {
        Element& ring = d.circle({c.x, c.y + 1}, 2.6, rgb(0xdaf0d2));
        ring.lineWidth = 1.1, ring.line = ink;
        d.line({c.x - 4, c.y - 1.6}, {c.x + 4, c.y - 1.6}, 1.1, ink);
    } else {  // fixed: an anchor point on its hatched ground
        d.polygon({{c.x, c.y - 3.5}, {c.x + 3, c.y + 1}, {c.x - 3, c.y + 1}}, ink);
        d.line({c.x - 4, c.y + 2.5}, {c.x + 4, c.y + 2.5}, 1, ink);
    }
}

// Each relation's glyphs beside the elements they bind: a segment's off its
// middle towards the inside of the sketch (the dimensions stand outside) when
// there is room, a vertex's above and to the right of it.
void drawRelations(Drawing& d, const SketchState& ss, const std::vector<Pt>& scr, Pt mid, Pt origin, int drawn) {
    std::map<int, int> onSegment;  // glyphs already beside a segment, so a second one stands next to the first
    std::map<int, int> onVertex;
    for (const SketchState::Relation& r : ss.relations) {
        const bool vertex = r.kind == "coincident" || r.kind == "fixed";
        for (int e : r.elements) {
            // Only beside what is drawn yet: a vertex once a segment reaches it.
            if (vertex ? e > drawn : e >= drawn) continue;
            Pt c;
            if (vertex) {
                const Pt v = e < 0 ? origin : scr[std::size_t(e) % scr.size()];
                const int slot = onVertex[e]++;
                c = {v.x + 9 + 13 * slot, v.y - 9};
            } else {
                const Pt a = scr[std::size_t(e) % scr.size()], b = scr[std::size_t(e + 1) % scr.size()];
                const Pt m{(a.x + b.x) / 2, (a.y + b.y) / 2};
                const double len = std::max(std::hypot(b.x - a.x, b.y - a.y), 1e-6);
                Pt nrm{-(b.y - a.y) / len, (b.x - a.x) / len};
                const double inward = (mid.x - m.x) * nrm.x + (mid.y - m.y) * nrm.y;
                if (inward < 0) nrm = {-nrm.x, -nrm.y};
                // A small sketch has no room inside: the glyph stands outside,
                // short of where the dimensions run.
                if (std::abs(inward) < 18) nrm = {-nrm.x, -nrm.y};
                const int slot = onSegment[e]++;
                const Pt along{(b.x - a.x) / len, (b.y - a.y) / len};
                c = {m.x + nrm.x * 10 + along.x * 13 * slot, m.y + nrm.y * 10 + along.y * 13 * slot};
            }
            relationGlyph(d, r.kind, c);
        }
    }
}

}  // namespace

void drawPart(Drawing& d, TextBlock& txt, const StageState& st, const LessonModel& m,
              std::map<std::string, std::vector<ui::Rect>>* labels) {
    const Camera cam = m.camera.at(st.yaw, st.pitch);
    const ui::Rect g = ui::graphicsArea();
    // Reference plane, behind the part.
    if (!st.plane.empty()) {
        const V3 lo = m.camera.lo, hi = m.camera.hi;
        const double margin = 0.25 * std::max({hi.x - lo.x, hi.y - lo.y, hi.z - lo.z});
        const V3 a = lo - V3{margin, margin, margin}, b = hi + V3{margin, margin, margin};
        std::vector<V3> corners;
        if (st.plane == "top")
            corners = {{a.x, 0, a.z}, {b.x, 0, a.z}, {b.x, 0, b.z}, {a.x, 0, b.z}};
        else if (st.plane == "right")
            corners = {{0, a.y, a.z}, {0, b.y, a.z}, {0, b.y, b.z}, {0, a.y, b.z}};
        else
            corners = {{a.x, a.y, 0}, {b.x, a.y, 0}, {b.x, b.y, 0}, {a.x, b.y, 0}};
        std::vector<Pt> quad;
        for (V3 p : corners) quad.push_back(cam.project(p));
        Element& e = d.polygon(quad, rgb(0x7fb0ea, 55));
        e.lineWidth = 1.2;
        e.line = rgb(0x3d7cc9);
    }
    if (!st.part.empty()) {
        RenderOptions ro;
        ro.mode = st.mode;
        ro.highlightTag = st.faceSel;
        d.append(renderSolid(m.solidOf(st), cam, ro));
    }
    if (st.edgeOn) d.line(cam.project(st.edgeA), cam.project(st.edgeB), 3.2, rgb(0x2f8fff));
    for (const auto& [name, ss] : st.sketches) {
        if (!ss.visible) continue;
        const SketchInfo& k = m.sketches.at(name);
        const int nseg = k.segments();
        std::vector<Pt> scr;
        for (Pt q : k.pts) scr.push_back(cam.project(k.point(q)));
        const double drawn = std::min(ss.drawn, double(nseg));
        const int whole = int(drawn);
        // Blue while the sketch can still move, black once fully defined.
        const Rgba stroke = ss.defined ? rgb(0x101010) : rgb(0x1f5fbf);
        Element e;
        e.lineWidth = 1.8;
        e.line = stroke;
        if (whole > 0 || drawn > whole) {
            Contour c;
            c.closed = false;
            c.start = scr[0];
            for (int i = 1; i <= whole; ++i) c.segs.push_back(Seg{scr[std::size_t(i) % scr.size()]});
            if (drawn > whole) {
                const Pt a = scr[std::size_t(whole) % scr.size()], b = scr[std::size_t(whole + 1) % scr.size()];
                const double u = drawn - whole;
                c.segs.push_back(Seg{{a.x + (b.x - a.x) * u, a.y + (b.y - a.y) * u}});
            }
            e.contours.push_back(c);
            d.elements.push_back(e);
        }
        if (!k.circle)
            for (int i = 0; i <= whole && i < int(scr.size()); ++i) d.circle(scr[std::size_t(i)], 2.2, stroke);
        // Dimensions: offset away from the sketch's middle, text upright.
        Pt mid{0, 0};
        for (Pt p : scr) mid = {mid.x + p.x / double(scr.size()), mid.y + p.y / double(scr.size())};
        for (const SketchState::Dim& dim : ss.dims) {
            const std::string& label = dim.label;
            const Rgba ink = rgb(0x16335c);
            Pt tp;
            // An arrowhead with its tip at `tip`, pointing along the unit vector `u`.
            auto arrow = [&](Pt tip, Pt u) {
                const Pt n{-u.y * 2.5, u.x * 2.5};
                d.polygon({tip,
                           {tip.x - u.x * 7 + n.x, tip.y - u.y * 7 + n.y},
                           {tip.x - u.x * 7 - n.x, tip.y - u.y * 7 - n.y}},
                          ink);
            };
            if (dim.mode == 'd') {
                // Diameter: one line through the centre from rim to rim, arrows on
                // the circle, carried outside to the label.
                const double s = k.radius * 0.7071;
                const Pt c = cam.project(k.point(k.centre));
                const Pt e1 = cam.project(k.point({k.centre.x + s, k.centre.y + s}));
                const Pt e2 = cam.project(k.point({k.centre.x - s, k.centre.y - s}));
                const double len = std::max(std::hypot(e1.x - c.x, e1.y - c.y), 1e-6);
                Pt u{(e1.x - c.x) / len, (e1.y - c.y) / len};
                // The label goes out on the upper side.
                const bool flip = u.y > 0;
                const Pt out = flip ? e2 : e1, back = flip ? e1 : e2;
                if (flip) u = {-u.x, -u.y};
                const Pt far{out.x + u.x * 24, out.y + u.y * 24};
                d.line(back, far, 1, ink);
                arrow(out, u);
                arrow(back, {-u.x, -u.y});
                tp = {far.x + (u.x >= 0 ? 4 : -4 - FontBank::standard().width(false, utf32(label), 11)), far.y - 4};
            } else if (dim.mode == 'g') {
                // Angle: an arc about the apex from one side to the other, the
                // shorter way, the label beyond its middle.
                auto vert = [&](int i) { return cam.project(k.point(k.pts[std::size_t(i)])); };
                const Pt o = vert(dim.apex), a = vert(dim.from), b = vert(dim.to);
                const double a0 = std::atan2(a.y - o.y, a.x - o.x);
                const double sweep = std::remainder(std::atan2(b.y - o.y, b.x - o.x) - a0, 2 * std::numbers::pi);
                const double r = 26;
                std::vector<Pt> arc;
                for (int i = 0; i <= 16; ++i) {
                    const double t = a0 + sweep * i / 16;
                    arc.push_back({o.x + r * std::cos(t), o.y + r * std::sin(t)});
                }
                d.polyline(arc, 1, ink);
                const double dir = sweep >= 0 ? 1 : -1;
                const double a1 = a0 + sweep;
                arrow(arc.front(), {std::sin(a0) * dir, -std::cos(a0) * dir});
                arrow(arc.back(), {-std::sin(a1) * dir, std::cos(a1) * dir});
                const double mid = a0 + sweep / 2;
                tp = {o.x + (r + 13) * std::cos(mid), o.y + (r + 13) * std::sin(mid)};
            } else if (k.circle) {
                const Pt c = cam.project(k.point(k.centre));
                const Pt e1 = cam.project(k.point({k.centre.x + k.radius * 0.7071, k.centre.y + k.radius * 0.7071}));
                const Pt far{e1.x + (e1.x - c.x) * 0.9 + 10, e1.y + (e1.y - c.y) * 0.9 - 6};
                d.line(c, far, 1, ink);
                d.polygon({e1, {e1.x + 6, e1.y + 1}, {e1.x + 2, e1.y + 5}}, ink);
                tp = {far.x + 4, far.y - 4};
            } else {
                // Vertex -1 is the sketch's origin.
                auto vert = [&](int i) { return i < 0 ? Pt{0, 0} : k.pts[std::size_t(i) % k.pts.size()]; };
                const Pt pa = vert(dim.from), pb = vert(dim.to);
                Pt qb = pb;
                if (dim.mode == 'h')
                    qb = {pb.x, pa.y};
                else if (dim.mode == 'v')
                    qb = {pa.x, pb.y};
                const Pt a = cam.project(k.point(pa)), b = cam.project(k.point(qb));
                const double dx = b.x - a.x, dy = b.y - a.y, len = std::max(std::hypot(dx, dy), 1e-6);
                Pt nrm{-dy / len, dx / len};
                const Pt m{(a.x + b.x) / 2, (a.y + b.y) / 2};
                if ((m.x - mid.x) * nrm.x + (m.y - mid.y) * nrm.y < 0) nrm = {-nrm.x, -nrm.y};
                const double off = 18;
                const Pt a2{a.x + nrm.x * off, a.y + nrm.y * off}, b2{b.x + nrm.x * off, b.y + nrm.y * off};
                d.line({a.x + nrm.x * 3, a.y + nrm.y * 3}, {a2.x + nrm.x * 4, a2.y + nrm.y * 4}, 0.8, ink);
                d.line({b.x + nrm.x * 3, b.y + nrm.y * 3}, {b2.x + nrm.x * 4, b2.y + nrm.y * 4}, 0.8, ink);
                d.line(a2, b2, 1, ink);
                const Pt u{dx / len * 7, dy / len * 7}, v{nrm.x * 2.5, nrm.y * 2.5};
                d.polygon({a2, {a2.x + u.x + v.x, a2.y + u.y + v.y}, {a2.x + u.x - v.x, a2.y + u.y - v.y}}, ink);
                d.polygon({b2, {b2.x - u.x + v.x, b2.y - u.y + v.y}, {b2.x - u.x - v.x, b2.y - u.y - v.y}}, ink);
                tp = {(a2.x + b2.x) / 2 + nrm.x * 11, (a2.y + b2.y) / 2 + nrm.y * 11};
            }
            const double w = FontBank::standard().width(false, utf32(label), 11);
            double x = k.circle ? tp.x : tp.x - w / 2;
            if (dim.mode == 'g') x = tp.x - w / 2;
            const double y = tp.y + 4;
            x = std::clamp(x, g.x + 4, g.x + g.w - w - 4);
            d.rect(x - 3, y - 11, w + 6, 14, rgb(0xffffff, 220));
            txt.add(label, x, y, 11, ink);
            if (labels) (*labels)[name].push_back({x - 3, y - 11, w + 6, 14});
        }
        drawRelations(d, ss, scr, mid, cam.project(k.point(k.circle ? k.centre : Pt{0, 0})), whole);
    }
    // Orientation triad in the lower left corner.
    if (!st.part.empty() || !st.plane.empty() || !st.sketches.empty()) {
        Camera tc = cam;
        tc.centre = {};
        tc.scale = 16;
        tc.screen = {g.x + 24, g.y + g.h - 22};
        d.line(tc.screen, tc.project({1, 0, 0}), 1.6, rgb(0xc8453a));
        d.line(tc.screen, tc.project({0, 1, 0}), 1.6, rgb(0x3e9a4a));
        d.line(tc.screen, tc.project({0, 0, 1}), 1.6, rgb(0x3d7cc9));
    }
}

}  // namespace lessons

namespace lessons {

bool lastDimensionLabel(const StageState& st, const LessonModel& m, const std::string& sketch, ui::Rect& out) {
    auto it = st.sketches.find(sketch);
    if (it == st.sketches.end() || !it->second.visible || it->second.dims.empty()) return false;
    // Only that sketch, without the part: the labels do not depend on the rest.
    StageState only;
    only.yaw = st.yaw;
    only.pitch = st.pitch;
    only.sketches[sketch] = it->second;
    Drawing d;
    TextBlock t;
    std::map<std::string, std::vector<ui::Rect>> labels;
    drawPart(d, t, only, m, &labels);
    if (labels[sketch].empty()) return false;
    out = labels[sketch].back();
    return true;
}

}  // namespace lessons
