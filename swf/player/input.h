// The pointer and the keyboard as the movie sees them: where the pointer is,
// what it is over and holds, the keys held, and the clip being dragged.
// The player's input entry points (Player::mouseMove... in input.cpp) keep
// this state and send the events to the clips, buttons and listeners.
#pragma once

#include <QPointF>
#include <QRectF>

#include <bitset>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace swf {

class Timeline;
struct InputEvent;

// The object the pointer acts on: a clip with pointer handlers (onPress,
// onRelease...) or a button instance (its owner's display-list entry at a depth).
struct PointerTarget {
    Timeline* clip = nullptr;
    Timeline* buttonOwner = nullptr;
    std::uint16_t buttonDepth = 0;
    bool empty() const { return !clip && !buttonOwner; }
    bool operator==(const PointerTarget&) const = default;
};

struct InputState {
    QPointF pointer;            // stage twips
    bool pointerKnown = false;  // no pointer event yet
    bool pressed = false;
    bool pointerShown = true;
    // The object under the pointer, and the one the press went to (while held).
    PointerTarget hovered, pressedOn;
    // The last key pressed or released, and the keys held.
    int lastKeyCode = 0;
    std::uint32_t lastKeyAscii = 0;
    // Mouse buttons count as keys 1 (left), 2 (right) and 4 (middle); every
    // press of a key flips its toggled state (Caps Lock's light, and any other key's too).
    std::bitset<256> keysDown, keysToggled;
    // startDrag: the clip following the pointer, its offset from the pointer
    // in its parent's pixels, and the rectangle it is kept in.
    Timeline* dragged = nullptr;
    QPointF dragOffset;
    std::optional<QRectF> dragBounds;
    // Text typed and text commands, for the focused text field (the text
    // side fills this in); unhandled when empty.
    std::function<void(const InputEvent&)> textHandler;
};

}  // namespace swf
