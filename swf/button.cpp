#include "swf/button.h"

#include <QTransform>

#include <algorithm>

#include "swf/fields.h"
#include "swf/geometry.h"

namespace swf {

namespace {

using namespace fields;
struct BadFilter {};

// Size of a filter list (count byte included), walking each filter's fixed
// or counted layout; throws OutOfData when it runs past the data.
std::size_t filterListSize(std::span<const std::uint8_t> d) {
    auto need = [&](std::size_t at, std::size_t n) { if (at > d.size() || d.size() - at < n) throw detail::OutOfData(); };
    need(0, 1);
    std::size_t n = d[0], p = 1;
    for (std::size_t i = 0; i < n; ++i) {
        need(p, 1);
        std::uint8_t id = d[p++];
        switch (id) {
        case 0: need(p, 23); p += 23; break;  // drop shadow
        case 1: need(p, 9); p += 9; break;    // blur
        case 2: need(p, 15); p += 15; break;  // glow
        case 3: need(p, 27); p += 27; break;  // bevel
        case 4: case 7: {                     // gradient glow, gradient bevel
            need(p, 1);
            std::size_t colors = d[p++];
            need(p, colors * 5 + 19);
            p += colors * 5 + 19;
            break;
        }
        case 5: {  // convolution
            need(p, 2);
            std::size_t cells = std::size_t(d[p]) * d[p + 1];
            p += 2;
            need(p, 8 + cells * 4 + 5);
            p += 8 + cells * 4 + 5;
            break;
        }
        case 6: need(p, 80); p += 80; break;  // colour matrix
        default: throw BadFilter{};
        }
    }
    return p;
}

std::vector<ButtonRecord> readRecords(BitReader& r, std::uint8_t version, std::size_t maxRecords) {
    std::vector<ButtonRecord> out;
    while (true) {
        std::uint8_t flags = r.u8();
        if (flags == 0) break;
        if (out.size() >= maxRecords) throw RecordsTooMany{};
        ButtonRecord rec;
        rec.states = flags & 0x0F;
        rec.characterId = r.u16();
        rec.depth = r.u16();
        rec.matrix = readMatrix(r);
        if (version == 2) {
            rec.colorTransform = readCxform(r, true);
            if (flags & 0x10) {
                rec.hasFilters = true;
                std::size_t n = filterListSize(r.rest());
                rec.filters = r.bytes(n);
            }
            if (flags & 0x20) rec.blendMode = r.u8();
        }
        out.push_back(std::move(rec));
    }
    return out;
}

void writeRecords(BitWriter& w, const std::vector<ButtonRecord>& recs, std::uint8_t version) {
    for (const auto& rec : recs) {
        std::uint8_t flags = rec.states & 0x0F;
        if (version == 2 && rec.hasFilters) flags |= 0x10;
        if (version == 2 && rec.blendMode) flags |= 0x20;
        if (flags == 0) flags = static_cast<std::uint8_t>(ButtonState::Up);  // a zero byte would end the list
        w.u8(flags);
        w.u16(rec.characterId);
        w.u16(rec.depth);
        writeMatrix(w, rec.matrix);
        if (version == 2) {
            writeCxform(w, rec.colorTransform, true);
            if (rec.hasFilters) w.raw(rec.filters.empty() ? Bytes{0} : rec.filters);
            if (rec.blendMode) w.u8(*rec.blendMode);
        }
    }
    w.u8(0);
}

}  // namespace

Decoded<DefineButton> parseDefineButton(std::uint8_t version, std::span<const std::uint8_t> body, const ButtonLimits& limits) {
    using R = Decoded<DefineButton>;
    if (version != 1 && version != 2) return R::fail(MediaErrorCode::Malformed, "bad button version");
    try {
        BitReader r(body);
        DefineButton b;
        b.version = version;
        b.id = r.u16();
        if (version == 1) {
            b.records = readRecords(r, 1, limits.maxRecords);
            b.actions.push_back({buttoncond::OverDownToOverUp, Bytes(r.rest().begin(), r.rest().end())});
            return R::of(std::move(b));
        }
        b.trackAsMenu = r.u8() & 1;
        std::size_t offsetAt = r.position();
        std::uint16_t actionOffset = r.u16();
        b.records = readRecords(r, 2, limits.maxRecords);
        if (actionOffset == 0) return R::of(std::move(b));
        std::size_t p = offsetAt + actionOffset;
        if (p < r.position() || p > body.size()) return R::fail(MediaErrorCode::Malformed, "button action offset outside the tag");
        while (true) {
            if (b.actions.size() >= limits.maxActions) return R::fail(MediaErrorCode::TooLarge, "too many button actions");
            if (body.size() - p < 4) return R::fail(MediaErrorCode::Truncated, "button action header missing");
            std::size_t size = body[p] | (body[p + 1] << 8);
            ButtonCondAction a;
            a.conditions = static_cast<std::uint16_t>((body[p + 2] << 8) | body[p + 3]);
            std::size_t end = size == 0 ? body.size() : p + size;
            if (size != 0 && (size < 4 || end > body.size())) return R::fail(MediaErrorCode::Truncated, "button action longer than the tag");
            a.actions.assign(body.begin() + static_cast<std::ptrdiff_t>(p + 4), body.begin() + static_cast<std::ptrdiff_t>(end));
            b.actions.push_back(std::move(a));
            if (size == 0) break;
            p = end;
        }
        return R::of(std::move(b));
    } catch (const detail::OutOfData&) {
        return R::fail(MediaErrorCode::Truncated, "button ends early");
    } catch (const RecordsTooMany&) {
        return R::fail(MediaErrorCode::TooLarge, "too many button records");
    } catch (const BadFilter&) {
        return R::fail(MediaErrorCode::Malformed, "unknown filter in a button record");
    }
}

Bytes encodeDefineButton(const DefineButton& b) {
    BitWriter w;
    w.u16(b.id);
    if (b.version == 1) {
        writeRecords(w, b.records, 1);
        if (!b.actions.empty()) w.raw(b.actions.front().actions);
        else w.u8(0);
        return w.bytes();
    }
    w.u8(b.trackAsMenu ? 1 : 0);
    BitWriter recs;
    writeRecords(recs, b.records, 2);
    Bytes& rb = recs.bytes();
    w.u16(b.actions.empty() ? 0 : static_cast<std::uint16_t>(2 + rb.size()));
    w.raw(rb);
    for (std::size_t i = 0; i < b.actions.size(); ++i) {
        const auto& a = b.actions[i];
        bool last = i + 1 == b.actions.size();
        w.u16(last ? 0 : static_cast<std::uint16_t>(4 + a.actions.size()));
        w.u8(static_cast<std::uint8_t>(a.conditions >> 8));
        w.u8(static_cast<std::uint8_t>(a.conditions & 0xFF));
        w.raw(a.actions);
    }
    return w.bytes();
}

Decoded<DefineButtonCxform> parseDefineButtonCxform(std::span<const std::uint8_t> body) {
    try {
        BitReader r(body);
        DefineButtonCxform c;
        c.buttonId = r.u16();
        c.colorTransform = readCxform(r, false);
        return Decoded<DefineButtonCxform>::of(c);
    } catch (const detail::OutOfData&) {
        return Decoded<DefineButtonCxform>::fail(MediaErrorCode::Truncated, "button colour transform ends early");
    }
}

Bytes encodeDefineButtonCxform(const DefineButtonCxform& c) {
    BitWriter w;
    w.u16(c.buttonId);
    ColorTransform noAlpha = c.colorTransform;
    noAlpha.multA = 256;
    noAlpha.addA = 0;
    writeCxform(w, noAlpha, false);
    return w.bytes();
}

Decoded<DefineButtonSound> parseDefineButtonSound(std::span<const std::uint8_t> body) {
    using R = Decoded<DefineButtonSound>;
    if (body.size() < 2) return R::fail(MediaErrorCode::Truncated, "button sound without a button id");
    DefineButtonSound s;
    s.buttonId = static_cast<std::uint16_t>(body[0] | (body[1] << 8));
    std::size_t p = 2;
    for (int i = 0; i < 4; ++i) {
        if (body.size() - p < 2) return R::fail(MediaErrorCode::Truncated, "button sound ends early");
        s.soundId[i] = static_cast<std::uint16_t>(body[p] | (body[p + 1] << 8));
        p += 2;
        if (s.soundId[i] == 0) continue;
        std::size_t used = 0;
        auto info = parseSoundInfo(body.subspan(p), &used);
        if (!info.ok()) return R::fail(info.error.code, info.error.detail);
        s.info[i] = *info.value;
        p += used;
    }
    return R::of(s);
}

Bytes encodeDefineButtonSound(const DefineButtonSound& s) {
    Bytes out{static_cast<std::uint8_t>(s.buttonId & 0xFF), static_cast<std::uint8_t>(s.buttonId >> 8)};
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<std::uint8_t>(s.soundId[i] & 0xFF));
        out.push_back(static_cast<std::uint8_t>(s.soundId[i] >> 8));
        if (s.soundId[i] == 0) continue;
        Bytes info = encodeSoundInfo(s.info[i]);
        out.insert(out.end(), info.begin(), info.end());
    }
    return out;
}

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
    auto go = [&](Phase p, std::uint16_t cond) { phase_ = p; t.push_back(cond); };
    switch (phase_) {
    case Phase::Idle:
        if (over && !pressed) go(Phase::OverUp, IdleToOverUp);
        else if (over && pressed && menu_) go(Phase::OverDown, IdleToOverDown);
        break;
    case Phase::OverUp:
        if (!over) go(Phase::Idle, OverUpToIdle);
        else if (pressed) go(Phase::OverDown, OverUpToOverDown);
        break;
    case Phase::OverDown:
        if (over && !pressed) go(Phase::OverUp, OverDownToOverUp);
        else if (!over && pressed) {
            if (menu_) go(Phase::Idle, OverDownToIdle);
            else go(Phase::OutDown, OverDownToOutDown);
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
        if (over && pressed) go(Phase::OverDown, OutDownToOverDown);
        else if (over && !pressed) {
            go(Phase::OverDown, OutDownToOverDown);
            go(Phase::OverUp, OverDownToOverUp);
        } else if (!pressed) go(Phase::Idle, OutDownToIdle);
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
