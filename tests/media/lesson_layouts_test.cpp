// The lesson screens' layouts carry, for their players, exactly the blocks
// the player's design-time values encode to for the player's size, and the
// player decodes them.

#include "layouts/layouts.h"
#include "media/flash_component.h"
#include "media/persisted_state.h"
#include "screens/lesson_table.h"

#include <gtest/gtest.h>

#include <string_view>

namespace {

TEST(LessonLayouts, EveryPlayerBlockIsTheDesignBlockOfItsSize) {
    int players = 0;
    for (const screens::LessonMember& member : screens::kLessonMembers) {
        SCOPED_TRACE(member.name);
        const rt::ScreenLayout* layout = layouts::find(member.name);
        ASSERT_NE(layout, nullptr);
        const rt::ControlDef* flash = nullptr;
        for (const rt::ControlDef& c : layout->controls)
            if (QLatin1String(c.name) == QLatin1String("flash1")) flash = &c;
        ASSERT_NE(flash, nullptr);
        ++players;
        EXPECT_EQ(flash->kind, rt::ControlKind::External);
        ASSERT_NE(flash->classId, nullptr);
        EXPECT_EQ(QString(flash->classId).compare(media::flash::kClassId, Qt::CaseInsensitive), 0);

        // Form3 and Form5 have wider players; the others share one size.
        const std::string_view name(member.name);
        const std::uint32_t extentW = name == "Form3" ? 19288 : name == "Form5" ? 19711 : 18653;
        const std::uint32_t extentH = (name == "Form3" || name == "Form5") ? 12938 : 12726;
        const media::PersistedState design = media::lessonDesignValues(flash->rect.width, flash->rect.height);
        EXPECT_EQ(design.extentWidth, extentW);
        EXPECT_EQ(design.extentHeight, extentH);

        const std::vector<std::uint8_t> expected = media::encodeState(design);
        ASSERT_EQ(flash->persisted.size(), expected.size());
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), flash->persisted.begin()));
        const media::StateDecodeResult decoded = media::decodeState(flash->persisted);
        ASSERT_TRUE(decoded.ok()) << decoded.error.message().toStdString();
        EXPECT_EQ(*decoded.state, design);
    }
    EXPECT_EQ(players, 19);
}

}  // namespace
