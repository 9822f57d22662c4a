// Device-resolution images of characters that are drawn again and again with
// the same scale, rotation, colour transform and quarter-pixel offset: from
// the second sighting on, the renderer blits the image instead of filling the
// paths again. Kept in the player's RenderCache, so it lives as long as the
// movie; what no paint has used for a while is dropped, so the cache holds
// what the movie shows now rather than everything it ever showed.
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
    static constexpr std::size_t kMaxBytes = 8u << 20;  // all images together
    static constexpr std::size_t kMaxEntries = 20000;
    // Larger images are not cached: what covers much of the stage is mostly
    // large plain fills, quicker to fill again than to keep.
    static constexpr double kMaxImageBytes = 256 * 1024;
    // An entry no paint has asked for in this many paints is dropped (about
    // two seconds of a movie at 12 frames a second).
    static constexpr std::uint32_t kIdlePaints = 24;

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
        std::uint32_t lastPaint = 0;
    };

    // Called once at the start of each paint of the movie.
    void paintBegins();
    Entry& entry(const Key& key);
    // Accounts for the image just put in `e`, which stays whatever else goes.
    void stored(Entry& e);
    std::size_t bytes() const { return bytes_; }
    std::size_t entries() const { return map_.size(); }
    // Bounds of a text character, in its own space (glyph outlines placed).
    std::unordered_map<std::uint16_t, QRectF> textBounds;

private:
    // Drops every entry last used before the given paint.
    void dropUnusedSince(std::uint32_t paint);

    std::unordered_map<Key, Entry, KeyHash> map_;
    std::size_t bytes_ = 0;
    std::uint32_t paint_ = 0;
};

}  // namespace swf
