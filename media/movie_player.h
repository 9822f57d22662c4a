#pragma once
// The movie player control: plays SWF movies with the SWF engine, inside a
// screen's rectangle, as its persisted design-time values ask (transparent,
// playing at once, looping, whole movie shown centred with its proportions).
// The left button and pointer moves over its rectangle go to the movie's
// buttons; the movie's sound goes to the system's audio device, when there is one.

#include "media/persisted_state.h"
#include "runtime/external.h"
#include "swf/render/renderer.h"

#include <QString>
#include <memory>
#include <optional>

namespace swf {
class AudioOutput;
class Player;
}  // namespace swf

namespace media {

// The factory the runtime uses to create every external control of class
// media::flash::kClassId from its layout's persisted state block. It refuses
// (nullptr with a French reason) an unknown class or a block that does not decode.
rt::ExternalFactory moviePlayerFactory();

// How the design-time values shape playback and drawing.
struct PlayerSettings {
    swf::Presentation presentation;  // transparent (WMode), antialiased (Quality)
    bool playAtOnce = true;          // Play
    bool loop = true;                // Loop
    bool menu = true;                // Menu: the context menu on a right click
};
PlayerSettings settingsFrom(const PersistedState& state);

// The context menu's items, in order.
enum class MenuAction { Play = 0, Loop = 1, Rewind = 3, Forward = 4, Back = 5 };

class MoviePlayer : public rt::ExternalControl {
public:
    // `sizeTwips`: the control's size in its layout, compared with the extent.
    MoviePlayer(rt::ControlSite& site, const PersistedState& state, QSize sizeTwips);
    ~MoviePlayer() override;

    rt::Status invoke(int dispid, rt::InvokeKind kind, std::span<const rt::Variant> args, rt::Variant* result) override;
    void paint(QPainter& painter, const QRect& area) override;
    void mouseMove(QPoint local, int buttons) override;
    void mousePress(QPoint local, rt::MouseButton button) override;
    void mouseRelease(QPoint local, rt::MouseButton button) override;
    // The pointing hand over a button of the movie, as of the last pointer move.
    rt::PictureRef pointerAt(QPoint local) const override;

    // What the control shows and does, for the screen's tests.
    const PlayerSettings& settings() const { return settings_; }
    const QString& moviePath() const { return path_; }
    // The notice drawn instead of a movie ("Film introuvable : x.swf"), or empty.
    const QString& notice() const { return notice_; }
    bool hasMovie() const { return player_ != nullptr; }
    bool partialMovie() const { return partial_; }
    // Where the notice of a movie cut short is drawn over its frames, in the
    // coordinates of `area` (the control's rectangle); empty when there is none.
    QRect noticeBox(const QRect& area) const;
    int currentFrame() const;  // 0 without a movie
    int frameCount() const;    // 0 without a movie
    bool playing() const;
    bool looping() const;
    bool clockRunning() const { return timer_.has_value(); }
    // Whether the movie has sound, and so an audio output (silent without a device).
    bool hasAudio() const { return audio_ != nullptr; }
    // The movie being played, for the screen's tests; null without a movie.
    const swf::Player* player() const { return player_.get(); }
    // Whether the persisted extent matches the control's size in its layout.
    bool extentMatchesLayout() const { return extentMatches_; }
    // The context menu as it would open now.
    std::vector<rt::MenuItem> menuItems() const;
    void perform(MenuAction action);

private:
    void setMovie(const QString& path, bool repaint = true);
    void startClock();
    void stopClock();
    void clockForStoppedTimeline();
    void onTick();
    bool hasSprites() const;
    bool multiFrame() const;
    // Pointer events over the movie's buttons; `held` is the left button.
    void pointer(QPoint local, bool held);
    // The audio output follows the movie: silent while it is stopped.
    void followPlayback();

    rt::ControlSite& site_;
    PlayerSettings settings_;
    bool extentMatches_ = true;
    QString path_;
    QString notice_;
    bool partial_ = false;
    QSize sizePx_;
    std::unique_ptr<swf::Player> player_;
    std::unique_ptr<swf::AudioOutput> audio_;  // destroyed before the player whose mixer it reads
    std::optional<int> timer_;
    std::int64_t lastTickMs_ = 0;
    // Told apart across menu round trips: a choice made on a menu opened for
    // an earlier movie is ignored.
    int generation_ = 0;
};

}  // namespace media
