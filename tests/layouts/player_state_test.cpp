// The movie player's persisted blocks, rebuilt here from the design-time
// values with an encoder of the test's own and compared byte for byte.

#include "layouts/layouts.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

class Encoder {
public:
    void u16(std::uint16_t v) { put(v, 2); }
    void u32(std::uint32_t v) { put(v, 4); }
    // A string slot: "none" has no text at all, an empty text keeps its terminator.
    void none() { u16(8), u32(0); }
    void text(const std::u16string& s) {
        u16(8);
        u32(std::uint32_t((s.size() + 1) * 2));
        for (char16_t c : s) u16(c);
        u16(0);
    }
    void boolean(std::int16_t v) { u16(11), u16(std::uint16_t(v)); }
    void integer(std::int32_t v) { u16(3), u32(std::uint32_t(v)); }
    void noObject() {
        u16(13);
        for (int i = 0; i < 16; ++i) bytes.push_back(0);
    }
    std::vector<std::uint8_t> bytes;

private:
    void put(std::uint32_t v, int n) {
        for (int i = 0; i < n; ++i) bytes.push_back(std::uint8_t(v >> (8 * i)));
    }
};

std::vector<std::uint8_t> expectedBlock(std::uint32_t extentX, std::uint32_t extentY) {
    Encoder e;
    e.u32(0x55665567);
    e.u32(0x00000710);
    e.u32(extentX);
    e.u32(extentY);
    e.text(u"");             // FlashVars
    e.none();                // Movie
    e.none();                // Src
    e.text(u"Transparent");  // WMode
    e.boolean(-1);           // Play
    e.boolean(-1);           // Loop
    e.text(u"High");         // Quality
    e.text(u"");             // SAlign
    e.boolean(-1);           // Menu
    e.text(u"");             // Base
    e.text(u"");             // AllowScriptAccess
    e.text(u"ShowAll");      // Scale
    e.boolean(0);            // DeviceFont
    e.boolean(0);            // EmbedMovie
    e.text(u"");             // BGColor
    e.text(u"");             // SWRemote
    e.text(u"");             // MovieData
    e.noObject();
    e.boolean(1);  // SeamlessTabbing
    e.boolean(0);  // Profile
    e.none();      // ProfileAddress
    e.integer(0);  // ProfilePort
    return e.bytes;
}

std::vector<std::uint8_t> asVector(std::span<const std::uint8_t> s) { return {s.begin(), s.end()}; }

std::uint32_t u32At(std::span<const std::uint8_t> s, std::size_t at) {
    return std::uint32_t(s[at]) | std::uint32_t(s[at + 1]) << 8 | std::uint32_t(s[at + 2]) << 16 |
           std::uint32_t(s[at + 3]) << 24;
}

TEST(PlayerState, EachBlockIsTheDesignTimeValuesWithItsExtent) {
    const std::vector<std::uint8_t> form3 = expectedBlock(19288, 12938);
    ASSERT_EQ(form3.size(), 210u);
    EXPECT_EQ(asVector(layouts::playerStateForm3()), form3);
    EXPECT_EQ(asVector(layouts::playerStateForm5()), expectedBlock(19711, 12938));
    EXPECT_EQ(asVector(layouts::playerStateCommon()), expectedBlock(18653, 12726));
}

TEST(PlayerState, EveryLessonPlayerCarriesTheBlockOfItsOwnSize) {
    for (const layouts::LessonRow& row : layouts::lessonRows()) {
        SCOPED_TRACE(row.name);
        const rt::ControlDef* player = nullptr;
        for (const rt::ControlDef& c : layouts::get(row.name).controls)
            if (c.kind == rt::ControlKind::External) player = &c;
        ASSERT_NE(player, nullptr);
        ASSERT_EQ(player->persisted.size(), 210u);
        EXPECT_EQ(u32At(player->persisted, 0), 0x55665567u);
        // The extent is the control's own size in HIMETRIC, fraction dropped.
        EXPECT_EQ(u32At(player->persisted, 8), std::uint32_t(player->rect.width * 2540 / 1440));
        EXPECT_EQ(u32At(player->persisted, 12), std::uint32_t(player->rect.height * 2540 / 1440));
        EXPECT_STREQ(player->classId, "{D27CDB6E-AE6D-11CF-96B8-444553540000}");
    }
}

}  // namespace
