#include "Class/Favourites/Core/KXFavouritesTexts.h"

#include "Platform/Foundation/Foundation.h"

#include <gtest/gtest.h>

using foundation::Id;
namespace texts = KXFavouritesTexts;

TEST(KXFavouritesTexts, TheFolderCountHighlightsItsDigits)
{
    const auto none = texts::folderCountHeader(0);
    EXPECT_EQ(none.text, QStringLiteral("已创建0个收藏夹"));
    EXPECT_EQ(none.location, 3);
    EXPECT_EQ(none.highlighted(), QStringLiteral("0"));
    const auto many = texts::folderCountHeader(1234);
    EXPECT_EQ(many.highlighted(), QStringLiteral("1234"));
    EXPECT_EQ(many.text.mid(many.location + many.length), QStringLiteral("个收藏夹"));
}

TEST(KXFavouritesTexts, TheRowCountShowsTheValueAsReceived)
{
    const auto number = texts::fontCount(Id(12));
    EXPECT_EQ(number.text, QStringLiteral("共12款"));
    EXPECT_EQ(number.highlighted(), QStringLiteral("12"));
    EXPECT_EQ(texts::fontCount(Id("7")).highlighted(), QStringLiteral("7"));
    EXPECT_EQ(texts::fontCount(Id()).text, QStringLiteral("共0款")) << "a record without font_num";
    EXPECT_EQ(texts::fontsInList(Id(foundation::Array::create({Id(1), Id(2), Id(3)}))), QStringLiteral("共3款"));
    EXPECT_EQ(texts::fontsInList(Id(foundation::Array::create())), QStringLiteral("共0款"));
    EXPECT_EQ(texts::fontsInList(Id("1,2")), QStringLiteral("共0款")) << "not an array";
}

TEST(KXFavouritesTexts, CardCountsAreCapped)
{
    EXPECT_EQ(texts::visits(Id(9999)), QStringLiteral("9999"));
    EXPECT_EQ(texts::visits(Id(10000)), QStringLiteral("9999+"));
    EXPECT_EQ(texts::visits(Id("10001")), QStringLiteral("9999+"));
    EXPECT_EQ(texts::followers(Id(99)), QStringLiteral("99"));
    EXPECT_EQ(texts::followers(Id(100)), QStringLiteral("99+"));
    EXPECT_EQ(texts::followers(Id("42")), QStringLiteral("42"));
    EXPECT_EQ(texts::followers(Id()), QStringLiteral("0"));
}

TEST(KXFavouritesTexts, TheDateIsTheFirstTenCharactersOrNothing)
{
    EXPECT_EQ(texts::date(Id("2024-03-09 18:22:01")), QStringLiteral("2024-03-09"));
    EXPECT_EQ(texts::date(Id("2024-03-09")), QStringLiteral("2024-03-09"));
    EXPECT_EQ(texts::date(Id("03-09")), QString());
    EXPECT_EQ(texts::date(Id()), QString());
}

TEST(KXFavouritesTexts, CollectionFactsAndPlainValues)
{
    const Id record(foundation::Dictionary::create({{Id("font_num"), Id(5)}, {Id("follow_num"), Id("38")}, {Id("visits"), Id(1200)}}));
    EXPECT_EQ(texts::collectionFacts(record), QStringLiteral("字体 5 · 关注 38 · 浏览 1200"));
    // The user's own follow or unfollow since the record was read moves the count, never below 0.
    EXPECT_EQ(texts::collectionFacts(record, 1), QStringLiteral("字体 5 · 关注 39 · 浏览 1200"));
    EXPECT_EQ(texts::collectionFacts(record, -1), QStringLiteral("字体 5 · 关注 37 · 浏览 1200"));
    const Id unfollowed(foundation::Dictionary::create({{Id("font_num"), Id(1)}, {Id("visits"), Id(0)}}));
    EXPECT_EQ(texts::collectionFacts(unfollowed, -1), QStringLiteral("字体 1 · 关注 0 · 浏览 0"));
    EXPECT_EQ(texts::collectionFacts(unfollowed, 1), QStringLiteral("字体 1 · 关注 1 · 浏览 0"));
    EXPECT_EQ(texts::plain(Id(foundation::Null::null())), QString());
    EXPECT_EQ(texts::plain(Id(2.5)), QStringLiteral("2.5"));
}
