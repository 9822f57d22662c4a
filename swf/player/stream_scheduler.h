// The streaming sound of a timeline (SoundStreamHead, SoundStreamBlock) kept
// in step with its frames.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>

#include "swf/decode/sound.h"
#include "swf/format/error.h"
#include "swf/format/types.h"

namespace swf {

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
    std::optional<Error> lastError() const { return lastError_; }

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
    std::optional<Error> lastError_;
};

}  // namespace swf
