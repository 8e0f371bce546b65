// The folder detail: its rows from the catalogue, the empty view, the row of a font taken out of
// the folder, and the back button.
#include "Class/Favourites/KXFontManagerDetailView.h"

#include "Class/Favourites/Core/KXCollectionFonts.h"
#include "Class/Favourites/KXFavouritesStyle.h"
#include "Class/Favourites/KXFontGroupAddView.h"
#include "Class/FontList/Core/KXFontRowRoad.h"
#include "Class/FontList/KXFontListModel.h"
#include "Class/FontList/KXFontTableView.h"
#include "Class/FontList/KXHomeListOverlays.h"
#include "Class/FontList/KXPreviewLoads.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "FavouritesTestSupport.h"
#include "Platform/Foundation/Foundation.h"

using foundation::Id;

namespace {

class KXFontManagerDetailViewTest : public favouritestest::FavouritesTest {
protected:
    KXFontManagerDetailView* open(const Id& folder, bool withId = true)
    {
        auto* detail = new KXFontManagerDetailView;
        favouritesstyle::pinOnTop(detail, &host());
        detail->setTabTypeNum(4);
        detail->setDataArray(KXCollectionFonts::records(folder["fonts"]));
        if (withId)
            detail->setGroupID(folder["id"]);
        settle(host());
        return detail;
    }
    // The folder's font leaves it on the server and in the session, as the dialog leaves it.
    static void takeOut(long long font, const std::string& keep)
    {
        run([&](auto s, auto f) { KXHTTPBUSINESS().CollectFontWithFontid(Id(font), Id(keep), s, f); });
        KXUserCenterConfig::sharedKXUserCenterConfig().setGroupsInfo(serverFolders());
    }
};

} // namespace

TEST_F(KXFontManagerDetailViewTest, ShowsTheFoldersFontsInItsOrder)
{
    const Id folder = serverFolders()->objectAtIndex(2);
    auto* detail = open(folder);
    auto* model = detail->listModel();
    ASSERT_EQ(model->rowCount(), static_cast<int>(folder["fonts"].count()));
    for (int row = 0; row < model->rowCount(); ++row)
        EXPECT_EQ(model->recordAt(row)->fontid, folder["fonts"][row].integerValue());
    EXPECT_FALSE(detail->isShowingEmptyView());
    EXPECT_EQ(detail->listTableView()->rowHeight(), 90);
    EXPECT_GT(detail->listTableView()->y(), 0);
}

TEST_F(KXFontManagerDetailViewTest, AFolderWithoutCatalogueFontsShowsTheEmptyView)
{
    auto* detail = open(Id(foundation::Dictionary::create({{Id("id"), Id(1)}, {Id("fonts"), Id(foundation::Array::create({Id(99999999)}))}})));
    EXPECT_TRUE(detail->isShowingEmptyView());
    EXPECT_TRUE(detail->listTableView()->isHidden());
    EXPECT_EQ(detail->groupNoDataView()->geometry(), QRect(0, 205, host().width(), 120));
}

