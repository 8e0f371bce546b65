// The panel's toolbar actions, filters and row buttons offscreen, with stand-ins registered for
// the overlays of other areas as those areas register theirs.
#include "Class/FontList/KXCustomSliderPopoverController.h"
#include "Class/FontList/KXFontListModel.h"
#include "Class/FontList/KXFontTableView.h"
#include "Class/FontList/KXHomeEditStrView.h"
#include "Class/FontList/KXHomeListOverlays.h"
#include "Class/FontList/KXHomeListView.h"
#include "Class/ServiceCore/Catalogue/KXBaseDBManager.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/Theme/KXThemeManager.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Class/UIKit/KXImage.h"
#include "Class/UIKit/KXQtColor.h"
#include "FontListTestSupport.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Foundation/Foundation.h"
#include "Platform/Storage/UserDefaults.h"

#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

using foundation::Id;
using Kind = KXHomeListOverlays::Kind;

namespace {

class SearchStandIn : public QWidget {
    Q_OBJECT
public:
    QRect frame;
    std::weak_ptr<KXHomeSearchViewDelegate> delegate;
};

class HomeFilterStandIn : public QWidget {
    Q_OBJECT
public:
    QRect frame;
    foundation::Ref<foundation::MutableArray> categories;
    std::weak_ptr<KXHomeFilterViewDelegate> delegate;
};

class FilterStandIn : public QWidget {
    Q_OBJECT
public:
    std::vector<long long> pages;
    foundation::Ref<foundation::MutableArray> categories;
    std::weak_ptr<KXFilterViewDelegate> delegate;
    QWidget* opener = nullptr;
};

class GroupAddStandIn : public QWidget {
    Q_OBJECT
public:
    std::string fontid;
    long row = -1;
    std::weak_ptr<KXFontGroupAddViewDelegate> delegate;
};

template <class StandIn> KXHomeListOverlays::IsKind isA()
{
    return [](const QObject* widget) { return qobject_cast<const StandIn*>(widget) != nullptr; };
}

// Registers every stand-in for the test's lifetime.
struct StandIns {
    StandIns()
    {
        KXHomeListOverlays::registerOverlay(KXHomeListOverlays::SearchView {
            isA<SearchStandIn>(), [](const QRect& frame, std::weak_ptr<KXHomeSearchViewDelegate> delegate) {
                auto* view = new SearchStandIn;
                view->frame = frame;
                view->delegate = std::move(delegate);
                return view;
            } });
        KXHomeListOverlays::registerOverlay(KXHomeListOverlays::HomeFilterView { isA<HomeFilterStandIn>(),
            [](const QRect& frame, const auto& categories, std::weak_ptr<KXHomeFilterViewDelegate> delegate) {
                auto* view = new HomeFilterStandIn;
                view->frame = frame;
                view->categories = categories;
                view->delegate = std::move(delegate);
                return view;
            } });
        KXHomeListOverlays::registerOverlay(
            KXHomeListOverlays::FilterView { isA<FilterStandIn>(), [] { return new FilterStandIn; },
                [](QWidget* view, const auto& categories, std::weak_ptr<KXFilterViewDelegate> delegate,
                    long long page, QWidget* opener) {
                    auto* filter = qobject_cast<FilterStandIn*>(view);
                    filter->pages.push_back(page);
                    filter->opener = opener;
                    filter->categories = categories;
                    filter->delegate = std::move(delegate);
                } });
        KXHomeListOverlays::registerOverlay(KXHomeListOverlays::FontGroupAddView { isA<GroupAddStandIn>(),
            [](const auto& fontid, long row, std::weak_ptr<KXFontGroupAddViewDelegate> delegate) {
                auto* view = new GroupAddStandIn;
                view->fontid = fontid->utf8();
                view->row = row;
                view->delegate = std::move(delegate);
                return view;
            } });
    }
    ~StandIns()
    {
        for (const Kind kind :
            { Kind::HomeSearchView, Kind::HomeFilterView, Kind::FilterView, Kind::FontGroupAddView })
            KXHomeListOverlays::unregisterOverlay(kind);
    }
};

// The hub's side: it answers the list's request for the cloud tab by switching to it.
class Hub final : public KXHomeListViewDelegate {
public:
    explicit Hub(KXHomeListView& list)
        : list_(list)
    {
    }
    void backToCloudBtn() override
    {
        backToCloud += 1;
        list_.setTabTypeNum(KXHomeListView::ModeCloud);
    }
    void loginClick() override { logins += 1; }
    void refreshCollection(long long mode) override { refreshed.push_back(mode); }

