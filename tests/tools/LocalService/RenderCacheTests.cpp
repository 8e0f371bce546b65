#include "local-service/RenderCache.h"

#include <gtest/gtest.h>

using localservice::RenderCache;

namespace {

RenderCache::Render bytes(std::size_t size, int* calls)
{
    return [size, calls] {
        ++*calls;
        return std::make_shared<const std::string>(size, 'p');
    };
}

} // namespace

TEST(RenderCache, KeepsPreviewsWithinItsBytesLeastRecentlyUsedFirstOut)
{
    RenderCache cache(250, 4);
    int calls = 0;
    cache.png(1, false, "a", bytes(100, &calls));
    cache.png(2, false, "a", bytes(100, &calls));
    EXPECT_EQ(calls, 2);
    cache.png(1, false, "a", bytes(100, &calls));
    EXPECT_EQ(calls, 2) << "kept";
    cache.png(3, false, "a", bytes(100, &calls)); // 300 bytes: the least recently used (2) goes
    EXPECT_EQ(cache.pngCount(), 2u);
    EXPECT_EQ(cache.pngBytes(), 200u);
    cache.png(1, false, "a", bytes(100, &calls));
    EXPECT_EQ(calls, 3) << "1 was used last and stayed";
    cache.png(2, false, "a", bytes(100, &calls));
    EXPECT_EQ(calls, 4) << "2 was dropped";

    // Night and day, and texts, are separate entries; a failed or oversized render is not kept.
    cache.png(1, true, "a", bytes(10, &calls));
    cache.png(1, false, "b", bytes(10, &calls));
    EXPECT_EQ(calls, 6);
    EXPECT_EQ(cache.png(9, false, "a", [] { return std::shared_ptr<const std::string>(); }), nullptr);
    cache.png(8, false, "big", bytes(400, &calls));
    cache.png(8, false, "big", bytes(400, &calls));
    EXPECT_EQ(calls, 8);
    EXPECT_LE(cache.pngBytes(), 250u);
    EXPECT_EQ(cache.pngsRendered(), 9u);
}

TEST(RenderCache, FacesThatCannotBeOpenedAreNotKept)
{
    RenderCache cache;
    EXPECT_EQ(cache.face("/nonexistent/font.ttf", 0), nullptr);
    EXPECT_EQ(cache.faceCount(), 0u);
    EXPECT_EQ(cache.facesOpened(), 0u);
}
