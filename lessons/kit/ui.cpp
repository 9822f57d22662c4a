#include "lessons/kit/ui.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace lessons::ui {

namespace {
// The palette of the Tarvik window.
constexpr Rgba kFrame = rgb(0x27374d);
constexpr Rgba kTitleTop = rgb(0x3a5b86), kTitleBottom = rgb(0x2a4468);
constexpr Rgba kMenuBg = rgb(0xf1f3f6);
constexpr Rgba kBarBg = rgb(0xe4e8ee);
constexpr Rgba kPanel = rgb(0xffffff);
constexpr Rgba kGfxTop = rgb(0xe2e8f1), kGfxBottom = rgb(0xf7f9fc);
constexpr Rgba kInk = rgb(0x1d2733);
constexpr Rgba kGreyInk = rgb(0x5b6878);
constexpr Rgba kLine = rgb(0x9aa7b8);
constexpr Rgba kSelect = rgb(0xcfe2fa), kSelectEdge = rgb(0x6aa0e0);
constexpr Rgba kAccent = rgb(0xe07a1f);
constexpr Rgba kWhite = rgb(0xffffff);
constexpr Rgba kIconInk = rgb(0x3e4c5e);
constexpr Rgba kBlue = rgb(0x3d7cc9), kLightBlue = rgb(0x9cc2ee);
constexpr Rgba kGreen = rgb(0x3e9a4a), kRed = rgb(0xc8453a), kYellow = rgb(0xf0c24a);

constexpr double kMenuFont = 11, kSmallFont = 10;

FontBank& fonts() { return FontBank::standard(); }
double textW(const std::string& s, double size, bool bold = false)
{
    return fonts().width(bold, utf32(s), size);
}

// An isometric cube in a box, for icons and the title card.
void cube(Drawing& d, double cx, double cy, double s, Rgba top, Rgba left, Rgba right, double edge, Rgba ink)
{
    const double h = s * 0.5;
    const Pt t{cx, cy - s}, l{cx - s * 0.87, cy - h}, r{cx + s * 0.87, cy - h}, c{cx, cy};
    const Pt bl{cx - s * 0.87, cy + h}, br{cx + s * 0.87, cy + h}, b{cx, cy + s};
    // Each face is finished before the next is added: adding one may move the
    // drawing's elements, so no reference to an earlier face may be kept.
    auto face = [&](std::vector<Pt> points, Rgba fill) {
        Element& e = d.polygon(points, fill);
        if (edge > 0) {
            e.lineWidth = edge;
            e.line = ink;
        }
    };
    face({t, r, c, l}, top);
    face({l, c, b, bl}, left);
    face({c, r, br, b}, right);
}

Pt P(double x, double y) { return {x, y}; }
}  // namespace

Rect safeArea() { return {36, 0, 633, 464}; }

// The window sits in the safe area with room for its 1 px frame on the left
// and its 2 px shadow on the right; its bands keep their heights.
Rect windowRect()
{
    const Rect s = safeArea();
    return {s.x + 1, 4, s.w - 4, 410};
}
Rect titleBar() { return {windowRect().x, 4, windowRect().w, 20}; }
Rect menuBar() { return {windowRect().x, 24, windowRect().w, 18}; }
Rect toolbarArea() { return {windowRect().x, 42, windowRect().w, 50}; }
Rect treePanel() { return {windowRect().x, 92, 170, 304}; }
Rect graphicsArea()
{
    const Rect w = windowRect(), t = treePanel();
    return {t.x + t.w + 1, 92, w.x + w.w - (t.x + t.w + 1), 304};
}
Rect statusBar() { return {windowRect().x, 396, windowRect().w, 18}; }
Rect captionRect() { return {windowRect().x + 6, 419, windowRect().w - 12, 40}; }

bool areaByName(const std::string& n, Rect& out)
{
    if (n == "title") out = titleBar();
    else if (n == "menubar") out = menuBar();
    else if (n == "toolbars") out = toolbarArea();
    else if (n == "tree") out = treePanel();
    else if (n == "graphics") out = graphicsArea();
    else if (n == "status") out = statusBar();
    else if (n == "caption") out = captionRect();
    else return false;
    return true;
}

const std::vector<std::string>& menuTitles()
{
    static const std::vector<std::string> t{"Fichier", "Édition", "Affichage", "Insertion", "Outils", "Fenêtre", "?"};
    return t;
}

bool menuTitleRect(const std::string& title, Rect& out)
{
    const Rect mb = menuBar();
    double x = mb.x + 6;
    for (const std::string& m : menuTitles()) {
        const double w = textW(m, kMenuFont) + 16;
        if (m == title) {
            out = {x, mb.y, w, mb.h};
            return true;
        }
        x += w;
    }
    return false;
}

const std::vector<ToolbarDef>& toolbars()
{
    static const std::vector<ToolbarDef> b{
        {"standard", "Standard", 0}, {"affichage", "Affichage", 0},
        {"esquisse", "Esquisse", 1}, {"fonctions", "Fonctions", 1}};
    return b;
}

const std::vector<ToolDef>& tools()
{
    static const std::vector<ToolDef> t{
        {"nouveau", "Nouveau", "standard"}, {"ouvrir", "Ouvrir", "standard"},
        {"enregistrer", "Enregistrer", "standard"}, {"imprimer", "Imprimer", "standard"},
        {"annuler", "Annuler", "standard"}, {"refaire", "Rétablir", "standard"},
        {"reconstruire", "Reconstruire", "standard"},
        {"ajuster", "Zoom au mieux", "affichage"}, {"zoomzone", "Zoom fenêtre", "affichage"},
        {"rotation", "Rotation de la vue", "affichage"}, {"vues", "Orientation de la vue", "affichage"},
        {"filaire", "Filaire", "affichage"}, {"lcv", "Lignes cachées apparentes", "affichage"},
        {"lcs", "Lignes cachées supprimées", "affichage"}, {"ombre", "Ombré", "affichage"},
        {"ombrearetes", "Ombré avec arêtes", "affichage"},
        {"esquisse", "Esquisse", "esquisse"}, {"ligne", "Ligne", "esquisse"},
        {"rectangle", "Rectangle", "esquisse"}, {"cercle", "Cercle", "esquisse"},
        {"arc", "Arc", "esquisse"}, {"cotation", "Cotation", "esquisse"},
        {"extrusion", "Extrusion", "fonctions"}, {"revolution", "Révolution", "fonctions"},
        {"enlevement", "Enlèvement de matière", "fonctions"},
        {"enlrev", "Enlèvement par révolution", "fonctions"}, {"percage", "Perçage", "fonctions"},
        {"conge", "Congé", "fonctions"}, {"chanfrein", "Chanfrein", "fonctions"},
        {"coque", "Coque", "fonctions"}};
    return t;
}

