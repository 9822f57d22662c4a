// The lesson family with a recording stand-in for the movie player: the
// three automation calls, the two labels, and the movie area.

#include "tests/screens/course.h"

#include "layouts/layouts.h"
#include "runtime/appfolder.h"
#include "runtime/palette.h"
#include "screens/lesson_screen.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

using scrtest::Course;

constexpr QRgb kWhite = qRgb(255, 255, 255);
constexpr QRgb kYellow = qRgb(255, 255, 0);

QStringList loadCalls(const char* movie) {
    return {QStringLiteral("Movie=") + rt::applicationFolder() + QStringLiteral("\\") + QString::fromLatin1(movie) +
                QStringLiteral(".swf"),
            QStringLiteral("Rewind"), QStringLiteral("Play")};
}

bool isHand(const rt::PictureRef& p) { return p && p->path() == QLatin1String(":/pictures/hand_cursor.ico"); }

struct Lesson : ::testing::Test {
    Course c;
    rt::Screen& lesson() { return c.screen("Form3"); }
    QRgb color(int i) { return lesson().label("Label1", short(i)).foreColor(); }
    void open() {
        c.toMainMenu();
        c.driver.click(250, 128);  // "Démarrer Tarvik"
        ASSERT_EQ(c.driver.current(), "Form3");
    }
    void moveTo(QPoint p) { c.driver.move(p.x(), p.y()); }
    void clickAt(QPoint p) { c.driver.click(p.x(), p.y()); }
    const QPoint menu = scrtest::menuLabelCentre("Form3");
    const QPoint quit = scrtest::quitLabelCentre("Form3");
    const QPoint movie{300, 200};
    const QPoint background{300, 512};  // between the labels, on the blue band
};

TEST(LessonMembers, TheTableHoldsEveryLessonLayoutOnceWithItsOwnMovie) {
    std::vector<std::string> names, layoutRows;
    std::set<std::string> movies;
    for (const screens::LessonMember& m : screens::kLessonMembers) {
        names.push_back(m.name);
        movies.insert(m.movie);
    }
    for (const layouts::LessonRow& row : layouts::lessonRows()) layoutRows.push_back(row.name);
    EXPECT_EQ(names, layoutRows);
    EXPECT_EQ(movies.size(), names.size());
}

TEST(LessonMembers, EachMemberLoadsItsOwnMovieFromTheApplicationFolder) {
    for (const screens::LessonMember& m : screens::kLessonMembers) {
        const char* name = m.name;
        SCOPED_TRACE(name);
        Course c;
        c.driver.show(name);
        ASSERT_EQ(c.driver.shown(), QStringList{name});
        EXPECT_EQ(c.player.calls, loadCalls(m.movie));
        EXPECT_EQ(c.player.created, 1);
        EXPECT_EQ(c.screen(name).caption(), QString::fromLatin1(std::string_view(name) == "Form6" ? "" : name));
        // Every member behaves the same: Menu goes to the main menu.
        const QPoint menu = scrtest::menuLabelCentre(name);
        c.driver.move(menu.x(), menu.y());
        EXPECT_EQ(c.screen(name).label("Label1", 0).foreColor(), kYellow);
        c.driver.click(menu.x(), menu.y());
        EXPECT_EQ(c.driver.loaded(), QStringList{"Form1"});
        EXPECT_EQ(c.player.live, 0);
    }
}

TEST_F(Lesson, OpeningTheSameLessonAgainRestartsAFreshPlayer) {
    open();
    EXPECT_EQ(c.player.calls, loadCalls("demarre_tk"));
    clickAt(menu);
    ASSERT_EQ(c.driver.current(), "Form1");
    EXPECT_EQ(c.player.live, 0);  // the player went with its screen
    c.driver.click(250, 128);
    ASSERT_EQ(c.driver.current(), "Form3");
    EXPECT_EQ(c.player.created, 2);
    EXPECT_EQ(c.player.live, 1);
    EXPECT_EQ(c.player.calls, loadCalls("demarre_tk") + loadCalls("demarre_tk"));
}

TEST_F(Lesson, QuitterEndsTheProgramWithNoScreenLeft) {
    open();
    clickAt(quit);
    EXPECT_TRUE(c.driver.ended());
    EXPECT_TRUE(c.driver.loaded().isEmpty());
    EXPECT_EQ(c.player.live, 0);
    EXPECT_TRUE(c.driver.host().errors().empty());
}

