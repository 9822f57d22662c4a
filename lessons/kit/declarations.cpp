#include "lessons/kit/declarations.h"

#include <cmath>
#include <cstdio>
#include <numbers>

namespace lessons {

double num(const std::string& s, int line) {
    char* end = nullptr;
    const double v = std::strtod(s.c_str(), &end);
    if (s.empty() || end != s.c_str() + s.size() || !std::isfinite(v))
        throw SourceError(line, "nombre attendu : « " + s + " »");
    return v;
}

namespace {

std::vector<std::string> splitList(const std::string& s, char sep) {
    std::vector<std::string> out;
    std::string cur;
    for (char c : s) {
        if (c == sep) {
            if (!cur.empty()) out.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!cur.empty()) out.push_back(cur);
    return out;
}

Profile profileParam(const std::string& v, int line) {
    Profile p;
    std::string err;
    if (!parseProfile(splitList(v, ';'), p, err)) throw SourceError(line, err);
    if (p.size() < 3) throw SourceError(line, "un profil demande au moins trois points");
    return p;
}

Rgba colourParam(const std::string& v, int line) {
    if (v.size() != 7 || v[0] != '#') throw SourceError(line, "couleur attendue sous la forme #RRGGBB : " + v);
    char* end = nullptr;
    const unsigned long x = std::strtoul(v.c_str() + 1, &end, 16);
    if (end != v.c_str() + 7) throw SourceError(line, "couleur attendue sous la forme #RRGGBB : " + v);
    return rgb(std::uint32_t(x));
}

struct Params {
    const Declaration& d;
    const std::map<std::string, double>& over;
    double get(const std::string& k, std::optional<double> def = {}) const {
        auto o = over.find(k);
        if (o != over.end()) return o->second;
        auto it = d.params.find(k);
        if (it == d.params.end()) {
            if (def) return *def;
            throw SourceError(d.line, "paramètre manquant : " + k);
        }
        return num(it->second, d.line);
    }
    std::string str(const std::string& k, const std::string& def = {}) const {
        auto it = d.params.find(k);
        return it == d.params.end() ? def : it->second;
    }
};

}  // namespace

Solid buildSolid(const Declaration& d, const std::map<std::string, double>& over) {
    const Params p{d, over};
    Solid s;
    const int seg = int(p.get("segments", 32));
    if (seg < 6 || seg > 96) throw SourceError(d.line, "segments : entre 6 et 96");
    auto positive = [&](const char* k, std::optional<double> def = {}) {
        const double v = p.get(k, def);
        if (!(v > 0) || v > 10000) throw SourceError(d.line, std::string("valeur positive attendue pour ") + k);
        return v;
    };
    if (d.kind == "extrude") {
        s = extrude(profileParam(p.str("profile"), d.line), positive("depth"));
    } else if (d.kind == "revolve") {
        s = revolve(profileParam(p.str("profile"), d.line), seg);
    } else if (d.kind == "cylinder") {
        const double r = positive("r"), h = positive("h");
        s = revolve({{0, 0}, {r, 0}, {r, h}, {0, h}}, seg);
    } else if (d.kind == "box") {
        s = drilledBox(positive("w"), positive("h"), positive("d"), {}, 8);
    } else if (d.kind == "shell") {
        const double w = positive("w"), h = positive("h"), dd = positive("d"), t = positive("t");
        if (2 * t >= std::min(w, dd) || t >= h) throw SourceError(d.line, "épaisseur trop grande pour la boîte");
        s = shellBox(w, h, dd, t);
    } else if (d.kind == "drilled") {
        std::vector<Hole> holes;
        for (const std::string& h : splitList(p.str("holes"), ';')) {
            Hole o;
            if (std::sscanf(h.c_str(), "%lf,%lf,%lf", &o.x, &o.z, &o.r) != 3 || o.r <= 0)
                throw SourceError(d.line, "trou attendu sous la forme x,z,rayon : " + h);
            holes.push_back(o);
        }
        s = drilledBox(positive("w"), positive("h"), positive("d"), holes, seg, p.get("cbore", 0.0),
                       p.get("cdepth", 0.0));
    } else if (d.kind == "flatcyl") {
        const double r = positive("r"), h = positive("h"), cut = p.get("cut");
        s = clipConvex(revolve({{0, 0}, {r, 0}, {r, h}, {0, h}}, seg), {1, 0, 0}, cut, "flat");
    } else {
        throw SourceError(d.line, "sorte de solide inconnue : " + d.kind);
    }
    if (d.params.count("colour")) s.colour = colourParam(d.params.at("colour"), d.line);
    if (p.str("axis") == "x") {
        // Lay a solid of revolution down: its axis runs left to right.
        for (V3& v : s.verts) v = {v.y, -v.x, v.z};
    } else if (p.str("axis") == "z") {
        for (V3& v : s.verts) v = {v.x, -v.z, v.y};
    }
    return s;
}

V3 SketchInfo::point(Pt q) const {
    if (plane == "top") return {q.x, offset, -q.y};
    if (plane == "right") return {offset, q.y, -q.x};
    return {q.x, q.y, offset};
}

SketchInfo buildSketch(const Declaration& d) {
    SketchInfo k;
    const std::map<std::string, double> none;
    const Params p{d, none};
    k.plane = p.str("plane", "front");
    if (k.plane != "front" && k.plane != "top" && k.plane != "right")
        throw SourceError(d.line, "plan inconnu : " + k.plane);
    k.offset = p.get("offset", 0.0);
    if (d.params.count("circle")) {
        if (std::sscanf(d.params.at("circle").c_str(), "%lf,%lf,%lf", &k.centre.x, &k.centre.y, &k.radius) != 3 ||
            k.radius <= 0)
            throw SourceError(d.line, "cercle attendu sous la forme cx,cy,rayon");
        k.circle = true;
        for (int i = 0; i < 32; ++i) {
            const double a = 2 * std::numbers::pi * i / 32;
            k.pts.push_back({k.centre.x + k.radius * std::cos(a), k.centre.y + k.radius * std::sin(a)});
        }
    } else {
        k.pts = profileParam(p.str("profile"), d.line);
        k.closed = p.str("closed", "yes") == "yes";
    }
    return k;
}

CameraLine cameraLine(const std::map<std::string, std::string>& params) {
    const std::map<std::string, double> none;
    Declaration cd;
    cd.params = params;
    const Params p{cd, none};
    CameraLine c;
    if (params.count("scale")) c.scale = p.get("scale");
    if (params.count("yaw")) c.yaw = p.get("yaw");
    if (params.count("pitch")) c.pitch = p.get("pitch");
    if (params.count("dy")) c.dy = p.get("dy");
    return c;
}

}  // namespace lessons
