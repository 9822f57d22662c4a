#include "swf/render/raster_cache.h"

#include <cstring>

namespace swf {

std::size_t RasterCache::KeyHash::operator()(const Key& k) const {
    std::uint64_t h = 1469598103934665603ull;
    auto mix = [&](std::uint64_t v) { h = (h ^ v) * 1099511628211ull; };
    mix(k.id);
    mix(k.antialias);
    mix(k.fx);
    mix(k.fy);
    {
        std::uint32_t u;
        std::memcpy(&u, &k.stageScale, 4);
        mix(u);
    }
    for (float f : k.m) {
        std::uint32_t u;
        std::memcpy(&u, &f, 4);
        mix(u);
    }
    for (float f : k.cx) {
        std::uint32_t u;
        std::memcpy(&u, &f, 4);
        mix(u);
    }
    return static_cast<std::size_t>(h);
}

RasterCache::Entry& RasterCache::entry(const Key& key) {
    if (map_.size() >= kMaxEntries && !map_.count(key)) {
        map_.clear();
        bytes_ = 0;
    }
    return map_[key];
}

void RasterCache::stored(const QImage& image) {
    bytes_ += static_cast<std::size_t>(image.sizeInBytes());
    if (bytes_ > kMaxBytes) {
        // Start over rather than track use; a movie that changes scale every
        // frame refills it with what it draws now.
        for (auto& [key, e] : map_) {
            e.image = QImage();
            e.sightings = 0;
        }
        bytes_ = 0;
    }
}

}  // namespace swf