    int backToCloud = 0;
    int logins = 0;
    std::vector<long long> refreshed;

private:
    KXHomeListView& list_;
};

struct Panel {
    StandIns standIns;
    fontlisttest::ScopedPreviewSource previews;
    KXHomeListView list { QRect(0, 0, 900, 700) };
    std::shared_ptr<Hub> hub = std::make_shared<Hub>(list);
    Panel()
    {
        list.setDelegate(hub);
        auto categories = foundation::MutableArray::create();
        categories->addObject(Id("categories"));
        list.setFilterDataArray(categories);
        list.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&list));
        fontlisttest::settle(list);
    }
    ~Panel()
    {
        KXGlobalDataBase::sharedKXGlobalDataBase().setEnLanguage(false);
        foundation::UserDefaults::standardUserDefaults().removeObjectForKey("token");
        KXUserCenterConfig::sharedKXUserCenterConfig().setGroupsInfo(nullptr);
    }
    QWidget* top() const { return KXHomeListOverlays::topSubview(&list); }
    // Leaves the cloud tab for the local one with a few rows.
    void onLocalTab()
    {
        list.setTabTypeNum(KXHomeListView::ModeLocal);
        list.setDataArray(fontlisttest::records(4));
    }
    std::vector<int> fontids() const
    {
        std::vector<int> ids;
        for (int row = 0; row < list.listModel()->rowCount(); ++row)
            ids.push_back(list.listModel()->recordAt(row)->fontid);
        return ids;
    }
};

void signIn()
{
    foundation::UserDefaults::standardUserDefaults().setObject(Id("token-of-a-test"), "token");
}

} // namespace

TEST(KXHomeListViewActions, TheDropDownPagesOpenUnderTheToolbarAndAllButAdvancedLeaveOtherTabs)
{
    Panel panel;
    const std::vector<std::tuple<void (KXHomeListView::*)(), long long, QWidget*>> pages
        = { { &KXHomeListView::fontStyleBtnClick, 1, panel.list.fontStyleBtn() },
              { &KXHomeListView::fontWeightBtnClick, 2, panel.list.fontWeightBtn() },
              { &KXHomeListView::fontTypeBtnClick, 3, panel.list.fontTypeBtn() } };
    for (const auto& [action, page, button] : pages) {
        panel.onLocalTab();
        const int before = panel.hub->backToCloud;
        (panel.list.*action)();
        EXPECT_EQ(panel.hub->backToCloud, before + 1) << "page " << page;
        EXPECT_EQ(panel.list.tabTypeNum(), KXHomeListView::ModeCloud);
        auto* filter = qobject_cast<FilterStandIn*>(panel.top());
        ASSERT_TRUE(filter) << "page " << page;
        EXPECT_EQ(filter->pages, std::vector<long long> { page }) << "a new drop-down each time";
        EXPECT_EQ(filter->categories, panel.list.filterDataArray());
        EXPECT_TRUE(filter->delegate.lock());
        EXPECT_EQ(filter->opener, button) << "page " << page << " opens beside its button";
        fontlisttest::settle(panel.list);
        EXPECT_EQ(filter->geometry(), QRect(0, 81, 900, 700 - 81)) << "the whole list from 81 down";
    }
    EXPECT_EQ(panel.list.findChildren<FilterStandIn*>(Qt::FindDirectChildrenOnly).size(), 1)
        << "the one on top was replaced";

    panel.onLocalTab();
    const int before = panel.hub->backToCloud;
    panel.list.advancedBtnClick();
    EXPECT_EQ(panel.hub->backToCloud, before) << "the advanced page stays on the tab";
    EXPECT_EQ(panel.list.tabTypeNum(), KXHomeListView::ModeLocal);
    auto* advanced = qobject_cast<FilterStandIn*>(panel.top());
    ASSERT_TRUE(advanced);
    EXPECT_EQ(advanced->pages, std::vector<long long> { 4 });
    EXPECT_EQ(advanced->opener, panel.list.advancedBtn());

    // The filter's choice comes back through its delegate.
    const auto tags = foundation::Dictionary::create(
        { { Id("大类型标签"), Id(foundation::Array::create({ Id("m5") })) } });
    advanced->delegate.lock()->filterViewTagsClick(tags);
    EXPECT_EQ(panel.list.tabTypeNum(), KXHomeListView::ModeCloud)
        << "a filter applies to the cloud catalogue";
}

