// Sound: tag bytes both ways, the decoders (uncompressed, ADPCM, MP3), a
// movie with streaming sound played through the scheduler (samples against
// what was encoded, timing against the frames), mixing, and bad input.
#include <gtest/gtest.h>

#include <cmath>

#include "swf/player/audio_mixer.h"
#include "swf/player/stream_scheduler.h"
#include "swf/format/reader.h"
#include "swf/format/writer.h"
#include "tests/support/media_movies.h"
#include "tests/support/test_movies.h"

namespace {

using namespace swf;
using B = std::vector<std::uint8_t>;
using samples::silentMp3Frame;
using samples::streamHead;

Pcm sine(int rate, std::size_t frames, int channels = 1, double hz = 440, double amp = 12000, std::size_t from = 0) {
    Pcm p;
    p.rate = rate;
    p.channels = channels;
    for (std::size_t i = from; i < from + frames; ++i)
        for (int c = 0; c < channels; ++c)
            p.samples.push_back(
                static_cast<std::int16_t>(std::lround(amp * std::sin(2 * M_PI * hz * (c + 1) * double(i) / rate))));
    return p;
}

// Root-mean-square difference, in sample units.
double rmsError(const std::vector<std::int16_t>& a, const std::vector<std::int16_t>& b) {
    EXPECT_EQ(a.size(), b.size());
    double sum = 0;
    std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) sum += double(a[i] - b[i]) * double(a[i] - b[i]);
    return n ? std::sqrt(sum / double(n)) : 1e9;
}

TEST(SoundTags, ExactBytesBothWays) {
    DefineSound d;
    d.id = 2;
    d.format = SoundFormat::Adpcm;
    d.rate = 2;
    d.is16Bit = true;
    d.stereo = true;
    d.sampleCount = 0x0102;
    d.data = {9, 8};
    const B dbytes{2, 0, 0x1B, 0x02, 0x01, 0, 0, 9, 8};
    EXPECT_EQ(encodeDefineSound(d), dbytes);
    EXPECT_EQ(*parseDefineSound(dbytes), d);

    StartSound s;
    s.soundId = 2;
    s.info.syncNoMultiple = true;
    s.info.inPoint = 1;
    s.info.outPoint = 2;
    s.info.loops = 3;
    s.info.envelope = std::vector<SoundEnvelopePoint>{{4, 5, 6}};
    const B sbytes{2, 0, 0x1F, 1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 1, 4, 0, 0, 0, 5, 0, 6, 0};
    EXPECT_EQ(encodeStartSound(s), sbytes);
    EXPECT_EQ(*parseStartSound(1, sbytes), s);

    StartSound s2;
    s2.version = 2;
    s2.className = "Bip";
    s2.info.syncStop = true;
    const B s2bytes{'B', 'i', 'p', 0, 0x20};
    EXPECT_EQ(encodeStartSound(s2), s2bytes);
    EXPECT_EQ(*parseStartSound(2, s2bytes), s2);

    // Played back at 11 kHz mono, coded at 44 kHz stereo.
    SoundStreamHead h = streamHead(SoundFormat::Mp3, 3, true, true, 1152);
    h.playbackRate = 1;
    h.playbackStereo = false;
    h.latencySeek = -2;
    const B hbytes{0x06, 0x2F, 0x80, 0x04, 0xFE, 0xFF};
    EXPECT_EQ(encodeSoundStreamHead(h), hbytes);
    EXPECT_EQ(*parseSoundStreamHead(2, hbytes), h);
    auto noLatency = parseSoundStreamHead(2, B(hbytes.begin(), hbytes.begin() + 4));
    ASSERT_TRUE(noLatency.ok()) << "the latency field may be missing";
    EXPECT_EQ(noLatency->latencySeek, 0);
}

TEST(SoundDecoders, UncompressedEightAndSixteenBit) {
    auto eight = decodeRaw(B{0x00, 0x80, 0xFF}, false, false, 11025);
    ASSERT_TRUE(eight.ok());
    EXPECT_EQ(eight->samples, (std::vector<std::int16_t>{-32768, 0, 32512}));
    auto stereo = decodeRaw(B{0x01, 0x00, 0xFF, 0xFF, 0x00, 0x80, 0x7F}, true, true, 44100);
    ASSERT_TRUE(stereo.ok());
    EXPECT_EQ(stereo->samples, (std::vector<std::int16_t>{1, -1})) << "an incomplete last frame is dropped";
    EXPECT_EQ(stereo->channels, 2);

    DefineSound d;
    d.format = SoundFormat::RawNative;
    d.rate = 1;
    d.is16Bit = false;
    d.data = {0x80, 0x90, 0xA0};
    d.sampleCount = 2;
    auto s = decodeSound(d);
    ASSERT_TRUE(s.ok());
    EXPECT_EQ(s->rate, 11025);
    EXPECT_EQ(s->samples, (std::vector<std::int16_t>{0, 0x1000})) << "trimmed to the sample count";
}

