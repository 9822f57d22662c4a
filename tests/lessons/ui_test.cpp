#include "lessons/kit/ui.h"
#include "lessons/kit/ui_controls.h"

#include <gtest/gtest.h>

#include <set>

using namespace lessons;
using namespace lessons::ui;

namespace {
bool inside(const Rect& a, const Rect& outer) {
    return a.x >= outer.x && a.y >= outer.y && a.x + a.w <= outer.x + outer.w && a.y + a.h <= outer.y + outer.h;
}
bool overlap(const Rect& a, const Rect& b) {
    return a.x < b.x + b.w && b.x < a.x + a.w && a.y < b.y + b.h && b.y < a.y + a.h;
}
}  // namespace

TEST(WindowLayout, AreasTileTheWindowAboveTheCaption) {
    const Rect w = windowRect();
    for (const Rect& r : {titleBar(), menuBar(), toolbarArea(), treePanel(), graphicsArea(), statusBar()})
        EXPECT_TRUE(inside(r, w));
    EXPECT_FALSE(overlap(treePanel(), graphicsArea()));
    EXPECT_FALSE(overlap(menuBar(), toolbarArea()));
    EXPECT_LE(w.y + w.h, captionRect().y);
    // The caption ends above the lesson screen's blue band (row 464 of 481).
    EXPECT_LE(captionRect().y + captionRect().h, 464);
    Rect r;
    EXPECT_TRUE(areaByName("graphics", r));
    EXPECT_FALSE(areaByName("nowhere", r));
}

TEST(WindowLayout, MenuTitlesRunLeftToRightWithoutOverlap) {
    Rect prev{0, 0, 0, 0};
    for (const std::string& m : menuTitles()) {
        Rect r;
        ASSERT_TRUE(menuTitleRect(m, r)) << m;
        EXPECT_GE(r.x, prev.x + prev.w);
        EXPECT_TRUE(inside(r, menuBar())) << m;
        prev = r;
    }
    Rect r;
    EXPECT_FALSE(menuTitleRect("Aide", r));
}

TEST(WindowLayout, EveryToolSitsInItsOwnToolbarAndToolbarsDoNotOverlap) {
    for (const ToolDef& t : tools()) {
        Rect tool, bar;
        ASSERT_TRUE(toolRect(t.id, tool)) << t.id;
        ASSERT_TRUE(toolbarRect(t.bar, bar)) << t.bar;
        EXPECT_TRUE(inside(tool, bar)) << t.id;
        EXPECT_TRUE(inside(bar, toolbarArea())) << t.bar;
        EXPECT_EQ(toolAt(tool.centre(), {}), &t);
        EXPECT_EQ(toolAt(tool.centre(), {t.bar}), nullptr);  // a hidden bar takes no pointer
    }
    for (const ToolbarDef& a : toolbars())
        for (const ToolbarDef& b : toolbars()) {
            Rect ra, rb;
            toolbarRect(a.id, ra);
            toolbarRect(b.id, rb);
            if (a.id != b.id) {
                EXPECT_FALSE(overlap(ra, rb)) << a.id << " / " << b.id;
            }
        }
}

TEST(Menus, ItemsAreFoundBelowTheirTitleAndSeparatorsTakeNoItem) {
    const Menu m{"Insertion", {"Extrusion...", "-", "+Congé...", "Coque..."}, {}};
    Rect title, box, a, b, c;
    menuTitleRect("Insertion", title);
    box = menuBox(m);
    EXPECT_DOUBLE_EQ(box.x, title.x);
    EXPECT_DOUBLE_EQ(box.y, title.y + title.h);
    ASSERT_TRUE(menuItemRect(m, "Extrusion...", a));
    ASSERT_TRUE(menuItemRect(m, "Congé...", b));  // found without its check mark
    ASSERT_TRUE(menuItemRect(m, "Coque...", c));
    EXPECT_LT(a.y, b.y);
    EXPECT_FALSE(overlap(a, b));
    EXPECT_DOUBLE_EQ(c.y, b.y + b.h);
    EXPECT_FALSE(menuItemRect(m, "-", a));
    EXPECT_TRUE(inside(c, box));
}

TEST(Menus, AnOpenMenuKeepsItsTitleReadableOverItsHighlight) {
    // The highlight of the open title is drawn above the menu bar's own text,
    // so the menu writes its title again, inside the highlight.
    const Menu m{"Insertion", {"Extrusion…"}, {}};
    Drawing d;
    TextBlock t;
    drawMenu(d, t, m, {0, 0});
    Rect title;
    ASSERT_TRUE(menuTitleRect("Insertion", title));
    bool written = false;
    for (const TextRun& r : t.runs)
        if (utf8(r.text) == "Insertion") written = title.contains({r.x + 1, r.y - 4});
    EXPECT_TRUE(written);
    // A context menu has no title to write.
    TextBlock popup;
    drawMenu(d, popup, Menu{"", {"Face"}, {300, 200}}, {0, 0});
    for (const TextRun& r : popup.runs) EXPECT_EQ(utf8(r.text), "Face");
}

