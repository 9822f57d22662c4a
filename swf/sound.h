// Sound: DefineSound and StartSound, the streaming sound of a timeline
// (SoundStreamHead, SoundStreamBlock), decoders for uncompressed, ADPCM and
// MP3 data into 16-bit PCM, the scheduler that keeps a stream in step with
// the frames, and the mixer that the audio output pulls from.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "swf/media.h"

namespace swf {

// 0..3: 5512.5, 11025, 22050, 44100 Hz (5.5 kHz is played at 5512 Hz).
int sampleRateOf(std::uint8_t rateCode);


Decoded<SoundInfo> parseSoundInfo(std::span<const std::uint8_t> bytes, std::size_t* used = nullptr);
Bytes encodeSoundInfo(const SoundInfo& info);
Decoded<DefineSound> parseDefineSound(std::span<const std::uint8_t> body);
Bytes encodeDefineSound(const DefineSound& tag);
Decoded<StartSound> parseStartSound(std::uint8_t version, std::span<const std::uint8_t> body);
Bytes encodeStartSound(const StartSound& tag);
Decoded<SoundStreamHead> parseSoundStreamHead(std::uint8_t version, std::span<const std::uint8_t> body);
Bytes encodeSoundStreamHead(const SoundStreamHead& tag);

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
Decoded<Pcm> decodeRaw(std::span<const std::uint8_t> data, bool is16Bit, bool stereo, int rate, const SoundLimits& limits = {});
// ADPCM: a 2-bit code size (2..5 bits per sample), then packets of 4096
// samples per channel, each starting with a 16-bit sample and a 6-bit step
// index per channel. Stops at the last complete sample.
Decoded<Pcm> decodeAdpcm(std::span<const std::uint8_t> data, bool stereo, int rate, const SoundLimits& limits = {});
// Encodes PCM (mono or stereo) as ADPCM with `bits` (2..5) per sample.
Bytes encodeAdpcm(const Pcm& pcm, int bits);
// MP3 frames (no SWF prefix), decoded through libmpg123 in feed mode.
Decoded<Pcm> decodeMp3(std::span<const std::uint8_t> data, const SoundLimits& limits = {});

// An event sound's samples. `sampleCount` trims decoder padding.
Decoded<Pcm> decodeSound(const DefineSound& sound, const SoundLimits& limits = {});

// A persistent MP3 decoder for a stream whose frames arrive block by block.
class Mp3Stream {
public:
    Mp3Stream();
    ~Mp3Stream();
    Mp3Stream(const Mp3Stream&) = delete;
    Mp3Stream& operator=(const Mp3Stream&) = delete;
    // Feeds bytes and returns the samples that became ready (at most maxFrames).
    Decoded<Pcm> feed(std::span<const std::uint8_t> data, std::size_t maxFrames);
    bool valid() const { return handle_ != nullptr; }

private:
    void* handle_ = nullptr;
    int rate_ = 0, channels_ = 0;
};

// Keeps a timeline's stream in step with its frames. The host reports every
// frame the timeline shows; when a frame follows the one before, its block's
// samples are delivered (silence of one frame's length for a frame without a
// block inside the stream); any other frame change (a goto, the loop back to
// frame 1) restarts the stream at that frame's block. A stopped timeline
// shows the same frame again and receives nothing.
class StreamScheduler {
public:
    StreamScheduler(const SoundStreamHead& head, double framesPerSecond, SoundLimits limits = {});
    ~StreamScheduler();

    void setBlock(int frame, Bytes data);  // 1-based frame of a SoundStreamBlock
    // The next frame shown restarts the stream, whichever it is (the movie
    // was rewound, or its queued sound thrown away).
    void restart() { lastFrame_ = 0; }
    struct Output {
        Pcm pcm;               // to queue after what was queued before
        bool restart = false;  // drop what is queued first
    };
    Output frameShown(int frame);
    // Samples (per channel) one frame lasts.
    double samplesPerFrame() const { return samplesPerFrame_; }
    int rate() const { return rate_; }
    int channels() const { return channels_; }
    // Samples delivered since the stream (re)started, and the frame it started at.
    std::int64_t samplesDelivered() const { return delivered_; }
    int startFrame() const { return startFrame_; }
    std::optional<MediaError> lastError() const { return lastError_; }

private:
    Pcm decodeBlock(const Bytes& data);
    SoundStreamHead head_;
    SoundLimits limits_;
    double samplesPerFrame_ = 0;
    int rate_ = 44100, channels_ = 1;
    std::map<int, Bytes> blocks_;
    std::unique_ptr<Mp3Stream> mp3_;
    int lastFrame_ = 0;
    int startFrame_ = 0;
    std::int64_t delivered_ = 0;
    std::optional<MediaError> lastError_;
};

// Mixes event sounds and one stream into 44.1 kHz stereo for the output.
class AudioMixer {
public:
    static constexpr int kRate = 44100;
    static constexpr int kChannels = 2;
    static constexpr std::size_t kMaxVoices = 32;
    static constexpr std::size_t kMaxStreamFrames = kRate * 8;  // queued stream audio kept at most

    // Starts (or, with syncStop, stops) an event sound.
    void start(std::uint16_t soundId, std::shared_ptr<const Pcm> pcm, const SoundInfo& info = {});
    void stopAll();
    bool playing(std::uint16_t soundId) const;
    std::size_t voices() const { return voices_.size(); }

    void queueStream(const Pcm& pcm);
    void clearStream();
    std::size_t queuedStreamFrames() const;

    // Fills `frames` stereo frames (silence where nothing plays).
    void read(std::int16_t* out, std::size_t frames);

private:
    struct Voice {
        std::uint16_t id = 0;
        std::shared_ptr<const Pcm> pcm;
        double position = 0;  // in source frames
        double end = 0;       // source frame where one pass ends
        double begin = 0;
        int loopsLeft = 0;
    };
    std::vector<Voice> voices_;
    std::vector<std::int16_t> stream_;  // interleaved stereo at kRate
    std::size_t streamRead_ = 0;
};

// Converts to 44.1 kHz stereo by linear interpolation.
Pcm toMixFormat(const Pcm& pcm);

}  // namespace swf
