// The course's own screens through the real Qt binding, offscreen: the
// windows a user gets, their frames, sizes, cursors and close boxes.

#include "runtime/qt/qt_host.h"
#include "runtime/runtime.h"
#include "runtime/screen.h"
#include "screens/project.h"

#include <QApplication>
#include <QDir>
#include <QMouseEvent>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

struct CourseWindows : ::testing::Test {
    rtqt::MonotonicClock clock;
    rtqt::QtHost host;
    std::unique_ptr<rt::Runtime> runtime;

    void SetUp() override {
        runtime = std::make_unique<rt::Runtime>(screens::courseProject(), host, clock);
        host.attach(*runtime);
    }
    void show(const char* name) {
        runtime->dispatch([&] { runtime->show(name); });
        QApplication::processEvents();
    }
    static void moveTo(QWidget* w, QPoint at) {
        QMouseEvent e(QEvent::MouseMove, QPointF(at), w->mapToGlobal(QPointF(at)), Qt::NoButton, Qt::NoButton,
                      Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }
};

TEST_F(CourseWindows, EmptyScreensAreFramedResizableWindowsTitledWithTheirName) {
    for (const char* name : {"Form23", "Form24", "Form25", "Form26", "Form27"}) {
        show(name);
        QWidget* w = host.window(name);
        ASSERT_NE(w, nullptr) << name;
        EXPECT_EQ(w->windowTitle(), name);
        EXPECT_EQ(w->size(), QSize(312, 206)) << name;
        EXPECT_EQ(w->windowType(), Qt::Window) << name;
        EXPECT_FALSE(w->windowFlags() & Qt::FramelessWindowHint) << name;
        EXPECT_NE(w->minimumSize(), w->maximumSize()) << name;
        // Nothing in it but the button face.
        const QImage shot = w->grab().toImage();
        EXPECT_EQ(shot.pixel(156, 103), runtime->systemColors().buttonFace);
    }
}

TEST_F(CourseWindows, TheCloseBoxOfTheLastScreenEndsTheProgram) {
    show("Form23");
    QWidget* w = host.window("Form23");
    ASSERT_NE(w, nullptr);
    w->close();
    EXPECT_TRUE(runtime->ended());
    EXPECT_TRUE(runtime->loadedScreens().isEmpty());
}

TEST_F(CourseWindows, MenusAndSplashAreBorderlessWithoutTaskBarButton) {
    const std::pair<const char*, QSize> screens[] = {{"Form2", {508, 294}},
                                                     {"Form1", {638, 455}},
                                                     {"Form15", {638, 455}},
                                                     {"Form3", {649, 530}},
                                                     {"Form12", {750, 550}}};
    for (const auto& [name, size] : screens) {
        show(name);
        QWidget* w = host.window(name);
        ASSERT_NE(w, nullptr) << name;
        EXPECT_TRUE(w->windowFlags() & Qt::FramelessWindowHint) << name;
        EXPECT_EQ(w->windowType(), Qt::Tool) << name;
        EXPECT_EQ(w->size(), size) << name;
        EXPECT_EQ(w->minimumSize(), w->maximumSize()) << name;
    }
}

TEST_F(CourseWindows, SplashAndMainMenuCarryTheProgramIconOthersNone) {
    show("Form2");
    EXPECT_FALSE(host.window("Form2")->windowIcon().isNull());
    show("Form15");
    EXPECT_TRUE(runtime->screen("Form15").icon() == nullptr);
}

TEST_F(CourseWindows, TheHandPointerShowsOverTheSkipAreaWithItsHotSpotAtTheCentre) {
    show("Form2");
    QWidget* w = host.window("Form2");
    ASSERT_NE(w, nullptr);
    moveTo(w, {300, 100});
    EXPECT_NE(w->cursor().shape(), Qt::BitmapCursor);
    moveTo(w, {60, 275});
    EXPECT_EQ(w->cursor().shape(), Qt::BitmapCursor);
    EXPECT_EQ(w->cursor().hotSpot(), QPoint(16, 16));
    EXPECT_EQ(w->cursor().pixmap().size(), QSize(32, 32));
}

TEST_F(CourseWindows, ThePictureMenuShowsTheHoverPictureOfThePointedRow) {
    show("Form15");
    QWidget* w = host.window("Form15");
    ASSERT_NE(w, nullptr);
    const QRect hover2(232, 168, 185, 25);
    const QImage before = w->grab().toImage();
    moveTo(w, {300, 180});  // row 2's hot spot
    const QImage after = w->grab().toImage();
    int changed = 0;
    for (int y = hover2.top(); y <= hover2.bottom(); ++y)
        for (int x = hover2.left(); x <= hover2.right(); ++x) changed += before.pixel(x, y) != after.pixel(x, y);
    EXPECT_GT(changed, 100);
    // Nothing changes outside the hover picture.
    EXPECT_EQ(before.copy(0, 0, 638, 160), after.copy(0, 0, 638, 160));
    // Kept for the README's screenshots.
    QDir().mkpath(TK_BINARY_DIR "/screenshots");
    after.save(TK_BINARY_DIR "/screenshots/picture-menu.png");
}

}  // namespace