TEST(SoundDecoders, AdpcmByHand) {
    // 4-bit codes; first sample 1000 with step index 0; codes 0111 then 1000.
    auto r = decodeAdpcm(B{0x80, 0xFA, 0x00, 0x78}, false, 22050);
    ASSERT_TRUE(r.ok()) << r.error().detail;
    EXPECT_EQ(r->samples, (std::vector<std::int16_t>{1000, 1013, 1011}));
}

TEST(SoundDecoders, AdpcmRoundTripAtEveryCodeSize) {
    Pcm src = sine(22050, 9000);  // spans three packets
    double previous = 1e9;
    for (int bits = 2; bits <= 5; ++bits) {
        auto r = decodeAdpcm(encodeAdpcm(src, bits), false, 22050);
        ASSERT_TRUE(r.ok()) << bits;
        // The padding bits after the last code may read as one more sample.
        ASSERT_GE(r->frames(), src.frames()) << bits;
        ASSERT_LE(r->frames(), src.frames() + 1) << bits;
        r->samples.resize(src.samples.size());
        double err = rmsError(r->samples, src.samples);
        EXPECT_LT(err, previous) << "more bits, less error: " << bits;
        previous = err;
        EXPECT_EQ(r->samples[4096], src.samples[4096]) << "each packet starts with the exact sample";
    }
    EXPECT_LT(previous, 200) << "5-bit codes follow a sine closely";
    Pcm st = sine(11025, 5000, 2);
    auto r = decodeAdpcm(encodeAdpcm(st, 4), true, 11025);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r->channels, 2);
    r->samples.resize(st.samples.size());
    EXPECT_LT(rmsError(r->samples, st.samples), 600);
}

TEST(SoundDecoders, Mp3FramesThroughTheDecoder) {
    B data;
    for (int i = 0; i < 6; ++i) {
        B f = silentMp3Frame();
        data.insert(data.end(), f.begin(), f.end());
    }
    auto r = decodeMp3(data);
    ASSERT_TRUE(r.ok()) << r.error().detail;
    EXPECT_EQ(r->rate, 44100);
    EXPECT_EQ(r->channels, 1);
    EXPECT_GE(r->frames(), 5u * 1152);
    EXPECT_LE(r->frames(), 6u * 1152);
    for (auto s : r->samples) ASSERT_EQ(s, 0);

    SoundLimits cap{2000};
    auto capped = decodeMp3(data, cap);
    EXPECT_EQ(capped.error().code, ErrorCode::TooLarge);

    DefineSound d;
    d.format = SoundFormat::Mp3;
    d.data = {0, 0};  // seek samples
    d.data.insert(d.data.end(), data.begin(), data.end());
    d.sampleCount = 3000;
    auto s = decodeSound(d);
    ASSERT_TRUE(s.ok()) << s.error().detail;
    EXPECT_EQ(s->frames(), 3000u);
}

TEST(SoundBadInput, TypedErrorsNeverCrashes) {
    EXPECT_EQ(parseDefineSound(B{1, 0, 0x3E, 0, 0}).error().code, ErrorCode::Truncated);
    EXPECT_EQ(parseStartSound(1, B{1}).error().code, ErrorCode::Truncated);
    EXPECT_EQ(parseStartSound(1, B{1, 0}).error().code, ErrorCode::Truncated);
    EXPECT_EQ(parseStartSound(2, B{'a', 'b'}).error().code, ErrorCode::Truncated);
    for (B info : {B{0x01, 1, 2}, B{0x02}, B{0x04, 1}, B{0x08}, B{0x08, 2, 0, 0, 0, 0, 0, 0, 0, 0}})
        EXPECT_EQ(parseSoundInfo(info).error().code, ErrorCode::Truncated);
    EXPECT_EQ(parseSoundStreamHead(1, B{0, 0x20}).error().code, ErrorCode::Truncated);

    EXPECT_EQ(decodeAdpcm(B{}, false, 5512).error().code, ErrorCode::Truncated);
    EXPECT_EQ(decodeAdpcm(B{0x80, 0x01}, false, 5512).error().code, ErrorCode::Truncated);
    SoundLimits tiny{100};
    EXPECT_EQ(decodeAdpcm(encodeAdpcm(sine(5512, 500), 3), false, 5512, tiny).error().code, ErrorCode::TooLarge);
    EXPECT_EQ(decodeRaw(B(1000, 0), true, false, 5512, tiny).error().code, ErrorCode::TooLarge);
    EXPECT_EQ(decodeMp3(B(5000, 0x55)).error().code, ErrorCode::DecodeFailed);
    EXPECT_EQ(decodeMp3(B{}).error().code, ErrorCode::DecodeFailed);

    DefineSound nelly;
    nelly.format = SoundFormat::Nellymoser;
    nelly.data = {1, 2, 3};
    EXPECT_EQ(decodeSound(nelly).error().code, ErrorCode::Unsupported);
    DefineSound mp3;
    mp3.format = SoundFormat::Mp3;
    mp3.data = {0};
    EXPECT_EQ(decodeSound(mp3).error().code, ErrorCode::Truncated);
}

