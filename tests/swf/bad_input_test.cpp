// Hostile and damaged files: each gives a typed error or the frames that
// could be read, never a crash, a hang or unbounded memory.
#include <gtest/gtest.h>

#include <zlib.h>

#include <random>

#include "swf/player/player.h"
#include "swf/format/reader.h"
#include "swf/render/renderer.h"
#include "swf/format/writer.h"
#include "tests/support/test_movies.h"

namespace {

using namespace swf;
using B = std::vector<std::uint8_t>;

B twoFrameMovie() {
    MovieData m;
    m.tags = {samples::rectShape(1, 0, 0, 100, 100, FillStyle::solid({0, 0, 0, 255})), samples::place(1, 1),
              ShowFrame{}, samples::moveObject(1, 50, 50), ShowFrame{}};
    return write(m);
}

// Reads, plays a few frames and draws them: whatever the reader accepts must
// be safe for the player and renderer too.
void exercise(const ReadResult& r) {
    if (!r.ok()) return;
    auto movie = std::make_shared<const MovieData>(*r.movie);
    Player p(movie);
    for (int i = 0; i < 3; ++i) {
        p.tick();
        (void)renderFrame(p, QSize(32, 24));
    }
}

TEST(SwfBadInput, EmptySignatureAndHeaderErrors) {
    EXPECT_EQ(read(B{}).error->code, ErrorCode::Empty);
    EXPECT_EQ(read(B{'G', 'I', 'F', '8', '9', 'a', 0, 0, 0}).error->code, ErrorCode::BadSignature);
    EXPECT_EQ(read(B{'X'}).error->code, ErrorCode::BadSignature);
    EXPECT_EQ(read(B{'F', 'W'}).error->code, ErrorCode::Truncated);
    EXPECT_EQ(read(B{'F', 'W', 'S', 8, 20, 0}).error->code, ErrorCode::Truncated);
    // Signature and length, but the frame rectangle is cut.
    EXPECT_EQ(read(B{'F', 'W', 'S', 8, 30, 0, 0, 0, 0x78}).error->code, ErrorCode::Truncated);
    EXPECT_EQ(read(B{'Z', 'W', 'S', 13, 30, 0, 0, 0, 1, 2, 3}).error->code, ErrorCode::UnsupportedCompression);
    ReadResult r = read(B{'C', 'W', 'S', 8, 30, 0, 0, 0, 1, 2, 3, 4});
    ASSERT_FALSE(r.ok());
    EXPECT_TRUE(r.error->code == ErrorCode::Truncated || r.error->code == ErrorCode::Malformed);
    EXPECT_FALSE(r.error->detail.empty());
}

TEST(SwfBadInput, TruncatedTagGivesThePartialMovie) {
    B full = twoFrameMovie();
    ReadResult whole = read(full);
    ASSERT_TRUE(whole.ok());
    // Cut inside the last tags: the first frame survives.
    for (std::size_t cut = full.size() - 1; cut > 30; --cut) {
        B part(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(cut));
        ReadResult r = read(part);
        ASSERT_TRUE(r.ok()) << "cut at " << cut;
        EXPECT_TRUE(r.partial);
        exercise(r);
    }
    B part(full.begin(), full.end() - 6);
    ReadResult r = read(part);
    ASSERT_TRUE(r.ok());
    EXPECT_FALSE(r.warnings.empty());
    EXPECT_EQ(Player(std::make_shared<MovieData>(*r.movie)).frameCount(), 1) << "the cut move is dropped";
}

TEST(SwfBadInput, ATagLongerThanTheFileEndsTheMovieThere) {
    B bytes = twoFrameMovie();
    // Replace the End tag by a DefineShape that claims a million bytes.
    bytes.resize(bytes.size() - 2);
    bytes.insert(bytes.end(), {0xBF, 0x00, 0x40, 0x42, 0x0F, 0x00, 1, 2, 3});
    ReadResult r = read(bytes);
    ASSERT_TRUE(r.ok());
    EXPECT_TRUE(r.partial);
    EXPECT_EQ(Player(std::make_shared<MovieData>(*r.movie)).frameCount(), 2);
}

TEST(SwfBadInput, MalformedTagBodiesAreSkippedNotFatal) {
    MovieData m;
    // A DefineShape whose body is cut (fill count promises more), a DefineFont2
    // whose offset table points past the tag, a text with 40-bit glyph indices.
    m.tags = {UnknownTag{2, {1, 0, 0, 5, 0x10}}, UnknownTag{48, {1, 0, 0, 0, 0, 2, 0, 0xFF, 0xFF, 0xFF, 0xFF}},
              UnknownTag{11, {1, 0, 0, 0, 40, 8, 0x8F}}, ShowFrame{}};
    ReadResult r = read(write(m));
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.warnings.size(), 3u);
    EXPECT_EQ(r.skippedTags, 3);
    exercise(r);
}

TEST(SwfBadInput, RandomBytesNeverCrash) {
    std::mt19937 rng(1234);
    std::uniform_int_distribution<int> byte(0, 255);
    B seed = write(samples::goldenMovies()[3].movie);
    for (int i = 0; i < 400; ++i) {
        B bytes;
        if (i % 2 == 0) {
            bytes.resize(static_cast<std::size_t>(8 + i));
            for (auto& b : bytes) b = static_cast<std::uint8_t>(byte(rng));
            bytes[0] = 'F';
            bytes[1] = 'W';
            bytes[2] = 'S';
        } else {
            bytes = seed;  // a valid movie with a few random bytes changed
            for (int k = 0; k < 6; ++k)
                bytes[static_cast<std::size_t>(9 + rng() % (bytes.size() - 9))] = static_cast<std::uint8_t>(byte(rng));
        }
        ReadResult r = read(bytes);
        EXPECT_TRUE(r.ok() != r.error.has_value());
        exercise(r);
    }
}

