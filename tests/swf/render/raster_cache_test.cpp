// The raster cache keeps what the movie shows now: entries no paint has used
// for a while go, and going over the budget never takes the image that was
// just made.
#include <gtest/gtest.h>

#include "swf/render/raster_cache.h"

namespace {

swf::RasterCache::Key keyOf(std::uint16_t id) {
    swf::RasterCache::Key k;
    k.id = id;
    return k;
}

void storeImage(swf::RasterCache& cache, std::uint16_t id, int side) {
    swf::RasterCache::Entry& e = cache.entry(keyOf(id));
    e.image = QImage(side, side, QImage::Format_ARGB32_Premultiplied);
    cache.stored(e);
}

TEST(SwfRasterCache, EntriesNoPaintUsesAreDropped) {
    swf::RasterCache cache;
    cache.paintBegins();
    storeImage(cache, 1, 10);  // shown once, then never again
    storeImage(cache, 2, 10);  // shown on every paint
    EXPECT_EQ(cache.bytes(), 800u);
    for (std::uint32_t i = 0; i < swf::RasterCache::kIdlePaints + 16; ++i) {
        cache.paintBegins();
        EXPECT_FALSE(cache.entry(keyOf(2)).image.isNull()) << "paint " << i;
    }
    EXPECT_EQ(cache.entries(), 1u);
    EXPECT_EQ(cache.bytes(), 400u);
    EXPECT_TRUE(cache.entry(keyOf(1)).image.isNull());
}

TEST(SwfRasterCache, OverBudgetTheIdleGoFirstAndTheNewImageStays) {
    swf::RasterCache cache;
    const int side = 1024;  // 4 MiB an image
    cache.paintBegins();
    storeImage(cache, 1, side);
    storeImage(cache, 2, side);
    cache.paintBegins();
    storeImage(cache, 3, side);
    storeImage(cache, 4, side);
    EXPECT_EQ(cache.bytes(), 4u * side * side * 4);
    // The fifth image goes over 16 MiB: the two images of the earlier paint go.
    storeImage(cache, 5, side);
    EXPECT_EQ(cache.bytes(), 3u * side * side * 4);
    EXPECT_TRUE(cache.entry(keyOf(1)).image.isNull());
    EXPECT_FALSE(cache.entry(keyOf(3)).image.isNull());
    // One paint that needs more than the budget keeps the image just made.
    for (std::uint16_t id = 6; id < 9; ++id) storeImage(cache, id, side);
    EXPECT_FALSE(cache.entry(keyOf(8)).image.isNull());
    EXPECT_LE(cache.bytes(), swf::RasterCache::kMaxBytes);
}

}  // namespace