namespace {
constexpr double kToolPitch = 22, kGrip = 8, kBarGap = 10;

int toolsIn(const std::string& bar)
{
    int n = 0;
    for (const ToolDef& t : tools())
        n += t.bar == bar;
    return n;
}
}  // namespace

bool toolbarRect(const std::string& id, Rect& out)
{
    const double left = toolbarArea().x + 4;
    double x[2] = {left, left};
    for (const ToolbarDef& b : toolbars()) {
        const double w = kGrip + toolsIn(b.id) * kToolPitch + 4;
        if (b.id == id) {
            out = {x[b.row], 44.0 + b.row * 24, w, 22};
            return true;
        }
        x[b.row] += w + kBarGap;
    }
    return false;
}

bool toolRect(const std::string& id, Rect& out)
{
    for (const ToolDef& t : tools()) {
        if (t.id != id)
            continue;
        Rect bar;
        toolbarRect(t.bar, bar);
        int k = 0;
        for (const ToolDef& u : tools()) {
            if (u.id == id)
                break;
            k += u.bar == t.bar;
        }
        out = {bar.x + kGrip + k * kToolPitch, bar.y + 1, 20, 20};
        return true;
    }
    return false;
}

const ToolDef* toolAt(Pt p, const std::set<std::string>& hidden)
{
    for (const ToolDef& t : tools()) {
        Rect r;
        if (!hidden.count(t.bar) && toolRect(t.id, r) && r.contains(p))
            return &t;
    }
    return nullptr;
}

void drawWindowBase(Drawing& d, TextBlock& t, bool document, const std::string& docName)
{
    const Rect w = windowRect();
    // A soft shadow, the frame, then the bands from top to bottom.
    d.roundRect(w.x + 2, w.y + 3, w.w, w.h, 4, rgb(0x000000, 40));
    d.rect(w.x - 1, w.y - 1, w.w + 2, w.h + 2, kFrame);
    const Rect tb = titleBar();
    d.vgradientRect(tb.x, tb.y, tb.w, tb.h, kTitleTop, kTitleBottom);
    // The program's mark: a small cube.
    cube(d, tb.x + 13, tb.y + 10, 6.5, rgb(0xf6b04a), rgb(0xd9782a), rgb(0xb85d1c), 0, kInk);
    t.add(document ? "Tarvik - " + docName : "Tarvik", tb.x + 26, tb.y + 14.5, 11, kWhite, true);
    // Minimise, maximise, close.
    const double bx = tb.x + tb.w - 58;
    for (int i = 0; i < 3; ++i) {
        const double x = bx + i * 18;
        d.roundRect(x, tb.y + 3, 15, 14, 2, i == 2 ? rgb(0xc0504a) : rgb(0x4d6c96));
        if (i == 0)
            d.line(P(x + 4, tb.y + 13), P(x + 11, tb.y + 13), 1.4, kWhite);
        else if (i == 1)
            d.rectOutline(x + 4, tb.y + 6, 7, 7, 1.2, kWhite);
        else {
            d.line(P(x + 4.5, tb.y + 6.5), P(x + 10.5, tb.y + 12.5), 1.4, kWhite);
            d.line(P(x + 10.5, tb.y + 6.5), P(x + 4.5, tb.y + 12.5), 1.4, kWhite);
        }
    }
    const Rect mb = menuBar();
    d.rect(mb.x, mb.y, mb.w, mb.h, kMenuBg);
    for (const std::string& m : menuTitles()) {
        Rect r;
        menuTitleRect(m, r);
        t.add(m, r.x + 8, r.y + 13, kMenuFont, kInk);
    }
    const Rect ta = toolbarArea();
    d.rect(ta.x, ta.y, ta.w, ta.h, kBarBg);
    d.line(P(ta.x, ta.y + 0.5), P(ta.x + ta.w, ta.y + 0.5), 1, rgb(0xcbd2dc));
    const Rect tp = treePanel();
    d.rect(tp.x, tp.y, tp.w, tp.h, kPanel);
    d.line(P(tp.x + tp.w + 0.5, tp.y), P(tp.x + tp.w + 0.5, tp.y + tp.h), 1, rgb(0xb9c3d0));
    const Rect g = graphicsArea();
    if (document) {
        // A soft sky: two solid bands, cheap to paint on every frame.
        d.rect(g.x, g.y, g.w, g.h, kGfxBottom);
        d.rect(g.x, g.y, g.w, g.h * 0.45, kGfxTop);
    }
    else
        d.rect(g.x, g.y, g.w, g.h, rgb(0xb8c2cf));
    const Rect sb = statusBar();
    d.rect(sb.x, sb.y, sb.w, sb.h, kBarBg);
    d.line(P(sb.x, sb.y + 0.5), P(sb.x + sb.w, sb.y + 0.5), 1, rgb(0xb9c3d0));
    t.add("Unités : mm", sb.x + sb.w - 70, sb.y + 13, kSmallFont, kGreyInk);
}

