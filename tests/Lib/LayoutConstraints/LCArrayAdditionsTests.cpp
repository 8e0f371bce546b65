#include "Lib/LayoutConstraints/LCArrayAdditions.h"
#include "Lib/LayoutConstraints/LCViewConstraint.h"
#include "Platform/AutoLayout/LayoutEngine.h"
#include "ViewTree.h"

#include <gtest/gtest.h>

using autolayout::LayoutAttribute;
using autolayout::Rect;

namespace {

struct Row {
    std::shared_ptr<autolayout::BasicView> container = autolayout::BasicView::create("Container");
    std::vector<std::shared_ptr<autolayout::BasicView>> views;
    LCValue::Array list;

    explicit Row(int count)
    {
        for (int i = 0; i < count; ++i) {
            views.push_back(ViewTree::add(*container, "V" + std::to_string(i)));
            list.emplace_back(views.back());
        }
        for (auto& view : views)
            lc_makeConstraints(*view, [](LCConstraintMaker& make) { make.top().bottom().equalTo(0); });
    }
};

const autolayout::LayoutConstraint* findConstraint(autolayout::View& holder, autolayout::View& first, LayoutAttribute attribute)
{
    for (const auto& c : holder.constraints()) {
        if (c->firstItem() == &first && c->firstAttribute() == attribute)
            return c.get();
    }
    return nullptr;
}

} // namespace

TEST(LCArrayAdditionsEntryPoints, EveryViewInOrderNonViewsPassedOver)
{
    ViewTree tree;
    LCValue::Array list { LCValue(tree.a), LCValue(7), LCValue(tree.b) };
    auto installed = lc_makeConstraints(list, [](LCConstraintMaker& make) { make.width().equalTo(5); });
    ASSERT_EQ(installed.size(), 2u);
    EXPECT_EQ(std::dynamic_pointer_cast<LCViewConstraint>(installed[1])->firstViewAttribute().view(), tree.b.get());
}

TEST(LCArrayAdditionsCommonSuperview, ListsOfNoneOneAndMany)
{
    ViewTree tree;
    EXPECT_EQ(lc_commonSuperviewOfViews({}), nullptr);
    EXPECT_EQ(lc_commonSuperviewOfViews({ LCValue(1), LCValue(tree.a) }), tree.a.get());
    EXPECT_EQ(lc_commonSuperviewOfViews({ LCValue(tree.inner), LCValue(tree.b) }), tree.b.get());
    EXPECT_EQ(lc_commonSuperviewOfViews({ LCValue(tree.inner), LCValue(tree.a), LCValue(tree.b) }), tree.root.get());
}

TEST(LCArrayAdditionsDistribution, FixedSpacingStatesAndSolves)
{
    Row row(3);
    lc_distributeViewsAlongAxisWithFixedSpacing(row.list, LCDistributionAxisHorizontal, 10, 5, 5);
    auto& c = *row.container;
    const auto* firstLeft = findConstraint(c, *row.views[0], LayoutAttribute::Left);
    ASSERT_NE(firstLeft, nullptr);
    EXPECT_EQ(firstLeft->secondItem(), &c);
    EXPECT_EQ(firstLeft->constant(), 5);
    const auto* secondWidth = findConstraint(c, *row.views[1], LayoutAttribute::Width);
    ASSERT_NE(secondWidth, nullptr);
    EXPECT_EQ(secondWidth->secondItem(), row.views[0].get());
    const auto* thirdLeft = findConstraint(c, *row.views[2], LayoutAttribute::Left);
    EXPECT_EQ(thirdLeft->secondAttribute(), LayoutAttribute::Right);
    EXPECT_EQ(thirdLeft->constant(), 10);
    EXPECT_EQ(findConstraint(c, *row.views[2], LayoutAttribute::Right)->constant(), -5);

    autolayout::LayoutEngine engine(c);
    engine.layout(autolayout::Size { 330, 50 });
    EXPECT_EQ(row.views[0]->frame(), (Rect { 5, 0, 100, 50 }));
    EXPECT_EQ(row.views[1]->frame(), (Rect { 115, 0, 100, 50 }));
    EXPECT_EQ(row.views[2]->frame(), (Rect { 225, 0, 100, 50 }));
    engine.layout(autolayout::Size { 320, 50 });
    EXPECT_EQ(row.views[1]->frame(), (Rect { 112, 0, 96, 50 })) << "edges rounded, neighbours stay flush";
}

TEST(LCArrayAdditionsDistribution, FixedItemLengthSpreadsTheFarEdges)
{
    Row row(3);
    lc_distributeViewsAlongAxisWithFixedItemLength(row.list, LCDistributionAxisHorizontal, 50, 0, 0);
    const auto* middle = findConstraint(*row.container, *row.views[1], LayoutAttribute::Right);
    ASSERT_NE(middle, nullptr);
    EXPECT_EQ(middle->multiplier(), 0.5);
    EXPECT_EQ(middle->constant(), 25);

    autolayout::LayoutEngine engine(*row.container);
    engine.layout(autolayout::Size { 300, 20 });
    EXPECT_EQ(row.views[0]->frame(), (Rect { 0, 0, 50, 20 }));
    EXPECT_EQ(row.views[1]->frame(), (Rect { 125, 0, 50, 20 }));
    EXPECT_EQ(row.views[2]->frame(), (Rect { 250, 0, 50, 20 }));
}

TEST(LCArrayAdditionsDistribution, VerticalWithLeadAndTail)
{
    Row row(0);
    for (int i = 0; i < 4; ++i) {
        row.views.push_back(ViewTree::add(*row.container, "V"));
        row.list.emplace_back(row.views.back());
        lc_makeConstraints(*row.views.back(), [](LCConstraintMaker& make) { make.left().right().equalTo(0); });
    }
    lc_distributeViewsAlongAxisWithFixedItemLength(row.list, LCDistributionAxisVertical, 20, 10, 30);
    autolayout::LayoutEngine engine(*row.container);
    engine.layout(autolayout::Size { 100, 400 });
    // Bottoms spread from lead + length (30) to 400 - 30 (370).
    EXPECT_EQ(row.views[0]->frame(), (Rect { 0, 10, 100, 20 }));
    EXPECT_EQ(row.views[1]->frame(), (Rect { 0, 123, 100, 20 }));
    EXPECT_EQ(row.views[3]->frame(), (Rect { 0, 350, 100, 20 }));
}

TEST(LCArrayAdditionsDistribution, ASingleViewIsLeftAlone)
{
    Row row(1);
    lc_distributeViewsAlongAxisWithFixedSpacing(row.list, LCDistributionAxisHorizontal, 10, 5, 5);
    lc_distributeViewsAlongAxisWithFixedItemLength(row.list, LCDistributionAxisVertical, 10, 5, 5);
    EXPECT_EQ(lc_installedConstraints(*row.views[0]).count(), 2u) << "only the two of the test set-up";
}
