// swf-run MOVIE.swf [--frames N] [--input EVENTS.json [--input-scale S]] [--png OUT.png] [--size WxH]
//         [--quality low|medium|high|best]
// Plays a movie headless from its first frame for N frames, one frame per
// tick of a virtual clock, with sound muted. Every trace() message goes to
// standard output, one line each; with --png the stage after the last frame
// is written on the movie's background colour (shown whole and centred when
// --size differs from the stage; "--quality low" draws it without antialiasing).
// With --input, recorded pointer and key events (see swf/player/input_events.h)
// are sent after each frame: after frame 1 those up to the first "Wait", after
// frame 2 those up to the next, and so on; events left after frame N are dropped.
// With --input-scale, the recording's positions are device pixels, S to a stage pixel.
// Exit codes: 0 played (script errors go to standard error), 1 unreadable
// movie or unwritable picture, 2 bad arguments or unreadable events.
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
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "swf/player/imports.h"
#include "swf/player/input_events.h"
#include "swf/player/player.h"
#include "swf/format/reader.h"
#include "swf/render/renderer.h"

namespace {

constexpr int kMaxFrames = 1000000;
constexpr int kMaxSide = 16384;

int usage() {
    std::fprintf(stderr,
                 "usage: swf-run MOVIE.swf [--frames N] [--input EVENTS.json [--input-scale S]] [--png OUT.png] "
                 "[--size WxH] [--quality low|medium|high|best]\n");
    return 2;
}

bool parseCount(const char* text, int& out) {
    char* end = nullptr;
    long v = std::strtol(text, &end, 10);
    if (!end || *end || end == text || v < 1 || v > kMaxFrames) return false;
    out = int(v);
    return true;
}

// The events file, read whole within the reader's bound.
std::optional<std::vector<swf::InputEvent>> readEvents(const std::string& path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "fichier d'événements introuvable ou illisible";
        return std::nullopt;
    }
    const std::size_t most = swf::InputLimits{}.maxBytes;
    std::string text;
    char chunk[65536];
    while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
        text.append(chunk, std::size_t(in.gcount()));
        if (text.size() > most) {
            error = "fichier d'événements trop grand";
            return std::nullopt;
        }
    }
    return swf::parseInputEvents(text, error);
}

// Sends the events from `next` up to the next "Wait" (which it consumes);
// pointer positions are pixels (device pixels with --input-scale) from the
// stage's top left corner.
std::size_t deliverBatch(swf::Player& player, const std::vector<swf::InputEvent>& events, std::size_t next,
                         QPointF stageOrigin, double twipsPerUnit) {
    using K = swf::InputEvent::Kind;
    for (; next < events.size(); ++next) {
        const swf::InputEvent& e = events[next];
        QPointF at = stageOrigin + QPointF(e.x * twipsPerUnit, e.y * twipsPerUnit);
        bool main = e.button == swf::InputEvent::Button::Left;
        switch (e.kind) {
        case K::Wait: return next + 1;
        case K::MouseMove: player.mouseMove(at); break;
        case K::MouseDown:
        case K::MouseUp:
            if (main)
                player.mouseButton(at, e.kind == K::MouseDown);
            else
                player.otherMouseButton(at, e.button == swf::InputEvent::Button::Right ? 2 : 4, e.kind == K::MouseDown);
            break;
        case K::MouseWheel: player.mouseWheel(e.lines); break;
        case K::KeyDown:
        case K::KeyUp: player.key(e.keyCode, e.ascii, e.kind == K::KeyDown); break;
        case K::TextInput:
        case K::TextControl:
        case K::SetClipboardText:
        case K::ImePreedit: player.textEvent(e); break;
        }
    }
    return next;
}

}  // namespace

int main(int argc, char** argv) {
    std::string input, png, events;
    bool antialias = true;
    int frames = 1, w = 0, h = 0;
    double inputScale = 1;  // device pixels to a stage pixel in the recording
    for (int i = 1; i < argc; ++i) {
        std::string_view a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--frames") {
            if (!hasValue || !parseCount(argv[++i], frames)) return usage();
        } else if (a == "--input") {
            if (!hasValue) return usage();
            events = argv[++i];
        } else if (a == "--input-scale") {
            if (!hasValue) return usage();
            char* end = nullptr;
            inputScale = std::strtod(argv[++i], &end);
            if (!end || *end || !(inputScale >= 0.01 && inputScale <= 100)) return usage();
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

    std::vector<swf::InputEvent> recorded;
    if (!events.empty()) {
        std::string error;
        auto parsed = readEvents(events, error);
        if (!parsed) {
            std::fprintf(stderr, "swf-run : %s : %s\n", events.c_str(), error.c_str());
            return 2;
        }
        recorded = std::move(*parsed);
    }

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
    std::size_t next = 0;
    const swf::Rect& frame = movie->header.frame;
    for (int f = 1; f <= frames; ++f) {
        if (f > 1) player.tick();
        next = deliverBatch(player, recorded, next, QPointF(frame.xmin, frame.ymin), 20.0 / inputScale);
    }
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
            swf::render(player, painter, QRectF(0, 0, w, h),
                        swf::Presentation{.transparent = false, .antialias = antialias});
        }
        if (!image.save(QString::fromStdString(png), "PNG")) {
            std::fprintf(stderr, "swf-run: cannot write %s\n", png.c_str());
            return 1;
        }
    }
    return 0;
}
