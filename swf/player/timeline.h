// Timelines (the movie's own and each sprite instance's), their display
// lists, and what all timelines of one player share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "swf/format/types.h"
#include "swf/player/audio_mixer.h"
#include "swf/player/button.h"
#include "swf/player/dictionary.h"
#include "swf/player/drawing.h"
#include "swf/player/imports.h"
#include "swf/player/input.h"
#include "swf/script/machine.h"

namespace swf {

class Timeline;
class TextField;  // text_field.h

// A movie loaded into a clip or a level: the file and its own characters.
// The timelines showing it share it and keep it alive.
struct LoadedMovie {
    std::shared_ptr<const MovieData> movie;
    std::unique_ptr<Dictionary> dictionary;
    std::size_t bytes = 0;  // the file's size
};

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
    FrameIndex emptyFrames;  // the timeline of clips scripts create empty
    int actionListsThisOperation = 0;
    std::uint64_t tick = 0;
    int version = 8;  // the movie's file version, for script conversions
    Timeline* root = nullptr;
    AudioMixer* mixer = nullptr;
    // The action machine of the movie's scripts and the stage it sees (the
    // host first: the machine refers to it and goes first).
    std::unique_ptr<script::Host> scriptHost;
    std::unique_ptr<script::Machine> machine;
    double frameMs = 1000.0 / 12;  // the movie clock's step, for getTimer and intervals
    // The sprites whose DoInitAction ran, by dictionary: each sprite's init
    // actions run once, whichever tag (or sprite) holds them.
    std::set<std::pair<const Dictionary*, std::uint16_t>> initActionsRun;
    // Where loadMovie reads files (none: every load fails); at most this many bytes a file.
    AssetFetcher fetch;
    std::size_t maxLoadBytes = 64u << 20;
    std::size_t loadBudget = 256u << 20;  // bytes all loads of the player's life may read
    // Loads and unloads asked by scripts, done at the start of the next tick
    // in the order asked: into a clip (target) or a level (target null).
    struct PendingLoad {
        const Timeline* target = nullptr;
        int level = 0;
        std::string url;
        bool variables = false;  // a text of variables, not a movie
        // A MovieClipLoader's load: the loader hears how it goes (the
        // machine keeps it alive until then).
        script::Object* loader = nullptr;
        bool cancelled = false;  // unloadClip came first: the load tells its start only
        // A loader's file is read at the end of the frame that asked (a
        // missing file is told at once); it comes into the clip on the next.
        bool read = false;
        std::shared_ptr<const Bytes> bytes;
    };
    std::vector<PendingLoad> loads;
    std::size_t maxPendingLoads = 64;
    // Unnamed sprite and button instances are named "instance1", "instance2"...
    std::uint64_t instanceCount = 0;
    // The levels above the movie's own (_level1...), by number.
    std::map<int, std::unique_ptr<Timeline>> levels;
    // Where trace() messages go; dropped when empty.
    std::function<void(std::string_view)> trace;
    std::unordered_set<const Timeline*> live;
    // The text fields on the stage and the timeline each one is on.
    std::unordered_map<const TextField*, Timeline*> textFields;
    // The pointer and the keyboard (input.h), kept by the player's input entry points.
    InputState input;
    // Sprite timelines taken off a display list while scripts may still run
    // on them; destroyed once the current player operation ends.
    std::vector<std::unique_ptr<Timeline>> graveyard;
    bool alive(const Timeline* t) const { return t && live.count(t) > 0; }
    // Starts (or, with syncStop, stops) an event sound in the mixer.
    void startSound(std::uint16_t soundId, const SoundInfo& info, const Dictionary* from = nullptr) const;
};

// An event handler a PlaceObject tag attaches to a sprite instance
// (onClipEvent): the events it answers (Load 0x1, EnterFrame 0x2, ...) and
// its action bytes.
struct ClipAction {
    std::uint32_t events = 0;
    Bytes actions;
    std::uint8_t keyCode = 0;  // the key a keyPress handler answers (button key codes)
};
using ClipActions = std::vector<ClipAction>;
// The handlers of a PlaceObject tag (those after filters are not read);
// empty when it has none or they do not decode. Bounded by the tag's size.
ClipActions parseClipActions(const PlaceObject& p, int version);

// A button instance: its pointer state and the timelines of the sprites its
// state records show (by record index).
struct ButtonInstance {
    explicit ButtonInstance(bool trackAsMenu) : machine(trackAsMenu) {}
    ButtonStateMachine machine;
    std::map<std::size_t, std::unique_ptr<Timeline>> sprites;
    std::map<std::size_t, std::string> names;  // the instance names of those sprites
};