TEST(KXHomeListViewActions, SearchSideFilterAndEditorCoverTheList)
{
    Panel panel;
    panel.onLocalTab();
    panel.list.searchingClick();
    EXPECT_EQ(panel.hub->backToCloud, 1);
    auto* search = qobject_cast<SearchStandIn*>(panel.top());
    ASSERT_TRUE(search);
    EXPECT_EQ(search->frame, QRect(0, 0, 900, 700)) << "made with the list's bounds";
    fontlisttest::settle(panel.list);
    EXPECT_EQ(search->geometry(), panel.list.rect());
    search->delegate.lock()->loginClick();
    EXPECT_EQ(panel.hub->logins, 1) << "the search panel's sign-in request goes to the owner";

    panel.onLocalTab();
    panel.list.filterClick();
    EXPECT_EQ(panel.hub->backToCloud, 2);
    auto* side = qobject_cast<HomeFilterStandIn*>(panel.top());
    ASSERT_TRUE(side);
    EXPECT_EQ(side->categories, panel.list.filterDataArray());
    panel.list.filterClick();
    EXPECT_EQ(panel.list.findChildren<HomeFilterStandIn*>(Qt::FindDirectChildrenOnly).size(), 1)
        << "not twice on top";

    // The editor closes a drop-down filter lying on top first, and stays on the tab.
    panel.onLocalTab();
    panel.list.advancedBtnClick();
    QPointer<QWidget> dropDown = panel.top();
    panel.list.editBtnClick();
    EXPECT_EQ(panel.hub->backToCloud, 2);
    EXPECT_FALSE(dropDown && dropDown->parentWidget());
    EXPECT_TRUE(qobject_cast<KXHomeEditStrView*>(panel.top()));

    // A tab change removes the overlays on top in the list's order.
    panel.list.searchingClick();
    panel.list.setTabTypeNum(KXHomeListView::ModeRecent);
    EXPECT_FALSE(qobject_cast<SearchStandIn*>(panel.top()));
    EXPECT_FALSE(qobject_cast<KXHomeEditStrView*>(panel.top()));
}

TEST(KXHomeListViewActions, UnregisteredOverlaysOpenNothing)
{
    fontlisttest::ScopedPreviewSource previews;
    KXHomeListView list(QRect(0, 0, 600, 500));
    const auto children = list.children().size();
    list.searchingClick();
    list.filterClick();
    list.fontStyleBtnClick();
    EXPECT_EQ(list.children().size(), children);
    EXPECT_EQ(list.filterView(), nullptr);
}

namespace {

// A filter no font matches, and one that some but not all of the sample catalogue's fonts match.
foundation::Ref<foundation::Dictionary> noSuchBrand()
{
    return foundation::Dictionary::create({ { Id("字体品牌"), Id(foundation::Array::create({ Id("no-such-brand") })) } });
}

foundation::Ref<foundation::Dictionary> marketingM5()
{
    return foundation::Dictionary::create({ { Id("大类型标签"), Id(foundation::Array::create({ Id("m5") })) } });
}

// The list shows the m5 fonts of a catalogue of `catalogueSize` rows: some, and only those.
testing::AssertionResult showsOnlyM5(KXHomeListView& list, std::size_t catalogueSize)
{
    const int rows = list.listModel()->rowCount();
    if (rows == 0 || rows >= static_cast<int>(catalogueSize))
        return testing::AssertionFailure() << rows << " rows of " << catalogueSize;
    for (int row = 0; row < rows; ++row) {
        if (list.listModel()->recordAt(row)->marketing->utf8().find(",m5,") == std::string::npos)
            return testing::AssertionFailure() << "row " << row << " is no m5 font";
    }
    return testing::AssertionSuccess();
}

} // namespace

