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

void storeImage(swf::RasterCache& cache, std::uint16_t id, int width, int height) {
    swf::RasterCache::Entry& e = cache.entry(keyOf(id));
    e.image = QImage(width, height, QImage::Format_ARGB32_Premultiplied);
    cache.stored(e);
}

TEST(SwfRasterCache, EntriesNoPaintUsesAreDropped) {
    swf::RasterCache cache;
    cache.paintBegins();
    storeImage(cache, 1, 10, 10);  // shown once, then never again
    storeImage(cache, 2, 10, 10);  // shown on every paint
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
    // Images of a quarter of the budget each.
    const int width = 1024, height = int(swf::RasterCache::kMaxBytes / 4 / 4 / 1024);
    const std::size_t quarter = swf::RasterCache::kMaxBytes / 4;
    cache.paintBegins();
    storeImage(cache, 1, width, height);
    storeImage(cache, 2, width, height);
    cache.paintBegins();
    storeImage(cache, 3, width, height);
    storeImage(cache, 4, width, height);
    EXPECT_EQ(cache.bytes(), 4 * quarter);
    // The fifth image goes over the budget: the two images of the earlier paint go.
    storeImage(cache, 5, width, height);
    EXPECT_EQ(cache.bytes(), 3 * quarter);
    EXPECT_TRUE(cache.entry(keyOf(1)).image.isNull());
    EXPECT_FALSE(cache.entry(keyOf(3)).image.isNull());
    // One paint that needs more than the budget keeps the image just made.
    for (std::uint16_t id = 6; id < 9; ++id) storeImage(cache, id, width, height);
    EXPECT_FALSE(cache.entry(keyOf(8)).image.isNull());
    EXPECT_LE(cache.bytes(), swf::RasterCache::kMaxBytes);
}

}  // namespace
