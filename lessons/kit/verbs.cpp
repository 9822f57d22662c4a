#include "lessons/kit/verbs.h"

#include "lessons/kit/part_view.h"

#include <algorithm>
#include <cmath>
#include <set>

namespace lessons {

namespace {

// --- what several verbs check ---

void need(const Command& c, std::size_t lo, std::size_t hi = 0) {
    if (hi == 0) hi = lo;
    if (c.args.size() < lo || c.args.size() > hi)
        throw SourceError(c.line, "nombre d'arguments incorrect pour « " + c.verb + " »");
}

// A verb that takes time cannot set up the starting state.
void timed(const Command& c, bool intro) {
    if (intro) throw SourceError(c.line, "« " + c.verb + " » prend du temps : pas avant la première étape");
}

SketchState& sketchState(Composer& co, const Command& c, const std::string& name) {
    if (!co.model.sketches.count(name)) throw SourceError(c.line, "esquisse inconnue : " + name);
    return co.state.sketches[name];
}

ui::Field* dialogField(Composer& co, const Command& c, const std::string& label) {
    if (!co.state.dialog) throw SourceError(c.line, "aucune boîte de dialogue ouverte");
    for (ui::Field& f : co.state.dialog->fields)
        if (f.label == label) return &f;
    throw SourceError(c.line, "champ inconnu : " + label);
}

// Sets the orientation at once, or turns to it over the seconds given as
// argument `at` when there is one (never before the first step).
void orientAt(Composer& co, const Command& c, bool intro, double yaw, double pitch, std::size_t at) {
    if (c.args.size() == at || intro) {
        co.state.yaw = yaw;
        co.state.pitch = pitch;
    } else {
        co.orientTo(yaw, pitch, num(c.args[at], c.line));
    }
}

// --- the verbs (lessons/README.md, "Steps") ---

void wait(Composer& co, const Command& c, bool intro) {
    need(c, 1);
    timed(c, intro);
    co.hold(num(c.args[0], c.line));
}

void point(Composer& co, const Command& c, bool intro) {
    timed(c, intro);
    std::size_t i = 0;
    const Pt to = co.target(c, i);
    double secs = 0.9;
    if (i < c.args.size()) secs = num(c.args[i++], c.line);
    if (i != c.args.size()) throw SourceError(c.line, "arguments en trop pour « point »");
    co.movePointer(to, secs);
}

// Sets the pointer without moving it.
void place(Composer& co, const Command& c, bool intro) {
    std::size_t i = 0;
    co.state.pointer = co.target(c, i);
}

void click(Composer& co, const Command& c, bool intro) {
    need(c, 0);
    timed(c, intro);
    co.click();
    co.hold(0.4);
}

void dblclick(Composer& co, const Command& c, bool intro) {
    need(c, 0);
    timed(c, intro);
    co.click();
    co.hold(0.2);
    co.click();
    co.hold(0.4);
}

void pointer(Composer& co, const Command& c, bool intro) {
    need(c, 1);
    co.state.pointerOn = c.args[0] == "on";
}

void select(Composer& co, const Command& c, bool intro) {
    need(c, 1, 2);
    if (c.args[0] == "none") {
        co.state.treeSel.clear();
        co.state.faceSel.clear();
    } else if (c.args[0] == "tree" && c.args.size() == 2) {
        ui::Rect r;
        if (!ui::treeItemRect(co.state.tree, c.args[1], r))
            throw SourceError(c.line, "pas d'élément « " + c.args[1] + " » dans l'arbre");
        co.state.treeSel = c.args[1];
    } else if (c.args[0] == "face" && c.args.size() == 2) {
        co.state.faceSel = c.args[1];
    } else {
        throw SourceError(c.line, "« select » : tree NOM, face ÉTIQUETTE ou none");
    }
}

void menu(Composer& co, const Command& c, bool intro) {
    if (c.args.size() < 2) throw SourceError(c.line, "« menu » attend un titre et des entrées");
    ui::Rect r;
    if (!ui::menuTitleRect(c.args[0], r)) throw SourceError(c.line, "menu inconnu : " + c.args[0]);
    co.state.menu = ui::Menu{c.args[0], {c.args.begin() + 1, c.args.end()}, {}};
}

void popup(Composer& co, const Command& c, bool intro) {
    if (c.args.empty()) throw SourceError(c.line, "« popup » attend des entrées");
    co.state.menu = ui::Menu{"", c.args, {co.state.pointer.x + 2, co.state.pointer.y + 2}};
}

void close(Composer& co, const Command& c, bool intro) {
    need(c, 1);
    if (c.args[0] == "menu")
        co.state.menu.reset();
    else if (c.args[0] == "dialog")
        co.state.dialog.reset();
    else if (c.args[0] == "note")
        co.state.note.reset();
    else
        throw SourceError(c.line, "« close » : menu, dialog ou note");
}

void dialog(Composer& co, const Command& c, bool intro) {
    need(c, 1, 3);
    co.state.menu.reset();
    ui::Dialog g{c.args[0], {}, {}, c.args.size() == 2 && c.args[1] == "centred", ""};
    if (c.args.size() == 3 && c.args[1] == "dim") {
        // The value box of the dimension just placed on that sketch, at its text.
        sketchState(co, c, c.args[2]);
        if (!lastDimensionLabel(co.state, co.model, c.args[2], g.anchor))
            throw SourceError(c.line, "« dialog … dim » : l’esquisse " + c.args[2] + " ne montre aucune cote");
        g.anchored = true;
    } else if (c.args.size() != 1 && !g.centred) {
        throw SourceError(c.line, "« dialog » : TITRE [centred | dim ESQUISSE]");
    }
    co.state.dialog = g;
}

void dialogRow(Composer& co, const Command& c, bool intro) {
    if (!co.state.dialog) throw SourceError(c.line, "« " + c.verb + " » hors d'une boîte de dialogue");
    need(c, c.verb == "info" || c.verb == "section" ? 1 : 2);
    co.state.dialog->fields.push_back(ui::Field{c.verb, c.args[0], c.args.size() > 1 ? c.args[1] : ""});
}

void buttons(Composer& co, const Command& c, bool intro) {
    if (!co.state.dialog || c.args.empty())
        throw SourceError(c.line, "« buttons » attend une boîte ouverte et des libellés");
    co.state.dialog->buttons = c.args;
}

void set(Composer& co, const Command& c, bool intro) {
    need(c, 2);
    timed(c, intro);
    ui::Field* f = dialogField(co, c, c.args[0]);
    if (f->kind != "field") {
        f->value = c.args[1];
        co.hold(0.3);
        return;
    }
    co.state.dialog->focus = f->label;
    const std::u32string target = utf32(c.args[1]);
    f->value.clear();
    co.state.caret = true;
    co.hold(0.25);
    for (std::size_t k = 1; k <= target.size(); ++k) {
        dialogField(co, c, c.args[0])->value = utf8(target.substr(0, k));
        co.emit();
    }
    for (int k = 0; k < 8; ++k) {
        co.state.caret = (k / 3) % 2 == 0;
        co.emit();
    }
    co.state.caret = false;
    co.state.dialog->focus.clear();
}

void tick(Composer& co, const Command& c, bool intro) {
    need(c, 2);
    dialogField(co, c, c.args[0])->value = c.args[1];
}

void part(Composer& co, const Command& c, bool intro) {
    need(c, 1);
    if (c.args[0] == "none") {
        co.state.part.clear();
    } else {
        if (!co.model.solids.count(c.args[0])) throw SourceError(c.line, "solide inconnu : " + c.args[0]);
        co.state.part = c.args[0];
    }
    co.state.overrides.clear();
    co.state.faceSel.clear();
}

void grow(Composer& co, const Command& c, bool intro) {
    need(c, 5);
    timed(c, intro);
    if (!co.model.solids.count(c.args[0])) throw SourceError(c.line, "solide inconnu : " + c.args[0]);
    co.state.part = c.args[0];
    const double a = num(c.args[2], c.line), b = num(c.args[3], c.line);
    const int n = std::max(1, co.frames(num(c.args[4], c.line)));
    for (int i = 0; i <= n; ++i) {
        co.state.overrides[c.args[1]] = a + (b - a) * Composer::ease(double(i) / n);
        if (i == 0)
            co.model.solidOf(co.state);
        else
            co.emit();
    }
}

void display(Composer& co, const Command& c, bool intro) {
    need(c, 1);
    static const std::map<std::string, DisplayMode> modes{{"shaded", DisplayMode::Shaded},
                                                          {"edges", DisplayMode::ShadedEdges},
                                                          {"hlr", DisplayMode::HiddenRemoved},
                                                          {"hidden", DisplayMode::HiddenVisible},
                                                          {"wire", DisplayMode::Wireframe}};
    auto it = modes.find(c.args[0]);
    if (it == modes.end()) throw SourceError(c.line, "mode d'affichage inconnu : " + c.args[0]);
    co.state.mode = it->second;
}

void view(Composer& co, const Command& c, bool intro) {
    need(c, 1, 2);
    double yaw = 0, pitch = 0;
    if (!standardView(c.args[0], yaw, pitch)) throw SourceError(c.line, "vue inconnue : " + c.args[0]);
    orientAt(co, c, intro, nearestYaw(yaw, co.state.yaw), pitch, 1);
}

// Sets the orientation at once (a starting state, or a key's pose); turning
// the view in front of the viewer is `drag`'s, under the moving pointer.
void orient(Composer& co, const Command& c, bool intro) {
    need(c, 2);
    co.state.yaw = num(c.args[0], c.line);
    co.state.pitch = num(c.args[1], c.line);
}

// The view turns only under a moving pointer, as the rotation tool (or the
// middle button) turns it: the pointer drags from where it is to X Y while the
// view turns by TURN degrees about the vertical and TILT degrees up or down,
// both at the same pace. The drag starts and ends in the graphics area.
void drag(Composer& co, const Command& c, bool intro) {
    need(c, 5);
    timed(c, intro);
    const Pt from = co.state.pointer, to{num(c.args[0], c.line), num(c.args[1], c.line)};
    const ui::Rect g = ui::graphicsArea();
    if (!g.contains(from) || !g.contains(to))
        throw SourceError(c.line, "« drag » : le pointeur glisse dans la zone graphique, de bout en bout");
    if (std::hypot(to.x - from.x, to.y - from.y) < 8)
        throw SourceError(c.line, "« drag » : le pointeur doit se déplacer pour tourner la vue");
    const double turn = num(c.args[2], c.line), tilt = num(c.args[3], c.line);
    const double y0 = co.state.yaw, p0 = co.state.pitch;
    const int n = std::max(1, co.frames(num(c.args[4], c.line)));
    for (int i = 1; i <= n; ++i) {
        const double u = double(i) / n;
        co.state.pointer = {from.x + (to.x - from.x) * u, from.y + (to.y - from.y) * u};
        // The view follows every second frame, as a program redraws a heavy
        // model while it is dragged: half the part's pictures, the pointer
        // still moving on every frame.
        if (i % 2 == 0 || i == n) {
            co.state.yaw = y0 + turn * u;
            co.state.pitch = std::clamp(p0 + tilt * u, -89.0, 89.0);
        }
        co.state.rest = 0;
        co.emit();
    }
    co.state.yaw = std::fmod(co.state.yaw, 360.0);
}

void sketch(Composer& co, const Command& c, bool intro) {
    need(c, 2);
    SketchState& ss = sketchState(co, c, c.args[0]);
    if (c.args[1] == "on") {
        ss.visible = true;
        const SketchInfo& k = co.model.sketches.at(c.args[0]);
        ss.drawn = double(k.segments());
    } else if (c.args[1] == "off") {
        ss.visible = false;
    } else if (c.args[1] == "empty") {
        ss.visible = true;
        ss.defined = false;
        ss.drawn = 0;
        ss.dims.clear();
        ss.relations.clear();
    } else if (c.args[1] == "defined") {
        ss.defined = true;
    } else {
        throw SourceError(c.line, "« sketch » : NOM on|off|empty|defined");
    }
}

void draw(Composer& co, const Command& c, bool intro) {
    need(c, 2);
    timed(c, intro);
    SketchState& ss = sketchState(co, c, c.args[0]);
    const SketchInfo& k = co.model.sketches.at(c.args[0]);
    ss.visible = true;
    ss.drawn = 0;
    const int nseg = k.segments();
    const Camera cam = co.camera();
    auto scr = [&](double at) {
        const int i = int(at);
        const Pt a = k.pts[std::size_t(i) % k.pts.size()], b = k.pts[std::size_t(i + 1) % k.pts.size()];
        const double u = at - i;
        return cam.project(k.point({a.x + (b.x - a.x) * u, a.y + (b.y - a.y) * u}));
    };
    co.movePointer(scr(0), 0.6);
    co.click();
    const int n = std::max(1, co.frames(num(c.args[1], c.line)));
    for (int i = 1; i <= n; ++i) {
        const double at = double(nseg) * double(i) / n;
        co.state.sketches[c.args[0]].drawn = at;
        co.state.pointer = at >= nseg ? scr(0) : scr(at);
        if (!k.circle && int(at) != int(double(nseg) * double(i - 1) / n)) co.click();
        co.emit();
    }
    co.state.sketches[c.args[0]].drawn = nseg;
}

void dim(Composer& co, const Command& c, bool intro) {
    need(c, 3);
    SketchState& ss = sketchState(co, c, c.args[0]);
    const int seg = int(num(c.args[1], c.line));
    if (seg < 0 || seg >= int(co.model.sketches.at(c.args[0]).pts.size())) throw SourceError(c.line, "segment inconnu");
    ss.dims.push_back({seg, seg + 1, 'a', c.args[2]});
}

void dimx(Composer& co, const Command& c, bool intro) {
    need(c, 5);
    SketchState& ss = sketchState(co, c, c.args[0]);
    const int a = int(num(c.args[1], c.line)), b = int(num(c.args[2], c.line));
    const int n = int(co.model.sketches.at(c.args[0]).pts.size());
    if (a < -1 || b < -1 || a >= n || b >= n || (c.args[4] != "h" && c.args[4] != "v" && c.args[4] != "a"))
        throw SourceError(c.line, "« dimx » : ESQUISSE SOMMET SOMMET TEXTE h|v|a");
    ss.dims.push_back({a, b, c.args[4][0], c.args[3]});
}

void dimdia(Composer& co, const Command& c, bool intro) {
    need(c, 2);
    SketchState& ss = sketchState(co, c, c.args[0]);
    if (!co.model.sketches.at(c.args[0]).circle)
        throw SourceError(c.line, "« dimdia » : l’esquisse " + c.args[0] + " n’est pas un cercle");
    ss.dims.push_back({0, 0, 'd', c.args[1]});
}

void dimangle(Composer& co, const Command& c, bool intro) {
    need(c, 5);
    SketchState& ss = sketchState(co, c, c.args[0]);
    const int a = int(num(c.args[1], c.line)), apex = int(num(c.args[2], c.line)), b = int(num(c.args[3], c.line));
    const int n = int(co.model.sketches.at(c.args[0]).pts.size());
    if (a < 0 || b < 0 || apex < 0 || a >= n || b >= n || apex >= n || a == apex || b == apex || a == b)
        throw SourceError(c.line, "« dimangle » : ESQUISSE SOMMET SOMMET-ANGLE SOMMET TEXTE, trois sommets distincts");
    ss.dims.push_back({a, b, 'g', c.args[4], apex});
}

// `relation SKETCH KIND ELEMENT...`: the glyph of a sketch relation beside
// each element it binds (segments for horizontal, vertical, symmetric and
// tangent; vertices for coincident and fixed, -1 the origin or a circle's
// centre). `relation SKETCH auto` marks every horizontal and vertical segment
// and a vertex on the origin.
void relation(Composer& co, const Command& c, bool intro) {
    if (c.args.size() < 2) throw SourceError(c.line, "« relation » : ESQUISSE TYPE ÉLÉMENT…");
    SketchState& ss = sketchState(co, c, c.args[0]);
    const SketchInfo& k = co.model.sketches.at(c.args[0]);
    const std::string& kind = c.args[1];
    const int n = int(k.pts.size());
    if (kind == "auto") {
        need(c, 2);
        for (int i = 0; i < k.segments() && !k.circle; ++i) {
            const Pt a = k.pts[std::size_t(i)], b = k.pts[std::size_t(i + 1) % k.pts.size()];
            if (std::abs(a.y - b.y) < 1e-9 && std::abs(a.x - b.x) > 1e-9) ss.relations.push_back({"horizontal", {i}});
            if (std::abs(a.x - b.x) < 1e-9 && std::abs(a.y - b.y) > 1e-9) ss.relations.push_back({"vertical", {i}});
        }
        for (int i = 0; i < n && !k.circle; ++i)
            if (std::hypot(k.pts[std::size_t(i)].x, k.pts[std::size_t(i)].y) < 1e-9)
                ss.relations.push_back({"coincident", {i}});
        if (k.circle && std::hypot(k.centre.x, k.centre.y) < 1e-9) ss.relations.push_back({"coincident", {-1}});
        return;
    }
    static const std::set<std::string> onSegments{"horizontal", "vertical", "symmetric", "tangent"};
    static const std::set<std::string> onVertices{"coincident", "fixed"};
    if (!onSegments.count(kind) && !onVertices.count(kind))
        throw SourceError(c.line, "relation inconnue : " + kind +
                                      " (horizontal, vertical, coincident, symmetric, tangent, fixed ou auto)");
    if (c.args.size() < 3) throw SourceError(c.line, "« relation » : il faut au moins un élément");
    SketchState::Relation r{kind, {}};
    const int last = onSegments.count(kind) ? k.segments() - 1 : n - 1;
    for (std::size_t i = 2; i < c.args.size(); ++i) {
        const int e = int(num(c.args[i], c.line));
        if (e < -1 || e > last || (e == -1 && onSegments.count(kind)))
            throw SourceError(c.line, "« relation » : élément hors de l'esquisse : " + c.args[i]);
        r.elements.push_back(e);
    }
    ss.relations.push_back(std::move(r));
}

void undim(Composer& co, const Command& c, bool intro) {
    need(c, 1);
    sketchState(co, c, c.args[0]).dims.clear();
}

void plane(Composer& co, const Command& c, bool intro) {
    need(c, 1);
    if (c.args[0] != "front" && c.args[0] != "top" && c.args[0] != "right" && c.args[0] != "none")
        throw SourceError(c.line, "plan inconnu : " + c.args[0]);
    co.state.plane = c.args[0] == "none" ? "" : c.args[0];
}

void edge(Composer& co, const Command& c, bool intro) {
    need(c, 1, 6);
    if (c.args[0] == "none") {
        co.state.edgeOn = false;
    } else {
        need(c, 6);
        co.state.edgeA = {num(c.args[0], c.line), num(c.args[1], c.line), num(c.args[2], c.line)};
        co.state.edgeB = {num(c.args[3], c.line), num(c.args[4], c.line), num(c.args[5], c.line)};
        co.state.edgeOn = true;
    }
}

// `tree add FEATURE feature SKETCH` lists the sketch under its feature, as the
// package does once a feature is made from a sketch: the sketch leaves its
// own row (if it had one) and follows the feature, one level in.
void tree(Composer& co, const Command& c, bool intro) {
    need(c, 2, 4);
    std::vector<ui::TreeItem>& t = co.state.tree;
    auto has = [&](const std::string& n) {
        return std::any_of(t.begin(), t.end(), [&](const ui::TreeItem& it) { return it.name == n; });
    };
    if (c.args[0] == "add") {
        if (has(c.args[1])) throw SourceError(c.line, "« " + c.args[1] + " » est déjà dans l'arbre");
        const std::string icon = c.args.size() >= 3 ? c.args[2] : "feature";
        if (c.args.size() == 4) {
            if (icon != "feature") throw SourceError(c.line, "seule une fonction (feature) a une esquisse sous elle");
            const std::string& sketch = c.args[3];
            std::erase_if(t, [&](const ui::TreeItem& it) { return it.name == sketch; });
            t.push_back({c.args[1], icon, ""});
            t.push_back({sketch, "sketch", c.args[1]});
        } else {
            t.push_back({c.args[1], icon, ""});
        }
    } else if (c.args[0] == "remove" && c.args.size() == 2) {
        // A feature goes with what is listed under it.
        const std::string name = c.args[1];
        std::erase_if(t, [&](const ui::TreeItem& it) { return it.name == name || it.under == name; });
    } else if (c.args[0] == "rename" && c.args.size() == 3) {
        for (ui::TreeItem& it : t) {
            if (it.name == c.args[1]) it.name = c.args[2];
            if (it.under == c.args[1]) it.under = c.args[2];
        }
    } else {
        throw SourceError(c.line, "« tree » : add NOM [icône [ESQUISSE]], remove NOM ou rename ANCIEN NOUVEAU");
    }
}

void status(Composer& co, const Command& c, bool intro) {
    need(c, 1);
    co.state.status = c.args[0];
}

void toolbar(Composer& co, const Command& c, bool intro) {
    need(c, 2);
    ui::Rect r;
    if (!ui::toolbarRect(c.args[0], r)) throw SourceError(c.line, "barre d'outils inconnue : " + c.args[0]);
    if (c.args[1] == "hide")
        co.state.hiddenBars.insert(c.args[0]);
    else if (c.args[1] == "show")
        co.state.hiddenBars.erase(c.args[0]);
    else
        throw SourceError(c.line, "« toolbar » : NOM hide|show");
}

void note(Composer& co, const Command& c, bool intro) {
    if (c.args.size() < 2) throw SourceError(c.line, "« note » : TEXTE area|tool|toolbar NOM");
    ui::Rect r;
    const std::string& kind = c.args[1];
    if (c.args.size() != 3) throw SourceError(c.line, "« note » : TEXTE area|tool|toolbar NOM");
    bool ok = kind == "area"      ? ui::areaByName(c.args[2], r)
              : kind == "tool"    ? ui::toolRect(c.args[2], r)
              : kind == "toolbar" ? ui::toolbarRect(c.args[2], r)
              : kind == "menu"    ? ui::menuTitleRect(c.args[2], r)
                                  : false;
    if (!ok) throw SourceError(c.line, "cible de note inconnue : " + c.args[2]);
    co.state.note = Note{c.args[0], r};
}

void document(Composer& co, const Command& c, bool intro) {
    need(c, 1);
    co.state.document = c.args[0] == "on";
}

void desktop(Composer& co, const Command& c, bool intro) {
    need(c, 1);
    co.state.desktop = c.args[0] == "on";
}

void docname(Composer& co, const Command& c, bool intro) {
    need(c, 1);
    co.state.docName = c.args[0];
}

void timeline(Composer& co, const Command& c, bool intro) {
    need(c, 1, 2);
    co.state.timeline = c.args[0] == "on";
    if (c.args.size() == 2) co.state.tlLength = std::clamp(num(c.args[1], c.line), 2.0, 30.0);
    if (!co.state.timeline) {
        co.state.keys.clear();
        co.state.poses.clear();
        co.state.playhead = 0;
    }
}

void playhead(Composer& co, const Command& c, bool intro) {
    need(c, 1, 2);
    const double to = num(c.args[0], c.line);
    if (c.args.size() == 1 || intro) {
        co.state.playhead = to;
        return;
    }
    const double from = co.state.playhead;
    const int n = std::max(1, co.frames(num(c.args[1], c.line)));
    for (int i = 1; i <= n; ++i) {
        co.state.playhead = from + (to - from) * Composer::ease(double(i) / n);
        co.emit();
    }
}

void key(Composer& co, const Command& c, bool intro) {
    need(c, 1);
    const double t = num(c.args[0], c.line);
    co.state.keys.push_back(t);
    co.state.poses[t] = {co.state.yaw, co.state.pitch};
    co.state.playhead = t;
}

// Plays the keys back as the time line's play button does: from the first key
// to the last in as many seconds as the time line shows between them. An
// optional argument states that duration and must agree with it.
void playanim(Composer& co, const Command& c, bool intro) {
    need(c, 0, 1);
    timed(c, intro);
    if (co.state.poses.size() < 2) throw SourceError(c.line, "« playanim » demande au moins deux positions clés");
    const double t0 = co.state.poses.begin()->first, t1 = co.state.poses.rbegin()->first;
    if (c.args.size() == 1 && std::abs(num(c.args[0], c.line) - (t1 - t0)) > 1e-6)
        throw SourceError(c.line, "« playanim » : l'animation dure " + c.args[0] +
                                      " s mais la ligne du temps en montre " +
                                      std::to_string(int(std::lround(t1 - t0))));
    const int n = std::max(1, co.frames(t1 - t0));
    for (int i = 1; i <= n; ++i) {
        const double t = t0 + (t1 - t0) * double(i) / n;
        auto hi = co.state.poses.lower_bound(t);
        if (hi == co.state.poses.end()) --hi;
        auto lo = hi == co.state.poses.begin() ? hi : std::prev(hi);
        const double span = hi->first - lo->first;
        const double u = span > 0 ? (t - lo->first) / span : 1;
        co.state.yaw = lo->second.first + (hi->second.first - lo->second.first) * u;
        co.state.pitch = lo->second.second + (hi->second.second - lo->second.second) * u;
        co.state.playhead = t;
        co.emit();
    }
}

// `movekey FROM TO S`: the pointer takes the key at FROM seconds and drags it
// along the time line to TO; the key, its pose and the playhead go with it.
void movekey(Composer& co, const Command& c, bool intro) {
    need(c, 3);
    timed(c, intro);
    const double from = num(c.args[0], c.line), to = num(c.args[1], c.line);
    if (!co.state.timeline) throw SourceError(c.line, "« movekey » : la ligne du temps n'est pas affichée");
    auto key =
        std::find_if(co.state.keys.begin(), co.state.keys.end(), [&](double k) { return std::abs(k - from) < 1e-6; });
    if (key == co.state.keys.end() || !co.state.poses.count(from))
        throw SourceError(c.line, "« movekey » : pas de clé à " + c.args[0] + " s");
    if (to < 0 || to > co.state.tlLength)
        throw SourceError(c.line, "« movekey » : " + c.args[1] + " s est hors de la ligne du temps");
    for (double k : co.state.keys)
        if (k != from && std::abs(k - to) < 1e-6)
            throw SourceError(c.line, "« movekey » : une clé est déjà à " + c.args[1] + " s");
    const std::size_t index = std::size_t(key - co.state.keys.begin());
    const std::pair<double, double> pose = co.state.poses.at(from);
    co.state.poses.erase(from);
    // The pointer keeps the hold it took on the key.
    const Pt grip{co.state.pointer.x - ui::timelineX(from, co.state.tlLength), co.state.pointer.y};
    co.click();  // the button goes down on the key
    const int n = std::max(1, co.frames(num(c.args[2], c.line)));
    for (int i = 1; i <= n; ++i) {
        const double t = from + (to - from) * Composer::ease(double(i) / n);
        co.state.keys[index] = t;
        co.state.playhead = t;
        co.state.pointer = {ui::timelineX(t, co.state.tlLength) + grip.x, grip.y};
        co.state.rest = 0;
        co.emit();
    }
    co.state.keys[index] = to;
    co.state.poses[to] = pose;
}

}  // namespace

Verb findVerb(const std::string& name) {
    static const std::map<std::string, Verb> verbs{
        {"wait", wait},         {"point", point},       {"place", place},       {"click", click},
        {"rclick", click},      {"dblclick", dblclick}, {"pointer", pointer},   {"select", select},
        {"menu", menu},         {"popup", popup},       {"close", close},       {"dialog", dialog},
        {"field", dialogRow},   {"choice", dialogRow},  {"check", dialogRow},   {"info", dialogRow},
        {"section", dialogRow}, {"buttons", buttons},   {"set", set},           {"tick", tick},
        {"part", part},         {"grow", grow},         {"display", display},   {"view", view},
        {"orient", orient},     {"drag", drag},         {"sketch", sketch},     {"draw", draw},
        {"dim", dim},           {"dimx", dimx},         {"dimdia", dimdia},     {"dimangle", dimangle},
        {"undim", undim},       {"plane", plane},       {"edge", edge},         {"tree", tree},
        {"status", status},     {"toolbar", toolbar},   {"note", note},         {"document", document},
        {"desktop", desktop},   {"docname", docname},   {"timeline", timeline}, {"playhead", playhead},
        {"key", key},           {"playanim", playanim}, {"movekey", movekey},   {"relation", relation},
    };
    auto it = verbs.find(name);
    return it == verbs.end() ? nullptr : it->second;
}

}  // namespace lessons
