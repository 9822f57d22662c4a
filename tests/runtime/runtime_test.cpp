// Behaviour of the screen runtime, driven headless through rt::Driver.

#include "runtime/appfolder.h"
#include "runtime/driver.h"
#include "runtime/paint.h"
#include "runtime/palette.h"
#include "runtime/text.h"
#include "tests/runtime/test_project.h"

#include <gtest/gtest.h>

using rttest::TestProject;

namespace {

// Client pixels of the test screens' controls.
constexpr QPoint kLabel0{20, 15};
constexpr QPoint kLabel1{120, 15};  // under the invisible Image3
constexpr QPoint kImage2{20, 60};
constexpr QPoint kImage1{280, 10};  // the hot spot with a custom pointer
constexpr QPoint kBackground{200, 80};
constexpr QPoint kPlayer{50, 120};
constexpr QPoint kOtherLabel{10, 5};

struct Fixture : ::testing::Test {
    TestProject tp;
    std::unique_ptr<rt::Driver> d;
    void start(int timer = 0) {
        tp.timerInterval = timer;
        d = std::make_unique<rt::Driver>(tp.project());
        d->start();
    }
    const QStringList& events() { return tp.journal.events; }
};

using Navigation = Fixture;

TEST_F(Navigation, StartShowsTheStartupScreenAndRaisesLoad) {
    start();
    EXPECT_EQ(d->shown(), QStringList{"Home"});
    EXPECT_EQ(events(), QStringList{"Home.Load"});
    EXPECT_FALSE(d->ended());
}

TEST_F(Navigation, GoToNeverEndsThoughNoScreenIsLoadedForAMoment) {
    start();
    d->click(kLabel0.x(), kLabel0.y());
    EXPECT_FALSE(d->ended());
    EXPECT_EQ(d->loaded(), QStringList{"Other"});
    EXPECT_EQ(d->shown(), QStringList{"Other"});
    // Home was unloaded before Other was shown.
    EXPECT_EQ(d->host().windowLog(), (QStringList{"show Home", "destroy Home", "show Other"}));
}

TEST_F(Navigation, ClosingTheLastScreenEndsTheProgramAndNothingRunsAfter) {
    start();
    d->click(kLabel1.x(), kLabel1.y());
    EXPECT_TRUE(d->ended());
    EXPECT_TRUE(d->host().quitCalled());
    EXPECT_TRUE(d->loaded().isEmpty());
    const qsizetype seen = events().size();
    d->advance(10'000);
    EXPECT_THROW(d->click(kLabel0.x(), kLabel0.y()), rt::RuntimeError);  // no screen shown any more
    EXPECT_EQ(events().size(), seen);
}

TEST_F(Navigation, ReshowAfterUnloadRaisesLoadAgainFromLayoutValues) {
    start();
    d->move(kLabel0.x(), kLabel0.y());
    EXPECT_EQ(d->screen("Home").label("Label1", 0).foreColor(), rt::QBColor(13));
    d->click(kLabel0.x(), kLabel0.y());  // to Other
    d->show("Home");                     // Other stays loaded: not a go-to
    EXPECT_EQ(events().count("Home.Load"), 2);
    EXPECT_EQ(d->screen("Home").label("Label1", 0).foreColor(), qRgb(0, 0, 0));
}

TEST_F(Navigation, ShowOnAShownScreenRaisesNoSecondLoad) {
    start();
    d->show("Home");
    d->show("Home");
    EXPECT_EQ(events().count("Home.Load"), 1);
}

TEST_F(Navigation, EndExitsAtOnceWithoutFurtherEvents) {
    start(500);
    d->show("Other");  // a second loaded screen that End must take down silently
    d->click("Home", kImage1.x(), kImage1.y());
    EXPECT_TRUE(d->ended());
    EXPECT_TRUE(d->loaded().isEmpty());
    EXPECT_EQ(events().last(), "Home.Image1_Click");
    d->advance(5000);
    EXPECT_EQ(tp.journal.timerTicks, 0);
}

TEST_F(Navigation, ScreenInstancesAreCreatedOnFirstReferenceAndKept) {
    start();
    EXPECT_TRUE(d->runtime().hasInstance("Home"));
    EXPECT_FALSE(d->runtime().hasInstance("Other"));
    rt::Screen* home = &d->screen("Home");
    d->click(kLabel0.x(), kLabel0.y());
    EXPECT_TRUE(d->runtime().hasInstance("Other"));
    EXPECT_EQ(&d->screen("Home"), home);
    EXPECT_EQ(home->state(), rt::Screen::State::Created);
    EXPECT_THROW(d->screen("Nowhere"), rt::RuntimeError);
}

TEST_F(Navigation, CloseBoxUnloadsLikeACloseStep) {
    start();
    d->show("Empty");
    d->closeWindow("Empty");
    EXPECT_FALSE(d->ended());  // Home is still loaded
    EXPECT_EQ(d->loaded(), QStringList{"Home"});
}

TEST_F(Navigation, ImplicitLoadWhenAPropertyOfAnUnloadedScreenIsTouched) {
    start();
    EXPECT_EQ(d->screen("Other").label("Label1").caption(), "Autre");
    EXPECT_TRUE(d->screen("Other").isLoaded());
    EXPECT_FALSE(d->screen("Other").isShown());
    EXPECT_EQ(events().count("Other.Load"), 1);
}

using MouseDelivery = Fixture;

TEST_F(MouseDelivery, AMoveOverAControlReachesItNotTheScreen) {
    start();
    d->move(kLabel0.x(), kLabel0.y());
    EXPECT_EQ(events().last(), "Home.Label1_MouseMove(0)");
    EXPECT_EQ(events().filter("Form_MouseMove").size(), 0);
}

TEST_F(MouseDelivery, ShapesAndInvisibleControlsLetTheMouseThrough) {
    start();
    // The shape covers the whole screen; the invisible Image3 covers Label1(1).
    d->move(kLabel1.x(), kLabel1.y());
    EXPECT_EQ(events().last(), "Home.Label1_MouseMove(1)");
    d->move(kBackground.x(), kBackground.y());
    EXPECT_EQ(events().last(), QStringLiteral("Home.Form_MouseMove %1,%2").arg(200 * 15).arg(80 * 15));
    d->click(kLabel1.x(), kLabel1.y());
    EXPECT_EQ(events().filter("Image3").size(), 0);
}

TEST_F(MouseDelivery, AOneElementArrayDeliversIndexZero) {
    start();
    d->move(kImage2.x(), kImage2.y());
    EXPECT_EQ(events().last(), "Home.Image2_MouseMove(0)");
}

TEST_F(MouseDelivery, ControlEventsCarryTwipsRelativeToTheControl) {
    start();
    d->move(kLabel0.x(), kLabel0.y());  // the label's rectangle starts at (10, 10)
    EXPECT_EQ(tp.journal.lastX, 10 * 15);
    EXPECT_EQ(tp.journal.lastY, 5 * 15);
}

TEST_F(MouseDelivery, TheMoviePlayerAreaTakesAllInputAndNoHandlerGetsIt) {
    start();
    const qsizetype before = events().size();
    d->move(kPlayer.x(), kPlayer.y());
    d->click(kPlayer.x(), kPlayer.y());
    EXPECT_EQ(events().size(), before);
    EXPECT_EQ(tp.externalCalls, (QStringList{"move 60,20", "move 60,20", "press 1", "release 1"}));
}

TEST_F(MouseDelivery, AClickNeedsPressAndReleaseOverTheSameReceiver) {
    start();
    rt::Screen& home = d->screen("Home");
    d->runtime().mousePress(home, kLabel0, rt::MouseButton::Left, 0);
    d->runtime().mouseRelease(home, kBackground, rt::MouseButton::Left, 0);
    EXPECT_EQ(events().filter("Click").size(), 0);
    d->runtime().mousePress(home, kLabel0, rt::MouseButton::Right, 0);
    d->runtime().mouseRelease(home, kLabel0, rt::MouseButton::Right, 0);
    EXPECT_EQ(events().filter("Click").size(), 0);
}

TEST_F(MouseDelivery, TheCustomPointerShowsOnlyOverAControlSetTo99) {
    start();
    d->move(kLabel0.x(), kLabel0.y());  // has a MouseIcon, but MousePointer stays 0
    EXPECT_EQ(d->cursor(), nullptr);
    d->move(kImage1.x(), kImage1.y());  // its handler sets 99
    ASSERT_NE(d->cursor(), nullptr);
    EXPECT_EQ(d->cursor()->path(), rttest::kCursorPath);
    d->move(kBackground.x(), kBackground.y());
    EXPECT_EQ(d->cursor(), nullptr);
}

using Timers = Fixture;

TEST_F(Timers, FirstTickComesOneIntervalAfterTheLoad) {
    start(1000);
    d->advance(999);
    EXPECT_EQ(tp.journal.timerTicks, 0);
    d->advance(1);
    EXPECT_EQ(tp.journal.timerTicks, 1);
    d->advance(3000);
    EXPECT_EQ(tp.journal.timerTicks, 4);
}

TEST_F(Timers, NoTickReachesAnUnloadedScreen) {
    start(1000);
    d->advance(1000);
    d->click(kLabel0.x(), kLabel0.y());  // Home unloaded
    d->advance(10'000);
    EXPECT_EQ(tp.journal.timerTicks, 1);
    EXPECT_FALSE(d->runtime().nextTimerDue().has_value());
}

TEST_F(Timers, ATickDueDuringAHandlerIsDeliveredAfterIt) {
    start(1000);
    rt::Screen& home = d->screen("Home");
    d->runtime().dispatch([&] {
        d->clock().set(5000);  // the handler runs long
        d->runtime().mouseMove(home, kLabel0, 0, 0);
        EXPECT_EQ(tp.journal.timerTicks, 0);
    });
    d->runtime().runDueTimers();
    // One late tick, not a burst of five.
    EXPECT_EQ(tp.journal.timerTicks, 1);
    EXPECT_EQ(events().indexOf("Home.Timer1"), events().indexOf("Home.Label1_MouseMove(0)") + 1);
}

using Errors = Fixture;

TEST_F(Errors, AMissingArrayElementShowsTheFrenchBoxThenEnds) {
    start();
    d->click(kImage2.x(), kImage2.y());
    ASSERT_EQ(d->host().errors().size(), 1u);
    EXPECT_EQ(d->host().errorNumbers()[0], 340);
    EXPECT_TRUE(d->host().errors()[0].contains("340"));
    EXPECT_TRUE(d->host().errors()[0].contains("n'existe pas"));
    EXPECT_TRUE(d->host().errors()[0].startsWith("Erreur d'exécution"));
    EXPECT_FALSE(events().contains("not reached"));
    EXPECT_TRUE(d->ended());
    EXPECT_TRUE(d->loaded().isEmpty());
}

TEST_F(Errors, FloatingPointOverflowIsARuntimeError) {
    start();
    d->click(kLabel0.x(), kLabel0.y());
    d->click(kOtherLabel.x(), kOtherLabel.y());
    EXPECT_EQ(d->host().errorNumbers(), std::vector<int>{6});
    EXPECT_FALSE(events().contains("not reached"));
    EXPECT_TRUE(d->ended());
}

TEST_F(Errors, AControlThatCannotBeCreatedFailsTheShow) {
    tp.failCreate = true;
    start();
    EXPECT_EQ(d->host().errorNumbers(), std::vector<int>{429});
    EXPECT_TRUE(d->host().errors()[0].contains("composant absent"));
    EXPECT_TRUE(d->ended());
    EXPECT_FALSE(events().contains("Home.Load"));
}

TEST_F(Errors, AFailingAutomationCallRaisesAndStopsTheHandler) {
    tp.failDispid = 116;
    start();
    rt::ExternalHost& player = d->screen("Home").external("flash1");
    d->runtime().dispatch([&] {
        player.setProperty(102, "Movie", QStringLiteral("x.swf"));
        player.call(116, "Rewind");
        player.call(112, "Play");
    });
    EXPECT_EQ(tp.externalCalls, (QStringList{"102 x.swf", "116"}));
    EXPECT_EQ(d->host().errorNumbers(), std::vector<int>{440});
    EXPECT_TRUE(d->host().errors()[0].contains("Rewind"));
    EXPECT_TRUE(d->ended());
}

// A host whose modal error box lets input through, as a nested event loop would.
struct ReentrantHost : rt::HeadlessHost {
    rt::Runtime* runtime = nullptr;
    rt::Screen* screen = nullptr;
    void showError(const rt::RuntimeError& e) override {
        HeadlessHost::showError(e);
        runtime->mouseMove(*screen, kLabel0, 0, 0);
        runtime->runDueTimers();
    }
};

TEST(ErrorBox, NothingRunsWhileItIsUpAndTheProgramEndsAfter) {
    TestProject tp;
    tp.timerInterval = 100;
    ReentrantHost host;
    rt::VirtualClock clock;
    rt::Runtime runtime(tp.project(), host, clock);
    host.runtime = &runtime;
    runtime.start();
    host.screen = &runtime.screen("Home");
    clock.set(1000);
    runtime.dispatch([] { throw rt::invalidCall("test"); });
    EXPECT_EQ(host.errorNumbers(), std::vector<int>{5});
    EXPECT_EQ(tp.journal.events.filter("MouseMove").size(), 0);
    EXPECT_EQ(tp.journal.timerTicks, 0);
    EXPECT_TRUE(runtime.ended());
    EXPECT_TRUE(host.quitCalled());
}

TEST(ErrorText, NamesNumberAndDescriptionInFrench) {
    const rt::RuntimeError e = rt::noSuchArrayElement("Label1", 9);
    EXPECT_EQ(e.number(), 340);
    EXPECT_EQ(e.message(), QStringLiteral("Erreur d'exécution « 340 » :\n\nL'élément 9 du groupe de contrôles "
                                          "« Label1 » n'existe pas"));
}

TEST(FloatStatusCheck, DivisionByZeroAndInvalidOperations) {
    {
        rt::FloatStatus fp;
        volatile double zero = 0.0;
        volatile double r = 1.0 / zero;
        (void)r;
        try {
            fp.check();
            FAIL();
        } catch (const rt::RuntimeError& e) {
            EXPECT_EQ(e.number(), 11);
        }
    }
    {
        rt::FloatStatus fp;
        volatile double zero = 0.0;
        volatile double r = zero / zero;
        (void)r;
        EXPECT_THROW(fp.check(), rt::RuntimeError);
    }
    {
        rt::FloatStatus fp;
        volatile double r = rt::Val("60") - 1;
        EXPECT_EQ(r, 59.0);
        EXPECT_NO_THROW(fp.check());
    }
}

TEST(Palette, QBColorIsThePublishedSixteenColourTable) {
    EXPECT_EQ(rt::QBColor(0), qRgb(0, 0, 0));
    EXPECT_EQ(rt::QBColor(7), qRgb(192, 192, 192));
    EXPECT_EQ(rt::QBColor(8), qRgb(128, 128, 128));
    EXPECT_EQ(rt::QBColor(13), qRgb(255, 0, 255));
    EXPECT_EQ(rt::QBColor(14), qRgb(255, 255, 0));
    EXPECT_EQ(rt::QBColor(15), qRgb(255, 255, 255));
    EXPECT_THROW(rt::QBColor(16), rt::RuntimeError);
    EXPECT_THROW(rt::QBColor(-1), rt::RuntimeError);
    const rt::SystemColors scheme;
    EXPECT_EQ(rt::Color::rgb(0x516CB1).resolve(scheme), qRgb(0x51, 0x6C, 0xB1));
    EXPECT_EQ(rt::Color::system(rt::SystemColor::ButtonFace).resolve(scheme), scheme.buttonFace);
}

TEST(ApplicationFolder, NoTrailingSeparatorExceptAtARoot) {
    EXPECT_EQ(rt::applicationFolderFrom("/usr/lib/tarvik"), "/usr/lib/tarvik");
    EXPECT_EQ(rt::applicationFolderFrom("/usr/lib/tarvik/"), "/usr/lib/tarvik");
    EXPECT_EQ(rt::applicationFolderFrom("/"), "/");
    EXPECT_EQ(rt::applicationFolderFrom("C:\\"), "C:\\");
    EXPECT_EQ(rt::applicationFolderFrom("C:"), "C:\\");
    EXPECT_EQ(rt::applicationFolderFrom("C:\\Cours\\"), "C:\\Cours");
    EXPECT_EQ(rt::applicationFolderFrom("D:\\Cours\\Tarvik"), "D:\\Cours\\Tarvik");
    // At a root, a file literal that starts with a backslash gives a doubled separator.
    EXPECT_EQ(rt::applicationFolderFrom("C:\\") + "\\demarre_tk.swf", "C:\\\\demarre_tk.swf");
    EXPECT_EQ(rt::applicationFolderFrom("/") + "\\demarre_tk.swf", "/\\demarre_tk.swf");
}

TEST(NumberText, ValReadsTheLeadingNumberAndTextWritesDigits) {
    EXPECT_EQ(rt::Val("60"), 60.0);
    EXPECT_EQ(rt::Val("  58 "), 58.0);
    EXPECT_EQ(rt::Val("-3.5e2x"), -350.0);
    EXPECT_EQ(rt::Val("12abc34"), 12.0);
    EXPECT_EQ(rt::Val("abc"), 0.0);
    EXPECT_EQ(rt::Val(""), 0.0);
    EXPECT_EQ(rt::numberText(58.0), "58");
    EXPECT_EQ(rt::numberText(0.0), "0");
    EXPECT_EQ(rt::numberText(-1.0), "-1");
    EXPECT_EQ(rt::numberText(2.5), "2.5");
}

using Painting = Fixture;

TEST_F(Painting, LabelsDrawTheirTextInTheirForeColourOverTheBackground) {
    start();
    auto countMagenta = [](const QImage& img, QRect r) {
        int n = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x) {
                const QRgb p = img.pixel(x, y);
                if (qRed(p) > 200 && qGreen(p) < 80 && qBlue(p) > 200) ++n;
            }
        return n;
    };
    const QRect label0(10, 10, 60, 17);
    QImage before = d->grab("Home");
    EXPECT_EQ(countMagenta(before, label0), 0);
    d->move(kLabel0.x(), kLabel0.y());
    QImage after = d->grab("Home");
    EXPECT_GT(countMagenta(after, label0), 10);
    // Transparent label: the button-face background shows between the glyphs.
    EXPECT_EQ(after.pixel(68, 25), rt::SystemColors{}.buttonFace);
    // The external control paints its own rectangle, clipped at the client's left edge.
    EXPECT_EQ(after.pixel(2, 120), qRgb(0, 0, 255));
}

TEST_F(Painting, PropertyChangesAskForARepaint) {
    start();
    const int before = d->host().repaints();
    d->move(kLabel0.x(), kLabel0.y());
    EXPECT_GT(d->host().repaints(), before);
}

}  // namespace
