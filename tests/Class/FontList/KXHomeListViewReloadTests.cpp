// The panel's reloads on the sample catalogue with a few first rows: the rest of the list lands
// below the rows shown without moving them, a click meanwhile is answered, and a newer reload
// leaves no row of the older one.
#include "Class/FontList/KXFontListModel.h"
#include "Class/FontList/KXFontTableView.h"
#include "Class/FontList/KXHomeListView.h"
#include "Class/ServiceCore/Catalogue/KXBaseDBManager.h"
#include "Class/ServiceCore/Catalogue/KXSortingData.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "FontListTestSupport.h"
#include "Platform/Dispatch/RunLoop.h"

#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>
#include <cmath>
#include <vector>

using foundation::Id;
using foundation::Ref;

namespace {

constexpr std::size_t kFirstRows = 8;

std::vector<long long> fontids(const foundation::Array* records)
{
    std::vector<long long> ids;
    if (records)
        for (const Id& item : *records)
            ids.push_back(item.as<KXFontBaseModel>()->fontid);
    return ids;
}

class SignInCounter final : public KXHomeListViewDelegate {
public:
    void loginClick() override { logins += 1; }
    int logins = 0;
};

struct ReloadingPanel {
    fontlisttest::ScopedPreviewSource previews;
    std::shared_ptr<SignInCounter> owner = std::make_shared<SignInCounter>();
    KXHomeListView list { QRect(0, 0, 900, 700) };
    ReloadingPanel()
    {
        KXGlobalDataBase::sharedKXGlobalDataBase().setEnLanguage(false);
        list.setDelegate(owner);
        list.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&list));
        fontlisttest::settle(list);
        list.reload().setFirstRows(kFirstRows);
    }
    ~ReloadingPanel() { KXGlobalDataBase::sharedKXGlobalDataBase().setEnLanguage(false); }
    bool restLanded()
    {
        return dispatch::RunLoop::runUntil([&] { return !list.reload().readingRest(); }, 30);
    }
};

std::vector<long long> wholeList()
{
    return fontids(
        KXBaseDBManager::shareDBManager().dataArrayBySqlStr(KXSortingData::defaultOrderStatement()).get());
}

} // namespace

TEST(KXHomeListViewReload, TheRestLandsBelowTheRowsShownAndAClickMeanwhileIsAnswered)
{
    ReloadingPanel panel;
    const auto whole = wholeList();
    ASSERT_GT(whole.size(), 2 * kFirstRows);

    panel.list.setTabTypeNum(KXHomeListView::ModeCloud);
    ASSERT_TRUE(panel.list.reload().readingRest());
    ASSERT_EQ(panel.list.listModel()->rowCount(), static_cast<int>(kFirstRows)) << "the first rows, at once";
    std::vector<Ref<KXFontBaseModel>> shown;
    for (int row = 0; row < static_cast<int>(kFirstRows); ++row)
        shown.push_back(panel.list.listModel()->recordAt(row));

    // The person scrolls a little and clicks a row before the rest is in.
    QScrollBar* bar = panel.list.listTableView()->verticalScrollBar();
    bar->setValue(40);
    const int scrolled = bar->value();
    ASSERT_GT(scrolled, 0);
    panel.list.cellMouseDown(shown[2]);
    EXPECT_EQ(panel.owner->logins, 1) << "signed out: the click asks for the sign-in at once";

    ASSERT_TRUE(panel.restLanded());
    EXPECT_EQ(fontids(panel.list.dataArray().get()), whole) << "every row once, in the list's order";
    EXPECT_EQ(panel.list.listModel()->rowCount(), static_cast<int>(whole.size()));
    for (std::size_t row = 0; row < shown.size(); ++row)
        EXPECT_EQ(panel.list.listModel()->recordAt(static_cast<int>(row)), shown[row])
            << "the records shown stay: " << row;
    EXPECT_EQ(bar->value(), scrolled) << "what is in view stays where it is";
    EXPECT_EQ(panel.list.listModel()->rowOfFontid(whole.back()), static_cast<int>(whole.size()) - 1);
    fontlisttest::settle(panel.list);
    fontlisttest::saveScreenshot(panel.list, "fontlist-reload-rest-landed-day");
    panel.list.themeClick();
    fontlisttest::settle(panel.list);
    fontlisttest::saveScreenshot(panel.list, "fontlist-reload-rest-landed-night");
    panel.list.themeClick();
}

