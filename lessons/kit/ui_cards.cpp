#include "lessons/kit/ui.h"
#include "lessons/kit/ui_controls.h"
#include "lessons/kit/ui_style.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace lessons::ui {

void drawCaption(Drawing& d, TextBlock& t, int step, const std::string& text) {
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
    // The text stops short of the movie's controls at the callout's right end.
    const double x = r.x + 44, w = controlsPanel().x - 10 - x;
    double size = 13, lh = 15.5;
    int lines = 0;
    for (;;) {
        TextBlock probe;
        lines = layoutParagraph(probe, pieces, x, 0, w, size, lh);
        if (lines <= 2 || size <= 10.5) break;
        size -= 0.5;
        lh = size * 1.2;
    }
    const double first = r.y + r.h / 2 + size * 4.5 / 13 - (lines - 1) * lh / 2;
    layoutParagraph(t, pieces, x, first, w, size, lh);
}

namespace {
void cardBackground(Drawing& d) {
    // Solid bands rather than a gradient: far cheaper to paint every frame.
    const Rgba bands[] = {rgb(0x2b4a72), rgb(0x30517b), rgb(0x355884), rgb(0x3a5f8c), rgb(0x3f6694), rgb(0x446d9c)};
    // The card covers the safe area only: the screen's background shows beside it.
    const Rect s = safeArea();
    const double bottom = 462, h = (bottom - s.y) / 6;
    for (int i = 0; i < 6; ++i) d.rect(s.x, s.y + i * h, s.w, h + (i < 5 ? 0.5 : 0), bands[i]);
    // Thin rules every 120 px, placed symmetrically about the card's middle.
    const double mid = s.x + s.w / 2;
    for (double x = mid - 60 - 120 * std::floor((s.w / 2 - 60) / 120); x < s.x + s.w - 1; x += 120)
        if (x > s.x + 1) d.line(P(x, s.y + 0.3), P(x, bottom - 0.3), 0.6, rgb(0x5677a0));
}
}  // namespace

void drawTitleCard(Drawing& d, TextBlock& t, const std::string& title, const std::string& subtitle) {
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

void drawSummaryCard(Drawing& d, TextBlock& t, const std::vector<std::string>& lines) {
    cardBackground(d);
    const double left = safeArea().x + 44;
    const std::string head = "À retenir :";
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

void drawStatus(TextBlock& t, const std::string& text) {
    const Rect sb = statusBar();
    t.add(text, sb.x + 8, sb.y + 13, kSmallFont, rgb(0x3b4756));
}

void drawTooltip(Drawing& d, TextBlock& t, const std::string& text, Pt at) {
    const double w = textW(text, kSmallFont) + 12;
    double x = std::min(at.x + 10, windowRect().x + windowRect().w - w - 4);
    Element& e = d.rect(x, at.y + 20, w, 17, rgb(0xfffbe0));
    e.lineWidth = 1, e.line = rgb(0x8a7a4a);
    t.add(text, x + 6, at.y + 32, kSmallFont, kInk);
}

void drawNote(Drawing& d, TextBlock& t, const std::string& text, const Rect& r) {
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
    if (y + h > win.y + win.h - 4) y = r.y - h - 8;
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

void drawDesktop(Drawing& d, TextBlock& t) {
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

Rect timelineRect() {
    const Rect g = graphicsArea();
    return {g.x + 4, g.y + g.h - 70, g.w - 8, 66};
}

Rect timelinePlayButton() {
    const Rect r = timelineRect();
    return {r.x + r.w - 22, r.y + 1, 18, 14};
}

Rect timelineWizardButton() {
    const Rect r = timelineRect();
    return {r.x + r.w - 96, r.y + 1, 70, 14};
}

// The scale runs from after the track names to short of the right edge, so
// that the label of its last second stays clear of the buttons above it.
double timelineX(double s, double length) {
    const Rect r = timelineRect();
    return r.x + 70 + (r.w - 106) * std::clamp(s / std::max(length, 1.0), 0.0, 1.0);
}

double timelineScaleY() { return timelineRect().y + 33; }
double timelineKeyY() { return timelineScaleY() + 16; }

void drawTimeline(Drawing& d, TextBlock& t, const std::vector<double>& keys, double playhead, double length) {
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
    t.add("Assistant…", wb.x + 6, wb.y + 11, 9, kInk);
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

Drawing pointerShape() {
    Drawing d;
    Element& e =
        d.polygon({P(0, 0), P(0, 17), P(4, 13.2), P(6.8, 19.6), P(9.6, 18.4), P(6.9, 12.2), P(12.2, 12.2)}, kWhite);
    e.lineWidth = 1.2;
    e.line = rgb(0x111111);
    return d;
}

Drawing rippleShape() {
    Drawing d;
    d.ring(P(0, 0), 10, 2.5, kAccent);
    d.circle(P(0, 0), 4, rgb(0xe07a1f, 120));
    return d;
}

}  // namespace lessons::ui
