#include "Lib/LayoutConstraints/LCViewAdditions.h"
#include "Lib/LayoutConstraints/LCViewConstraint.h"
#include "ViewTree.h"

#include <gtest/gtest.h>

using autolayout::LayoutAttribute;

TEST(LCViewAdditionsEntryPoints, MakeTurnsOffMaskTranslationEvenForAnEmptyBlock)
{
    ViewTree tree;
    ASSERT_TRUE(tree.a->translatesAutoresizingMaskIntoConstraints());
    auto installed = lc_makeConstraints(*tree.a, [](LCConstraintMaker&) {});
    EXPECT_FALSE(tree.a->translatesAutoresizingMaskIntoConstraints());
    EXPECT_TRUE(installed.empty());
}

TEST(LCViewAdditionsEntryPoints, RemakeReplacesThisViewsConstraintsOnly)
{
    ViewTree tree;
    lc_makeConstraints(*tree.a, [](LCConstraintMaker& make) {
        make.left().top().equalTo(0);
        make.width().equalTo(100);
        make.height().equalTo(40);
    });
    lc_makeConstraints(*tree.b, [&](LCConstraintMaker& make) { make.top().equalTo(lc_bottom(*tree.a)).offset(8); });
    ASSERT_EQ(lc_installedConstraints(*tree.a).count(), 4u);

    auto installed = lc_remakeConstraints(*tree.a, [](LCConstraintMaker& make) { make.height().equalTo(60); });
    ASSERT_EQ(installed.size(), 1u);
    EXPECT_EQ(lc_installedConstraints(*tree.a).count(), 1u);
    ASSERT_EQ(tree.a->constraints().size(), 1u);
    EXPECT_EQ(tree.a->constraints()[0]->constant(), 60);
    ASSERT_EQ(tree.root->constraints().size(), 1u) << "b's constraint against a stays";
    EXPECT_EQ(tree.root->constraints()[0]->firstItem(), tree.b.get());
}

TEST(LCViewAdditionsEntryPoints, UpdateChangesTheConstantOfTheMatchingConstraint)
{
    ViewTree tree;
    lc_makeConstraints(*tree.a, [](LCConstraintMaker& make) { make.height().equalTo(40); });
    auto platform = tree.a->constraints().at(0);
    lc_updateConstraints(*tree.a, [](LCConstraintMaker& make) { make.height().equalTo(60); });
    ASSERT_EQ(tree.a->constraints().size(), 1u);
    EXPECT_EQ(tree.a->constraints()[0], platform);
    EXPECT_EQ(platform->constant(), 60);

    lc_updateConstraints(*tree.a, [](LCConstraintMaker& make) { make.height().equalTo(70).priorityHigh(); });
    EXPECT_EQ(tree.a->constraints().size(), 2u) << "another priority is another constraint";
}

TEST(LCViewAdditionsAttributes, GettersNameTheirAttribute)
{
    ViewTree tree;
    auto& v = *tree.a;
    const std::pair<LCViewAttribute, std::int64_t> cases[] = { { lc_left(v), 1 }, { lc_top(v), 3 }, { lc_right(v), 2 },
        { lc_bottom(v), 4 }, { lc_leading(v), 5 }, { lc_trailing(v), 6 }, { lc_width(v), 7 }, { lc_height(v), 8 },
        { lc_centerX(v), 9 }, { lc_centerY(v), 10 }, { lc_baseline(v), 11 }, { lc_firstBaseline(v), 12 },
        { lc_lastBaseline(v), 11 } };
    for (const auto& [attribute, value] : cases) {
        EXPECT_EQ(static_cast<std::int64_t>(attribute.layoutAttribute()), value);
        EXPECT_EQ(attribute.view(), &v);
    }
}

TEST(LCViewAdditionsKeys, KeyIsStoredOnTheView)
{
    ViewTree tree;
    EXPECT_EQ(lc_key(*tree.a), std::nullopt);
    setMas_key(*tree.a, "title");
    EXPECT_EQ(lc_key(*tree.a), "title");
    setMas_key(*tree.a, std::nullopt);
    EXPECT_EQ(lc_key(*tree.a), std::nullopt);
}

TEST(LCViewAdditionsCommonSuperview, WalksBothChains)
{
    ViewTree tree;
    EXPECT_EQ(lc_closestCommonSuperview(*tree.a, tree.b.get()), tree.root.get());
    EXPECT_EQ(lc_closestCommonSuperview(*tree.inner, tree.b.get()), tree.b.get());
    EXPECT_EQ(lc_closestCommonSuperview(*tree.b, tree.inner.get()), tree.b.get());
    EXPECT_EQ(lc_closestCommonSuperview(*tree.a, tree.a.get()), tree.a.get());
    EXPECT_EQ(lc_closestCommonSuperview(*tree.a, nullptr), nullptr);
    ViewTree otherWindow;
    EXPECT_EQ(lc_closestCommonSuperview(*tree.a, otherWindow.a.get()), nullptr);
}
