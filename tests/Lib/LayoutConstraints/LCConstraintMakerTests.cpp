#include "Lib/LayoutConstraints/LCCompositeConstraint.h"
#include "Lib/LayoutConstraints/LCConstraintMaker.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"
#include "Lib/LayoutConstraints/LCViewConstraint.h"
#include "ViewTree.h"

#include <gtest/gtest.h>

using autolayout::LayoutAttribute;

namespace {

std::vector<LayoutAttribute> childAttributes(const LCConstraint& constraint)
{
    std::vector<LayoutAttribute> attributes;
    auto composite = dynamic_cast<const LCCompositeConstraint*>(&constraint);
    for (const auto& child : composite ? composite->childConstraints() : std::vector<std::shared_ptr<LCConstraint>> {})
        attributes.push_back(std::dynamic_pointer_cast<LCViewConstraint>(child)->firstViewAttribute().layoutAttribute());
    return attributes;
}

} // namespace

TEST(LCConstraintMakerChains, TwoAttributesInARowBecomeOneCompositeOfTwo)
{
    ViewTree tree;
    auto maker = LCConstraintMaker::create(*tree.a);
    maker->left().right().equalTo(0);
    ASSERT_EQ(maker->constraints().size(), 1u);
    EXPECT_EQ(childAttributes(*maker->constraints()[0]), (std::vector { LayoutAttribute::Left, LayoutAttribute::Right }));
    auto installed = maker->install();
    EXPECT_TRUE(maker->constraints().empty());
    ASSERT_EQ(installed.size(), 1u);
    ASSERT_EQ(tree.root->constraints().size(), 2u);
    for (const auto& platform : tree.root->constraints()) {
        EXPECT_EQ(platform->firstItem(), tree.a.get());
        EXPECT_EQ(platform->secondItem(), tree.root.get());
        EXPECT_EQ(platform->secondAttribute(), platform->firstAttribute());
        EXPECT_EQ(platform->constant(), 0);
    }
}

TEST(LCConstraintMakerChains, ThreeAttributesWidenTheSameComposite)
{
    ViewTree tree;
    auto maker = LCConstraintMaker::create(*tree.a);
    maker->top().and_().left().with().width().equalTo(tree.b);
    ASSERT_EQ(maker->constraints().size(), 1u);
    EXPECT_EQ(childAttributes(*maker->constraints()[0]),
        (std::vector { LayoutAttribute::Top, LayoutAttribute::Left, LayoutAttribute::Width }));
}

TEST(LCConstraintMakerMasks, EdgesSizeCenterAndBaselines)
{
    ViewTree tree;
    auto maker = LCConstraintMaker::create(*tree.a);
    EXPECT_EQ(childAttributes(maker->edges()), (std::vector { LayoutAttribute::Left, LayoutAttribute::Right,
                                                   LayoutAttribute::Top, LayoutAttribute::Bottom }));
    EXPECT_EQ(childAttributes(maker->attributes(LCAttributeBaseline)),
        (std::vector { LayoutAttribute::LastBaseline, LayoutAttribute::LastBaseline }));
    EXPECT_TRUE(childAttributes(maker->attributes(1)).empty()) << "bit 0 names no attribute";
    EXPECT_EQ(maker->constraints().size(), 3u);
}

TEST(LCConstraintMakerMasks, SizeEqualToABoxedSize)
{
    ViewTree tree;
    auto installed = lc_makeConstraints(*tree.a, [](LCConstraintMaker& make) {
        make.size().equalTo(LCBoxedValue(LCSize { 200, 100 }));
    });
    ASSERT_EQ(tree.a->constraints().size(), 2u);
    EXPECT_EQ(tree.a->constraints()[0]->firstAttribute(), LayoutAttribute::Width);
    EXPECT_EQ(tree.a->constraints()[0]->constant(), 200);
    EXPECT_EQ(tree.a->constraints()[1]->constant(), 100);
    EXPECT_EQ(tree.a->constraints()[1]->secondItem(), nullptr);
}

