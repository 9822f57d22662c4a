// MP3 decoding through libmpg123 in feed mode: bytes go in as they arrive,
// 16-bit samples come out.
#include <mpg123.h>

#include <mutex>

#include "swf/decode/sound.h"

namespace swf {

namespace {

mpg123_handle* newHandle() {
    static std::once_flag once;
    std::call_once(once, [] { mpg123_init(); });
    int err = MPG123_OK;
    mpg123_handle* h = mpg123_new(nullptr, &err);
    if (!h) return nullptr;
    mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
    // Every rate, 16-bit signed samples only.
    mpg123_format_none(h);
    const long* rates = nullptr;
    std::size_t count = 0;
    mpg123_rates(&rates, &count);
    for (std::size_t i = 0; i < count; ++i)
        mpg123_format(h, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    if (mpg123_open_feed(h) != MPG123_OK) {
        mpg123_delete(h);
        return nullptr;
    }
    return h;
}

}  // namespace

Mp3Stream::Mp3Stream() : handle_(newHandle()) {}

Mp3Stream::~Mp3Stream() {
    if (handle_) mpg123_delete(static_cast<mpg123_handle*>(handle_));
}

Result<Pcm> Mp3Stream::feed(std::span<const std::uint8_t> data, std::size_t maxFrames) {
    auto* h = static_cast<mpg123_handle*>(handle_);
    if (!h) return Result<Pcm>::fail(ErrorCode::DecodeFailed, "MP3 decoder unavailable");
    Pcm pcm;
    pcm.rate = rate_ ? rate_ : 44100;
    pcm.channels = channels_ ? channels_ : 1;
    unsigned char buffer[8192];
    const unsigned char* in = data.data();
    std::size_t inSize = data.size();
    int idle = 0;  // calls that made no progress, against a decoder that never asks for more
    while (idle < 1000) {
        std::size_t done = 0;
        int rc = mpg123_decode(h, in, inSize, buffer, sizeof buffer, &done);
        in = nullptr;  // the input is taken whole by the first call
        inSize = 0;
        if (rc == MPG123_NEW_FORMAT) {
            long rate = 0;
            int channels = 0, encoding = 0;
            mpg123_getformat(h, &rate, &channels, &encoding);
            if (!pcm.samples.empty() && (rate != pcm.rate || channels != pcm.channels)) {
                // A format change inside a stream: keep what came before.
                break;
            }
            rate_ = static_cast<int>(rate);
            channels_ = channels;
            pcm.rate = rate_;
            pcm.channels = channels_;
        }
        const auto* s = reinterpret_cast<const std::int16_t*>(buffer);
        pcm.samples.insert(pcm.samples.end(), s, s + done / 2);
        if (pcm.frames() > maxFrames) {
            pcm.samples.resize(maxFrames * static_cast<std::size_t>(pcm.channels));
            return Result<Pcm>::fail(ErrorCode::TooLarge, "MP3 sound longer than the cap");
        }
        if (rc == MPG123_NEED_MORE || rc == MPG123_DONE) break;
        idle = done == 0 ? idle + 1 : 0;
        if (rc == MPG123_ERR) return Result<Pcm>::fail(ErrorCode::DecodeFailed, mpg123_strerror(h));
    }
    return Result<Pcm>(std::move(pcm));
}

Result<Pcm> decodeMp3(std::span<const std::uint8_t> data, const SoundLimits& limits) {
    Mp3Stream stream;
    auto r = stream.feed(data, limits.maxFrames);
    if (r.ok() && r->samples.empty()) return Result<Pcm>::fail(ErrorCode::DecodeFailed, "no MP3 frame found");
    return r;
}

}  // namespace swf