TEST_F(Lesson, HoveringMenuTurnsOnlyItYellowAndGivesTheCustomPointer) {
    open();
    const QRect menuRect = lesson().label("Label1", 0).pixelRect();
    const QRect quitRect = lesson().label("Label1", 1).pixelRect();
    const QImage before = c.driver.grab("Form3");
    EXPECT_EQ(scrtest::pixelsNear(before, menuRect, kYellow), 0);
    EXPECT_GT(scrtest::pixelsNear(before, menuRect, kWhite), 10);

    moveTo(menu);
    EXPECT_EQ(color(0), kYellow);
    EXPECT_EQ(color(0), rt::QBColor(14));
    EXPECT_EQ(color(1), kWhite);
    EXPECT_EQ(lesson().label("Label1", 0).mousePointer(), rt::kCustomPointer);
    EXPECT_EQ(lesson().label("Label1", 1).mousePointer(), 0);
    EXPECT_TRUE(isHand(c.driver.cursor()));
    const QImage lit = c.driver.grab("Form3");
    EXPECT_GT(scrtest::pixelsNear(lit, menuRect, kYellow), 10);
    EXPECT_EQ(scrtest::pixelsNear(lit, quitRect, kYellow), 0);
}

TEST_F(Lesson, LabelsStayYellowUntilAMoveOverTheScreenItself) {
    open();
    moveTo(menu);
    moveTo(movie);  // the player takes this move: no handler of the screen runs
    EXPECT_EQ(color(0), kYellow);
    EXPECT_TRUE(c.player.calls.contains("move"));
    EXPECT_EQ(c.driver.cursor(), nullptr);
    moveTo(quit);
    EXPECT_EQ(color(0), kYellow);
    EXPECT_EQ(color(1), kYellow);
    moveTo(background);
    EXPECT_EQ(color(0), kWhite);
    EXPECT_EQ(color(1), kWhite);
    EXPECT_EQ(c.driver.cursor(), nullptr);
}

TEST_F(Lesson, AClickOnTheMovieGoesToThePlayerAlone) {
    open();
    moveTo(menu);
    const qsizetype calls = c.player.calls.size();
    clickAt(movie);
    EXPECT_EQ(c.player.calls.mid(calls), (QStringList{"move", "press", "release"}));
    EXPECT_EQ(color(0), kYellow);  // no screen move handler ran
    EXPECT_EQ(c.driver.shown(), QStringList{"Form3"});
    EXPECT_FALSE(c.driver.ended());
}

TEST_F(Lesson, ClicksOnTheBackgroundAndTheDrawnCloseMarkDoNothing) {
    open();
    for (QPoint at : {QPoint(632, 505), background, QPoint(5, 520), QPoint(300, 495)}) clickAt(at);
    EXPECT_EQ(c.driver.shown(), QStringList{"Form3"});
    EXPECT_FALSE(c.driver.ended());
}

TEST_F(Lesson, AClickWithAnyOtherIndexDoesNothing) {
    open();
    auto& screen = dynamic_cast<screens::LessonScreen&>(lesson());
    for (short index : {short(2), short(5), short(-1)}) screen.Label1_Click(index);
    EXPECT_EQ(c.driver.shown(), QStringList{"Form3"});
    EXPECT_EQ(c.driver.loaded(), QStringList{"Form3"});
}

TEST(LessonFailures, AFailingMovieLeavesRewindAndPlayUncalledAndEndsTheProgram) {
    Course c;
    c.player.failDispid = 102;
    c.toMainMenu();
    c.driver.click(250, 128 + 32 * 3);  // "Créer une coque" opens Form6
    EXPECT_EQ(c.player.calls, loadCalls("creer_coque").mid(0, 1));
    ASSERT_EQ(c.driver.host().errors().size(), 1u);
    EXPECT_TRUE(c.driver.host().errors().front().contains("Movie"));
    EXPECT_TRUE(c.driver.ended());
    EXPECT_TRUE(c.driver.loaded().isEmpty());
}

TEST(LessonFailures, AFailingRewindLeavesPlayUncalled) {
    Course c;
    c.player.failDispid = 116;
    c.driver.show("Form12");
    EXPECT_EQ(c.player.calls, loadCalls("rainure_en_v").mid(0, 2));
    EXPECT_EQ(c.driver.host().errors().size(), 1u);
    EXPECT_TRUE(c.driver.ended());
}

TEST(LessonFailures, APlayerThatCannotBeCreatedIsReportedAndEndsTheProgram) {
    Course c;
    c.player.refuseCreate = true;
    c.toMainMenu();
    c.driver.click(250, 128);
    EXPECT_TRUE(c.player.calls.isEmpty());
    ASSERT_EQ(c.driver.host().errors().size(), 1u);
    EXPECT_EQ(c.driver.host().errorNumbers().front(), rt::err::CannotCreateObject);
    EXPECT_TRUE(c.driver.ended());
}

}  // namespace
