// swf-run MOVIE.swf [--frames N] [--png OUT.png] [--size WxH] [--quality low|medium|high|best]
// Plays a movie headless from its first frame for N frames, one frame per
// tick of a virtual clock, with sound muted. Every trace() message goes to
// standard output, one line each; with --png the stage after the last frame
// is written on the movie's background colour (shown whole and centred when
// --size differs from the stage; "--quality low" draws it without antialiasing).
// Exit codes: 0 played (script errors go to standard error), 1 unreadable
// movie or unwritable picture, 2 bad arguments.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "swf/player/imports.h"
#include "swf/player/player.h"
#include "swf/format/reader.h"
#include "swf/render/renderer.h"

namespace {

constexpr int kMaxFrames = 1000000;
constexpr int kMaxSide = 16384;

int usage() {
    std::fprintf(stderr, "usage: swf-run MOVIE.swf [--frames N] [--png OUT.png] [--size WxH] [--quality low|medium|high|best]\n");
    return 2;
}

bool parseCount(const char* text, int& out) {
    char* end = nullptr;
    long v = std::strtol(text, &end, 10);
    if (!end || *end || end == text || v < 1 || v > kMaxFrames) return false;
    out = int(v);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::string input, png;
    bool antialias = true;
    int frames = 1, w = 0, h = 0;
    for (int i = 1; i < argc; ++i) {
        std::string_view a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--frames") {
            if (!hasValue || !parseCount(argv[++i], frames)) return usage();
        } else if (a == "--png") {
            if (!hasValue) return usage();
            png = argv[++i];
        } else if (a == "--quality") {
            // "low" draws without antialiasing or bitmap smoothing; "medium", "high" and "best" with them.
            if (!hasValue) return usage();
            std::string_view q = argv[++i];
            if (q != "low" && q != "medium" && q != "high" && q != "best") return usage();
            antialias = q != "low";
        } else if (a == "--size") {
            if (!hasValue || std::sscanf(argv[++i], "%dx%d", &w, &h) != 2 || w < 1 || h < 1 || w > kMaxSide ||
                h > kMaxSide)
                return usage();
        } else if (!a.empty() && a[0] == '-') {
            return usage();
        } else if (input.empty()) {
            input = a;
        } else {
            return usage();
        }
    }
    if (input.empty()) return usage();

    std::ifstream in(input, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "swf-run: cannot open %s\n", input.c_str());
        return 1;
    }
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    swf::ReadResult r = swf::read(bytes);
    if (!r.ok()) {
        std::fprintf(stderr, "swf-run: %s: %s (%s)\n", input.c_str(), r.error->detail.c_str(),
                     swf::errorCodeName(r.error->code));
        return 1;
    }
    for (const auto& warning : r.warnings) std::fprintf(stderr, "swf-run: %s\n", warning.c_str());
    // Characters imported from other movies are read from beside this one.
    std::filesystem::path folder = std::filesystem::path(input).parent_path();
    if (folder.empty()) folder = ".";
    for (const auto& warning : swf::resolveImports(*r.movie, swf::localFileFetcher(folder)))
        std::fprintf(stderr, "swf-run: %s\n", warning.c_str());
    auto movie = std::make_shared<const swf::MovieData>(std::move(*r.movie));

    // Text fields measure and draw with the font database, which needs an
    // application; no window is ever opened.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);

    auto trace = [](std::string_view message) {
        std::fwrite(message.data(), 1, message.size(), stdout);
        std::fputc('\n', stdout);
    };
    swf::Player player(movie, trace);
    // Movies the scripts load come from beside this one, too.
    player.setAssetFetcher(swf::localFileFetcher(folder));
    for (int f = 1; f < frames; ++f) player.tick();
    std::fflush(stdout);

    if (!png.empty()) {
        const swf::Rect& stage = movie->header.frame;
        if (w == 0) {
            w = std::clamp(int((stage.xmax - stage.xmin) / 20), 1, kMaxSide);
            h = std::clamp(int((stage.ymax - stage.ymin) / 20), 1, kMaxSide);
        }
        QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            swf::render(player, painter, QRectF(0, 0, w, h), swf::Presentation{.transparent = false, .antialias = antialias});
        }
        if (!image.save(QString::fromStdString(png), "PNG")) {
            std::fprintf(stderr, "swf-run: cannot write %s\n", png.c_str());
            return 1;
        }
    }
    return 0;
}