void drawIcon(Drawing& d, const std::string& id, double x, double y)
{
    const double cx = x + 10, cy = y + 10;
    auto cubeIcon = [&](int style) {
        // 0 wire, 1 hidden visible, 2 hidden removed, 3 shaded, 4 shaded with edges, 5 plain
        const Rgba top = style == 3 || style == 4 ? rgb(0xb9d1f0) : kWhite;
        const Rgba left = style == 3 || style == 4 ? rgb(0x86a8d6) : kWhite;
        const Rgba right = style == 3 || style == 4 ? rgb(0x5f84bb) : kWhite;
        if (style == 0 || style == 1) {
            const double s = 7;
            d.polyline({P(cx, cy - s), P(cx + s * .87, cy - s * .5), P(cx + s * .87, cy + s * .5), P(cx, cy + s),
                        P(cx - s * .87, cy + s * .5), P(cx - s * .87, cy - s * .5)}, 1, kIconInk, true);
            d.polyline({P(cx - s * .87, cy - s * .5), P(cx, cy), P(cx + s * .87, cy - s * .5)}, 1, kIconInk);
            d.line(P(cx, cy), P(cx, cy + s), 1, kIconInk);
            const Rgba hid = style == 1 ? rgb(0xa0a8b4) : kIconInk;
            d.polyline({P(cx - s * .87, cy + s * .5), P(cx, cy), P(cx + s * .87, cy + s * .5)}, 0.8, hid);
            d.line(P(cx, cy), P(cx, cy - s), 0.8, hid);
            return;
        }
        cube(d, cx, cy, 7, top, left, right, style == 3 ? 0 : 1, kIconInk);
    };
    auto magnifier = [&] {
        d.ring(P(x + 8, y + 8), 5, 1.6, kIconInk);
        d.line(P(x + 11.5, y + 11.5), P(x + 17, y + 17), 2.4, kIconInk);
    };
    if (id == "nouveau") {
        Element& e = d.polygon({P(x + 5, y + 3), P(x + 12, y + 3), P(x + 15, y + 6), P(x + 15, y + 17), P(x + 5, y + 17)}, kWhite);
        e.lineWidth = 1, e.line = kIconInk;
        d.polyline({P(x + 12, y + 3), P(x + 12, y + 6), P(x + 15, y + 6)}, 1, kIconInk);
    } else if (id == "ouvrir") {
        Element& e = d.polygon({P(x + 3, y + 6), P(x + 8, y + 6), P(x + 9, y + 7.5), P(x + 16, y + 7.5), P(x + 16, y + 16), P(x + 3, y + 16)}, kYellow);
        e.lineWidth = 1, e.line = rgb(0x8a6a1a);
    } else if (id == "enregistrer") {
        d.roundRect(x + 4, y + 4, 12, 12, 1.5, kBlue);
        d.rect(x + 6.5, y + 4.5, 7, 4, kWhite);
        d.rect(x + 6, y + 11, 8, 5, rgb(0xdfe9f6));
    } else if (id == "imprimer") {
        d.rect(x + 6, y + 3.5, 8, 5, kWhite).lineWidth = 0;
        d.rectOutline(x + 6, y + 3.5, 8, 5, 1, kIconInk);
        d.roundRect(x + 3, y + 8, 14, 6, 1.5, rgb(0x8792a2));
        d.rect(x + 6, y + 12, 8, 5, kWhite);
        d.rectOutline(x + 6, y + 12, 8, 5, 1, kIconInk);
    } else if (id == "annuler" || id == "refaire") {
        const double s = id == "annuler" ? 1 : -1;
        std::vector<Pt> arc;
        for (int i = 0; i <= 6; ++i) {
            const double a = 3.14159 * (1.0 + i / 6.0);
            arc.push_back(P(cx + s * 5 * std::cos(a) * -1, cy + 2 + 5 * std::sin(a)));
        }
        d.polyline(arc, 2, kBlue);
        const Pt tip = arc.back();
        d.polygon({P(tip.x - s * 3.5, tip.y - 1), P(tip.x + s * 2.5, tip.y - 1), P(tip.x - s * 0.5, tip.y + 4)}, kBlue);
    } else if (id == "reconstruire") {
        d.circle(P(cx, cy), 6.5, kGreen);
        d.polygon({P(cx - 3, cy - 3), P(cx + 4, cy), P(cx - 3, cy + 3)}, kWhite);
    } else if (id == "ajuster") {
        magnifier();
        d.rectOutline(x + 5.5, y + 5.5, 5, 5, 0.9, kBlue);
    } else if (id == "zoomzone") {
        magnifier();
        d.line(P(x + 5.5, y + 8), P(x + 10.5, y + 8), 1.2, kBlue);
        d.line(P(x + 8, y + 5.5), P(x + 8, y + 10.5), 1.2, kBlue);
    } else if (id == "rotation") {
        std::vector<Pt> arc;
        for (int i = 0; i <= 10; ++i) {
            const double a = 0.5 + 5.0 * i / 10;
            arc.push_back(P(cx + 6.5 * std::cos(a), cy + 4 * std::sin(a)));
        }
        d.polyline(arc, 1.6, kBlue);
        d.polygon({P(arc.back().x - 1, arc.back().y - 3), P(arc.back().x + 3, arc.back().y), P(arc.back().x - 1, arc.back().y + 3)}, kBlue);
        d.circle(P(cx, cy), 2, kIconInk);
    } else if (id == "vues") {
        cubeIcon(5);
        d.polygon({P(cx, cy - 7), P(cx + 6.1, cy - 3.5), P(cx, cy), P(cx - 6.1, cy - 3.5)}, kLightBlue);
    } else if (id == "filaire") cubeIcon(0);
    else if (id == "lcv") cubeIcon(1);
    else if (id == "lcs") cubeIcon(2);
    else if (id == "ombre") cubeIcon(3);
    else if (id == "ombrearetes") cubeIcon(4);
    else if (id == "esquisse") {
        d.rectOutline(x + 3.5, y + 5.5, 11, 10, 1, kBlue);
        d.polygon({P(x + 9, y + 14), P(x + 16, y + 4), P(x + 18, y + 5.5), P(x + 11, y + 15.5), P(x + 8.5, y + 16.5)}, kYellow).lineWidth = 0;
        d.polyline({P(x + 9, y + 14), P(x + 16, y + 4), P(x + 18, y + 5.5), P(x + 11, y + 15.5), P(x + 8.5, y + 16.5)}, 0.8, kIconInk, true);
    } else if (id == "ligne") {
        d.line(P(x + 4, y + 15), P(x + 16, y + 5), 1.6, kBlue);
        d.circle(P(x + 4, y + 15), 1.8, kIconInk);
        d.circle(P(x + 16, y + 5), 1.8, kIconInk);
    } else if (id == "rectangle") {
        d.rectOutline(x + 4, y + 5.5, 12, 9, 1.6, kBlue);
    } else if (id == "cercle") {
        d.ring(P(cx, cy), 6, 1.6, kBlue);
        d.circle(P(cx, cy), 1.3, kIconInk);
    } else if (id == "arc") {
        std::vector<Pt> a;
        for (int i = 0; i <= 8; ++i) {
            const double t = 3.14159 * (1 + i / 8.0);
            a.push_back(P(cx + 6.5 * std::cos(t), cy + 4 + 6.5 * std::sin(t)));
        }
        d.polyline(a, 1.6, kBlue);
    } else if (id == "cotation") {
        d.line(P(x + 3, y + 12), P(x + 17, y + 12), 1, kIconInk);
        d.polygon({P(x + 3, y + 12), P(x + 7, y + 10), P(x + 7, y + 14)}, kIconInk);
        d.polygon({P(x + 17, y + 12), P(x + 13, y + 10), P(x + 13, y + 14)}, kIconInk);
        d.line(P(x + 3, y + 6), P(x + 3, y + 16), 1, kIconInk);
        d.line(P(x + 17, y + 6), P(x + 17, y + 16), 1, kIconInk);
        d.rect(x + 7.5, y + 4.5, 5, 3, kRed);
    } else if (id == "extrusion") {
        cube(d, cx, cy + 2, 6, rgb(0xf0c070), rgb(0xd9912f), rgb(0xb8721c), 0.8, kIconInk);
        d.line(P(cx, cy - 3), P(cx, cy - 9), 1.4, kGreen);
        d.polygon({P(cx - 2.5, cy - 7), P(cx, cy - 10), P(cx + 2.5, cy - 7)}, kGreen);
    } else if (id == "revolution") {
        Element& e = d.polygon({P(x + 6, y + 5), P(x + 14, y + 5), P(x + 14, y + 15), P(x + 6, y + 15)}, rgb(0xf0c070));
        e.lineWidth = 0.8, e.line = kIconInk;
        std::vector<Pt> a;
        for (int i = 0; i <= 8; ++i) {
            const double t = 0.3 + 2.6 * i / 8;
            a.push_back(P(cx + 8 * std::cos(t), cy + 2.5 * std::sin(t)));
        }
        d.polyline(a, 1.3, kGreen);
    } else if (id == "enlevement" || id == "enlrev") {
        cube(d, cx, cy + 1, 7, rgb(0xf0c070), rgb(0xd9912f), rgb(0xb8721c), 0.8, kIconInk);
        if (id == "enlevement")
            d.polygon({P(cx - 2.5, cy - 5.5), P(cx + 2.5, cy - 3), P(cx, cy - 1.5), P(cx - 5, cy - 4)}, kRed);
        else
            d.circle(P(cx, cy - 3.5), 2.5, kRed);
    } else if (id == "percage") {
        cube(d, cx, cy + 1, 7, rgb(0xe8ecf2), rgb(0xb7c2d0), rgb(0x95a3b6), 0.8, kIconInk);
        Element& e = d.circle(P(cx, cy - 3.5), 2.6, rgb(0x2e3b4c));
        (void)e;
        d.line(P(cx, cy - 10), P(cx, cy - 3.5), 1.2, kRed);
    } else if (id == "conge" || id == "chanfrein") {
        std::vector<Pt> p{P(x + 4, y + 16), P(x + 4, y + 4)};
        if (id == "conge")
            for (int i = 0; i <= 6; ++i) {
                const double a = 3.14159 * (1.5 + i / 12.0);
                p.push_back(P(x + 10 + 6 * std::cos(a) + 0, y + 10 + 6 * std::sin(a)));
            }
        else {
            p.push_back(P(x + 10, y + 4));
            p.push_back(P(x + 16, y + 10));
        }
        p.push_back(P(x + 16, y + 16));
        Element& e = d.polygon(p, rgb(0xf0c070));
        e.lineWidth = 1, e.line = kIconInk;
    } else if (id == "coque") {
        cube(d, cx, cy + 1, 7, rgb(0xf0c070), rgb(0xd9912f), rgb(0xb8721c), 0.8, kIconInk);
        d.polygon({P(cx, cy - 4.2), P(cx + 4.2, cy - 6), P(cx, cy - 3.6 - 4.2), P(cx - 4.2, cy - 6)}, rgb(0x8a5a1a));
    }
}

