// Buttons: DefineButton and DefineButton2 with their per-state records and
// condition actions, DefineButtonCxform, DefineButtonSound, and the pointer
// state machine that drives them.
#pragma once

#include <QPointF>

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "swf/part2/media.h"
#include "swf/part2/sound.h"
#include "swf/types.h"

namespace swf {

namespace buttoncode {
enum : std::uint16_t { DefineButton = 7, DefineButtonSound = 17, DefineButtonCxform = 23, DefineButton2 = 34 };
}

enum class ButtonState : std::uint8_t { Up = 1, Over = 2, Down = 4, HitTest = 8 };

struct ButtonRecord {
    std::uint8_t states = 0;  // ButtonState bits
    std::uint16_t characterId = 0;
    std::uint16_t depth = 0;
    Matrix matrix;
    ColorTransform colorTransform;  // DefineButton2 only
    Bytes filters;                  // DefineButton2: the filter list, kept raw
    std::optional<std::uint8_t> blendMode;  // DefineButton2
    bool hasFilters = false;
    bool operator==(const ButtonRecord&) const = default;
    bool in(ButtonState s) const { return states & static_cast<std::uint8_t>(s); }
};

// Condition bits of a button action, as stored (the high byte's bit order).
namespace buttoncond {
enum : std::uint16_t {
    IdleToOverDown = 0x8000, OutDownToIdle = 0x4000, OutDownToOverDown = 0x2000, OverDownToOutDown = 0x1000,
    OverDownToOverUp = 0x0800,  // release
    OverUpToOverDown = 0x0400,  // press
    OverUpToIdle = 0x0200, IdleToOverUp = 0x0100,
    OverDownToIdle = 0x0001,
};
}

struct ButtonCondAction {
    std::uint16_t conditions = 0;  // buttoncond bits; the key code sits in bits 1..7
    Bytes actions;                 // action records and their end byte
    std::uint8_t keyCode() const { return static_cast<std::uint8_t>((conditions >> 1) & 0x7F); }
    bool operator==(const ButtonCondAction&) const = default;
};

// DefineButton (version 1: its single action list runs on release) and
// DefineButton2 (version 2: colour transforms per record, condition actions,
// track-as-menu).
struct DefineButton {
    std::uint8_t version = 2;
    std::uint16_t id = 0;
    bool trackAsMenu = false;
    std::vector<ButtonRecord> records;
    std::vector<ButtonCondAction> actions;  // version 1: one entry, OverDownToOverUp
    bool operator==(const DefineButton&) const = default;
};

struct DefineButtonCxform {
    std::uint16_t buttonId = 0;
    ColorTransform colorTransform;  // no alpha terms
    bool operator==(const DefineButtonCxform&) const = default;
};

// Sounds for four transitions: over-up to idle, idle to over-up, over-up to
// over-down, over-down to over-up. A sound id of 0 plays nothing.
struct DefineButtonSound {
    std::uint16_t buttonId = 0;
    std::uint16_t soundId[4] = {0, 0, 0, 0};
    SoundInfo info[4];
    bool operator==(const DefineButtonSound&) const = default;
};

struct ButtonLimits {
    std::size_t maxRecords = 4096;
    std::size_t maxActions = 4096;
};

Decoded<DefineButton> parseDefineButton(std::uint8_t version, std::span<const std::uint8_t> body, const ButtonLimits& limits = {});
Bytes encodeDefineButton(const DefineButton& tag);
Decoded<DefineButtonCxform> parseDefineButtonCxform(std::span<const std::uint8_t> body);
Bytes encodeDefineButtonCxform(const DefineButtonCxform& tag);
Decoded<DefineButtonSound> parseDefineButtonSound(std::span<const std::uint8_t> body);
Bytes encodeDefineButtonSound(const DefineButtonSound& tag);

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