TEST(KXHomeListViewActions, AFilterWithoutMatchesShowsTheCatalogueUnderTheNoResultView)
{
    Panel panel;
    const auto catalogue = panel.fontids();
    auto* table = panel.list.listTableView();
    EXPECT_EQ(table->geometry().top(), 85) << "the table starts at 85";

    const auto none = noSuchBrand();
    panel.list.filterViewTagsClick(none);
    fontlisttest::settle(panel.list);
    ASSERT_TRUE(panel.list.hasNoDataView());
    EXPECT_TRUE(panel.list.noDataView()->isVisible());
    EXPECT_EQ(panel.list.noDataView()->geometry(), QRect(0, 170, 900, 150));
    EXPECT_EQ(table->geometry().top(), 320) << "right under the no-result view";
    EXPECT_EQ(table->geometry().bottom(), 700 - 40 - 1);
    EXPECT_EQ(panel.fontids(), catalogue) << "the whole catalogue in default order";

    const auto m5 = marketingM5();
    panel.list.filterViewTagsClick(m5);
    fontlisttest::settle(panel.list);
    EXPECT_FALSE(panel.list.noDataView()->isVisible());
    EXPECT_EQ(table->geometry().top(), 82);
    EXPECT_TRUE(showsOnlyM5(panel.list, catalogue.size()));

    panel.list.filterViewTagsClick(none);
    panel.list.filterViewTagsClick(foundation::Dictionary::create());
    fontlisttest::settle(panel.list);
    EXPECT_FALSE(panel.list.hasNoDataView()) << "clearing removes and forgets the view";
    EXPECT_EQ(table->geometry().top(), 82);
    EXPECT_EQ(panel.fontids(), catalogue);
    EXPECT_EQ(panel.list.tabTypeNum(), KXHomeListView::ModeCloud);
}

TEST(KXHomeListViewActions, AFilterWhoseFirstRowsAreStillOnTheirWayClaimsNoResultOnlyOnceItsRowsAreRead)
{
    Panel panel;
    const auto catalogue = panel.fontids();
    auto* table = panel.list.listTableView();
    auto& catalogueFile = KXBaseDBManager::shareDBManager();
    // The first rows' walk ends at once: every filter's rows come with the rest of its read.
    catalogueFile.setFirstRowsSteps(1);
    struct Restore {
        KXBaseDBManager& manager;
        ~Restore() { manager.setFirstRowsSteps(KXBaseDBManager::kFirstRowsSteps); }
    } restore{catalogueFile};
    const auto restRead = [&] {
        return dispatch::RunLoop::runUntil([&] { return !panel.list.reload().readingRest(); }, 20);
    };

    const auto none = noSuchBrand();
    panel.list.filterViewTagsClick(none);
    EXPECT_FALSE(panel.list.hasNoDataView() && panel.list.noDataView()->isVisible()) << "nothing is known yet";
    EXPECT_EQ(panel.list.listModel()->rowCount(), 0) << "the rows of before go at once";
    ASSERT_TRUE(restRead());
    fontlisttest::settle(panel.list);
    ASSERT_TRUE(restRead()) << "the suggestions come in two parts too";
    fontlisttest::settle(panel.list);
    ASSERT_TRUE(panel.list.hasNoDataView());
    EXPECT_TRUE(panel.list.noDataView()->isVisible());
    EXPECT_EQ(table->geometry().top(), 320);
    EXPECT_EQ(panel.fontids(), catalogue) << "the whole catalogue as suggestions";

    const auto m5 = marketingM5();
    panel.list.filterViewTagsClick(m5);
    EXPECT_FALSE(panel.list.noDataView()->isVisible()) << "the notice of the filter before goes at once";
    EXPECT_EQ(panel.list.listModel()->rowCount(), 0);
    ASSERT_TRUE(restRead());
    fontlisttest::settle(panel.list);
    EXPECT_FALSE(panel.list.noDataView()->isVisible());
    EXPECT_EQ(table->geometry().top(), 82);
    EXPECT_TRUE(showsOnlyM5(panel.list, catalogue.size()));

    // A filter superseded while its rows are read: the rest of the next one decides alone.
    panel.list.filterViewTagsClick(none);
    panel.list.filterViewTagsClick(m5);
    ASSERT_TRUE(restRead());
    fontlisttest::settle(panel.list);
    EXPECT_FALSE(panel.list.noDataView()->isVisible());
    EXPECT_GT(panel.list.listModel()->rowCount(), 0);
}

