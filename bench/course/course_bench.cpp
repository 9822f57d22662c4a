// The course as a user meets it, measured in-process with the real Qt binding
// (run it on a display, e.g. under Xvfb: bench/run.sh does):
//   --bare T0    a bare frameless Qt window that paints once: start to paint
//   --splash T0  the course, up to the splash's first paint
//   --course T0  start to the splash's first paint, then screen changes (skip
//                to menu, title to the lesson's first movie frame, "Menu" back
//                to the menu), CPU used while a lesson plays, peak memory;
//                with LESSON_SECONDS after T0, the lesson plays on that long
//                and the peak memory is given again.
// T0 is the wall-clock time in nanoseconds taken just before the process was
// started, so "start" includes loading the program.

#include "runtime/qt/qt_host.h"
#include "runtime/runtime.h"
#include "runtime/screen.h"
#include "screens/project.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <sys/resource.h>
#include <vector>

namespace {

double nowNs() {
    return double(
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
            .count());
}

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

long peakRssKb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

// Reports the end of the first paint of any top-level window whose title is
// awaited, by painting it itself inside the filter.
class PaintWatch : public QObject {
public:
    QString awaited;
    std::function<void(double ns)> painted;

    bool eventFilter(QObject* obj, QEvent* e) override {
        if (e->type() != QEvent::Paint || awaited.isEmpty()) return false;
        auto* w = qobject_cast<QWidget*>(obj);
        if (!w || !w->isWindow() || w->windowTitle() != awaited) return false;
        static_cast<QObject*>(w)->event(e);  // paint now, then note the time
        const double t = nowNs();
        awaited.clear();
        if (painted) QTimer::singleShot(0, [this, t] { painted(t); });
        return true;
    }
};

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

int bare(double t0) {
    QWidget w(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::Tool);
    w.setFixedSize(508, 294);
    PaintWatch watch;
    qApp->installEventFilter(&watch);
    w.setWindowTitle("Bare");
    watch.awaited = "Bare";
    watch.painted = [&](double t) {
        std::printf("bare_start_to_paint_ms %.1f\n", (t - t0) / 1e6);
        std::printf("bare_peak_rss_kb %ld\n", peakRssKb());
        qApp->quit();
    };
    w.show();
    return qApp->exec();
}

int course(double t0, bool splashOnly, int lessonSeconds) {
    rtqt::MonotonicClock clock;
    rtqt::QtHost host;
    rt::Runtime runtime(screens::courseProject(), host, clock);
    host.attach(runtime);
    PaintWatch watch;
    qApp->installEventFilter(&watch);

    auto click = [&](const char* screen, QPoint at) {
        rt::Screen& s = runtime.screen(screen);
        runtime.mouseMove(s, at, 0, 0);
        runtime.mousePress(s, at, rt::MouseButton::Left, 0);
        runtime.mouseRelease(s, at, rt::MouseButton::Left, 0);
    };
    // One step: click, then wait for the target's first paint.
    struct Step {
        const char* from;
        QPoint at;
        const char* to;
        std::vector<double>* into;
    };
    std::vector<double> skip, toLesson, toMenu;
    std::vector<Step> steps;
    steps.push_back({"Form2", {60, 275}, "Form1", &skip});
    for (int round = 0; round < 10; ++round) {
        steps.push_back({"Form1", {250, 128}, "Form3", &toLesson});
        steps.push_back({"Form3", {36, 512}, "Form1", &toMenu});
    }
    size_t next = 0;
    double clickedAt = 0;
    std::function<void()> runStep;
    std::function<void()> finish;

    runStep = [&] {
        if (next == steps.size()) {
            finish();
            return;
        }
        const Step& s = steps[next];
        watch.awaited = s.to;
        watch.painted = [&](double t) {
            steps[next].into->push_back((t - clickedAt) / 1e6);
            ++next;
            QTimer::singleShot(50, runStep);
        };
        clickedAt = nowNs();
        click(s.from, s.at);
    };

    finish = [&] {
        // A lesson playing: CPU over five seconds of wall time.
        click("Form1", {250, 128});
        QTimer::singleShot(500, [&] {
            const double cpu0 = cpuSeconds();
            QElapsedTimer wall;
            wall.start();
            QTimer::singleShot(5000, [&, cpu0, wall]() mutable {
                const double cpu = cpuSeconds() - cpu0;
                std::printf("lesson_cpu_percent_of_one_core %.2f\n", 100.0 * cpu / (double(wall.elapsed()) / 1000.0));
                std::printf("skip_to_menu_paint_ms %.1f\n", median(skip));
                std::printf("title_to_lesson_first_frame_ms_median %.1f\n", median(toLesson));
                std::printf("title_to_lesson_first_frame_ms_max %.1f\n",
                            *std::max_element(toLesson.begin(), toLesson.end()));
                std::printf("menu_label_to_menu_paint_ms_median %.1f\n", median(toMenu));
                std::printf("menu_label_to_menu_paint_ms_max %.1f\n", *std::max_element(toMenu.begin(), toMenu.end()));
                std::printf("course_peak_rss_kb %ld\n", peakRssKb());
                std::fflush(stdout);
                // The lesson played on, through its loop: what its caches
                // grow to over a whole lesson rather than its first seconds.
                QTimer::singleShot(std::max(0, lessonSeconds - 5) * 1000, [lessonSeconds] {
                    if (lessonSeconds > 5) std::printf("lesson_%ds_peak_rss_kb %ld\n", lessonSeconds, peakRssKb());
                    qApp->quit();
                });
            });
        });
    };

    watch.awaited = "Form2";
    watch.painted = [&](double t) {
        std::printf("course_start_to_splash_paint_ms %.1f\n", (t - t0) / 1e6);
        std::fflush(stdout);
        if (splashOnly)
            qApp->quit();
        else
            QTimer::singleShot(300, runStep);
    };
    QTimer::singleShot(0, [&] { runtime.start(); });
    return qApp->exec();
}

long rssKb() {
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return resident * 4;
}

// Screen changes through the real windows: menu -> lesson k -> "Menu" -> ...,
// over the nine lessons, with resident memory sampled as it goes. Each change
// runs from the event loop, as a user's click does, so windows that are
// unloaded are really deleted.
int soak(long changes) {
    rtqt::MonotonicClock clock;
    rtqt::QtHost host;
    rt::Runtime runtime(screens::courseProject(), host, clock);
    host.attach(runtime);
    auto click = [&](const QString& screen, QPoint at) {
        rt::Screen& s = runtime.screen(screen);
        runtime.mouseMove(s, at, 0, 0);
        runtime.mousePress(s, at, rt::MouseButton::Left, 0);
        runtime.mouseRelease(s, at, rt::MouseButton::Left, 0);
    };
    long done = 0;
    long baseline = 0;
    int k = 0;
    QElapsedTimer wall;
    bool endedEarly = false;
    std::function<void()> step = [&] {
        if (runtime.ended() || done >= changes) {
            endedEarly = runtime.ended();
            qApp->exit(0);  // not quit(): that would close the windows
            return;
        }
        const QString current = runtime.shownScreens().value(0);
        if (current == "Form2") {
            click("Form2", {60, 275});
        } else if (current == "Form1") {
            click("Form1", {250, 120 + 32 * k + 8});
            k = (k + 1) % 9;
        } else {
            click(current, {current == "Form5" ? 28 : 36, 512});
        }
        ++done;
        if (done == 1000) baseline = rssKb();  // after the caches have filled
        if (done % 1000 == 0) std::printf("soak_changes %ld rss_kb %ld\n", done, rssKb());
        QTimer::singleShot(0, step);
    };
    QTimer::singleShot(0, [&] {
        runtime.start();
        wall.start();
        QTimer::singleShot(0, step);
    });
    qApp->exec();
    const long end = rssKb();
    std::printf("soak_total_changes %ld in %.1f s\n", done, double(wall.elapsed()) / 1000.0);
    std::printf("soak_rss_growth_kb %ld (from change 1000 to the end)\n", end - baseline);
    std::printf("soak_ended_early %s\n", endedEarly ? "yes" : "no");
    return endedEarly ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s --bare|--splash|--course T0_NS [LESSON_SECONDS] | --soak CHANGES\n", argv[0]);
        return 2;
    }
    if (std::string(argv[1]) == "--soak") return soak(std::atol(argv[2]));
    const double t0 = std::atof(argv[2]);
    const std::string mode = argv[1];
    if (mode == "--bare") return bare(t0);
    return course(t0, mode == "--splash", argc > 3 ? std::atoi(argv[3]) : 5);
}
