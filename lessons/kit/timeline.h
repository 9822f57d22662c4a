// The composed movie before it becomes SWF: symbols (drawings and text blocks
// in stage pixels, shared when identical; buttons and sprites made of them)
// and, per frame, what stands at each depth, its label and its actions.
#pragma once

#include "lessons/kit/drawing.h"
#include "lessons/kit/text.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace lessons {

// A symbol at a depth: drawn at its own stage coordinates, then scaled about
// (0, 0) and moved by (tx, ty); alpha multiplies its opacity. A sprite
// placed with a name can be reached by the actions' SetTarget.
struct Placement {
    int symbol = -1;
    double tx = 0, ty = 0, scale = 1, alpha = 1;
    std::string name;
    friend bool operator==(const Placement&, const Placement&) = default;
};

struct Frame {
    std::map<int, Placement> layers;
    std::string label;                  // a frame label, empty for none
    std::vector<std::uint8_t> actions;  // the frame's action records and end byte, empty for none
};

// Button states, as the movie file counts them.
enum ButtonStates : std::uint8_t { kUpState = 1, kOverState = 2, kDownState = 4, kHitState = 8 };

// A piece of a button: a symbol shown in some of its states.
struct ButtonPart {
    int symbol = -1;
    std::uint8_t states = 0;
    int depth = 1;
};

// An action list a button runs on the pointer transitions of `conditions`
// (0x0800: the button released over itself, a click).
struct ButtonAction {
    std::uint16_t conditions = 0;
    std::vector<std::uint8_t> actions;  // action records and their end byte
};

// A shape (a drawing), a text block, a button (parts and actions) or a
// sprite (its own frames).
struct Symbol {
    bool isText = false;
    Drawing drawing;
    TextBlock text;
    std::vector<ButtonPart> parts;
    std::vector<ButtonAction> actions;
    std::vector<Frame> frames;
    bool isButton() const { return !parts.empty(); }
    bool isSprite() const { return !frames.empty(); }
};

class Timeline {
public:
    double width = 705, height = 481, fps = 12;
    std::vector<Symbol> symbols;
    std::vector<Frame> frames;

    // Shares identical symbols; an empty drawing or text gives -1 (nothing placed).
    int shape(const Drawing& d);
    int text(const TextBlock& t);
    // A button or a sprite, never shared.
    int add(Symbol s);

private:
    std::map<std::string, int> index_;
};

}  // namespace lessons