// A movie of 8 frames at 10 fps with 22.05 kHz ADPCM streaming sound, one
// block per frame except frame 4: written and read back through the engine,
// then played through the scheduler.
struct StreamingMovie : ::testing::Test {
    static constexpr int kRate = 22050, kFps = 10, kPerFrame = kRate / kFps, kFrames = 8, kGap = 4;
    std::vector<Pcm> chunks;  // what was encoded, per frame
    StreamScheduler* scheduler = nullptr;
    std::unique_ptr<StreamScheduler> owned;

    void SetUp() override {
        const SoundStreamHead head = streamHead(SoundFormat::Adpcm, 2, true, false, kPerFrame);
        MovieData movie;
        movie.header.frameRate = kFps << 8;
        movie.header.frameCount = kFrames;
        movie.tags.push_back(head);
        for (int f = 1; f <= kFrames; ++f) {
            chunks.push_back(sine(kRate, kPerFrame, 1, 300, 10000, std::size_t(f - 1) * kPerFrame));
            if (f != kGap) movie.tags.push_back(SoundStreamBlock{encodeAdpcm(chunks.back(), 4)});
            movie.tags.push_back(ShowFrame{});
        }
        auto read = swf::read(swf::write(movie));
        ASSERT_TRUE(read.ok());
        std::optional<SoundStreamHead> h;
        int frame = 1;
        std::map<int, Bytes> blocks;
        for (const auto& tag : read.movie->tags) {
            if (auto* sh = std::get_if<SoundStreamHead>(&tag)) {
                h = *sh;
            } else if (auto* b = std::get_if<SoundStreamBlock>(&tag)) {
                blocks[frame] = b->data;
            } else if (std::holds_alternative<ShowFrame>(tag)) {
                ++frame;
            }
        }
        ASSERT_TRUE(h.has_value());
        owned = std::make_unique<StreamScheduler>(*h, read.movie->header.framesPerSecond());
        for (auto& [f, b] : blocks) owned->setBlock(f, b);
        scheduler = owned.get();
    }
};

TEST_F(StreamingMovie, SamplesMatchWhatWasEncodedAndStayInStep) {
    EXPECT_DOUBLE_EQ(scheduler->samplesPerFrame(), kPerFrame);
    for (int f = 1; f <= kFrames; ++f) {
        auto out = scheduler->frameShown(f);
        EXPECT_EQ(out.restart, f == 1) << f;
        ASSERT_EQ(out.pcm.frames(), std::size_t(kPerFrame)) << f;
        EXPECT_EQ(out.pcm.rate, kRate);
        if (f == kGap) {
            for (auto s : out.pcm.samples) ASSERT_EQ(s, 0) << "a frame without a block is silent";
        } else {
            EXPECT_LT(rmsError(out.pcm.samples, chunks[f - 1].samples), 400) << f;
        }
        EXPECT_EQ(scheduler->samplesDelivered(), std::int64_t(f) * kPerFrame) << "in step after frame " << f;
    }
}

TEST_F(StreamingMovie, PauseGotoAndLoopRestartTheStream) {
    scheduler->frameShown(1);
    scheduler->frameShown(2);
    auto paused = scheduler->frameShown(2);  // a stopped timeline shows the same frame
    EXPECT_TRUE(paused.pcm.samples.empty());
    EXPECT_FALSE(paused.restart);
    auto resumed = scheduler->frameShown(3);
    EXPECT_FALSE(resumed.restart) << "resuming continues the stream";
    EXPECT_EQ(scheduler->samplesDelivered(), 3 * kPerFrame);

    auto jumped = scheduler->frameShown(7);
    EXPECT_TRUE(jumped.restart);
    EXPECT_LT(rmsError(jumped.pcm.samples, chunks[6].samples), 400)
        << "the stream restarts at the target frame's block";
    EXPECT_EQ(scheduler->startFrame(), 7);
    scheduler->frameShown(8);
    EXPECT_EQ(scheduler->samplesDelivered(), 2 * kPerFrame);
    auto looped = scheduler->frameShown(1);
    EXPECT_TRUE(looped.restart);
    EXPECT_LT(rmsError(looped.pcm.samples, chunks[0].samples), 400);
}

