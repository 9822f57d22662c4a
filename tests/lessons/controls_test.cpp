// The controls every lesson carries: where they lie, where each one goes, and
// what the SWF engine does when the pointer clicks them in a composed lesson.
#include "lessons/kit/composer.h"
#include "lessons/kit/emit.h"
#include "lessons/kit/ui_controls.h"

#include "swf/player/player.h"

#include <gtest/gtest.h>

#include <set>

using namespace lessons;
using ui::Rect;

namespace {

bool inside(const Rect& a, const Rect& outer) {
    return a.x >= outer.x && a.y >= outer.y && a.x + a.w <= outer.x + outer.w && a.y + a.h <= outer.y + outer.h;
}
bool overlap(const Rect& a, const Rect& b) {
    return a.x < b.x + b.w && b.x < a.x + a.w && a.y < b.y + b.h && b.y < a.y + a.h;
}

const char* kLesson = R"(
movie essai
title "Essai"
summary "À retenir"
solid bloc box w=40 h=20 d=30
part bloc
step "Un"
  wait 1
step "Deux"
  point at 300 200 1
  click
step "Trois"
  wait 1
step "Quatre"
  wait 1
)";

}  // namespace

TEST(ControlsLayout, KeysAndMarksSitInThePanelAtTheCalloutsEndWithoutOverlap) {
    const Rect panel = ui::controlsPanel();
    EXPECT_TRUE(inside(panel, ui::captionRect()));
    EXPECT_TRUE(inside(panel, ui::safeArea()));
    for (int n = 1; n <= kMaxSteps; ++n) {
        SCOPED_TRACE(n);
        const ui::ControlsLayout l = ui::controlsLayout(n);
        const std::vector<Rect> keys{l.restart, l.previous, l.playPause, l.next};
        for (std::size_t i = 0; i < keys.size(); ++i) {
            EXPECT_TRUE(inside(keys[i], panel)) << i;
            EXPECT_GE(keys[i].w, 20) << i;  // big enough to hit
            for (std::size_t j = i + 1; j < keys.size(); ++j) EXPECT_FALSE(overlap(keys[i], keys[j])) << i << " " << j;
        }
        ASSERT_EQ(l.marks.size(), std::size_t(n));
        for (std::size_t i = 0; i < l.marks.size(); ++i) {
            EXPECT_TRUE(inside(l.marks[i], panel)) << i;
            EXPECT_GE(l.marks[i].w, 2) << i;
            for (const Rect& k : keys) EXPECT_FALSE(overlap(l.marks[i], k)) << i;
            if (i > 0) {
                EXPECT_GE(l.marks[i].x, l.marks[i - 1].x + l.marks[i - 1].w) << i;  // left to right
            }
        }
    }
}

TEST(ControlsTargets, PreviousAndNextGoToTheNeighbouringPartOfTheLesson) {
    Timeline t;
    LessonControls c(t, 3);
    // 0 the title card, 1..3 the steps, 4 the summary.
    const std::vector<std::string> previous{"titre", "titre", "etape1", "etape2", "etape3"};
    const std::vector<std::string> next{"etape1", "etape2", "etape3", "resume", "titre"};
    for (int p = 0; p <= 4; ++p) {
        EXPECT_EQ(c.previousOf(p), previous[std::size_t(p)]) << p;
        EXPECT_EQ(c.nextOf(p), next[std::size_t(p)]) << p;
    }
}

TEST(ControlsTargets, ALessonWithoutStepsOrWithTooManyIsRefused) {
    Timeline t;
    EXPECT_THROW(LessonControls(t, 0), std::invalid_argument);
    EXPECT_THROW(LessonControls(t, kMaxSteps + 1), std::invalid_argument);
    std::string many = "movie essai\ntitle \"Essai\"\nsummary \"Fin\"\n";
    for (int i = 0; i <= kMaxSteps; ++i) many += "step \"É\"\n";
    EXPECT_THROW(compose(parseScript(many)), SourceError);
}