// One entry of a display list.
struct DisplayObject {
    std::uint16_t depth = 0;
    std::uint16_t characterId = 0;
    Matrix matrix;
    ColorTransform colorTransform;
    std::uint16_t ratio = 0;
    std::string name;
    std::uint16_t clipDepth = 0;                     // non-zero: masks depths (depth, clipDepth]
    std::shared_ptr<const ClipActions> clipActions;  // onClipEvent handlers, when the tag has some
    std::unique_ptr<Timeline> sprite;                // the instance's own timeline for sprites
    std::unique_ptr<ButtonInstance> button;          // the instance's state for buttons
    std::unique_ptr<TextField> text;                 // the field's state for edit text
    std::uint64_t bornTick = 0;
    // The index of the PlaceObject tag that placed it in its timeline's tags.
    std::size_t placedBy = 0;
    // Set by scripts (_visible); drawing skips an invisible object.
    bool visible = true;
    // A script changed the matrix or colour transform: the timeline's
    // PlaceObject moves no longer change them.
    bool scriptTransformed = false;
    // The scales (percent) and rotation (degrees) as scripts last set them;
    // the matrix holds them only to its precision, and a rotation of a
    // zero scale cannot be read back from it. Dropped when the timeline
    // replaces the matrix.
    bool hasScriptScale = false;
    double xscale = 100, yscale = 100, rotation = 0;

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
    // The characters this timeline's tags refer to: the movie's, or a loaded movie's.
    const Dictionary& dictionary() const { return *dict_; }
    // The level a timeline without a parent shows (0 for the movie's own).
    int level() const { return level_; }
    void setLevel(int n) { level_ = n; }
    // Shows another movie from its first frame (its scripts run), in place
    // of everything this timeline showed; null shows nothing (one empty frame).
    void loadContent(std::shared_ptr<const LoadedMovie> movie);
    // The same, but the first frame's scripts wait (for runQueuedActions).
    void showContent(std::shared_ptr<const LoadedMovie> movie);
    // The movie this timeline shows when a script loaded it, or null.
    const LoadedMovie* loaded() const { return loaded_.get(); }
    // The sprite instance named `name` (case-insensitive) on this timeline's
    // display list, or null.
    Timeline* child(std::string_view name) const;
    const FrameIndex& frames() const { return *frames_; }
    // The display-list entry that shows `child` (a sprite instance of this
    // timeline's list), or null.
    DisplayObject* objectOf(const Timeline* child);

    // Objects scripts place (attachMovie, createEmptyMovieClip,
    // duplicateMovieClip) carry this instead of a tag index; going back to
    // an earlier frame keeps them.
    static constexpr std::size_t kPlacedByScript = static_cast<std::size_t>(-1);
    // Script depths are list depths less this: the timeline's own depths read
    // from -16383 up, scripts place from 0 up.
    static constexpr int kScriptDepthOffset = 16384;
    // Places a sprite instance (characterId 0: an empty clip) for a script at
    // a list depth, replacing what is there; its first frame's scripts wait
    // for this timeline's queue. Null when it cannot be placed.
    Timeline* placeByScript(std::uint16_t depth, std::uint16_t characterId, const std::string& name,
                            const Matrix& matrix = {}, const ColorTransform& cx = {});
    // Takes a script-placed object off the list; false when `child` is no
    // sprite of this list or the timeline placed it.
    bool removeByScript(const Timeline* child);
    // Text fields: the one named `name` (case-insensitive), the entry
    // showing `field`, a new empty one placed by a script at a list depth
    // (bounds in twips, at x, y in twips), and taking one away.
    TextField* textChild(std::string_view name) const;
    DisplayObject* objectOf(const TextField* field);
    TextField* placeTextField(std::uint16_t depth, const std::string& name, const Rect& bounds, double x, double y);
    bool removeText(const TextField* field);

    // What the clip's scripts drew (beginFill, lineTo...), under its children.
    Drawing& drawing() { return drawing_; }
    const Drawing& drawing() const { return drawing_; }

private:
    friend class Player;
    void clear();
    void discard(DisplayObject& obj);
    void startSounds(int frame);
    void applyFrameTags(int frame);  // display-list changes of one frame
    void enterFrame(int frame);      // apply tags, queue actions
    void runActions(const DoAction& action);
    void tickChildren(bool loop);
    void place(const PlaceObject& p, std::size_t tagIndex);
    // Rebuilds the display list up to `frame` from frame 1, keeping the
    // objects that the same PlaceObject tag placed at the same depth.
    void rebuildTo(int frame);
    void remove(std::uint16_t depth);
    std::unique_ptr<Timeline> instantiate(std::uint16_t characterId);

    const FrameIndex* frames_;
    PlayerContext* ctx_;
    const Dictionary* dict_;
    std::shared_ptr<const LoadedMovie> loaded_;
    int level_ = 0;
    int nesting_;
    Timeline* parent_;
    int current_ = 1;
    bool playing_ = true;
    DisplayList list_;
    std::vector<int> pendingActionFrames_;
    bool classDone_ = false;      // a registered class had its chance to construct the clip
    bool loadEventDone_ = false;  // the Load handlers ran (after the first frame's scripts)
    DisplayList rewinding_;       // during rebuildTo: the objects before it, still to reuse
    Drawing drawing_;
};

// Runs a script outside any frame (a button's action list) with `target` as
// its timeline, then the new frames of the timelines it sent elsewhere.
void runScriptOn(PlayerContext& ctx, std::span<const std::uint8_t> actions, Timeline* target);
// Makes the context's action machine (once the movie's version is known).
void startScripts(PlayerContext& ctx);
// Reads the files of the MovieClipLoader loads asked for this frame; tells
// their loaders of the files that are missing.
void readLoaderFiles(PlayerContext& ctx);
// Does the loads and unloads scripts asked for since the last call.
void runLoads(PlayerContext& ctx);
// The enterFrame event of every clip alive: its onClipEvent(enterFrame)
// handlers, then its onEnterFrame method; children before their parent,
// the topmost first, each level's movie last.
void dispatchEnterFrame(PlayerContext& ctx);

}  // namespace swf
