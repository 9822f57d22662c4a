// Damaged and hostile media tags inside an otherwise good movie: the reader
// keeps such a tag unread (an UnknownTag with its code and body) with one
// warning, the frames before and after it are read as written, and the
// player and renderer go through the movie. Inputs a parser rightly accepts
// are listed with what they give.
#include <gtest/gtest.h>

#include "tests/support/media_movies.h"
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

// Frame 1: a square placed; then the tag under test; frame 2: the square moved.
MovieData around(Tag middle) {
    MovieData m;
    m.tags = {samples::rectShape(1, 0, 0, 100, 100, FillStyle::solid({0, 0, 0, 255})),
              samples::place(1, 1),
              ShowFrame{},
              std::move(middle),
              samples::moveObject(1, 50, 50),
              ShowFrame{}};
    return m;
}
constexpr std::size_t kMiddle = 3;

void exercise(const MovieData& movie) {
    Player p(std::make_shared<const MovieData>(movie));
    for (int i = 0; i < 3; ++i) {
        (void)renderFrame(p, QSize(32, 24));
        p.tick();
    }
}

// Reads the movie with `body` under tag `code` in the middle; checks that
// the frames around it are intact and returns what the reader made of it.
ReadResult readAround(std::uint16_t code, const B& body, const Limits& limits = {}) {
    MovieData written = around(UnknownTag{code, body});
    ReadResult r = read(write(written), limits);
    EXPECT_TRUE(r.ok());
    if (!r.ok()) return r;
    EXPECT_FALSE(r.partial);
    const auto& tags = r.movie->tags;
    EXPECT_EQ(tags.size(), written.tags.size());
    if (tags.size() != written.tags.size()) return r;
    for (std::size_t i = 0; i < tags.size(); ++i)
        if (i != kMiddle) {
            EXPECT_TRUE(tags[i] == written.tags[i]) << "tag " << i << " around the damaged one";
        }
    exercise(*r.movie);
    return r;
}

struct Bad {
    const char* what;
    std::uint16_t code;
    B body;
};

void expectKeptUnread(const std::vector<Bad>& cases, const Limits& limits = {}) {
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(tagName(c.code)) + ": " + c.what);
        ReadResult r = readAround(c.code, c.body, limits);
        if (!r.ok() || r.movie->tags.size() <= kMiddle) continue;
        EXPECT_TRUE(r.movie->tags[kMiddle] == Tag(UnknownTag{c.code, c.body}));
        ASSERT_EQ(r.warnings.size(), 1u);
        EXPECT_NE(r.warnings[0].find(tagName(c.code)), std::string::npos) << r.warnings[0];
        EXPECT_EQ(r.skippedTags, 1);
    }
}

// Accepted: the tag in the middle is `expected`, without warnings.
void expectAccepted(const char* what, std::uint16_t code, const B& body, const Tag& expected) {
    SCOPED_TRACE(std::string(tagName(code)) + ": " + what);
    ReadResult r = readAround(code, body);
    if (!r.ok() || r.movie->tags.size() <= kMiddle) return;
    EXPECT_TRUE(r.movie->tags[kMiddle] == expected);
    EXPECT_TRUE(r.warnings.empty());
    EXPECT_EQ(r.skippedTags, 0);
}

