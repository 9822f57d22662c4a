// Reader and writer on the media tags (their vectors are in tag_vectors.cpp):
// whole movies holding every media tag read back
// equal to what was written, plain and compressed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <set>

#include "tests/support/media_movies.h"
#include "tests/swf/format/tag_vectors.h"
#include "swf/decode/bitmap.h"
#include "swf/format/codes.h"
#include "swf/player/player.h"
#include "swf/format/reader.h"
#include "swf/render/renderer.h"
#include "swf/player/audio_mixer.h"
#include "swf/format/writer.h"

namespace {

using namespace swf;
using B = std::vector<std::uint8_t>;

TEST(SwfMediaCodec, EveryMediaTagCodeHasAVector) {
    std::set<std::uint16_t> seen;
    for (const auto& vec : samples::tagVectors()) seen.insert(tagCode(vec.value));
    for (std::uint16_t c : {6, 8, 20, 21, 35, 36, 90, 46, 84, 7, 34, 17, 23, 37, 14, 15, 89, 18, 45, 19})
        EXPECT_TRUE(seen.count(c)) << tagName(c);
}

TEST(SwfMediaCodec, TheSameBodyUnderAnotherVersionCodeGivesThatVersion) {
    // The version of a typed tag comes from the code alone.
    B body = {0x01, 0x00, 0xFF, 0xD8, 0xFF, 0xD9};
    for (auto [c, version] : {std::pair{code::DefineBits, 1}, std::pair{code::DefineBitsJPEG2, 2}}) {
        auto t = readTagBody(c, body);
        ASSERT_TRUE(t.has_value());
        EXPECT_EQ(std::get<DefineBitsJpeg>(*t).version, version);
    }
    B sound = {0x05, 0x00, 0x00};
    auto s1 = readTagBody(code::StartSound, sound);
    ASSERT_TRUE(s1.has_value());
    EXPECT_EQ(std::get<StartSound>(*s1).soundId, 5);
    auto s2 = readTagBody(code::StartSound2, sound);
    ASSERT_TRUE(s2.has_value());
    EXPECT_EQ(std::get<StartSound>(*s2).className, "\x05") << "version 2 reads a class name up to the zero";
}

// Reads back a written movie: equal, complete, no warning, nothing skipped.
void expectRoundTrip(const MovieData& m, Compression c) {
    B bytes = write(m, c);
    ReadResult r = read(bytes);
    ASSERT_TRUE(r.ok()) << r.error->detail;
    EXPECT_EQ(r.compression, c);
    EXPECT_FALSE(r.partial);
    EXPECT_TRUE(r.warnings.empty()) << r.warnings.front();
    EXPECT_EQ(r.skippedTags, 0);
    EXPECT_TRUE(*r.movie == m);
}

TEST(SwfMediaCodec, MovieWithEveryMediaTagRoundTrips) {
    MovieData m = samples::everyMediaTagMovie();
    std::set<std::uint16_t> codes;
    for (const auto& t : m.tags) codes.insert(tagCode(t));
    for (std::uint16_t c : {6, 8, 20, 21, 35, 36, 90, 46, 84, 7, 34, 17, 23, 37, 14, 15, 89, 18, 45, 19})
        EXPECT_TRUE(codes.count(c)) << tagName(c) << " missing from the movie";
    for (Compression c : {Compression::None, Compression::Zlib}) {
        SCOPED_TRACE(c == Compression::Zlib ? "zlib" : "uncompressed");
        expectRoundTrip(m, c);
    }
    // The hand vectors too, between two frames.
    MovieData v;
    v.tags.push_back(ShowFrame{});
    for (const auto& vec : samples::tagVectors())
        if (!std::holds_alternative<End>(vec.value) && !std::holds_alternative<UnknownTag>(vec.value))
            v.tags.push_back(vec.value);
    v.tags.push_back(ShowFrame{});
    for (Compression c : {Compression::None, Compression::Zlib}) expectRoundTrip(v, c);
}

// SWF_WRITE_FUZZ_SEEDS=DIR also saves each media movie there, as the fuzz
// seed corpus keeps them (NAME.swf and NAME-z.swf).
TEST(SwfMediaCodec, MediaMoviesRoundTripPlayAndStaySmall) {
    const char* seeds = std::getenv("SWF_WRITE_FUZZ_SEEDS");
    for (const auto& m : samples::mediaMovies()) {
        SCOPED_TRACE(m.name);
        for (Compression c : {Compression::None, Compression::Zlib}) {
            B bytes = write(m.movie, c);
            EXPECT_LT(bytes.size(), 20u * 1024u) << "fuzz seeds stay small";
            if (seeds) {
                std::ofstream(std::string(seeds) + "/" + m.name + (c == Compression::Zlib ? "-z" : "") + ".swf",
                              std::ios::binary)
                    .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
            }
            expectRoundTrip(m.movie, c);
        }
        // The player steps through them and the renderer draws them.
        Player p(std::make_shared<MovieData>(m.movie));
        EXPECT_EQ(p.frameCount(), m.movie.header.frameCount);
        for (int f = 0; f < p.frameCount(); ++f) {
            QImage img = renderFrame(p, QSize(100, 75));
            EXPECT_EQ(img.size(), QSize(100, 75));
            p.forward();
        }
    }
}

TEST(SwfMediaCodec, MediaMoviesCarryDecodablePicturesAndSound) {
    // The payloads the movies (and so the fuzz seeds) are made of decode to
    // what was put in, so the seeds reach the decoders' inner paths.
    const std::map<std::uint16_t, QSize> sizes = {{10, {40, 30}}, {20, {24, 16}}, {21, {24, 16}}, {22, {24, 16}},
                                                  {30, {6, 4}},   {31, {16, 12}}, {32, {5, 3}}};
    std::map<std::uint16_t, QSize> decoded;
    int blocks = 0;
    for (const auto& m : samples::mediaMovies()) {
        Bytes tables;
        std::optional<SoundStreamHead> head;
        for (const auto& t : m.movie.tags) {
            if (auto* j = std::get_if<JpegTables>(&t)) tables = j->data;
            if (auto* j = std::get_if<DefineBitsJpeg>(&t)) {
                auto img = decodeBitmap(*j, tables);
                ASSERT_TRUE(img.ok()) << m.name << " bitmap " << j->id << ": " << img.error().detail;
                decoded[j->id] = img->size();
                if (j->version >= 3) {
                    EXPECT_LT(qAlpha(img->pixel(0, 0)), qAlpha(img->pixel(23, 0))) << "alpha plane applied";
                }
            }
            if (auto* l = std::get_if<DefineBitsLossless>(&t)) {
                auto img = decodeBitmap(*l);
                ASSERT_TRUE(img.ok()) << m.name << " bitmap " << l->id << ": " << img.error().detail;
                decoded[l->id] = img->size();
            }
            if (auto* h = std::get_if<SoundStreamHead>(&t)) head = *h;
            if (auto* b = std::get_if<SoundStreamBlock>(&t)) {
                ASSERT_TRUE(head.has_value()) << "a block follows its stream head";
                if (head->format != SoundFormat::Adpcm) continue;
                auto pcm = decodeAdpcm(b->data, head->stereo, sampleRateOf(head->rate));
                ASSERT_TRUE(pcm.ok());
                EXPECT_EQ(pcm->frames(), head->samplesPerBlock);
                ++blocks;
            }
            if (auto* s = std::get_if<DefineSound>(&t)) {
                auto pcm = decodeSound(*s);
                ASSERT_TRUE(pcm.ok()) << "sound " << s->id;
                EXPECT_EQ(pcm->frames(), s->sampleCount);
            }
        }
    }
    EXPECT_EQ(decoded, sizes);
    EXPECT_EQ(blocks, 6);

    MovieData slides = samples::bitmapSlideshowMovie(3, 60);
    EXPECT_EQ(slides.header.frameCount, 3);
    std::vector<QImage> pictures;
    for (const auto& t : slides.tags)
        if (auto* j = std::get_if<DefineBitsJpeg>(&t)) {
            auto img = decodeBitmap(*j);
            ASSERT_TRUE(img.ok());
            EXPECT_EQ(img->size(), QSize(705, 481));
            pictures.push_back(*img);
        }
    ASSERT_EQ(pictures.size(), 3u);
    EXPECT_NE(pictures[0], pictures[1]);
    EXPECT_NE(pictures[1], pictures[2]);
}

}  // namespace
