// The real program on a virtual display, driven with the pointer like a user.

#include "tests/e2e/x11_session.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>
#include <gtest/gtest.h>

namespace {

// The program under test: the build's, or an installed one named by the suite's caller.
const QString kProgram = qEnvironmentVariableIsEmpty("TK_E2E_PROGRAM")
                             ? QStringLiteral(TK_APP_DIR "/tarvik-dovadovore-fr")
                             : qEnvironmentVariable("TK_E2E_PROGRAM");
constexpr QRgb kMagenta = qRgb(255, 0, 255);
constexpr QRgb kYellow = qRgb(255, 255, 0);

// Client-area points of the controls, in pixels.
constexpr QPoint kSkipArea{60, 275};
constexpr QPoint kExitArea{622, 16};
QPoint menuTitle(int k) { return {250, 120 + 32 * k + 8}; }
QRect menuTitleRect(int k) { return {240, 120 + 32 * k, 225, 17}; }
constexpr QPoint kLessonMenu{36, 512};
constexpr QPoint kLessonQuit{592, 512};

struct Course : ::testing::Test {
    e2e::X11Session x;
    void SetUp() override {
        if (!QFileInfo::exists(kProgram)) GTEST_SKIP() << "program not built: " << kProgram.toStdString();
        ASSERT_TRUE(x.isUp()) << "Xvfb did not start";
    }
    void TearDown() override {
        if (HasFailure() && x.isUp()) {
            const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
            const QString path = x.saveScreenshot(QString::fromUtf8(info->name()));
            std::cerr << "screenshot: " << path.toStdString() << "\n";
        }
    }
    static void pause(int ms) { QThread::msleep(static_cast<unsigned long>(ms)); }
    QRect expectWindow(const QString& name, QSize size) {
        const auto r = x.findWindow(name);
        EXPECT_TRUE(r.has_value()) << name.toStdString() << " never appeared";
        if (!r) return {};
        EXPECT_EQ(r->size(), size) << name.toStdString();
        return *r;
    }
};

TEST_F(Course, SplashMenuLessonAndBackThenExit) {
    x.startProgram(kProgram);
    const QRect splash = expectWindow("Form2", {508, 294});
    ASSERT_FALSE(splash.isNull());
    // Centred on the 1280 x 1024 screen.
    EXPECT_EQ(splash.topLeft(), QPoint((1280 - 508) / 2, (1024 - 294) / 2));

    x.click(splash.topLeft() + kSkipArea);
    const QRect menu = expectWindow("Form1", {638, 455});
    ASSERT_FALSE(menu.isNull());
    EXPECT_TRUE(x.waitWindowGone("Form2"));
    EXPECT_EQ(menu.topLeft(), QPoint((1280 - 638) / 2, (1024 - 455) / 2));

    // Pointing at title 4 turns its text light magenta.
    x.moveMouse(menu.topLeft() + menuTitle(4));
    pause(300);
    QImage shot = x.screenshot();
    EXPECT_GT(e2e::countPixels(shot, menuTitleRect(4).translated(menu.topLeft()), kMagenta, 40), 30);
    EXPECT_EQ(e2e::countPixels(shot, menuTitleRect(3).translated(menu.topLeft()), kMagenta, 40), 0);

    // Title 0 opens the first lesson, which plays its movie.
    x.click(menu.topLeft() + menuTitle(0));
    const QRect lesson = expectWindow("Form3", {649, 530});
    ASSERT_FALSE(lesson.isNull());
    EXPECT_TRUE(x.waitWindowGone("Form1"));
    pause(1200);
    shot = x.screenshot();
    // The movie draws over the white of the background picture.
    const QRect movieArea = QRect(0, 0, 649, 460).translated(lesson.topLeft());
    const int white = e2e::countPixels(shot, movieArea, qRgb(255, 255, 255), 6);
    EXPECT_LT(white, movieArea.width() * movieArea.height() * 95 / 100) << "nothing of a movie was drawn";

    // Hovering "Menu" turns it light yellow; clicking it brings the menu back, all titles black.
    x.moveMouse(lesson.topLeft() + kLessonMenu);
    pause(300);
    shot = x.screenshot();
    EXPECT_GT(e2e::countPixels(shot, QRect(16, 504, 41, 17).translated(lesson.topLeft()), kYellow, 40), 20);
    x.click(lesson.topLeft() + kLessonMenu);
    const QRect again = expectWindow("Form1", {638, 455});
    ASSERT_FALSE(again.isNull());
    x.moveMouse(again.topLeft() + QPoint(100, 300));  // over the background
    pause(300);
    shot = x.screenshot();
    for (int k = 0; k < 9; ++k)
        EXPECT_EQ(e2e::countPixels(shot, menuTitleRect(k).translated(again.topLeft()), kMagenta, 40), 0) << k;

    // The exit area ends the process.
    x.click(again.topLeft() + kExitArea);
    EXPECT_EQ(x.waitForExit(5000), std::optional<int>(0));
}

TEST_F(Course, QuitterFromALessonEndsTheProgram) {
    x.startProgram(kProgram);
    const QRect splash = expectWindow("Form2", {508, 294});
    ASSERT_FALSE(splash.isNull());
    x.click(splash.topLeft() + kSkipArea);
    const QRect menu = expectWindow("Form1", {638, 455});
    ASSERT_FALSE(menu.isNull());
    x.click(menu.topLeft() + menuTitle(2));
    const QRect lesson = expectWindow("Form5", {649, 530});
    ASSERT_FALSE(lesson.isNull());
    // Form5's "Quitter" sits 8 pixels further left than on the other lessons.
    x.click(lesson.topLeft() + kLessonQuit - QPoint(8, 0));
    EXPECT_EQ(x.waitForExit(5000), std::optional<int>(0));
}

TEST_F(Course, TheCountdownOpensTheMenuAfterThirtySeconds) {
    QElapsedTimer clock;
    clock.start();
    x.startProgram(kProgram);
    ASSERT_TRUE(x.findWindow("Form2", 5000).has_value());
    const auto menu = x.findWindow("Form1", 40'000);
    const qint64 elapsed = clock.elapsed();
    ASSERT_TRUE(menu.has_value());
    std::cout << "menu after " << elapsed << " ms\n";
    EXPECT_GE(elapsed, 29'000);
    EXPECT_LE(elapsed, 33'000);
    EXPECT_TRUE(x.waitWindowGone("Form2"));
    EXPECT_TRUE(x.programRunning());
}

TEST_F(Course, ArgumentsChangeNothing) {
    // Qt options, a file and junk: the program reads none of them.
    x.startProgram(kProgram, {"-reverse", "-platform", "offscreen", "--style=windows", "/tmp/autre.swf", "-x"});
    const QRect splash = expectWindow("Form2", {508, 294});
    ASSERT_FALSE(splash.isNull());
    EXPECT_EQ(splash.topLeft(), QPoint((1280 - 508) / 2, (1024 - 294) / 2));
    x.click(splash.topLeft() + kSkipArea);
    EXPECT_TRUE(x.findWindow("Form1").has_value());
}

}  // namespace
