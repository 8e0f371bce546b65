#include "local-service/FileValidators.h"

#include <gtest/gtest.h>

using localservice::FileValidators;

TEST(FileValidators, HttpDatesRoundTripInTheFixedForm)
{
    EXPECT_EQ(FileValidators::httpDate(784111777), "Sun, 06 Nov 1994 08:49:37 GMT");
    EXPECT_EQ(FileValidators::parseHttpDate("Sun, 06 Nov 1994 08:49:37 GMT"), 784111777);
    EXPECT_EQ(FileValidators::parseHttpDate(FileValidators::httpDate(1700000000)), 1700000000);
    for (const char* bad : {"", "Sunday, 06-Nov-94 08:49:37 GMT", "Sun Nov  6 08:49:37 1994", "Sun, 06 Now 1994 08:49:37 GMT",
                            "Sun, 06 Nov 1994 25:49:37 GMT", "Sun, 06 Nov 1994 08:49:37 UTC", "Sun, 0x Nov 1994 08:49:37 GMT"})
        EXPECT_FALSE(FileValidators::parseHttpDate(bad).has_value()) << bad;
}

TEST(FileValidators, EntityTagsAreQuotedAndFollowTheBytes)
{
    const std::string a = FileValidators::entityTag("abc");
    EXPECT_EQ(a.front(), '"');
    EXPECT_EQ(a.back(), '"');
    EXPECT_EQ(a.size(), 18u);
    EXPECT_EQ(a, FileValidators::entityTag("abc"));
    EXPECT_NE(a, FileValidators::entityTag("abd"));
}

TEST(FileValidators, IfNoneMatchDecidesBeforeTheDate)
{
    const std::string tag = "\"0123\"";
    const std::string other = "\"9999\"";
    const std::string list = "\"aaaa\", W/\"0123\"";
    const std::string star = "*";
    const std::string later = FileValidators::httpDate(2000);
    const std::string earlier = FileValidators::httpDate(500);
    const std::string garbage = "yesterday";
    EXPECT_TRUE(FileValidators::notModified(&tag, nullptr, tag, 1000));
    EXPECT_TRUE(FileValidators::notModified(&list, nullptr, tag, 1000)) << "a weak tag in a list matches by its opaque part";
    EXPECT_TRUE(FileValidators::notModified(&star, nullptr, tag, std::nullopt));
    EXPECT_FALSE(FileValidators::notModified(&other, &later, tag, 1000)) << "a tag that differs wins over a matching date";
    EXPECT_TRUE(FileValidators::notModified(nullptr, &later, tag, 1000));
    EXPECT_TRUE(FileValidators::notModified(nullptr, &later, tag, 2000)) << "the same second counts as unchanged";
    EXPECT_FALSE(FileValidators::notModified(nullptr, &earlier, tag, 1000));
    EXPECT_FALSE(FileValidators::notModified(nullptr, &garbage, tag, 1000));
    EXPECT_FALSE(FileValidators::notModified(nullptr, &later, tag, std::nullopt)) << "no date on the file: always sent";
    EXPECT_FALSE(FileValidators::notModified(nullptr, nullptr, tag, 1000));
}
