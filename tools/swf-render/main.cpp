// swf-render MOVIE.swf --frame N --size WxH -o OUT.png [--dpr R]
// Renders frame N (1 = first) fitted into W x H on a transparent background.
#include <QGuiApplication>
#include <QImage>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "swf/player/player.h"
#include "swf/format/reader.h"
#include "swf/render/renderer.h"

int main(int argc, char** argv) {
    std::string input, output;
    int frame = 1, w = 705, h = 481;
    double dpr = 1;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto next = [&]() -> const char* { return i + 1 < argc ? argv[++i] : ""; };
        if (a == "--frame")
            frame = std::atoi(next());
        else if (a == "--size") {
            if (std::sscanf(next(), "%dx%d", &w, &h) != 2) w = h = 0;
        } else if (a == "-o")
            output = next();
        else if (a == "--dpr")
            dpr = std::atof(next());
        else if (input.empty())
            input = a;
        else {
            std::fprintf(stderr, "swf-render: unexpected argument %s\n", a.c_str());
            return 2;
        }
    }
    if (input.empty() || output.empty() || frame < 1 || w <= 0 || h <= 0 || w > 16384 || h > 16384 || dpr <= 0 ||
        dpr > 8) {
        std::fprintf(stderr, "usage: swf-render MOVIE.swf --frame N --size WxH -o OUT.png [--dpr R]\n");
        return 2;
    }
    std::ifstream in(input, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "swf-render: cannot open %s\n", input.c_str());
        return 1;
    }
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    swf::ReadResult r = swf::read(bytes);
    if (!r.ok()) {
        std::fprintf(stderr, "swf-render: %s: %s (%s)\n", input.c_str(), r.error->detail.c_str(),
                     swf::errorCodeName(r.error->code));
        return 1;
    }
    auto movie = std::make_shared<const swf::MovieData>(std::move(*r.movie));
    // Drawing edit text needs the font database, and so an application; no
    // window is ever opened.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);
    QImage img = swf::renderFrame(*movie, frame, QSize(w, h), dpr);
    if (!img.save(QString::fromStdString(output), "PNG")) {
        std::fprintf(stderr, "swf-render: cannot write %s\n", output.c_str());
        return 1;
    }
    return 0;
}
