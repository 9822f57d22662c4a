#include "lessons/kit/ui.h"
#include "lessons/kit/ui_style.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

namespace lessons::ui {

namespace {
constexpr double kTreeTop = 98, kTreeRow = 19;
// Left edge of the tree's rows and x of the line joining them.
double treeLeft() { return treePanel().x + 6; }
double treeTrunk() { return treePanel().x + 10; }
constexpr Rgba kTreeLine = rgb(0xb5bfcc);
double treeIndent(const TreeItem& it) { return it.icon == "part" ? 0 : it.under.empty() ? 12 : 30; }

void treeIcon(Drawing& d, const std::string& icon, double x, double y) {
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

bool treeItemRect(const std::vector<TreeItem>& items, const std::string& name, Rect& out) {
    for (std::size_t i = 0; i < items.size(); ++i)
        if (items[i].name == name) {
            const double ind = treeIndent(items[i]);
            out = {treeLeft() + ind, kTreeTop + kTreeRow * double(i), 30 + textW(name, kMenuFont) - 10, 17};
            return true;
        }
    return false;
}

void drawTree(Drawing& d, TextBlock& t, const std::vector<TreeItem>& items, const std::string& selected) {
    // The part's own items hang from the trunk; a feature's items hang from a
    // branch under the feature's icon, which ends at the last of them.
    double trunkEnd = kTreeTop + 17;
    std::map<std::string, double> branchEnd;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const TreeItem& it = items[i];
        const double y = kTreeTop + kTreeRow * double(i), ind = treeIndent(it);
        if (it.name == selected) {
            Element& e = d.rect(treeLeft() + ind + 15, y, textW(it.name, kMenuFont) + 6, 17, kSelect);
            e.lineWidth = 1, e.line = kSelectEdge;
        }
        if (it.icon != "part" && it.under.empty()) {
            d.line(P(treeTrunk(), y + 8.5), P(treeLeft() + ind, y + 8.5), 0.8, kTreeLine);
            trunkEnd = y + 8.5;
        } else if (!it.under.empty()) {
            const double branch = treeLeft() + 12 + 7;
            d.line(P(branch, y + 8.5), P(treeLeft() + ind, y + 8.5), 0.8, kTreeLine);
            branchEnd[it.under] = y + 8.5;
        }
        treeIcon(d, it.icon, treeLeft() + ind + 1, y + 3);
        t.add(it.name, treeLeft() + ind + 18, y + 13, kMenuFont, kInk, it.icon == "part");
    }
    if (items.size() > 1) d.line(P(treeTrunk(), kTreeTop + 17), P(treeTrunk(), trunkEnd), 0.8, kTreeLine);
    for (std::size_t i = 0; i < items.size(); ++i) {
        auto end = branchEnd.find(items[i].name);
        if (end == branchEnd.end()) continue;
        const double y = kTreeTop + kTreeRow * double(i);
        d.line(P(treeLeft() + 12 + 7, y + 16), P(treeLeft() + 12 + 7, end->second), 0.8, kTreeLine);
        // The open triangle on the trunk, pointing down: the feature is unfolded.
        const double cx = treeTrunk(), cy = y + 8.5;
        Element& tri = d.polygon({P(cx - 3.5, cy - 2), P(cx + 3.5, cy - 2), P(cx, cy + 2.5)}, rgb(0x4a5566));
        tri.lineWidth = 0.6, tri.line = rgb(0x4a5566);
    }
}

namespace {
constexpr double kItemH = 19, kSepH = 7;
}

Rect menuBox(const Menu& m) {
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

bool menuItemRect(const Menu& m, const std::string& item, Rect& out) {
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

void drawMenu(Drawing& d, TextBlock& t, const Menu& m, Pt pointer) {
    const Rect b = menuBox(m);
    if (!m.title.empty()) {
        Rect r;
        menuTitleRect(m.title, r);
        Element& e = d.rect(r.x, r.y + 1, r.w, r.h - 1, kSelect);
        e.lineWidth = 1, e.line = kSelectEdge;
        // The highlight covers the menu bar's text: the title is written again over it.
        t.add(m.title, r.x + 8, r.y + 13, kMenuFont, kInk);
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
        if (checked) d.polyline({P(b.x + 8, y + 10), P(b.x + 11, y + 13.5), P(b.x + 17, y + 5.5)}, 1.8, kInk);
        t.add(label, b.x + 30, y + 13.5, kMenuFont, kInk);
        y += kItemH;
    }
}

namespace {
constexpr double kDlgTitleH = 22;

double fieldHeight(const Field& f) {
    if (f.kind == "check") return 20;
    if (f.kind == "info") return 30;
    if (f.kind == "section") return 22;
    return 38;
}

Rect dialogFrame(const Dialog& g, double& fieldsTop) {
    double h = kDlgTitleH + 8;
    if (g.buttons.empty()) h += 28;
    fieldsTop = h;
    for (const Field& f : g.fields) h += fieldHeight(f);
    if (!g.buttons.empty()) h += 34;
    h += 6;
    if (g.anchored) {
        // Under the dimension's text, its left edge at the text's; above it
        // when the graphics area has no room below. Never over the text.
        const Rect ga = graphicsArea(), a = g.anchor;
        const double w = 170;  // as narrow as OK and Annuler allow: it covers little of the sketch
        const double x = std::clamp(a.x - 6, ga.x + 4, ga.x + ga.w - w - 4);
        double y = a.y + a.h + 4;
        if (y + h > ga.y + ga.h - 4) y = a.y - 4 - h;
        return {x, std::max(y, ga.y + 4), w, h};
    }
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

Rect dialogBox(const Dialog& g) {
    double top;
    return dialogFrame(g, top);
}

bool dialogFieldRect(const Dialog& g, const std::string& label, Rect& out) {
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

bool dialogButtonRect(const Dialog& g, const std::string& label, Rect& out) {
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

void drawDialog(Drawing& d, TextBlock& t, const Dialog& g, Pt pointer, bool caretOn) {
    double top;
    const Rect b = dialogFrame(g, top);
    d.rect(b.x + 3, b.y + 3, b.w, b.h, rgb(0x000000, 50));
    Element& e = d.rect(b.x, b.y, b.w, b.h, rgb(0xf6f8fb));
    e.lineWidth = 1, e.line = rgb(0x6f819a);
    d.vgradientRect(b.x, b.y, b.w, kDlgTitleH, rgb(0x4f79a8), rgb(0x3c6090));
    t.add(g.title, b.x + 8, b.y + 15, kMenuFont, kWhite, true);
    auto button = [&](const std::string& label, bool primary) {
        Rect r;
        if (!dialogButtonRect(g, label, r)) return;
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
        for (std::size_t i = 0; i < g.buttons.size(); ++i) button(g.buttons[i], i + 1 == g.buttons.size());
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
                d.polygon({P(r.x + r.w - 12, r.y + 7), P(r.x + r.w - 5, r.y + 7), P(r.x + r.w - 8.5, r.y + 11.5)},
                          kIconInk);
            } else if (focus && caretOn) {
                const double cx = r.x + 6 + textW(f.value, kMenuFont);
                d.line(P(cx, r.y + 3), P(cx, r.y + r.h - 3), 1, kInk);
            }
        }
        y += fieldHeight(f);
    }
}

}  // namespace lessons::ui
