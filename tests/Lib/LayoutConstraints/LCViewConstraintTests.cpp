#include "Lib/LayoutConstraints/LCCompositeConstraint.h"
#include "Lib/LayoutConstraints/LCLog.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"
#include "Lib/LayoutConstraints/LCViewConstraint.h"
#include "ViewTree.h"

#include <gtest/gtest.h>

using autolayout::LayoutAttribute;
using autolayout::LayoutRelation;

namespace {

std::shared_ptr<LCViewConstraint> viewConstraint(autolayout::View& view, LayoutAttribute attribute)
{
    return std::make_shared<LCViewConstraint>(LCViewAttribute(&view, attribute));
}

} // namespace

TEST(LCViewConstraintInstall, ConstantWidthInstallsOnTheViewWithoutSecondItem)
{
    ViewTree tree;
    auto c = viewConstraint(*tree.a, LayoutAttribute::Width);
    c->equalTo(40);
    c->install();
    auto platform = c->layoutConstraint();
    ASSERT_NE(platform, nullptr);
    EXPECT_EQ(c->installedView(), tree.a.get());
    EXPECT_EQ(platform->view(), tree.a.get());
    EXPECT_EQ(platform->secondItem(), nullptr);
    EXPECT_EQ(platform->secondAttribute(), LayoutAttribute::NotAnAttribute);
    EXPECT_EQ(platform->constant(), 40);
    EXPECT_TRUE(lc_installedConstraints(*tree.a).contains(c.get()));
}

TEST(LCViewConstraintInstall, ConstantLeftIsMeasuredFromTheSuperviewsLeft)
{
    ViewTree tree;
    auto c = viewConstraint(*tree.a, LayoutAttribute::Left);
    c->equalTo(0);
    c->install();
    auto platform = c->layoutConstraint();
    ASSERT_NE(platform, nullptr);
    EXPECT_EQ(platform->view(), tree.root.get());
    EXPECT_EQ(platform->secondItem(), tree.root.get());
    EXPECT_EQ(platform->secondAttribute(), LayoutAttribute::Left);
    EXPECT_EQ(platform->constant(), 0);
}

TEST(LCViewConstraintInstall, RelationToAViewOrItsAttributeInstallsOnTheCommonAncestor)
{
    ViewTree tree;
    auto same = viewConstraint(*tree.inner, LayoutAttribute::Left);
    same->equalTo(tree.a);
    same->install();
    EXPECT_EQ(same->layoutConstraint()->secondAttribute(), LayoutAttribute::Left);
    EXPECT_EQ(same->installedView(), tree.root.get());

    auto other = viewConstraint(*tree.inner, LayoutAttribute::Left);
    other->equalTo(lc_right(*tree.a)).offset(10);
    other->install();
    EXPECT_EQ(other->layoutConstraint()->secondAttribute(), LayoutAttribute::Right);
    EXPECT_EQ(other->layoutConstraint()->constant(), 10);

    auto unnamed = viewConstraint(*tree.a, LayoutAttribute::Top);
    unnamed->equalTo(lc_attribute(*tree.b, LayoutAttribute::NotAnAttribute));
    EXPECT_EQ(unnamed->secondViewAttribute()->layoutAttribute(), LayoutAttribute::Top);
}

TEST(LCViewConstraintInstall, InstallingTwiceChangesNothing)
{
    ViewTree tree;
    auto c = viewConstraint(*tree.a, LayoutAttribute::Height);
    c->equalTo(20);
    c->install();
    c->install();
    EXPECT_EQ(tree.a->constraints().size(), 1u);
    EXPECT_EQ(lc_installedConstraints(*tree.a).count(), 1u);
}

TEST(LCViewConstraintInstall, ViewsWithoutCommonSuperviewAreSkippedAndLogged)
{
    ViewTree tree;
    auto stranger = autolayout::BasicView::create("Stranger");
    std::vector<std::string> lines;
    auto previous = LCSetLogHandler([&](const std::string& line) { lines.push_back(line); });
    auto c = viewConstraint(*tree.a, LayoutAttribute::Left);
    c->equalTo(stranger);
    c->install();
    LCSetLogHandler(previous);
    EXPECT_EQ(c->layoutConstraint(), nullptr);
    EXPECT_FALSE(c->hasBeenInstalled());
    EXPECT_EQ(lc_installedConstraints(*tree.a).count(), 0u);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind("LCViewConstraint: no common superview, constraint not installed: <LCLayoutConstraint:", 0), 0u)
        << lines[0];
}

