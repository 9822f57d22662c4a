// The lesson screens' layouts carry, for their players, exactly the blocks
// the player's design-time values encode to, and the player decodes them.

#include "layouts/layouts.h"
#include "media/flash_component.h"
#include "media/persisted_state.h"

#include <gtest/gtest.h>

namespace {

TEST(LessonLayouts, EveryPlayerBlockIsTheDesignBlockOfItsSize) {
    int players = 0;
    for (const media::LessonDesign& design : media::kLessonDesignValues) {
        SCOPED_TRACE(design.screen);
        const rt::ScreenLayout* layout = layouts::find(design.screen);
        ASSERT_NE(layout, nullptr);
        const rt::ControlDef* flash = nullptr;
        for (const rt::ControlDef& c : layout->controls)
            if (QLatin1String(c.name) == QLatin1String("flash1")) flash = &c;
        ASSERT_NE(flash, nullptr);
        ++players;
        EXPECT_EQ(flash->kind, rt::ControlKind::External);
        ASSERT_NE(flash->classId, nullptr);
        EXPECT_EQ(QString(flash->classId).compare(media::flash::kClassId, Qt::CaseInsensitive), 0);
        EXPECT_EQ(flash->rect.width, design.widthTwips);
        EXPECT_EQ(flash->rect.height, design.heightTwips);

        const std::vector<std::uint8_t> expected = media::encodeState(design.state);
        ASSERT_EQ(flash->persisted.size(), expected.size());
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), flash->persisted.begin()));
        const media::StateDecodeResult decoded = media::decodeState(flash->persisted);
        ASSERT_TRUE(decoded.ok()) << decoded.error.message().toStdString();
        EXPECT_EQ(*decoded.state, design.state);
    }
    EXPECT_EQ(players, 19);
}

}  // namespace
