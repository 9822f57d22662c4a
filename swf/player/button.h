// Buttons at play: the records of a state, hit testing, the pointer state
// machine and the action lists a transition runs.
#pragma once

#include <QPointF>

#include <cstdint>
#include <functional>
#include <vector>

#include "swf/format/button_tags.h"
#include "swf/format/types.h"

namespace swf {

// The records shown in a state, bottom depth first.
std::vector<const ButtonRecord*> recordsIn(const DefineButton& button, ButtonState state);

// Whether a point (in the button's coordinates, twips) is inside the hit-test
// state: each hit-test record's matrix is inverted and `hitCharacter` asked
// with the point in that character's coordinates.
using CharacterHit = std::function<bool(std::uint16_t characterId, QPointF local)>;
bool hitTest(const DefineButton& button, QPointF point, const CharacterHit& hitCharacter);

// Pointer-driven state: idle (up), over-up, over-down and out-down.
class ButtonStateMachine {
public:
    enum class Phase { Idle, OverUp, OverDown, OutDown };

    explicit ButtonStateMachine(bool trackAsMenu = false) : menu_(trackAsMenu) {}

    Phase phase() const { return phase_; }
    // The state whose records are drawn: out-down shows the over state.
    ButtonState shownState() const;
    // Feeds the pointer: whether it is over the button and whether the
    // button is held. Returns the transitions taken (buttoncond bits), in order.
    std::vector<std::uint16_t> pointer(bool over, bool pressed);
    // The button sound index (0..3) a transition plays, or -1.
    static int soundIndex(std::uint16_t transition);

private:
    bool menu_;
    Phase phase_ = Phase::Idle;
};

// The action lists of a button that a transition runs, in file order.
std::vector<const ButtonCondAction*> actionsFor(const DefineButton& button, std::uint16_t transition);

}  // namespace swf
