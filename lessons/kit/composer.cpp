#include "lessons/kit/composer.h"

#include "lessons/kit/part_view.h"
#include "lessons/kit/stage.h"
#include "lessons/kit/targets.h"
#include "lessons/kit/ui_controls.h"
#include "lessons/kit/verbs.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>

namespace lessons {

namespace {

// Depths of the stage, bottom to top; a piece's text lies just above its shapes.
enum Depth {
    kBase = 1,
    kBaseText = 2,
    kToolbar0 = 3,  // 3..6: the four toolbars
    kTree = 8,
    kTreeText = 9,
    kPart = 11,
    kPartText = 12,
    kTimeline = 14,
    kTimelineText = 15,
    kStatusText = 20,
    kNote = 25,
    kNoteText = 26,
    kMenu = 30,
    kMenuText = 31,
    kDialog = 33,
    kDialogText = 34,
    kTooltip = 36,
    kTooltipText = 37,
    kCaption = 50,
    kCaptionText = 51,
    kSummary = 90,
    kSummaryText = 91,
    kTitle = 92,
    kTitleText = 93,
    kRipple = 100,
    kPointer = 101,
};

}  // namespace

Composer::Composer(const Script& s) : s_(s) {
    for (const Declaration& d : s.solids) {
        if (model.solids.count(d.name)) throw SourceError(d.line, "solide déjà déclaré : " + d.name);
        model.solids[d.name] = &d;
        buildSolid(d);  // report bad parameters before anything is composed
    }
    for (const Declaration& d : s.sketches) model.sketches[d.name] = buildSketch(d);
    model.camera = frameLesson(s);
    state.yaw = model.camera.startYaw;
    state.pitch = model.camera.startPitch;
    state.tree = {{"Pièce1", "part"},
                  {"Plan de face", "plane"},
                  {"Plan de dessus", "plane"},
                  {"Plan de droite", "plane"},
                  {"Origine", "origin"}};
}

Timeline Composer::run() {
    const int steps = int(s_.steps.size());
    if (steps < 1 || steps > kMaxSteps)
        throw SourceError(0, "une leçon a de 1 à " + std::to_string(kMaxSteps) +
                                 " étapes («\u00a0step\u00a0»), celle-ci en a " + std::to_string(steps));
    controls_.emplace(t_, steps);
    for (const Command& c : s_.intro) exec(c, true);
    const StageState start = state;
    // The title card, then it fades out over the window.
    title_ = 1;
    position_ = 0;
    label_ = kTitleLabel;
    hold(3.5);
    fade(title_, 1, 0, 0.5);
    for (std::size_t i = 0; i < s_.steps.size(); ++i) {
        const Step& st = s_.steps[i];
        state.step = int(i) + 1;
        state.caption = st.caption;
        position_ = int(i) + 1;
        label_ = stepLabel(position_);
        const std::size_t before = t_.frames.size();
        for (const Command& c : st.commands) exec(c, false);
        const double minimum = 2.0 + 0.05 * double(utf32(st.caption).size());
        const double spent = double(t_.frames.size() - before) / t_.fps;
        if (spent < minimum) hold(minimum - spent);
    }
    // Closing summary, then the title card comes back so the loop joins up.
    position_ = steps + 1;
    label_ = kSummaryLabel;
    fade(summary_, 0, 1, 0.5);
    hold(6 + 1.2 * double(s_.summary.size()));
    state = start;
    position_ = 0;
    fade(title_, 0, 1, 0.5);
    return std::move(t_);
}

int Composer::frames(double seconds) const { return std::max(0, int(std::lround(seconds * t_.fps))); }

void Composer::hold(double seconds) {
    for (int i = 0, n = frames(seconds); i < n; ++i) emit();
}

void Composer::fade(double& v, double from, double to, double seconds) {
    const int n = std::max(1, frames(seconds));
    for (int i = 1; i <= n; ++i) {
        v = from + (to - from) * double(i) / n;
        emit();
    }
}

void Composer::place(Frame& f, int depth, int symbol, double alpha, double tx, double ty, double scale) {
    if (symbol < 0 || alpha <= 0.001) return;
    f.layers[depth] = Placement{symbol, tx, ty, scale, std::min(alpha, 1.0)};
}

std::set<std::string> Composer::pressedTools() const {
    static const char* ids[] = {"ombrearetes", "ombre", "lcs", "lcv", "filaire"};
    const DisplayMode modes[] = {DisplayMode::ShadedEdges, DisplayMode::Shaded, DisplayMode::HiddenRemoved,
                                 DisplayMode::HiddenVisible, DisplayMode::Wireframe};
    std::set<std::string> p;
    for (int i = 0; i < 5; ++i)
        if (state.mode == modes[i]) p.insert(ids[i]);
    for (const auto& [n, ss] : state.sketches)
        if (ss.visible && !state.dialog) p.insert("esquisse");
    return p;
}

void Composer::emit() {
    Frame f;
    f.label = label_;
    label_.clear();
    // One piece of the stage: its shapes at `depth`, its text just above.
    using Painter = std::function<void(Drawing&, TextBlock&)>;
    auto piece = [&](int depth, const Painter& paint, double alpha = 1) {
        Drawing d;
        TextBlock t;
        paint(d, t);
        place(f, depth, t_.shape(d), alpha);
        place(f, depth + 1, t_.text(t), alpha);
    };
    const bool under = title_ < 1 && summary_ < 1;  // the window shows at all
    if (under) {
        piece(kBase, [&](Drawing& d, TextBlock& t) {
            if (state.desktop)
                ui::drawDesktop(d, t);
            else
                ui::drawWindowBase(d, t, state.document, state.docName);
        });
        if (!state.desktop) {
            const ui::ToolDef* hot = ui::toolAt(state.pointer, state.hiddenBars);
            const std::set<std::string> pressed = pressedTools();
            int i = 0;
            for (const ui::ToolbarDef& b : ui::toolbars()) {
                if (!state.hiddenBars.count(b.id)) {
                    Drawing tb;
                    ui::drawToolbar(tb, b.id, hot && !state.menu ? hot->id : "", pressed);
                    place(f, kToolbar0 + i, t_.shape(tb));
                }
                ++i;
            }
            if (state.document) {
                piece(kTree, [&](Drawing& d, TextBlock& t) { ui::drawTree(d, t, state.tree, state.treeSel); });
                piece(kPart, [&](Drawing& d, TextBlock& t) { drawPart(d, t, state, model); });
            }
            if (state.timeline)
                piece(kTimeline, [&](Drawing& d, TextBlock& t) {
                    ui::drawTimeline(d, t, state.keys, state.playhead, state.tlLength);
                });
            TextBlock st;
            ui::drawStatus(st, state.status);
            place(f, kStatusText, t_.text(st));
            if (hot && !state.menu && !state.dialog && state.rest >= 6)
                piece(kTooltip, [&](Drawing& d, TextBlock& t) { ui::drawTooltip(d, t, hot->label, state.pointer); });
        }
        if (state.note)
            piece(kNote, [&](Drawing& d, TextBlock& t) { ui::drawNote(d, t, state.note->text, state.note->target); });
        if (state.menu) piece(kMenu, [&](Drawing& d, TextBlock& t) { ui::drawMenu(d, t, *state.menu, state.pointer); });
        if (state.dialog)
            piece(kDialog,
                  [&](Drawing& d, TextBlock& t) { ui::drawDialog(d, t, *state.dialog, state.pointer, state.caret); });
        if (state.step > 0)
            piece(kCaption, [&](Drawing& d, TextBlock& t) { ui::drawCaption(d, t, state.step, state.caption); });
        if (state.rippleAge < 6) {
            const double a = state.rippleAge;
            place(f, kRipple, t_.shape(ui::rippleShape()), 1 - a / 6, state.ripplePos.x, state.ripplePos.y,
                  0.6 + 0.2 * a);
        }
        if (state.pointerOn) place(f, kPointer, t_.shape(ui::pointerShape()), 1, state.pointer.x, state.pointer.y);
    }
    if (summary_ > 0)
        piece(
            kSummary, [&](Drawing& d, TextBlock& t) { ui::drawSummaryCard(d, t, s_.summary); }, summary_);
    if (title_ > 0)
        piece(
            kTitle, [&](Drawing& d, TextBlock& t) { ui::drawTitleCard(d, t, s_.title, s_.subtitle); }, title_);
    // The controls, over everything, on every frame, and what keeps their
    // play/pause key true.
    if (controls_) {
        controls_->placeOn(f, position_);
        f.actions = LessonControls::frameActions();
    }
    t_.frames.push_back(std::move(f));
    if (state.rippleAge < 99) ++state.rippleAge;
    ++state.rest;
}

void Composer::movePointer(Pt to, double seconds) {
    const Pt from = state.pointer;
    const int n = std::max(1, frames(seconds));
    const double dx = to.x - from.x, dy = to.y - from.y;
    for (int i = 1; i <= n; ++i) {
        const double u = ease(double(i) / n);
        // A slight bow, as a hand moves.
        const double bow = std::sin(u * std::numbers::pi) * 0.08;
        // The bow never takes the pointer off the window, nor its arrow
        // (13 px wide) out of the part of the stage every screen shows.
        const ui::Rect w = ui::windowRect(), safe = ui::safeArea();
        state.pointer = {std::clamp(from.x + dx * u - dy * bow, w.x + 1, safe.x + safe.w - 13),
                         std::clamp(from.y + dy * u + dx * bow, w.y + 1, w.y + w.h - 1)};
        state.rest = 0;
        emit();
    }
    state.pointer = to;
}

void Composer::click() {
    state.rippleAge = 0;
    state.ripplePos = state.pointer;
}

void Composer::orientTo(double yaw, double pitch, double seconds) {
    const double y0 = state.yaw, p0 = state.pitch;
    const int n = std::max(1, frames(seconds));
    for (int i = 1; i <= n; ++i) {
        const double u = ease(double(i) / n);
        state.yaw = y0 + (yaw - y0) * u;
        state.pitch = p0 + (pitch - p0) * u;
        emit();
    }
}

Pt Composer::target(const Command& c, std::size_t& i) const { return pointerTarget(c, i, state, model, camera()); }

void Composer::exec(const Command& c, bool intro) {
    const Verb verb = findVerb(c.verb);
    if (!verb) throw SourceError(c.line, "commande inconnue : « " + c.verb + " »");
    verb(*this, c, intro);
}

Timeline compose(const Script& s) {
    if (s.summary.empty()) throw SourceError(0, "le résumé (« summary ») manque");
    Composer c(s);
    return c.run();
}

LessonStats statsOf(const Script& s, const Timeline& t) {
    return LessonStats{int(t.frames.size()), int(s.steps.size()), int(t.symbols.size())};
}

}  // namespace lessons
