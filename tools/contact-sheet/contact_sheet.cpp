// swf-contact-sheet MOVIE.swf --every SECONDS -o OUT.png [--width PX] [--cols N] [--seen X0,X1]
//   plays the movie with the engine's player and lays frames taken at a fixed
//   interval into one PNG grid, each over a lesson screen's white picture with
//   its blue bottom band, for review. --seen greys the stage left of X0 and
//   right of X1 (stage pixels): what some lesson screens cut off.
// swf-contact-sheet MOVIE.swf --steps -o OUT.png [--width PX] [--seen X0,X1]
//   two frames per lesson step, one row each: the frame where the step's caption
//   first shows (its "etapeN" label) and the last frame of the step, so that a
//   reviewer checks each caption against what the step does.
// swf-contact-sheet --bench [--size WxH] MOVIE.swf...
//   renders every frame of each movie at the given size (705x481 by default)
//   and prints the median and maximum milliseconds per frame.
#include "swf/player/player.h"
#include "swf/format/reader.h"
#include "swf/render/renderer.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

std::shared_ptr<const swf::MovieData> load(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "%s : fichier introuvable ou illisible\n", path.c_str());
        return nullptr;
    }
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    swf::ReadResult r = swf::read(bytes);
    if (!r.ok()) {
        std::fprintf(stderr, "%s : film illisible (%s)\n", path.c_str(), r.error->detail.c_str());
        return nullptr;
    }
    return std::make_shared<const swf::MovieData>(std::move(*r.movie));
}

// The lesson screen behind the player: white, with the blue band from row 464 on
// (of 481), scaled to the cell.
void screenBackground(QPainter& p, const QRectF& cell) {
    p.fillRect(cell, Qt::white);
    const double band = cell.height() * 464.0 / 481.0;
    p.fillRect(QRectF(cell.x(), cell.y() + band, cell.width(), cell.height() - band), QColor(0x51, 0x6c, 0xb1));
}

// Stage columns a screen does not show, greyed over a cell, with a red edge.
void greyUnseen(QPainter& p, const QRectF& cell, double stageW, double x0, double x1) {
    const double k = cell.width() / stageW;
    const QColor veil(40, 40, 40, 150), edge(220, 40, 40);
    if (x0 > 0) {
        p.fillRect(QRectF(cell.x(), cell.y(), x0 * k, cell.height()), veil);
        p.fillRect(QRectF(cell.x() + x0 * k - 0.5, cell.y(), 1, cell.height()), edge);
    }
    if (x1 < stageW) {
        p.fillRect(QRectF(cell.x() + x1 * k, cell.y(), (stageW - x1) * k, cell.height()), veil);
        p.fillRect(QRectF(cell.x() + x1 * k - 0.5, cell.y(), 1, cell.height()), edge);
    }
}

// The first and last frames (from 1) of each step of a lesson: a step starts
// at a label "etapeN" and ends before the next label of the movie.
std::vector<int> stepFrames(const swf::MovieData& m, int frames) {
    std::vector<std::pair<int, bool>> labels;  // frame, is a step
    int frame = 1;
    for (const swf::Tag& t : m.tags) {
        if (std::holds_alternative<swf::ShowFrame>(t))
            ++frame;
        else if (const auto* l = std::get_if<swf::FrameLabel>(&t))
            labels.push_back({frame, l->name.rfind("etape", 0) == 0});
    }
    std::vector<int> picks;
    for (std::size_t i = 0; i < labels.size(); ++i) {
        if (!labels[i].second) continue;
        const int last = i + 1 < labels.size() ? labels[i + 1].first - 1 : frames;
        picks.push_back(labels[i].first);
        picks.push_back(std::max(labels[i].first, std::min(last, frames)));
    }
    return picks;
}

