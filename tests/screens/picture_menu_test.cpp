// The picture menu, shown by name: hover pictures under the row hot spots,
// the rows' targets and the close hot spot.

#include "tests/screens/course.h"

#include <gtest/gtest.h>

namespace {

using scrtest::Course;

// A point on row k's hot spot (and on its hover picture), and one on the
// 7-pixel strip below it that no hover picture covers.
QPoint row(int k) { return {300, 112 + 32 * k}; }
QPoint stripBelow(int k) { return {300, 132 + 32 * k}; }

struct PictureMenu : ::testing::Test {
    Course c;
    void SetUp() override { c.driver.show("Form15"); }
    bool hover(int k) { return c.screen("Form15").image("Image2", short(k)).visible(); }
    std::vector<int> visibleHovers() {
        std::vector<int> v;
        for (int k = 0; k < 9; ++k)
            if (hover(k)) v.push_back(k);
        return v;
    }
};

bool isHand(const rt::PictureRef& p) { return p && p->path() == QLatin1String(":/pictures/hand_cursor.ico"); }

TEST_F(PictureMenu, NoHoverPictureRightAfterTheShow) {
    ASSERT_EQ(c.driver.shown(), QStringList{"Form15"});
    EXPECT_TRUE(visibleHovers().empty());
}

TEST_F(PictureMenu, EachRowShowsItsOwnHoverPictureUntilAMoveOverTheScreen) {
    for (int k = 0; k < 9; ++k) {
        SCOPED_TRACE(k);
        c.driver.move(row(k).x(), row(k).y());
        EXPECT_EQ(visibleHovers(), std::vector<int>{k});
        EXPECT_TRUE(isHand(c.driver.cursor()));
        c.driver.move(stripBelow(k).x(), stripBelow(k).y());
        EXPECT_TRUE(visibleHovers().empty());
        EXPECT_EQ(c.driver.cursor(), nullptr);
    }
}

TEST_F(PictureMenu, AJumpFromRowToRowLeavesBothVisible) {
    c.driver.move(row(1).x(), row(1).y());
    c.driver.move(row(2).x(), row(2).y());
    c.driver.move(row(6).x(), row(6).y());
    EXPECT_EQ(visibleHovers(), (std::vector<int>{1, 2, 6}));
    // Moves over the visible title keep going to the hot spot.
    const QRect title = c.screen("Form15").image("Image2", 6).pixelRect();
    c.driver.move(title.center().x(), title.center().y());
    EXPECT_EQ(visibleHovers(), (std::vector<int>{1, 2, 6}));
    c.driver.move(20, 300);
    EXPECT_TRUE(visibleHovers().empty());
}

TEST_F(PictureMenu, TheBottomRowOfHoverPicturesZeroOneThreeTakesMovesButDoesNothing) {
    for (int k : {0, 1, 3}) {
        SCOPED_TRACE(k);
        const QRect pic = c.screen("Form15").image("Image2", short(k)).pixelRect();
        c.driver.move(row(k).x(), row(k).y());
        // The picture's last row lies below the hot spot and belongs to it alone.
        c.driver.move(pic.center().x(), pic.bottom());
        EXPECT_EQ(visibleHovers(), std::vector<int>{k});
        c.driver.click(pic.center().x(), pic.bottom());
        EXPECT_EQ(c.driver.shown(), QStringList{"Form15"});
        c.driver.move(stripBelow(k).x(), stripBelow(k).y());
        // Hidden again, the same row is plain background.
        c.driver.click(pic.center().x(), pic.bottom());
        EXPECT_EQ(c.driver.shown(), QStringList{"Form15"});
    }
}

TEST_F(PictureMenu, CaptionsLogosAndBackgroundCarryNoHotSpot) {
    const QPoint misses[] = {{300, 400}, {450, 400}, {250, 415}, {20, 20},  {320, 40}, {600, 440},
                             {231, 112}, {441, 112}, {615, 10},  {620, 25}, {300, 131}};
    for (QPoint at : misses) c.driver.click(at.x(), at.y());
    EXPECT_EQ(c.driver.shown(), QStringList{"Form15"});
    EXPECT_FALSE(c.driver.ended());
}

TEST_F(PictureMenu, TheCloseHotSpotEndsTheProgramAtOnce) {
    c.driver.move(625, 10);
    EXPECT_TRUE(isHand(c.driver.cursor()));
    c.driver.click(625, 10);
    EXPECT_TRUE(c.driver.ended());
    EXPECT_TRUE(c.driver.host().quitCalled());
    EXPECT_TRUE(c.driver.loaded().isEmpty());
}

TEST(PictureMenuNavigation, AClickAnywhereOnAHotSpotGoesToItsRowsScreen) {
    const char* targets[] = {"Form16", "Form17", "Form18", "Form19", "Form20", "Form21", "Form22", "Form23", "Form24"};
    for (int k = 0; k < 9; ++k) {
        for (int spot = 0; spot < 3; ++spot) {
            SCOPED_TRACE(k * 10 + spot);
            Course c;
            c.driver.show("Form15");
            const QRect hot(232, 104 + 32 * k, 209, 25);
            const QRect title = c.screen("Form15").image("Image2", short(k)).pixelRect();
            c.driver.move(row(k).x(), row(k).y());  // the title is visible now
            const QPoint at = spot == 0 ? title.center() : spot == 1 ? hot.topLeft() : hot.bottomRight();
            c.driver.click(at.x(), at.y());
            EXPECT_EQ(c.driver.loaded(), QStringList{targets[k]});
            EXPECT_EQ(c.driver.shown(), QStringList{targets[k]});
            EXPECT_FALSE(c.driver.ended());
        }
    }
}

TEST(PictureMenuNavigation, EmptyTargetsAreTheOnlyScreenLeftAndTheirCloseBoxEnds) {
    for (int k : {7, 8}) {
        SCOPED_TRACE(k);
        Course c;
        c.driver.show("Form15");
        c.driver.click(row(k).x(), row(k).y());
        const QString target = k == 7 ? "Form23" : "Form24";
        ASSERT_EQ(c.driver.shown(), QStringList{target});
        rt::Screen& empty = c.screen(k == 7 ? "Form23" : "Form24");
        EXPECT_TRUE(empty.controls().empty());
        EXPECT_EQ(empty.caption(), target);
        c.driver.closeWindow(target);
        EXPECT_TRUE(c.driver.ended());
        EXPECT_TRUE(c.driver.loaded().isEmpty());
    }
}

TEST(PictureMenuNavigation, ALessonReachedFromItReturnsToTheMainMenu) {
    Course c;
    c.driver.show("Form15");
    c.driver.click(row(0).x(), row(0).y());
    ASSERT_EQ(c.driver.current(), "Form16");
    const QPoint menu = scrtest::menuLabelCentre("Form16");
    c.driver.click(menu.x(), menu.y());
    EXPECT_EQ(c.driver.loaded(), QStringList{"Form1"});
}

}  // namespace