void drawToolbar(Drawing& d, const std::string& bar, const std::string& hover, const std::set<std::string>& pressed)
{
    Rect r;
    if (!toolbarRect(bar, r))
        return;
    Element& e = d.roundRect(r.x, r.y, r.w, r.h, 3, rgb(0xf3f5f8));
    e.lineWidth = 1, e.line = rgb(0xc3ccd8);
    for (int i = 0; i < 4; ++i)
        d.circle(P(r.x + 4, r.y + 5 + i * 4), 0.9, rgb(0x9aa5b4));
    for (const ToolDef& t : tools()) {
        if (t.bar != bar)
            continue;
        Rect b;
        toolRect(t.id, b);
        if (pressed.count(t.id)) {
            Element& p = d.roundRect(b.x, b.y, b.w, b.h, 2, rgb(0xc7d9f2));
            p.lineWidth = 1, p.line = rgb(0x5d8fcf);
        } else if (t.id == hover) {
            Element& h = d.roundRect(b.x, b.y, b.w, b.h, 2, rgb(0xfff1c9));
            h.lineWidth = 1, h.line = rgb(0xe0a830);
        }
        drawIcon(d, t.id, b.x, b.y);
    }
}

namespace {
constexpr double kTreeTop = 98, kTreeRow = 19;
// Left edge of the tree's rows and x of the line joining them.
double treeLeft() { return treePanel().x + 6; }
double treeTrunk() { return treePanel().x + 10; }
double treeIndent(const TreeItem& it) { return it.icon == "part" ? 0 : 12; }

void treeIcon(Drawing& d, const std::string& icon, double x, double y)
{
    if (icon == "part")
        cube(d, x + 6, y + 6, 5, rgb(0xf0c070), rgb(0xd9912f), rgb(0xb8721c), 0.6, kIconInk);
    else if (icon == "plane") {
        Element& e = d.polygon({P(x + 1, y + 9), P(x + 5, y + 2), P(x + 12, y + 2), P(x + 8, y + 9)}, rgb(0xd6e5f6));
        e.lineWidth = 0.9, e.line = kBlue;
    } else if (icon == "origin") {
        d.line(P(x + 2, y + 10), P(x + 11, y + 10), 1.2, kRed);
        d.line(P(x + 2, y + 10), P(x + 2, y + 1), 1.2, kGreen);
        d.circle(P(x + 2, y + 10), 1.5, kIconInk);
    } else if (icon == "sketch") {
        d.rectOutline(x + 1.5, y + 2.5, 9, 8, 1, kBlue);
        d.line(P(x + 4, y + 10), P(x + 11, y + 1), 1.2, kIconInk);
    } else {
        cube(d, x + 6, y + 6, 5, rgb(0xb9d1f0), rgb(0x86a8d6), rgb(0x5f84bb), 0.6, kIconInk);
    }
}
}  // namespace

