// Renders every frame of each test movie at 705 x 481 (the lesson player's
// size) and prints median and max milliseconds per frame. Figures only: it
// never fails. Usage: swf_bench [PASSES] (default 5 passes over each movie).
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "swf/player.h"
#include "swf/renderer.h"
#include "test_movies.h"

namespace {

struct Figures {
    double coldMs = 0, medianMs = 0, maxMs = 0;
    int frames = 0, samples = 0;
};

Figures measure(const swf::MovieData& data, int passes, QSize size) {
    using clock = std::chrono::steady_clock;
    auto movie = std::make_shared<const swf::MovieData>(data);
    swf::Player player(movie);
    player.setLooping(false);
    QImage img(size, QImage::Format_ARGB32_Premultiplied);
    std::vector<double> ms;
    Figures f;
    f.frames = player.frameCount();
    for (int pass = 0; pass < passes; ++pass) {
        player.rewind();
        for (int frame = 1; frame <= player.frameCount(); ++frame) {
            auto t0 = clock::now();
            img.fill(Qt::transparent);
            QPainter p(&img);
            swf::render(player, p, QRectF(QPointF(0, 0), QSizeF(size)));
            p.end();
            double t = std::chrono::duration<double, std::milli>(clock::now() - t0).count();
            if (pass == 0 && frame == 1) f.coldMs = t;  // includes tessellating every shape
            else ms.push_back(t);
            player.forward();
        }
    }
    if (ms.empty()) ms.push_back(f.coldMs);
    std::sort(ms.begin(), ms.end());
    f.medianMs = ms[ms.size() / 2];
    f.maxMs = ms.back();
    f.samples = static_cast<int>(ms.size());
    return f;
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    int passes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const QSize size(705, 481);
    auto movies = swf::samples::goldenMovies();
    movies.push_back({"actions", swf::samples::actionsMovie(), {}});
    movies.push_back({"lesson-like (300 shapes + text)", swf::samples::lessonLikeMovie(12), {}});
    std::printf("%-34s %6s %8s %10s %10s %10s\n", "movie", "frames", "samples", "cold ms", "median ms", "max ms");
    for (const auto& m : movies) {
        Figures f = measure(m.movie, passes, size);
        std::printf("%-34s %6d %8d %10.3f %10.3f %10.3f\n", m.name.c_str(), f.frames, f.samples, f.coldMs,
                    f.medianMs, f.maxMs);
    }
    std::printf("goal: median <= 2 ms, max <= 8 ms per frame (warm cache)\n");
    return 0;
}
