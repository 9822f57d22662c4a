#include "lessons/kit/ui.h"
#include "lessons/kit/ui_style.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace lessons::ui {

Rect safeArea() { return {36, 0, 633, 464}; }

// The window sits in the safe area with room for its 1 px frame on the left
// and its 2 px shadow on the right; its bands keep their heights.
Rect windowRect() {
    const Rect s = safeArea();
    return {s.x + 1, 4, s.w - 4, 410};
}
Rect titleBar() { return {windowRect().x, 4, windowRect().w, 20}; }
Rect menuBar() { return {windowRect().x, 24, windowRect().w, 18}; }
Rect toolbarArea() { return {windowRect().x, 42, windowRect().w, 50}; }
Rect treePanel() { return {windowRect().x, 92, 170, 304}; }
Rect graphicsArea() {
    const Rect w = windowRect(), t = treePanel();
    return {t.x + t.w + 1, 92, w.x + w.w - (t.x + t.w + 1), 304};
}
Rect statusBar() { return {windowRect().x, 396, windowRect().w, 18}; }
Rect captionRect() { return {windowRect().x + 6, 419, windowRect().w - 12, 40}; }

bool areaByName(const std::string& n, Rect& out) {
    if (n == "title")
        out = titleBar();
    else if (n == "menubar")
        out = menuBar();
    else if (n == "toolbars")
        out = toolbarArea();
    else if (n == "tree")
        out = treePanel();
    else if (n == "graphics")
        out = graphicsArea();
    else if (n == "status")
        out = statusBar();
    else if (n == "caption")
        out = captionRect();
    else
        return false;
    return true;
}

const std::vector<std::string>& menuTitles() {
    static const std::vector<std::string> t{"Fichier", "Édition", "Affichage", "Insertion", "Outils", "Fenêtre", "?"};
    return t;
}

bool menuTitleRect(const std::string& title, Rect& out) {
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

const std::vector<ToolbarDef>& toolbars() {
    static const std::vector<ToolbarDef> b{{"standard", "Standard", 0},
                                           {"affichage", "Affichage", 0},
                                           {"esquisse", "Esquisse", 1},
                                           {"fonctions", "Fonctions", 1}};
    return b;
}

const std::vector<ToolDef>& tools() {
    static const std::vector<ToolDef> t{{"nouveau", "Nouveau", "standard"},
                                        {"ouvrir", "Ouvrir", "standard"},
                                        {"enregistrer", "Enregistrer", "standard"},
                                        {"imprimer", "Imprimer", "standard"},
                                        {"annuler", "Annuler", "standard"},
                                        {"refaire", "Rétablir", "standard"},
                                        {"reconstruire", "Reconstruire", "standard"},
                                        {"ajuster", "Zoom au mieux", "affichage"},
                                        {"zoomzone", "Zoom fenêtre", "affichage"},
                                        {"rotation", "Rotation de la vue", "affichage"},
                                        {"vues", "Orientation de la vue", "affichage"},
                                        {"filaire", "Filaire", "affichage"},
                                        {"lcv", "Lignes cachées apparentes", "affichage"},
                                        {"lcs", "Lignes cachées supprimées", "affichage"},
                                        {"ombre", "Ombré", "affichage"},
                                        {"ombrearetes", "Ombré avec arêtes", "affichage"},
                                        {"esquisse", "Esquisse", "esquisse"},
                                        {"ligne", "Ligne", "esquisse"},
                                        {"rectangle", "Rectangle", "esquisse"},
                                        {"cercle", "Cercle", "esquisse"},
                                        {"arc", "Arc", "esquisse"},
                                        {"cotation", "Cotation", "esquisse"},
                                        {"extrusion", "Extrusion", "fonctions"},
                                        {"revolution", "Révolution", "fonctions"},
                                        {"enlevement", "Enlèvement de matière", "fonctions"},
                                        {"enlrev", "Enlèvement par révolution", "fonctions"},
                                        {"percage", "Perçage", "fonctions"},
                                        {"conge", "Congé", "fonctions"},
                                        {"chanfrein", "Chanfrein", "fonctions"},
                                        {"coque", "Coque", "fonctions"}};
    return t;
}

namespace {
constexpr double kToolPitch = 22, kGrip = 8, kBarGap = 10;

int toolsIn(const std::string& bar) {
    int n = 0;
    for (const ToolDef& t : tools()) n += t.bar == bar;
    return n;
}
}  // namespace

bool toolbarRect(const std::string& id, Rect& out) {
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

bool toolRect(const std::string& id, Rect& out) {
    for (const ToolDef& t : tools()) {
        if (t.id != id) continue;
        Rect bar;
        toolbarRect(t.bar, bar);
        int k = 0;
        for (const ToolDef& u : tools()) {
            if (u.id == id) break;
            k += u.bar == t.bar;
        }
        out = {bar.x + kGrip + k * kToolPitch, bar.y + 1, 20, 20};
        return true;
    }
    return false;
}

const ToolDef* toolAt(Pt p, const std::set<std::string>& hidden) {
    for (const ToolDef& t : tools()) {
        Rect r;
        if (!hidden.count(t.bar) && toolRect(t.id, r) && r.contains(p)) return &t;
    }
    return nullptr;
}

void drawWindowBase(Drawing& d, TextBlock& t, bool document, const std::string& docName) {
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
    } else
        d.rect(g.x, g.y, g.w, g.h, rgb(0xb8c2cf));
    const Rect sb = statusBar();
    d.rect(sb.x, sb.y, sb.w, sb.h, kBarBg);
    d.line(P(sb.x, sb.y + 0.5), P(sb.x + sb.w, sb.y + 0.5), 1, rgb(0xb9c3d0));
    t.add("Unités : mm", sb.x + sb.w - 70, sb.y + 13, kSmallFont, kGreyInk);
}

}  // namespace lessons::ui
