#include "Class/Store/Core/KXCartSelection.h"

#include <gtest/gtest.h>

namespace {

// A cart of three opens with every row ticked, as the panel does on a reply.
KXCartSelection openedCart()
{
    KXCartSelection cart;
    cart.setRows({ 101, 102, 103 });
    cart.setAllSelected(true);
    return cart;
}

TEST(KXCartSelectionTicks, ACartOfThreeOpensAllTicked)
{
    const KXCartSelection cart = openedCart();
    EXPECT_EQ(cart.selectedArray(), (std::vector<int> { 101, 102, 103 }));
    EXPECT_TRUE(cart.isAllSelected());
    EXPECT_EQ(cart.countText(), "已选3款");
    EXPECT_EQ(cart.selectedIDs(), "101,102,103");
}

TEST(KXCartSelectionTicks, UntickAndRetickSwitchSelectAllOffAndOn)
{
    KXCartSelection cart = openedCart();
    cart.tick(102, false);
    EXPECT_FALSE(cart.isAllSelected());
    EXPECT_FALSE(cart.isTicked(102));
    EXPECT_EQ(cart.countText(), "已选2款");
    cart.tick(102, true);
    EXPECT_TRUE(cart.isAllSelected());
    // Tick order, not row order.
    EXPECT_EQ(cart.selectedArray(), (std::vector<int> { 101, 103, 102 }));
}

TEST(KXCartSelectionTicks, SelectAllOffUnticksEveryRow)
{
    KXCartSelection cart = openedCart();
    EXPECT_TRUE(cart.setAllSelected(false));
    EXPECT_TRUE(cart.selectedArray().empty());
    EXPECT_EQ(cart.countText(), "已选0款");
    for (int id : cart.rows())
        EXPECT_FALSE(cart.isTicked(id));
    cart.tick(103, true);
    EXPECT_FALSE(cart.isAllSelected());
    EXPECT_TRUE(cart.setAllSelected(true));
    EXPECT_EQ(cart.selectedArray(), (std::vector<int> { 101, 102, 103 }));
}

TEST(KXCartSelectionTicks, WithoutRowsSelectAllDoesNothing)
{
    KXCartSelection cart;
    EXPECT_FALSE(cart.setAllSelected(true));
    EXPECT_FALSE(cart.isAllSelected());
    EXPECT_TRUE(cart.selectedArray().empty());
}

TEST(KXCartSelectionTicks, RemovalClearsTheTicks)
{
    KXCartSelection cart = openedCart();
    cart.clear();
    EXPECT_TRUE(cart.selectedArray().empty());
    EXPECT_EQ(cart.countText(), "已选0款");
    EXPECT_EQ(cart.selectedIDs(), "");
    EXPECT_FALSE(cart.isAllSelected()) << "the select-all box agrees with no tick at all";
}

TEST(KXCartSelectionTicks, VanishedFontsAreUnticked)
{
    KXCartSelection cart = openedCart();
    EXPECT_EQ(cart.untickMissing({ 101, 103 }), 1u);
    EXPECT_EQ(cart.selectedArray(), (std::vector<int> { 101, 103 }));
    EXPECT_FALSE(cart.isAllSelected());
    EXPECT_EQ(cart.countText(), "已选2款");
    EXPECT_EQ(cart.untickMissing({ 101, 103 }), 0u);
    EXPECT_EQ(cart.untickMissing({}), 2u);
    EXPECT_TRUE(cart.selectedArray().empty());
}

TEST(KXCartSelectionManage, TitlesCarryTheModeAndTicksStay)
{
    KXCartSelection cart = openedCart();
    EXPECT_EQ(cart.buyTitle(), "购买");
    EXPECT_EQ(cart.manageTitle(), "管理");
    cart.toggleManaging();
    EXPECT_EQ(cart.buyTitle(), "删除");
    EXPECT_EQ(cart.manageTitle(), "完成");
    EXPECT_EQ(cart.selectedArray().size(), 3u);
    cart.toggleManaging();
    EXPECT_EQ(cart.buyTitle(), "购买");
    EXPECT_EQ(cart.manageTitle(), "管理");
    EXPECT_EQ(cart.selectedArray().size(), 3u);
}

} // namespace

namespace {

TEST(KXCartSelectionFollowRows, RowsStillThereKeepTheirTicksAndNewOnesComeTicked)
{
    KXCartSelection selection;
    selection.setRows({ 1, 2, 3 });
    selection.setAllSelected(true);
    selection.tick(2, false);
    selection.followRows({ 3, 1, 4 });
    EXPECT_EQ(selection.selectedArray(), (std::vector<int> { 1, 3, 4 }));
    EXPECT_TRUE(selection.isAllSelected());
    selection.tick(1, false);
    selection.followRows({ 3, 1 });
    EXPECT_EQ(selection.selectedArray(), std::vector<int> { 3 });
    EXPECT_FALSE(selection.isAllSelected());
    selection.followRows({});
    EXPECT_TRUE(selection.selectedArray().empty());
    EXPECT_FALSE(selection.isAllSelected());
}

} // namespace
