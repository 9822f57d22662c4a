// ADPCM as movies store it: IMA-style step sizes with 2 to 5 bits per
// sample, in packets of 4096 samples per channel.
#include <algorithm>
#include <climits>

#include "swf/decode/sound.h"

namespace swf {

namespace {

constexpr int kSteps[89] = {7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,   21,    23,
                            25,    28,    31,    34,    37,    41,    45,    50,    55,    60,    66,   73,    80,
                            88,    97,    107,   118,   130,   143,   157,   173,   190,   209,   230,  253,   279,
                            307,   337,   371,   408,   449,   494,   544,   598,   658,   724,   796,  876,   963,
                            1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,  2272,  2499,  2749, 3024,  3327,
                            3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,  9493, 10442, 11487,
                            12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};

// Step index changes by the code's magnitude, one table per code size.
constexpr int kIndex2[] = {-1, 2};
constexpr int kIndex3[] = {-1, -1, 2, 4};
constexpr int kIndex4[] = {-1, -1, -1, -1, 2, 4, 6, 8};
constexpr int kIndex5[] = {-1, -1, -1, -1, -1, -1, -1, -1, 1, 2, 4, 6, 8, 10, 13, 16};
const int* indexTable(int bits) {
    switch (bits) {
    case 2: return kIndex2;
    case 3: return kIndex3;
    case 4: return kIndex4;
    default: return kIndex5;
    }
}

constexpr int kPacketSamples = 4096;

struct ChannelState {
    int sample = 0;
    int index = 0;
    // Applies one code and returns the new sample.
    int apply(int code, int bits) {
        int signBit = 1 << (bits - 1);
        int magnitude = code & (signBit - 1);
        int diff = ((2 * magnitude + 1) * kSteps[index]) >> (bits - 1);
        sample = std::clamp(code & signBit ? sample - diff : sample + diff, -32768, 32767);
        index = std::clamp(index + indexTable(bits)[magnitude], 0, 88);
        return sample;
    }
};

class Bits {
public:
    explicit Bits(std::span<const std::uint8_t> d) : d_(d) {}
    std::size_t left() const { return d_.size() * 8 - pos_; }
    std::uint32_t ub(int n) {
        std::uint32_t v = 0;
        for (int i = 0; i < n; ++i, ++pos_) v = (v << 1) | ((d_[pos_ >> 3] >> (7 - (pos_ & 7))) & 1u);
        return v;
    }
    std::int32_t sb(int n) {
        std::uint32_t v = ub(n);
        if (v & (1u << (n - 1))) v |= ~0u << n;
        return static_cast<std::int32_t>(v);
    }

private:
    std::span<const std::uint8_t> d_;
    std::size_t pos_ = 0;
};

class BitSink {
public:
    void ub(std::uint32_t v, int n) {
        for (int i = n - 1; i >= 0; --i) {
            cur_ = static_cast<std::uint8_t>((cur_ << 1) | ((v >> i) & 1u));
            if (++bits_ == 8) {
                out_.push_back(cur_);
                cur_ = 0;
                bits_ = 0;
            }
        }
    }
    Bytes finish() {
        if (bits_) out_.push_back(static_cast<std::uint8_t>(cur_ << (8 - bits_)));
        return std::move(out_);
    }

private:
    Bytes out_;
    std::uint8_t cur_ = 0;
    int bits_ = 0;
};

}  // namespace

Result<Pcm> decodeAdpcm(std::span<const std::uint8_t> data, bool stereo, int rate, const SoundLimits& limits) {
    Pcm pcm;
    pcm.rate = rate;
    pcm.channels = stereo ? 2 : 1;
    if (data.empty()) return Result<Pcm>::fail(ErrorCode::Truncated, "ADPCM data without its code size");
    Bits in(data);
    const int bits = static_cast<int>(in.ub(2)) + 2;
    const int channels = pcm.channels;
    ChannelState state[2];
    std::size_t frames = 0;
    while (in.left() >= static_cast<std::size_t>(22 * channels)) {
        if (frames >= limits.maxFrames)
            return Result<Pcm>::fail(ErrorCode::TooLarge, "ADPCM sound longer than the cap");
        for (int c = 0; c < channels; ++c) {
            state[c].sample = in.sb(16);
            state[c].index = static_cast<int>(in.ub(6));
            pcm.samples.push_back(static_cast<std::int16_t>(state[c].sample));
        }
        ++frames;
        for (int k = 1; k < kPacketSamples && in.left() >= static_cast<std::size_t>(bits * channels); ++k) {
            if (frames >= limits.maxFrames)
                return Result<Pcm>::fail(ErrorCode::TooLarge, "ADPCM sound longer than the cap");
            for (int c = 0; c < channels; ++c)
                pcm.samples.push_back(static_cast<std::int16_t>(state[c].apply(static_cast<int>(in.ub(bits)), bits)));
            ++frames;
        }
    }
    if (frames == 0) return Result<Pcm>::fail(ErrorCode::Truncated, "ADPCM data without a complete packet header");
    return Result<Pcm>(std::move(pcm));
}

Bytes encodeAdpcm(const Pcm& pcm, int bits) {
    bits = std::clamp(bits, 2, 5);
    const int channels = std::clamp(pcm.channels, 1, 2);
    const std::size_t frames = pcm.samples.size() / static_cast<std::size_t>(channels);
    BitSink out;
    out.ub(static_cast<std::uint32_t>(bits - 2), 2);
    ChannelState state[2];
    const int codes = 1 << bits;
    for (std::size_t f = 0; f < frames; ++f) {
        bool packetStart = f % kPacketSamples == 0;
        for (int c = 0; c < channels; ++c) {
            int target = pcm.samples[f * channels + c];
            if (packetStart) {
                state[c].sample = target;
                state[c].index = std::min(state[c].index, 63);  // six bits in the packet header
                out.ub(static_cast<std::uint32_t>(target) & 0xFFFF, 16);
                out.ub(static_cast<std::uint32_t>(state[c].index), 6);
                continue;
            }
            // The code whose reconstruction is closest to the sample.
            int best = 0;
            long bestErr = LONG_MAX;
            for (int code = 0; code < codes; ++code) {
                ChannelState trial = state[c];
                long err = std::labs(static_cast<long>(trial.apply(code, bits)) - target);
                if (err < bestErr) {
                    bestErr = err;
                    best = code;
                }
            }
            state[c].apply(best, bits);
            out.ub(static_cast<std::uint32_t>(best), bits);
        }
    }
    return out.finish();
}

}  // namespace swf
