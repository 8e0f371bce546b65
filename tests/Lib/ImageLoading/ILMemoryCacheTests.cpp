#include "Lib/ImageLoading/ILImageCacheConfig.h"
#include "Lib/ImageLoading/ILMemoryCache.h"
#include "Platform/Graphics/Image.h"

#include <gtest/gtest.h>

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
    EXPECT_GT(ILMemoryCache::defaultCostLimit(), 0u);
    EXPECT_LE(ILMemoryCache::defaultCostLimit(), 512ull * 1024 * 1024);
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
