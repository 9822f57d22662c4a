// The Qt binding under the offscreen platform: real windows, real events.

#include "runtime/qt/qt_host.h"
#include "runtime/runtime.h"
#include "tests/runtime/test_project.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QMouseEvent>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

struct Binding : ::testing::Test {
    rttest::TestProject tp;
    rtqt::MonotonicClock clock;
    rtqt::QtHost host;
    std::unique_ptr<rt::Runtime> runtime;

    void start(const char* startup = "Home", int timer = 0) {
        tp.timerInterval = timer;
        rt::Project p = tp.project();
        p.startup = startup;
        runtime = std::make_unique<rt::Runtime>(std::move(p), host, clock);
        host.attach(*runtime);
        runtime->start();
        QApplication::processEvents();
    }
    void moveTo(QWidget* w, QPoint at) {
        QMouseEvent e(QEvent::MouseMove, QPointF(at), w->mapToGlobal(QPointF(at)), Qt::NoButton, Qt::NoButton,
                      Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }
    void clickAt(QWidget* w, QPoint at) {
        moveTo(w, at);
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(at), w->mapToGlobal(QPointF(at)), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w, &press);
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(at), w->mapToGlobal(QPointF(at)), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(w, &release);
    }
    // Runs the event loop until `done` or two seconds.
    template <class F>
    bool spinUntil(F done) {
        QElapsedTimer t;
        t.start();
        while (!done() && t.elapsed() < 2000) QApplication::processEvents(QEventLoop::AllEvents, 20);
        return done();
    }
};

TEST_F(Binding, AnEmptyScreenIsAFramedWindowOfItsClientSizeAndCaption) {
    start("Empty");
    QWidget* w = host.window("Empty");
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->size(), QSize(312, 206));
    EXPECT_EQ(w->windowTitle(), "Empty");
    EXPECT_FALSE(w->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(w->windowType(), Qt::Window);
    // Resizable: no fixed size.
    EXPECT_NE(w->minimumSize(), w->maximumSize());
}

TEST_F(Binding, ACloseRequestUnloadsTheScreenAndEndsTheProgram) {
    start("Empty");
    QWidget* w = host.window("Empty");
    ASSERT_NE(w, nullptr);
    w->close();
    EXPECT_TRUE(runtime->ended());
    EXPECT_EQ(host.window("Empty"), nullptr);
}

TEST_F(Binding, ABorderlessScreenHasNoFrameAndNoTaskBarEntry) {
    start("Home");
    QWidget* w = host.window("Home");
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(w->windowType(), Qt::Tool);
    EXPECT_EQ(w->size(), QSize(300, 200));
    EXPECT_EQ(w->minimumSize(), w->maximumSize());
    // Centred on the screen.
    const QRect avail = w->screen()->availableGeometry();
    EXPECT_LE(std::abs(w->frameGeometry().center().x() - avail.center().x()), 1);
    EXPECT_LE(std::abs(w->frameGeometry().center().y() - avail.center().y()), 1);
}

TEST_F(Binding, TheCustomPointerIsSetOnlyOverAControlSetTo99) {
    start("Home");
    QWidget* w = host.window("Home");
    ASSERT_NE(w, nullptr);
    moveTo(w, {20, 15});  // a label with a MouseIcon but MousePointer 0
    EXPECT_NE(w->cursor().shape(), Qt::BitmapCursor);
    moveTo(w, {280, 10});  // the hot spot sets 99
    EXPECT_EQ(w->cursor().shape(), Qt::BitmapCursor);
    EXPECT_EQ(w->cursor().hotSpot(), QPoint(16, 16));
    moveTo(w, {200, 80});
    EXPECT_NE(w->cursor().shape(), Qt::BitmapCursor);
}

TEST_F(Binding, APlatformPointerShowsTheSystemsOwnShape) {
    start("Home");
    QWidget* w = host.window("Home");
    ASSERT_NE(w, nullptr);
    rt::Screen& home = runtime->screen("Home");
    host.setCursor(home, rt::standardPointer(Qt::PointingHandCursor));
    EXPECT_EQ(w->cursor().shape(), Qt::PointingHandCursor);
    host.setCursor(home, nullptr);
    EXPECT_EQ(w->cursor().shape(), Qt::ArrowCursor);
    // One shared pointer a shape.
    EXPECT_EQ(rt::standardPointer(Qt::PointingHandCursor), rt::standardPointer(Qt::PointingHandCursor));
    EXPECT_NE(rt::standardPointer(Qt::PointingHandCursor), rt::standardPointer(Qt::IBeamCursor));
}

TEST_F(Binding, ClicksOnTheWindowReachTheRuntimeAndItsSteps) {
    start("Home");
    QWidget* w = host.window("Home");
    ASSERT_NE(w, nullptr);
    clickAt(w, {20, 15});  // Label1(0): go to Other
    EXPECT_EQ(runtime->shownScreens(), QStringList{"Other"});
    EXPECT_FALSE(runtime->ended());
    QApplication::processEvents();
    EXPECT_EQ(host.window("Home"), nullptr);
    ASSERT_NE(host.window("Other"), nullptr);
    EXPECT_TRUE(host.window("Other")->isVisible());
}

TEST_F(Binding, TheWindowPaintsTheScreen) {
    start("Home");
    QWidget* w = host.window("Home");
    ASSERT_NE(w, nullptr);
    const QImage shot = w->grab().toImage();
    // The fake movie player paints blue in its rectangle (client x 0..109, y 100..159).
    EXPECT_EQ(shot.pixel(5, 130), qRgb(0, 0, 255));
    EXPECT_EQ(QColor(shot.pixel(250, 190)).rgb(), QColor(runtime->systemColors().buttonFace).rgb());
}

TEST_F(Binding, TimersTickOnTheRealClock) {
    start("Home", 30);
    EXPECT_TRUE(spinUntil([&] { return tp.journal.timerTicks >= 3; }));
}

TEST_F(Binding, ARuntimeErrorShowsAFrenchMessageBoxThenEnds) {
    start("Home");
    QString shown;
    QTimer::singleShot(50, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            shown = box->text();
            box->accept();
        }
    });
    runtime->dispatch([] { throw rt::noSuchArrayElement("Label1", 4); });
    EXPECT_TRUE(shown.contains("340"));
    EXPECT_TRUE(shown.contains("n'existe pas"));
    EXPECT_TRUE(runtime->ended());
}

}  // namespace