TEST(LCConstraintMakerMasks, CenterWithCenterOffset)
{
    ViewTree tree;
    lc_makeConstraints(*tree.a, [&](LCConstraintMaker& make) { make.center().equalTo(tree.b).centerOffset(LCPoint { 5, -3 }); });
    ASSERT_EQ(tree.root->constraints().size(), 2u);
    EXPECT_EQ(tree.root->constraints()[0]->firstAttribute(), LayoutAttribute::CenterX);
    EXPECT_EQ(tree.root->constraints()[0]->constant(), 5);
    EXPECT_EQ(tree.root->constraints()[1]->constant(), -3);
    EXPECT_EQ(tree.root->constraints()[1]->secondItem(), tree.b.get());
}

TEST(LCCompositeConstraintKeys, ChildrenAreKeyedByPosition)
{
    ViewTree tree;
    auto maker = LCConstraintMaker::create(*tree.a);
    auto& composite = dynamic_cast<LCCompositeConstraint&>(maker->left().right().key("k"));
    EXPECT_EQ(composite.lc_key(), "k");
    auto first = std::dynamic_pointer_cast<LCViewConstraint>(composite.childConstraints()[0]);
    auto second = std::dynamic_pointer_cast<LCViewConstraint>(composite.childConstraints()[1]);
    EXPECT_EQ(first->lc_key(), "k[0]");
    EXPECT_EQ(second->lc_key(), "k[1]");
    composite.equalTo(5);
    maker->install();
    auto platform = second->layoutConstraint();
    ASSERT_NE(platform, nullptr);
    setMas_key(*tree.a, "a");
    setMas_key(*tree.root, "root");
    EXPECT_EQ(platform->description(), "<LCLayoutConstraint:k[1] A:a.right == Root:root.right + 5>");
}

TEST(LCCompositeConstraintSteps, ApplyToEveryChild)
{
    ViewTree tree;
    auto maker = LCConstraintMaker::create(*tree.a);
    maker->width().height().equalTo(tree.b).multipliedBy(0.5).priority(300).offset(4);
    maker->install();
    ASSERT_EQ(tree.root->constraints().size(), 2u);
    for (const auto& platform : tree.root->constraints()) {
        EXPECT_EQ(platform->multiplier(), 0.5);
        EXPECT_EQ(platform->priority(), 300.0f);
        EXPECT_EQ(platform->constant(), 4);
    }
}

TEST(LCConstraintMakerGroups, GroupCollectsWhatTheBlockStated)
{
    ViewTree tree;
    auto maker = LCConstraintMaker::create(*tree.a);
    maker->top().equalTo(1);
    auto grouped = maker->group([&] {
        maker->left().equalTo(2);
        maker->width().equalTo(3);
    });
    EXPECT_EQ(childAttributes(*grouped), (std::vector { LayoutAttribute::Left, LayoutAttribute::Width }));
    EXPECT_EQ(maker->constraints().size(), 3u) << "grouped constraints stay in the list";
    grouped->offset(9);
    auto installed = maker->install();
    EXPECT_EQ(tree.a->constraints().at(0)->constant(), 9);
}

TEST(LCConstraintMakerInstall, RemoveExistingUninstallsOnlyThisViewsConstraints)
{
    ViewTree tree;
    lc_makeConstraints(*tree.b, [&](LCConstraintMaker& make) { make.left().equalTo(tree.a); });
    lc_makeConstraints(*tree.a, [](LCConstraintMaker& make) { make.top().left().equalTo(0); });
    auto maker = LCConstraintMaker::create(*tree.a);
    maker->setRemoveExisting(true);
    maker->width().equalTo(10);
    auto installed = maker->install();
    EXPECT_EQ(installed.size(), 1u);
    EXPECT_EQ(lc_installedConstraints(*tree.a).count(), 1u);
    EXPECT_EQ(lc_installedConstraints(*tree.b).count(), 1u);
    ASSERT_EQ(tree.root->constraints().size(), 1u);
    EXPECT_EQ(tree.root->constraints()[0]->firstItem(), tree.b.get());
}
