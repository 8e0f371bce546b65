#include "local-service/FormParams.h"

#include <gtest/gtest.h>

using localservice::FormCodec;
using localservice::FormParams;

TEST(FormParse, DecodesPlusAndPercentEscapesInOrder)
{
    const FormParams params = FormCodec::parse("b=2&a=x+y&c=%E4%B8%AD%2B%26&empty=&flag");
    ASSERT_EQ(params.size(), 5u);
    EXPECT_EQ(params[0], (std::pair<std::string, std::string>{"b", "2"}));
    EXPECT_EQ(params[1].second, "x y");
    EXPECT_EQ(params[2].second, "中+&");
    EXPECT_EQ(params[3], (std::pair<std::string, std::string>{"empty", ""}));
    EXPECT_EQ(params[4], (std::pair<std::string, std::string>{"flag", ""}));
}

TEST(FormParse, KeepsMalformedEscapesLiterally)
{
    const FormParams params = FormCodec::parse("a=100%&b=%zz&c=%4");
    EXPECT_EQ(params[0].second, "100%");
    EXPECT_EQ(params[1].second, "%zz");
    EXPECT_EQ(params[2].second, "%4");
}

TEST(FormParse, SkipsEmptyPairs)
{
    EXPECT_EQ(FormCodec::parse("&&a=1&").size(), 1u);
    EXPECT_TRUE(FormCodec::parse("").empty());
}

TEST(FormEncode, EscapesEverythingButUnreservedAndRoundTrips)
{
    const FormParams params = {{"info", "[{\"bid\":\"7\",\"fids\":\"101,102\"}]"}, {"str", "永 a+b&c=d/é~"}};
    EXPECT_EQ(FormCodec::encode(params),
              "info=%5B%7B%22bid%22%3A%227%22%2C%22fids%22%3A%22101%2C102%22%7D%5D"
              "&str=%E6%B0%B8%20a%2Bb%26c%3Dd%2F%C3%A9~");
    EXPECT_EQ(FormCodec::parse(FormCodec::encode(params)), params);
}

TEST(FormFind, FirstOccurrenceWins)
{
    const FormParams params = {{"a", "1"}, {"a", "2"}};
    ASSERT_NE(FormCodec::find(params, "a"), nullptr);
    EXPECT_EQ(*FormCodec::find(params, "a"), "1");
    EXPECT_EQ(FormCodec::find(params, "b"), nullptr);
}
