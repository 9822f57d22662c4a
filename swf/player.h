// The movie model: character dictionary, display lists, timelines (the
// movie's and each sprite's), the supported actions and the frame clock.
// Time is injected: the host calls advance() with the milliseconds elapsed.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "swf/geometry.h"
#include "swf/raster_cache.h"
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

private:
    void collect(const std::vector<Tag>& tags);
    std::unordered_map<std::uint16_t, const DefineShape*> shapes_;
    std::unordered_map<std::uint16_t, const DefineSprite*> sprites_;
    std::unordered_map<std::uint16_t, const DefineFont*> fonts_;
    std::unordered_map<std::uint16_t, const DefineText*> texts_;
    std::unordered_map<std::uint16_t, FrameIndex> spriteFrames_;
    FrameIndex root_;
    mutable std::unordered_map<std::uint16_t, ShapeGeometry> geometry_;
    mutable std::unordered_map<std::uint64_t, QPainterPath> glyphs_;
    mutable std::unordered_map<std::uint16_t, QPainterPath> masks_;
    mutable RasterCache raster_;
};

class Timeline;

// Budget shared by all timelines of one player, against self-placing sprites
// and display-list floods.
struct PlayerContext {
    const Dictionary* dictionary = nullptr;
    std::size_t liveObjects = 0;
    std::size_t maxObjects = 20000;  // display objects alive over all timelines
    int maxNesting = 32;             // sprite instances inside sprite instances
    int maxActionListsPerTick = 64;  // frame action lists run per timeline step
    std::uint64_t tick = 0;
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
    Timeline(const FrameIndex& frames, PlayerContext& context, int nesting);
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
    // going backwards, then runs the target frame's actions.
    void gotoFrame(int frame);
    // One tick: the timeline moves on a frame when playing (at the end: back
    // to frame 1 when `loop`, else it stops), then the sprites that existed
    // before this tick take their own tick (sprites always loop).
    void step(bool loop);
    // Moves one frame forward regardless of the playing flag (no wrap), and
    // ticks the sprites.
    void stepForced();

private:
    void clear();
    void applyFrameTags(int frame);  // display-list changes of one frame
    void enterFrame(int frame);      // apply tags, queue actions
    void runQueuedActions();
    void runActions(const DoAction& action);
    void tickChildren(bool loop);
    void place(const PlaceObject& p);
    void remove(std::uint16_t depth);
    std::unique_ptr<Timeline> instantiate(std::uint16_t characterId);

    const FrameIndex* frames_;
    PlayerContext* ctx_;
    int nesting_;
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
    ~Player();
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    void setLooping(bool on) { looping_ = on; }
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

    const MovieData& movie() const { return *movie_; }
    const Header& header() const { return movie_->header; }
    const Dictionary& dictionary() const { return *dictionary_; }
    const Timeline& root() const { return *root_; }
    const DisplayList& displayList() const { return root_->displayList(); }
    int maxNesting() const { return ctx_.maxNesting; }

private:
    std::shared_ptr<const MovieData> movie_;
    std::unique_ptr<Dictionary> dictionary_;
    PlayerContext ctx_;
    std::unique_ptr<Timeline> root_;
    bool looping_ = true;
    double pendingMs_ = 0;
};

}  // namespace swf
