#include "swf/player/stream_scheduler.h"

#include <algorithm>
#include <cmath>

namespace swf {

using Span = std::span<const std::uint8_t>;

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
    Result<Pcm> r = Result<Pcm>::fail(ErrorCode::Unsupported, "stream format is not decoded");
    switch (head_.format) {
    case SoundFormat::RawNative:
    case SoundFormat::RawLittle: r = decodeRaw(data, head_.is16Bit, head_.stereo, rate_, blockLimits); break;
    case SoundFormat::Adpcm: r = decodeAdpcm(data, head_.stereo, rate_, blockLimits); break;
    case SoundFormat::Mp3:
        if (data.size() < 4) {
            r = Result<Pcm>::fail(ErrorCode::Truncated, "MP3 stream block without its header");
            break;
        }
        if (!mp3_) mp3_ = std::make_unique<Mp3Stream>();
        r = mp3_->feed(Span(data).subspan(4), blockLimits.maxFrames);
        break;
    default: break;
    }
    if (!r.ok()) {
        lastError_ = r.error();
        return {};
    }
    rate_ = r->rate;
    channels_ = r->channels;
    return std::move(*r);
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
        out.pcm.samples.resize(
            out.pcm.samples.size() + static_cast<std::size_t>(due - slack - have) * static_cast<std::size_t>(channels_),
            0);
    // The padding bits that end an ADPCM block can read as one more sample;
    // such a stray sample would make the stream drift, so it is dropped.
    if (head_.format == SoundFormat::Adpcm && have > due && have - due < 2)
        out.pcm.samples.resize(static_cast<std::size_t>(due - delivered_) * static_cast<std::size_t>(channels_));
    delivered_ += static_cast<std::int64_t>(out.pcm.frames());
    return out;
}

}  // namespace swf
