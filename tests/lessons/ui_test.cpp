#include "lessons/kit/ui.h"

#include <gtest/gtest.h>

using namespace lessons;
using namespace lessons::ui;

namespace {
bool inside(const Rect& a, const Rect& outer)
{
    return a.x >= outer.x && a.y >= outer.y && a.x + a.w <= outer.x + outer.w && a.y + a.h <= outer.y + outer.h;
}
bool overlap(const Rect& a, const Rect& b)
{
    return a.x < b.x + b.w && b.x < a.x + a.w && a.y < b.y + b.h && b.y < a.y + a.h;
}
}  // namespace

TEST(WindowLayout, AreasTileTheWindowAboveTheCaption)
{
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

TEST(WindowLayout, MenuTitlesRunLeftToRightWithoutOverlap)
{
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

TEST(WindowLayout, EveryToolSitsInItsOwnToolbarAndToolbarsDoNotOverlap)
{
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
            if (a.id != b.id)
                EXPECT_FALSE(overlap(ra, rb)) << a.id << " / " << b.id;
        }
}

TEST(Menus, ItemsAreFoundBelowTheirTitleAndSeparatorsTakeNoItem)
{
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

TEST(Dialogs, FieldsAndButtonsStackInsideTheBox)
{
    Dialog g{"Extrusion", {{"section", "Direction 1", ""}, {"choice", "Condition de fin", "Borgne"},
                           {"field", "Profondeur", "10 mm"}, {"check", "Fusionner", "on"}},
             {}, false, ""};
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
    for (const Rect& r : {ok, cancel, f1, f2, f3})
        EXPECT_TRUE(inside(r, box));
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

TEST(Tree, RowsFollowTheItemOrder)
{
    const std::vector<TreeItem> items{{"Pièce1", "part"}, {"Plan de face", "plane"}, {"Extrusion1", "feature"}};
    Rect a, b;
    ASSERT_TRUE(treeItemRect(items, "Pièce1", a));
    ASSERT_TRUE(treeItemRect(items, "Extrusion1", b));
    EXPECT_GT(b.y, a.y);
    EXPECT_GT(b.x, a.x);  // features are indented under the part
    EXPECT_TRUE(inside(b, treePanel()));
    EXPECT_FALSE(treeItemRect(items, "Coque1", a));
}

TEST(Timeline, TimesMapLeftToRightWithinThePanel)
{
    const Rect r = timelineRect();
    EXPECT_TRUE(inside(r, graphicsArea()));
    EXPECT_LT(timelineX(0, 10), timelineX(5, 10));
    EXPECT_NEAR(timelineX(5, 10) - timelineX(0, 10), timelineX(10, 10) - timelineX(5, 10), 1e-9);
    EXPECT_DOUBLE_EQ(timelineX(20, 10), timelineX(10, 10));  // clamped to the end
    EXPECT_TRUE(inside(timelinePlayButton(), r));
    EXPECT_FALSE(overlap(timelinePlayButton(), timelineWizardButton()));
}
