#include "Class/Favourites/Core/KXShareAddress.h"

#include <gtest/gtest.h>

TEST(KXShareAddress, APlainPageKeepsTheSharedText)
{
    EXPECT_EQ(KXShareAddress::build("https://share.example/pages/share", "12", "weibo"),
              "https://share.example/pages/share?id=12&direct=weibo");
    EXPECT_EQ(KXShareAddress::build("http://127.0.0.1:8080/share", "12", "qq"), "http://127.0.0.1:8080/share?id=12&direct=qq");
}

TEST(KXShareAddress, IdAndTargetArePercentEncoded)
{
    EXPECT_EQ(KXShareAddress::build("https://s.example/share", "12&direct=evil", "微博 #1"),
              "https://s.example/share?id=12%26direct%3Devil&direct=%E5%BE%AE%E5%8D%9A%20%231");
    EXPECT_EQ(KXShareAddress::percentEncoded("a-b.c_d~e/f?"), "a-b.c_d~e%2Ff%3F");
}

TEST(KXShareAddress, AQueryOrFragmentOfThePageStays)
{
    EXPECT_EQ(KXShareAddress::build("https://s.example/share?lang=zh", "3", "qq"), "https://s.example/share?lang=zh&id=3&direct=qq");
    EXPECT_EQ(KXShareAddress::build("https://s.example/share?", "3", "qq"), "https://s.example/share?id=3&direct=qq");
    EXPECT_EQ(KXShareAddress::build("https://s.example/share#top", "3", "qq"), "https://s.example/share?id=3&direct=qq#top");
    EXPECT_EQ(KXShareAddress::build("HTTPS://s.example/share", "3", "qq"), "HTTPS://s.example/share?id=3&direct=qq");
}

TEST(KXShareAddress, OnlyWebPagesMakeAnAddress)
{
    EXPECT_EQ(KXShareAddress::build("", "3", "qq"), std::nullopt);
    EXPECT_EQ(KXShareAddress::build("javascript:alert(1)//", "3", "qq"), std::nullopt);
    EXPECT_EQ(KXShareAddress::build("file:///etc/passwd", "3", "qq"), std::nullopt);
    EXPECT_EQ(KXShareAddress::build("ftp://s.example/share", "3", "qq"), std::nullopt);
    EXPECT_EQ(KXShareAddress::build("https://", "3", "qq"), std::nullopt) << "no host";
    EXPECT_EQ(KXShareAddress::build("share.example/share", "3", "qq"), std::nullopt) << "no scheme";
}
