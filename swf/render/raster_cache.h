// Device-resolution images of characters that are drawn again and again with
// the same scale, rotation, colour transform and quarter-pixel offset: from
// the second sighting on, the renderer blits the image instead of filling the
// paths again. Kept in the player's RenderCache, so it lives as long as the movie.
#pragma once

#include <QImage>
#include <QPoint>
#include <QRectF>

#include <cstddef>
#include <cstdint>
#include <unordered_map>

namespace swf {

class RasterCache {
public:
    static constexpr std::size_t kMaxBytes = 64u << 20;  // all images together
    static constexpr std::size_t kMaxEntries = 20000;
    static constexpr int kMaxSide = 2048;  // larger images are not cached

    struct Key {
        std::uint16_t id = 0;
        bool antialias = true;
        float stageScale = 0;         // non-scaling strokes depend on it
        float m[4] = {};              // the linear part of the device transform
        std::uint8_t fx = 0, fy = 0;  // sub-pixel offset in quarters
        float cx[8] = {};             // colour transform factors and offsets
        bool operator==(const Key&) const = default;
    };
    struct KeyHash {
        std::size_t operator()(const Key& k) const;
    };
    struct Entry {
        QImage image;   // null until the key was seen twice
        QPoint offset;  // device position of the image relative to the whole-pixel origin
        int sightings = 0;
        bool uncacheable = false;
    };

    Entry& entry(const Key& key);
    void stored(const QImage& image);
    // Bounds of a text character, in its own space (glyph outlines placed).
    std::unordered_map<std::uint16_t, QRectF> textBounds;

private:
    std::unordered_map<Key, Entry, KeyHash> map_;
    std::size_t bytes_ = 0;
};

}  // namespace swf