TEST(StreamScheduling, Mp3BlocksThroughOnePersistentDecoder) {
    StreamScheduler s(streamHead(SoundFormat::Mp3, 3, true, false, 1152), 44100.0 / 1152);
    for (int f = 1; f <= 5; ++f) {
        B block{0x80, 0x04, 0, 0};  // 1152 samples, no seek
        B frame = silentMp3Frame();
        block.insert(block.end(), frame.begin(), frame.end());
        s.setBlock(f, block);
    }
    std::size_t total = 0;
    for (int f = 1; f <= 5; ++f) total += s.frameShown(f).pcm.frames();
    EXPECT_FALSE(s.lastError().has_value());
    EXPECT_GE(total, 4u * 1152);
    EXPECT_LE(total, 5u * 1152);
    EXPECT_EQ(s.rate(), 44100);
}

TEST(StreamScheduling, BrokenBlocksBecomeSilenceOfOneFrame) {
    StreamScheduler s(streamHead(SoundFormat::Mp3, 1, true, false, 500), 12);
    s.setBlock(1, B{1, 2});
    for (int f = 2; f <= 4; ++f) s.setBlock(f, B(300, 0x33));
    auto a = s.frameShown(1);
    EXPECT_TRUE(s.lastError().has_value());
    EXPECT_EQ(a.pcm.frames(), 500u) << "a block too short for its header";
    // Garbage gives the decoder nothing to say: it may be holding a frame back,
    // so the stream is let fall one frame behind, then filled.
    EXPECT_EQ(s.frameShown(2).pcm.frames(), 0u);
    EXPECT_EQ(s.frameShown(3).pcm.frames(), 0u);
    EXPECT_EQ(s.frameShown(4).pcm.frames(), 1000u);
    EXPECT_EQ(s.samplesDelivered(), 1500);
    EXPECT_TRUE(s.frameShown(5).pcm.samples.empty()) << "after the last block the stream is over";
}

TEST(Mixing, EventSoundsLoopsPointsAndClamping) {
    AudioMixer m;
    auto pcm = std::make_shared<Pcm>(Pcm{44100, 2, {1000, -1000, 2000, -2000, 3000, -3000}});
    SoundInfo twice;
    twice.loops = 2;
    m.start(1, pcm, twice);
    std::vector<std::int16_t> out(2 * 8, 7);
    m.read(out.data(), 8);
    EXPECT_EQ(out, (std::vector<std::int16_t>{1000, -1000, 2000, -2000, 3000, -3000, 1000, -1000, 2000, -2000, 3000,
                                              -3000, 0, 0, 0, 0}));
    EXPECT_EQ(m.voices(), 0u);

    SoundInfo cut;
    cut.inPoint = 1;
    cut.outPoint = 2;
    m.start(1, pcm, cut);
    m.start(1, pcm, SoundInfo{false, true});  // not while it plays
    EXPECT_EQ(m.voices(), 1u);
    m.read(out.data(), 2);
    EXPECT_EQ(out[0], 2000);
    EXPECT_EQ(out[2], 0);

    auto loud = std::make_shared<Pcm>(Pcm{44100, 1, {30000}});
    m.start(2, loud);
    m.start(3, loud);
    m.queueStream(Pcm{44100, 2, {30000, 100}});
    m.read(out.data(), 1);
    EXPECT_EQ(out[0], 32767) << "the sum is clamped";
    EXPECT_EQ(out[1], 32767);

    m.start(4, std::make_shared<Pcm>(sine(44100, 1000)));
    SoundInfo stop;
    stop.syncStop = true;
    m.start(4, nullptr, stop);
    EXPECT_FALSE(m.playing(4));
}

TEST(Mixing, RatesAndChannelsAreConverted) {
    Pcm mono{22050, 1, {0, 1000, 2000}};
    Pcm mix = toMixFormat(mono);
    EXPECT_EQ(mix.channels, 2);
    ASSERT_EQ(mix.frames(), 6u);
    EXPECT_EQ(mix.samples[2], 500) << "halfway sample interpolated";
    EXPECT_EQ(mix.samples[3], 500);
    EXPECT_EQ(mix.samples[4], 1000);

    AudioMixer m;
    m.queueStream(Pcm{11025, 1, std::vector<std::int16_t>(AudioMixer::kMaxStreamFrames, 1)});
    EXPECT_EQ(m.queuedStreamFrames(), AudioMixer::kMaxStreamFrames) << "the queue keeps only the newest audio";
    for (int i = 0; i < 32 + 5; ++i) m.start(static_cast<std::uint16_t>(i), std::make_shared<Pcm>(mono));
    EXPECT_EQ(m.voices(), AudioMixer::kMaxVoices);
    m.stopAll();
    EXPECT_EQ(m.voices(), 0u);
    EXPECT_EQ(m.queuedStreamFrames(), 0u);
}

}  // namespace
