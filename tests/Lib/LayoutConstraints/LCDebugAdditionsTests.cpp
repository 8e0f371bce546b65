#include "Lib/LayoutConstraints/LCDebugAdditions.h"
#include "Lib/LayoutConstraints/LCLayoutConstraint.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"
#include "ViewTree.h"

#include <gtest/gtest.h>

#include <regex>

using autolayout::LayoutAttribute;
using autolayout::LayoutRelation;

namespace {

struct Keyed : ViewTree {
    Keyed()
    {
        setMas_key(*root, "root");
        setMas_key(*a, "a");
    }

    std::shared_ptr<LCLayoutConstraint> make(LayoutAttribute first, LayoutRelation relation, autolayout::View* second,
        LayoutAttribute secondAttribute, double multiplier, double constant, float priority = 1000)
    {
        auto constraint = LCLayoutConstraint::constraintWithItem(a.get(), first, relation, second, secondAttribute,
            multiplier, constant);
        constraint->setPriority(priority);
        constraint->setLc_key("k");
        return constraint;
    }
};

} // namespace

TEST(LCDebugAdditionsConstants, WithoutSecondItemTheConstantIsAlwaysShown)
{
    Keyed tree;
    auto c = tree.make(LayoutAttribute::Width, LayoutRelation::Equal, nullptr, LayoutAttribute::NotAnAttribute, 1, 0);
    EXPECT_EQ(c->description(), "<LCLayoutConstraint:k A:a.width == 0>");
    auto d = tree.make(LayoutAttribute::Height, LayoutRelation::GreaterThanOrEqual, nullptr,
        LayoutAttribute::NotAnAttribute, 1, -12.5);
    EXPECT_EQ(d->description(), "<LCLayoutConstraint:k A:a.height >= -12.5>");
}

TEST(LCDebugAdditionsConstants, WithSecondItemZeroIsHiddenAndTheSignIsSpelledOut)
{
    Keyed tree;
    EXPECT_EQ(tree.make(LayoutAttribute::Left, LayoutRelation::Equal, tree.root.get(), LayoutAttribute::Left, 1, 0)
                  ->description(),
        "<LCLayoutConstraint:k A:a.left == Root:root.left>");
    EXPECT_EQ(tree.make(LayoutAttribute::Right, LayoutRelation::LessThanOrEqual, tree.root.get(),
                      LayoutAttribute::Right, 1, -4)
                  ->description(),
        "<LCLayoutConstraint:k A:a.right <= Root:root.right - 4>");
    EXPECT_EQ(tree.make(LayoutAttribute::Top, LayoutRelation::Equal, tree.root.get(), LayoutAttribute::Bottom, 1, 10)
                  ->description(),
        "<LCLayoutConstraint:k A:a.top == Root:root.bottom + 10>");
}

TEST(LCDebugAdditionsMultiplier, ShownOnlyWhenNotOne)
{
    Keyed tree;
    EXPECT_EQ(tree.make(LayoutAttribute::Right, LayoutRelation::Equal, tree.root.get(), LayoutAttribute::Right, 0.5, 25)
                  ->description(),
        "<LCLayoutConstraint:k A:a.right == Root:root.right * 0.5 + 25>");
}

TEST(LCDebugAdditionsPriority, NamedNumberOrNothing)
{
    Keyed tree;
    auto make = [&](float priority) {
        return tree.make(LayoutAttribute::Width, LayoutRelation::Equal, nullptr, LayoutAttribute::NotAnAttribute, 1, 40,
            priority)->description();
    };
    EXPECT_EQ(make(999), "<LCLayoutConstraint:k A:a.width == 40 ^999>");
    EXPECT_EQ(make(750), "<LCLayoutConstraint:k A:a.width == 40 ^high>");
    EXPECT_EQ(make(501), "<LCLayoutConstraint:k A:a.width == 40 ^medium>");
    EXPECT_EQ(make(490), "<LCLayoutConstraint:k A:a.width == 40 ^drag cannot resize window>");
    EXPECT_EQ(make(50), "<LCLayoutConstraint:k A:a.width == 40 ^fitting size>");
    EXPECT_EQ(make(250.5f), "<LCLayoutConstraint:k A:a.width == 40 ^250.5>");
    EXPECT_EQ(make(1000), "<LCLayoutConstraint:k A:a.width == 40>");
}

TEST(LCDebugAdditionsObjects, AddressWhenThereIsNoKey)
{
    ViewTree tree;
    auto c = LCLayoutConstraint::constraintWithItem(tree.a.get(), LayoutAttribute::LastBaseline, LayoutRelation::Equal,
        tree.b.get(), LayoutAttribute::FirstBaseline, 1, 0);
    EXPECT_TRUE(std::regex_match(c->description(),
        std::regex("<LCLayoutConstraint:0x[0-9a-f]+ A:0x[0-9a-f]+\\.lastBaseline == B:0x[0-9a-f]+\\.firstBaseline>")))
        << c->description();

    // A constraint made by other means than the builder has no key to show.
    auto plain = autolayout::LayoutConstraint::constraintWithItem(tree.a.get(), LayoutAttribute::Width,
        LayoutRelation::Equal, nullptr, LayoutAttribute::NotAnAttribute, 1, 3);
    EXPECT_TRUE(std::regex_match(LCDebugAdditions::description(*plain),
        std::regex("<LayoutConstraint:0x[0-9a-f]+ A:0x[0-9a-f]+\\.width == 3>")))
        << LCDebugAdditions::description(*plain);
}

TEST(LCDebugAdditionsTables, ExactEntries)
{
    EXPECT_EQ(LCDebugAdditions::layoutRelationDescriptionsByValue().at(-1), "<=");
    EXPECT_EQ(LCDebugAdditions::layoutAttributeDescriptionsByValue().size(), 12u);
    EXPECT_EQ(LCDebugAdditions::layoutAttributeDescriptionsByValue().at(11), "lastBaseline");
    EXPECT_EQ(LCDebugAdditions::layoutPriorityDescriptionsByValue().size(), 8u);
    EXPECT_EQ(LCDebugAdditions::layoutPriorityDescriptionsByValue().at(510.0f), "drag can resize window");
    EXPECT_EQ(LCDebugAdditions::layoutPriorityDescriptionsByValue().at(500.0f), "window size stay put");
}