int sheet(const std::string& movie, double every, const std::string& out, int width, int cols, double seen0,
          double seen1) {
    auto m = load(movie);
    if (!m) return 1;
    swf::Player player(m);
    const int frames = player.frameCount();
    const double fps = player.header().framesPerSecond();
    const int step = std::max(1, int(std::lround(every * (fps > 0 ? fps : 12))));
    std::vector<int> picks;
    if (every > 0) {
        for (int f = 1; f <= frames; f += step) picks.push_back(f);
    } else {
        picks = stepFrames(*m, frames);
        cols = 2;
        if (picks.empty()) {
            std::fprintf(stderr, "%s : aucune étape (étiquettes « etapeN ») dans le film\n", movie.c_str());
            return 1;
        }
    }
    const swf::Rect fr = player.header().frame;
    const double aspect = fr.height() > 0 && fr.width() > 0 ? double(fr.height()) / fr.width() : 481.0 / 705.0;
    const int cw = width, ch = int(std::lround(width * aspect));
    const int rows = int((picks.size() + std::size_t(cols) - 1) / std::size_t(cols));
    QImage img(cols * (cw + 4) + 4, rows * (ch + 4) + 4, QImage::Format_ARGB32_Premultiplied);
    img.fill(QColor(64, 64, 64));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    std::size_t next = 0;
    for (int f = 1; f <= frames && next < picks.size(); ++f) {
        if (f > 1) player.tick();
        if (f != picks[next]) continue;
        // Draws the frame into cell k of the sheet and leaves the painter
        // clipped to it.
        auto drawCell = [&](std::size_t k) {
            const QRectF cell(4 + double(k % std::size_t(cols)) * (cw + 4),
                              4 + double(k / std::size_t(cols)) * (ch + 4), cw, ch);
            screenBackground(p, cell);
            p.save();
            p.setClipRect(cell);
            swf::render(player, p, cell);
            return cell;
        };
        // A step of a single frame fills both cells of its row.
        while (next + 1 < picks.size() && picks[next + 1] == f) {
            drawCell(next);
            p.restore();
            ++next;
        }
        const QRectF cell = drawCell(next);
        if (seen1 > seen0) greyUnseen(p, cell, fr.width() > 0 ? fr.width() / 20.0 : 705.0, seen0, seen1);
        p.restore();
        ++next;
    }
    p.end();
    if (!img.save(QString::fromStdString(out))) {
        std::fprintf(stderr, "%s : écriture impossible\n", out.c_str());
        return 1;
    }
    std::printf("%s : %d images, %zu vignettes -> %s\n", movie.c_str(), frames, picks.size(), out.c_str());
    return 0;
}

// Each frame is drawn three times: the first drawing includes building the
// geometry of shapes seen for the first time (as playback does), the best of the
// three shows the drawing cost alone, with less noise from a busy machine.
int bench(const std::vector<std::string>& movies, int w, int h) {
    int failures = 0;
    std::printf("%-20s %7s %12s %12s %12s  (%dx%d, ms par image)\n", "film", "images", "médiane 1re", "max 1re",
                "médiane min3", w, h);
    for (const std::string& path : movies) {
        auto m = load(path);
        if (!m) {
            ++failures;
            continue;
        }
        swf::Player player(m);
        QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
        std::vector<double> first, best;
        const int frames = player.frameCount();
        for (int f = 1; f <= frames; ++f) {
            if (f > 1) player.tick();
            double b = 1e30;
            for (int k = 0; k < 3; ++k) {
                img.fill(Qt::white);
                QPainter p(&img);
                const auto t0 = std::chrono::steady_clock::now();
                swf::render(player, p, QRectF(0, 0, w, h));
                p.end();
                const double ms =
                    std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
                if (k == 0) first.push_back(ms);
                b = std::min(b, ms);
            }
            best.push_back(b);
        }
        auto median = [](std::vector<double> v) {
            std::sort(v.begin(), v.end());
            return v.empty() ? 0.0 : v[v.size() / 2];
        };
        const double mx = first.empty() ? 0 : *std::max_element(first.begin(), first.end());
        std::printf("%-20s %7d %12.2f %12.2f %12.2f\n", std::filesystem::path(path).stem().string().c_str(), frames,
                    median(first), mx, median(best));
    }
    return failures ? 1 : 0;
}

int usage() {
    std::fprintf(stderr,
                 "usage : swf-contact-sheet FILM.swf --every SECONDES -o SORTIE.png [--width PX] [--cols N]\n"
                 "        [--seen X0,X1]\n"
                 "        swf-contact-sheet FILM.swf --steps -o SORTIE.png [--width PX] [--seen X0,X1]\n"
                 "        swf-contact-sheet --bench [--size LxH] FILM.swf...\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    std::vector<std::string> args(argv + 1, argv + argc);
    bool doBench = false, steps = false;
    double every = 0;
    int width = 240, cols = 4, bw = 705, bh = 481;
    double seen0 = 0, seen1 = 0;
    std::string out;
    std::vector<std::string> movies;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool more = i + 1 < args.size();
        if (a == "--bench")
            doBench = true;
        else if (a == "--steps")
            steps = true;
        else if (a == "--every" && more)
            every = std::atof(args[++i].c_str());
        else if (a == "-o" && more)
            out = args[++i];
        else if (a == "--width" && more)
            width = std::atoi(args[++i].c_str());
        else if (a == "--cols" && more)
            cols = std::atoi(args[++i].c_str());
        else if (a == "--seen" && more) {
            if (std::sscanf(args[++i].c_str(), "%lf,%lf", &seen0, &seen1) != 2 || !(seen0 >= 0) || !(seen1 > seen0))
                return usage();
        } else if (a == "--size" && more) {
            if (std::sscanf(args[++i].c_str(), "%dx%d", &bw, &bh) != 2) return usage();
        } else if (!a.empty() && a[0] == '-')
            return usage();
        else
            movies.push_back(a);
    }
    if (doBench) {
        if (movies.empty() || bw < 16 || bh < 16 || bw > 8192 || bh > 8192) return usage();
        return bench(movies, bw, bh);
    }
    if (movies.size() != 1 || out.empty() || steps == (every > 0) || width < 32 || width > 4096 || cols < 1 ||
        cols > 32)
        return usage();
    return sheet(movies[0], every, out, width, cols, seen0, seen1);
}
