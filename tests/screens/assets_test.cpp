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
        s.load();
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

// A screen's pictures are decoded while it is loaded and shared with the other
// screens that show them; once none does, the memory goes.
TEST(Assets, PicturesLiveWhileAScreenShowingThemIsLoaded) {
    rt::Driver d(screens::courseProject());
    rt::Screen& splash = d.screen("Form2");
    EXPECT_EQ(splash.picture(), nullptr);
    splash.load();
    std::weak_ptr<const rt::Picture> background = splash.picture();
    ASSERT_FALSE(background.expired());
    rt::Screen& lesson = d.screen("Form3");
    rt::Screen& otherLesson = d.screen("Form4");
    lesson.load();
    otherLesson.load();
    EXPECT_EQ(lesson.picture(), otherLesson.picture());
    std::weak_ptr<const rt::Picture> lessonBackground = lesson.picture();
    splash.unload();
    EXPECT_TRUE(background.expired());
    lesson.unload();
    EXPECT_FALSE(lessonBackground.expired());
    otherLesson.unload();
    EXPECT_TRUE(lessonBackground.expired());
    splash.load();
    ASSERT_TRUE(splash.picture() && !splash.picture()->isNull());
    EXPECT_EQ(splash.picture()->image().size(), QSize(508, 294));
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