TEST(KXHomeListViewActions, ATabChangeEmptiesTheFilterAndTakesItsNoResultViewAway)
{
    Panel panel;
    const auto catalogue = panel.fontids();
    auto* table = panel.list.listTableView();
    const auto none = noSuchBrand();
    auto findNothing = [&] {
        panel.list.filterViewTagsClick(none);
        fontlisttest::settle(panel.list);
        ASSERT_TRUE(panel.list.hasNoDataView());
        ASSERT_TRUE(panel.list.noDataView()->isVisible());
    };

    // The cloud tab clicked again, and signing in, switch to the cloud tab once more.
    findNothing();
    panel.list.setTabTypeNum(KXHomeListView::ModeCloud);
    fontlisttest::settle(panel.list);
    EXPECT_FALSE(panel.list.hasNoDataView()) << "the notice goes with the filter";
    EXPECT_EQ(table->geometry().top(), 82) << "the table back under the toolbar";
    EXPECT_EQ(panel.fontids(), catalogue);

    // Found nothing with the drop-down open, then another tab.
    panel.list.fontStyleBtnClick();
    findNothing();
    panel.list.setTabTypeNum(KXHomeListView::ModeLocal);
    fontlisttest::settle(panel.list);
    EXPECT_FALSE(panel.list.hasNoDataView());
    EXPECT_EQ(table->geometry().top(), 82);

    // The next filter that finds nothing shows the notice again, back from the other tab.
    findNothing();
    EXPECT_EQ(panel.list.tabTypeNum(), KXHomeListView::ModeCloud);
    EXPECT_EQ(panel.list.noDataView()->geometry(), QRect(0, 170, 900, 150));
    EXPECT_EQ(table->geometry().top(), 320);
}

TEST(KXHomeListViewActions, TheRowsAFilterChangeOrACloudTabReplacesAreLetGo)
{
    Panel panel;
    auto rowsShown = [&] {
        std::vector<std::weak_ptr<KXFontBaseModel>> rows;
        for (int row = 0; row < panel.list.listModel()->rowCount(); ++row)
            rows.push_back(panel.list.listModel()->recordAt(row));
        return rows;
    };
    auto stillHeld = [](const std::vector<std::weak_ptr<KXFontBaseModel>>& rows) {
        return std::ranges::count_if(rows, [](const auto& row) { return !row.expired(); });
    };
    const auto m5 = marketingM5();

    const auto catalogue = rowsShown();
    ASSERT_FALSE(catalogue.empty());
    panel.list.filterViewTagsClick(m5);
    fontlisttest::settle(panel.list);
    EXPECT_EQ(stillHeld(catalogue), 0) << "the catalogue's rows, replaced by the filter's";

    const auto filtered = rowsShown();
    ASSERT_FALSE(filtered.empty());
    panel.list.filterViewTagsClick(foundation::Dictionary::create());
    fontlisttest::settle(panel.list);
    EXPECT_EQ(stillHeld(filtered), 0) << "the filter's rows, replaced by the catalogue on clearing";

    const auto reloaded = rowsShown();
    panel.list.setTabTypeNum(KXHomeListView::ModeCloud);
    fontlisttest::settle(panel.list);
    EXPECT_EQ(stillHeld(reloaded), 0) << "the rows before the cloud tab read the catalogue again";
    EXPECT_EQ(panel.list.listModel()->rowCount(), static_cast<int>(catalogue.size()));
}

