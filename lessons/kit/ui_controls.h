// The controls every lesson movie carries in the lower right of its caption:
// restart, previous step, play/pause, next step, and a progress bar with one
// mark per step (the current one lit). They are the movie's own buttons, so
// any player that plays buttons plays them: each click runs a short list of
// timeline actions (go to a frame label, play, stop, set the target).
#pragma once

#include "lessons/kit/timeline.h"
#include "lessons/kit/ui.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace lessons {

namespace ui {

// The panel that holds the controls, inside the caption callout's right end;
// the caption's text stops short of it.
Rect controlsPanel();

struct ControlsLayout {
    Rect restart, previous, playPause, next;
    std::vector<Rect> marks;  // one a step, left to right
};
// Where each control lies for a lesson of `steps` steps (at least one).
ControlsLayout controlsLayout(int steps);

}  // namespace ui

// Frame labels the composer writes and the controls aim at.
inline const char* const kTitleLabel = "titre";
inline const char* const kSummaryLabel = "resume";
std::string stepLabel(int step);  // 1-based: "etape1", ...

// The controls' depths, above everything the composer draws: the panel, the
// four buttons, the marks, and the lit mark over them.
constexpr int kControlsDepth = 110;

// The most steps a progress bar shows, so that a mark stays wide enough to click.
constexpr int kMaxSteps = 24;

class LessonControls {
public:
    // The instance name of the play/pause sprite, which the frames and the
    // buttons aim at with SetTarget.
    static constexpr const char* kToggleName = "bascule";

    // Adds the controls' symbols to `t` for a lesson of `steps` steps
    // (1..kMaxSteps; throws std::invalid_argument otherwise).
    LessonControls(Timeline& t, int steps);

    // Places the controls on `f` for a position in the movie: 0 the title
    // card, 1..steps a step, steps + 1 the summary card. Previous and next
    // aim at the positions either side; the mark of a step is lit.
    void placeOn(Frame& f, int position);

    // The play/pause button shows the movie's real state, however it was
    // stopped or started (its own keys, the player's "Lire", a step of
    // "Avancer" or "Reculer"): the pause button once the movie's timeline has
    // moved on two frames running, the play button after a tick of the
    // player's clock without a frame. A watcher sprite (its states, still and
    // moving) and a countdown sprite do it; this is what every frame of the
    // movie runs to drive them.
    static std::vector<std::uint8_t> frameActions();
    static constexpr const char* kWatcherName = "veille";
    static constexpr const char* kProbeName = "k";
    static constexpr const char* kCountdownName = "compte";

    // The label "previous" and "next" go to from a position.
    std::string previousOf(int position) const;
    std::string nextOf(int position) const;

private:
    int button(const std::string& icon, const ui::Rect& r, std::vector<std::uint8_t> onClick);
    int steps_;
    Timeline* t_;
    ui::ControlsLayout layout_;
    int panel_ = -1, restart_ = -1, toggle_ = -1, watcher_ = -1, countdown_ = -1;
    std::vector<int> marks_, lit_;
    std::map<std::string, int> previous_, next_;  // by the label they go to
};

}  // namespace lessons
