#include "Lib/Networking/NKQueryString.h"

#include "Platform/Foundation/Foundation.h"

#include <gtest/gtest.h>

using foundation::Array;
using foundation::Dictionary;
using foundation::Id;
using foundation::Null;
using foundation::Set;

TEST(NKQueryStringEscaping, KeepsOnlyUnreservedSlashAndQuestionMark)
{
    EXPECT_EQ(NKEscapedQueryComponent("a b&c=d/\xC3\xA9?"), "a%20b%26c%3Dd/%C3%A9?");
    EXPECT_EQ(NKEscapedQueryComponent("AZaz09-._~"), "AZaz09-._~");
    EXPECT_EQ(NKEscapedQueryComponent("!$'()*+,;:#[]@"), "%21%24%27%28%29%2A%2B%2C%3B%3A%23%5B%5D%40");
    EXPECT_EQ(NKEscapedQueryComponent(""), "");
}

TEST(NKQueryStringEscaping, LongTextWithEmojiIsEncodedWhole)
{
    // An emoji with a modifier straddling the 50-unit batch boundary stays intact.
    std::string text(49, 'x');
    text += "\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD"; // thumbs up, medium skin tone
    const std::string escaped = NKEscapedQueryComponent(text);
    EXPECT_EQ(escaped, std::string(49, 'x') + "%F0%9F%91%8D%F0%9F%8F%BD");
}

TEST(NKQueryStringPairs, NestedDictionariesAndArraysFlattenInOrder)
{
    auto parameters = Dictionary::create({{Id("b"), Id(1)},
                                          {Id("a"), Id(Dictionary::create({{Id("y"), Id(2)}, {Id("x"), Id(Array::create({Id(3), Id(4)}))}}))}});
    EXPECT_EQ(NKQueryStringForParameters(Id(parameters)), "a%5Bx%5D%5B%5D=3&a%5Bx%5D%5B%5D=4&a%5By%5D=2&b=1");
}

TEST(NKQueryStringPairs, KeysSortCaseSensitivelyByDescription)
{
    auto parameters = Dictionary::create({{Id("b"), Id(1)}, {Id("a"), Id(2)}, {Id("B"), Id(3)}});
    EXPECT_EQ(NKQueryStringForParameters(Id(parameters)), "B=3&a=2&b=1");
    auto numeric = Dictionary::create({{Id(9), Id("nine")}, {Id(10), Id("ten")}});
    EXPECT_EQ(NKQueryStringForParameters(Id(numeric)), "10=ten&9=nine");
}

TEST(NKQueryStringPairs, NullValueGivesTheKeyAlone)
{
    auto parameters = Dictionary::create({{Id("flag"), Id(Null::null())}, {Id("q"), Id("x")}});
    EXPECT_EQ(NKQueryStringForParameters(Id(parameters)), "flag&q=x");
}

TEST(NKQueryStringPairs, SetMembersAreSortedWithoutBrackets)
{
    auto parameters = Dictionary::create({{Id("tag"), Id(Set::create({Id("z"), Id("a"), Id("m")}))}});
    EXPECT_EQ(NKQueryStringForParameters(Id(parameters)), "tag=a&tag=m&tag=z");
}

TEST(NKQueryStringPairs, PairsKeepUnescapedNestedNames)
{
    auto pairs = NKQueryPairsFromParameters(Id(Dictionary::create({{Id("a"), Id(Dictionary::create({{Id("b"), Id(1)}}))}, {Id("c"), Id(Null::null())}})));
    ASSERT_EQ(pairs.size(), 2u);
    EXPECT_EQ(pairs[0]->field().description(), "a[b]");
    EXPECT_EQ(pairs[0]->value().integerValue(), 1);
    EXPECT_EQ(pairs[1]->field().description(), "c");
    EXPECT_TRUE(pairs[1]->value().isNull());
}
