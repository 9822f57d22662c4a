#include "tests/media/test_movies.h"

#include "swf/writer.h"

#include <QFile>

namespace mediatest {

swf::MovieData stageMovie(int frames, double fps, int widthPx, int heightPx, swf::Rgba color) {
    const int w = widthPx * 20, h = heightPx * 20;
    swf::MovieData m;
    m.header.version = 8;
    m.header.frame = {0, w, 0, h};
    m.header.frameRate = static_cast<std::uint16_t>(fps * 256);
    m.header.frameCount = static_cast<std::uint16_t>(frames);

    swf::DefineShape shape;
    shape.version = 3;
    shape.id = 1;
    shape.bounds = {0, w, 0, h};
    shape.shape.fills.push_back(swf::FillStyle::solid(color));
    swf::StyleChange start;
    start.moveX = 0;
    start.moveY = 0;
    start.fill1 = 1;
    shape.shape.records = {start, swf::StraightEdge{w, 0}, swf::StraightEdge{0, h}, swf::StraightEdge{-w, 0},
                           swf::StraightEdge{0, -h}};
    m.tags.push_back(shape);

    swf::PlaceObject place;
    place.version = 2;
    place.depth = 1;
    place.characterId = 1;
    place.matrix = swf::Matrix{};
    m.tags.push_back(place);
    for (int i = 0; i < frames; ++i) m.tags.push_back(swf::ShowFrame{});
    return m;
}

std::vector<std::uint8_t> bytesOf(const swf::MovieData& movie, swf::Compression c) { return swf::write(movie, c); }

bool writeFile(const QString& path, const std::vector<std::uint8_t>& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    return f.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size())) == qint64(bytes.size());
}

}  // namespace mediatest
