#include "tests/media/test_movies.h"

#include "swf/format/action_builder.h"
#include "swf/format/writer.h"
#include "tests/support/test_movies.h"

#include <QFile>

#include <algorithm>

namespace mediatest {

swf::MovieData stageMovie(int frames, double fps, int widthPx, int heightPx, swf::Rgba color) {
    const int w = widthPx * 20, h = heightPx * 20;
    swf::MovieData m;
    m.header.version = 8;
    m.header.frame = {0, w, 0, h};
    m.header.frameRate = static_cast<std::uint16_t>(fps * 256);
    m.header.frameCount = static_cast<std::uint16_t>(frames);

    m.tags.push_back(swf::samples::rectShape(1, 0, 0, w, h, swf::FillStyle::solid(color)));
    m.tags.push_back(swf::samples::place(1, 1));
    for (int i = 0; i < frames; ++i) m.tags.push_back(swf::ShowFrame{});
    return m;
}

void appendSlide(std::vector<swf::Tag>& tags, int from, int to, int stepTwips) {
    for (int i = from; i < to; ++i) {
        swf::PlaceObject move;
        move.depth = 1;
        move.move = true;
        move.matrix = swf::Matrix::translate(i * stepTwips, 0);
        tags.push_back(move);
        tags.push_back(swf::ShowFrame{});
    }
}

namespace {
swf::DefineShape square(std::uint16_t id, int sizeTwips, swf::Rgba color) {
    return swf::samples::rectShape(id, 0, 0, sizeTwips, sizeTwips, swf::FillStyle::solid(color));
}
}  // namespace

swf::MovieData buttonMovie() {
    swf::MovieData m = stageMovie(3, 10, 705, 481, {255, 255, 255, 255});
    swf::DefineButton b;
    b.version = 2;
    b.id = 10;
    b.records = {swf::samples::buttonRecord(0x01 | 0x08, 2, 1), swf::samples::buttonRecord(0x02 | 0x04, 3, 1)};
    swf::ButtonCondAction release;
    release.conditions = swf::buttoncond::OverDownToOverUp;
    release.actions = {0x81, 0x02, 0x00, 0x02, 0x00, 0x00};  // go to frame 3 (0-based 2), end
    b.actions = {release};
    swf::PlaceObject place;
    place.depth = 2;
    place.characterId = 10;
    place.matrix = swf::Matrix::translate(300 * 20, 200 * 20);
    // After the stage's shape and its placement, still on frame 1.
    const std::vector<swf::Tag> button{square(2, 2000, {128, 128, 128, 255}), square(3, 2000, {0, 200, 0, 255}), b,
                                       place};
    m.tags.insert(m.tags.begin() + 2, button.begin(), button.end());
    // Frame 2 stops: the screen rewinds and plays the movie, so it waits there.
    swf::DoAction stop = swf::ActionBuilder().stop().doAction();
    auto first = std::find_if(m.tags.begin(), m.tags.end(),
                              [](const swf::Tag& tag) { return std::holds_alternative<swf::ShowFrame>(tag); });
    m.tags.insert(first + 1, stop);
    return m;
}

swf::MovieData soundMovie(int frames) {
    swf::MovieData m = stageMovie(frames, 10, 200, 100, {0, 0, 255, 255});
    swf::SoundStreamHead head;
    head.version = 2;
    head.format = swf::SoundFormat::RawLittle;
    head.rate = 1;  // 11025 Hz
    head.playbackRate = 1;
    head.samplesPerBlock = 1102;
    std::vector<swf::Tag> tags;
    tags.push_back(head);
    int frame = 0;
    for (const auto& tag : m.tags) {
        if (std::holds_alternative<swf::ShowFrame>(tag)) {
            swf::SoundStreamBlock block;
            for (int i = 0; i < 1102; ++i) {  // a square wave, a new level each frame
                const std::int16_t s = static_cast<std::int16_t>(((i / 25) % 2 ? 1 : -1) * 1000 * (frame % 5 + 1));
                block.data.push_back(static_cast<std::uint8_t>(s & 0xFF));
                block.data.push_back(static_cast<std::uint8_t>((s >> 8) & 0xFF));
            }
            tags.push_back(block);
            ++frame;
        }
        tags.push_back(tag);
    }
    m.tags = std::move(tags);
    return m;
}

std::vector<std::uint8_t> bytesOf(const swf::MovieData& movie, swf::Compression c) { return swf::write(movie, c); }

bool writeFile(const QString& path, const std::vector<std::uint8_t>& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    return f.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size())) == qint64(bytes.size());
}

}  // namespace mediatest
