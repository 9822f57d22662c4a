#include "swf/sound.h"

#include <algorithm>
#include <cmath>

namespace swf {

namespace {

using Span = std::span<const std::uint8_t>;

struct In {
    Span d;
    std::size_t p = 0;
    bool has(std::size_t n) const { return d.size() - p >= n; }
    std::uint8_t u8() { return d[p++]; }
    std::uint16_t u16() { std::uint16_t v = d[p] | (d[p + 1] << 8); p += 2; return v; }
    std::uint32_t u32() { std::uint32_t lo = u16(); return lo | (std::uint32_t(u16()) << 16); }
};
void put16(Bytes& o, std::uint16_t v) { o.push_back(v & 0xFF); o.push_back(v >> 8); }
void put32(Bytes& o, std::uint32_t v) { put16(o, v & 0xFFFF); put16(o, v >> 16); }

template <class T>
Decoded<T> truncated(const char* what) { return Decoded<T>::fail(MediaErrorCode::Truncated, what); }

}  // namespace

int sampleRateOf(std::uint8_t code) {
    static const int rates[4] = {5512, 11025, 22050, 44100};
    return rates[code & 3];
}

Decoded<SoundInfo> parseSoundInfo(Span bytes, std::size_t* used) {
    In in{bytes};
    if (!in.has(1)) return truncated<SoundInfo>("sound info missing");
    SoundInfo s;
    std::uint8_t f = in.u8();
    s.syncStop = f & 0x20;
    s.syncNoMultiple = f & 0x10;
    if (f & 0x01) { if (!in.has(4)) return truncated<SoundInfo>("in point missing"); s.inPoint = in.u32(); }
    if (f & 0x02) { if (!in.has(4)) return truncated<SoundInfo>("out point missing"); s.outPoint = in.u32(); }
    if (f & 0x04) { if (!in.has(2)) return truncated<SoundInfo>("loop count missing"); s.loops = in.u16(); }
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
    return Decoded<SoundInfo>::of(std::move(s));
}

Bytes encodeSoundInfo(const SoundInfo& s) {
    Bytes o;
    o.push_back(static_cast<std::uint8_t>((s.syncStop ? 0x20 : 0) | (s.syncNoMultiple ? 0x10 : 0) | (s.envelope ? 0x08 : 0) |
                                          (s.loops ? 0x04 : 0) | (s.outPoint ? 0x02 : 0) | (s.inPoint ? 0x01 : 0)));
    if (s.inPoint) put32(o, *s.inPoint);
    if (s.outPoint) put32(o, *s.outPoint);
    if (s.loops) put16(o, *s.loops);
    if (s.envelope) {
        std::size_t n = std::min<std::size_t>(s.envelope->size(), 255);
        o.push_back(static_cast<std::uint8_t>(n));
        for (std::size_t i = 0; i < n; ++i) {
            put32(o, (*s.envelope)[i].pos44);
            put16(o, (*s.envelope)[i].left);
            put16(o, (*s.envelope)[i].right);
        }
    }
    return o;
}

Decoded<DefineSound> parseDefineSound(Span body) {
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
    return Decoded<DefineSound>::of(std::move(s));
}

Bytes encodeDefineSound(const DefineSound& s) {
    Bytes o;
    put16(o, s.id);
    o.push_back(static_cast<std::uint8_t>((static_cast<int>(s.format) << 4) | ((s.rate & 3) << 2) | (s.is16Bit ? 2 : 0) | (s.stereo ? 1 : 0)));
    put32(o, s.sampleCount);
    o.insert(o.end(), s.data.begin(), s.data.end());
    return o;
}

Decoded<StartSound> parseStartSound(std::uint8_t version, Span body) {
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
    if (!info.ok()) return Decoded<StartSound>::fail(info.error.code, info.error.detail);
    s.info = *info.value;
    return Decoded<StartSound>::of(std::move(s));
}

Bytes encodeStartSound(const StartSound& s) {
    Bytes o;
    if (s.version == 1) put16(o, s.soundId);
    else { o.insert(o.end(), s.className.begin(), s.className.end()); o.push_back(0); }
    Bytes info = encodeSoundInfo(s.info);
    o.insert(o.end(), info.begin(), info.end());
    return o;
}

Decoded<SoundStreamHead> parseSoundStreamHead(std::uint8_t version, Span body) {
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
    return Decoded<SoundStreamHead>::of(h);
}

Bytes encodeSoundStreamHead(const SoundStreamHead& h) {
    Bytes o;
    o.push_back(static_cast<std::uint8_t>(((h.playbackRate & 3) << 2) | (h.playback16Bit ? 2 : 0) | (h.playbackStereo ? 1 : 0)));
    o.push_back(static_cast<std::uint8_t>((static_cast<int>(h.format) << 4) | ((h.rate & 3) << 2) | (h.is16Bit ? 2 : 0) | (h.stereo ? 1 : 0)));
    put16(o, h.samplesPerBlock);
    if (h.format == SoundFormat::Mp3) put16(o, static_cast<std::uint16_t>(h.latencySeek));
    return o;
}

Decoded<Pcm> decodeRaw(Span data, bool is16Bit, bool stereo, int rate, const SoundLimits& limits) {
    Pcm pcm;
    pcm.rate = rate;
    pcm.channels = stereo ? 2 : 1;
    const std::size_t bytesPerFrame = (is16Bit ? 2u : 1u) * static_cast<std::size_t>(pcm.channels);
    std::size_t frames = data.size() / bytesPerFrame;  // a partial last frame is dropped
    if (frames > limits.maxFrames) return Decoded<Pcm>::fail(MediaErrorCode::TooLarge, "sound longer than the cap");
    pcm.samples.resize(frames * static_cast<std::size_t>(pcm.channels));
    for (std::size_t i = 0; i < pcm.samples.size(); ++i)
        pcm.samples[i] = is16Bit ? static_cast<std::int16_t>(data[2 * i] | (data[2 * i + 1] << 8))
                                 : static_cast<std::int16_t>((int(data[i]) - 128) << 8);  // 8-bit samples are unsigned
    return Decoded<Pcm>::of(std::move(pcm));
}

Decoded<Pcm> decodeSound(const DefineSound& s, const SoundLimits& limits) {
    const int rate = sampleRateOf(s.rate);
    Decoded<Pcm> r;
    switch (s.format) {
    case SoundFormat::RawNative:
    case SoundFormat::RawLittle: r = decodeRaw(s.data, s.is16Bit, s.stereo, rate, limits); break;
    case SoundFormat::Adpcm: r = decodeAdpcm(s.data, s.stereo, rate, limits); break;
    case SoundFormat::Mp3:
        if (s.data.size() < 2) return truncated<Pcm>("MP3 sound without its seek field");
        r = decodeMp3(Span(s.data).subspan(2), limits);
        break;
    default:
        return Decoded<Pcm>::fail(MediaErrorCode::Unsupported, "sound format " + std::to_string(static_cast<int>(s.format)) + " is not decoded");
    }
    if (r.ok() && s.sampleCount > 0 && r.value->frames() > s.sampleCount)
        r.value->samples.resize(std::size_t(s.sampleCount) * static_cast<std::size_t>(r.value->channels));
    return r;
}

// --- Stream scheduling --------------------------------------------------------

StreamScheduler::StreamScheduler(const SoundStreamHead& head, double fps, SoundLimits limits)
    : head_(head), limits_(limits) {
    rate_ = sampleRateOf(head.rate);
    channels_ = head.stereo ? 2 : 1;
    fps = fps > 0 ? fps : 12;
    samplesPerFrame_ = head.samplesPerBlock ? head.samplesPerBlock : rate_ / fps;
}

StreamScheduler::~StreamScheduler() = default;

void StreamScheduler::setBlock(int frame, Bytes data) { blocks_[frame] = std::move(data); }

Pcm StreamScheduler::decodeBlock(const Bytes& data) {
    // A block holds at most a few seconds; more is refused.
    SoundLimits blockLimits{std::min<std::size_t>(limits_.maxFrames, static_cast<std::size_t>(rate_) * 10)};
    Decoded<Pcm> r;
    switch (head_.format) {
    case SoundFormat::RawNative:
    case SoundFormat::RawLittle: r = decodeRaw(data, head_.is16Bit, head_.stereo, rate_, blockLimits); break;
    case SoundFormat::Adpcm: r = decodeAdpcm(data, head_.stereo, rate_, blockLimits); break;
    case SoundFormat::Mp3:
        if (data.size() < 4) { r = truncated<Pcm>("MP3 stream block without its header"); break; }
        if (!mp3_) mp3_ = std::make_unique<Mp3Stream>();
        r = mp3_->feed(Span(data).subspan(4), blockLimits.maxFrames);
        break;
    default: r = Decoded<Pcm>::fail(MediaErrorCode::Unsupported, "stream format is not decoded");
    }
    if (!r.ok()) {
        lastError_ = r.error;
        return {};
    }
    rate_ = r.value->rate;
    channels_ = r.value->channels;
    return std::move(*r.value);
}

StreamScheduler::Output StreamScheduler::frameShown(int frame) {
    Output out;
    if (frame == lastFrame_) return out;
    const bool sequential = lastFrame_ != 0 && frame == lastFrame_ + 1;
    lastFrame_ = frame;
    if (!sequential) {
        out.restart = true;
        mp3_.reset();
        startFrame_ = frame;
        delivered_ = 0;
    }
    if (blocks_.empty() || frame < blocks_.begin()->first) {
        startFrame_ = frame + 1;  // the stream has not begun yet
        return out;
    }
    if (frame > blocks_.rbegin()->first) return out;  // the stream is over
    auto it = blocks_.find(frame);
    bool silent = it == blocks_.end();
    if (!silent) {
        lastError_.reset();
        out.pcm = decodeBlock(it->second);
        silent = lastError_.has_value();
    }
    out.pcm.rate = rate_;
    out.pcm.channels = channels_;
    // Frames without a block, or whose block would not decode, get silence
    // up to where the stream should be, so later blocks stay in step. (An MP3
    // block may legitimately give nothing yet: the decoder holds a frame back.)
    std::int64_t due = std::llround((frame - startFrame_ + 1) * samplesPerFrame_);
    std::int64_t have = delivered_ + static_cast<std::int64_t>(out.pcm.frames());
    if (silent && have < due)
        out.pcm.samples.resize(static_cast<std::size_t>(due - have) * static_cast<std::size_t>(channels_), 0);
    // Undecodable MP3 data gives nothing and no error; more than two frames
    // behind means it is not the decoder's hold-back, so silence fills the
    // gap, leaving one frame of slack.
    const auto slack = static_cast<std::int64_t>(std::ceil(samplesPerFrame_));
    if (!silent && due - have > 2 * slack)
        out.pcm.samples.resize(out.pcm.samples.size() + static_cast<std::size_t>(due - slack - have) * static_cast<std::size_t>(channels_), 0);
    // The padding bits that end an ADPCM block can read as one more sample;
    // such a stray sample would make the stream drift, so it is dropped.
    if (head_.format == SoundFormat::Adpcm && have > due && have - due < 2)
        out.pcm.samples.resize(static_cast<std::size_t>(due - delivered_) * static_cast<std::size_t>(channels_));
    delivered_ += static_cast<std::int64_t>(out.pcm.frames());
    return out;
}

// --- Mixing -------------------------------------------------------------------

Pcm toMixFormat(const Pcm& in) {
    Pcm out;
    out.rate = AudioMixer::kRate;
    out.channels = 2;
    const std::size_t frames = in.frames();
    if (frames == 0 || in.rate <= 0) return out;
    const int ch = in.channels;
    if (in.rate == AudioMixer::kRate && ch == 2) return in;
    const double step = double(in.rate) / AudioMixer::kRate;
    const std::size_t outFrames = static_cast<std::size_t>(std::ceil(frames / step));
    out.samples.resize(outFrames * 2);
    for (std::size_t i = 0; i < outFrames; ++i) {
        double pos = i * step;
        std::size_t k = std::min(static_cast<std::size_t>(pos), frames - 1);
        std::size_t k1 = std::min(k + 1, frames - 1);
        double t = pos - double(k);
        for (int c = 0; c < 2; ++c) {
            int sc = std::min(c, ch - 1);
            double a = in.samples[k * ch + sc], b = in.samples[k1 * ch + sc];
            out.samples[i * 2 + c] = static_cast<std::int16_t>(std::lround(a + (b - a) * t));
        }
    }
    return out;
}

void AudioMixer::start(std::uint16_t id, std::shared_ptr<const Pcm> pcm, const SoundInfo& info) {
    if (info.syncStop) {
        voices_.erase(std::remove_if(voices_.begin(), voices_.end(), [&](const Voice& v) { return v.id == id; }), voices_.end());
        return;
    }
    if (info.syncNoMultiple && playing(id)) return;
    if (!pcm || pcm->frames() == 0) return;
    if (voices_.size() >= kMaxVoices) voices_.erase(voices_.begin());  // the oldest gives way
    Voice v;
    v.id = id;
    v.pcm = (pcm->rate == kRate && pcm->channels == 2) ? pcm : std::make_shared<const Pcm>(toMixFormat(*pcm));
    const double frames = double(v.pcm->frames());
    v.begin = std::min(frames, double(info.inPoint.value_or(0)));
    v.end = info.outPoint ? std::clamp(double(*info.outPoint), v.begin, frames) : frames;
    v.position = v.begin;
    v.loopsLeft = std::max<int>(1, info.loops.value_or(1)) - 1;
    if (v.end <= v.begin) return;
    voices_.push_back(std::move(v));
}

void AudioMixer::stopAll() {
    voices_.clear();
    clearStream();
}

bool AudioMixer::playing(std::uint16_t id) const {
    return std::any_of(voices_.begin(), voices_.end(), [&](const Voice& v) { return v.id == id; });
}

void AudioMixer::queueStream(const Pcm& pcm) {
    Pcm mix = toMixFormat(pcm);
    // Compact what was read, then keep at most the newest kMaxStreamFrames.
    stream_.erase(stream_.begin(), stream_.begin() + static_cast<std::ptrdiff_t>(streamRead_));
    streamRead_ = 0;
    stream_.insert(stream_.end(), mix.samples.begin(), mix.samples.end());
    if (stream_.size() > kMaxStreamFrames * 2)
        stream_.erase(stream_.begin(), stream_.end() - static_cast<std::ptrdiff_t>(kMaxStreamFrames * 2));
}

void AudioMixer::clearStream() {
    stream_.clear();
    streamRead_ = 0;
}

std::size_t AudioMixer::queuedStreamFrames() const { return (stream_.size() - streamRead_) / 2; }

void AudioMixer::read(std::int16_t* out, std::size_t frames) {
    std::vector<std::int32_t> acc(frames * 2, 0);
    std::size_t fromStream = std::min(frames, queuedStreamFrames());
    for (std::size_t i = 0; i < fromStream * 2; ++i) acc[i] += stream_[streamRead_ + i];
    streamRead_ += fromStream * 2;
    for (auto& v : voices_) {
        for (std::size_t i = 0; i < frames; ++i) {
            if (v.position >= v.end) {
                if (v.loopsLeft <= 0) break;
                --v.loopsLeft;
                v.position = v.begin;
            }
            std::size_t k = static_cast<std::size_t>(v.position);
            acc[2 * i] += v.pcm->samples[2 * k];
            acc[2 * i + 1] += v.pcm->samples[2 * k + 1];
            v.position += 1;
        }
    }
    voices_.erase(std::remove_if(voices_.begin(), voices_.end(),
                                 [](const Voice& v) { return v.position >= v.end && v.loopsLeft <= 0; }),
                  voices_.end());
    for (std::size_t i = 0; i < frames * 2; ++i) out[i] = static_cast<std::int16_t>(std::clamp(acc[i], -32768, 32767));
}

}  // namespace swf
