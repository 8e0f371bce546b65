#include "Class/Store/Core/KXMoney.h"
#include "Platform/Foundation/Foundation.h"

#include <gtest/gtest.h>
#include <limits>

using foundation::Id;

namespace {

TEST(KXMoneyText, DecimalTextBecomesWholeFen)
{
    const std::pair<const char*, long long> table[] = {
        { "199", 19900 },
        { "19.90", 1990 },
        { "19.9", 1990 },
        { "0.01", 1 },
        { "0.5", 50 },
        { ".5", 50 },
        { "12.", 1200 },
        { " 12.5 ", 1250 },
        { "+3", 300 },
        { "-0.99", -99 },
        { "0", 0 },
        { "0.00", 0 },
        { "1.005", 101 },
        { "1.004", 100 },
        { "0.995", 100 },
        { "-1.005", -101 },
        { "1e2", 10000 },
        { "1.5E-1", 15 },
        { "0000019.90", 1990 },
        { "99999999999999.99", 9999999999999999 },
    };
    for (const auto& [text, fen] : table)
        EXPECT_EQ(KXMoney::fenFromText(text), fen) << text;
}

TEST(KXMoneyText, AnythingElseIsNoAmount)
{
    for (const char* text : { "", " ", "abc", "19.90元", "1.2.3", "--1", "e5", "1e", "0x10", "１９", "1,000",
             "nan", "inf", "1e400", "9999999999999999999999" })
        EXPECT_FALSE(KXMoney::fenFromText(text).has_value()) << text;
}

TEST(KXMoneyValue, NumbersGoThroughTheirShortestTextNotBinaryFractions)
{
    EXPECT_EQ(KXMoney::fen(Id(19.9)), 1990); // 19.9 * 100 in binary is 1989.9999...
    EXPECT_EQ(KXMoney::fen(Id(0.29)), 29);
    EXPECT_EQ(KXMoney::fen(Id(12.5)), 1250);
    EXPECT_EQ(KXMoney::fen(Id(199)), 19900);
    EXPECT_EQ(KXMoney::fen(Id(99LL)), 9900);
    EXPECT_EQ(KXMoney::fen(Id(0.999)), 100);
    EXPECT_EQ(KXMoney::fen(Id("19.90")), 1990);
    EXPECT_EQ(KXMoney::fen(Id(std::numeric_limits<double>::quiet_NaN())), 0);
    EXPECT_EQ(KXMoney::fen(Id(1e300)), 0);
}

TEST(KXMoneyValue, NilOtherKindsAndWordsCountAsZero)
{
    EXPECT_EQ(KXMoney::fen(Id()), 0);
    EXPECT_EQ(KXMoney::fen(Id(foundation::Null::null())), 0);
    EXPECT_EQ(KXMoney::fen(Id("免费")), 0);
    EXPECT_EQ(KXMoney::fen(Id(foundation::Array::create({ Id(1) }))), 0);
}

} // namespace