TEST(LCViewConstraintUpdate, SameShapeOnlyChangesTheConstant)
{
    ViewTree tree;
    auto first = viewConstraint(*tree.a, LayoutAttribute::Left);
    first->equalTo(tree.b).offset(5);
    first->install();
    auto platform = first->layoutConstraint();

    auto again = viewConstraint(*tree.a, LayoutAttribute::Left);
    again->equalTo(tree.b).offset(12);
    again->setUpdateExisting(true);
    again->install();
    EXPECT_EQ(again->layoutConstraint(), platform);
    EXPECT_EQ(platform->constant(), 12);
    EXPECT_EQ(tree.root->constraints().size(), 1u);
    EXPECT_FALSE(lc_installedConstraints(*tree.a).contains(again.get())) << "the adopted one stays outside the set";

    auto otherMultiplier = viewConstraint(*tree.a, LayoutAttribute::Left);
    otherMultiplier->equalTo(tree.b).multipliedBy(2);
    otherMultiplier->setUpdateExisting(true);
    otherMultiplier->install();
    auto otherPriority = viewConstraint(*tree.a, LayoutAttribute::Left);
    otherPriority->equalTo(tree.b).priorityHigh();
    otherPriority->setUpdateExisting(true);
    otherPriority->install();
    EXPECT_EQ(tree.root->constraints().size(), 3u);
}

TEST(LCViewConstraintUninstall, DeactivatesAndReactivatesWhileThePlatformConstraintLives)
{
    ViewTree tree;
    auto c = viewConstraint(*tree.a, LayoutAttribute::Width);
    c->equalTo(30);
    c->install();
    auto platform = c->layoutConstraint(); // held here, so it outlives its deactivation
    c->uninstall();
    EXPECT_FALSE(platform->isActive());
    EXPECT_TRUE(tree.a->constraints().empty());
    EXPECT_EQ(c->layoutConstraint(), platform);
    EXPECT_FALSE(c->hasBeenInstalled());
    EXPECT_EQ(lc_installedConstraints(*tree.a).count(), 0u);

    c->activate();
    EXPECT_TRUE(platform->isActive());
    EXPECT_EQ(tree.a->constraints().size(), 1u);
    EXPECT_TRUE(lc_installedConstraints(*tree.a).contains(c.get()));
}

TEST(LCViewConstraintUninstall, WithoutOtherOwnerTheNextInstallMakesANewPlatformConstraint)
{
    ViewTree tree;
    auto c = viewConstraint(*tree.a, LayoutAttribute::Width);
    c->equalTo(30);
    c->install();
    c->deactivate();
    EXPECT_EQ(c->layoutConstraint(), nullptr);
    c->install();
    ASSERT_NE(c->layoutConstraint(), nullptr);
    EXPECT_EQ(tree.a->constraints().size(), 1u);
    EXPECT_TRUE(c->hasBeenInstalled());
}

TEST(LCViewConstraintValues, OffsetsApplyOnlyToTheirAttributes)
{
    ViewTree tree;
    auto bottom = viewConstraint(*tree.a, LayoutAttribute::Bottom);
    bottom->insets(LCEdgeInsets { 8, 8, 8, 8 });
    EXPECT_EQ(bottom->layoutConstant(), -8);
    auto top = viewConstraint(*tree.a, LayoutAttribute::Top);
    top->insets(LCEdgeInsets { 8, 1, 2, 3 });
    EXPECT_EQ(top->layoutConstant(), 8);
    auto trailing = viewConstraint(*tree.a, LayoutAttribute::Trailing);
    trailing->inset(6);
    EXPECT_EQ(trailing->layoutConstant(), -6);
    auto width = viewConstraint(*tree.a, LayoutAttribute::Width);
    width->insets(LCEdgeInsets { 8, 8, 8, 8 }).centerOffset(LCPoint { 3, 4 });
    EXPECT_EQ(width->layoutConstant(), 0);
    width->sizeOffset(LCSize { 200, 100 });
    EXPECT_EQ(width->layoutConstant(), 200);
    auto centerY = viewConstraint(*tree.a, LayoutAttribute::CenterY);
    centerY->valueOffset(LCBoxedValue(LCPoint { 5, -3 }));
    EXPECT_EQ(centerY->layoutConstant(), -3);
    centerY->valueOffset(LCValue(tree.b));
    EXPECT_EQ(centerY->layoutConstant(), -3) << "a value of another kind is ignored";
}

