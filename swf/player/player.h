// The movie model: character dictionary, display lists, timelines (the
// movie's and each sprite's), frame scripts and button scripts run by the
// action machine, button states driven by the pointer, event and streaming
// sound fed into a mixer, and the frame clock.
// Time is injected: the host calls advance() with the milliseconds elapsed;
// the host also pulls the mixer into an audio device when it has one.
#pragma once

#include <QPointF>

#include <functional>
#include <memory>

#include "swf/format/types.h"
#include "swf/player/audio_mixer.h"
#include "swf/player/dictionary.h"
#include "swf/player/input_events.h"
#include "swf/player/stream_scheduler.h"
#include "swf/player/timeline.h"

namespace swf {

// Something a drawing layer keeps with a player (its caches, which depend on
// the movie and live as long as it); the player only owns it.
class PlayerAttachment {
public:
    virtual ~PlayerAttachment() = default;
};

class Player {
public:
    static constexpr double kMinFramesPerSecond = 1.0;   // slower rates play at 1 fps
    static constexpr double kMaxFramesPerSecond = 60.0;  // faster rates and rate 0 play at 60 fps
    static constexpr int kMaxFramesPerAdvance = 5;       // catch-up bound per advance()

    // Shows frame 1 (its actions run) and starts playing, looping on.
    explicit Player(std::shared_ptr<const MovieData> movie);
    Player(std::shared_ptr<const MovieData> movie, std::function<void(std::string_view)> traceSink);
    ~Player();
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    void setLooping(bool on) { looping_ = on; }
    // Receives every message the movie's scripts trace, one call a message.
    // Frame 1's scripts run in the constructor: a caller that needs their
    // messages uses the constructor that takes the sink.
    void setTraceSink(std::function<void(std::string_view)> sink) { ctx_.trace = std::move(sink); }
    bool looping() const { return looping_; }
    // Where scripts' loadMovie and loadMovieNum read movies (see imports.h:
    // localFileFetcher reads beside the movie only). Without one, every load
    // fails with a message on standard error and the movie plays on.
    // The first frame's MovieClipLoader files are read when it is set.
    void setAssetFetcher(AssetFetcher fetch);
    // A level loaded above the movie (_level1...), or null.
    const Timeline* level(int n) const {
        auto it = ctx_.levels.find(n);
        return it == ctx_.levels.end() ? nullptr : it->second.get();
    }
    void play();
    void stop();
    bool playing() const;
    void rewind();                   // frame 1, state rebuilt from scratch, stopped
    void forward();                  // one frame on (none past the last) and stop
    void back();                     // one frame back (rebuilt from frame 1) and stop
    void gotoFrame(int frame);       // 1-based, clamped; the playing flag is kept
    int currentFrame() const;        // 1-based
    int frameCount() const;          // frames actually present in the tag stream
    double frameIntervalMs() const;  // from the 8.8 rate, clamped to the range above
    // Runs the frames due after `elapsedMs` more milliseconds, at most
    // kMaxFramesPerAdvance per call (time beyond that is dropped).
    void advance(double elapsedMs);
    // Exactly one frame tick, as advance() does when a frame is due.
    void tick();

    // The pointer over the movie, in stage twips, and whether its button is
    // held: buttons change state, play their sounds and run their actions.
    // Returns whether the frame may need drawing again (a button changed
    // state, the pointer went onto or off a clip, was pressed or released, or drags one).
    // A move or a press through the entry points below.
    bool pointer(QPointF stageTwips, bool pressed);

    // Input (input.cpp), in the reference player's order: the clip events
    // (mouseMove, mouseDown, keyDown...) and clip methods to every clip, the
    // topmost first; the Mouse or Key listeners; then the object under the
    // pointer (buttons, clips with onPress...) or the buttons answering a key.
    void mouseMove(QPointF stageTwips);
    void mouseButton(QPointF stageTwips, bool down);  // the main button
    // The other buttons only move the pointer and are held as keys (Key.isDown:
    // 2 right, 4 middle).
    void otherMouseButton(QPointF stageTwips, int keyCode, bool down);
    void mouseWheel(double lines);
    // A key by its code as Key.getCode reads it and the character it types (0 for none).
    void key(int code, std::uint32_t ascii, bool down);
    // Typed text and text commands go to the handler the text side sets (none: dropped).
    void textEvent(const InputEvent& e);
    void setTextHandler(std::function<void(const InputEvent&)> handler);
    // Whether scripts left the pointer shown (Mouse.hide, Mouse.show).
    bool pointerShown() const;
    // Whether the pointer is over a button (after the last pointer() call).
    bool overButton() const { return !ctx_.input.hovered.empty(); }

    // Event sounds and the main timeline's streaming sound, ready to pull at
    // 44.1 kHz stereo. Stopping the movie leaves the stream where it was;
    // going to another frame restarts it there.
    AudioMixer& mixer() { return mixer_; }
    const AudioMixer& mixer() const { return mixer_; }
    // The main timeline's stream, when it has one.
    const StreamScheduler* stream() const { return stream_.get(); }

    const MovieData& movie() const { return *movie_; }
    const Header& header() const { return movie_->header; }
    const Dictionary& dictionary() const { return *dictionary_; }
    const Timeline& root() const { return *root_; }
    const DisplayList& displayList() const { return root_->displayList(); }
    int maxNesting() const { return ctx_.maxNesting; }

    // What a drawing layer keeps with this player (see PlayerAttachment);
    // null until one is attached. Attaching replaces what was there.
    PlayerAttachment* attachment() const { return attachment_.get(); }
    void attach(std::unique_ptr<PlayerAttachment> a) const { attachment_ = std::move(a); }

private:
    void settle();  // after every operation: stream fed, discarded timelines freed
    std::shared_ptr<const MovieData> movie_;
    std::unique_ptr<Dictionary> dictionary_;
    AudioMixer mixer_;
    PlayerContext ctx_;
    std::unique_ptr<StreamScheduler> stream_;
    std::unique_ptr<Timeline> root_;
    bool looping_ = true;
    double pendingMs_ = 0;
    // Declared last: destroyed first, while the dictionary it may point into lives.
    mutable std::unique_ptr<PlayerAttachment> attachment_;
};

}  // namespace swf
