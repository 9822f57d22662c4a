// tk-lesson-preview SOURCE.lesson --every SECONDS -o OUT.png [--width PX]
// Composes a lesson and paints frames at a fixed interval into one grid,
// straight from the composed symbols (no SWF involved): a quick look while
// writing a lesson.
#include "lessons/kit/composer.h"
#include "lessons/kit/preview.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    std::string src, out;
    double every = 4, width = 240;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "-o") && i + 1 < argc)
            out = argv[++i];
        else if (!std::strcmp(argv[i], "--every") && i + 1 < argc)
            every = std::atof(argv[++i]);
        else if (!std::strcmp(argv[i], "--width") && i + 1 < argc)
            width = std::atof(argv[++i]);
        else
            src = argv[i];
    }
    if (src.empty() || out.empty() || !(every > 0) || !(width >= 40)) {
        std::fprintf(stderr, "usage : tk-lesson-preview SOURCE --every SECONDES -o SORTIE.png [--width PX]\n");
        return 2;
    }
    try {
        const lessons::Script s = lessons::loadScript(src);
        const lessons::Timeline t = lessons::compose(s);
        const std::size_t step = std::max<std::size_t>(1, std::size_t(std::lround(every * t.fps)));
        std::vector<std::size_t> picks;
        for (std::size_t f = 0; f < t.frames.size(); f += step) picks.push_back(f);
        const double scale = width / t.width;
        const int cw = int(t.width * scale), ch = int(t.height * scale);
        const int cols = 4, rows = int((picks.size() + cols - 1) / cols);
        QImage sheet(cols * (cw + 4) + 4, rows * (ch + 4) + 4, QImage::Format_ARGB32_Premultiplied);
        sheet.fill(QColor(60, 60, 60));
        QPainter p(&sheet);
        for (std::size_t i = 0; i < picks.size(); ++i)
            p.drawImage(4 + int(i % cols) * (cw + 4), 4 + int(i / cols) * (ch + 4),
                        lessons::previewFrame(t, picks[i], scale));
        p.end();
        if (!sheet.save(QString::fromStdString(out))) {
            std::fprintf(stderr, "écriture impossible : %s\n", out.c_str());
            return 1;
        }
        std::printf("%s : %zu images, %.1f s, %zu symboles\n", src.c_str(), t.frames.size(), t.frames.size() / t.fps,
                    t.symbols.size());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s : %s\n", src.c_str(), e.what());
        return 1;
    }
    return 0;
}
