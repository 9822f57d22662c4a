#include "lessons/kit/geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <numbers>
#include <tuple>

namespace lessons {

namespace {
constexpr double kPi = std::numbers::pi;
double rad(double deg) { return deg * kPi / 180; }

std::vector<V3> circle3(double cx, double y, double cz, double r, int n) {
    std::vector<V3> pts;
    for (int j = 0; j < n; ++j) {
        const double a = 2 * kPi * j / n;
        pts.push_back({cx + r * std::cos(a), y, cz + r * std::sin(a)});
    }
    return pts;
}
}  // namespace

double length(V3 a) { return std::sqrt(dot(a, a)); }
V3 normalized(V3 a) {
    const double l = length(a);
    return l > 0 ? a * (1 / l) : V3{};
}

int Solid::vertex(V3 p) {
    verts.push_back(p);
    return int(verts.size()) - 1;
}

static V3 newell(const std::vector<V3>& loop) {
    V3 n;
    for (std::size_t i = 0; i < loop.size(); ++i) {
        const V3 a = loop[i], b = loop[(i + 1) % loop.size()];
        n.x += (a.y - b.y) * (a.z + b.z);
        n.y += (a.z - b.z) * (a.x + b.x);
        n.z += (a.x - b.x) * (a.y + b.y);
    }
    return n;
}

void Solid::addFace(const std::vector<std::vector<V3>>& loops, V3 outward, std::string tag, bool interior) {
    if (loops.empty() || loops[0].size() < 3) return;
    Face f;
    f.tag = std::move(tag);
    f.interior = interior;
    for (std::size_t k = 0; k < loops.size(); ++k) {
        // The outline runs counter-clockwise seen from outside, holes the other way,
        // so every edge of a closed solid is walked once in each direction.
        const double along = dot(newell(loops[k]), outward);
        const bool flip = k == 0 ? along < 0 : along > 0;
        std::vector<int> idx;
        for (const V3& p : loops[k]) idx.push_back(vertex(p));
        if (flip) std::reverse(idx.begin(), idx.end());
        f.loops.push_back(std::move(idx));
    }
    faces.push_back(std::move(f));
}

V3 Solid::normal(const Face& f) const {
    std::vector<V3> pts;
    for (int i : f.loops[0]) pts.push_back(verts[i]);
    return normalized(newell(pts));
}

V3 Solid::centroid(const Face& f) const {
    V3 c;
    for (int i : f.loops[0]) c = c + verts[i];
    return c * (1.0 / double(f.loops[0].size()));
}

void Solid::bounds(V3& lo, V3& hi) const {
    lo = hi = verts.empty() ? V3{} : verts[0];
    for (const V3& p : verts) {
        lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
        hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
    }
}

double signedArea(const Profile& p) {
    double a = 0;
    for (std::size_t i = 0; i < p.size(); ++i) {
        const Pt u = p[i], v = p[(i + 1) % p.size()];
        a += u.x * v.y - v.x * u.y;
    }
    return a / 2;
}

Solid extrude(const Profile& outline, double depth, const std::vector<Profile>& holes) {
    Solid s;
    auto at = [](Pt p, double z) { return V3{p.x, p.y, z}; };
    Profile outer = outline;
    if (signedArea(outer) < 0) std::reverse(outer.begin(), outer.end());
    std::vector<Profile> inner = holes;
    for (Profile& h : inner)
        if (signedArea(h) > 0) std::reverse(h.begin(), h.end());

    std::vector<std::vector<V3>> front, back;
    auto capLoops = [&](double z) {
        std::vector<std::vector<V3>> loops;
        for (const Profile* p = &outer; p;) {
            std::vector<V3> loop;
            for (Pt q : *p) loop.push_back(at(q, z));
            loops.push_back(loop);
            p = nullptr;
        }
        for (const Profile& h : inner) {
            std::vector<V3> loop;
            for (Pt q : h) loop.push_back(at(q, z));
            loops.push_back(loop);
        }
        return loops;
    };
    s.addFace(capLoops(0), {0, 0, 1}, "front");
    s.addFace(capLoops(-depth), {0, 0, -1}, "back");

    auto sides = [&](const Profile& p, const std::string& prefix, bool interior) {
        for (std::size_t i = 0; i < p.size(); ++i) {
            const Pt a = p[i], b = p[(i + 1) % p.size()];
            if (a == b) continue;
            // Right of the edge direction is outside for a counter-clockwise outline
            // and for a clockwise hole alike.
            const V3 out{b.y - a.y, -(b.x - a.x), 0};
            s.addFace({{at(a, 0), at(a, -depth), at(b, -depth), at(b, 0)}}, out, prefix + std::to_string(i), interior);
        }
    };
    sides(outer, "s", false);
    for (std::size_t k = 0; k < inner.size(); ++k) sides(inner[k], "h" + std::to_string(k) + "_", true);
    return s;
}

Solid revolve(const Profile& profile, int segments) {
    Solid s;
    segments = std::max(segments, 3);
    // Orientation of the profile closed along the axis: outside lies to the right of a
    // counter-clockwise (radius right, height up) profile.
    const double sgn = signedArea(profile) >= 0 ? 1 : -1;
    constexpr double eps = 1e-9;
    auto onAxis = [](Pt p) { return std::abs(p.x) < eps; };
    auto ring = [&](Pt p, int j) {
        const double a = 2 * kPi * j / segments;
        return V3{p.x * std::cos(a), p.y, p.x * std::sin(a)};
    };
    for (std::size_t i = 0; i + 1 < profile.size(); ++i) {
        const Pt a = profile[i], b = profile[i + 1];
        if (onAxis(a) && onAxis(b)) continue;
        const double nr = (b.y - a.y) * sgn, ny = -(b.x - a.x) * sgn;
        const std::string tag = "r" + std::to_string(i);
        if (std::abs(a.y - b.y) < eps && (onAxis(a) || onAxis(b))) {
            const Pt rim = onAxis(a) ? b : a;
            std::vector<V3> loop;
            for (int j = 0; j < segments; ++j) loop.push_back(ring(rim, j));
            s.addFace({loop}, {0, ny, 0}, "disc");
            continue;
        }
        for (int j = 0; j < segments; ++j) {
            const double am = 2 * kPi * (j + 0.5) / segments;
            const V3 out{nr * std::cos(am), ny, nr * std::sin(am)};
            std::vector<V3> loop;
            loop.push_back(ring(a, j));
            if (!onAxis(a)) loop.push_back(ring(a, j + 1));
            loop.push_back(ring(b, j + 1));
            if (!onAxis(b)) loop.push_back(ring(b, j));
            s.addFace({loop}, out, tag);
        }
    }
    return s;
}

Solid shellBox(double w, double h, double d, double t) {
    Solid s;
    const double x0 = -w / 2, x1 = w / 2, z0 = -d / 2, z1 = d / 2;
    const double ix0 = x0 + t, ix1 = x1 - t, iz0 = z0 + t, iz1 = z1 - t;
    // Outside.
    s.addFace({{{x0, 0, z0}, {x1, 0, z0}, {x1, 0, z1}, {x0, 0, z1}}}, {0, -1, 0}, "bottom");
    s.addFace({{{x0, 0, z1}, {x1, 0, z1}, {x1, h, z1}, {x0, h, z1}}}, {0, 0, 1}, "front");
    s.addFace({{{x0, 0, z0}, {x1, 0, z0}, {x1, h, z0}, {x0, h, z0}}}, {0, 0, -1}, "back");
    s.addFace({{{x0, 0, z0}, {x0, 0, z1}, {x0, h, z1}, {x0, h, z0}}}, {-1, 0, 0}, "left");
    s.addFace({{{x1, 0, z0}, {x1, 0, z1}, {x1, h, z1}, {x1, h, z0}}}, {1, 0, 0}, "right");
    // The rim around the opening.
    s.addFace({{{x0, h, z0}, {x1, h, z0}, {x1, h, z1}, {x0, h, z1}},
               {{ix0, h, iz0}, {ix1, h, iz0}, {ix1, h, iz1}, {ix0, h, iz1}}},
              {0, 1, 0}, "rim");
    // Inside: walls face the cavity, the floor faces up.
    s.addFace({{{ix0, t, iz1}, {ix1, t, iz1}, {ix1, h, iz1}, {ix0, h, iz1}}}, {0, 0, -1}, "in-front", true);
    s.addFace({{{ix0, t, iz0}, {ix1, t, iz0}, {ix1, h, iz0}, {ix0, h, iz0}}}, {0, 0, 1}, "in-back", true);
    s.addFace({{{ix0, t, iz0}, {ix0, t, iz1}, {ix0, h, iz1}, {ix0, h, iz0}}}, {1, 0, 0}, "in-left", true);
    s.addFace({{{ix1, t, iz0}, {ix1, t, iz1}, {ix1, h, iz1}, {ix1, h, iz0}}}, {-1, 0, 0}, "in-right", true);
    s.addFace({{{ix0, t, iz0}, {ix1, t, iz0}, {ix1, t, iz1}, {ix0, t, iz1}}}, {0, 1, 0}, "floor", true);
    return s;
}

Solid drilledBox(double w, double h, double d, const std::vector<Hole>& holes, int n, double cboreR,
                 double cboreDepth) {
    Solid s;
    n = std::max(n, 6);
    const double x0 = -w / 2, x1 = w / 2, z0 = -d / 2, z1 = d / 2;
    const bool cbore = cboreR > 0 && cboreDepth > 0;
    std::vector<std::vector<V3>> top{{{x0, h, z0}, {x1, h, z0}, {x1, h, z1}, {x0, h, z1}}};
    std::vector<std::vector<V3>> bottom{{{x0, 0, z0}, {x1, 0, z0}, {x1, 0, z1}, {x0, 0, z1}}};
    for (const Hole& o : holes) {
        top.push_back(circle3(o.x, h, o.z, cbore ? cboreR : o.r, n));
        bottom.push_back(circle3(o.x, 0, o.z, o.r, n));
    }
    s.addFace(top, {0, 1, 0}, "top");
    s.addFace(bottom, {0, -1, 0}, "bottom");
    s.addFace({{{x0, 0, z1}, {x1, 0, z1}, {x1, h, z1}, {x0, h, z1}}}, {0, 0, 1}, "front");
    s.addFace({{{x0, 0, z0}, {x1, 0, z0}, {x1, h, z0}, {x0, h, z0}}}, {0, 0, -1}, "back");
    s.addFace({{{x0, 0, z0}, {x0, 0, z1}, {x0, h, z1}, {x0, h, z0}}}, {-1, 0, 0}, "left");
    s.addFace({{{x1, 0, z0}, {x1, 0, z1}, {x1, h, z1}, {x1, h, z0}}}, {1, 0, 0}, "right");
    auto wall = [&](const Hole& o, double r, double ya, double yb, const std::string& tag) {
        for (int j = 0; j < n; ++j) {
            const double a = 2 * kPi * j / n, b = 2 * kPi * (j + 1) / n, m = (a + b) / 2;
            const V3 pa{o.x + r * std::cos(a), 0, o.z + r * std::sin(a)};
            const V3 pb{o.x + r * std::cos(b), 0, o.z + r * std::sin(b)};
            s.addFace({{{pa.x, ya, pa.z}, {pb.x, ya, pb.z}, {pb.x, yb, pb.z}, {pa.x, yb, pa.z}}},
                      {-std::cos(m), 0, -std::sin(m)}, tag, true);
        }
    };
    for (const Hole& o : holes) {
        if (cbore) {
            wall(o, cboreR, h - cboreDepth, h, "cbore");
            s.addFace({circle3(o.x, h - cboreDepth, o.z, cboreR, n), circle3(o.x, h - cboreDepth, o.z, o.r, n)},
                      {0, 1, 0}, "cbore-floor", true);
            wall(o, o.r, 0, h - cboreDepth, "hole");
        } else {
            wall(o, o.r, 0, h, "hole");
        }
    }
    return s;
}

Solid clipConvex(const Solid& in, V3 n, double offset, const std::string& capTag) {
    Solid out;
    out.colour = in.colour;
    std::vector<V3> cut;
    auto side = [&](V3 p) { return dot(n, p) - offset; };
    for (const Face& f : in.faces) {
        std::vector<V3> poly;
        const auto& loop = f.loops[0];
        for (std::size_t i = 0; i < loop.size(); ++i) {
            const V3 a = in.verts[loop[i]], b = in.verts[loop[(i + 1) % loop.size()]];
            const double sa = side(a), sb = side(b);
            if (sa <= 0) poly.push_back(a);
            if ((sa < 0 && sb > 0) || (sa > 0 && sb < 0)) {
                const V3 p = a + (b - a) * (sa / (sa - sb));
                poly.push_back(p);
                cut.push_back(p);
            } else if (std::abs(sa) < 1e-9) {
                cut.push_back(a);
            }
        }
        if (poly.size() >= 3) out.addFace({poly}, in.normal(f), f.tag, f.interior);
    }
    if (cut.size() >= 3) {
        V3 c;
        for (V3 p : cut) c = c + p;
        c = c * (1.0 / double(cut.size()));
        const V3 u = normalized(std::abs(n.x) < 0.9 ? cross(n, {1, 0, 0}) : cross(n, {0, 1, 0}));
        const V3 v = cross(n, u);
        std::vector<std::pair<double, V3>> byAngle;
        for (V3 p : cut) byAngle.push_back({std::atan2(dot(p - c, v), dot(p - c, u)), p});
        std::stable_sort(byAngle.begin(), byAngle.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        std::vector<V3> cap;
        for (const auto& [a, p] : byAngle)
            if (cap.empty() || length(p - cap.back()) > 1e-7) cap.push_back(p);
        if (cap.size() > 3 && length(cap.front() - cap.back()) < 1e-7) cap.pop_back();
        out.addFace({cap}, n, capTag);
    }
    return out;
}

V3 Camera::toView(V3 p) const {
    const V3 q = p - centre;
    const double cy = std::cos(rad(yawDeg)), sy = std::sin(rad(yawDeg));
    const double x1 = q.x * cy - q.z * sy, z1 = q.x * sy + q.z * cy;
    const double cp = std::cos(rad(pitchDeg)), sp = std::sin(rad(pitchDeg));
    return {x1, q.y * cp - z1 * sp, q.y * sp + z1 * cp};
}

Pt Camera::project(V3 p) const {
    const V3 v = toView(p);
    return {screen.x + v.x * scale, screen.y - v.y * scale};
}

static V3 viewNormal(const Solid& s, const Face& f, const Camera& cam) {
    const V3 n = s.normal(f);
    return normalized(cam.toView(cam.centre + n));
}

std::vector<int> visibleFacesInOrder(const Solid& s, const Camera& cam) {
    struct Key {
        bool outer;
        double depth;
        int index;
    };
    std::vector<Key> order;
    for (std::size_t i = 0; i < s.faces.size(); ++i) {
        if (viewNormal(s, s.faces[i], cam).z <= 1e-6) continue;
        order.push_back({!s.faces[i].interior, cam.toView(s.centroid(s.faces[i])).z, int(i)});
    }
    std::stable_sort(order.begin(), order.end(),
                     [](const Key& a, const Key& b) { return a.outer != b.outer ? !a.outer : a.depth < b.depth; });
    std::vector<int> idx;
    for (const Key& o : order) idx.push_back(o.index);
    return idx;
}

double shade(V3 n) {
    static const V3 light = normalized({-0.45, 0.6, 0.75});
    return std::clamp(0.55 + 0.45 * std::max(0.0, dot(n, light)), 0.0, 1.0);
}

namespace {
Rgba scaled(Rgba c, double k) {
    auto ch = [&](std::uint8_t v) { return std::uint8_t(std::clamp(std::lround(v * k), 0L, 255L)); };
    return {ch(c.r), ch(c.g), ch(c.b), c.a};
}

using PosKey = std::tuple<long, long, long>;
PosKey keyOf(V3 p) { return {std::lround(p.x * 1000), std::lround(p.y * 1000), std::lround(p.z * 1000)}; }
using EdgeKey = std::pair<PosKey, PosKey>;
EdgeKey edgeKey(V3 a, V3 b) {
    PosKey ka = keyOf(a), kb = keyOf(b);
    return ka < kb ? EdgeKey{ka, kb} : EdgeKey{kb, ka};
}

constexpr Rgba kEdge = rgb(0x1e2a3a);
constexpr Rgba kHidden = rgb(0xa8b0ba);
constexpr Rgba kPaper = rgb(0xf7f8fa);
}  // namespace

Drawing renderSolid(const Solid& s, const Camera& cam, const RenderOptions& opt) {
    Drawing d;
    const std::size_t nf = s.faces.size();
    std::vector<V3> normals(nf);
    std::vector<bool> front(nf);
    for (std::size_t i = 0; i < nf; ++i) {
        normals[i] = s.normal(s.faces[i]);
        front[i] = viewNormal(s, s.faces[i], cam).z > 1e-6;
    }
    // Which faces meet at each edge: an edge is drawn when it is sharp (faces meet at
    // an angle), open, or a silhouette (one face turned towards the camera, one away).
    std::map<EdgeKey, std::vector<int>> adj;
    for (std::size_t i = 0; i < nf; ++i)
        for (const auto& loop : s.faces[i].loops)
            for (std::size_t k = 0; k < loop.size(); ++k)
                adj[edgeKey(s.verts[loop[k]], s.verts[loop[(k + 1) % loop.size()]])].push_back(int(i));
    const double sharpCos = std::cos(rad(30));
    auto edgeDrawn = [&](V3 a, V3 b) {
        const auto& fs = adj[edgeKey(a, b)];
        if (fs.size() < 2) return true;
        const int f0 = fs[0], f1 = fs[1];
        if (front[f0] != front[f1]) return true;
        return dot(normals[f0], normals[f1]) < sharpCos;
    };
    auto faceEdges = [&](int fi, double width, Rgba colour) {
        Element e;
        e.lineWidth = width;
        e.line = colour;
        for (const auto& loop : s.faces[fi].loops) {
            const std::size_t m = loop.size();
            // Start after an undrawn edge so drawn runs are not split at the seam.
            std::size_t first = 0;
            for (std::size_t k = 0; k < m; ++k)
                if (!edgeDrawn(s.verts[loop[(k + m - 1) % m]], s.verts[loop[k]])) {
                    first = k;
                    break;
                }
            Contour run;
            bool open = false;
            for (std::size_t step = 0; step < m; ++step) {
                const std::size_t k = (first + step) % m;
                const V3 a = s.verts[loop[k]], b = s.verts[loop[(k + 1) % m]];
                if (edgeDrawn(a, b)) {
                    if (!open) {
                        run = Contour{};
                        run.closed = false;
                        run.start = cam.project(a);
                        open = true;
                    }
                    run.segs.push_back(Seg{cam.project(b)});
                } else if (open) {
                    e.contours.push_back(run);
                    open = false;
                }
            }
            if (open) e.contours.push_back(run);
        }
        if (!e.contours.empty()) d.elements.push_back(std::move(e));
    };
    auto faceFill = [&](int fi, Rgba colour) {
        Element e;
        e.filled = true;
        e.fill = colour;
        // A thin stroke in the face's own colour closes the antialiased seams
        // between neighbouring faces.
        e.lineWidth = 0.7;
        e.line = colour;
        for (const auto& loop : s.faces[fi].loops) {
            std::vector<Pt> pts;
            for (int v : loop) pts.push_back(cam.project(s.verts[v]));
            e.contours.push_back(polyContour(pts, true));
        }
        d.elements.push_back(std::move(e));
    };
    auto colourOf = [&](int fi) {
        const Rgba base = !opt.highlightTag.empty() && s.faces[fi].tag == opt.highlightTag ? opt.highlight : s.colour;
        return scaled(base, shade(viewNormal(s, s.faces[fi], cam)) * 1.08);
    };

    const std::vector<int> order = visibleFacesInOrder(s, cam);
    switch (opt.mode) {
    case DisplayMode::Shaded:
        for (int fi : order) faceFill(fi, colourOf(fi));
        break;
    case DisplayMode::ShadedEdges:
        for (int fi : order) {
            faceFill(fi, colourOf(fi));
            faceEdges(fi, 1.0, kEdge);
        }
        break;
    case DisplayMode::HiddenRemoved:
        for (int fi : order) {
            faceFill(fi, !opt.highlightTag.empty() && s.faces[fi].tag == opt.highlightTag ? opt.highlight : kPaper);
            faceEdges(fi, 1.1, kEdge);
        }
        break;
    case DisplayMode::HiddenVisible:
        for (int fi : order) faceFill(fi, kPaper);
        for (std::size_t fi = 0; fi < nf; ++fi)
            if (!front[fi]) faceEdges(int(fi), 0.8, kHidden);
        for (int fi : order) faceEdges(fi, 1.1, kEdge);
        break;
    case DisplayMode::Wireframe:
        for (std::size_t fi = 0; fi < nf; ++fi) faceEdges(int(fi), 0.9, kEdge);
        break;
    }
    return d;
}

bool parseProfile(const std::vector<std::string>& tokens, Profile& out, std::string& error) {
    for (const std::string& t : tokens) {
        if (t.rfind("arc:", 0) == 0) {
            double cx, cy, r, a0, a1;
            int n = 8;
            const int got = std::sscanf(t.c_str() + 4, "%lf,%lf,%lf,%lf,%lf,%d", &cx, &cy, &r, &a0, &a1, &n);
            if (got < 5 || n < 1 || n > 64 || r <= 0) {
                error = "arc mal formé : " + t;
                return false;
            }
            for (int i = 0; i <= n; ++i) {
                const double a = rad(a0 + (a1 - a0) * i / n);
                out.push_back({cx + r * std::cos(a), cy + r * std::sin(a)});
            }
            continue;
        }
        double x, y;
        char extra;
        if (std::sscanf(t.c_str(), "%lf,%lf%c", &x, &y, &extra) != 2) {
            error = "point mal formé : " + t;
            return false;
        }
        out.push_back({x, y});
    }
    // Consecutive duplicates (an arc starting on the previous point) add nothing.
    Profile clean;
    for (Pt p : out)
        if (clean.empty() || std::hypot(p.x - clean.back().x, p.y - clean.back().y) > 1e-9) clean.push_back(p);
    if (clean.size() > 2 && std::hypot(clean.front().x - clean.back().x, clean.front().y - clean.back().y) < 1e-9)
        clean.pop_back();
    out = clean;
    return true;
}

}  // namespace lessons
