// Recorded pointer and key events, as a JSON list of objects such as
// {"type": "MouseDown", "pos": [20, 20], "btn": "Left"}, {"type": "Wait"},
// {"type": "KeyDown", "key": {"Char": "a"}} or {"type": "KeyDown", "key": "Tab"}.
// A "Wait" ends the events of one frame: the player plays a frame before the
// events that follow it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace swf {

struct InputEvent {
    enum class Kind {
        Wait,
        MouseMove,
        MouseDown,
        MouseUp,
        MouseWheel,
        KeyDown,
        KeyUp,
        TextInput,
        TextControl,
        SetClipboardText,
        ImePreedit
    };
    enum class Button { Left, Middle, Right };
    Kind kind = Kind::Wait;
    double x = 0, y = 0;  // stage pixels (pointer events)
    Button button = Button::Left;
    double lines = 0;             // MouseWheel: positive away from the user
    int keyCode = 0;              // KeyDown/KeyUp: the key's code as scripts read it (Key.getCode)
    std::uint32_t ascii = 0;      // KeyDown/KeyUp: the character it types (Key.getAscii), 0 for none
    std::uint32_t codepoint = 0;  // TextInput
    std::string text;             // TextControl: its code ("Paste"...); SetClipboardText, ImePreedit: the text
};

// The events of a recording, or nothing with a French message in `error`
// (a malformed or hostile text: too long, too deep, too many events,
// unknown types or keys). Never throws.
struct InputLimits {
    std::size_t maxBytes = 4u << 20;
    std::size_t maxEvents = 200000;
    int maxDepth = 16;
};
std::optional<std::vector<InputEvent>> parseInputEvents(std::string_view json, std::string& error,
                                                        const InputLimits& limits = {});

// The key code (Key.getCode) and character (Key.getAscii) of a named key
// ("Tab", "Enter", "Left"...), or nullopt for a name this player does not know.
struct KeyIdentity {
    int code = 0;
    std::uint32_t ascii = 0;
};
std::optional<KeyIdentity> namedKey(std::string_view name);
// The key that types a character: letters give their capital's code and the
// character itself ('a' → 65, 97).
KeyIdentity charKey(std::uint32_t codepoint);

}  // namespace swf