TEST(ComposedControls, EveryFrameCarriesTheControlsAndLightsOnlyItsOwnStep) {
    const Timeline t = compose(parseScript(kLesson));
    const int lit = kControlsDepth + 10 + kMaxSteps;
    int step = 0;
    bool summary = false;
    std::set<int> litSymbols;
    for (std::size_t i = 0; i < t.frames.size(); ++i) {
        const Frame& f = t.frames[i];
        if (f.label.rfind("etape", 0) == 0) step = std::stoi(f.label.substr(5));
        if (f.label == "resume") summary = true;
        EXPECT_EQ(f.actions, LessonControls::frameActions()) << i;
        for (int d = kControlsDepth; d < kControlsDepth + 7; ++d) ASSERT_TRUE(f.layers.count(d)) << i << " " << d;
        // The watcher and the countdown the frames drive: the same two named sprites throughout.
        EXPECT_EQ(f.layers.at(kControlsDepth + 5).name, LessonControls::kWatcherName);
        EXPECT_EQ(f.layers.at(kControlsDepth + 6).name, LessonControls::kCountdownName);
        for (int d : {kControlsDepth + 5, kControlsDepth + 6}) {
            EXPECT_TRUE(t.symbols[std::size_t(f.layers.at(d).symbol)].isSprite());
            EXPECT_EQ(f.layers.at(d).symbol, t.frames[0].layers.at(d).symbol);
        }
        EXPECT_EQ(f.layers.at(kControlsDepth + 3).name, LessonControls::kToggleName);
        EXPECT_TRUE(t.symbols[std::size_t(f.layers.at(kControlsDepth + 3).symbol)].isSprite());
        for (int m = 0; m < 4; ++m) EXPECT_TRUE(f.layers.count(kControlsDepth + 10 + m)) << i << " mark " << m;
        if (step > 0 && !summary) {
            ASSERT_TRUE(f.layers.count(lit)) << i;
            litSymbols.insert(f.layers.at(lit).symbol);
        } else {
            EXPECT_FALSE(f.layers.count(lit)) << i;  // the title and summary cards light none
        }
    }
    EXPECT_EQ(litSymbols.size(), 4u);  // one lit mark a step
}

namespace {

// The composed lesson played by the SWF engine, clicked like a user would.
class PlayedControls : public ::testing::Test {
protected:
    PlayedControls()
        : movie_(std::make_shared<const swf::MovieData>(toMovie(compose(parseScript(kLesson))))),
          player(movie_),
          layout(ui::controlsLayout(4)) {}

    void click(const Rect& r) {
        const QPointF at(r.centre().x * 20, r.centre().y * 20);
        player.pointer(at, false);
        player.pointer(at, true);
        player.pointer(at, false);
    }
    void ticks(int n) {
        for (int i = 0; i < n; ++i) player.tick();
    }
    int frameOf(const std::string& label) const { return player.root().frames().frameOfLabel(label); }
    int toggleFrame() const {
        const swf::Timeline* t = player.root().child(LessonControls::kToggleName);
        return t ? t->currentFrame() : 0;
    }

    std::shared_ptr<const swf::MovieData> movie_;
    swf::Player player;
    ui::ControlsLayout layout;
};

}  // namespace

TEST_F(PlayedControls, PauseHoldsTheFrameAndPlayGoesOn) {
    ticks(30);
    ASSERT_EQ(toggleFrame(), 1);
    click(layout.playPause);
    EXPECT_FALSE(player.playing());
    EXPECT_EQ(toggleFrame(), 2);  // the play button now
    const int held = player.currentFrame();
    ticks(24);  // two seconds
    EXPECT_EQ(player.currentFrame(), held);
    EXPECT_EQ(toggleFrame(), 2);
    click(layout.playPause);
    EXPECT_TRUE(player.playing());
    EXPECT_EQ(toggleFrame(), 1);
    ticks(1);
    EXPECT_EQ(player.currentFrame(), held + 1);
}

TEST_F(PlayedControls, ThePlayersOwnPlayResumesAMoviePausedByItsButton) {
    ticks(10);
    click(layout.playPause);
    ASSERT_FALSE(player.playing());
    const int held = player.currentFrame();
    player.play();  // what the player control's "Lire" does
    ticks(2);
    EXPECT_EQ(player.currentFrame(), held + 2);
    EXPECT_EQ(toggleFrame(), 1);  // once it has moved on, the pause button again
    ticks(20);
    EXPECT_EQ(toggleFrame(), 1);
}

