// The movie model: character dictionary, display lists, timelines (the
// movie's and each sprite's), frame scripts and button scripts run by the
// action machine, button states driven by the pointer, event and streaming
// sound fed into a mixer, and the frame clock.
// Time is injected: the host calls advance() with the milliseconds elapsed;
// the host also pulls the mixer into an audio device when it has one.
#pragma once

#include <QImage>
#include <QPointF>

#include <cstdint>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "swf/avm1.h"
#include "swf/button.h"
#include "swf/geometry.h"
#include "swf/raster_cache.h"
#include "swf/sound.h"
#include "swf/types.h"

namespace swf {

// The tags of one timeline cut into frames, and its labels.
struct FrameIndex {
    struct Range { std::size_t begin = 0, end = 0; };  // tag indices, ShowFrame excluded
    const std::vector<Tag>* tags = nullptr;
    std::vector<Range> frames;                         // at least one frame
    std::vector<std::pair<std::string, int>> labels;   // lower-cased label, 1-based frame
    static FrameIndex build(const std::vector<Tag>& tags);
    int frameOfLabel(const std::string& label) const;  // 0 when unknown; case-insensitive
};

// Decoded media by character id, within a byte budget: the least recently
// used entry is given up first; an entry larger than the whole budget is
// handed out but not kept.
template <class Value>
class BudgetCache {
public:
    explicit BudgetCache(std::size_t budgetBytes) : budget_(budgetBytes) {}
    // The entry, now the most recently used; null when it is not kept.
    const Value* find(std::uint16_t id) {
        for (auto it = entries_.begin(); it != entries_.end(); ++it) {
            if (it->id != id) continue;
            entries_.splice(entries_.end(), entries_, it);
            return &entries_.back().value;
        }
        return nullptr;
    }
    void put(std::uint16_t id, Value value, std::size_t bytes) {
        if (bytes > budget_) return;
        while (!entries_.empty() && used_ + bytes > budget_) {
            used_ -= entries_.front().bytes;
            entries_.pop_front();
        }
        entries_.push_back({id, std::move(value), bytes});
        used_ += bytes;
    }

private:
    struct Entry { std::uint16_t id; Value value; std::size_t bytes; };
    std::list<Entry> entries_;  // least recently used first
    std::size_t budget_, used_ = 0;
};

// Characters by id (the first definition of an id wins) with their cached
// geometry. Built once per movie and shared by every timeline.
class Dictionary {
public:
    explicit Dictionary(const MovieData& movie);

    const DefineShape* shape(std::uint16_t id) const;
    const DefineSprite* sprite(std::uint16_t id) const;
    const DefineFont* font(std::uint16_t id) const;
    const DefineText* text(std::uint16_t id) const;
    const FrameIndex* spriteFrames(std::uint16_t id) const;
    const FrameIndex& rootFrames() const { return root_; }

    // Tessellated geometry, built on first use and kept (the shape cache).
    const ShapeGeometry* shapeGeometry(std::uint16_t id) const;
    const QPainterPath* glyphPath(std::uint16_t fontId, std::uint32_t glyph) const;
    // The whole filled area of a shape as one path (used when it is a mask).
    const QPainterPath* maskOutline(std::uint16_t id) const;
    // Rendered images of characters, for the renderer.
    RasterCache& rasterCache() const { return raster_; }

    const DefineMorphShape* morph(std::uint16_t id) const;
    const DefineButton* button(std::uint16_t id) const;
    const DefineButtonCxform* buttonCxform(std::uint16_t id) const;
    const DefineButtonSound* buttonSound(std::uint16_t id) const;
    const DefineEditText* editText(std::uint16_t id) const;
    const DefineSound* sound(std::uint16_t id) const;
    bool isBitmap(std::uint16_t id) const;

    // Decoded images are kept up to this many bytes, the least recently used
    // given up first, so a movie of many frame-sized pictures stays bounded.
    static constexpr std::size_t kBitmapBudgetBytes = 256u << 20;
    // Decoded sounds (in the mixer's format) are kept up to this many bytes.
    static constexpr std::size_t kSoundBudgetBytes = 256u << 20;
    // Event sounds are decoded up to this many sample frames (5 minutes).
    static constexpr std::size_t kMaxSoundFrames = 44100u * 60u * 5u;

