#include "Lib/LayoutConstraints/LCValue.h"
#include "ViewTree.h"

#include <gtest/gtest.h>

TEST(LCBoxedValueNumbers, IntegerKeepsItsKindAndValue)
{
    LCValue boxed = LCBoxedValue("i", 40);
    ASSERT_NE(boxed.number(), nullptr);
    EXPECT_EQ(boxed.number()->objCType(), 'i');
    EXPECT_EQ(std::get<int>(boxed.number()->storage()), 40);
}

TEST(LCBoxedValueNumbers, FloatIsNarrowedFromItsPromotedDouble)
{
    LCValue boxed = LCBoxedValue("f", 0.5);
    ASSERT_NE(boxed.number(), nullptr);
    EXPECT_EQ(boxed.number()->objCType(), 'f');
    EXPECT_EQ(std::get<float>(boxed.number()->storage()), 0.5f);
}

TEST(LCBoxedValueNumbers, EachEncodingConvertsToItsOwnType)
{
    struct Case {
        const char* encoding;
        char type;
        double expected;
    };
    const Case cases[] = { { "d", 'd', 3.75 }, { "q", 'q', 3 }, { "s", 's', 3 }, { "c", 'c', 3 }, { "C", 'C', 3 },
        { "I", 'I', 3 }, { "Q", 'Q', 3 }, { "S", 'S', 3 } };
    for (const Case& c : cases) {
        LCValue boxed = LCBoxedValue(c.encoding, 3.75);
        ASSERT_NE(boxed.number(), nullptr) << c.encoding;
        EXPECT_EQ(boxed.number()->objCType(), c.type) << c.encoding;
        EXPECT_EQ(boxed.number()->doubleValue(), c.expected) << c.encoding;
    }
}

TEST(LCBoxedValueNumbers, BoolIsYesForAnyNonZeroValue)
{
    EXPECT_EQ(std::get<bool>(LCBoxedValue("B", 7).number()->storage()), true);
    EXPECT_EQ(std::get<bool>(LCBoxedValue("B", 0).number()->storage()), false);
}

TEST(LCBoxedValueNumbers, TypedFormUsesTheValuesOwnEncoding)
{
    EXPECT_EQ(LCBoxedValue(310).number()->objCType(), 'i');
    EXPECT_EQ(LCBoxedValue(2.5).number()->objCType(), 'd');
    EXPECT_EQ(LCBoxedValue(2.5f).number()->objCType(), 'f');
    EXPECT_EQ(LCBoxedValue(5L).number()->objCType(), 'q');
    EXPECT_EQ(LCBoxedValue(static_cast<unsigned short>(5)).number()->objCType(), 'S');
    EXPECT_EQ(LCValue(12).number()->objCType(), 'i') << "a plain number boxes like LCBoxedValue";
}

TEST(LCBoxedValueStructures, PointSizeAndInsetsAreBoxedByTheirEncoding)
{
    LCValue point = LCBoxedValue(LCPoint { 5, -3 });
    ASSERT_NE(point.point(), nullptr);
    EXPECT_EQ(*point.point(), (LCPoint { 5, -3 }));
    LCValue size = LCBoxedValue("{CGSize=dd}", LCSize { 200, 100 });
    ASSERT_NE(size.size(), nullptr);
    EXPECT_EQ(*size.size(), (LCSize { 200, 100 }));
    LCValue insets = LCBoxedValue("{NSEdgeInsets=dddd}", LCEdgeInsets { 1, 2, 3, 4 });
    ASSERT_NE(insets.insets(), nullptr);
    EXPECT_EQ(*insets.insets(), (LCEdgeInsets { 1, 2, 3, 4 }));
    EXPECT_TRUE(insets.isValue());
}

TEST(LCBoxedValueObjects, ObjectIsReturnedItself)
{
    ViewTree tree;
    LCValue boxed = LCBoxedValue("@", LCValue(tree.a));
    EXPECT_EQ(boxed.view(), tree.a.get());
    EXPECT_TRUE(LCBoxedValue("@", LCValue()).isNil());
}

TEST(LCBoxedValueUnknown, UnknownEncodingOrMismatchedShapeGivesNil)
{
    EXPECT_TRUE(LCBoxedValue("l", 40).isNil());
    EXPECT_TRUE(LCBoxedValue("ii", 40).isNil()) << "encodings compare as whole strings";
    EXPECT_TRUE(LCBoxedValue("", 40).isNil());
    EXPECT_TRUE(LCBoxedValue(nullptr, 40).isNil());
    EXPECT_TRUE(LCBoxedValue("{CGPoint=dd}", 40).isNil());
    EXPECT_TRUE(LCBoxedValue("i", LCSize { 1, 2 }).isNil());
    EXPECT_TRUE(LCBoxedValue("@", 40).isNil());
}
