// The Tarvik window and its furniture, drawn for the lesson movies: layout
// rectangles (stage pixels, the stage being 705 x 481) and painters that turn a
// piece of window state into drawings and text blocks.
#pragma once

#include "lessons/kit/drawing.h"
#include "lessons/kit/text.h"

#include <set>
#include <string>
#include <vector>

namespace lessons::ui {

constexpr double kStageW = 705, kStageH = 481;

struct Rect {
    double x = 0, y = 0, w = 0, h = 0;
    bool contains(Pt p) const { return p.x >= x && p.x < x + w && p.y >= y && p.y < y + h; }
    Pt centre() const { return {x + w / 2, y + h / 2}; }
};

// The part of the stage that every lesson screen shows. The screens fit the
// stage into player rectangles that reach past their client areas by
// different amounts, so the far left and right of the stage are cut on some of
// them; everything the movies draw, cards included, stays inside this
// rectangle (x 36..669), and above the screen's blue band (row 464 on). The
// rest of the stage is left empty, so the screen's own background shows there.
Rect safeArea();

// Fixed areas of the window and of the stage, all inside safeArea().
Rect windowRect();
Rect titleBar();
Rect menuBar();
Rect toolbarArea();
Rect treePanel();
Rect graphicsArea();
Rect statusBar();
Rect captionRect();
// An area by name: title, menubar, toolbars, tree, graphics, status, caption.
bool areaByName(const std::string& name, Rect& out);

// Menus of the menu bar, in order.
const std::vector<std::string>& menuTitles();
bool menuTitleRect(const std::string& title, Rect& out);

// Toolbars and their tools.
struct ToolDef {
    std::string id, label, bar;
};
struct ToolbarDef {
    std::string id, label;
    int row = 0;
};
const std::vector<ToolbarDef>& toolbars();
const std::vector<ToolDef>& tools();
bool toolRect(const std::string& id, Rect& out);
bool toolbarRect(const std::string& id, Rect& out);
const ToolDef* toolAt(Pt p, const std::set<std::string>& hiddenBars);

// Window pieces.
void drawWindowBase(Drawing& d, TextBlock& t, bool document, const std::string& docName);
void drawToolbar(Drawing& d, const std::string& bar, const std::string& hoverTool,
                 const std::set<std::string>& pressed);
void drawIcon(Drawing& d, const std::string& id, double x, double y);

struct TreeItem {
    std::string name, icon;  // icon: part, plane, origin, sketch, feature
    // The feature this item is listed under (its sketch under an extrusion),
    // or empty for an item of the part itself. A feature with items under it
    // shows an open triangle, its items one level further in.
    std::string under;
};
void drawTree(Drawing& d, TextBlock& t, const std::vector<TreeItem>& items, const std::string& selected);
bool treeItemRect(const std::vector<TreeItem>& items, const std::string& name, Rect& out);

struct Menu {
    std::string title;               // for a menu of the menu bar; empty for a context menu
    std::vector<std::string> items;  // "-" is a separator, a leading "+" a checked item
    Pt at;                           // top-left corner of a context menu
};
Rect menuBox(const Menu& m);
bool menuItemRect(const Menu& m, const std::string& item, Rect& out);
void drawMenu(Drawing& d, TextBlock& t, const Menu& m, Pt pointer);

struct Field {
    std::string kind, label, value;  // kind: field, choice, check, info, image
};
struct Dialog {
    std::string title;
    std::vector<Field> fields;
    std::vector<std::string> buttons;  // empty: OK and Annuler at the top of the panel
    bool centred = false;              // a centred window rather than the side panel
    std::string focus;                 // label of the field being edited
    // A small box hanging from a dimension's text (`anchor` is that text's box)
    // rather than a panel or a centred window.
    bool anchored = false;
    Rect anchor;
};
Rect dialogBox(const Dialog& g);
bool dialogFieldRect(const Dialog& g, const std::string& label, Rect& out);
bool dialogButtonRect(const Dialog& g, const std::string& label, Rect& out);
void drawDialog(Drawing& d, TextBlock& t, const Dialog& g, Pt pointer, bool caretOn);

void drawCaption(Drawing& d, TextBlock& t, int step, const std::string& text);
void drawTitleCard(Drawing& d, TextBlock& t, const std::string& title, const std::string& subtitle);
void drawSummaryCard(Drawing& d, TextBlock& t, const std::vector<std::string>& lines);
void drawStatus(TextBlock& t, const std::string& text);
void drawTooltip(Drawing& d, TextBlock& t, const std::string& text, Pt at);
void drawNote(Drawing& d, TextBlock& t, const std::string& text, const Rect& target);
void drawDesktop(Drawing& d, TextBlock& t);
Rect desktopIconRect();

// The animation time line along the bottom of the graphics area.
Rect timelineRect();
double timelineX(double seconds, double length);
double timelineScaleY();  // the time scale's line
double timelineKeyY();    // the row of key diamonds
Rect timelinePlayButton();
Rect timelineWizardButton();
void drawTimeline(Drawing& d, TextBlock& t, const std::vector<double>& keys, double playhead, double length);

Drawing pointerShape();  // tip at (0, 0)
Drawing rippleShape();   // centred on (0, 0)

}  // namespace lessons::ui