bool treeItemRect(const std::vector<TreeItem>& items, const std::string& name, Rect& out)
{
    for (std::size_t i = 0; i < items.size(); ++i)
        if (items[i].name == name) {
            const double ind = treeIndent(items[i]);
            out = {treeLeft() + ind, kTreeTop + kTreeRow * double(i), 30 + textW(name, kMenuFont) - 10, 17};
            return true;
        }
    return false;
}

void drawTree(Drawing& d, TextBlock& t, const std::vector<TreeItem>& items, const std::string& selected)
{
    for (std::size_t i = 0; i < items.size(); ++i) {
        const TreeItem& it = items[i];
        const double y = kTreeTop + kTreeRow * double(i), ind = treeIndent(it);
        if (it.name == selected) {
            Element& e = d.rect(treeLeft() + ind + 15, y, textW(it.name, kMenuFont) + 6, 17, kSelect);
            e.lineWidth = 1, e.line = kSelectEdge;
        }
        if (ind > 0)
            d.line(P(treeTrunk(), y + 8.5), P(treeLeft() + ind, y + 8.5), 0.8, rgb(0xb5bfcc));
        treeIcon(d, it.icon, treeLeft() + ind + 1, y + 3);
        t.add(it.name, treeLeft() + ind + 18, y + 13, kMenuFont, kInk, it.icon == "part");
    }
    if (items.size() > 1)
        d.line(P(treeTrunk(), kTreeTop + 17), P(treeTrunk(), kTreeTop + kTreeRow * double(items.size() - 1) + 8.5), 0.8, rgb(0xb5bfcc));
}

namespace {
constexpr double kItemH = 19, kSepH = 7;
}

Rect menuBox(const Menu& m)
{
    double w = 0, h = 6;
    for (const std::string& it : m.items) {
        if (it == "-") {
            h += kSepH;
            continue;
        }
        const std::string label = !it.empty() && it[0] == '+' ? it.substr(1) : it;
        w = std::max(w, textW(label, kMenuFont));
        h += kItemH;
    }
    Pt at = m.at;
    if (!m.title.empty()) {
        Rect r;
        menuTitleRect(m.title, r);
        at = {r.x, 42};
    }
    return {at.x, at.y, w + 48, h};
}

bool menuItemRect(const Menu& m, const std::string& item, Rect& out)
{
    const Rect b = menuBox(m);
    double y = b.y + 3;
    for (const std::string& it : m.items) {
        if (it == "-") {
            y += kSepH;
            continue;
        }
        const std::string label = !it.empty() && it[0] == '+' ? it.substr(1) : it;
        if (label == item || it == item) {
            out = {b.x + 3, y, b.w - 6, kItemH};
            return true;
        }
        y += kItemH;
    }
    return false;
}

void drawMenu(Drawing& d, TextBlock& t, const Menu& m, Pt pointer)
{
    const Rect b = menuBox(m);
    if (!m.title.empty()) {
        Rect r;
        menuTitleRect(m.title, r);
        Element& e = d.rect(r.x, r.y + 1, r.w, r.h - 1, kSelect);
        e.lineWidth = 1, e.line = kSelectEdge;
    }
    d.rect(b.x + 3, b.y + 3, b.w, b.h, rgb(0x000000, 45));
    Element& e = d.rect(b.x, b.y, b.w, b.h, kWhite);
    e.lineWidth = 1, e.line = rgb(0x8a99ad);
    d.rect(b.x + 1, b.y + 1, 24, b.h - 2, rgb(0xeef1f5));
    double y = b.y + 3;
    for (const std::string& it : m.items) {
        if (it == "-") {
            d.line(P(b.x + 28, y + 3.5), P(b.x + b.w - 6, y + 3.5), 1, rgb(0xc9d0da));
            y += kSepH;
            continue;
        }
        const bool checked = !it.empty() && it[0] == '+';
        const std::string label = checked ? it.substr(1) : it;
        const Rect r{b.x + 3, y, b.w - 6, kItemH};
        if (r.contains(pointer)) {
            Element& h = d.rect(r.x, r.y, r.w, r.h, kSelect);
            h.lineWidth = 1, h.line = kSelectEdge;
        }
        if (checked)
            d.polyline({P(b.x + 8, y + 10), P(b.x + 11, y + 13.5), P(b.x + 17, y + 5.5)}, 1.8, kInk);
        t.add(label, b.x + 30, y + 13.5, kMenuFont, kInk);
        y += kItemH;
    }
}

