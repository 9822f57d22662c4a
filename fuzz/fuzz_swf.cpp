// Feeds arbitrary bytes to the reader, then plays and draws what it accepts,
// presses and releases over its buttons, and pulls its sound.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdint>
#include <cstdlib>
#include <memory>

#include "swf/player/player.h"
#include "swf/format/reader.h"
#include "swf/render/renderer.h"

extern "C" int LLVMFuzzerInitialize(int*, char*** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // Edit text is laid out with system fonts, which need the application;
    // it sees none of the fuzzer's arguments.
    static int qtArgc = 1;
    static QGuiApplication app(qtArgc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    swf::Limits limits;
    limits.maxDecompressedBytes = 4u << 20;  // keeps each run quick; the caps are what is tested
    swf::ReadResult r = swf::read(std::span(data, size), limits);
    if (!r.ok()) return 0;
    auto movie = std::make_shared<const swf::MovieData>(std::move(*r.movie));
    swf::Player player(movie);
    QImage img(48, 32, QImage::Format_ARGB32_Premultiplied);
    const swf::Rect& stage = movie->header.frame;
    const QPointF points[] = {{(stage.xmin + stage.xmax) / 2.0, (stage.ymin + stage.ymax) / 2.0},
                              {stage.xmin + stage.width() / 4.0, stage.ymin + stage.height() / 4.0},
                              {stage.xmin + stage.width() * 0.75, stage.ymin + stage.height() * 0.75}};
    std::int16_t sound[2 * 256];
    for (int i = 0; i < 4; ++i) {
        img.fill(Qt::transparent);
        QPainter p(&img);
        swf::render(player, p, QRectF(0, 0, 48, 32));
        p.end();
        player.pointer(points[i % 3], i % 2 == 1);
        player.mixer().read(sound, 256);
        player.advance(player.frameIntervalMs());
    }
    player.pointer(points[0], false);
    player.back();
    player.rewind();
    return 0;
}