B cat(std::initializer_list<B> parts) {
    B out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

// The body of a tag as the writer encodes it.
B bodyOf(const Tag& t) {
    B bytes = writeTag(t);
    std::size_t header = (bytes[0] & 0x3F) == 0x3F ? 6 : 2;
    return B(bytes.begin() + static_cast<std::ptrdiff_t>(header), bytes.end());
}

B prefix(const B& b, std::size_t n) { return B(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(n)); }

template <class T>
const T& firstOf(const MovieData& m) {
    for (const auto& t : m.tags)
        if (auto* x = std::get_if<T>(&t)) return *x;
    throw std::runtime_error("no such tag");
}

const MovieData& media(const char* name) {
    static const auto movies = samples::mediaMovies();
    for (const auto& m : movies)
        if (m.name == name) return m.movie;
    throw std::runtime_error(name);
}

TEST(SwfMediaBadInput, BitmapTagsCutOrHostileAreKeptUnread) {
    expectKeptUnread({
        {"no id", code::DefineBits, {}},
        {"half an id", code::DefineBits, {0x01}},
        {"half an id", code::DefineBitsJPEG2, {0x02}},
        {"alpha offset cut", code::DefineBitsJPEG3, {0x04, 0x00, 0x01, 0x00, 0x00}},
        {"alpha offset 2^32-1", code::DefineBitsJPEG3, {0x04, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xD8}},
        {"alpha offset one past the data", code::DefineBitsJPEG3, {0x04, 0x00, 0x03, 0x00, 0x00, 0x00, 0xFF, 0xD8}},
        {"deblocking cut", code::DefineBitsJPEG4, {0x05, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}},
        {"alpha offset 2^31", code::DefineBitsJPEG4, {0x05, 0x00, 0x00, 0x00, 0x00, 0x80, 0x00, 0x00, 0xFF, 0xD8}},
        {"height cut", code::DefineBitsLossless, {0x06, 0x00, 0x05, 0x01, 0x00, 0x01}},
        {"colour table size missing", code::DefineBitsLossless, {0x06, 0x00, 0x03, 0x01, 0x00, 0x01, 0x00}},
        {"format 6", code::DefineBitsLossless, {0x06, 0x00, 0x06, 0x01, 0x00, 0x01, 0x00, 0x78, 0x9C}},
        {"format 0", code::DefineBitsLossless2, {0x06, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x78, 0x9C}},
        {"60000 x 60000", code::DefineBitsLossless, {0x06, 0x00, 0x05, 0x60, 0xEA, 0x60, 0xEA, 0x78, 0x9C, 0x03, 0x00}},
        {"60000 x 60000",
         code::DefineBitsLossless2,
         {0x06, 0x00, 0x05, 0x60, 0xEA, 0x60, 0xEA, 0x78, 0x9C, 0x03, 0x00}},
        {"65535 x 65535 colour-mapped",
         code::DefineBitsLossless2,
         {0x06, 0x00, 0x03, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00}},
    });
}

TEST(SwfMediaBadInput, HugeLosslessBitmapsAreRefusedAtTheCap) {
    // The cap is on width x height: at the cap refused, one row less accepted.
    Limits limits;
    limits.maxBitmapPixels = 110;
    B at = {0x06, 0x00, 0x05, 11, 0x00, 10, 0x00, 0x78, 0x9C};
    expectKeptUnread({{"11 x 10 against a cap of 110", code::DefineBitsLossless, at}}, limits);
    B below = {0x06, 0x00, 0x05, 11, 0x00, 9, 0x00, 0x78, 0x9C};
    ReadResult r = readAround(code::DefineBitsLossless, below, limits);
    ASSERT_TRUE(r.ok());
    const auto* l = std::get_if<DefineBitsLossless>(&r.movie->tags[kMiddle]);
    ASSERT_NE(l, nullptr) << "11 x 9 is under the cap";
    EXPECT_EQ(l->width, 11);
    EXPECT_EQ(l->height, 9);
    // With the default cap 11000 x 11000 (121 million pixels) passes the reader:
    // its pixel data stays deflated until drawn.
    B big = {0x06, 0x00, 0x05, 0xF8, 0x2A, 0xF8, 0x2A, 0x78, 0x9C, 0x03, 0x00};
    ReadResult rb = readAround(code::DefineBitsLossless, big);
    ASSERT_TRUE(rb.ok());
    const auto* lb = std::get_if<DefineBitsLossless>(&rb.movie->tags[kMiddle]);
    ASSERT_NE(lb, nullptr);
    EXPECT_EQ(lb->width, 11000);
    EXPECT_EQ(lb->height, 11000);
    // Drawing one whose stream is shorter than its size declares is refused.
    DefineBitsLossless shortData = *lb;
    shortData.width = 300;
    shortData.height = 200;
    auto img = decodeBitmap(shortData);
    ASSERT_FALSE(img.ok());
    EXPECT_EQ(img.error().code, ErrorCode::Truncated);
}

TEST(SwfMediaBadInput, BitmapInputsTheParsersAccept) {
    // Image data is not decoded while reading: any bytes after the id are kept.
    DefineBitsJpeg j1;
    j1.version = 1;
    j1.id = 1;
    j1.imageData = {'x', 'y'};
    expectAccepted("garbage image data", code::DefineBits, {0x01, 0x00, 'x', 'y'}, j1);
    EXPECT_FALSE(decodeBitmap(j1).ok()) << "refused when decoded";
    DefineBitsJpeg j2;
    j2.id = 2;
    expectAccepted("no image data at all", code::DefineBitsJPEG2, {0x02, 0x00}, j2);
    // An alpha offset equal to the data length: all JPEG, no alpha plane.
    DefineBitsJpeg j3;
    j3.version = 3;
    j3.id = 4;
    j3.imageData = {0xFF, 0xD8};
    expectAccepted("alpha offset at the end", code::DefineBitsJPEG3, {0x04, 0x00, 0x02, 0x00, 0x00, 0x00, 0xFF, 0xD8},
                   j3);
    // JPEG tables are opaque bytes, empty ones included.
    expectAccepted("one byte of tables", code::JPEGTables, {0xFF}, JpegTables{{0xFF}});
    expectAccepted("empty tables", code::JPEGTables, {}, JpegTables{});
    // Lossless pixel data that is not zlib is kept; decoding refuses it.
    DefineBitsLossless l;
    l.id = 6;
    l.format = 4;
    l.width = 2;
    l.height = 2;
    l.zlibData = {1, 2, 3};
    expectAccepted("pixels not deflated", code::DefineBitsLossless, {0x06, 0x00, 0x04, 0x02, 0x00, 0x02, 0x00, 1, 2, 3},
                   l);
    EXPECT_FALSE(decodeBitmap(l).ok());
}

TEST(SwfMediaBadInput, MorphShapesCutOrHostileAreKeptUnread) {
    const B good1 = bodyOf(firstOf<DefineMorphShape>(media("morph")));
    DefineMorphShape second;
    for (const auto& t : media("morph").tags)
        if (auto* m = std::get_if<DefineMorphShape>(&t); m && m->version == 2) second = *m;
    const B good2 = bodyOf(second);
    // id, empty start and end bounds, offset, then fills, lines and edges.
    auto body1 = [](B offset, B rest) { return cat({{0x01, 0x00, 0x00, 0x00}, offset, rest}); };
    const B emptyStyles = {0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    expectKeptUnread({
        {"cut in the bounds", code::DefineMorphShape, prefix(good1, 4)},
        {"cut in the styles", code::DefineMorphShape, prefix(good1, good1.size() / 2)},
        {"end edges cut", code::DefineMorphShape, prefix(good1, good1.size() - 2)},
        {"cut in the edge bounds", code::DefineMorphShape2, prefix(good2, 6)},
        {"cut in the line styles", code::DefineMorphShape2, prefix(good2, good2.size() - 30)},
        {"end edges offset past the tag", code::DefineMorphShape, body1({0xFF, 0xFF, 0xFF, 0x7F}, emptyStyles)},
        {"end edges offset one past the tag", code::DefineMorphShape, body1({0x07, 0x00, 0x00, 0x00}, emptyStyles)},
        {"end edges inside the start edges", code::DefineMorphShape, body1({0x01, 0x00, 0x00, 0x00}, emptyStyles)},
        {"end edges offset past the tag",
         code::DefineMorphShape2,
         {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}},
        {"65535 fills in a few bytes", code::DefineMorphShape,
         body1({0x06, 0x00, 0x00, 0x00}, {0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00})},
        {"254 lines in a few bytes", code::DefineMorphShape,
         body1({0x05, 0x00, 0x00, 0x00}, {0x00, 0xFE, 0x00, 0x00, 0x00})},
        {"fill type 0x77", code::DefineMorphShape,
         body1({0x0A, 0x00, 0x00, 0x00}, {0x01, 0x77, 0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x00})},
        {"new styles among the edges", code::DefineMorphShape,
         body1({0x04, 0x00, 0x00, 0x00}, {0x00, 0x00, 0x00, 0x40, 0x00, 0x00})},
        {"start edges without their end", code::DefineMorphShape,
         body1({0x04, 0x00, 0x00, 0x00}, {0x00, 0x00, 0x00, 0xF0})},
    });
}

TEST(SwfMediaBadInput, MorphShapeWithAZeroOffsetIsAccepted) {
    // An offset of 0 means the end edges follow the start edges. Start edges:
    // no style bits, +20 x; end edges: no style bits, +40 x.
    const B body = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                    0x00, 0x00, 0xD0, 0x50, 0x00, 0x00, 0xD4, 0x50, 0x00};
    DefineMorphShape m;
    m.id = 1;
    m.startEdges = {StraightEdge{20, 0}};
    m.endEdges = {StraightEdge{40, 0}};
    expectAccepted("offset 0", code::DefineMorphShape, body, m);
    // Written again, the offset is the real one (6: fill count, line count, start edges).
    B again = bodyOf(m);
    ASSERT_GE(again.size(), 8u);
    EXPECT_EQ(again[4], 6);
    EXPECT_EQ(prefix(again, 4), prefix(body, 4));
}

TEST(SwfMediaBadInput, ButtonsCutOrHostileAreKeptUnread) {
    const B good2 = bodyOf(firstOf<DefineButton>(media("button")));
    // A record: all states, character 1, depth 1, identity matrix.
    const B rec1 = {0x0F, 0x01, 0x00, 0x01, 0x00, 0x00};
    // The same in DefineButton2, with an identity colour transform.
    const B rec2 = {0x0F, 0x01, 0x00, 0x01, 0x00, 0x00, 0x00};
    B manyRecords = {0x01, 0x00};
    for (int i = 0; i < 4097; ++i) manyRecords.insert(manyRecords.end(), rec1.begin(), rec1.end());
    manyRecords.push_back(0x00);
    expectKeptUnread({
        {"half an id", code::DefineButton, {0x01}},
        {"records without their end byte", code::DefineButton, cat({{0x01, 0x00}, rec1})},
        {"record cut in its matrix", code::DefineButton, {0x01, 0x00, 0x0F, 0x01, 0x00, 0x01, 0x00, 0xF8}},
        {"4097 records", code::DefineButton, manyRecords},
        {"cut in the records", code::DefineButton2, prefix(good2, 12)},
        {"cut in the actions", code::DefineButton2, prefix(good2, good2.size() - 3)},
        {"records without their end byte", code::DefineButton2, cat({{0x01, 0x00, 0x00, 0x00, 0x00}, rec2})},
        {"action offset past the tag", code::DefineButton2, cat({{0x01, 0x00, 0x00, 0xFF, 0xFF}, rec2, {0x00}})},
        {"action offset into the records", code::DefineButton2,
         cat({{0x01, 0x00, 0x00, 0x02, 0x00}, rec2, {0x00, 0x00, 0x00, 0x08, 0x00, 0x07, 0x00}})},
        {"action size past the tag", code::DefineButton2,
         cat({{0x01, 0x00, 0x00, 0x0A, 0x00}, rec2, {0x00, 0x40, 0x00, 0x00, 0x08, 0x07, 0x00}})},
        {"action size below its header", code::DefineButton2,
         cat({{0x01, 0x00, 0x00, 0x0A, 0x00}, rec2, {0x00, 0x02, 0x00, 0x00, 0x08, 0x07, 0x00}})},
        {"action header cut", code::DefineButton2, cat({{0x01, 0x00, 0x00, 0x0A, 0x00}, rec2, {0x00, 0x00, 0x00}})},
        {"filter 9", code::DefineButton2,
         cat({{0x01, 0x00, 0x00, 0x00, 0x00, 0x1F, 0x01, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x09, 0x00}})},
        {"255 filters in 3 bytes", code::DefineButton2,
         cat({{0x01, 0x00, 0x00, 0x00, 0x00, 0x1F, 0x01, 0x00, 0x01, 0x00, 0x00, 0x00, 0xFF, 0x01, 0x00, 0x00}})},
        {"no colour transform", code::DefineButtonCxform, {0x0C, 0x00}},
        {"half an id", code::DefineButtonCxform, {0x0C}},
        {"15-bit terms in one byte", code::DefineButtonCxform, {0x0C, 0x00, 0xFC}},
        {"half an id", code::DefineButtonSound, {0x0C}},
        {"second sound id missing", code::DefineButtonSound, {0x0C, 0x00, 0x00, 0x00, 0x00}},
        {"sound info missing", code::DefineButtonSound, {0x0C, 0x00, 0x01, 0x00}},
        {"255 envelope points in 8 bytes",
         code::DefineButtonSound,
         {0x0C, 0x00, 0x01, 0x00, 0x08, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0}},
    });
}

TEST(SwfMediaBadInput, ButtonInputsTheParsersAccept) {
    // DefineButton without any action bytes after its records: one empty
    // release action list.
    const ButtonRecord r = samples::buttonRecord(0x0F, 1, 1);
    DefineButton b;
    b.version = 1;
    b.id = 1;
    b.records = {r};
    b.actions = {{buttoncond::OverDownToOverUp, {}}};
    expectAccepted("no actions", code::DefineButton, {0x01, 0x00, 0x0F, 0x01, 0x00, 0x01, 0x00, 0x00, 0x00}, b);
    // DefineButton2 whose last action list has no end byte: kept as it is.
    DefineButton b2;
    b2.id = 1;
    b2.records = {r};
    b2.actions = {{buttoncond::OverDownToOverUp, {0x07}}};
    expectAccepted(
        "last action without its end byte", code::DefineButton2,
        {0x01, 0x00, 0x00, 0x0A, 0x00, 0x0F, 0x01, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x08, 0x00, 0x07},
        b2);
    // Trailing bytes after a button sound or colour transform are ignored.
    DefineButtonCxform c;
    c.buttonId = 12;
    expectAccepted("identity plus trailing bytes", code::DefineButtonCxform, {0x0C, 0x00, 0x00, 0xAB, 0xCD}, c);
}

TEST(SwfMediaBadInput, EditTextCutOrHostileIsKeptUnread) {
    B good;
    for (const auto& t : media("edit-text").tags)
        if (auto* e = std::get_if<DefineEditText>(&t); e && e->fontId) good = bodyOf(*e);
    ASSERT_FALSE(good.empty());
    std::vector<Bad> cases;
    // Every cut of the field: no prefix of it is a whole field.
    for (std::size_t n = 0; n < good.size(); ++n) cases.push_back({"cut", code::DefineEditText, prefix(good, n)});
    cases.push_back(
        {"alignment 9", code::DefineEditText, {0x01, 0x00, 0x00, 0x00, 0x20, 0x09, 0, 0, 0, 0, 0, 0, 0, 0, 0x00}});
    cases.push_back({"variable name without its end", code::DefineEditText, {0x01, 0x00, 0x00, 0x00, 0x00, 'a', 'b'}});
    cases.push_back(
        {"font class without its end", code::DefineEditText, {0x01, 0x00, 0x00, 0x00, 0x80, 'F', 'o', 'n', 't'}});
    cases.push_back({"bounds with 31-bit fields in 2 bytes", code::DefineEditText, {0x01, 0x00, 0xF8, 0x00}});
    expectKeptUnread(cases);
}

TEST(SwfMediaBadInput, SoundTagsCutOrHostileAreKeptUnread) {
    expectKeptUnread({
        {"sample count cut", code::DefineSound, {0x01, 0x00, 0x16, 0x00, 0x10, 0x00}},
        {"half an id", code::StartSound, {0x01}},
        {"sound info missing", code::StartSound, {0x01, 0x00}},
        {"loop count missing", code::StartSound, {0x01, 0x00, 0x04, 0x01}},
        {"in point cut", code::StartSound, {0x01, 0x00, 0x01, 0x00, 0x00, 0x00}},
        {"out point cut", code::StartSound, {0x01, 0x00, 0x03, 0x00, 0x00, 0x00, 0x00, 0x10}},
        {"envelope count missing", code::StartSound, {0x01, 0x00, 0x08}},
        {"200 envelope points in 8 bytes", code::StartSound, {0x01, 0x00, 0x08, 0xC8, 0, 0, 0, 0, 0, 0x80, 0, 0x80}},
        {"class name without its end", code::StartSound2, {'S', 'n', 'd'}},
        {"empty", code::StartSound2, {}},
        {"sound info missing", code::StartSound2, {'S', 0x00}},
        {"sample count cut", code::SoundStreamHead, {0x0A, 0x1A, 0x2D}},
        {"empty", code::SoundStreamHead2, {}},
    });
}

TEST(SwfMediaBadInput, SoundInputsTheParsersAccept) {
    // An unknown format (9) is read as it is; decoding refuses it.
    DefineSound s;
    s.id = 1;
    s.format = static_cast<SoundFormat>(9);
    s.rate = 1;
    s.sampleCount = 16;
    s.data = {0xAA, 0xBB};
    expectAccepted("format 9", code::DefineSound, {0x01, 0x00, 0x96, 0x10, 0x00, 0x00, 0x00, 0xAA, 0xBB}, s);
    auto pcm = decodeSound(s);
    ASSERT_FALSE(pcm.ok());
    EXPECT_EQ(pcm.error().code, ErrorCode::Unsupported);
    // A sample count far above the data: only trims, so the data's two frames remain.
    DefineSound raw;
    raw.id = 2;
    raw.format = SoundFormat::RawLittle;
    raw.rate = 0;
    raw.sampleCount = 0xFFFFFFFF;
    raw.data = {0x00, 0x10, 0x00, 0x20};
    expectAccepted("sample count 2^32-1", code::DefineSound,
                   {0x02, 0x00, 0x32, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x10, 0x00, 0x20}, raw);
    auto rp = decodeSound(raw);
    ASSERT_TRUE(rp.ok());
    EXPECT_EQ(rp->frames(), 2u);
    // A stream head of format 15 is read as it is.
    SoundStreamHead h;
    h.playbackRate = 2;
    h.format = static_cast<SoundFormat>(15);
    h.rate = 0;
    h.samplesPerBlock = 16;
    expectAccepted("format 15", code::SoundStreamHead, {0x0A, 0xF2, 0x10, 0x00}, h);
    // An MP3 stream head without its latency field: latency 0.
    SoundStreamHead mp3;
    mp3.version = 2;
    mp3.playbackRate = 3;
    mp3.playbackStereo = true;
    mp3.format = SoundFormat::Mp3;
    mp3.stereo = true;
    mp3.samplesPerBlock = 3675;
    expectAccepted("MP3 without latency", code::SoundStreamHead2, {0x0F, 0x2F, 0x5B, 0x0E}, mp3);
    // Reserved sound info bits are dropped; an empty class name is a name.
    StartSound s2;
    s2.version = 2;
    expectAccepted("empty class name, reserved flag bits", code::StartSound2, {0x00, 0xC0}, s2);
    // Stream blocks are opaque: an empty one is a block.
    expectAccepted("empty block", code::SoundStreamBlock, {}, SoundStreamBlock{});
    expectAccepted("odd block", code::SoundStreamBlock, {0x01}, SoundStreamBlock{{0x01}});
}

TEST(SwfMediaBadInput, ABadMediaTagInsideASpriteStaysInsideIt) {
    DefineSprite sprite;
    sprite.id = 2;
    sprite.frameCount = 2;
    UnknownTag bad{code::DefineBitsLossless, {0x06, 0x00, 0x05, 0x60, 0xEA, 0x60, 0xEA, 0x78, 0x9C}};
    sprite.tags = {ShowFrame{}, bad, ShowFrame{}};
    MovieData m = around(sprite);
    m.tags.insert(m.tags.begin() + kMiddle + 1, samples::place(2, 2));
    ReadResult r = read(write(m));
    ASSERT_TRUE(r.ok());
    EXPECT_FALSE(r.partial);
    ASSERT_EQ(r.warnings.size(), 1u);
    EXPECT_TRUE(*r.movie == m) << "the sprite keeps the tag unread in its place";
    exercise(*r.movie);
}

TEST(SwfMediaBadInput, EveryCutOfEveryMediaTagIsSafe) {
    // Each media tag of the media movies, cut at every length: kept unread
    // with a warning or, when the cut still parses, read as a typed tag
    // without one. The frames around are intact either way.
    const MovieData all = samples::everyMediaTagMovie();
    int unread = 0, typed = 0;
    for (const auto& t : all.tags) {
        const std::uint16_t c = tagCode(t);
        if (std::holds_alternative<ShowFrame>(t) || std::holds_alternative<PlaceObject>(t) ||
            std::holds_alternative<RemoveObject>(t) || std::holds_alternative<DefineShape>(t) ||
            std::holds_alternative<DefineFont>(t) || std::holds_alternative<DoAction>(t))
            continue;
        const B body = bodyOf(t);
        const std::size_t step = body.size() > 400 ? body.size() / 100 : 1;
        for (std::size_t n = 0; n < body.size(); n += step) {
            SCOPED_TRACE(tagName(c) + " cut to " + std::to_string(n) + " of " + std::to_string(body.size()));
            const B cut = prefix(body, n);
            ReadResult r = readAround(c, cut);
            if (!r.ok() || r.movie->tags.size() <= kMiddle) continue;
            const Tag& got = r.movie->tags[kMiddle];
            if (got == Tag(UnknownTag{c, cut})) {
                ++unread;
                EXPECT_EQ(r.warnings.size(), 1u);
            } else {
                ++typed;
                EXPECT_EQ(tagCode(got), c);
                EXPECT_TRUE(r.warnings.empty());
            }
        }
    }
    EXPECT_GT(unread, 0);
    EXPECT_GT(typed, 0);
}

}  // namespace