TEST(KXHomeListViewActions, TheFirstLanguageClickAlwaysSwitchesAndForeignTwiceOnlyClosesTheFilter)
{
    Panel panel;
    auto& globals = KXGlobalDataBase::sharedKXGlobalDataBase();
    EXPECT_TRUE(panel.list.CNBtn()->isSelected()) << "drawn selected";
    EXPECT_FALSE(panel.list.selectLanguageBtn()) << "but not chosen";

    globals.filterD()->setObject(Id(foundation::Array::create()), Id("字重"));
    panel.list.fontStyleBtnClick();
    panel.list.cnBtnClick();
    EXPECT_EQ(panel.list.selectLanguageBtn(), panel.list.CNBtn());
    EXPECT_FALSE(qobject_cast<FilterStandIn*>(panel.top())) << "a switch closes the drop-down";
    EXPECT_EQ(globals.filterD()->count(), 0u);
    EXPECT_FALSE(globals.isEnLanguage());

    panel.list.fontStyleBtnClick();
    panel.list.cnBtnClick();
    EXPECT_TRUE(qobject_cast<FilterStandIn*>(panel.top())) << "中文 again: nothing at all";

    panel.list.enBtnClick();
    fontlisttest::settle(panel.list);
    EXPECT_TRUE(globals.isEnLanguage());
    EXPECT_TRUE(panel.list.ENBtn()->isSelected());
    EXPECT_FALSE(panel.list.CNBtn()->isSelected());
    EXPECT_EQ(panel.list.targetLine()->geometry().left(), 57);
    const auto foreign = panel.fontids();

    panel.list.fontStyleBtnClick();
    globals.filterD()->setObject(Id(foundation::Array::create()), Id("字重"));
    panel.list.enBtnClick();
    EXPECT_FALSE(qobject_cast<FilterStandIn*>(panel.top())) << "外文 again closes the drop-down";
    EXPECT_EQ(globals.filterD()->count(), 1u) << "and changes nothing else";
    EXPECT_EQ(panel.fontids(), foreign);

    panel.onLocalTab();
    panel.list.cnBtnClick();
    EXPECT_EQ(panel.list.tabTypeNum(), KXHomeListView::ModeCloud) << "back to the cloud tab first";
    EXPECT_FALSE(globals.isEnLanguage());
    fontlisttest::settle(panel.list);
    EXPECT_EQ(panel.list.targetLine()->geometry().left(), 12);
}

TEST(KXHomeListViewActions, TheFavouriteButtonAsksForSignInOrOpensTheFolderDialog)
{
    Panel panel;
    const auto record = panel.list.listModel()->recordAt(3);
    panel.list.collectionBtnClick(record);
    EXPECT_EQ(panel.hub->logins, 1);
    EXPECT_FALSE(qobject_cast<GroupAddStandIn*>(panel.top()));

    signIn();
    panel.list.collectionBtnClick(record);
    auto* dialog = qobject_cast<GroupAddStandIn*>(panel.top());
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->fontid, std::to_string(record->fontid));
    EXPECT_EQ(dialog->row, 3);
    fontlisttest::settle(panel.list);
    EXPECT_EQ(dialog->geometry(), panel.list.rect());

    // Outside a folder, the row is drawn again and the owner told.
    dialog->delegate.lock()->refreshowCell(3);
    EXPECT_EQ(panel.hub->refreshed, std::vector<long long> { KXHomeListView::ModeCloud });
}