    // A bitmap character decoded (premultiplied ARGB), on first use; a null
    // image when the id is no bitmap or its data cannot be decoded.
    QImage bitmap(std::uint16_t id) const;
    // An event sound decoded into the mixer's format, on first use; null
    // when the id is no sound or its data cannot be decoded.
    std::shared_ptr<const Pcm> soundPcm(std::uint16_t id) const;
    // A morph shape at a ratio, tessellated (the last few ratios are kept).
    std::shared_ptr<const ShapeGeometry> morphGeometry(std::uint16_t id, std::uint16_t ratio) const;
    // The action program of a frame script or button action list, parsed once.
    const Avm1Program& program(const void* key, std::span<const std::uint8_t> bytes) const;
    const Avm1Program& program(const DoAction& action) const;
    // Whether a point (in the character's own twips) is inside what the
    // character draws: used for the hit-test state of buttons.
    bool hits(std::uint16_t id, QPointF local, int depth = 0) const;
    // Decoding failures met so far (English, for logs and tools).
    const std::vector<std::string>& mediaWarnings() const { return mediaWarnings_; }

private:
    void collect(const std::vector<Tag>& tags);
    bool defined(std::uint16_t id) const;
    // Remembers that an id's data does not decode, with a warning.
    void noteUndecodable(std::uint16_t id, const char* kind, const MediaError& error) const;
    std::unordered_map<std::uint16_t, const DefineShape*> shapes_;
    std::unordered_map<std::uint16_t, const DefineSprite*> sprites_;
    std::unordered_map<std::uint16_t, const DefineFont*> fonts_;
    std::unordered_map<std::uint16_t, const DefineText*> texts_;
    std::unordered_map<std::uint16_t, const DefineMorphShape*> morphs_;
    std::unordered_map<std::uint16_t, const DefineButton*> buttons_;
    std::unordered_map<std::uint16_t, const DefineButtonCxform*> buttonCxforms_;
    std::unordered_map<std::uint16_t, const DefineButtonSound*> buttonSounds_;
    std::unordered_map<std::uint16_t, const DefineEditText*> editTexts_;
    std::unordered_map<std::uint16_t, const DefineSound*> sounds_;
    std::unordered_map<std::uint16_t, const DefineBitsJpeg*> jpegs_;
    std::unordered_map<std::uint16_t, const DefineBitsLossless*> lossless_;
    const JpegTables* jpegTables_ = nullptr;
    std::unordered_map<std::uint16_t, FrameIndex> spriteFrames_;
    FrameIndex root_;
    mutable std::unordered_map<std::uint16_t, ShapeGeometry> geometry_;
    mutable std::unordered_map<std::uint64_t, QPainterPath> glyphs_;
    mutable std::unordered_map<std::uint16_t, QPainterPath> masks_;
    mutable RasterCache raster_;

    mutable BudgetCache<QImage> bitmaps_{kBitmapBudgetBytes};
    mutable BudgetCache<std::shared_ptr<const Pcm>> soundCache_{kSoundBudgetBytes};
    mutable std::unordered_set<std::uint16_t> undecodable_;  // bitmaps and sounds alike (ids are unique)
    mutable std::map<std::uint32_t, std::shared_ptr<const ShapeGeometry>> morphGeometry_;
    mutable std::unordered_map<const void*, Avm1Program> programs_;
    mutable std::vector<std::string> mediaWarnings_;
};

class Timeline;

// What all timelines of one player share: the dictionary, the budget against
// self-placing sprites and display-list floods, the script variables, the
// mixer, and the timelines that are alive (scripts aim at timelines by
// handle, and a handle is only used while its timeline lives).
struct PlayerContext {
    const Dictionary* dictionary = nullptr;
    std::size_t liveObjects = 0;
    std::size_t maxObjects = 20000;  // display objects alive over all timelines
    int maxNesting = 32;             // sprite instances inside sprite instances
    int maxActionListsPerTick = 64;  // frame action lists run per timeline step
    // Scripts that send other timelines elsewhere run those timelines' new
    // frames at once, up to this depth; deeper ones wait for their next step.
    int maxScriptDepth = 8;
    // Frame action lists run in one player operation (a tick, a goto, a
    // pointer event), over all timelines.
    int maxActionListsPerOperation = 2000;
    int scriptDepth = 0;
    int actionListsThisOperation = 0;
    std::uint64_t tick = 0;
    int version = 8;                 // the movie's file version, for script conversions
    Timeline* root = nullptr;
    AudioMixer* mixer = nullptr;
    Avm1Variables variables;
    // Where trace() messages go; dropped when empty.
    std::function<void(std::string_view)> trace;
    std::unordered_set<const Timeline*> live;
    // Sprite timelines taken off a display list while scripts may still run
    // on them; destroyed once the current player operation ends.
    std::vector<std::unique_ptr<Timeline>> graveyard;
    bool alive(const Timeline* t) const { return t && live.count(t) > 0; }
    // Starts (or, with syncStop, stops) an event sound in the mixer.
    void startSound(std::uint16_t soundId, const SoundInfo& info) const;
};

// A button instance: its pointer state and the timelines of the sprites its
// state records show (by record index).
struct ButtonInstance {
    explicit ButtonInstance(bool trackAsMenu) : machine(trackAsMenu) {}
    ButtonStateMachine machine;
    std::map<std::size_t, std::unique_ptr<Timeline>> sprites;
};

// One entry of a display list.
struct DisplayObject {
    std::uint16_t depth = 0;
    std::uint16_t characterId = 0;
    Matrix matrix;
    ColorTransform colorTransform;
    std::uint16_t ratio = 0;
    std::string name;
    std::uint16_t clipDepth = 0;        // non-zero: masks depths (depth, clipDepth]
    std::unique_ptr<Timeline> sprite;   // the instance's own timeline for sprites
    std::unique_ptr<ButtonInstance> button;  // the instance's state for buttons
    std::uint64_t bornTick = 0;

