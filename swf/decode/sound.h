// Sound samples: decoders for uncompressed, ADPCM and MP3 data into 16-bit
// PCM, one call per event sound or one persistent decoder per MP3 stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "swf/format/error.h"
#include "swf/format/sound_tags.h"
#include "swf/format/types.h"

namespace swf {

// 16-bit signed samples, channels interleaved.
struct Pcm {
    int rate = 44100;
    int channels = 1;
    std::vector<std::int16_t> samples;
    std::size_t frames() const { return channels ? samples.size() / static_cast<std::size_t>(channels) : 0; }
    bool operator==(const Pcm&) const = default;
};

struct SoundLimits {
    std::size_t maxFrames = 44100u * 60u * 20u;  // sample frames per decoded sound (20 minutes at 44.1 kHz)
};

// Uncompressed data: 8-bit samples are unsigned, 16-bit ones signed.
Result<Pcm> decodeRaw(std::span<const std::uint8_t> data, bool is16Bit, bool stereo, int rate,
                      const SoundLimits& limits = {});
// ADPCM: a 2-bit code size (2..5 bits per sample), then packets of 4096
// samples per channel, each starting with a 16-bit sample and a 6-bit step
// index per channel. Stops at the last complete sample.
Result<Pcm> decodeAdpcm(std::span<const std::uint8_t> data, bool stereo, int rate, const SoundLimits& limits = {});
// Encodes PCM (mono or stereo) as ADPCM with `bits` (2..5) per sample.
Bytes encodeAdpcm(const Pcm& pcm, int bits);
// MP3 frames (no SWF prefix), decoded through libmpg123 in feed mode.
Result<Pcm> decodeMp3(std::span<const std::uint8_t> data, const SoundLimits& limits = {});

// An event sound's samples. `sampleCount` trims decoder padding.
Result<Pcm> decodeSound(const DefineSound& sound, const SoundLimits& limits = {});

// A persistent MP3 decoder for a stream whose frames arrive block by block.
class Mp3Stream {
public:
    Mp3Stream();
    ~Mp3Stream();
    Mp3Stream(const Mp3Stream&) = delete;
    Mp3Stream& operator=(const Mp3Stream&) = delete;
    // Feeds bytes and returns the samples that became ready (at most maxFrames).
    Result<Pcm> feed(std::span<const std::uint8_t> data, std::size_t maxFrames);
    bool valid() const { return handle_ != nullptr; }

private:
    void* handle_ = nullptr;
    int rate_ = 0, channels_ = 0;
};

}  // namespace swf
