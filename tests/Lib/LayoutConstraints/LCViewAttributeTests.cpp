#include "Lib/LayoutConstraints/LCViewAttribute.h"
#include "ViewTree.h"

#include <gtest/gtest.h>

using autolayout::LayoutAttribute;

TEST(LCViewAttributeEquality, SameViewAndAttributeThroughEitherInitialiser)
{
    ViewTree tree;
    LCViewAttribute one(tree.a.get(), LayoutAttribute::Left);
    LCViewAttribute two(tree.a.get(), tree.b.get(), LayoutAttribute::Left);
    EXPECT_TRUE(one.isEqual(two)) << "the item is not compared";
    EXPECT_EQ(one.hash(), two.hash());
    EXPECT_EQ(two.item(), tree.b.get());
}

TEST(LCViewAttributeEquality, DifferentViewOrAttributeDiffer)
{
    ViewTree tree;
    EXPECT_FALSE(LCViewAttribute(tree.a.get(), LayoutAttribute::Left).isEqual(LCViewAttribute(tree.b.get(), LayoutAttribute::Left)));
    EXPECT_FALSE(LCViewAttribute(tree.a.get(), LayoutAttribute::Left).isEqual(LCViewAttribute(tree.a.get(), LayoutAttribute::Right)));
}

TEST(LCViewAttributeHash, ViewAddressRotatedByHalfAWordXorAttribute)
{
    ViewTree tree;
    auto address = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(tree.a.get()));
    std::uint64_t expected = ((address << 32) | (address >> 32)) ^ 9u;
    EXPECT_EQ(LCViewAttribute(tree.a.get(), LayoutAttribute::CenterX).hash(), expected);
}

TEST(LCViewAttributeKinds, OnlyWidthAndHeightAreSizeAttributes)
{
    ViewTree tree;
    for (std::int64_t value = 0; value <= 12; ++value) {
        bool size = value == 7 || value == 8;
        EXPECT_EQ(LCViewAttribute(tree.a.get(), static_cast<LayoutAttribute>(value)).isSizeAttribute(), size) << value;
    }
}

TEST(LCViewAttributeLifetime, HoldsTheViewWeakly)
{
    auto view = autolayout::BasicView::create();
    LCViewAttribute attribute(view.get(), LayoutAttribute::Top);
    view.reset();
    EXPECT_EQ(attribute.view(), nullptr);
}
