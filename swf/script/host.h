// What the action machine asks of the stage. The player implements it.
// Clips are opaque handles (0 is "none"); the machine never looks inside.
// Every method has a harmless default so that a host can grow step by step
// and new stage features add methods here without touching existing hosts.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "swf/script/drawing.h"

namespace swf::script {

class TextFieldAccess;  // text_field.h

using ClipHandle = std::uintptr_t;
class Object;

// Display properties by their GetProperty/SetProperty number.
enum class DisplayProperty : int {
    X = 0,
    Y,
    XScale,
    YScale,
    CurrentFrame,
    TotalFrames,
    Alpha,
    Visible,
    Width,
    Height,
    Rotation,
    Target,
    FramesLoaded,
    Name,
    DropTarget,
    Url,
    HighQuality,
    FocusRect,
    SoundBufTime,
    Quality,
    XMouse,
    YMouse,
    Count
};
// "_x" → X ... ("_X" too: the names are case-insensitive in every version).
std::optional<DisplayProperty> displayPropertyByName(std::string_view name);
const char* displayPropertyName(DisplayProperty p);

// A display property's value: a number, a string (_name, _target, _url,
// _droptarget, _quality) or a boolean (_visible is a number 0/1 in the
// reference player's GetProperty, but reads as a boolean by member access).
using HostValue = std::variant<std::monostate, double, std::string, bool>;

// A clip's colour transform as scripts see it: a multiplier (1 leaves the
// channel as it is) and an offset (in 0..255 units) per channel.
struct ColorTransformValue {
    double redMul = 1, greenMul = 1, blueMul = 1, alphaMul = 1;
    double redAdd = 0, greenAdd = 0, blueAdd = 0, alphaAdd = 0;
};

struct DragBounds {
    double left = 0, top = 0, right = 0, bottom = 0;
};

class Host {
public:
    virtual ~Host() = default;

    // ---- the clip tree
    virtual ClipHandle root() { return 0; }
    virtual ClipHandle level(int n) { return n == 0 ? root() : 0; }
    virtual ClipHandle parent(ClipHandle clip) { return 0; }
    // The child instance of `clip` with this instance name (the first in depth order).
    virtual ClipHandle child(ClipHandle clip, std::string_view name, bool caseSensitive) { return 0; }
    // Child instances in the order for..in lists them.
    virtual std::vector<std::pair<std::string, ClipHandle>> children(ClipHandle clip) { return {}; }
    // "/a/b" ("/" for the root; "_level0" style when asked with dots).
    virtual std::string targetPath(ClipHandle clip, bool dotted) { return dotted ? "_level0" : "/"; }
    // The clip whose frame or button script is running: the timeline a
    // clip method called as a plain function (attachMovie(...)) acts on.
    virtual ClipHandle scriptClip() { return 0; }
    // Is the handle still on the stage?
    virtual bool alive(ClipHandle clip) { return clip != 0; }

    // ---- display properties
    virtual HostValue getProperty(ClipHandle clip, DisplayProperty p) { return {}; }
    virtual void setProperty(ClipHandle clip, DisplayProperty p, const HostValue& v) {}
    // The clip's colour transform (Color, Transform); nullopt when the stage keeps none for it.
    virtual std::optional<ColorTransformValue> colorTransform(ClipHandle clip) { return std::nullopt; }
    virtual void setColorTransform(ClipHandle clip, const ColorTransformValue& ct) {}

    // ---- timeline commands (frames 0-based)
    virtual void play(ClipHandle clip) {}
    virtual void stop(ClipHandle clip) {}
    virtual void gotoFrame(ClipHandle clip, int frame, bool andPlay) {}
    virtual bool gotoLabel(ClipHandle clip, std::string_view label, bool andPlay) { return false; }
    virtual void nextFrame(ClipHandle clip) {}
    virtual void prevFrame(ClipHandle clip) {}
    virtual int currentFrame(ClipHandle clip) { return 1; }  // 1-based
    virtual int totalFrames(ClipHandle clip) { return 1; }
    virtual int framesLoaded(ClipHandle clip) { return totalFrames(clip); }
    // Frame number of a label (0-based), -1 when absent (WaitForFrame, goto with a label).
    virtual int frameOfLabel(ClipHandle clip, std::string_view label) { return -1; }

    // The action blocks of a frame (0-based), for the Call action.
    virtual std::vector<std::span<const std::uint8_t>> frameActions(ClipHandle clip, int frame) { return {}; }