TEST(Dialogs, FieldsAndButtonsStackInsideTheBox) {
    Dialog g{"Extrusion",
             {{"section", "Direction 1", ""},
              {"choice", "Condition de fin", "Borgne"},
              {"field", "Profondeur", "10 mm"},
              {"check", "Fusionner", "on"}},
             {},
             false,
             ""};
    const Rect box = dialogBox(g);
    EXPECT_TRUE(inside(box, treePanel()));
    Rect ok, cancel, f1, f2, f3;
    ASSERT_TRUE(dialogButtonRect(g, "OK", ok));
    ASSERT_TRUE(dialogButtonRect(g, "Annuler", cancel));
    EXPECT_FALSE(overlap(ok, cancel));
    ASSERT_TRUE(dialogFieldRect(g, "Condition de fin", f1));
    ASSERT_TRUE(dialogFieldRect(g, "Profondeur", f2));
    ASSERT_TRUE(dialogFieldRect(g, "Fusionner", f3));
    EXPECT_LT(f1.y + f1.h, f2.y);
    EXPECT_LT(f2.y + f2.h, f3.y);
    EXPECT_GT(f1.y, ok.y + ok.h);
    for (const Rect& r : {ok, cancel, f1, f2, f3}) EXPECT_TRUE(inside(r, box));
    EXPECT_FALSE(dialogFieldRect(g, "Angle", f1));

    g.centred = true;
    g.buttons = {"< Précédent", "Suivant >", "Annuler"};
    const Rect cbox = dialogBox(g);
    EXPECT_TRUE(inside(cbox, graphicsArea()));
    Rect prev, next;
    ASSERT_TRUE(dialogButtonRect(g, "< Précédent", prev));
    ASSERT_TRUE(dialogButtonRect(g, "Suivant >", next));
    EXPECT_LT(prev.x + prev.w, next.x);
    EXPECT_FALSE(dialogButtonRect(g, "OK", prev));
    EXPECT_TRUE(inside(next, cbox));
}

TEST(Tree, RowsFollowTheItemOrder) {
    const std::vector<TreeItem> items{{"Pièce1", "part"}, {"Plan de face", "plane"}, {"Extrusion1", "feature"}};
    Rect a, b;
    ASSERT_TRUE(treeItemRect(items, "Pièce1", a));
    ASSERT_TRUE(treeItemRect(items, "Extrusion1", b));
    EXPECT_GT(b.y, a.y);
    EXPECT_GT(b.x, a.x);  // features are indented under the part
    EXPECT_TRUE(inside(b, treePanel()));
    EXPECT_FALSE(treeItemRect(items, "Coque1", a));
}

TEST(Timeline, TimesMapLeftToRightWithinThePanel) {
    const Rect r = timelineRect();
    EXPECT_TRUE(inside(r, graphicsArea()));
    EXPECT_LT(timelineX(0, 10), timelineX(5, 10));
    EXPECT_NEAR(timelineX(5, 10) - timelineX(0, 10), timelineX(10, 10) - timelineX(5, 10), 1e-9);
    EXPECT_DOUBLE_EQ(timelineX(20, 10), timelineX(10, 10));  // clamped to the end
    EXPECT_TRUE(inside(timelinePlayButton(), r));
    EXPECT_FALSE(overlap(timelinePlayButton(), timelineWizardButton()));
}

namespace {
// The label of a note: its orange box, read back from the text it carries.
Rect noteLabel(const std::string& text, const Rect& target) {
    Drawing d;
    TextBlock t;
    drawNote(d, t, text, target);
    EXPECT_EQ(t.runs.size(), 1u);
    if (t.runs.empty()) return {};
    const TextRun& r = t.runs.front();
    return {r.x - 9, r.y - 15.5, FontBank::standard().width(r.bold, r.text, r.size) + 18, 22};
}
}  // namespace

