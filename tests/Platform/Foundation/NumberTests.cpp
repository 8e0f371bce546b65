#include "Platform/Foundation/Foundation.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <unordered_set>

using namespace foundation;

TEST(Number, KeepsTheKindItWasMadeWith)
{
    EXPECT_EQ(Id(true).number()->kind(), NumberKind::Bool);
    EXPECT_EQ(Id(true).number()->objCType(), 'c');
    EXPECT_EQ(Id(3).number()->objCType(), 'i');
    EXPECT_EQ(Id(3LL).number()->objCType(), 'q');
    EXPECT_EQ(Id(3L).number()->objCType(), 'q');
    EXPECT_EQ(Id(3U).number()->objCType(), 'I');
    EXPECT_EQ(Id(3ULL).number()->objCType(), 'Q');
    EXPECT_EQ(Id(short(3)).number()->objCType(), 's');
    EXPECT_EQ(Id(1.5f).number()->objCType(), 'f');
    EXPECT_EQ(Id(1.5).number()->objCType(), 'd');
    EXPECT_EQ(Number::numberWithBool(true), Number::numberWithBool(true)) << "booleans are shared";
}

TEST(Number, EqualityAndHashAcrossKinds)
{
    auto one = Number::numberWithInt(1);
    EXPECT_TRUE(one->isEqual(*Number::numberWithDouble(1.0)));
    EXPECT_TRUE(one->isEqual(*Number::numberWithBool(true)));
    EXPECT_TRUE(one->isEqual(*Number::numberWithUnsignedLongLong(1)));
    EXPECT_EQ(one->hash(), Number::numberWithDouble(1.0)->hash());
    EXPECT_FALSE(one->isEqual(*Number::numberWithDouble(1.5)));
    EXPECT_FALSE(one->isEqual(*String::create("1")));

    // Unsigned values above LLONG_MAX are not confused with negative numbers.
    auto huge = Number::numberWithUnsignedLongLong(ULLONG_MAX);
    auto minusOne = Number::numberWithLongLong(-1);
    EXPECT_FALSE(huge->isEqual(*minusOne));
    EXPECT_EQ(huge->compare(*minusOne), ComparisonResult::Descending);
    EXPECT_EQ(minusOne->compare(*huge), ComparisonResult::Ascending);

    std::unordered_set<Id, IdHash, IdEqual> set{Id(2), Id(2.0), Id(2LL)};
    EXPECT_EQ(set.size(), 1u);
}

TEST(Number, DescriptionIsLocaleIndependentAndPlatformShaped)
{
    EXPECT_EQ(Id(true).description(), "1");
    EXPECT_EQ(Id(false).description(), "0");
    EXPECT_EQ(Id(-42).description(), "-42");
    EXPECT_EQ(Id(LLONG_MIN).description(), "-9223372036854775808");
    EXPECT_EQ(Id(ULLONG_MAX).description(), "18446744073709551615");
    EXPECT_EQ(Id(0.1).description(), "0.1");
    EXPECT_EQ(Id(3.5).description(), "3.5");
    EXPECT_EQ(Id(2.0).description(), "2");
    EXPECT_EQ(Id(1.0 / 3.0).description(), "0.3333333333333333");
    EXPECT_EQ(Id(1e20).description(), "1e+20");
    EXPECT_EQ(Id(1e-7).description(), "1e-07");
    EXPECT_EQ(Id(0.1f).description(), "0.1");
}

TEST(Number, ConversionsSaturateInsteadOfOverflowing)
{
    EXPECT_EQ(Number::numberWithDouble(1e30)->longLongValue(), LLONG_MAX);
    EXPECT_EQ(Number::numberWithDouble(-1e30)->longLongValue(), LLONG_MIN);
    EXPECT_EQ(Number::numberWithDouble(std::nan(""))->longLongValue(), 0);
    EXPECT_EQ(Number::numberWithDouble(3.9)->intValue(), 3);
    EXPECT_TRUE(Number::numberWithDouble(0.5)->boolValue());
}
