#include "Lib/ImageLoading/ILImageScale.h"
#include "Platform/Foundation/String.h"

#include <gtest/gtest.h>

namespace {

double scaleOf(const char* key)
{
    return ILScaleFactorFromKey(foundation::String::create(key));
}

TEST(ILScaleFactorFromKey, ReadsTheMarkerBeforeTheExtension)
{
    EXPECT_EQ(scaleOf("http://host/previews/a@2x.png"), 2);
    EXPECT_EQ(scaleOf("https://host/previews/a@3x.png?v=1"), 3);
    EXPECT_EQ(scaleOf("/cache/folder/a@2x.png"), 2);
    EXPECT_EQ(scaleOf("@3x.something-long"), 3);
    EXPECT_EQ(scaleOf("http://host/a@2x/b@3x.png"), 3); // "@2x/" is no marker
    EXPECT_EQ(scaleOf("http://host/a@2x.png@3x.png"), 2); // 2 is asked first
}

TEST(ILScaleFactorFromKey, PercentEncodedMarkerCountsForWebURLsOnly)
{
    EXPECT_EQ(scaleOf("http://host/previews/a%403x.png"), 3);
    EXPECT_EQ(scaleOf("https://host/previews/a%402x.png"), 2);
    EXPECT_EQ(scaleOf("file:///previews/a%402x.png"), 1);
    EXPECT_EQ(scaleOf("/previews/a%402x.png"), 1);
}

TEST(ILScaleFactorFromKey, AnythingElseIsOne)
{
    EXPECT_EQ(scaleOf("http://host/previews/a@2xpng"), 1);
    EXPECT_EQ(scaleOf("http://host/previews/a@4x.png"), 1);
    EXPECT_EQ(scaleOf("a@2x.pn"), 1); // seven characters
    EXPECT_EQ(scaleOf("ab@2x.pn"), 2); // eight
    EXPECT_EQ(scaleOf(""), 1);
    EXPECT_EQ(ILScaleFactorFromKey(nullptr), 1);
}

} // namespace