TEST(KXHomeListViewReload, ALanguageChosenWhileTheCloudListReadsShowsThatLanguageOnly)
{
    ReloadingPanel panel;
    panel.list.setTabTypeNum(KXHomeListView::ModeCloud);
    ASSERT_TRUE(panel.list.reload().readingRest());
    panel.list.enBtnClick();
    ASSERT_TRUE(panel.list.reload().readingRest());
    ASSERT_TRUE(panel.restLanded());
    KXBaseDBManager::shareDBManager().waitForBackgroundReads();
    dispatch::RunLoop::drain();
    const auto foreign = wholeList();
    ASSERT_GT(foreign.size(), kFirstRows);
    EXPECT_EQ(fontids(panel.list.dataArray().get()), foreign) << "no row of the Chinese list, none twice";

    // Rows of another tab while a reload reads: its rest never lands on them.
    panel.list.cnBtnClick();
    ASSERT_TRUE(panel.list.reload().readingRest());
    panel.list.setTabTypeNum(KXHomeListView::ModeLocal);
    panel.list.setDataArray(fontlisttest::records(3));
    EXPECT_FALSE(panel.list.reload().readingRest());
    KXBaseDBManager::shareDBManager().waitForBackgroundReads();
    dispatch::RunLoop::drain();
    EXPECT_EQ(panel.list.listModel()->rowCount(), 3);
}

namespace {

// The panel on the cloud tab with its first rows laid out and the rest still on its way (the main
// queue, where it lands, is not run meanwhile).
KXFontTableView* awaitingTheRest(ReloadingPanel& panel)
{
    panel.list.setTabTypeNum(KXHomeListView::ModeCloud);
    KXFontTableView* table = panel.list.listTableView();
    table->doItemsLayout();
    EXPECT_TRUE(panel.list.reload().readingRest());
    EXPECT_EQ(panel.list.listModel()->rowCount(), static_cast<int>(kFirstRows));
    return table;
}

} // namespace

TEST(KXHomeListViewReload, EndWhileTheRestIsOnItsWayReachesTheLastFont)
{
    ReloadingPanel panel;
    const auto whole = wholeList();
    KXFontTableView* table = awaitingTheRest(panel);
    QScrollBar* bar = table->verticalScrollBar();
    QTest::keyClick(table, Qt::Key_End);
    EXPECT_EQ(bar->value(), bar->maximum()) << "at the end of the rows shown meanwhile";

    ASSERT_TRUE(panel.restLanded());
    table->doItemsLayout();
    EXPECT_EQ(panel.list.listModel()->rowCount(), static_cast<int>(whole.size()));
    EXPECT_EQ(bar->value(), bar->maximum()) << "the thumb stays at the end";
    EXPECT_EQ(table->visibleRows().second, static_cast<int>(whole.size()) - 1);

    // Home after End: the person went back up, nothing is carried out later.
    panel.list.cnBtnClick();
    table->doItemsLayout();
    ASSERT_TRUE(panel.list.reload().readingRest());
    QTest::keyClick(table, Qt::Key_End);
    QTest::keyClick(table, Qt::Key_Home);
    ASSERT_TRUE(panel.restLanded());
    table->doItemsLayout();
    EXPECT_EQ(bar->value(), 0);
}

