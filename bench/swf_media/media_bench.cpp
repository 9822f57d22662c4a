// Times the media work a screen-recording lesson does every frame: decoding
// a frame-sized (705 x 481) JPEG and a 15-bit lossless bitmap, drawing a
// frame-sized bitmap fill, and decoding a second of ADPCM narration. Prints
// median and max milliseconds of thread CPU time; never fails.
// Usage: swf_media_bench [RUNS] (default 30).
#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <vector>

#include "swf/decode/bitmap.h"
#include "swf/decode/inflate.h"
#include "swf/render/paint.h"
#include "swf/player/audio_mixer.h"

namespace {

double threadCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

void report(const char* what, int runs, const std::function<void()>& work) {
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        double t0 = threadCpuMs();
        work();
        ms.push_back(threadCpuMs() - t0);
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%-44s median %7.3f ms   max %7.3f ms   (%d runs)\n", what, ms[ms.size() / 2], ms.back(), runs);
}

// Something like a recorded screen: a window with a gradient, bars and text.
QImage screen() {
    QImage img(705, 481, QImage::Format_RGB32);
    QPainter p(&img);
    QLinearGradient g(0, 0, 705, 481);
    g.setColorAt(0, QColor(30, 60, 120));
    g.setColorAt(1, QColor(200, 220, 240));
    p.fillRect(img.rect(), g);
    for (int i = 0; i < 12; ++i) p.fillRect(20 + i * 55, 300 - i * 15, 40, 150 + i * 15, QColor(40 + i * 15, 160, 80));
    p.setPen(Qt::white);
    for (int y = 20; y < 280; y += 18)
        p.drawText(20, y, QStringLiteral("Leçon : les fenêtres, les menus et les boutons"));
    return img;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
    const QImage img = screen();

    QByteArray jpeg;
    QBuffer buf(&jpeg);
    buf.open(QIODevice::WriteOnly);
    QImageWriter(&buf, "jpeg").write(img);
    swf::DefineBitsJpeg j;
    j.imageData.assign(jpeg.begin(), jpeg.end());
    report("DefineBitsJPEG2 705x481 decode", runs, [&] { (void)swf::decodeBitmap(j); });

    // Screen recorders store 15-bit lossless frames.
    swf::DefineBitsLossless l;
    l.format = 4;
    l.width = 705;
    l.height = 481;
    swf::Bytes raw(swf::losslessRowBytes(4, 705) * 481);
    for (int y = 0; y < 481; ++y)
        for (int x = 0; x < 705; ++x) {
            QRgb c = img.pixel(x, y);
            int v = ((qRed(c) >> 3) << 10) | ((qGreen(c) >> 3) << 5) | (qBlue(c) >> 3);
            raw[y * swf::losslessRowBytes(4, 705) + 2 * x] = static_cast<std::uint8_t>(v >> 8);
            raw[y * swf::losslessRowBytes(4, 705) + 2 * x + 1] = static_cast<std::uint8_t>(v);
        }
    l.zlibData = swf::deflateAll(raw);
    report("DefineBitsLossless format 4 705x481 decode", runs, [&] { (void)swf::decodeBitmap(l); });

    const QImage decoded = *swf::decodeBitmap(j);
    QImage target(705, 481, QImage::Format_ARGB32_Premultiplied);
    for (auto [type, name] : {std::pair{swf::FillType::ClippedBitmap, "clipped smoothed fill 705x481 draw"},
                              std::pair{swf::FillType::ClippedBitmapHard, "clipped hard fill 705x481 draw"}}) {
        swf::FillStyle f;
        f.type = type;
        f.matrix.scaleX = f.matrix.scaleY = 20 * 65536;  // one bitmap pixel per pixel
        QPainterPath path;
        path.addRect(0, 0, 705 * 20, 481 * 20);
        report(name, runs, [&] {
            target.fill(Qt::transparent);
            QPainter p(&target);
            p.setRenderHint(QPainter::Antialiasing);
            p.scale(1 / 20.0, 1 / 20.0);
            swf::fillWithBitmap(p, path, decoded, f);
        });
    }

    swf::Pcm voice;
    voice.rate = 22050;
    for (int i = 0; i < 22050; ++i) voice.samples.push_back(static_cast<std::int16_t>(8000 * std::sin(i * 0.05)));
    const swf::Bytes adpcm = swf::encodeAdpcm(voice, 4);
    report("ADPCM 4-bit, 1 s at 22.05 kHz decode", runs, [&] { (void)swf::decodeAdpcm(adpcm, false, 22050); });
    return 0;
}