TEST_F(KXFontManagerDetailViewTest, AFontTakenOutOfTheFolderLeavesItsRow)
{
    KXUserCenterConfig::sharedKXUserCenterConfig().setGroupsInfo(serverFolders());
    const Id folder = serverFolders()->objectAtIndex(1);
    const long long kept = folder["fonts"][0].integerValue();
    const long long gone = folder["fonts"][1].integerValue();
    auto* detail = open(folder);
    ASSERT_EQ(detail->listModel()->rowCount(), 2);
    // The favourite button opens the dialog over the page for the row's font, without sign-in.
    detail->collectionBtnClick(detail->listModel()->recordAt(1));
    auto* dialog = qobject_cast<KXFontGroupAddView*>(KXHomeListOverlays::topSubview(detail));
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->fontid()->utf8(), std::to_string(gone));
    EXPECT_EQ(dialog->rowNum(), 1);
    dialog->cancelClick();

    // Rows shift before the report: the font is found by itself, not by the row number.
    detail->dataArray()->exchangeObjectAtIndex(0, 1);
    detail->listModel()->reset();
    takeOut(gone, "");
    detail->refreshowCell(1);
    ASSERT_EQ(detail->listModel()->rowCount(), 1);
    EXPECT_EQ(detail->listModel()->recordAt(0)->fontid, kept);

    detail->collectionBtnClick(detail->listModel()->recordAt(0));
    qobject_cast<KXFontGroupAddView*>(KXHomeListOverlays::topSubview(detail))->cancelClick();
    takeOut(kept, serverFolders()->objectAtIndex(0)["id"].stringValue());
    detail->refreshowCell(0);
    EXPECT_EQ(detail->listModel()->rowCount(), 0);
    EXPECT_TRUE(detail->isShowingEmptyView()) << "the last font gone";
    run([&](auto s, auto f) { KXHTTPBUSINESS().CollectFontWithFontid(Id(kept), folder["id"], s, f); });
    run([&](auto s, auto f) { KXHTTPBUSINESS().CollectFontWithFontid(Id(gone), folder["id"], s, f); });
}

TEST_F(KXFontManagerDetailViewTest, WithoutAFolderIdRowsStay)
{
    KXUserCenterConfig::sharedKXUserCenterConfig().setGroupsInfo(serverFolders());
    const Id folder = serverFolders()->objectAtIndex(2);
    auto* detail = open(folder, false);
    const int rows = detail->listModel()->rowCount();
    detail->collectionBtnClick(detail->listModel()->recordAt(0));
    qobject_cast<KXFontGroupAddView*>(KXHomeListOverlays::topSubview(detail))->cancelClick();
    detail->refreshowCell(0);
    EXPECT_EQ(detail->listModel()->rowCount(), rows) << "the side-bar path shows no folder id: nothing to leave";
}

TEST_F(KXFontManagerDetailViewTest, BackCallsTheReturnBlockThenLeaves)
{
    auto* detail = open(serverFolders()->objectAtIndex(0));
    std::vector<std::pair<QString, bool>> calls;
    detail->setReturnBlock([&](const QString& reason) { calls.emplace_back(reason, detail->parentWidget() != nullptr); });
    detail->backBtnClick();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].first, QStringLiteral("back"));
    EXPECT_TRUE(calls[0].second) << "called before the page goes away";
    EXPECT_EQ(detail->parentWidget(), nullptr);
}

TEST_F(KXFontManagerDetailViewTest, ASignedOutClickRunsTheRoadAnyway)
{
    auto* detail = open(serverFolders()->objectAtIndex(0));
    signOut();
    const auto record = detail->listModel()->recordAt(0);
    detail->cellMouseDown(record);
    EXPECT_EQ(detail->road().selectedRecord(), record) << "no sign-in gate on this page";
    EXPECT_TRUE(record->is_seleted);
}

TEST_F(KXFontManagerDetailViewTest, Screenshots)
{
    const favouritestest::WebImages images;
    KXUserCenterConfig::sharedKXUserCenterConfig().setGroupsInfo(serverFolders());
    auto* detail = open(serverFolders()->objectAtIndex(2));
    // Each palette has its own previews: painted, then loaded, then pictured.
    const auto previews = [this, detail] {
        settle(host());
        detail->listTableView()->viewport()->repaint();
        waitUntil([detail] { return detail->listTableView()->previews().loadsInFlight() == 0; });
    };
    EXPECT_TRUE(favouritestest::saveScreenshots(*detail, QStringLiteral("favourites-folder-detail"), previews));
    auto* empty = open(Id(foundation::Dictionary::create({{Id("id"), Id(1)}, {Id("fonts"), Id(foundation::Array::create())}})));
    EXPECT_TRUE(favouritestest::saveScreenshots(*empty, QStringLiteral("favourites-folder-detail-empty")));
}