TEST(KXHomeListViewReload, EndRightAfterTheRestLandedReachesTheLastFont)
{
    ReloadingPanel panel;
    const auto whole = wholeList();
    KXFontTableView* table = awaitingTheRest(panel);
    QScrollBar* bar = table->verticalScrollBar();
    // The rest is in the model; Qt has not laid the rows out yet when the key comes.
    ASSERT_TRUE(panel.restLanded());
    QTest::keyClick(table, Qt::Key_End);
    table->doItemsLayout();
    EXPECT_EQ(bar->value(), bar->maximum()) << "not the end of the first rows";
    EXPECT_EQ(table->visibleRows().second, static_cast<int>(whole.size()) - 1);
}

TEST(KXHomeListViewReload, PageDownAndTheThumbDraggedWhileTheRestIsOnItsWayAreCarriedOutOnTheWholeList)
{
    ReloadingPanel panel;
    const auto whole = wholeList();
    KXFontTableView* table = awaitingTheRest(panel);
    QScrollBar* bar = table->verticalScrollBar();
    const int page = bar->pageStep();
    ASSERT_GT(static_cast<int>(whole.size()) * table->rowPitch(), 3 * page) << "the whole list is long enough";

    // Twice a page down from the top, past the rows shown.
    QTest::keyClick(table, Qt::Key_PageDown);
    QTest::keyClick(table, Qt::Key_PageDown);
    ASSERT_TRUE(panel.restLanded());
    table->doItemsLayout();
    EXPECT_EQ(bar->value(), 2 * page);

    // The thumb dragged to the middle of the rows shown is the middle of the whole list.
    panel.list.cnBtnClick();
    table->doItemsLayout();
    ASSERT_TRUE(panel.list.reload().readingRest());
    const int shownMaximum = bar->maximum();
    bar->setSliderDown(true);
    bar->setSliderPosition(shownMaximum / 2);
    bar->setSliderDown(false);
    const double share = static_cast<double>(shownMaximum / 2) / shownMaximum;
    ASSERT_TRUE(panel.restLanded());
    table->doItemsLayout();
    ASSERT_GT(bar->maximum(), shownMaximum);
    EXPECT_EQ(bar->value(), static_cast<int>(std::lround(share * bar->maximum())));
}

TEST(KXHomeListViewReload, ALongListShowsItsFirstRowsAtOnceAndTheOthersOnTheNextTurn)
{
    ReloadingPanel panel;
    // The installed fonts' rows, more than the table is told of at once.
    const int count = static_cast<int>(KXListReload::kFirstRows) * 3;
    const auto rows = fontlisttest::records(count);
    panel.list.setTabTypeNum(KXHomeListView::ModeLocal);
    panel.list.setDataArray(rows);
    EXPECT_EQ(panel.list.dataArray(), rows) << "kept, not copied";
    EXPECT_EQ(panel.list.listModel()->rowCount(), static_cast<int>(KXListReload::kFirstRows));
    const auto first = panel.list.listModel()->recordAt(0);

    // End before the others are in: carried out on the whole list.
    KXFontTableView* table = panel.list.listTableView();
    table->doItemsLayout();
    QTest::keyClick(table, Qt::Key_End);
    ASSERT_TRUE(dispatch::RunLoop::runUntil([&] { return panel.list.listModel()->rowCount() == count; }, 10));
    table->doItemsLayout();
    EXPECT_EQ(panel.list.listModel()->recordAt(0), first);
    EXPECT_EQ(table->verticalScrollBar()->value(), table->verticalScrollBar()->maximum());
    EXPECT_EQ(table->visibleRows().second, count - 1);

    // Rows set again before the turn came: only the newest show, each once.
    panel.list.setDataArray(fontlisttest::records(count));
    const auto newest = fontlisttest::records(count + 1);
    panel.list.setDataArray(newest);
    dispatch::RunLoop::drain();
    EXPECT_EQ(panel.list.listModel()->rowCount(), count + 1);
    EXPECT_EQ(panel.list.listModel()->records(), newest);
}
