#include "Lib/ImageLoading/ILTransformedCacheKey.h"
#include "Platform/Foundation/String.h"

#include <gtest/gtest.h>

namespace {

using foundation::String;

std::string transformed(const char* key, const char* transformerKey)
{
    const auto result = ILTransformedCacheKey(String::create(key), String::create(transformerKey));
    return result ? result->utf8() : "<nil>";
}

TEST(ILTransformedCacheKey, JoinsTheTransformerKeyBeforeTheExtension)
{
    EXPECT_EQ(transformed("abc", "K"), "abc-K");
    EXPECT_EQ(transformed("/tmp/x.png", "K"), "/tmp/x-K.png");
    // A file URL is cut with the path rules, which fold the slashes after the scheme.
    EXPECT_EQ(transformed("file:///tmp/x.png", "K"), "file:/tmp/x-K.png");
    EXPECT_EQ(transformed("http://host/a/b.png", "K"), "http://host/a/b-K.png");
    EXPECT_EQ(transformed("http://host/a/b", "K"), "http://host/a/b-K");
    EXPECT_EQ(transformed("abc", ""), "abc-");
}

TEST(ILTransformedCacheKey, KeepsQueryAndFragmentOfURLs)
{
    EXPECT_EQ(transformed("https://host:8080/p/b.png?size=2&x=y#top", "K"),
        "https://host:8080/p/b-K.png?size=2&x=y#top");
    EXPECT_EQ(transformed("http://host/b.jpg?next=/c.gif", "K"), "http://host/b-K.jpg?next=/c.gif");
    // Only the path changes: a key without extension keeps its query at the end of the whole key.
    EXPECT_EQ(transformed("http://host/b?v=1", "K"), "http://host/b?v=1-K");
}

TEST(ILTransformedCacheKey, EncodesTheTransformerKeyInsideAURLPath)
{
    const char* key = "ILImageTintTransformer(#ffff0000)";
    EXPECT_EQ(transformed("http://host/b.png", key), "http://host/b-ILImageTintTransformer(%23ffff0000).png");
    EXPECT_EQ(transformed("http://host/my%20b.png", "{1}"), "http://host/my%20b-%7B1%7D.png");
    // A key that is no URL keeps the transformer key as it is.
    EXPECT_EQ(transformed("my b.png", key), "my b-ILImageTintTransformer(#ffff0000).png");
}

TEST(ILTransformedCacheKey, NilInNilOut)
{
    EXPECT_EQ(ILTransformedCacheKey(nullptr, String::create("K")), nullptr);
    EXPECT_EQ(ILTransformedCacheKey(String::create("abc"), nullptr), nullptr);
}

} // namespace