TEST(KXHomeListViewActions, InAFolderTheRowOfAFontTakenOutLeaves)
{
    Panel panel;
    signIn();
    const auto rows = fontlisttest::records(3);
    auto folderOf = [](std::initializer_list<int> fonts) {
        auto ids = foundation::MutableArray::create();
        for (int font : fonts)
            ids->addObject(Id(font));
        return Id(foundation::Dictionary::create({ { Id("id"), Id(42) }, { Id("fonts"), Id(ids) } }));
    };
    auto& session = KXUserCenterConfig::sharedKXUserCenterConfig();
    session.setGroupsInfo(foundation::Array::create({ folderOf({ 200000, 200001, 200002 }) }));
    panel.list.setTabTypeNum(KXHomeListView::ModeFolder);
    panel.list.setGroupID(foundation::String::create("42"));
    panel.list.setDataArray(rows);

    panel.list.collectionBtnClick(panel.list.listModel()->recordAt(1));
    auto dialog = qobject_cast<GroupAddStandIn*>(panel.top());
    ASSERT_TRUE(dialog);
    dialog->delegate.lock()->refreshowCell(1);
    EXPECT_EQ(panel.fontids(), (std::vector<int> { 200000, 200001, 200002 })) << "still in the folder";

    // The rows changed while the dialog was open: the font it was opened for is found where it is.
    panel.list.listModel()->removeRecordAt(0);
    session.setGroupsInfo(foundation::Array::create({ folderOf({ 200002 }) }));
    dialog->delegate.lock()->refreshowCell(1);
    EXPECT_EQ(panel.fontids(), (std::vector<int> { 200002 })) << "200001 left, 200002 stayed at row 1";
    EXPECT_TRUE(panel.hub->refreshed.empty());

    dialog->delegate.lock()->refreshowCell(1);
    EXPECT_EQ(panel.fontids(), (std::vector<int> { 200002 })) << "a font without a row: nothing";

    panel.list.collectionBtnClick(panel.list.listModel()->recordAt(0));
    session.setGroupsInfo(foundation::Array::create({ folderOf({}) }));
    qobject_cast<GroupAddStandIn*>(panel.top())->delegate.lock()->refreshowCell(0);
    EXPECT_TRUE(panel.fontids().empty());
    EXPECT_TRUE(panel.list.groupNoDataView()->isVisible()) << "the last row left: the empty view";
}

TEST(KXHomeListViewActions, TheThemeReskinsTheToolbarAndTheSortAndSizeReachNothingWithoutControls)
{
    Panel panel;
    auto& theme = KXThemeManager::themeManager();
    panel.list.themeClick();
    ASSERT_FALSE(theme.isNight());
    const auto imageOf = [](const std::optional<std::string>& name) {
        return KXImage::imageNamed(name.value_or("")).image();
    };
    EXPECT_EQ(panel.list.fontTypeBtn()->image().image(), imageOf(theme.fontTypeBtnImgStr()));
    EXPECT_EQ(panel.list.fontStyleBtn()->image().image(), imageOf(theme.fontStyleBtnImgStr()));
    EXPECT_EQ(panel.list.fontWeightBtn()->image().image(), imageOf(theme.fontWeightBtnImgStr()));
    EXPECT_EQ(panel.list.advancedBtn()->image().image(), imageOf(theme.fontAdvanceBtnImgStr()));
    EXPECT_EQ(panel.list.editStrBtn()->image().image(), imageOf(theme.editImgStr()));
    EXPECT_EQ(panel.list.searchBtn()->image().image(), imageOf(theme.searchImgStr()));
    EXPECT_EQ(
        panel.list.topBottomLine()->palette().color(QPalette::Window), kx_qcolor(theme.filterViewTopline()));
    EXPECT_EQ(
        panel.list.bottomTopLine()->palette().color(QPalette::Window), kx_qcolor(theme.filterViewTopline()));
    EXPECT_EQ(panel.list.ENBtn()->normalColor(), kx_qcolor(theme.enBtnNomal()));
    EXPECT_EQ(panel.list.leftSliderImg()->pixmap().toImage(), imageOf(theme.leftSliderImgStr()));
    panel.list.themeClick();

    const auto children = panel.list.children().size();
    panel.list.sortingClick();
    EXPECT_EQ(panel.list.children().size(), children) << "no sort button to open the popover at";
    EXPECT_EQ(panel.hub->backToCloud, 0);
    panel.onLocalTab();
    panel.list.sortingClick();
    EXPECT_EQ(panel.hub->backToCloud, 1);
    panel.list.imgSizeClick();
    const auto popover = panel.list.findChild<KXCustomSliderPopoverController*>();
    ASSERT_TRUE(popover) << "made, not shown";
    EXPECT_EQ(popover->popover(), nullptr);
}

#include "KXHomeListViewActionsTests.moc"
