// The screens with the program's own pictures and movie player: every picture fits the rectangle the layout gives it, and
// the real player accepts every lesson's persisted state.

#include "screens/lesson_screen.h"
#include "screens/project.h"

#include "runtime/driver.h"

#include <gtest/gtest.h>

namespace {

TEST(Assets, EveryPictureHasExactlyItsControlsOrWindowsSize) {
    rt::Driver d(screens::courseProject());
    const QSize backgrounds[] = {{638, 455}, {508, 294}, {638, 455}, {650, 530}};
    const char* screensWithBackground[] = {"Form1", "Form2", "Form15", "Form3"};
    for (int i = 0; i < 4; ++i) {
        rt::Screen& s = d.screen(screensWithBackground[i]);
        ASSERT_TRUE(s.picture() && !s.picture()->isNull()) << screensWithBackground[i];
        EXPECT_EQ(s.picture()->image().size(), backgrounds[i]) << screensWithBackground[i];
    }
    for (const char* name : {"Form1", "Form15"}) {
        rt::Screen& s = d.screen(name);
        s.load();
        for (const auto& c : s.controls()) {
            const auto* image = dynamic_cast<const rt::Image*>(c.get());
            if (image && image->picture()) {
                ASSERT_FALSE(image->picture()->isNull()) << name << "." << image->name().toStdString();
                EXPECT_EQ(image->picture()->image().size(), image->pixelRect().size())
                    << name << "." << image->name().toStdString() << "(" << image->index() << ")";
            }
            if (c->mouseIcon()) {
                ASSERT_FALSE(c->mouseIcon()->isNull());
                EXPECT_EQ(c->mouseIcon()->image().size(), QSize(32, 32));
            }
        }
    }
}

TEST(Assets, TheRealPlayerTakesEveryLessonsPersistedState) {
    ASSERT_TRUE(screens::courseProject().external);
    for (const screens::LessonMember& m : screens::kLessonMembers) {
        SCOPED_TRACE(m.name);
        rt::Driver d(screens::courseProject());
        d.show(QString::fromLatin1(m.name));
        EXPECT_TRUE(d.host().errors().empty())
            << (d.host().errors().empty() ? "" : d.host().errors().front().toStdString());
        EXPECT_EQ(d.shown(), QStringList{QString::fromLatin1(m.name)});
        EXPECT_NE(d.screen(QString::fromLatin1(m.name)).find("flash1"), nullptr);
    }
}

}  // namespace
