// The player's persisted block: exact bytes for each lesson size, round trips,
// and every kind of corruption refused with its reason.

#include "media/persisted_state.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QString>

namespace {

using media::StateError;
using Bytes = std::vector<std::uint8_t>;

// Builds the expected block by hand, value by value, independent of the
// encoder's tables.
class Expected {
public:
    Expected& raw(std::initializer_list<int> bytes) {
        for (int b : bytes) out.push_back(std::uint8_t(b));
        return *this;
    }
    Expected& u32(std::uint32_t v) {
        return raw({int(v & 0xff), int((v >> 8) & 0xff), int((v >> 16) & 0xff), int(v >> 24)});
    }
    Expected& none() { return raw({8, 0}).u32(0); }
    Expected& str(const char* ascii) {
        const std::size_t n = std::strlen(ascii);
        raw({8, 0}).u32(std::uint32_t(2 * (n + 1)));
        for (std::size_t i = 0; i < n; ++i) raw({ascii[i], 0});
        return raw({0, 0});
    }
    Expected& boolean(int v) { return raw({11, 0, v & 0xff, (v >> 8) & 0xff}); }
    Bytes out;
};

Bytes lessonBlock(std::uint32_t w, std::uint32_t h) {
    Expected e;
    e.raw({'g', 'U', 'f', 'U'}).raw({0x10, 0x07, 0, 0}).u32(w).u32(h);
    e.str("").none().none().str("Transparent").boolean(-1).boolean(-1).str("High").str("").boolean(-1);
    e.str("").str("").str("ShowAll").boolean(0).boolean(0).str("").str("").str("");
    e.raw({13, 0});
    for (int i = 0; i < 16; ++i) e.raw({0});
    e.boolean(1).boolean(0).none().raw({3, 0}).u32(0);
    return e.out;
}

QByteArray hex(const Bytes& b) {
    return QByteArray(reinterpret_cast<const char*>(b.data()), qsizetype(b.size())).toHex(' ');
}

struct SizeCase {
    int widthTwips, heightTwips;
    std::uint32_t extentW, extentH;
};

TEST(PersistedState, EachLessonSizeEncodesToItsExactBlock) {
    const SizeCase cases[] = {{10935, 7335, 19288, 12938}, {11175, 7335, 19711, 12938}, {10575, 7215, 18653, 12726}};
    for (const SizeCase& c : cases) {
        SCOPED_TRACE(c.widthTwips);
        const media::Extent e = media::extentFromTwips(c.widthTwips, c.heightTwips);
        EXPECT_EQ(e, (media::Extent{c.extentW, c.extentH}));
        const Bytes block = media::encodeState(media::lessonDesignValues(c.widthTwips, c.heightTwips));
        ASSERT_EQ(block.size(), media::kStateSize);
        EXPECT_EQ(hex(block), hex(lessonBlock(c.extentW, c.extentH)));
        // And the hand-built block decodes to the table's values.
        const auto decoded = media::decodeState(lessonBlock(c.extentW, c.extentH));
        ASSERT_TRUE(decoded.ok()) << decoded.error.message().toStdString();
        EXPECT_EQ(*decoded.state, media::lessonDesignValues(c.widthTwips, c.heightTwips));
    }
}

TEST(PersistedState, KeyOffsetsHoldTheDocumentedBytes) {
    const Bytes b = media::encodeState(media::lessonDesignValues(10575, 7215));
    ASSERT_EQ(b.size(), 210u);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(b.data()), 4), QByteArray("gUfU"));
    EXPECT_EQ(hex(Bytes(b.begin() + 4, b.begin() + 8)), "10 07 00 00");
    EXPECT_EQ(b[8] | b[9] << 8, 18653);
    EXPECT_EQ(b[12] | b[13] << 8, 12726);
    // First typed value: FlashVars, a string of byte count 2 (just the terminator).
    EXPECT_EQ(hex(Bytes(b.begin() + 16, b.begin() + 24)), "08 00 02 00 00 00 00 00");
    // WMode at 36: count 24, then "Transparent" in UTF-16LE and a zero.
    EXPECT_EQ(hex(Bytes(b.begin() + 36, b.begin() + 42)), "08 00 18 00 00 00");
    EXPECT_EQ(QString::fromUtf16(reinterpret_cast<const char16_t*>(b.data() + 42), 11), "Transparent");
    EXPECT_EQ(b[64] | b[65], 0);
    // SeamlessTabbing at 190, stored as 1; ProfilePort closes the block.
    EXPECT_EQ(hex(Bytes(b.begin() + 190, b.begin() + 194)), "0b 00 01 00");
    EXPECT_EQ(hex(Bytes(b.begin() + 204, b.end())), "03 00 00 00 00 00");
}

TEST(PersistedState, DesignValuesDistinguishNoneFromEmptyAndReadTrueFromOne) {
    const media::PersistedState s = media::lessonDesignValues(10575, 7215);
    EXPECT_FALSE(s.movie.has_value());
    ASSERT_TRUE(s.flashVars.has_value());
    EXPECT_TRUE(s.flashVars->isEmpty());
    EXPECT_TRUE(s.seamlessTabbing.value());
    EXPECT_EQ(s.seamlessTabbing.raw, 1);
    EXPECT_EQ(s.play.raw, -1);
    EXPECT_FALSE(s.deviceFont.value());
}