namespace {
constexpr double kDlgTitleH = 22;

double fieldHeight(const Field& f)
{
    if (f.kind == "check") return 20;
    if (f.kind == "info") return 30;
    if (f.kind == "section") return 22;
    return 38;
}

Rect dialogFrame(const Dialog& g, double& fieldsTop)
{
    double h = kDlgTitleH + 8;
    if (g.buttons.empty())
        h += 28;
    fieldsTop = h;
    for (const Field& f : g.fields)
        h += fieldHeight(f);
    if (!g.buttons.empty())
        h += 34;
    h += 6;
    if (g.centred) {
        const Rect ga = graphicsArea();
        const double w = 340;
        // Centred above the band the animation time line may take.
        const double room = ga.h - 74;
        return {ga.x + (ga.w - w) / 2, std::max(ga.y + 8, ga.y + (room - h) / 2), w, h};
    }
    const Rect tp = treePanel();
    return {tp.x + 2, tp.y + 2, tp.w - 4, std::max(h, 120.0)};
}
}  // namespace

Rect dialogBox(const Dialog& g)
{
    double top;
    return dialogFrame(g, top);
}

bool dialogFieldRect(const Dialog& g, const std::string& label, Rect& out)
{
    double top;
    const Rect b = dialogFrame(g, top);
    double y = b.y + top;
    for (const Field& f : g.fields) {
        if (f.label == label) {
            if (f.kind == "check")
                out = {b.x + 10, y + 3, 12, 12};
            else
                out = {b.x + 10, y + 15, b.w - 20, 18};
            return true;
        }
        y += fieldHeight(f);
    }
    return false;
}

bool dialogButtonRect(const Dialog& g, const std::string& label, Rect& out)
{
    double top;
    const Rect b = dialogFrame(g, top);
    if (g.buttons.empty()) {
        if (label == "OK")
            out = {b.x + 10, b.y + kDlgTitleH + 6, 64, 22};
        else if (label == "Annuler")
            out = {b.x + 82, b.y + kDlgTitleH + 6, 74, 22};
        else
            return false;
        return true;
    }
    double x = b.x + b.w - 10;
    for (auto it = g.buttons.rbegin(); it != g.buttons.rend(); ++it) {
        const double w = std::max(64.0, textW(*it, kMenuFont) + 20);
        x -= w;
        if (*it == label) {
            out = {x, b.y + b.h - 34, w, 24};
            return true;
        }
        x -= 8;
    }
    return false;
}

void drawDialog(Drawing& d, TextBlock& t, const Dialog& g, Pt pointer, bool caretOn)
{
    double top;
    const Rect b = dialogFrame(g, top);
    d.rect(b.x + 3, b.y + 3, b.w, b.h, rgb(0x000000, 50));
    Element& e = d.rect(b.x, b.y, b.w, b.h, rgb(0xf6f8fb));
    e.lineWidth = 1, e.line = rgb(0x6f819a);
    d.vgradientRect(b.x, b.y, b.w, kDlgTitleH, rgb(0x4f79a8), rgb(0x3c6090));
    t.add(g.title, b.x + 8, b.y + 15, kMenuFont, kWhite, true);
    auto button = [&](const std::string& label, bool primary) {
        Rect r;
        if (!dialogButtonRect(g, label, r))
            return;
        const bool hot = r.contains(pointer);
        Element& be = d.roundRect(r.x, r.y, r.w, r.h, 3, hot ? rgb(0xfff1c9) : rgb(0xe9edf3));
        be.lineWidth = 1, be.line = hot ? rgb(0xe0a830) : rgb(0x8a99ad);
        double tx = r.x + (r.w - textW(label, kMenuFont)) / 2;
        if (g.buttons.empty()) {
            // The panel's buttons carry a mark: a tick for OK, a cross for Annuler.
            if (primary)
                d.polyline({P(r.x + 8, r.y + 11), P(r.x + 11.5, r.y + 15), P(r.x + 17, r.y + 7)}, 2, kGreen);
            else {
                d.line(P(r.x + 8, r.y + 7), P(r.x + 15, r.y + 15), 2, kRed);
                d.line(P(r.x + 15, r.y + 7), P(r.x + 8, r.y + 15), 2, kRed);
            }
            tx = r.x + 22;
        }
        t.add(label, tx, r.y + r.h / 2 + 4, kMenuFont, kInk, primary);
    };
    if (g.buttons.empty()) {
        button("OK", true);
        button("Annuler", false);
    } else {
        for (std::size_t i = 0; i < g.buttons.size(); ++i)
            button(g.buttons[i], i + 1 == g.buttons.size());
    }
    double y = b.y + top;
    for (const Field& f : g.fields) {
        if (f.kind == "section") {
            d.rect(b.x + 6, y + 2, b.w - 12, 17, rgb(0xdde5f0));
            t.add(f.label, b.x + 10, y + 14.5, kSmallFont, kInk, true);
        } else if (f.kind == "check") {
            Element& c = d.rect(b.x + 10, y + 3, 12, 12, kWhite);
            c.lineWidth = 1, c.line = rgb(0x6f819a);
            if (f.value == "on")
                d.polyline({P(b.x + 12, y + 9), P(b.x + 15, y + 12.5), P(b.x + 20.5, y + 5.5)}, 1.8, kInk);
            t.add(f.label, b.x + 28, y + 13.5, kSmallFont, kInk);
        } else if (f.kind == "info") {
            layoutParagraph(t, {RichPiece{f.label, false, kGreyInk}}, b.x + 10, y + 11, b.w - 20, kSmallFont, 12);
        } else {
            t.add(f.label, b.x + 10, y + 11, kSmallFont, kGreyInk);
            const Rect r{b.x + 10, y + 15, b.w - 20, 18};
            const bool focus = f.label == g.focus;
            Element& box = d.rect(r.x, r.y, r.w, r.h, kWhite);
            box.lineWidth = focus ? 1.6 : 1;
            box.line = focus ? kBlue : rgb(0x9aa7b8);
            t.add(f.value, r.x + 5, r.y + 13, kMenuFont, kInk);
            if (f.kind == "choice") {
                d.rect(r.x + r.w - 16, r.y + 1, 15, r.h - 2, rgb(0xe9edf3));
                d.polygon({P(r.x + r.w - 12, r.y + 7), P(r.x + r.w - 5, r.y + 7), P(r.x + r.w - 8.5, r.y + 11.5)}, kIconInk);
            } else if (focus && caretOn) {
                const double cx = r.x + 6 + textW(f.value, kMenuFont);
                d.line(P(cx, r.y + 3), P(cx, r.y + r.h - 3), 1, kInk);
            }
        }
        y += fieldHeight(f);
    }
}

