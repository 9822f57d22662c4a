#include "lessons/kit/composer.h"

#include "lessons/kit/ui.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <optional>
#include <sstream>

namespace lessons {

namespace {

constexpr double kPi = std::numbers::pi;

// Depths of the stage, bottom to top.
enum Depth {
    kBase = 1, kBaseText = 2, kToolbar0 = 3,  // 3..6: the four toolbars
    kTree = 8, kTreeText = 9,
    kPart = 11, kPartText = 12,
    kTimeline = 14, kTimelineText = 15,
    kStatusText = 20,
    kNote = 25, kNoteText = 26,
    kMenu = 30, kMenuText = 31,
    kDialog = 33, kDialogText = 34,
    kTooltip = 36, kTooltipText = 37,
    kCaption = 50, kCaptionText = 51,
    kSummary = 90, kSummaryText = 91,
    kTitle = 92, kTitleText = 93,
    kRipple = 100, kPointer = 101,
};

double num(const std::string& s, int line)
{
    char* end = nullptr;
    const double v = std::strtod(s.c_str(), &end);
    if (s.empty() || end != s.c_str() + s.size() || !std::isfinite(v))
        throw SourceError(line, "nombre attendu : « " + s + " »");
    return v;
}

std::vector<std::string> splitList(const std::string& s, char sep)
{
    std::vector<std::string> out;
    std::string cur;
    for (char c : s) {
        if (c == sep) {
            if (!cur.empty())
                out.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!cur.empty())
        out.push_back(cur);
    return out;
}

Profile profileParam(const std::string& v, int line)
{
    Profile p;
    std::string err;
    if (!parseProfile(splitList(v, ';'), p, err))
        throw SourceError(line, err);
    if (p.size() < 3)
        throw SourceError(line, "un profil demande au moins trois points");
    return p;
}

Rgba colourParam(const std::string& v, int line)
{
    if (v.size() != 7 || v[0] != '#')
        throw SourceError(line, "couleur attendue sous la forme #RRGGBB : " + v);
    char* end = nullptr;
    const unsigned long x = std::strtoul(v.c_str() + 1, &end, 16);
    if (end != v.c_str() + 7)
        throw SourceError(line, "couleur attendue sous la forme #RRGGBB : " + v);
    return rgb(std::uint32_t(x));
}

struct Params {
    const Declaration& d;
    const std::map<std::string, double>& over;
    double get(const std::string& k, std::optional<double> def = {}) const
    {
        auto o = over.find(k);
        if (o != over.end())
            return o->second;
        auto it = d.params.find(k);
        if (it == d.params.end()) {
            if (def)
                return *def;
            throw SourceError(d.line, "paramètre manquant : " + k);
        }
        return num(it->second, d.line);
    }
    std::string str(const std::string& k, const std::string& def = {}) const
    {
        auto it = d.params.find(k);
        return it == d.params.end() ? def : it->second;
    }
};

V3 planePoint(const std::string& plane, double off, Pt q)
{
    if (plane == "top")
        return {q.x, off, -q.y};
    if (plane == "right")
        return {off, q.y, -q.x};
    return {q.x, q.y, off};
}

}  // namespace

Solid buildSolid(const Declaration& d, const std::map<std::string, double>& over)
{
    const Params p{d, over};
    Solid s;
    const int seg = int(p.get("segments", 32));
    if (seg < 6 || seg > 96)
        throw SourceError(d.line, "segments : entre 6 et 96");
    auto positive = [&](const char* k, std::optional<double> def = {}) {
        const double v = p.get(k, def);
        if (!(v > 0) || v > 10000)
            throw SourceError(d.line, std::string("valeur positive attendue pour ") + k);
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
        if (2 * t >= std::min(w, dd) || t >= h)
            throw SourceError(d.line, "épaisseur trop grande pour la boîte");
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
    if (d.params.count("colour"))
        s.colour = colourParam(d.params.at("colour"), d.line);
    if (p.str("axis") == "x") {
        // Lay a solid of revolution down: its axis runs left to right.
        for (V3& v : s.verts)
            v = {v.y, -v.x, v.z};
    } else if (p.str("axis") == "z") {
        for (V3& v : s.verts)
            v = {v.x, -v.z, v.y};
    }
    return s;
}

namespace {

struct SketchInfo {
    std::string plane = "front";
    double offset = 0;
    Profile pts;
    bool closed = true;
    bool circle = false;
    Pt centre;
    double radius = 0;
};

struct SketchState {
    bool visible = false;
    double drawn = 0;  // segments drawn, fractional while drawing
    struct Dim {
        int from = 0, to = 1;
        char mode = 'a';  // a: aligned, h: horizontal, v: vertical (in the sketch's axes)
        std::string label;
    };
    std::vector<Dim> dims;
};

struct Note {
    std::string text;
    ui::Rect target;
};

struct State {
    bool desktop = false, document = true;
    std::string docName = "Pièce1";
    std::set<std::string> hiddenBars;
    std::vector<ui::TreeItem> tree;
    std::string treeSel;
    std::optional<ui::Menu> menu;
    std::optional<ui::Dialog> dialog;
    std::string status = "Prêt";
    std::string part;
    std::map<std::string, double> overrides;
    DisplayMode mode = DisplayMode::ShadedEdges;
    std::string faceSel;
    bool edgeOn = false;
    V3 edgeA, edgeB;
    double yaw = 35, pitch = 25;
    std::map<std::string, SketchState> sketches;
    std::string plane;
    std::optional<Note> note;
    bool timeline = false;
    std::vector<double> keys;
    std::map<double, std::pair<double, double>> poses;
    double playhead = 0, tlLength = 10;
    int step = 0;
    std::string caption;
    Pt pointer{560, 300};
    bool pointerOn = true;
    int rippleAge = 99;
    Pt ripplePos;
    int rest = 0;  // frames the pointer has stood still
    bool caret = false;
};

class Composer {
public:
    explicit Composer(const Script& s) : s_(s)
    {
        for (const Declaration& d : s.solids) {
            if (solids_.count(d.name))
                throw SourceError(d.line, "solide déjà déclaré : " + d.name);
            solids_[d.name] = &d;
            buildSolid(d);  // report bad parameters before anything is composed
        }
        for (const Declaration& d : s.sketches)
            sketchInfo_[d.name] = sketchOf(d);
        setupCamera();
        state_.tree = {{"Pièce1", "part"}, {"Plan de face", "plane"}, {"Plan de dessus", "plane"},
                       {"Plan de droite", "plane"}, {"Origine", "origin"}};
    }

    Timeline run()
    {
        for (const Command& c : s_.intro)
            exec(c, true);
        const State start = state_;
        // The title card, then it fades out over the window.
        title_ = 1;
        label_ = "titre";
        hold(3.5);
        fade(title_, 1, 0, 0.5);
        for (std::size_t i = 0; i < s_.steps.size(); ++i) {
            const Step& st = s_.steps[i];
            state_.step = int(i) + 1;
            state_.caption = st.caption;
            label_ = "etape" + std::to_string(i + 1);
            const std::size_t before = t_.frames.size();
            for (const Command& c : st.commands)
                exec(c, false);
            const double minimum = 2.0 + 0.05 * double(utf32(st.caption).size());
            const double spent = double(t_.frames.size() - before) / t_.fps;
            if (spent < minimum)
                hold(minimum - spent);
        }
        // Closing summary, then the title card comes back so the loop joins up.
        label_ = "resume";
        fade(summary_, 0, 1, 0.5);
        hold(6 + 1.2 * double(s_.summary.size()));
        state_ = start;
        fade(title_, 0, 1, 0.5);
        return std::move(t_);
    }

private:
    const Script& s_;
    std::map<std::string, const Declaration*> solids_;
    std::map<std::string, SketchInfo> sketchInfo_;
    Camera cam_;
    V3 lo_, hi_;  // bounds of every solid of the lesson
    State state_;
    Timeline t_;
    double title_ = 0, summary_ = 0;  // card opacity
    std::string label_;

    // --- set-up ---

    SketchInfo sketchOf(const Declaration& d)
    {
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
                const double a = 2 * kPi * i / 32;
                k.pts.push_back({k.centre.x + k.radius * std::cos(a), k.centre.y + k.radius * std::sin(a)});
            }
        } else {
            k.pts = profileParam(p.str("profile"), d.line);
            k.closed = p.str("closed", "yes") == "yes";
        }
        return k;
    }

    void setupCamera()
    {
        V3 lo{1e9, 1e9, 1e9}, hi{-1e9, -1e9, -1e9};
        for (const Declaration& d : s_.solids) {
            V3 a, b;
            buildSolid(d).bounds(a, b);
            lo = {std::min(lo.x, a.x), std::min(lo.y, a.y), std::min(lo.z, a.z)};
            hi = {std::max(hi.x, b.x), std::max(hi.y, b.y), std::max(hi.z, b.z)};
        }
        if (s_.solids.empty())
            lo = {-30, -30, -30}, hi = {30, 30, 30};
        cam_.centre = (lo + hi) * 0.5;
        lo_ = lo;
        hi_ = hi;
        const double radius = std::max(length(hi - lo) / 2, 1.0);
        const ui::Rect g = ui::graphicsArea();
        cam_.scale = std::min(g.w, g.h) * 0.4 / radius;
        cam_.screen = {g.x + g.w / 2, g.y + g.h / 2 - 6};
        const std::map<std::string, double> none;
        Declaration cd;
        cd.params = s_.camera;
        const Params p{cd, none};
        if (s_.camera.count("scale"))
            cam_.scale *= p.get("scale");
        if (s_.camera.count("yaw"))
            state_.yaw = p.get("yaw");
        if (s_.camera.count("pitch"))
            state_.pitch = p.get("pitch");
        if (s_.camera.count("dy"))
            cam_.screen.y += p.get("dy");
    }

    // --- frames ---

    int frames(double seconds) const { return std::max(0, int(std::lround(seconds * t_.fps))); }

    void hold(double seconds)
    {
        for (int i = 0, n = frames(seconds); i < n; ++i)
            emit();
    }

    void fade(double& v, double from, double to, double seconds)
    {
        const int n = std::max(1, frames(seconds));
        for (int i = 1; i <= n; ++i) {
            v = from + (to - from) * double(i) / n;
            emit();
        }
    }

    static double ease(double u) { return u * u * (3 - 2 * u); }

    Camera camera() const
    {
        Camera c = cam_;
        c.yawDeg = state_.yaw;
        c.pitchDeg = state_.pitch;
        return c;
    }

    void place(Frame& f, int depth, int symbol, double alpha = 1, double tx = 0, double ty = 0, double scale = 1)
    {
        if (symbol < 0 || alpha <= 0.001)
            return;
        f.layers[depth] = Placement{symbol, tx, ty, scale, std::min(alpha, 1.0)};
    }

    V3 sketchPoint(const SketchInfo& k, Pt q) const { return planePoint(k.plane, k.offset, q); }

    void drawPart(Drawing& d, TextBlock& txt)
    {
        const Camera cam = camera();
        const ui::Rect g = ui::graphicsArea();
        // Reference plane, behind the part.
        if (!state_.plane.empty()) {
            const double m = 0.25 * std::max({hi_.x - lo_.x, hi_.y - lo_.y, hi_.z - lo_.z});
            const V3 a = lo_ - V3{m, m, m}, b = hi_ + V3{m, m, m};
            std::vector<V3> corners;
            if (state_.plane == "top")
                corners = {{a.x, 0, a.z}, {b.x, 0, a.z}, {b.x, 0, b.z}, {a.x, 0, b.z}};
            else if (state_.plane == "right")
                corners = {{0, a.y, a.z}, {0, b.y, a.z}, {0, b.y, b.z}, {0, a.y, b.z}};
            else
                corners = {{a.x, a.y, 0}, {b.x, a.y, 0}, {b.x, b.y, 0}, {a.x, b.y, 0}};
            std::vector<Pt> quad;
            for (V3 p : corners)
                quad.push_back(cam.project(p));
            Element& e = d.polygon(quad, rgb(0x7fb0ea, 55));
            e.lineWidth = 1.2;
            e.line = rgb(0x3d7cc9);
        }
        if (!state_.part.empty()) {
            RenderOptions ro;
            ro.mode = state_.mode;
            ro.highlightTag = state_.faceSel;
            d.append(renderSolid(buildSolid(*solids_.at(state_.part), state_.overrides), cam, ro));
        }
        if (state_.edgeOn)
            d.line(cam.project(state_.edgeA), cam.project(state_.edgeB), 3.2, rgb(0x2f8fff));
        for (const auto& [name, ss] : state_.sketches) {
            if (!ss.visible)
                continue;
            const SketchInfo& k = sketchInfo_.at(name);
            const int nseg = int(k.closed ? k.pts.size() : k.pts.size() - 1);
            std::vector<Pt> scr;
            for (Pt q : k.pts)
                scr.push_back(cam.project(sketchPoint(k, q)));
            const double drawn = std::min(ss.drawn, double(nseg));
            const int whole = int(drawn);
            Element e;
            e.lineWidth = 1.8;
            e.line = rgb(0x1f5fbf);
            if (whole > 0 || drawn > whole) {
                Contour c;
                c.closed = false;
                c.start = scr[0];
                for (int i = 1; i <= whole; ++i)
                    c.segs.push_back(Seg{scr[std::size_t(i) % scr.size()]});
                if (drawn > whole) {
                    const Pt a = scr[std::size_t(whole) % scr.size()], b = scr[std::size_t(whole + 1) % scr.size()];
                    const double u = drawn - whole;
                    c.segs.push_back(Seg{{a.x + (b.x - a.x) * u, a.y + (b.y - a.y) * u}});
                }
                e.contours.push_back(c);
                d.elements.push_back(e);
            }
            if (!k.circle)
                for (int i = 0; i <= whole && i < int(scr.size()); ++i)
                    d.circle(scr[std::size_t(i)], 2.2, rgb(0x1f5fbf));
            // Dimensions: offset away from the sketch's middle, text upright.
            Pt mid{0, 0};
            for (Pt p : scr)
                mid = {mid.x + p.x / double(scr.size()), mid.y + p.y / double(scr.size())};
            for (const SketchState::Dim& dim : ss.dims) {
                const std::string& label = dim.label;
                const Rgba ink = rgb(0x16335c);
                Pt tp;
                if (k.circle) {
                    const Pt c = cam.project(sketchPoint(k, k.centre));
                    const Pt e1 = cam.project(sketchPoint(k, {k.centre.x + k.radius * 0.7071, k.centre.y + k.radius * 0.7071}));
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
                    const Pt a = cam.project(sketchPoint(k, pa)), b = cam.project(sketchPoint(k, qb));
                    const double dx = b.x - a.x, dy = b.y - a.y, len = std::max(std::hypot(dx, dy), 1e-6);
                    Pt nrm{-dy / len, dx / len};
                    const Pt m{(a.x + b.x) / 2, (a.y + b.y) / 2};
                    if ((m.x - mid.x) * nrm.x + (m.y - mid.y) * nrm.y < 0)
                        nrm = {-nrm.x, -nrm.y};
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
                const double y = tp.y + 4;
                x = std::clamp(x, g.x + 4, g.x + g.w - w - 4);
                d.rect(x - 3, y - 11, w + 6, 14, rgb(0xffffff, 220));
                txt.add(label, x, y, 11, ink);
            }
        }
        // Orientation triad in the lower left corner.
        if (!state_.part.empty() || !state_.plane.empty() || !state_.sketches.empty()) {
            Camera tc = cam;
            tc.centre = {};
            tc.scale = 16;
            tc.screen = {g.x + 24, g.y + g.h - 22};
            d.line(tc.screen, tc.project({1, 0, 0}), 1.6, rgb(0xc8453a));
            d.line(tc.screen, tc.project({0, 1, 0}), 1.6, rgb(0x3e9a4a));
            d.line(tc.screen, tc.project({0, 0, 1}), 1.6, rgb(0x3d7cc9));
        }
    }

    std::set<std::string> pressedTools() const
    {
        static const char* ids[] = {"ombrearetes", "ombre", "lcs", "lcv", "filaire"};
        const DisplayMode modes[] = {DisplayMode::ShadedEdges, DisplayMode::Shaded, DisplayMode::HiddenRemoved,
                                     DisplayMode::HiddenVisible, DisplayMode::Wireframe};
        std::set<std::string> p;
        for (int i = 0; i < 5; ++i)
            if (state_.mode == modes[i])
                p.insert(ids[i]);
        for (const auto& [n, ss] : state_.sketches)
            if (ss.visible && !state_.dialog)
                p.insert("esquisse");
        return p;
    }

    void emit()
    {
        Frame f;
        f.label = label_;
        label_.clear();
        const bool under = title_ < 1 && summary_ < 1;  // the window shows at all
        if (under) {
            Drawing d;
            TextBlock t;
            if (state_.desktop) {
                ui::drawDesktop(d, t);
            } else {
                ui::drawWindowBase(d, t, state_.document, state_.docName);
            }
            place(f, kBase, t_.shape(d));
            place(f, kBaseText, t_.text(t));
            if (!state_.desktop) {
                const ui::ToolDef* hot = ui::toolAt(state_.pointer, state_.hiddenBars);
                const std::set<std::string> pressed = pressedTools();
                int i = 0;
                for (const ui::ToolbarDef& b : ui::toolbars()) {
                    if (!state_.hiddenBars.count(b.id)) {
                        Drawing tb;
                        ui::drawToolbar(tb, b.id, hot && !state_.menu ? hot->id : "", pressed);
                        place(f, kToolbar0 + i, t_.shape(tb));
                    }
                    ++i;
                }
                if (state_.document) {
                    Drawing td;
                    TextBlock tt;
                    ui::drawTree(td, tt, state_.tree, state_.treeSel);
                    place(f, kTree, t_.shape(td));
                    place(f, kTreeText, t_.text(tt));
                    Drawing pd;
                    TextBlock pt;
                    drawPart(pd, pt);
                    place(f, kPart, t_.shape(pd));
                    place(f, kPartText, t_.text(pt));
                }
                if (state_.timeline) {
                    Drawing ld;
                    TextBlock lt;
                    ui::drawTimeline(ld, lt, state_.keys, state_.playhead, state_.tlLength);
                    place(f, kTimeline, t_.shape(ld));
                    place(f, kTimelineText, t_.text(lt));
                }
                TextBlock st;
                ui::drawStatus(st, state_.status);
                place(f, kStatusText, t_.text(st));
                if (hot && !state_.menu && !state_.dialog && state_.rest >= 6) {
                    Drawing hd;
                    TextBlock ht;
                    ui::drawTooltip(hd, ht, hot->label, state_.pointer);
                    place(f, kTooltip, t_.shape(hd));
                    place(f, kTooltipText, t_.text(ht));
                }
            }
            if (state_.note) {
                Drawing nd;
                TextBlock nt;
                ui::drawNote(nd, nt, state_.note->text, state_.note->target);
                place(f, kNote, t_.shape(nd));
                place(f, kNoteText, t_.text(nt));
            }
            if (state_.menu) {
                Drawing md;
                TextBlock mt;
                ui::drawMenu(md, mt, *state_.menu, state_.pointer);
                place(f, kMenu, t_.shape(md));
                place(f, kMenuText, t_.text(mt));
            }
            if (state_.dialog) {
                Drawing gd;
                TextBlock gt;
                ui::drawDialog(gd, gt, *state_.dialog, state_.pointer, state_.caret);
                place(f, kDialog, t_.shape(gd));
                place(f, kDialogText, t_.text(gt));
            }
            if (state_.step > 0) {
                Drawing cd;
                TextBlock ct;
                ui::drawCaption(cd, ct, state_.step, state_.caption);
                place(f, kCaption, t_.shape(cd));
                place(f, kCaptionText, t_.text(ct));
            }
            if (state_.rippleAge < 6) {
                const double a = state_.rippleAge;
                place(f, kRipple, t_.shape(ui::rippleShape()), 1 - a / 6, state_.ripplePos.x, state_.ripplePos.y,
                      0.6 + 0.2 * a);
            }
            if (state_.pointerOn)
                place(f, kPointer, t_.shape(ui::pointerShape()), 1, state_.pointer.x, state_.pointer.y);
        }
        if (summary_ > 0) {
            Drawing d;
            TextBlock t;
            ui::drawSummaryCard(d, t, s_.summary);
            place(f, kSummary, t_.shape(d), summary_);
            place(f, kSummaryText, t_.text(t), summary_);
        }
        if (title_ > 0) {
            Drawing d;
            TextBlock t;
            ui::drawTitleCard(d, t, s_.title, s_.subtitle);
            place(f, kTitle, t_.shape(d), title_);
            place(f, kTitleText, t_.text(t), title_);
        }
        t_.frames.push_back(std::move(f));
        if (state_.rippleAge < 99)
            ++state_.rippleAge;
        ++state_.rest;
    }

    // --- pointer targets ---

    Pt target(const Command& c, std::size_t& i)
    {
        auto arg = [&]() -> const std::string& {
            if (i >= c.args.size())
                throw SourceError(c.line, "cible incomplète pour « " + c.verb + " »");
            return c.args[i++];
        };
        const std::string kind = arg();
        ui::Rect r;
        auto fail = [&](const std::string& what) -> Pt { throw SourceError(c.line, what); };
        if (kind == "tree") {
            const std::string n = arg();
            if (!ui::treeItemRect(state_.tree, n, r))
                return fail("pas d'élément « " + n + " » dans l'arbre");
            return {r.x + 22 + std::min(r.w - 24, 30.0), r.y + 9};
        }
        if (kind == "menu") {
            const std::string n = arg();
            if (!ui::menuTitleRect(n, r))
                return fail("menu inconnu : " + n);
            return {r.x + r.w / 2, r.y + 10};
        }
        if (kind == "item") {
            const std::string n = arg();
            if (!state_.menu || !ui::menuItemRect(*state_.menu, n, r))
                return fail("aucun menu ouvert ne contient « " + n + " »");
            return {r.x + 34, r.y + 10};
        }
        if (kind == "tool") {
            const std::string n = arg();
            if (!ui::toolRect(n, r))
                return fail("outil inconnu : " + n);
            return {r.x + 11, r.y + 12};
        }
        if (kind == "toolbar") {
            const std::string n = arg();
            if (!ui::toolbarRect(n, r))
                return fail("barre d'outils inconnue : " + n);
            return {r.x + 4, r.y + 11};
        }
        if (kind == "field") {
            const std::string n = arg();
            if (!state_.dialog || !ui::dialogFieldRect(*state_.dialog, n, r))
                return fail("aucune boîte ouverte n'a le champ « " + n + " »");
            return {r.x + std::min(r.w - 8, 60.0), r.y + r.h / 2 + 1};
        }
        if (kind == "button" || kind == "ok" || kind == "cancel") {
            const std::string n = kind == "ok" ? "OK" : kind == "cancel" ? "Annuler" : arg();
            if (!state_.dialog || !ui::dialogButtonRect(*state_.dialog, n, r))
                return fail("aucune boîte ouverte n'a le bouton « " + n + " »");
            return {r.x + r.w / 2, r.y + r.h / 2 + 1};
        }
        if (kind == "area") {
            const std::string n = arg();
            if (!ui::areaByName(n, r))
                return fail("zone inconnue : " + n);
            return r.centre();
        }
        if (kind == "at")
            return {num(arg(), c.line), num(arg(), c.line)};
        if (kind == "play" || kind == "wizard") {
            if (!state_.timeline)
                return fail("la ligne du temps n'est pas affichée");
            return kind == "play" ? ui::timelinePlayButton().centre() : ui::timelineWizardButton().centre();
        }
        if (kind == "icon")
            return ui::desktopIconRect().centre();
        if (kind == "key") {
            const double t = num(arg(), c.line);
            return {ui::timelineX(t, state_.tlLength), ui::timelineKeyY()};
        }
        const Camera cam = camera();
        if (kind == "face") {
            const std::string tag = arg();
            if (state_.part.empty())
                return fail("aucune pièce affichée");
            const Solid s = buildSolid(*solids_.at(state_.part), state_.overrides);
            Pt sum{0, 0};
            int n = 0;
            for (int fi : visibleFacesInOrder(s, cam))
                if (s.faces[std::size_t(fi)].tag == tag) {
                    const Pt p = cam.project(s.centroid(s.faces[std::size_t(fi)]));
                    sum = {sum.x + p.x, sum.y + p.y};
                    ++n;
                }
            if (n == 0)
                return fail("face « " + tag + " » invisible ou inconnue");
            return {sum.x / n, sum.y / n};
        }
        if (kind == "edge") {
            if (!state_.edgeOn)
                return fail("aucune arête mise en évidence");
            const Pt a = cam.project(state_.edgeA), b = cam.project(state_.edgeB);
            return {(a.x + b.x) / 2, (a.y + b.y) / 2};
        }
        if (kind == "vertex") {
            const std::string n = arg();
            const int k = int(num(arg(), c.line));
            auto it = sketchInfo_.find(n);
            if (it == sketchInfo_.end() || k < 0 || k >= int(it->second.pts.size()))
                return fail("sommet inconnu");
            return cam.project(sketchPoint(it->second, it->second.pts[std::size_t(k)]));
        }
        if (kind == "segment") {
            const std::string n = arg();
            const int k = int(num(arg(), c.line));
            auto it = sketchInfo_.find(n);
            if (it == sketchInfo_.end() || k < 0 || k >= int(it->second.pts.size()))
                return fail("segment inconnu");
            const Profile& pts = it->second.pts;
            const Pt a = pts[std::size_t(k)], b = pts[std::size_t(k + 1) % pts.size()];
            return cam.project(sketchPoint(it->second, {(a.x + b.x) / 2, (a.y + b.y) / 2}));
        }
        if (kind == "centre") {
            const std::string n = arg();
            auto it = sketchInfo_.find(n);
            if (it == sketchInfo_.end())
                return fail("esquisse inconnue : " + n);
            return cam.project(sketchPoint(it->second, it->second.centre));
        }
        if (kind == "point") {
            const V3 p{num(arg(), c.line), num(arg(), c.line), num(arg(), c.line)};
            return cam.project(p);
        }
        return fail("cible inconnue : " + kind);
    }

    void movePointer(Pt to, double seconds)
    {
        const Pt from = state_.pointer;
        const int n = std::max(1, frames(seconds));
        const double dx = to.x - from.x, dy = to.y - from.y;
        for (int i = 1; i <= n; ++i) {
            const double u = ease(double(i) / n);
            // A slight bow, as a hand moves.
            const double bow = std::sin(u * kPi) * 0.08;
            // The bow never takes the pointer off the window, nor its arrow
            // (13 px wide) out of the part of the stage every screen shows.
            const ui::Rect w = ui::windowRect(), safe = ui::safeArea();
            state_.pointer = {std::clamp(from.x + dx * u - dy * bow, w.x + 1, safe.x + safe.w - 13),
                              std::clamp(from.y + dy * u + dx * bow, w.y + 1, w.y + w.h - 1)};
            state_.rest = 0;
            emit();
        }
        state_.pointer = to;
    }

    void click()
    {
        state_.rippleAge = 0;
        state_.ripplePos = state_.pointer;
    }

    // --- commands ---

    void need(const Command& c, std::size_t lo, std::size_t hi = 0)
    {
        if (hi == 0)
            hi = lo;
        if (c.args.size() < lo || c.args.size() > hi)
            throw SourceError(c.line, "nombre d'arguments incorrect pour « " + c.verb + " »");
    }

    void timed(const Command& c, bool intro)
    {
        if (intro)
            throw SourceError(c.line, "« " + c.verb + " » prend du temps : pas avant la première étape");
    }

    SketchState& sketch(const Command& c, const std::string& name)
    {
        if (!sketchInfo_.count(name))
            throw SourceError(c.line, "esquisse inconnue : " + name);
        return state_.sketches[name];
    }

    void orientTo(double yaw, double pitch, double seconds)
    {
        const double y0 = state_.yaw, p0 = state_.pitch;
        const int n = std::max(1, frames(seconds));
        for (int i = 1; i <= n; ++i) {
            const double u = ease(double(i) / n);
            state_.yaw = y0 + (yaw - y0) * u;
            state_.pitch = p0 + (pitch - p0) * u;
            emit();
        }
    }

    ui::Field* field(const Command& c, const std::string& label)
    {
        if (!state_.dialog)
            throw SourceError(c.line, "aucune boîte de dialogue ouverte");
        for (ui::Field& f : state_.dialog->fields)
            if (f.label == label)
                return &f;
        throw SourceError(c.line, "champ inconnu : " + label);
    }

    void exec(const Command& c, bool intro)
    {
        const std::string& v = c.verb;
        if (v == "wait") {
            need(c, 1);
            timed(c, intro);
            hold(num(c.args[0], c.line));
        } else if (v == "point") {
            timed(c, intro);
            std::size_t i = 0;
            const Pt to = target(c, i);
            double secs = 0.9;
            if (i < c.args.size())
                secs = num(c.args[i++], c.line);
            if (i != c.args.size())
                throw SourceError(c.line, "arguments en trop pour « point »");
            movePointer(to, secs);
        } else if (v == "place") {  // sets the pointer without moving it
            std::size_t i = 0;
            state_.pointer = target(c, i);
        } else if (v == "click" || v == "rclick") {
            need(c, 0);
            timed(c, intro);
            click();
            hold(0.4);
        } else if (v == "dblclick") {
            need(c, 0);
            timed(c, intro);
            click();
            hold(0.2);
            click();
            hold(0.4);
        } else if (v == "pointer") {
            need(c, 1);
            state_.pointerOn = c.args[0] == "on";
        } else if (v == "select") {
            need(c, 1, 2);
            if (c.args[0] == "none") {
                state_.treeSel.clear();
                state_.faceSel.clear();
            } else if (c.args[0] == "tree" && c.args.size() == 2) {
                ui::Rect r;
                if (!ui::treeItemRect(state_.tree, c.args[1], r))
                    throw SourceError(c.line, "pas d'élément « " + c.args[1] + " » dans l'arbre");
                state_.treeSel = c.args[1];
            } else if (c.args[0] == "face" && c.args.size() == 2) {
                state_.faceSel = c.args[1];
            } else {
                throw SourceError(c.line, "« select » : tree NOM, face ÉTIQUETTE ou none");
            }
        } else if (v == "menu") {
            if (c.args.size() < 2)
                throw SourceError(c.line, "« menu » attend un titre et des entrées");
            ui::Rect r;
            if (!ui::menuTitleRect(c.args[0], r))
                throw SourceError(c.line, "menu inconnu : " + c.args[0]);
            state_.menu = ui::Menu{c.args[0], {c.args.begin() + 1, c.args.end()}, {}};
        } else if (v == "popup") {
            if (c.args.empty())
                throw SourceError(c.line, "« popup » attend des entrées");
            state_.menu = ui::Menu{"", c.args, {state_.pointer.x + 2, state_.pointer.y + 2}};
        } else if (v == "close") {
            need(c, 1);
            if (c.args[0] == "menu")
                state_.menu.reset();
            else if (c.args[0] == "dialog")
                state_.dialog.reset();
            else if (c.args[0] == "note")
                state_.note.reset();
            else
                throw SourceError(c.line, "« close » : menu, dialog ou note");
        } else if (v == "dialog") {
            need(c, 1, 2);
            state_.menu.reset();
            state_.dialog = ui::Dialog{c.args[0], {}, {}, c.args.size() == 2 && c.args[1] == "centred", ""};
            if (c.args.size() == 2 && c.args[1] != "centred")
                throw SourceError(c.line, "« dialog » : TITRE [centred]");
        } else if (v == "field" || v == "choice" || v == "check" || v == "info" || v == "section") {
            if (!state_.dialog)
                throw SourceError(c.line, "« " + v + " » hors d'une boîte de dialogue");
            need(c, v == "info" || v == "section" ? 1 : 2);
            state_.dialog->fields.push_back(ui::Field{v, c.args[0], c.args.size() > 1 ? c.args[1] : ""});
        } else if (v == "buttons") {
            if (!state_.dialog || c.args.empty())
                throw SourceError(c.line, "« buttons » attend une boîte ouverte et des libellés");
            state_.dialog->buttons = c.args;
        } else if (v == "set") {
            need(c, 2);
            timed(c, intro);
            ui::Field* f = field(c, c.args[0]);
            if (f->kind != "field") {
                f->value = c.args[1];
                hold(0.3);
                return;
            }
            state_.dialog->focus = f->label;
            const std::u32string target = utf32(c.args[1]);
            f->value.clear();
            state_.caret = true;
            hold(0.25);
            for (std::size_t k = 1; k <= target.size(); ++k) {
                field(c, c.args[0])->value = utf8(target.substr(0, k));
                emit();
            }
            for (int k = 0; k < 8; ++k) {
                state_.caret = (k / 3) % 2 == 0;
                emit();
            }
            state_.caret = false;
            state_.dialog->focus.clear();
        } else if (v == "tick") {
            need(c, 2);
            field(c, c.args[0])->value = c.args[1];
        } else if (v == "part") {
            need(c, 1);
            if (c.args[0] == "none") {
                state_.part.clear();
            } else {
                if (!solids_.count(c.args[0]))
                    throw SourceError(c.line, "solide inconnu : " + c.args[0]);
                state_.part = c.args[0];
            }
            state_.overrides.clear();
            state_.faceSel.clear();
        } else if (v == "grow") {
            need(c, 5);
            timed(c, intro);
            if (!solids_.count(c.args[0]))
                throw SourceError(c.line, "solide inconnu : " + c.args[0]);
            state_.part = c.args[0];
            const double a = num(c.args[2], c.line), b = num(c.args[3], c.line);
            const int n = std::max(1, frames(num(c.args[4], c.line)));
            for (int i = 0; i <= n; ++i) {
                state_.overrides[c.args[1]] = a + (b - a) * ease(double(i) / n);
                if (i == 0)
                    buildSolid(*solids_.at(state_.part), state_.overrides);
                else
                    emit();
            }
        } else if (v == "display") {
            need(c, 1);
            static const std::map<std::string, DisplayMode> modes{
                {"shaded", DisplayMode::Shaded}, {"edges", DisplayMode::ShadedEdges},
                {"hlr", DisplayMode::HiddenRemoved}, {"hidden", DisplayMode::HiddenVisible},
                {"wire", DisplayMode::Wireframe}};
            auto it = modes.find(c.args[0]);
            if (it == modes.end())
                throw SourceError(c.line, "mode d'affichage inconnu : " + c.args[0]);
            state_.mode = it->second;
        } else if (v == "view") {
            need(c, 1, 2);
            static const std::map<std::string, std::pair<double, double>> views{
                {"front", {0, 0}}, {"top", {0, 90}}, {"right", {90, 0}}, {"left", {-90, 0}},
                {"back", {180, 0}}, {"bottom", {0, -90}}, {"iso", {45, 30}}, {"dimetric", {28, 20}}};
            auto it = views.find(c.args[0]);
            if (it == views.end())
                throw SourceError(c.line, "vue inconnue : " + c.args[0]);
            // Take the shorter way round.
            double yaw = it->second.first;
            while (yaw - state_.yaw > 180) yaw -= 360;
            while (yaw - state_.yaw < -180) yaw += 360;
            if (c.args.size() == 1 || intro) {
                state_.yaw = yaw;
                state_.pitch = it->second.second;
            } else {
                orientTo(yaw, it->second.second, num(c.args[1], c.line));
            }
        } else if (v == "orient") {
            need(c, 2, 3);
            const double yaw = num(c.args[0], c.line), pitch = num(c.args[1], c.line);
            if (c.args.size() == 2 || intro) {
                state_.yaw = yaw;
                state_.pitch = pitch;
            } else {
                orientTo(yaw, pitch, num(c.args[2], c.line));
            }
        } else if (v == "turn") {
            need(c, 2);
            timed(c, intro);
            const double deg = num(c.args[0], c.line), secs = num(c.args[1], c.line);
            const double y0 = state_.yaw;
            const int n = std::max(1, frames(secs));
            for (int i = 1; i <= n; ++i) {
                state_.yaw = y0 + deg * double(i) / n;
                emit();
            }
            state_.yaw = std::fmod(state_.yaw, 360.0);
        } else if (v == "sketch") {
            need(c, 2);
            SketchState& ss = sketch(c, c.args[0]);
            if (c.args[1] == "on") {
                ss.visible = true;
                const SketchInfo& k = sketchInfo_.at(c.args[0]);
                ss.drawn = double(k.closed ? k.pts.size() : k.pts.size() - 1);
            } else if (c.args[1] == "off") {
                ss.visible = false;
            } else if (c.args[1] == "empty") {
                ss.visible = true;
                ss.drawn = 0;
                ss.dims.clear();
            } else {
                throw SourceError(c.line, "« sketch » : NOM on|off|empty");
            }
        } else if (v == "draw") {
            need(c, 2);
            timed(c, intro);
            SketchState& ss = sketch(c, c.args[0]);
            const SketchInfo& k = sketchInfo_.at(c.args[0]);
            ss.visible = true;
            ss.drawn = 0;
            const int nseg = int(k.closed ? k.pts.size() : k.pts.size() - 1);
            const Camera cam = camera();
            auto scr = [&](double at) {
                const int i = int(at);
                const Pt a = k.pts[std::size_t(i) % k.pts.size()], b = k.pts[std::size_t(i + 1) % k.pts.size()];
                const double u = at - i;
                return cam.project(sketchPoint(k, {a.x + (b.x - a.x) * u, a.y + (b.y - a.y) * u}));
            };
            movePointer(scr(0), 0.6);
            click();
            const int n = std::max(1, frames(num(c.args[1], c.line)));
            for (int i = 1; i <= n; ++i) {
                const double at = double(nseg) * double(i) / n;
                state_.sketches[c.args[0]].drawn = at;
                state_.pointer = at >= nseg ? scr(0) : scr(at);
                if (!k.circle && int(at) != int(double(nseg) * double(i - 1) / n))
                    click();
                emit();
            }
            state_.sketches[c.args[0]].drawn = nseg;
        } else if (v == "dim") {
            need(c, 3);
            SketchState& ss = sketch(c, c.args[0]);
            const int seg = int(num(c.args[1], c.line));
            if (seg < 0 || seg >= int(sketchInfo_.at(c.args[0]).pts.size()))
                throw SourceError(c.line, "segment inconnu");
            ss.dims.push_back({seg, seg + 1, 'a', c.args[2]});
        } else if (v == "dimx") {
            need(c, 5);
            SketchState& ss = sketch(c, c.args[0]);
            const int a = int(num(c.args[1], c.line)), b = int(num(c.args[2], c.line));
            const int n = int(sketchInfo_.at(c.args[0]).pts.size());
            if (a < -1 || b < -1 || a >= n || b >= n || (c.args[4] != "h" && c.args[4] != "v" && c.args[4] != "a"))
                throw SourceError(c.line, "« dimx » : ESQUISSE SOMMET SOMMET TEXTE h|v|a");
            ss.dims.push_back({a, b, c.args[4][0], c.args[3]});
        } else if (v == "undim") {
            need(c, 1);
            sketch(c, c.args[0]).dims.clear();
        } else if (v == "plane") {
            need(c, 1);
            if (c.args[0] != "front" && c.args[0] != "top" && c.args[0] != "right" && c.args[0] != "none")
                throw SourceError(c.line, "plan inconnu : " + c.args[0]);
            state_.plane = c.args[0] == "none" ? "" : c.args[0];
        } else if (v == "edge") {
            need(c, 1, 6);
            if (c.args[0] == "none") {
                state_.edgeOn = false;
            } else {
                need(c, 6);
                state_.edgeA = {num(c.args[0], c.line), num(c.args[1], c.line), num(c.args[2], c.line)};
                state_.edgeB = {num(c.args[3], c.line), num(c.args[4], c.line), num(c.args[5], c.line)};
                state_.edgeOn = true;
            }
        } else if (v == "tree") {
            need(c, 2, 3);
            if (c.args[0] == "add") {
                state_.tree.push_back({c.args[1], c.args.size() == 3 ? c.args[2] : "feature"});
            } else if (c.args[0] == "remove") {
                std::erase_if(state_.tree, [&](const ui::TreeItem& t) { return t.name == c.args[1]; });
            } else if (c.args[0] == "rename" && c.args.size() == 3) {
                for (ui::TreeItem& t : state_.tree)
                    if (t.name == c.args[1])
                        t.name = c.args[2];
            } else {
                throw SourceError(c.line, "« tree » : add NOM [icône], remove NOM ou rename ANCIEN NOUVEAU");
            }
        } else if (v == "status") {
            need(c, 1);
            state_.status = c.args[0];
        } else if (v == "toolbar") {
            need(c, 2);
            ui::Rect r;
            if (!ui::toolbarRect(c.args[0], r))
                throw SourceError(c.line, "barre d'outils inconnue : " + c.args[0]);
            if (c.args[1] == "hide")
                state_.hiddenBars.insert(c.args[0]);
            else if (c.args[1] == "show")
                state_.hiddenBars.erase(c.args[0]);
            else
                throw SourceError(c.line, "« toolbar » : NOM hide|show");
        } else if (v == "note") {
            if (c.args.size() < 2)
                throw SourceError(c.line, "« note » : TEXTE area|tool|toolbar NOM");
            ui::Rect r;
            const std::string& kind = c.args[1];
            if (c.args.size() != 3)
                throw SourceError(c.line, "« note » : TEXTE area|tool|toolbar NOM");
            bool ok = kind == "area" ? ui::areaByName(c.args[2], r)
                      : kind == "tool" ? ui::toolRect(c.args[2], r)
                      : kind == "toolbar" ? ui::toolbarRect(c.args[2], r)
                      : kind == "menu" ? ui::menuTitleRect(c.args[2], r)
                                        : false;
            if (!ok)
                throw SourceError(c.line, "cible de note inconnue : " + c.args[2]);
            state_.note = Note{c.args[0], r};
        } else if (v == "document") {
            need(c, 1);
            state_.document = c.args[0] == "on";
        } else if (v == "desktop") {
            need(c, 1);
            state_.desktop = c.args[0] == "on";
        } else if (v == "docname") {
            need(c, 1);
            state_.docName = c.args[0];
        } else if (v == "timeline") {
            need(c, 1, 2);
            state_.timeline = c.args[0] == "on";
            if (c.args.size() == 2)
                state_.tlLength = std::clamp(num(c.args[1], c.line), 2.0, 30.0);
            if (!state_.timeline) {
                state_.keys.clear();
                state_.poses.clear();
                state_.playhead = 0;
            }
        } else if (v == "playhead") {
            need(c, 1, 2);
            const double to = num(c.args[0], c.line);
            if (c.args.size() == 1 || intro) {
                state_.playhead = to;
                return;
            }
            const double from = state_.playhead;
            const int n = std::max(1, frames(num(c.args[1], c.line)));
            for (int i = 1; i <= n; ++i) {
                state_.playhead = from + (to - from) * ease(double(i) / n);
                emit();
            }
        } else if (v == "key") {
            need(c, 1);
            const double t = num(c.args[0], c.line);
            state_.keys.push_back(t);
            state_.poses[t] = {state_.yaw, state_.pitch};
            state_.playhead = t;
        } else if (v == "playanim") {
            need(c, 1);
            timed(c, intro);
            if (state_.poses.size() < 2)
                throw SourceError(c.line, "« playanim » demande au moins deux positions clés");
            const double t0 = state_.poses.begin()->first, t1 = state_.poses.rbegin()->first;
            const int n = std::max(1, frames(num(c.args[0], c.line)));
            for (int i = 0; i <= n; ++i) {
                const double t = t0 + (t1 - t0) * double(i) / n;
                auto hi = state_.poses.lower_bound(t);
                if (hi == state_.poses.end())
                    --hi;
                auto lo = hi == state_.poses.begin() ? hi : std::prev(hi);
                const double span = hi->first - lo->first;
                const double u = span > 0 ? (t - lo->first) / span : 1;
                state_.yaw = lo->second.first + (hi->second.first - lo->second.first) * u;
                state_.pitch = lo->second.second + (hi->second.second - lo->second.second) * u;
                state_.playhead = t;
                emit();
            }
        } else {
            throw SourceError(c.line, "commande inconnue : « " + v + " »");
        }
    }
};

}  // namespace

Timeline compose(const Script& s)
{
    if (s.summary.empty())
        throw SourceError(0, "le résumé (« summary ») manque");
    Composer c(s);
    return c.run();
}

LessonStats statsOf(const Script& s, const Timeline& t)
{
    return LessonStats{int(t.frames.size()), int(s.steps.size()), int(t.symbols.size())};
}

}  // namespace lessons
