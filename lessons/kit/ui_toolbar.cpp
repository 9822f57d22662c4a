#include "lessons/kit/ui.h"
#include "lessons/kit/ui_style.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace lessons::ui {

void cube(Drawing& d, double cx, double cy, double s, Rgba top, Rgba left, Rgba right, double edge, Rgba ink) {
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

void drawIcon(Drawing& d, const std::string& id, double x, double y) {
    const double cx = x + 10, cy = y + 10;
    auto cubeIcon = [&](int style) {
        // 0 wire, 1 hidden visible, 2 hidden removed, 3 shaded, 4 shaded with edges, 5 plain
        const Rgba top = style == 3 || style == 4 ? rgb(0xb9d1f0) : kWhite;
        const Rgba left = style == 3 || style == 4 ? rgb(0x86a8d6) : kWhite;
        const Rgba right = style == 3 || style == 4 ? rgb(0x5f84bb) : kWhite;
        if (style == 0 || style == 1) {
            const double s = 7;
            d.polyline({P(cx, cy - s), P(cx + s * .87, cy - s * .5), P(cx + s * .87, cy + s * .5), P(cx, cy + s),
                        P(cx - s * .87, cy + s * .5), P(cx - s * .87, cy - s * .5)},
                       1, kIconInk, true);
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
        Element& e = d.polygon(
            {P(x + 5, y + 3), P(x + 12, y + 3), P(x + 15, y + 6), P(x + 15, y + 17), P(x + 5, y + 17)}, kWhite);
        e.lineWidth = 1, e.line = kIconInk;
        d.polyline({P(x + 12, y + 3), P(x + 12, y + 6), P(x + 15, y + 6)}, 1, kIconInk);
    } else if (id == "ouvrir") {
        Element& e = d.polygon({P(x + 3, y + 6), P(x + 8, y + 6), P(x + 9, y + 7.5), P(x + 16, y + 7.5),
                                P(x + 16, y + 16), P(x + 3, y + 16)},
                               kYellow);
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
        d.polygon({P(arc.back().x - 1, arc.back().y - 3), P(arc.back().x + 3, arc.back().y),
                   P(arc.back().x - 1, arc.back().y + 3)},
                  kBlue);
        d.circle(P(cx, cy), 2, kIconInk);
    } else if (id == "vues") {
        cubeIcon(5);
        d.polygon({P(cx, cy - 7), P(cx + 6.1, cy - 3.5), P(cx, cy), P(cx - 6.1, cy - 3.5)}, kLightBlue);
    } else if (id == "filaire")
        cubeIcon(0);
    else if (id == "lcv")
        cubeIcon(1);
    else if (id == "lcs")
        cubeIcon(2);
    else if (id == "ombre")
        cubeIcon(3);
    else if (id == "ombrearetes")
        cubeIcon(4);
    else if (id == "esquisse") {
        d.rectOutline(x + 3.5, y + 5.5, 11, 10, 1, kBlue);
        d.polygon({P(x + 9, y + 14), P(x + 16, y + 4), P(x + 18, y + 5.5), P(x + 11, y + 15.5), P(x + 8.5, y + 16.5)},
                  kYellow)
            .lineWidth = 0;
        d.polyline({P(x + 9, y + 14), P(x + 16, y + 4), P(x + 18, y + 5.5), P(x + 11, y + 15.5), P(x + 8.5, y + 16.5)},
                   0.8, kIconInk, true);
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

void drawToolbar(Drawing& d, const std::string& bar, const std::string& hover, const std::set<std::string>& pressed) {
    Rect r;
    if (!toolbarRect(bar, r)) return;
    Element& e = d.roundRect(r.x, r.y, r.w, r.h, 3, rgb(0xf3f5f8));
    e.lineWidth = 1, e.line = rgb(0xc3ccd8);
    for (int i = 0; i < 4; ++i) d.circle(P(r.x + 4, r.y + 5 + i * 4), 0.9, rgb(0x9aa5b4));
    for (const ToolDef& t : tools()) {
        if (t.bar != bar) continue;
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

}  // namespace lessons::ui
