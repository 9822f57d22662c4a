#include "swf/format/sound_tags.h"

#include <algorithm>

#include "swf/format/bitio.h"

namespace swf {

namespace {

using Span = std::span<const std::uint8_t>;

struct In {
    Span d;
    std::size_t p = 0;
    bool has(std::size_t n) const { return d.size() - p >= n; }
    std::uint8_t u8() { return d[p++]; }
    std::uint16_t u16() {
        std::uint16_t v = d[p] | (d[p + 1] << 8);
        p += 2;
        return v;
    }
    std::uint32_t u32() {
        std::uint32_t lo = u16();
        return lo | (std::uint32_t(u16()) << 16);
    }
};
using detail::putU16;
using detail::putU32;

template <class T>
Result<T> truncated(const char* what) {
    return Result<T>::fail(ErrorCode::Truncated, what);
}

}  // namespace

int sampleRateOf(std::uint8_t code) {
    static const int rates[4] = {5512, 11025, 22050, 44100};
    return rates[code & 3];
}

Result<SoundInfo> parseSoundInfo(Span bytes, std::size_t* used) {
    In in{bytes};
    if (!in.has(1)) return truncated<SoundInfo>("sound info missing");
    SoundInfo s;
    std::uint8_t f = in.u8();
    s.syncStop = f & 0x20;
    s.syncNoMultiple = f & 0x10;
    if (f & 0x01) {
        if (!in.has(4)) return truncated<SoundInfo>("in point missing");
        s.inPoint = in.u32();
    }
    if (f & 0x02) {
        if (!in.has(4)) return truncated<SoundInfo>("out point missing");
        s.outPoint = in.u32();
    }
    if (f & 0x04) {
        if (!in.has(2)) return truncated<SoundInfo>("loop count missing");
        s.loops = in.u16();
    }
    if (f & 0x08) {
        if (!in.has(1)) return truncated<SoundInfo>("envelope missing");
        std::size_t n = in.u8();
        if (!in.has(n * 8)) return truncated<SoundInfo>("envelope shorter than its count");
        s.envelope.emplace();
        for (std::size_t i = 0; i < n; ++i) {
            SoundEnvelopePoint e;
            e.pos44 = in.u32();
            e.left = in.u16();
            e.right = in.u16();
            s.envelope->push_back(e);
        }
    }
    if (used) *used = in.p;
    return Result<SoundInfo>(std::move(s));
}

Bytes encodeSoundInfo(const SoundInfo& s) {
    Bytes o;
    o.push_back(static_cast<std::uint8_t>((s.syncStop ? 0x20 : 0) | (s.syncNoMultiple ? 0x10 : 0) |
                                          (s.envelope ? 0x08 : 0) | (s.loops ? 0x04 : 0) | (s.outPoint ? 0x02 : 0) |
                                          (s.inPoint ? 0x01 : 0)));
    if (s.inPoint) putU32(o, *s.inPoint);
    if (s.outPoint) putU32(o, *s.outPoint);
    if (s.loops) putU16(o, *s.loops);
    if (s.envelope) {
        std::size_t n = std::min<std::size_t>(s.envelope->size(), 255);
        o.push_back(static_cast<std::uint8_t>(n));
        for (std::size_t i = 0; i < n; ++i) {
            putU32(o, (*s.envelope)[i].pos44);
            putU16(o, (*s.envelope)[i].left);
            putU16(o, (*s.envelope)[i].right);
        }
    }
    return o;
}

Result<DefineSound> parseDefineSound(Span body) {
    In in{body};
    if (!in.has(7)) return truncated<DefineSound>("sound shorter than its header");
    DefineSound s;
    s.id = in.u16();
    std::uint8_t f = in.u8();
    s.format = static_cast<SoundFormat>(f >> 4);
    s.rate = (f >> 2) & 3;
    s.is16Bit = f & 2;
    s.stereo = f & 1;
    s.sampleCount = in.u32();
    s.data.assign(body.begin() + 7, body.end());
    return Result<DefineSound>(std::move(s));
}

Bytes encodeDefineSound(const DefineSound& s) {
    Bytes o;
    putU16(o, s.id);
    o.push_back(static_cast<std::uint8_t>((static_cast<int>(s.format) << 4) | ((s.rate & 3) << 2) |
                                          (s.is16Bit ? 2 : 0) | (s.stereo ? 1 : 0)));
    putU32(o, s.sampleCount);
    o.insert(o.end(), s.data.begin(), s.data.end());
    return o;
}

Result<StartSound> parseStartSound(std::uint8_t version, Span body) {
    StartSound s;
    s.version = version;
    std::size_t p = 0;
    if (version == 1) {
        if (body.size() < 2) return truncated<StartSound>("start sound without a sound id");
        s.soundId = static_cast<std::uint16_t>(body[0] | (body[1] << 8));
        p = 2;
    } else {
        auto zero = std::find(body.begin(), body.end(), 0);
        if (zero == body.end()) return truncated<StartSound>("sound class name without its end");
        s.className.assign(body.begin(), zero);
        p = static_cast<std::size_t>(zero - body.begin()) + 1;
    }
    auto info = parseSoundInfo(body.subspan(p));
    if (!info.ok()) return Result<StartSound>::fail(info.error().code, info.error().detail);
    s.info = *info;
    return Result<StartSound>(std::move(s));
}

Bytes encodeStartSound(const StartSound& s) {
    Bytes o;
    if (s.version == 1)
        putU16(o, s.soundId);
    else {
        o.insert(o.end(), s.className.begin(), s.className.end());
        o.push_back(0);
    }
    Bytes info = encodeSoundInfo(s.info);
    o.insert(o.end(), info.begin(), info.end());
    return o;
}

Result<SoundStreamHead> parseSoundStreamHead(std::uint8_t version, Span body) {
    In in{body};
    if (!in.has(4)) return truncated<SoundStreamHead>("stream head shorter than its fields");
    SoundStreamHead h;
    h.version = version;
    std::uint8_t a = in.u8(), b = in.u8();
    h.playbackRate = (a >> 2) & 3;
    h.playback16Bit = a & 2;
    h.playbackStereo = a & 1;
    h.format = static_cast<SoundFormat>(b >> 4);
    h.rate = (b >> 2) & 3;
    h.is16Bit = b & 2;
    h.stereo = b & 1;
    h.samplesPerBlock = in.u16();
    // Some tools leave out the MP3 latency field.
    if (h.format == SoundFormat::Mp3 && in.has(2)) h.latencySeek = static_cast<std::int16_t>(in.u16());
    return Result<SoundStreamHead>(h);
}

Bytes encodeSoundStreamHead(const SoundStreamHead& h) {
    Bytes o;
    o.push_back(static_cast<std::uint8_t>(((h.playbackRate & 3) << 2) | (h.playback16Bit ? 2 : 0) |
                                          (h.playbackStereo ? 1 : 0)));
    o.push_back(static_cast<std::uint8_t>((static_cast<int>(h.format) << 4) | ((h.rate & 3) << 2) |
                                          (h.is16Bit ? 2 : 0) | (h.stereo ? 1 : 0)));
    putU16(o, h.samplesPerBlock);
    if (h.format == SoundFormat::Mp3) putU16(o, static_cast<std::uint16_t>(h.latencySeek));
    return o;
}

}  // namespace swf
