#include "Platform/Crypto/Base64.h"

#include <gtest/gtest.h>

TEST(Base64Encoding, PadsWithEqualsAndNoLineBreaks)
{
    EXPECT_EQ(crypto::base64Encode(std::string_view()), "");
    EXPECT_EQ(crypto::base64Encode("a"), "YQ==");
    EXPECT_EQ(crypto::base64Encode("ab"), "YWI=");
    EXPECT_EQ(crypto::base64Encode(std::string(60, 'x')).find('\n'), std::string::npos);
    EXPECT_EQ(crypto::base64Encode(std::string_view("\xfb\xff", 2)), "+/8=");
}

TEST(Base64Decoding, SkipsWhiteSpaceAndPaddingAnywhere)
{
    auto data = crypto::base64Decode("YW\nJj\r\nZA= =");
    ASSERT_TRUE(data);
    EXPECT_EQ(data->view(), "abcd");
    EXPECT_EQ(crypto::base64Decode("YWI")->view(), "ab");
    EXPECT_EQ(crypto::base64Decode("")->length(), 0u);
}

TEST(Base64Decoding, RejectsForeignCharactersAndALoneFinalSymbol)
{
    EXPECT_FALSE(crypto::base64Decode("YW*J"));
    EXPECT_FALSE(crypto::base64Decode("YWJjZ"));
    EXPECT_FALSE(crypto::base64Decode("YWJj\xc3\xa9"));
    EXPECT_FALSE(crypto::base64Decode("YW-_"));
}

TEST(Base64Decoding, RoundTripsEveryByte)
{
    std::string all;
    for (int i = 0; i < 256; ++i)
        all += static_cast<char>(i);
    auto decoded = crypto::base64Decode(crypto::base64Encode(all));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->view(), all);
}
