#include "lessons/kit/ui_controls.h"

#include "lessons/kit/ui_style.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

namespace lessons {

namespace ui {

Rect controlsPanel() {
    const Rect c = captionRect();
    const double w = 4 * 22 + 3 * 3 + 2 * 5;
    return {c.x + c.w - 4 - w, c.y + 2, w, c.h - 4};
}

ControlsLayout controlsLayout(int steps) {
    const Rect p = controlsPanel();
    ControlsLayout l;
    const double x = p.x + 5, y = p.y + 3, w = 22, h = 18, gap = 3;
    l.restart = {x, y, w, h};
    l.previous = {x + (w + gap), y, w, h};
    l.playPause = {x + 2 * (w + gap), y, w, h};
    l.next = {x + 3 * (w + gap), y, w, h};
    const int n = std::max(1, steps);
    const double row = p.w - 10, markGap = 2;
    const double mw = (row - markGap * (n - 1)) / n;
    for (int i = 0; i < n; ++i) l.marks.push_back({x + i * (mw + markGap), y + h + 5, mw, 7});
    return l;
}

}  // namespace ui

std::string stepLabel(int step) { return "etape" + std::to_string(step); }

namespace {

using namespace ui;

// Timeline actions, encoded as the movie file holds them.
class Actions {
public:
    Actions& stop() { return op(0x07); }
    Actions& play() { return op(0x06); }
    Actions& gotoFrame(std::uint16_t zeroBased) {
        return op(0x81, {std::uint8_t(zeroBased), std::uint8_t(zeroBased >> 8)});
    }
    Actions& gotoLabel(const std::string& label) { return op(0x8C, text(label)); }
    Actions& setTarget(const std::string& path) { return op(0x8B, text(path)); }
    Actions& then(const Actions& more) {
        out_.insert(out_.end(), more.out_.begin(), more.out_.end());
        return *this;
    }
    std::vector<std::uint8_t> bytes() const {
        std::vector<std::uint8_t> b = out_;
        b.push_back(0);  // end of the list
        return b;
    }

private:
    static std::vector<std::uint8_t> text(const std::string& s) {
        std::vector<std::uint8_t> v(s.begin(), s.end());
        v.push_back(0);
        return v;
    }
    Actions& op(std::uint8_t code, const std::vector<std::uint8_t>& payload = {}) {
        out_.push_back(code);
        if (code >= 0x80) {
            out_.push_back(std::uint8_t(payload.size()));
            out_.push_back(std::uint8_t(payload.size() >> 8));
            out_.insert(out_.end(), payload.begin(), payload.end());
        }
        return *this;
    }
    std::vector<std::uint8_t> out_;
};

constexpr std::uint16_t kClick = 0x0800;  // released over the button

// What a button that plays the movie also does: the pause button shows, and
// the watcher knows the movie moves.
Actions playingShown() {
    return Actions()
        .setTarget(std::string("/") + LessonControls::kToggleName)
        .gotoFrame(0)
        .setTarget(std::string("/") + LessonControls::kWatcherName)
        .gotoFrame(1)
        .setTarget("");
}

// The look of the controls: the caption's cream and orange, the window's ink.
constexpr Rgba kPanelFill = rgb(0xfffaf0), kPanelEdge = rgb(0xe3a53b);
constexpr Rgba kKeyFill = kWhite, kKeyOverFill = rgb(0xfdebd3), kKeyDownFill = rgb(0xf6c892);
constexpr Rgba kMarkFill = rgb(0xecdcbc), kMarkOverFill = rgb(0xf0b877);

// The glyph of a control, centred in its key.
void drawIcon(Drawing& d, const std::string& icon, const Rect& r) {
    const Pt c = r.centre();
    const Rgba ink = kIconInk;
    if (icon == "play") {
        d.polygon({P(c.x - 3.5, c.y - 5), P(c.x + 5, c.y), P(c.x - 3.5, c.y + 5)}, ink);
    } else if (icon == "pause") {
        d.rect(c.x - 4.5, c.y - 5, 3, 10, ink);
        d.rect(c.x + 1.5, c.y - 5, 3, 10, ink);
    } else if (icon == "previous") {
        d.rect(c.x - 5.5, c.y - 5, 2, 10, ink);
        d.polygon({P(c.x + 4.5, c.y - 5), P(c.x - 3, c.y), P(c.x + 4.5, c.y + 5)}, ink);
    } else if (icon == "next") {
        d.polygon({P(c.x - 4.5, c.y - 5), P(c.x + 3, c.y), P(c.x - 4.5, c.y + 5)}, ink);
        d.rect(c.x + 3.5, c.y - 5, 2, 10, ink);
    } else if (icon == "restart") {
        // Three quarters of a circle, its arrow head at the top pointing left.
        std::vector<Pt> arc;
        const double radius = 4.5;
        for (int i = 0; i <= 12; ++i) {
            const double a = std::numbers::pi * (-0.5 + 1.5 * i / 12.0);
            arc.push_back(P(c.x + radius * std::cos(a), c.y + radius * std::sin(a)));
        }
        d.polyline(arc, 1.8, ink);
        d.polygon({P(c.x + 1.5, c.y - 8), P(c.x - 3, c.y - 4.5), P(c.x + 1.5, c.y - 1)}, ink);
    }
}

Drawing keyDrawing(const Rect& r, Rgba fill, Rgba edge) {
    Drawing d;
    Element& e = d.roundRect(r.x, r.y, r.w, r.h, 3, fill);
    e.lineWidth = 1, e.line = edge;
    return d;
}

}  // namespace

LessonControls::LessonControls(Timeline& t, int steps) : steps_(steps), t_(&t) {
    if (steps < 1 || steps > kMaxSteps)
        throw std::invalid_argument("la barre de progression montre de 1 à " + std::to_string(kMaxSteps) +
                                    " étapes, pas " + std::to_string(steps));
    layout_ = controlsLayout(steps);

    const Rect p = controlsPanel();
    Drawing panel;
    Element& e = panel.roundRect(p.x, p.y, p.w, p.h, 6, kPanelFill);
    e.lineWidth = 1, e.line = kPanelEdge;
    panel_ = t.shape(panel);

    restart_ = button("restart", layout_.restart, Actions().gotoFrame(0).play().then(playingShown()).bytes());

    // Play/pause: a sprite of two frames, each stopped on itself, the first
    // holding the pause button, the second the play button. The buttons move
    // the sprite to the other frame, stop or play the movie's own timeline and
    // set the watcher (below) to match.
    const int pause = button("pause", layout_.playPause,
                             Actions()
                                 .gotoFrame(1)
                                 .setTarget("/")
                                 .stop()
                                 .setTarget(std::string("/") + kWatcherName)
                                 .gotoFrame(0)
                                 .setTarget("")
                                 .bytes());
    const int play = button("play", layout_.playPause,
                            Actions()
                                .gotoFrame(0)
                                .setTarget("/")
                                .play()
                                .setTarget(std::string("/") + kWatcherName)
                                .gotoFrame(1)
                                .setTarget("")
                                .bytes());
    Symbol toggle;
    toggle.frames.resize(2);
    toggle.frames[0].layers[1] = Placement{pause};
    toggle.frames[0].actions = Actions().stop().bytes();
    toggle.frames[1].layers[1] = Placement{play};
    toggle.frames[1].actions = Actions().stop().bytes();
    toggle_ = t.add(std::move(toggle));

    // The watcher keeps the play/pause key true to the movie's timeline, with
    // timeline actions of the first generation only (see frameActions). Its
    // two stopped frames are its two states, still and moving; each holds a
    // sprite named "k" of its own kind, so that the one call every frame makes
    // ("k", go to your second frame) does what the state calls for: from still,
    // it turns the watcher to moving; from moving, it shows the pause button.
    const std::string watcher = std::string("/") + kWatcherName;
    auto probe = [&](Actions onCall) {
        Symbol k;
        k.frames.resize(2);
        k.frames[0].actions = Actions().stop().bytes();
        // The probe goes back to its first frame first: it may be replaced by
        // what it does next.
        k.frames[1].actions = Actions().gotoFrame(0).then(onCall).bytes();
        return t.add(std::move(k));
    };
    const int fromStill = probe(Actions().setTarget(watcher).gotoFrame(1).setTarget(""));
    const int fromMoving = probe(Actions().setTarget(std::string("/") + kToggleName).gotoFrame(0).setTarget(""));
    Symbol w;
    w.frames.resize(2);
    for (int i = 0; i < 2; ++i) {
        Placement k{i == 0 ? fromStill : fromMoving};
        k.name = kProbeName;
        w.frames[std::size_t(i)].layers[1] = k;
        w.frames[std::size_t(i)].actions = Actions().stop().bytes();
    }
    watcher_ = t.add(std::move(w));
    // The countdown: every frame sends it back to its start and plays it; one
    // tick of the player's clock without a frame of the movie's timeline takes
    // it to its last frame, which shows the play button and sets the watcher
    // to still.
    Symbol c;
    c.frames.resize(3);
    c.frames[2].actions = Actions()
                              .setTarget(std::string("/") + kToggleName)
                              .gotoFrame(1)
                              .setTarget(watcher)
                              .gotoFrame(0)
                              .setTarget("")
                              .stop()
                              .bytes();
    countdown_ = t.add(std::move(c));

    for (int i = 0; i < steps; ++i) {
        const Rect& m = layout_.marks[std::size_t(i)];
        Symbol b;
        const Drawing up = keyDrawing(m, kMarkFill, kPanelEdge), over = keyDrawing(m, kMarkOverFill, kAccent);
        // The hit area covers the whole row, so a narrow mark is easy to click.
        Drawing hit;
        hit.rect(m.x - 1, m.y - 3, m.w + 2, m.h + 6, kInk);
        b.parts = {
            {t.shape(up), kUpState, 1}, {t.shape(over), kOverState | kDownState, 2}, {t.shape(hit), kHitState, 3}};
        b.actions = {{kClick, Actions().gotoLabel(stepLabel(i + 1)).play().then(playingShown()).bytes()}};
        marks_.push_back(t.add(std::move(b)));
        Drawing lit = keyDrawing(m, kAccent, rgb(0xb3560f));
        lit_.push_back(t.shape(lit));
    }
}

int LessonControls::button(const std::string& icon, const Rect& r, std::vector<std::uint8_t> onClick) {
    Drawing glyph;
    drawIcon(glyph, icon, r);
    Drawing hit;
    hit.rect(r.x, r.y, r.w, r.h, kInk);
    Symbol b;
    b.parts = {{t_->shape(keyDrawing(r, kKeyFill, kLine)), kUpState, 1},
               {t_->shape(keyDrawing(r, kKeyOverFill, kAccent)), kOverState, 2},
               {t_->shape(keyDrawing(r, kKeyDownFill, kAccent)), kDownState, 3},
               {t_->shape(glyph), kUpState | kOverState | kDownState, 4},
               {t_->shape(hit), kHitState, 5}};
    b.actions = {{kClick, std::move(onClick)}};
    return t_->add(std::move(b));
}

std::string LessonControls::previousOf(int position) const {
    if (position <= 1) return kTitleLabel;
    return stepLabel(std::min(position, steps_ + 1) - 1);
}

std::string LessonControls::nextOf(int position) const {
    if (position < steps_) return stepLabel(std::max(position, 0) + 1);
    if (position == steps_) return kSummaryLabel;
    return kTitleLabel;  // from the summary, the title card comes again, as the loop does
}

void LessonControls::placeOn(Frame& f, int position) {
    // A go-to button is made the first time a position needs its label.
    auto goButton = [&](std::map<std::string, int>& cache, const std::string& icon, const Rect& r,
                        const std::string& label) {
        auto it = cache.find(label);
        if (it == cache.end())
            it = cache.emplace(label, button(icon, r, Actions().gotoLabel(label).play().then(playingShown()).bytes()))
                     .first;
        return it->second;
    };
    int d = kControlsDepth;
    f.layers[d++] = Placement{panel_};
    f.layers[d++] = Placement{restart_};
    f.layers[d++] = Placement{goButton(previous_, "previous", layout_.previous, previousOf(position))};
    Placement toggle{toggle_};
    toggle.name = kToggleName;
    f.layers[d++] = toggle;
    f.layers[d++] = Placement{goButton(next_, "next", layout_.next, nextOf(position))};
    Placement watcher{watcher_};
    watcher.name = kWatcherName;
    f.layers[d++] = watcher;
    Placement countdown{countdown_};
    countdown.name = kCountdownName;
    f.layers[d++] = countdown;
    const int marks = kControlsDepth + 10;
    for (std::size_t i = 0; i < marks_.size(); ++i) f.layers[marks + int(i)] = Placement{marks_[i]};
    if (position >= 1 && position <= steps_) f.layers[marks + kMaxSteps] = Placement{lit_[std::size_t(position - 1)]};
}

std::vector<std::uint8_t> LessonControls::frameActions() {
    return Actions()
        .setTarget(std::string("/") + kWatcherName + "/" + kProbeName)
        .gotoFrame(1)
        .setTarget(std::string("/") + kCountdownName)
        .gotoFrame(0)
        .play()
        .setTarget("")
        .bytes();
}

}  // namespace lessons
