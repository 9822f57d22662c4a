// Renders every frame of each test movie at 705 x 481 (the lesson player's
// size) and prints median and max milliseconds per frame. Figures only: it
// never fails. A bitmap-heavy movie (a different frame-sized JPEG in every
// frame) is timed with the frame change included, as a screen recording
// plays. Usage: swf_bench [PASSES] [BITMAP_FRAMES] (defaults 5 and 30).
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <ctime>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "swf/player/player.h"
#include "swf/render/renderer.h"
#include "tests/support/media_movies.h"
#include "tests/support/test_movies.h"

namespace {

// CPU time of this thread: unlike the wall clock it does not count the time
// other processes on a shared machine take from us.
double threadCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

struct Figures {
    double coldMs = 0, medianMs = 0, p95Ms = 0, maxMs = 0, steadyMaxMs = 0;
    double cpuColdMs = 0, cpuMedianMs = 0, cpuMaxMs = 0;
    int frames = 0, samples = 0;
};

// With `timeAdvance` each frame's time includes moving to it (rewind for the
// first frame, forward for the others), and every pass plays a new player, so
// each frame's bitmaps are decoded as the first time it shows; otherwise only
// its drawing.
Figures measure(const swf::MovieData& data, int passes, QSize size, bool timeAdvance = false) {
    using clock = std::chrono::steady_clock;
    auto movie = std::make_shared<const swf::MovieData>(data);
    auto fresh = std::make_unique<swf::Player>(movie);
    swf::Player* current = fresh.get();
    current->setLooping(false);
    QImage img(size, QImage::Format_ARGB32_Premultiplied);
    std::vector<double> ms, cpu;
    Figures f;
    f.frames = current->frameCount();
    for (int pass = 0; pass < passes; ++pass) {
        if (timeAdvance && pass > 0) {
            fresh = std::make_unique<swf::Player>(movie);
            current = fresh.get();
            current->setLooping(false);
        }
        swf::Player& player = *current;
        if (!timeAdvance) player.rewind();
        for (int frame = 1; frame <= player.frameCount(); ++frame) {
            auto t0 = clock::now();
            double c0 = threadCpuMs();
            if (timeAdvance) {
                if (frame == 1)
                    player.rewind();
                else
                    player.forward();
            }
            img.fill(Qt::transparent);
            QPainter p(&img);
            swf::render(player, p, QRectF(QPointF(0, 0), QSizeF(size)));
            p.end();
            double t = std::chrono::duration<double, std::milli>(clock::now() - t0).count();
            if (pass > 0 || frame > 1)
                cpu.push_back(threadCpuMs() - c0);
            else
                f.cpuColdMs = threadCpuMs() - c0;
            if (pass == 0 && frame == 1)
                f.coldMs = t;  // includes tessellating every shape
            else
                ms.push_back(t);
            if (pass > 0) f.steadyMaxMs = std::max(f.steadyMaxMs, t);  // every image cached
            if (!timeAdvance) player.forward();
        }
    }
    if (ms.empty()) ms.push_back(f.coldMs);
    if (cpu.empty()) cpu.push_back(f.coldMs);
    std::sort(cpu.begin(), cpu.end());
    f.cpuMedianMs = cpu[cpu.size() / 2];
    f.cpuMaxMs = cpu.back();
    std::sort(ms.begin(), ms.end());
    f.medianMs = ms[ms.size() / 2];
    f.p95Ms = ms[std::min(ms.size() - 1, ms.size() * 95 / 100)];
    f.maxMs = ms.back();
    f.samples = static_cast<int>(ms.size());
    return f;
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);  // edit text needs the font database
    int passes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    int bitmapFrames = argc > 2 ? std::max(1, std::atoi(argv[2])) : 30;
    const QSize size(705, 481);
    auto movies = swf::samples::goldenMovies();
    movies.push_back({"actions", swf::samples::actionsMovie(), {}});
    movies.push_back({"lesson-like (300 shapes + text)", swf::samples::lessonLikeMovie(12), {}});
    std::printf("%-34s %6s %7s %8s %9s %8s %8s %11s %8s %8s %8s\n", "movie", "frames", "samples", "cold ms",
                "median ms", "p95 ms", "max ms", "max pass>1", "cpu cold", "cpu med", "cpu max");
    auto print = [](const std::string& name, const Figures& f) {
        std::printf("%-34s %6d %7d %8.3f %9.3f %8.3f %8.3f %11.3f %8.3f %8.3f %8.3f\n", name.c_str(), f.frames,
                    f.samples, f.coldMs, f.medianMs, f.p95Ms, f.maxMs, f.steadyMaxMs, f.cpuColdMs, f.cpuMedianMs,
                    f.cpuMaxMs);
    };
    for (const auto& m : movies) print(m.name, measure(m.movie, passes, size));
    // Frame-sized JPEGs (quality 80) through a clipped bitmap fill covering
    // the stage, the previous frame's shape removed.
    const swf::MovieData bitmaps = swf::samples::bitmapSlideshowMovie(bitmapFrames, 80);
    std::size_t jpegBytes = 0;
    for (const auto& t : bitmaps.tags)
        if (auto* j = std::get_if<swf::DefineBitsJpeg>(&t)) jpegBytes += j->imageData.size();
    print("bitmaps: " + std::to_string(bitmapFrames) + " JPEG 705x481", measure(bitmaps, passes, size, true));
    std::printf("wall-clock ms unless marked cpu (thread CPU time, immune to other processes)\n");
    std::printf("cold: first frame, shapes tessellated; max pass>1: later passes, images cached\n");
    std::printf(
        "bitmaps: JPEGs of %.1f KB on average; each frame timed with the move to it (rewind or forward)\n"
        "         and its JPEG decoded (a new player every pass); the other movies drawing only\n",
        jpegBytes / 1024.0 / bitmapFrames);
    std::printf("goal: median <= 2 ms, max <= 8 ms per frame\n");
    return 0;
}
