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

void RasterCache::paintBegins() {
    ++paint_;
    // Sweeping every few paints keeps the cost of the sweep out of most frames.
    if (paint_ % 16 == 0 && paint_ > kIdlePaints) dropUnusedSince(paint_ - kIdlePaints);
}

void RasterCache::dropUnusedSince(std::uint32_t paint) {
    for (auto it = map_.begin(); it != map_.end();) {
        if (it->second.lastPaint < paint) {
            bytes_ -= static_cast<std::size_t>(it->second.image.sizeInBytes());
            it = map_.erase(it);
        } else {
            ++it;
        }
    }
}

RasterCache::Entry& RasterCache::entry(const Key& key) {
    if (map_.size() >= kMaxEntries && !map_.count(key)) {
        dropUnusedSince(paint_);
        if (map_.size() >= kMaxEntries) {
            map_.clear();
            bytes_ = 0;
        }
    }
    Entry& e = map_[key];
    e.lastPaint = paint_;
    return e;
}

void RasterCache::stored(Entry& stored) {
    bytes_ += static_cast<std::size_t>(stored.image.sizeInBytes());
    if (bytes_ <= kMaxBytes) return;
    // Over budget: first what the current paint has not used, then, for a
    // movie whose single frame needs more than the budget, every other image
    // (it refills with what it draws now).
    dropUnusedSince(paint_);
    if (bytes_ <= kMaxBytes) return;
    for (auto& [key, e] : map_) {
        if (&e == &stored) continue;
        e.image = QImage();
        e.sightings = 0;
    }
    bytes_ = static_cast<std::size_t>(stored.image.sizeInBytes());
}

}  // namespace swf