TEST(LCViewConstraintValues, MultiplierAndPriorities)
{
    ViewTree tree;
    auto c = viewConstraint(*tree.a, LayoutAttribute::Width);
    c->dividedBy(2);
    EXPECT_EQ(c->layoutMultiplier(), 0.5);
    c->priorityMedium();
    EXPECT_EQ(c->layoutPriority(), 501.0f);
    c->priorityLow();
    EXPECT_EQ(c->layoutPriority(), 250.0f);
    c->priority(999);
    EXPECT_EQ(c->layoutPriority(), 999.0f);
}

TEST(LCViewConstraintValues, ChangingTheOffsetOfAnInstalledConstraintUpdatesItAtOnce)
{
    ViewTree tree;
    auto c = viewConstraint(*tree.a, LayoutAttribute::Height);
    c->equalTo(40);
    c->install();
    c->offset(60);
    EXPECT_EQ(c->layoutConstraint()->constant(), 60);
    c->animator().offset(70);
    EXPECT_TRUE(c->useAnimator());
    EXPECT_EQ(c->layoutConstraint()->constant(), 70);
}

TEST(LCViewConstraintRelations, ArrayOfViewsBecomesACompositeInTheOwnersPlace)
{
    ViewTree tree;
    auto maker = LCConstraintMaker::create(*tree.a);
    LCConstraint& started = maker->left();
    LCConstraint& result = started.offset(3).equalTo(LCValue::Array { LCValue(tree.b), LCValue(tree.inner) });
    ASSERT_EQ(maker->constraints().size(), 1u);
    auto composite = std::dynamic_pointer_cast<LCCompositeConstraint>(maker->constraints()[0]);
    ASSERT_NE(composite, nullptr);
    EXPECT_EQ(&result, composite.get());
    ASSERT_EQ(composite->childConstraints().size(), 2u);
    auto second = std::dynamic_pointer_cast<LCViewConstraint>(composite->childConstraints()[1]);
    EXPECT_EQ(second->secondViewAttribute()->view(), tree.inner.get());
    EXPECT_EQ(second->layoutConstant(), 3) << "copies keep the constant";
    EXPECT_EQ(second->lc_key(), std::nullopt);
}

TEST(LCViewConstraintRelations, RepeatedRelationOverwrites)
{
    ViewTree tree;
    auto c = viewConstraint(*tree.a, LayoutAttribute::Left);
    c->equalTo(tree.b).greaterThanOrEqualTo(7);
    EXPECT_EQ(c->layoutRelation(), LayoutRelation::GreaterThanOrEqual);
    EXPECT_EQ(c->layoutConstant(), 7);
    EXPECT_EQ(c->secondViewAttribute()->view(), tree.b.get()) << "a value sets only the constant";
    c->lessThanOrEqualTo(LCValue());
    EXPECT_EQ(c->layoutRelation(), LayoutRelation::LessThanOrEqual);
    EXPECT_TRUE(c->hasLayoutRelation());
}

TEST(LCConstraintAbstract, PrimitivesRaiseWithTheOperationsName)
{
    auto abstract = std::make_shared<LCConstraint>();
    try {
        abstract->offset(3);
        FAIL() << "expected an exception";
    } catch (const LCInternalInconsistencyException& error) {
        EXPECT_STREQ(error.what(), "You must override setOffset: in a subclass.");
        EXPECT_STREQ(LCInternalInconsistencyException::name(), "NSInternalInconsistencyException");
    }
    EXPECT_THROW(abstract->multipliedBy(2), LCInternalInconsistencyException);
    EXPECT_THROW(abstract->left(), LCInternalInconsistencyException);
    EXPECT_EQ(&abstract->with().and_(), abstract.get());
}
