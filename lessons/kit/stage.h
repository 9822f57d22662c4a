// What the script's verbs work on: the state of the stage (the Tarvik window,
// the part, the pointer, the step), what the lesson's header declares, and
// the composer that turns the state into frames as time passes.
#pragma once

#include "lessons/kit/declarations.h"
#include "lessons/kit/stage_camera.h"
#include "lessons/kit/timeline.h"
#include "lessons/kit/ui.h"
#include "lessons/kit/ui_controls.h"

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace lessons {

struct SketchState {
    bool visible = false;
    bool defined = false;  // fully defined: drawn in black instead of blue
    double drawn = 0;      // segments drawn, fractional while drawing
    struct Dim {
        int from = 0, to = 1;
        // a: aligned, h: horizontal, v: vertical (in the sketch's axes);
        // d: a circle's diameter; g: the angle at `apex` between from and to
        char mode = 'a';
        std::string label;
        int apex = 0;
    };
    std::vector<Dim> dims;
    // Sketch relations shown as small glyphs beside their elements: kind is
    // horizontal, vertical, coincident, symmetric, tangent or fixed; each
    // element a segment (for the first three kinds and tangent) or a vertex
    // (coincident, fixed), -1 being the sketch's origin or a circle's centre.
    struct Relation {
        std::string kind;
        std::vector<int> elements;
    };
    std::vector<Relation> relations;
};

struct Note {
    std::string text;
    ui::Rect target;
};

struct StageState {
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

// The solids and sketches the header declares, by name, and the camera framed
// on them.
struct LessonModel {
    std::map<std::string, const Declaration*> solids;
    std::map<std::string, SketchInfo> sketches;
    StageCamera camera;

    // The solid shown by the state (its name and parameter overrides).
    Solid solidOf(const StageState& st) const { return buildSolid(*solids.at(st.part), st.overrides); }
};

// Plays a script: runs its commands against the stage state and records a
// frame for every twelfth of a second that passes.
class Composer {
public:
    explicit Composer(const Script& s);
    Timeline run();

    StageState state;
    LessonModel model;

    // --- time passing, for the verbs ---
    int frames(double seconds) const;
    void hold(double seconds);
    void emit();
    // The pointer glides to `to`, one frame at a time.
    void movePointer(Pt to, double seconds);
    // A ripple under the pointer.
    void click();
    // Turns the view to an orientation over some time.
    void orientTo(double yaw, double pitch, double seconds);

    Camera camera() const { return model.camera.at(state.yaw, state.pitch); }
    // Reads a pointer target from the command's arguments, from `i` on.
    Pt target(const Command& c, std::size_t& i) const;

    static double ease(double u) { return u * u * (3 - 2 * u); }

private:
    const Script& s_;
    Timeline t_;
    double title_ = 0, summary_ = 0;  // card opacity
    std::string label_;
    // The movie's controls, and where the frames being recorded stand: 0 the
    // title card, 1..n the steps, n + 1 the summary.
    std::optional<LessonControls> controls_;
    int position_ = 0;

    void exec(const Command& c, bool intro);
    void fade(double& v, double from, double to, double seconds);
    void place(Frame& f, int depth, int symbol, double alpha = 1, double tx = 0, double ty = 0, double scale = 1);
    std::set<std::string> pressedTools() const;
};

}  // namespace lessons
