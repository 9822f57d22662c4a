// The mixer of event sounds and one stream, that the audio output pulls from.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "swf/decode/sound.h"
#include "swf/format/types.h"

namespace swf {

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
