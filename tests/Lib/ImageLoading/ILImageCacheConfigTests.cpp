#include "Lib/ImageLoading/ILImageCacheConfig.h"

#include <gtest/gtest.h>
#include <vector>

TEST(ImageCacheConfig, DefaultsAndCopies)
{
    const auto config = ILImageCacheConfig::create();
    EXPECT_TRUE(config->shouldDisableiCloud());
    EXPECT_TRUE(config->shouldCacheImagesInMemory());
    EXPECT_EQ(config->diskCacheWritingOptions(), 1u);
    EXPECT_EQ(config->maxDiskAge(), 604800.0);
    EXPECT_EQ(config->maxDiskSize(), 0u);
    EXPECT_EQ(config->maxMemoryCount(), 0u);
    EXPECT_EQ(config->diskCacheExpireType(), ILImageCacheConfigExpireType::ModificationDate);
    EXPECT_EQ(ILImageCacheConfig::defaultCacheConfig(), ILImageCacheConfig::defaultCacheConfig());

    config->setMaxDiskSize(1073741824);
    config->setMaxMemoryCount(20480);
    config->setDiskCacheExpireType(ILImageCacheConfigExpireType::AccessDate);
    const auto copy = config->copy();
    EXPECT_NE(copy, config);
    EXPECT_EQ(copy->maxDiskSize(), 1073741824u);
    EXPECT_EQ(copy->maxMemoryCount(), 20480u);
    EXPECT_EQ(copy->diskCacheExpireType(), ILImageCacheConfigExpireType::AccessDate);
    copy->setMaxDiskSize(5);
    EXPECT_EQ(config->maxDiskSize(), 1073741824u) << "the copy is independent";
}

TEST(ImageCacheConfig, ChangesAreReportedByKeyUntilTheSubscriptionEnds)
{
    const auto config = ILImageCacheConfig::create();
    std::vector<std::string> keys;
    auto subscription = config->observeChanges([&](const std::string& key) { keys.push_back(key); });
    config->setMaxMemoryCost(10);
    config->setMaxMemoryCount(20);
    const auto copy = config->copy();
    copy->setMaxMemoryCost(30);
    subscription.cancel();
    config->setMaxMemoryCost(40);
    EXPECT_EQ(keys, (std::vector<std::string> { "maxMemoryCost", "maxMemoryCount" }));
}
