// The main menu: titles highlighted under the pointer, markers, the nine
// lessons it opens and the exit area.

#include "tests/screens/course.h"

#include "runtime/palette.h"

#include <gtest/gtest.h>

namespace {

using scrtest::Course;

constexpr QRgb kBlack = qRgb(0, 0, 0);
constexpr QRgb kMagenta = qRgb(255, 0, 255);

// A point inside title k, and one on the background just below it.
QPoint title(int k) { return {250, 128 + 32 * k}; }
QPoint gapBelow(int k) { return {250, 140 + 32 * k}; }
constexpr QPoint kBackground{60, 300};

struct MainMenu : ::testing::Test {
    Course c;
    void SetUp() override { c.toMainMenu(); }
    rt::Screen& menu() { return c.screen("Form1"); }
    QRgb color(int k) { return menu().label("Label1", short(k)).foreColor(); }
    bool marker(int k) { return menu().image("Image2", short(k)).visible(); }
    void expectAtRest() {
        for (int k = 0; k < 9; ++k) {
            EXPECT_EQ(color(k), kBlack) << k;
            EXPECT_FALSE(marker(k)) << k;
        }
    }
};

bool isHand(const rt::PictureRef& p) { return p && p->path() == QLatin1String(":/pictures/hand_cursor.ico"); }

TEST_F(MainMenu, FirstSightShowsNoMarkerAndBlackTitles) {
    ASSERT_EQ(c.driver.current(), "Form1");
    expectAtRest();
}

TEST_F(MainMenu, PointingAtATitleHighlightsItAloneWithItsMarkerAndPointer) {
    c.driver.move(title(4).x(), title(4).y());
    EXPECT_EQ(color(4), kMagenta);
    EXPECT_EQ(color(4), rt::QBColor(13));
    EXPECT_TRUE(marker(4));
    EXPECT_TRUE(isHand(c.driver.cursor()));
    for (int k = 0; k < 9; ++k) {
        if (k == 4) continue;
        EXPECT_EQ(color(k), kBlack) << k;
        EXPECT_FALSE(marker(k)) << k;
    }
    c.driver.move(kBackground.x(), kBackground.y());
    expectAtRest();
    EXPECT_EQ(c.driver.cursor(), nullptr);
}

TEST_F(MainMenu, EveryTitleHighlightsItsOwnMarker) {
    for (int k = 0; k < 9; ++k) {
        SCOPED_TRACE(k);
        c.driver.move(title(k).x(), title(k).y());
        EXPECT_EQ(color(k), kMagenta);
        EXPECT_TRUE(marker(k));
        // Between two titles is background: a slow move clears the highlight.
        c.driver.move(gapBelow(k).x(), gapBelow(k).y());
        expectAtRest();
    }
}

TEST_F(MainMenu, AJumpFromTitleToTitleLeavesBothHighlighted) {
    c.driver.move(title(2).x(), title(2).y());
    c.driver.move(title(3).x(), title(3).y());
    EXPECT_EQ(color(2), kMagenta);
    EXPECT_EQ(color(3), kMagenta);
    EXPECT_TRUE(marker(2));
    EXPECT_TRUE(marker(3));
    EXPECT_FALSE(marker(1));
    c.driver.move(gapBelow(5).x(), gapBelow(5).y());
    expectAtRest();
}

TEST_F(MainMenu, HighlightedTitleIsDrawnInMagenta) {
    const QRect rect = menu().label("Label1", 4).pixelRect();
    EXPECT_EQ(scrtest::pixelsNear(c.driver.grab("Form1"), rect, kMagenta), 0);
    c.driver.move(title(4).x(), title(4).y());
    const QImage lit = c.driver.grab("Form1");
    EXPECT_GT(scrtest::pixelsNear(lit, rect, kMagenta), 20);
    EXPECT_EQ(scrtest::pixelsNear(lit, menu().label("Label1", 5).pixelRect(), kMagenta), 0);
}

TEST_F(MainMenu, MarkersAndBackgroundIgnoreClicks) {
    c.driver.move(title(3).x(), title(3).y());
    ASSERT_TRUE(marker(3));
    const QRect m = menu().image("Image2", 3).pixelRect();
    c.driver.click(m.center().x(), m.center().y());
    c.driver.click(kBackground.x(), kBackground.y());
    c.driver.click(gapBelow(0).x(), gapBelow(0).y());
    c.driver.click(600, 40);  // just below the exit area
    EXPECT_EQ(c.driver.shown(), QStringList{"Form1"});
    EXPECT_FALSE(c.driver.ended());
}

TEST(MainMenuNavigation, EachTitleOpensExactlyItsOwnLesson) {
    const char* targets[] = {"Form3", "Form4", "Form5", "Form6", "Form7", "Form8", "Form9", "Form10", "Form11"};
    for (int k = 0; k < 9; ++k) {
        SCOPED_TRACE(k);
        Course c;
        c.toMainMenu();
        c.driver.click(title(k).x(), title(k).y());
        EXPECT_FALSE(c.driver.ended());
        EXPECT_EQ(c.driver.loaded(), QStringList{targets[k]});
        EXPECT_EQ(c.driver.shown(), QStringList{targets[k]});
        // The menu was gone before the lesson loaded.
        const QStringList log = c.driver.host().windowLog();
        EXPECT_EQ(log.mid(log.size() - 2), (QStringList{"destroy Form1", QStringLiteral("show ") + targets[k]}));
    }
}

TEST(MainMenuNavigation, ReturningFromALessonShowsTheMenuAfresh) {
    Course c;
    c.toMainMenu();
    for (int round = 0; round < 3; ++round) {
        c.driver.move(title(6).x(), title(6).y());
        c.driver.move(title(0).x(), title(0).y());  // two highlighted
        c.driver.click(title(0).x(), title(0).y());
        ASSERT_EQ(c.driver.current(), "Form3");
        const QPoint menu = scrtest::menuLabelCentre("Form3");
        c.driver.click(menu.x(), menu.y());
        ASSERT_EQ(c.driver.current(), "Form1");
        for (int k = 0; k < 9; ++k) {
            EXPECT_EQ(c.screen("Form1").label("Label1", short(k)).foreColor(), kBlack) << k;
            EXPECT_FALSE(c.screen("Form1").image("Image2", short(k)).visible()) << k;
        }
    }
}

TEST(MainMenuNavigation, TheVisiblePartOfTheExitAreaEndsTheProgram) {
    const QPoint spots[] = {{608, 0}, {637, 0}, {608, 32}, {637, 32}, {625, 12}};
    for (QPoint at : spots) {
        SCOPED_TRACE(at.x() * 1000 + at.y());
        Course c;
        c.toMainMenu();
        c.driver.move(at.x(), at.y());
        EXPECT_TRUE(isHand(c.driver.cursor()));
        c.driver.click(at.x(), at.y());
        EXPECT_TRUE(c.driver.ended());
        EXPECT_TRUE(c.driver.loaded().isEmpty());
        EXPECT_TRUE(c.driver.host().errors().empty());
    }
    for (QPoint at : {QPoint(607, 10), QPoint(620, 33)}) {
        Course c;
        c.toMainMenu();
        c.driver.click(at.x(), at.y());
        EXPECT_FALSE(c.driver.ended());
    }
}

}  // namespace
