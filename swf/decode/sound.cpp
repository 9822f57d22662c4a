#include "swf/decode/sound.h"

#include <algorithm>
#include <cmath>

namespace swf {

using Span = std::span<const std::uint8_t>;

Result<Pcm> decodeRaw(Span data, bool is16Bit, bool stereo, int rate, const SoundLimits& limits) {
    Pcm pcm;
    pcm.rate = rate;
    pcm.channels = stereo ? 2 : 1;
    const std::size_t bytesPerFrame = (is16Bit ? 2u : 1u) * static_cast<std::size_t>(pcm.channels);
    std::size_t frames = data.size() / bytesPerFrame;  // a partial last frame is dropped
    if (frames > limits.maxFrames) return Result<Pcm>::fail(ErrorCode::TooLarge, "sound longer than the cap");
    pcm.samples.resize(frames * static_cast<std::size_t>(pcm.channels));
    for (std::size_t i = 0; i < pcm.samples.size(); ++i)
        pcm.samples[i] = is16Bit ? static_cast<std::int16_t>(data[2 * i] | (data[2 * i + 1] << 8))
                                 : static_cast<std::int16_t>((int(data[i]) - 128) << 8);  // 8-bit samples are unsigned
    return Result<Pcm>(std::move(pcm));
}

Result<Pcm> decodeSound(const DefineSound& s, const SoundLimits& limits) {
    const int rate = sampleRateOf(s.rate);
    Result<Pcm> r = Result<Pcm>::fail(ErrorCode::Unsupported, "no sound");
    switch (s.format) {
    case SoundFormat::RawNative:
    case SoundFormat::RawLittle: r = decodeRaw(s.data, s.is16Bit, s.stereo, rate, limits); break;
    case SoundFormat::Adpcm: r = decodeAdpcm(s.data, s.stereo, rate, limits); break;
    case SoundFormat::Mp3:
        if (s.data.size() < 2) return Result<Pcm>::fail(ErrorCode::Truncated, "MP3 sound without its seek field");
        r = decodeMp3(Span(s.data).subspan(2), limits);
        break;
    default:
        return Result<Pcm>::fail(ErrorCode::Unsupported,
                                 "sound format " + std::to_string(static_cast<int>(s.format)) + " is not decoded");
    }
    if (r.ok() && s.sampleCount > 0 && r->frames() > s.sampleCount)
        r->samples.resize(std::size_t(s.sampleCount) * static_cast<std::size_t>(r->channels));
    return r;
}

}  // namespace swf