    DisplayObject();
    DisplayObject(DisplayObject&&) noexcept;
    DisplayObject& operator=(DisplayObject&&) noexcept;
    ~DisplayObject();
};

using DisplayList = std::map<std::uint16_t, DisplayObject>;  // by depth, bottom first

// A timeline: the movie's own or a sprite instance's.
class Timeline {
public:
    Timeline(const FrameIndex& frames, PlayerContext& context, int nesting, Timeline* parent = nullptr);
    ~Timeline();
    Timeline(const Timeline&) = delete;
    Timeline& operator=(const Timeline&) = delete;

    int currentFrame() const { return current_; }  // 1-based
    int frameCount() const { return static_cast<int>(frames_->frames.size()); }
    bool playing() const { return playing_; }
    void setPlaying(bool p) { playing_ = p; }
    const DisplayList& displayList() const { return list_; }

    // Shows frame 1 built from scratch and runs its actions.
    void reset();
    // Goes to a frame (clamped to 1..frameCount), rebuilding from frame 1 when
    // going backwards, and queues the target frame's sounds and scripts (run
    // by runQueuedActions, or by the next step).
    void gotoFrame(int frame);
    // One tick: the timeline moves on a frame when playing (at the end: back
    // to frame 1 when `loop`, else it stops), then the sprites that existed
    // before this tick take their own tick (sprites always loop).
    void step(bool loop);
    // Moves one frame forward regardless of the playing flag (no wrap), and
    // ticks the sprites.
    void stepForced();
    // Runs the scripts of frames reached by a goto since the last run.
    void runQueuedActions();

    Timeline* parent() const { return parent_; }
    // The sprite instance named `name` (case-insensitive) on this timeline's
    // display list, or null.
    Timeline* child(std::string_view name) const;
    const FrameIndex& frames() const { return *frames_; }

private:
    friend class Player;
    void clear();
    void discard(DisplayObject& obj);
    void startSounds(int frame);
    void applyFrameTags(int frame);  // display-list changes of one frame
    void enterFrame(int frame);      // apply tags, queue actions
    void runActions(const DoAction& action);
    void tickChildren(bool loop);
    void place(const PlaceObject& p);
    void remove(std::uint16_t depth);
    std::unique_ptr<Timeline> instantiate(std::uint16_t characterId);

    const FrameIndex* frames_;
    PlayerContext* ctx_;
    int nesting_;
    Timeline* parent_;
    int current_ = 1;
    bool playing_ = true;
    DisplayList list_;
    std::vector<int> pendingActionFrames_;
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
    // Frame 1's scripts run in the constructor, before a sink can be set:
    // a caller that needs them sets the sink and rewinds, or uses the
    // constructor that takes the sink.
    void setTraceSink(std::function<void(std::string_view)> sink) { ctx_.trace = std::move(sink); }
    bool looping() const { return looping_; }
    void play();
    void stop();
    bool playing() const;
    void rewind();   // frame 1, state rebuilt from scratch, stopped
    void forward();  // one frame on (none past the last) and stop
    void back();     // one frame back (rebuilt from frame 1) and stop
    void gotoFrame(int frame);  // 1-based, clamped; the playing flag is kept
    int currentFrame() const;   // 1-based
    int frameCount() const;     // frames actually present in the tag stream
    double frameIntervalMs() const;  // from the 8.8 rate, clamped to the range above
    // Runs the frames due after `elapsedMs` more milliseconds, at most
    // kMaxFramesPerAdvance per call (time beyond that is dropped).
    void advance(double elapsedMs);
    // Exactly one frame tick, as advance() does when a frame is due.
    void tick();

    // The pointer over the movie, in stage twips, and whether its button is
    // held: buttons change state, play their sounds and run their actions.
    // Returns whether a button changed state (the frame needs drawing again).
    bool pointer(QPointF stageTwips, bool pressed);
    // Whether the pointer is over a button (after the last pointer() call).
    bool overButton() const { return overButton_; }

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

private:
    void settle();  // after every operation: stream fed, discarded timelines freed
    std::shared_ptr<const MovieData> movie_;
    std::unique_ptr<Dictionary> dictionary_;
    AudioMixer mixer_;
    PlayerContext ctx_;
    std::unique_ptr<StreamScheduler> stream_;
    std::unique_ptr<Timeline> root_;
    bool overButton_ = false;
    bool looping_ = true;
    double pendingMs_ = 0;
};

}  // namespace swf