// The player's own "Lire" (stop), "Avancer" and "Reculer" leave the movie's
// timeline stopped while the player's clock runs on for its sprites.
TEST_F(PlayedControls, AMovieStoppedByThePlayerShowsThePlayButton) {
    ticks(20);
    ASSERT_EQ(toggleFrame(), 1);
    player.stop();
    ticks(2);
    EXPECT_EQ(toggleFrame(), 2);
    player.play();
    ticks(2);
    EXPECT_EQ(toggleFrame(), 1);
    // A step while it plays stops it: the play button.
    player.forward();
    ticks(3);
    EXPECT_FALSE(player.playing());
    EXPECT_EQ(toggleFrame(), 2);
}

TEST_F(PlayedControls, StepsOnAPausedMovieKeepThePlayButton) {
    ticks(20);
    click(layout.playPause);
    const int held = player.currentFrame();
    for (int i = 0; i < 3; ++i) {
        player.forward();  // "Avancer"
        EXPECT_EQ(toggleFrame(), 2) << "at once";
        ticks(3);
        EXPECT_EQ(toggleFrame(), 2) << "and on the ticks after";
    }
    player.back();  // "Reculer", twice: the player's clock runs on between two choices of its menu
    ticks(6);
    EXPECT_EQ(toggleFrame(), 2);
    player.back();
    EXPECT_EQ(toggleFrame(), 2);
    ticks(3);
    EXPECT_EQ(toggleFrame(), 2);
    EXPECT_EQ(player.currentFrame(), held + 1);
    EXPECT_FALSE(player.playing());
    // The play button still plays it, and the pause button shows at once.
    click(layout.playPause);
    EXPECT_EQ(toggleFrame(), 1);
    ticks(1);
    EXPECT_EQ(toggleFrame(), 1);
    EXPECT_EQ(player.currentFrame(), held + 2);
}

TEST_F(PlayedControls, NextAndPreviousGoStepByStepAndKeepPlaying) {
    ASSERT_EQ(player.currentFrame(), 1);
    click(layout.next);
    EXPECT_EQ(player.currentFrame(), frameOf("etape1"));
    EXPECT_TRUE(player.playing());
    click(layout.next);
    EXPECT_EQ(player.currentFrame(), frameOf("etape2"));
    ticks(3);
    click(layout.next);
    EXPECT_EQ(player.currentFrame(), frameOf("etape3"));
    click(layout.previous);
    EXPECT_EQ(player.currentFrame(), frameOf("etape2"));
    click(layout.previous);
    click(layout.previous);
    EXPECT_EQ(player.currentFrame(), frameOf("titre"));
    EXPECT_EQ(frameOf("titre"), 1);
    for (int i = 0; i < 5; ++i) click(layout.next);
    EXPECT_EQ(player.currentFrame(), frameOf("resume"));
    click(layout.next);  // from the summary, the title card, as the loop goes on
    EXPECT_EQ(player.currentFrame(), 1);
    EXPECT_TRUE(player.playing());
}

TEST_F(PlayedControls, AMarkGoesToItsStepAndPlaysEvenWhenPaused) {
    ticks(5);
    click(layout.playPause);
    ASSERT_FALSE(player.playing());
    click(layout.marks[2]);
    EXPECT_EQ(player.currentFrame(), frameOf("etape3"));
    EXPECT_TRUE(player.playing());
    EXPECT_EQ(toggleFrame(), 1);
    click(layout.marks[0]);
    EXPECT_EQ(player.currentFrame(), frameOf("etape1"));
}

TEST_F(PlayedControls, RestartGoesBackToTheTitleCardAndPlays) {
    click(layout.marks[3]);
    ticks(4);
    click(layout.playPause);
    click(layout.restart);
    EXPECT_EQ(player.currentFrame(), 1);
    EXPECT_TRUE(player.playing());
    EXPECT_EQ(toggleFrame(), 1);
}

TEST_F(PlayedControls, ThePointerIsOverAButtonOnlyOverAControl) {
    const auto over = [&](double x, double y) {
        player.pointer(QPointF(x * 20, y * 20), false);
        return player.overButton();
    };
    for (const Rect& r : {layout.restart, layout.previous, layout.playPause, layout.next, layout.marks[1]})
        EXPECT_TRUE(over(r.centre().x, r.centre().y)) << r.x;
    EXPECT_FALSE(over(300, 200));                                             // the window
    EXPECT_FALSE(over(layout.previous.x - 1.5, layout.previous.centre().y));  // between two keys
    EXPECT_FALSE(over(200, 440));                                             // the caption's text
}
