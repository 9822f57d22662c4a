#include "swf/format/button_tags.h"

#include <algorithm>

#include "swf/format/fields.h"
#include "swf/format/sound_tags.h"

namespace swf {

namespace {

using namespace fields;

// Size of a filter list (count byte included), walking each filter's fixed
// or counted layout; raises Truncated when it runs past the data.
std::size_t filterListSize(std::span<const std::uint8_t> d) {
    auto need = [&](std::size_t at, std::size_t n) {
        if (at > d.size() || d.size() - at < n) detail::raise(ErrorCode::Truncated, "filter list ends early");
    };
    need(0, 1);
    std::size_t n = d[0], p = 1;
    for (std::size_t i = 0; i < n; ++i) {
        need(p, 1);
        std::uint8_t id = d[p++];
        switch (id) {
        case 0:
            need(p, 23);
            p += 23;
            break;  // drop shadow
        case 1:
            need(p, 9);
            p += 9;
            break;  // blur
        case 2:
            need(p, 15);
            p += 15;
            break;  // glow
        case 3:
            need(p, 27);
            p += 27;
            break;  // bevel
        case 4:
        case 7: {  // gradient glow, gradient bevel
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
        case 6:
            need(p, 80);
            p += 80;
            break;  // colour matrix
        default: detail::raise(ErrorCode::Malformed, "unknown filter in a button record");
        }
    }
    return p;
}

std::vector<ButtonRecord> readRecords(BitReader& r, std::uint8_t version, std::size_t maxRecords) {
    std::vector<ButtonRecord> out;
    while (true) {
        std::uint8_t flags = r.u8();
        if (flags == 0) break;
        if (out.size() >= maxRecords) detail::raise(ErrorCode::TooLarge, "too many button records");
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

Result<DefineButton> parseDefineButton(std::uint8_t version, std::span<const std::uint8_t> body,
                                       const ButtonLimits& limits) {
    using R = Result<DefineButton>;
    if (version != 1 && version != 2) return R::fail(ErrorCode::Malformed, "bad button version");
    try {
        BitReader r(body);
        DefineButton b;
        b.version = version;
        b.id = r.u16();
        if (version == 1) {
            b.records = readRecords(r, 1, limits.maxRecords);
            b.actions.push_back({buttoncond::OverDownToOverUp, Bytes(r.rest().begin(), r.rest().end())});
            return R(std::move(b));
        }
        b.trackAsMenu = r.u8() & 1;
        std::size_t offsetAt = r.position();
        std::uint16_t actionOffset = r.u16();
        b.records = readRecords(r, 2, limits.maxRecords);
        if (actionOffset == 0) return R(std::move(b));
        std::size_t p = offsetAt + actionOffset;
        if (p < r.position() || p > body.size())
            return R::fail(ErrorCode::Malformed, "button action offset outside the tag");
        while (true) {
            if (b.actions.size() >= limits.maxActions) return R::fail(ErrorCode::TooLarge, "too many button actions");
            if (body.size() - p < 4) return R::fail(ErrorCode::Truncated, "button action header missing");
            std::size_t size = body[p] | (body[p + 1] << 8);
            ButtonCondAction a;
            a.conditions = static_cast<std::uint16_t>((body[p + 2] << 8) | body[p + 3]);
            std::size_t end = size == 0 ? body.size() : p + size;
            if (size != 0 && (size < 4 || end > body.size()))
                return R::fail(ErrorCode::Truncated, "button action longer than the tag");
            a.actions.assign(body.begin() + static_cast<std::ptrdiff_t>(p + 4),
                             body.begin() + static_cast<std::ptrdiff_t>(end));
            b.actions.push_back(std::move(a));
            if (size == 0) break;
            p = end;
        }
        return R(std::move(b));
    } catch (const Error& e) {
        return e.code == ErrorCode::Truncated ? R::fail(ErrorCode::Truncated, "button ends early") : R(e);
    }
}

Bytes encodeDefineButton(const DefineButton& b) {
    BitWriter w;
    w.u16(b.id);
    if (b.version == 1) {
        writeRecords(w, b.records, 1);
        if (!b.actions.empty())
            w.raw(b.actions.front().actions);
        else
            w.u8(0);
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

Result<DefineButtonCxform> parseDefineButtonCxform(std::span<const std::uint8_t> body) {
    try {
        BitReader r(body);
        DefineButtonCxform c;
        c.buttonId = r.u16();
        c.colorTransform = readCxform(r, false);
        return Result<DefineButtonCxform>(c);
    } catch (const Error&) {
        return Result<DefineButtonCxform>::fail(ErrorCode::Truncated, "button colour transform ends early");
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

Result<DefineButtonSound> parseDefineButtonSound(std::span<const std::uint8_t> body) {
    using R = Result<DefineButtonSound>;
    if (body.size() < 2) return R::fail(ErrorCode::Truncated, "button sound without a button id");
    DefineButtonSound s;
    s.buttonId = static_cast<std::uint16_t>(body[0] | (body[1] << 8));
    std::size_t p = 2;
    for (int i = 0; i < 4; ++i) {
        if (body.size() - p < 2) return R::fail(ErrorCode::Truncated, "button sound ends early");
        s.soundId[i] = static_cast<std::uint16_t>(body[p] | (body[p + 1] << 8));
        p += 2;
        if (s.soundId[i] == 0) continue;
        std::size_t used = 0;
        auto info = parseSoundInfo(body.subspan(p), &used);
        if (!info.ok()) return R::fail(info.error().code, info.error().detail);
        s.info[i] = *info;
        p += used;
    }
    return R(s);
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

}  // namespace swf