void drawCaption(Drawing& d, TextBlock& t, int step, const std::string& text)
{
    const Rect r = captionRect();
    Element& e = d.roundRect(r.x, r.y, r.w, r.h, 8, rgb(0xfff6dc));
    e.lineWidth = 1.5, e.line = rgb(0xe3a53b);
    d.circle(P(r.x + 21, r.y + r.h / 2), 13, kAccent);
    char num[8];
    std::snprintf(num, sizeof num, "%d", step);
    const double nw = textW(num, 14, true);
    t.add(num, r.x + 21 - nw / 2, r.y + r.h / 2 + 5, 14, kWhite, true);
    const std::vector<RichPiece> pieces{{"Étape " + std::string(num) + " : ", true, rgb(0xb3560f)},
                                        {text, false, kInk}};
    // Two lines fit the callout: a caption that would wrap to a third is set
    // a little smaller until it fits in two.
    const double x = r.x + 44, w = r.w - 54;
    double size = 13, lh = 15.5;
    int lines = 0;
    for (;;) {
        TextBlock probe;
        lines = layoutParagraph(probe, pieces, x, 0, w, size, lh);
        if (lines <= 2 || size <= 10.5)
            break;
        size -= 0.5;
        lh = size * 1.2;
    }
    const double first = r.y + r.h / 2 + size * 4.5 / 13 - (lines - 1) * lh / 2;
    layoutParagraph(t, pieces, x, first, w, size, lh);
}

namespace {
void cardBackground(Drawing& d)
{
    // Solid bands rather than a gradient: far cheaper to paint every frame.
    const Rgba bands[] = {rgb(0x2b4a72), rgb(0x30517b), rgb(0x355884), rgb(0x3a5f8c), rgb(0x3f6694), rgb(0x446d9c)};
    // The card covers the safe area only: the screen's background shows beside it.
    const Rect s = safeArea();
    const double bottom = 462, h = (bottom - s.y) / 6;
    for (int i = 0; i < 6; ++i)
        d.rect(s.x, s.y + i * h, s.w, h + (i < 5 ? 0.5 : 0), bands[i]);
    // Thin rules every 120 px, placed symmetrically about the card's middle.
    const double mid = s.x + s.w / 2;
    for (double x = mid - 60 - 120 * std::floor((s.w / 2 - 60) / 120); x < s.x + s.w - 1; x += 120)
        if (x > s.x + 1)
            d.line(P(x, s.y + 0.3), P(x, bottom - 0.3), 0.6, rgb(0x5677a0));
}
}  // namespace

void drawTitleCard(Drawing& d, TextBlock& t, const std::string& title, const std::string& subtitle)
{
    cardBackground(d);
    const Rect s = safeArea();
    const double mid = s.x + s.w / 2;
    cube(d, mid, 128, 34, rgb(0xf6b04a), rgb(0xd9782a), rgb(0xb85d1c), 1.5, rgb(0x5a2f0c));
    const std::string kicker = "Tarvik · Leçon";
    t.add(kicker, mid - textW(kicker, 14) / 2, 206, 14, rgb(0xf6c27a));
    const int tl = layoutParagraph(t, {RichPiece{title, true, kWhite}}, s.x + 14, 252, s.w - 28, 30, 36, true);
    double y = 252 + (tl - 1) * 36 + 20;
    d.line(P(mid - 60, y), P(mid + 60, y), 2, kAccent);
    if (!subtitle.empty())
        layoutParagraph(t, {RichPiece{subtitle, false, rgb(0xd8e4f2)}}, s.x + 34, y + 34, s.w - 68, 16, 21, true);
}

void drawSummaryCard(Drawing& d, TextBlock& t, const std::vector<std::string>& lines)
{
    cardBackground(d);
    const double left = safeArea().x + 44;
    const std::string head = "À retenir :";
    t.add(head, left, 92, 24, kWhite, true);
    d.line(P(left, 104), P(left + textW(head, 24, true), 104), 2, kAccent);
    double y = 146;
    for (const std::string& l : lines) {
        d.circle(P(left + 8, y - 5), 4.5, kAccent);
        TextBlock tb;
        const int n = layoutParagraph(tb, {RichPiece{l, false, kWhite}}, left + 24, y, 520, 16, 21);
        t.append(tb);
        y += n * 21 + 14;
    }
}

void drawStatus(TextBlock& t, const std::string& text)
{
    const Rect sb = statusBar();
    t.add(text, sb.x + 8, sb.y + 13, kSmallFont, rgb(0x3b4756));
}

void drawTooltip(Drawing& d, TextBlock& t, const std::string& text, Pt at)
{
    const double w = textW(text, kSmallFont) + 12;
    double x = std::min(at.x + 10, windowRect().x + windowRect().w - w - 4);
    Element& e = d.rect(x, at.y + 20, w, 17, rgb(0xfffbe0));
    e.lineWidth = 1, e.line = rgb(0x8a7a4a);
    t.add(text, x + 6, at.y + 32, kSmallFont, kInk);
}

void drawNote(Drawing& d, TextBlock& t, const std::string& text, const Rect& r)
{
    // The frame hugs the area, but a full-width band's frame is pulled in to
    // stay (with its 2.5 px line) inside the safe area.
    const Rect s = safeArea();
    const double fx0 = std::max(r.x - 2, s.x + 1.25), fx1 = std::min(r.x + r.w + 2, s.x + s.w - 1.25);
    Element& e = d.roundRect(fx0, r.y - 2, fx1 - fx0, r.h + 4, 4, rgb(0xe07a1f, 28));
    e.lineWidth = 2.5, e.line = kAccent;
    const double w = textW(text, 12, true) + 18, h = 22;
    const Rect win = windowRect();
    double x = std::clamp(r.x + r.w / 2 - w / 2, win.x + 4, win.x + win.w - w - 4);
    double y = r.y + r.h + 8;
    if (y + h > win.y + win.h - 4)
        y = r.y - h - 8;
    if (r.h > 150)  // a tall area: the label sits inside it, near the bottom
        y = r.y + r.h - h - 40;
    // A label for anything but the tree itself keeps off the tree's rows: one
    // that would land on them moves right, into the graphics area.
    const Rect tp = treePanel();
    const bool forTree = r.x >= tp.x - 1 && r.x + r.w <= tp.x + tp.w + 1 && r.y >= tp.y - 1;
    if (!forTree && x < tp.x + tp.w && y + h > tp.y && y < tp.y + tp.h)
        x = std::min(tp.x + tp.w + 8, win.x + win.w - w - 4);
    d.roundRect(x + 2, y + 2, w, h, 5, rgb(0x000000, 50));
    d.roundRect(x, y, w, h, 5, kAccent);
    t.add(text, x + 9, y + 15.5, 12, kWhite, true);
}

