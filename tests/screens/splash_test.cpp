// The countdown splash: the hidden count, the go-to at zero and the skip area.

#include "tests/screens/course.h"

#include "runtime/paint.h"
#include "screens/splash.h"

#include <QPainter>
#include <gtest/gtest.h>

namespace {

using scrtest::Course;

struct Splash : ::testing::Test {
    Course c;
    void SetUp() override { c.driver.start(); }
    QString count() { return c.screen("Form2").label("Label1").caption(); }
};

bool isHand(const rt::PictureRef& p) { return p && p->path() == QLatin1String(":/pictures/hand_cursor.ico"); }

TEST_F(Splash, NothingOfTheCountIsEverDrawn) {
    rt::Screen& s = c.screen("Form2");
    const QRect client(QPoint(0, 0), s.clientSize());
    ASSERT_EQ(client.size(), QSize(508, 294));
    EXPECT_FALSE(s.label("Label1").pixelRect().intersects(client));

    // What the window shows is the background picture alone.
    QImage expected(client.size(), QImage::Format_ARGB32_Premultiplied);
    expected.fill(Qt::transparent);
    {
        QPainter p(&expected);
        p.fillRect(client, QColor(s.window().backColor.resolve(c.driver.runtime().systemColors())));
        if (s.picture() && !s.picture()->isNull()) p.drawImage(QPoint(0, 0), s.picture()->image());
    }
    EXPECT_EQ(c.driver.grab("Form2"), expected);
    c.driver.advance(5000);
    EXPECT_EQ(count(), "50");
    EXPECT_EQ(c.driver.grab("Form2"), expected);
}

TEST_F(Splash, EachTickCountsDownByTwo) {
    EXPECT_EQ(count(), "60");
    c.driver.advance(999);
    EXPECT_EQ(count(), "60");
    c.driver.advance(1);
    EXPECT_EQ(count(), "58");
    c.driver.advance(28'000);  // 29 ticks in all
    EXPECT_EQ(count(), "2");
    EXPECT_EQ(c.driver.shown(), QStringList{"Form2"});
}

TEST_F(Splash, TheThirtiethTickGoesToTheMainMenuWithoutEndingTheProgram) {
    c.driver.advance(29'000);
    EXPECT_EQ(c.driver.current(), "Form2");
    c.driver.advance(1000);
    EXPECT_FALSE(c.driver.ended());
    EXPECT_EQ(c.driver.shown(), QStringList{"Form1"});
    EXPECT_EQ(c.driver.loaded(), QStringList{"Form1"});
    EXPECT_EQ(c.driver.host().windowLog(), (QStringList{"show Form2", "destroy Form2", "show Form1"}));
    // No later tick touches the splash again (touching it would load it).
    c.driver.advance(120'000);
    EXPECT_EQ(c.driver.loaded(), QStringList{"Form1"});
    EXPECT_TRUE(c.driver.host().errors().empty());
}

TEST_F(Splash, SkipAreaClickShowsTheMenuAtOnceAndTheCountNeverResumes) {
    const QPoint corners[] = {{32, 256}, {95, 256}, {32, 293}, {95, 293}, {64, 275}};
    for (QPoint at : corners) {
        SCOPED_TRACE(at.x() * 1000 + at.y());
        Course fresh;
        fresh.driver.start();
        fresh.driver.advance(7000);
        fresh.driver.click(at.x(), at.y());
        EXPECT_EQ(fresh.driver.shown(), QStringList{"Form1"});
        EXPECT_FALSE(fresh.driver.ended());
        fresh.driver.advance(60'000);
        EXPECT_EQ(fresh.driver.loaded(), QStringList{"Form1"});
        EXPECT_EQ(fresh.driver.host().windowLog().count("show Form1"), 1);
    }
}

TEST_F(Splash, ClicksOutsideTheSkipAreaDoNothing) {
    const QPoint misses[] = {{31, 270}, {96, 270}, {60, 255}, {300, 100}, {450, 275}, {0, 0}, {507, 293}};
    c.driver.advance(3000);
    for (QPoint at : misses) c.driver.click(at.x(), at.y());
    EXPECT_EQ(c.driver.shown(), QStringList{"Form2"});
    EXPECT_EQ(count(), "54");
    c.driver.advance(1000);
    EXPECT_EQ(count(), "52");  // still counting
}

TEST_F(Splash, SkipAreaShowsTheCustomPointerFromTheFirstMoveOver) {
    EXPECT_EQ(c.screen("Form2").image("Image2", 0).mousePointer(), 0);
    c.driver.move(200, 100);
    EXPECT_EQ(c.driver.cursor(), nullptr);
    c.driver.move(40, 270);
    EXPECT_EQ(c.screen("Form2").image("Image2", 0).mousePointer(), rt::kCustomPointer);
    EXPECT_TRUE(isHand(c.driver.cursor()));
    c.driver.move(200, 100);
    EXPECT_EQ(c.driver.cursor(), nullptr);
}

TEST_F(Splash, SkipWithAnyOtherIndexDoesNothing) {
    auto& splash = dynamic_cast<screens::Form2&>(c.screen("Form2"));
    splash.Image2_Click(1);
    splash.Image2_Click(-1);
    EXPECT_EQ(c.driver.shown(), QStringList{"Form2"});
}

}  // namespace