TEST(SwfBadInput, DecompressionBombIsRefused) {
    // 200 MiB of zeros declared in the header: refused before inflating.
    B zeros(1 << 20, 0);
    uLongf size = compressBound(static_cast<uLong>(zeros.size()));
    B z(size);
    ASSERT_EQ(compress2(z.data(), &size, zeros.data(), static_cast<uLong>(zeros.size()), 9), Z_OK);
    z.resize(size);
    auto withLength = [&](std::uint32_t len) {
        B b = {'C',
               'W',
               'S',
               10,
               std::uint8_t(len),
               std::uint8_t(len >> 8),
               std::uint8_t(len >> 16),
               std::uint8_t(len >> 24)};
        b.insert(b.end(), z.begin(), z.end());
        return b;
    };
    EXPECT_EQ(read(withLength(200u << 20)).error->code, ErrorCode::DecompressedTooLarge);
    // A small declared length bounds the inflate although the stream holds 1 MiB.
    ReadResult r = read(withLength(4096));
    ASSERT_TRUE(r.ok());
    // A tighter cap refuses the 1 MiB stream honestly declared.
    Limits tight;
    tight.maxDecompressedBytes = 512 * 1024;
    EXPECT_EQ(read(withLength((1u << 20) + 8), tight).error->code, ErrorCode::DecompressedTooLarge);
}

TEST(SwfBadInput, AbsurdCountsAreCapped) {
    // 1000 frames against a cap of 100: the first 100 frames are kept.
    MovieData m;
    for (int i = 0; i < 1000; ++i) m.tags.push_back(ShowFrame{});
    Limits l;
    l.maxFrames = 100;
    ReadResult r = read(write(m), l);
    ASSERT_TRUE(r.ok());
    EXPECT_TRUE(r.partial);
    EXPECT_EQ(r.movie->tags.size(), 100u);
    // Too many characters before any frame: a typed error.
    MovieData chars;
    for (int i = 0; i < 50; ++i)
        chars.tags.push_back(samples::rectShape(std::uint16_t(i + 1), 0, 0, 10, 10, FillStyle::solid({})));
    Limits lc;
    lc.maxCharacters = 10;
    EXPECT_EQ(read(write(chars), lc).error->code, ErrorCode::LimitExceeded);
    // A shape with more records than allowed.
    MovieData big;
    DefineShape d = samples::rectShape(1, 0, 0, 10, 10, FillStyle::solid({}));
    for (int i = 0; i < 5000; ++i) d.shape.records.push_back(StraightEdge{1, 1});
    big.tags = {d, ShowFrame{}};
    Limits ls;
    ls.maxShapeRecords = 1000;
    EXPECT_EQ(read(write(big), ls).error->code, ErrorCode::LimitExceeded);
    Limits lp;
    lp.maxPathPoints = 1000;
    EXPECT_EQ(read(write(big), lp).error->code, ErrorCode::LimitExceeded);
    // A style array claiming 65535 fills in a tiny tag: malformed, skipped.
    B body = {1, 0, 0, 0xFF, 0xFF, 0xFF};
    MovieData styles;
    styles.tags = {UnknownTag{22, body}, ShowFrame{}};
    ReadResult rs = read(write(styles));
    ASSERT_TRUE(rs.ok());
    EXPECT_EQ(rs.skippedTags, 1);
}

TEST(SwfBadInput, NestedSpritesAreSkippedAndDuplicatesKeepTheFirst) {
    // Sprite 2 defined inside sprite 1: skipped with a warning.
    DefineSprite inner;
    inner.id = 2;
    inner.tags = {ShowFrame{}};
    DefineSprite outer;
    outer.id = 1;
    outer.tags = {inner, ShowFrame{}};
    MovieData m;
    m.tags = {outer, samples::rectShape(1, 0, 0, 10, 10, FillStyle::solid({})), samples::place(1, 1), ShowFrame{}};
    ReadResult r = read(write(m));
    ASSERT_TRUE(r.ok());
    const auto& sprite = std::get<DefineSprite>(r.movie->tags[0]);
    EXPECT_TRUE(std::holds_alternative<UnknownTag>(sprite.tags[0]));
    EXPECT_FALSE(r.warnings.empty());
    // Id 1 is a sprite (first definition); the later shape with id 1 is ignored.
    Player p(std::make_shared<MovieData>(*r.movie));
    EXPECT_NE(p.dictionary().sprite(1), nullptr);
    EXPECT_EQ(p.dictionary().shape(1), nullptr);
    EXPECT_NE(p.displayList().at(1).sprite, nullptr);
}

TEST(SwfBadInput, DeepSpriteChainsAreCutAtTheNestingBound) {
    // Sprite k places sprite k+1, 200 deep.
    MovieData m;
    for (int k = 1; k <= 200; ++k) {
        DefineSprite s;
        s.id = std::uint16_t(k);
        s.tags = {samples::place(1, std::uint16_t(k + 1)), ShowFrame{}};
        m.tags.push_back(s);
    }
    m.tags.push_back(samples::place(1, 1));
    m.tags.push_back(ShowFrame{});
    Player p(std::make_shared<MovieData>(m));
    int depth = 0;
    const DisplayList* list = &p.displayList();
    while (!list->empty() && list->begin()->second.sprite) {
        ++depth;
        list = &list->begin()->second.sprite->displayList();
    }
    EXPECT_EQ(depth, p.maxNesting());
    (void)renderFrame(p, QSize(16, 16));
}

}  // namespace