Rect desktopIconRect() { return {windowRect().x + 24, 40, 60, 62}; }

void drawDesktop(Drawing& d, TextBlock& t)
{
    const Rect w = windowRect();
    d.vgradientRect(w.x, w.y, w.w, w.h, rgb(0x2f7888), rgb(0x1b4655));
    d.rect(w.x, w.y + w.h - 22, w.w, 22, rgb(0x15232e));
    d.roundRect(w.x + 4, w.y + w.h - 19, 16, 16, 3, rgb(0x3d7cc9));
    t.add("Bureau", w.x + 28, w.y + w.h - 7, kSmallFont, rgb(0xc9d6e3));
    const Rect ic = desktopIconRect();
    cube(d, ic.x + ic.w / 2, ic.y + 24, 17, rgb(0xf6b04a), rgb(0xd9782a), rgb(0xb85d1c), 1, rgb(0x5a2f0c));
    const std::string label = "Tarvik";
    t.add(label, ic.x + (ic.w - textW(label, 11, true)) / 2, ic.y + 58, 11, kWhite, true);
}

Rect timelineRect()
{
    const Rect g = graphicsArea();
    return {g.x + 4, g.y + g.h - 70, g.w - 8, 66};
}

Rect timelinePlayButton()
{
    const Rect r = timelineRect();
    return {r.x + r.w - 22, r.y + 1, 18, 14};
}

Rect timelineWizardButton()
{
    const Rect r = timelineRect();
    return {r.x + r.w - 96, r.y + 1, 70, 14};
}

// The scale runs from after the track names to short of the right edge, so
// that the label of its last second stays clear of the buttons above it.
double timelineX(double s, double length)
{
    const Rect r = timelineRect();
    return r.x + 70 + (r.w - 106) * std::clamp(s / std::max(length, 1.0), 0.0, 1.0);
}

double timelineScaleY() { return timelineRect().y + 33; }
double timelineKeyY() { return timelineScaleY() + 16; }

void drawTimeline(Drawing& d, TextBlock& t, const std::vector<double>& keys, double playhead, double length)
{
    const Rect r = timelineRect();
    Element& e = d.rect(r.x, r.y, r.w, r.h, rgb(0xffffff, 235));
    e.lineWidth = 1, e.line = rgb(0x8a99ad);
    d.rect(r.x, r.y, r.w, 16, rgb(0xe4e8ee));
    t.add("Animation", r.x + 6, r.y + 12, kSmallFont, kInk, true);
    const Rect pb = timelinePlayButton(), wb = timelineWizardButton();
    Element& pe = d.roundRect(pb.x, pb.y, pb.w, pb.h, 2, rgb(0xf6f8fb));
    pe.lineWidth = 1, pe.line = rgb(0x8a99ad);
    d.polygon({P(pb.x + 6, pb.y + 3), P(pb.x + 13, pb.y + 7), P(pb.x + 6, pb.y + 11)}, kGreen);
    Element& we = d.roundRect(wb.x, wb.y, wb.w, wb.h, 2, rgb(0xf6f8fb));
    we.lineWidth = 1, we.line = rgb(0x8a99ad);
    t.add("Assistant...", wb.x + 6, wb.y + 11, 9, kInk);
    // Second labels sit under the header strip and its buttons, ticks under them.
    const double y0 = timelineScaleY();
    d.line(P(timelineX(0, length), y0), P(timelineX(length, length), y0), 1, kLine);
    for (int s = 0; s <= int(length); ++s) {
        const double x = timelineX(s, length);
        d.line(P(x, y0 - (s % 2 ? 3 : 6)), P(x, y0), 1, kLine);
        if (s % 2 == 0) {
            char buf[16];
            std::snprintf(buf, sizeof buf, "%d s", s);
            t.add(buf, x - textW(buf, 9) / 2, y0 - 9, 9, kGreyInk);
        }
    }
    t.add("Pièce1", r.x + 8, y0 + 20, kSmallFont, kInk);
    const double ky = timelineKeyY();
    d.line(P(timelineX(0, length), ky), P(timelineX(length, length), ky), 4, rgb(0xdde5f0));
    for (double k : keys) {
        const double x = timelineX(k, length);
        Element& dia = d.polygon({P(x, ky - 6), P(x + 6, ky), P(x, ky + 6), P(x - 6, ky)}, kYellow);
        dia.lineWidth = 1, dia.line = rgb(0x8a6a1a);
    }
    const double px = timelineX(playhead, length);
    // The cursor's head sits between the second labels and the scale, so it
    // never covers a label.
    d.line(P(px, r.y + 26), P(px, r.y + r.h - 3), 1.6, kRed);
    d.polygon({P(px - 4.5, r.y + 25), P(px + 4.5, r.y + 25), P(px, r.y + 31)}, kRed);
}

Drawing pointerShape()
{
    Drawing d;
    Element& e = d.polygon({P(0, 0), P(0, 17), P(4, 13.2), P(6.8, 19.6), P(9.6, 18.4), P(6.9, 12.2), P(12.2, 12.2)},
                           kWhite);
    e.lineWidth = 1.2;
    e.line = rgb(0x111111);
    return d;
}

Drawing rippleShape()
{
    Drawing d;
    d.ring(P(0, 0), 10, 2.5, kAccent);
    d.circle(P(0, 0), 4, rgb(0xe07a1f, 120));
    return d;
}

}  // namespace lessons::ui
