#include "Class/ImageViews/ILAnimatedFrameBuffer.h"
#include "ImageViewsTestSupport.h"
#include "Platform/Graphics/Image.h"

#include <gtest/gtest.h>

namespace {

using imageviewtest::solidImage;

// The order a late fetch meets: it notes the generation when it starts, the view is given another
// image while it decodes, and it hands its frame back afterwards.
TEST(ILAnimatedFrameBuffer, AFrameFetchedForAReplacedImageIsNotStored)
{
    ILAnimatedFrameBuffer buffer;
    buffer.setLinkRunning(true);
    buffer.store(0, solidImage(Qt::red, 4, 4));
    const auto fetchStarted = buffer.generation();
    buffer.beginImage(false);
    const auto replacement = solidImage(Qt::cyan, 4, 4);
    buffer.store(0, replacement);
    EXPECT_FALSE(buffer.storeFetched(fetchStarted, 1, solidImage(Qt::green, 4, 4)));
    EXPECT_EQ(buffer.frame(1), nullptr);
    EXPECT_EQ(buffer.frame(0), replacement);
    EXPECT_EQ(buffer.count(), 1u);

    const auto fetched = solidImage(Qt::magenta, 4, 4);
    EXPECT_TRUE(buffer.storeFetched(buffer.generation(), 1, fetched));
    EXPECT_EQ(buffer.frame(1), fetched);
}

TEST(ILAnimatedFrameBuffer, AFetchThatEndsAfterTheLinkStoppedOrWithoutAFrameStoresNothing)
{
    ILAnimatedFrameBuffer buffer;
    const auto frame = solidImage(Qt::red, 4, 4);
    EXPECT_FALSE(buffer.storeFetched(buffer.generation(), 0, frame)) << "the link never ran";
    buffer.setLinkRunning(true);
    EXPECT_FALSE(buffer.storeFetched(buffer.generation(), 0, nullptr));
    buffer.setLinkRunning(false);
    EXPECT_FALSE(buffer.storeFetched(buffer.generation(), 0, frame));
    EXPECT_EQ(buffer.count(), 0u);
}

TEST(ILAnimatedFrameBuffer, ALongerPartialImageKeepsTheFramesButNotTheFetchesUnderway)
{
    ILAnimatedFrameBuffer buffer;
    buffer.setLinkRunning(true);
    const auto first = solidImage(Qt::red, 4, 4);
    buffer.store(0, first);
    buffer.store(1, solidImage(Qt::green, 4, 4));
    const auto fetchStarted = buffer.generation();
    buffer.beginImage(true);
    EXPECT_EQ(buffer.count(), 2u);
    EXPECT_EQ(buffer.frame(0), first);
    EXPECT_FALSE(buffer.storeFetched(fetchStarted, 2, solidImage(Qt::blue, 4, 4)));
    EXPECT_EQ(buffer.frame(2), nullptr);
}

TEST(ILAnimatedFrameBuffer, TrimDropsThePlayedFrameOnlyOverTheLimit)
{
    ILAnimatedFrameBuffer buffer;
    for (std::size_t i = 0; i < 3; ++i)
        buffer.store(i, solidImage(Qt::red, 4, 4));
    EXPECT_TRUE(buffer.trim(0, 3, 3)) << "at the limit: all three frames stay";
    EXPECT_EQ(buffer.count(), 3u);
    EXPECT_FALSE(buffer.trim(0, 2, 3));
    EXPECT_EQ(buffer.frame(0), nullptr);
    EXPECT_EQ(buffer.count(), 2u);
}

} // namespace