TEST(Notes, LabelsKeepOffTheTreeRowsAndInsideTheWindow) {
    // The tree's rows as a lesson shows them, features included.
    const Rect tp = treePanel();
    const Rect rows{tp.x, tp.y, tp.w, 19 * 8 + 10};
    std::vector<std::pair<std::string, Rect>> targets;
    for (const char* a : {"title", "menubar", "toolbars", "graphics", "status"}) {
        Rect r;
        ASSERT_TRUE(areaByName(a, r));
        targets.emplace_back(a, r);
    }
    for (const ToolbarDef& b : toolbars()) {
        Rect r;
        ASSERT_TRUE(toolbarRect(b.id, r));
        targets.emplace_back(b.label, r);
    }
    for (const char* tool : {"nouveau", "esquisse", "ligne", "cotation", "extrusion"}) {
        Rect r;
        ASSERT_TRUE(toolRect(tool, r));
        targets.emplace_back(tool, r);
    }
    for (const auto& [name, r] : targets) {
        const Rect label = noteLabel("Barre d'outils " + name, r);
        EXPECT_FALSE(overlap(label, rows)) << name;
        EXPECT_TRUE(inside(label, windowRect())) << name;
    }
    // The tree's own label sits inside the tree, below its rows.
    const Rect own = noteLabel("Arbre de création", tp);
    EXPECT_TRUE(inside(own, tp));
    EXPECT_FALSE(overlap(own, rows));
}

TEST(Timeline, SecondLabelsKeepClearOfTheButtonsAndTheCursor) {
    for (double length : {4.0, 10.0, 12.0, 30.0}) {
        Drawing d;
        TextBlock t;
        drawTimeline(d, t, {0, length}, length, length);  // the cursor stands on the last label
        // The cursor's head is the last thing drawn.
        ASSERT_FALSE(d.elements.empty());
        Drawing head;
        head.elements.push_back(d.elements.back());
        Rect hb;
        double x1, y1;
        ASSERT_TRUE(drawingBounds(head, hb.x, hb.y, x1, y1));
        hb.w = x1 - hb.x, hb.h = y1 - hb.y;
        EXPECT_NEAR(hb.x + hb.w / 2, timelineX(length, length), 0.01);
        int labels = 0;
        for (const TextRun& r : t.runs) {
            const std::string s = utf8(r.text);
            if (s.size() < 3 || s.compare(s.size() - 2, 2, " s") != 0) continue;
            ++labels;
            // The digits' box: from their top (0.73 em) to the baseline, with 1 px to spare.
            const Rect box{r.x - 1, r.y - r.size * 0.73 - 1, FontBank::standard().width(r.bold, r.text, r.size) + 2,
                           r.size * 0.73 + 2};
            EXPECT_FALSE(overlap(box, timelinePlayButton())) << s << " of " << length;
            EXPECT_FALSE(overlap(box, timelineWizardButton())) << s << " of " << length;
            EXPECT_FALSE(overlap(box, hb)) << s << " of " << length;
            EXPECT_TRUE(inside(box, timelineRect())) << s;
        }
        EXPECT_EQ(labels, int(length) / 2 + 1) << length;
    }
}

TEST(WindowLayout, EverythingSitsInTheSafeArea) {
    const Rect s = safeArea();
    EXPECT_GE(s.x, 34);  // the narrowest screen shows stage x 34..671
    EXPECT_LE(s.x + s.w, 671);
    for (const Rect& r : {windowRect(), captionRect(), timelineRect(), desktopIconRect()}) EXPECT_TRUE(inside(r, s));
    // The window keeps room for its frame on the left and its shadow on the right.
    EXPECT_GE(windowRect().x - 1, s.x);
    EXPECT_LE(windowRect().x + windowRect().w + 2, s.x + s.w);
}

TEST(Captions, LongCaptionsStayOnTwoLinesInsideTheCallout) {
    const Rect c = captionRect();
    for (const std::string& text :
         {std::string("Cliquez sur OK."),
          std::string(
              "La barre Fonctions change une esquisse en volume : extrusion, révolution, enlèvement, perçage..."),
          std::string("Dans la boîte Extrusion, choisissez la condition de fin « Borgne », tapez la profondeur, "
                      "vérifiez l'aperçu dans la zone graphique puis validez par OK.")}) {
        Drawing d;
        TextBlock t;
        drawCaption(d, t, 12, text);
        std::set<double> baselines;
        for (const TextRun& r : t.runs) {
            if (r.size < 13.5)  // the step number is set larger, in its disc
                baselines.insert(r.y);
            EXPECT_GE(r.y - r.size * 0.75, c.y) << text;
            EXPECT_LE(r.y + r.size * 0.25, c.y + c.h) << text;
            // Clear of the movie's controls at the callout's right end.
            EXPECT_LE(r.x + FontBank::standard().width(r.bold, r.text, r.size), controlsPanel().x) << text;
        }
        EXPECT_GE(baselines.size(), 1u);
        EXPECT_LE(baselines.size(), 2u) << text;
    }
}
