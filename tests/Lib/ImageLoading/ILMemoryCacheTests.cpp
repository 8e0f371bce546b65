#include "Lib/ImageLoading/ILImageCacheConfig.h"
#include "Lib/ImageLoading/ILMemoryCache.h"
#include "Platform/Graphics/Image.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

ILImageRef image(int width = 4, int height = 4)
{
    QImage pixels(width, height, QImage::Format_ARGB32_Premultiplied);
    pixels.fill(Qt::red);
    return graphics::Image::create(pixels);
}

} // namespace

TEST(MemoryCache, EvictsTheLeastRecentlyUsedOverTheCount)
{
    const auto config = ILImageCacheConfig::create();
    config->setMaxMemoryCount(2);
    const auto cache = ILMemoryCache::create(config);
    const auto a = image(), b = image(), c = image();
    cache->setObject(a, "a", 1);
    cache->setObject(b, "b", 1);
    EXPECT_EQ(cache->objectForKey("a"), a) << "a is now the most recently used";
    cache->setObject(c, "c", 1);
    EXPECT_EQ(cache->objectForKey("a"), a);
    EXPECT_EQ(cache->objectForKey("b"), nullptr);
    EXPECT_EQ(cache->objectForKey("c"), c);
    EXPECT_EQ(cache->count(), 2u);
}

TEST(MemoryCache, EvictsOverTheCostAndKeepsNothingCostlierThanTheLimit)
{
    const auto config = ILImageCacheConfig::create();
    config->setMaxMemoryCost(100);
    const auto cache = ILMemoryCache::create(config);
    cache->setObject(image(), "a", 40);
    cache->setObject(image(), "b", 40);
    cache->setObject(image(), "c", 40);
    EXPECT_EQ(cache->objectForKey("a"), nullptr);
    EXPECT_EQ(cache->totalCost(), 80u);
    cache->setObject(image(), "b", 10);
    EXPECT_EQ(cache->totalCost(), 50u) << "replacing an entry replaces its cost";
    cache->setObject(image(), "huge", 101);
    EXPECT_EQ(cache->objectForKey("huge"), nullptr);
    EXPECT_NE(cache->objectForKey("c"), nullptr) << "an image too costly to keep evicts nothing";
    cache->setObject(image(), "c", 101);
    EXPECT_EQ(cache->objectForKey("c"), nullptr) << "nor is it kept in place of the old one";
    cache->removeAllObjects();
    EXPECT_EQ(cache->totalCost(), 0u);
    EXPECT_EQ(cache->count(), 0u);
}

TEST(MemoryCache, LimitsFollowTheConfigurationAtOnce)
{
    const auto config = ILImageCacheConfig::create();
    const auto cache = ILMemoryCache::create(config);
    EXPECT_EQ(cache->totalCostLimit(), ILMemoryCache::defaultCostLimit())
        << "0 means the default bound, not unbounded";
    for (int i = 0; i < 5; ++i)
        cache->setObject(image(), std::to_string(i), 10);
    config->setMaxMemoryCount(20480);
    EXPECT_EQ(cache->countLimit(), 20480u);
    config->setMaxMemoryCount(3);
    EXPECT_EQ(cache->count(), 3u) << "lowering the limit evicts at once";
    config->setMaxMemoryCost(15);
    EXPECT_EQ(cache->totalCostLimit(), 15u);
    EXPECT_EQ(cache->count(), 1u);
}

// Browsing a large catalogue passes far more previews than anybody looks at again soon: the default
// keeps those near the viewport only.
TEST(MemoryCache, DefaultLimitIsThirtyTwoMegabytesOrASixtyFourthOfMemory)
{
    constexpr std::uint64_t MiB = 1024ull * 1024;
    EXPECT_EQ(ILMemoryCache::defaultCostLimit(16 * 1024 * MiB), 32 * MiB);
    EXPECT_EQ(ILMemoryCache::defaultCostLimit(2 * 1024 * MiB), 32 * MiB);
    EXPECT_EQ(ILMemoryCache::defaultCostLimit(1024 * MiB), 16 * MiB);
    EXPECT_EQ(ILMemoryCache::defaultCostLimit(512 * MiB), 8 * MiB);
    EXPECT_EQ(ILMemoryCache::defaultCostLimit(0), 32 * MiB) << "unknown memory";
    EXPECT_GT(ILMemoryCache::defaultCostLimit(), 0u);
    EXPECT_LE(ILMemoryCache::defaultCostLimit(), 32 * MiB);
}

TEST(MemoryCache, UnderTheDefaultCostLimitALookupKeepsAnImage)
{
    const auto cache = ILMemoryCache::create();
    const std::uint64_t quarter = cache->totalCostLimit() / 4;
    ASSERT_EQ(cache->totalCostLimit(), ILMemoryCache::defaultCostLimit());
    std::vector<ILImageRef> images;
    for (int i = 0; i < 4; ++i) {
        images.push_back(image());
        cache->setObject(images.back(), std::to_string(i), quarter);
    }
    ASSERT_EQ(cache->count(), 4u);
    EXPECT_EQ(cache->objectForKey("0"), images[0]);
    cache->setObject(image(), "4", quarter);
    EXPECT_EQ(cache->objectForKey("1"), nullptr) << "the least recently used goes first";
    EXPECT_EQ(cache->objectForKey("0"), images[0]) << "looked up, so kept";
    cache->setObject(image(), "5", quarter);
    EXPECT_EQ(cache->objectForKey("2"), nullptr);
    EXPECT_EQ(cache->objectForKey("0"), images[0]);
    EXPECT_EQ(cache->objectForKey("3"), images[3]);
    EXPECT_LE(cache->totalCost(), cache->totalCostLimit());
}