    // ---- sprites
    virtual void cloneSprite(ClipHandle source, std::string_view name, int depth) {}
    // The clip duplicateMovieClip made (cloneSprite with its result), 0 when none.
    virtual ClipHandle duplicateClip(ClipHandle source, std::string_view name, int depth) {
        cloneSprite(source, name, depth);
        return 0;
    }
    // A new instance of the character exported under `exportName`, named
    // `name`, at a script depth of `clip`; 0 when nothing was placed.
    virtual ClipHandle attachMovie(ClipHandle clip, std::string_view exportName, std::string_view name, int depth) {
        return 0;
    }
    // A new empty clip in `clip`; 0 when nothing was placed.
    virtual ClipHandle createEmptyMovieClip(ClipHandle clip, std::string_view name, int depth) { return 0; }
    // The clip's depth as scripts number it (timeline depths from -16383 up).
    virtual std::optional<int> depthOf(ClipHandle clip) { return std::nullopt; }
    // The depths of a clip's display list as scripts number them, bottom first
    // (the depths that hold a clip as well as those that hold a shape or text).
    virtual std::vector<int> childDepths(ClipHandle clip) { return {}; }
    // The clip at a script depth of `clip`, 0 when none is there.
    virtual ClipHandle childAtDepth(ClipHandle clip, int depth) { return 0; }
    virtual void removeSprite(ClipHandle clip) {}
    // A drawing method called on a clip (MovieClip.beginFill, lineTo...).
    virtual void draw(ClipHandle clip, const DrawCommand& command) {}
    virtual void startDrag(ClipHandle clip, bool lockCenter, std::optional<DragBounds> bounds) {}
    virtual void stopDrag() {}

    // ---- input devices (Key, Mouse)
    // The code and character of the last key pressed or released (Key.getCode, Key.getAscii).
    virtual int lastKeyCode() { return 0; }
    virtual std::uint32_t lastKeyAscii() { return 0; }
    // Whether the key with this code is held, or (Caps Lock, Num Lock) switched on.
    virtual bool keyIsDown(int code) { return false; }
    virtual bool keyIsToggled(int code) { return false; }
    // Shows or hides the pointer over the movie; returns whether it was shown before.
    virtual bool setPointerShown(bool shown) { return true; }

    // ---- the outside world
    virtual void getUrl(std::string_view url, std::string_view window, int method) {}
    // Loading another movie into a clip or a level replaces what it shows
    // once the file is read (from the next frame on); an empty url unloads.
    virtual void loadMovie(ClipHandle target, std::string_view url) {}
    virtual void loadMovieNum(int level, std::string_view url) {}
    // Variables read from a url-encoded text file ("a=1&b=deux") set on a
    // clip or a level's movie, from the next frame on.
    virtual void loadVariables(ClipHandle target, std::string_view url) {}
    virtual void loadVariablesNum(int level, std::string_view url) {}
    // MovieClipLoader.loadClip into a clip, or (clip 0) into a level: a
    // load like loadMovie whose steps the host tells `loader` by calling
    // its broadcastMessage (onLoadStart, onLoadProgress, onLoadComplete,
    // onLoadInit, or onLoadError). A host that takes the load keeps the
    // loader alive (Machine::addRoot) until it has told the end. Returns
    // whether the load was taken.
    virtual bool loadClip(ClipHandle clip, int level, std::string_view url, Object* loader) { return false; }
    // MovieClipLoader.unloadClip: a clip (or, clip 0, a level) unloads, and
    // the loads waiting for it are dropped.
    virtual void unloadClip(ClipHandle clip, int level) {
        if (clip)
            loadMovie(clip, "");
        else
            loadMovieNum(level, "");
    }
    // The bytes of the movie a clip shows, loaded and in all.
    virtual std::pair<double, double> bytesOf(ClipHandle clip) { return {0, 0}; }
    virtual void stopSounds() {}
    virtual void toggleQuality() {}
    virtual void trace(std::string_view line) {}
    // A script was stopped or did something the machine refused.
    virtual void warning(std::string_view message) {}
    // Milliseconds since the movie started (getTimer, GetTime).
    virtual double timeMs() { return 0; }
    // A uniformly random integer in [0, bound) (bound ≥ 1).
    virtual std::uint32_t random(std::uint32_t bound) { return 0; }

    // ---- text fields (text_field.h)
    // The field a handle shows, or null when the handle is no text field.
    virtual TextFieldAccess* textField(ClipHandle clip) { return nullptr; }
    // A new empty text field in `clip` at a script depth, its bounds in
    // pixels; 0 when nothing was placed. removeSprite takes it away.
    virtual ClipHandle createTextField(ClipHandle clip, std::string_view name, int depth, double x, double y,
                                       double width, double height) {
        return 0;
    }
};

}  // namespace swf::script
