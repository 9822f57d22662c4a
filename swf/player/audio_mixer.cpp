#include "swf/player/audio_mixer.h"

#include <algorithm>
#include <cmath>

namespace swf {

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
        voices_.erase(std::remove_if(voices_.begin(), voices_.end(), [&](const Voice& v) { return v.id == id; }),
                      voices_.end());
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