TEST(PersistedState, RoundTripKeepsEveryValue) {
    // Values changed without changing any length keep the block at 210 bytes.
    media::PersistedState s = media::lessonDesignValues(10935, 7335);
    s.extentWidth = 0xFFFFFFFFu;
    s.wmode = QStringLiteral("Opaqueéèàç€");  // as long as "Transparent", not Latin-1
    s.flashVars = std::nullopt;
    s.movie = QString();
    s.profilePort = -12345;
    s.profile = media::StoredBool{7};
    s.play = media::StoredBool::of(false);
    s.objectClassId[0] = 0xAB;
    s.objectClassId[15] = 0xCD;
    const Bytes block = media::encodeState(s);
    ASSERT_EQ(block.size(), 210u);
    const auto decoded = media::decodeState(block);
    ASSERT_TRUE(decoded.ok()) << decoded.error.message().toStdString();
    EXPECT_EQ(*decoded.state, s);
    EXPECT_FALSE(decoded.state->flashVars.has_value());
    ASSERT_TRUE(decoded.state->movie.has_value());
    EXPECT_TRUE(decoded.state->profile.value());
}

TEST(PersistedStateCorruption, ValuesThatDecodeInABlockOfAnotherSizeAreRefused) {
    media::PersistedState s = media::lessonDesignValues(10935, 7335);
    s.movie = QStringLiteral("C:\\cours\\demarre.swf");
    const Bytes longer = media::encodeState(s);
    const auto r = media::decodeState(longer);
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error.code, StateError::WrongSize);
    EXPECT_EQ(r.error.offset, longer.size());
    EXPECT_TRUE(r.error.message().contains("210"));
}

// Offsets of the 22 type codes in a lesson block.
constexpr std::size_t kTypeOffsets[22] = {16,  24,  30,  36,  66,  70,  74,  90,  98,  102, 110,
                                          118, 140, 144, 148, 156, 164, 172, 190, 194, 198, 204};

TEST(PersistedStateCorruption, EveryWrongTypeCodeIsRefusedAtItsPosition) {
    const Bytes good = lessonBlock(18653, 12726);
    for (std::size_t i = 0; i < 22; ++i) {
        Bytes b = good;
        b[kTypeOffsets[i]] = b[kTypeOffsets[i]] == 8 ? 11 : 8;
        const auto r = media::decodeState(b);
        ASSERT_FALSE(r.ok()) << i;
        EXPECT_EQ(r.error.code, StateError::WrongType) << i;
        EXPECT_EQ(r.error.offset, kTypeOffsets[i]);
        EXPECT_EQ(r.error.value, QString(media::kStateValueNames[i]));
    }
}

TEST(PersistedStateCorruption, EachFaultHasItsOwnReason) {
    const Bytes good = lessonBlock(18653, 12726);
    auto refuse = [&](auto mutate, StateError expected) {
        Bytes b = good;
        mutate(b);
        const auto r = media::decodeState(b);
        EXPECT_FALSE(r.ok());
        EXPECT_EQ(r.error.code, expected) << r.error.message().toStdString();
        EXPECT_TRUE(r.error.message().startsWith("état enregistré illisible"));
        return r.error;
    };
    refuse([](Bytes& b) { b[0] = 'G'; }, StateError::BadSignature);
    refuse([](Bytes& b) { b[5] = 0x08; }, StateError::UnknownFormat);
    // ProfileAddress claims 256 bytes; FlashVars claims 4 GiB (no wrap-around).
    refuse(
        [](Bytes& b) {
            b[200] = 0x00;
            b[201] = 0x01;
        },
        StateError::CountPastEnd);
    refuse([](Bytes& b) { b[18] = b[19] = b[20] = b[21] = 0xFF; }, StateError::CountPastEnd);
    refuse([](Bytes& b) { b[18] = 3; }, StateError::OddCount);
    const auto noZero = refuse([](Bytes& b) { b[64] = 'x'; }, StateError::NoTerminator);
    EXPECT_EQ(noZero.value, "WMode");
    EXPECT_TRUE(noZero.message().contains("WMode"));
    refuse([](Bytes& b) { b.push_back(0); }, StateError::TrailingBytes);
    // A shorter Quality string ("Hig") with the block kept at 210 bytes: two bytes left over.
    refuse(
        [](Bytes& b) {
            b[76] = 8;
            b.erase(b.begin() + 86, b.begin() + 88);
            b.insert(b.end(), {0, 0});
        },
        StateError::TrailingBytes);
    refuse([](Bytes& b) { b.clear(); }, StateError::Truncated);
}

TEST(PersistedStateCorruption, EveryPrefixIsRefusedWithoutReadingPastIt) {
    const Bytes good = lessonBlock(19288, 12938);
    for (std::size_t n = 0; n < good.size(); ++n) {
        const Bytes cut(good.begin(), good.begin() + qsizetype(n));
        const auto r = media::decodeState(cut);
        ASSERT_FALSE(r.ok()) << n;
        EXPECT_TRUE(r.error.code == StateError::Truncated || r.error.code == StateError::CountPastEnd) << n;
        EXPECT_LE(r.error.offset, n);
    }
}

TEST(PersistedStateCorruption, AnyBlockThatDecodesReEncodesToItself) {
    // Every single-byte change either is refused or decodes to values that
    // encode back to exactly the changed bytes: the decoder drops nothing.
    const Bytes good = lessonBlock(19711, 12938);
    int accepted = 0;
    for (std::size_t i = 0; i < good.size(); ++i) {
        for (int v : {0x00, 0x01, 0x7F, 0xFF}) {
            Bytes b = good;
            if (b[i] == v) continue;
            b[i] = std::uint8_t(v);
            const auto r = media::decodeState(b);
            if (!r.ok()) continue;
            ++accepted;
            EXPECT_EQ(hex(media::encodeState(*r.state)), hex(b)) << i;
        }
    }
    EXPECT_GT(accepted, 100);  // text, booleans, extents and the port are free values
}

}  // namespace
