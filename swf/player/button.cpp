#include "swf/player/button.h"

#include "swf/player/shape_tessellator.h"

namespace swf {

std::vector<const ButtonRecord*> recordsIn(const DefineButton& button, ButtonState state) {
    std::vector<const ButtonRecord*> out;
    for (const auto& r : button.records)
        if (r.in(state)) out.push_back(&r);
    std::stable_sort(out.begin(), out.end(), [](auto* a, auto* b) { return a->depth < b->depth; });
    return out;
}

bool hitTest(const DefineButton& button, QPointF point, const CharacterHit& hitCharacter) {
    for (const auto* rec : recordsIn(button, ButtonState::HitTest)) {
        QTransform t = toTransform(rec->matrix);
        bool invertible = false;
        QTransform inv = t.inverted(&invertible);
        if (!invertible) continue;
        if (hitCharacter(rec->characterId, inv.map(point))) return true;
    }
    return false;
}

ButtonState ButtonStateMachine::shownState() const {
    switch (phase_) {
    case Phase::Idle: return ButtonState::Up;
    case Phase::OverUp: return ButtonState::Over;
    case Phase::OverDown: return ButtonState::Down;
    case Phase::OutDown: return ButtonState::Over;
    }
    return ButtonState::Up;
}

std::vector<std::uint16_t> ButtonStateMachine::pointer(bool over, bool pressed) {
    using namespace buttoncond;
    std::vector<std::uint16_t> t;
    auto go = [&](Phase p, std::uint16_t cond) {
        phase_ = p;
        t.push_back(cond);
    };
    switch (phase_) {
    case Phase::Idle:
        if (over && !pressed)
            go(Phase::OverUp, IdleToOverUp);
        else if (over && pressed && menu_)
            go(Phase::OverDown, IdleToOverDown);
        break;
    case Phase::OverUp:
        if (!over)
            go(Phase::Idle, OverUpToIdle);
        else if (pressed)
            go(Phase::OverDown, OverUpToOverDown);
        break;
    case Phase::OverDown:
        if (over && !pressed)
            go(Phase::OverUp, OverDownToOverUp);
        else if (!over && pressed) {
            if (menu_)
                go(Phase::Idle, OverDownToIdle);
            else
                go(Phase::OutDown, OverDownToOutDown);
        } else if (!over && !pressed) {
            // Moved out, then released: no click.
            if (menu_) {
                go(Phase::Idle, OverDownToIdle);
            } else {
                go(Phase::OutDown, OverDownToOutDown);
                go(Phase::Idle, OutDownToIdle);
            }
        }
        break;
    case Phase::OutDown:
        if (over && pressed)
            go(Phase::OverDown, OutDownToOverDown);
        else if (over && !pressed) {
            go(Phase::OverDown, OutDownToOverDown);
            go(Phase::OverUp, OverDownToOverUp);
        } else if (!pressed)
            go(Phase::Idle, OutDownToIdle);
        break;
    }
    return t;
}

int ButtonStateMachine::soundIndex(std::uint16_t transition) {
    switch (transition) {
    case buttoncond::OverUpToIdle: return 0;
    case buttoncond::IdleToOverUp: return 1;
    case buttoncond::OverUpToOverDown: return 2;
    case buttoncond::OverDownToOverUp: return 3;
    default: return -1;
    }
}

std::vector<const ButtonCondAction*> actionsFor(const DefineButton& button, std::uint16_t transition) {
    std::vector<const ButtonCondAction*> out;
    for (const auto& a : button.actions)
        if (a.conditions & transition & ~0x00FE) out.push_back(&a);
    return out;
}

}  // namespace swf
