// Pictures of the search panel in its four states and of the filter panels, day and night, into
// <build>/screenshots/, each laid over a font list as the list opens them.
#include "Class/FontList/KXFontListModel.h"
#include "Class/FontList/KXFontTableView.h"
#include "Class/FontList/KXHomeListView.h"
#include "Class/FontList/KXPreviewLoads.h"
#include "Class/SearchFilter/KXFilterTable.h"
#include "Class/SearchFilter/KXFilterTagGrid.h"
#include "Class/SearchFilter/KXFilterView.h"
#include "Class/SearchFilter/KXHomeFilterView.h"
#include "Class/SearchFilter/KXHomeSearchView.h"
#include "Class/SearchFilter/KXFilterTable.h"
#include "Class/SearchFilter/SearchFilterRegistration.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/Theme/KXThemeManager.h"
#include "Class/Theme/KXThemeToggle.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Class/UIKit/KXQtColor.h"
#include "Class/UIKit/THSearchField.h"
#include "Core/ScriptedSearchServices.h"
#include "FontListTestSupport.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Foundation/Foundation.h"
#include "Platform/Storage/UserDefaults.h"
#include "SearchFilterTestSupport.h"
#include "Support/TempHome.h"

#include <QLabel>
#include <QScrollArea>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// GetParam(): day (the light palette) or night.
class SearchFilterScreenshots : public testing::TestWithParam<bool> {
protected:
    void SetUp() override
    {
        KXGlobalDataBase::sharedKXGlobalDataBase().setFilterD(foundation::MutableDictionary::create());
        KXGlobalDataBase::sharedKXGlobalDataBase().setEnLanguage(false);
        registerSearchFilterOverlays();
    }
    QString name(const char* what) const { return QString("%1-%2").arg(what, GetParam() ? "day" : "night"); }
    // The list builds itself in the light palette; night is one theme click away.
    void applyPalette(KXHomeListView& list)
    {
        if (!GetParam())
            list.themeClick();
        fontlisttest::settle(list);
    }
    // The list on screen with the sample filter categories, in the palette on test.
    void showList(KXHomeListView& list)
    {
        list.setFilterDataArray(searchfiltertest::filterDataArray());
        list.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
        applyPalette(list);
    }
    void waitForPreviews(KXFontTableView& table, QWidget& window)
    {
        dispatch::RunLoop::runUntil([&] { return table.previews().loadsInFlight() == 0; }, 5);
        fontlisttest::settle(window);
    }
    // The style drop-down open over the list, and a filter chosen in it that matches no font:
    // the drop-down, or nil when it did not open.
    KXFilterView* openDropDownWithoutMatches(KXHomeListView& list)
    {
        list.fontStyleBtnClick();
        auto* dropDown = qobject_cast<KXFilterView*>(KXHomeListOverlays::topSubview(&list));
        if (!dropDown)
            return nullptr;
        fontlisttest::settle(list);
        const auto none = foundation::Dictionary::create(
            {{foundation::Id("字体品牌"), foundation::Id(foundation::Array::create({foundation::Id("no-such-brand")}))}});
        list.filterViewTagsClick(none);
        fontlisttest::settle(list);
        waitForPreviews(*list.listTableView(), list);
        return dropDown;
    }
    // A pixel of a view in the picture's coordinates.
    static QColor pixel(const QImage& picture, QWidget* view, QPoint at, QWidget* window)
    {
        const QPoint point = view->mapTo(window, at) * picture.devicePixelRatio();
        return picture.pixelColor(point);
    }
};

} // namespace

TEST_P(SearchFilterScreenshots, TheSearchPanelInItsFourStates)
{
    fontlisttest::ScopedPreviewSource previews;
    KXHomeListView list(QRect(0, 0, 900, 700));
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    applyPalette(list);

    auto services = std::make_shared<ScriptedSearchServices>(ScriptedSearchServices::sampleCatalogue());
    const auto historyFile = testsupport::makeScratchDir("search-shots") / "KXFonts" / KXSearchHistory::kFileName;
    KXSearchHistory stored(historyFile);
    for (const char* text : {"Liberation", "宋体", "DejaVu Sans", "黑体"})
        stored.add(text);
    stored.write();
    auto* panel = new KXHomeSearchView(list.rect(), &list, services, historyFile);
    panel->show();
    fontlisttest::settle(list);
    ASSERT_TRUE(fontlisttest::saveScreenshot(list, name("search-history")));
    const QImage history = list.grab().toImage();
    EXPECT_EQ(pixel(history, panel, QPoint(300, 400), &list), kx_qcolor(KXThemeManager::themeManager().RightBGC()).rgb());

    searchfiltertest::typeText(panel->customStrTF(), "Sans");
    const auto wanted = panel->state().requestedSequence();
    ASSERT_TRUE(dispatch::RunLoop::runUntil([&] { return panel->state().appliedSequence() >= wanted; }, 5));
    fontlisttest::settle(list);
    ASSERT_TRUE(fontlisttest::saveScreenshot(list, name("search-suggestions")));

    QTest::keyClick(panel->customStrTF(), Qt::Key_Return);
    services->answer(0, "1006,1002,1027,1039,1047");
    panel->fontModel()->recordAt(1)->progress = 0.43;
    panel->fontModel()->recordAt(1)->isLoading = true;
    fontlisttest::settle(list);
    waitForPreviews(*panel->listTableView(), list);
    ASSERT_TRUE(fontlisttest::saveScreenshot(list, name("search-results")));

    QTest::keyClick(panel->customStrTF(), Qt::Key_Return);
    services->answer(1, "");
    fontlisttest::settle(list);
    waitForPreviews(*panel->listTableView(), list);
    ASSERT_TRUE(fontlisttest::saveScreenshot(list, name("search-noresult")));
    EXPECT_TRUE(panel->noDataView()->isVisible());

    // A picked suggestion: its own fonts as font rows under "搜索建议", the notice gone.
    panel->customStrTF()->clear();
    searchfiltertest::typeText(panel->customStrTF(), "Mono B");
    const auto typed = panel->state().requestedSequence();
    ASSERT_TRUE(dispatch::RunLoop::runUntil([&] { return panel->state().appliedSequence() >= typed; }, 5));
    panel->tableViewCellClick(0);
    ASSERT_EQ(services->requests.size(), 4u);
    services->answer(3, "1014");
    services->answer(2, "1011,1012");
    fontlisttest::settle(list);
    waitForPreviews(*panel->listTableView(), list);
    ASSERT_TRUE(fontlisttest::saveScreenshot(list, name("search-picked-suggestion")));
    EXPECT_FALSE(panel->noDataView()->isVisible());
}

TEST_P(SearchFilterScreenshots, TheSidePanelAndTheDropDownPages)
{
    fontlisttest::ScopedPreviewSource previews;
    KXHomeListView list(QRect(0, 0, 900, 700));
    showList(list);

    list.filterClick();
    auto* side = qobject_cast<KXHomeFilterView*>(KXHomeListOverlays::topSubview(&list));
    ASSERT_TRUE(side);
    fontlisttest::settle(list);
    side->filterViewCellTagClick(foundation::Dictionary::create({{foundation::Id("风格"), foundation::Id("102")}}));
    side->listTableView()->reloadData();
    side->headArrorClick(3);
    fontlisttest::settle(list);
    waitForPreviews(*list.listTableView(), list);
    ASSERT_TRUE(fontlisttest::saveScreenshot(list, name("filter-side-panel")));
    side->cancelClick();
    fontlisttest::settle(list);

    KXGlobalDataBase::sharedKXGlobalDataBase().setFilterD(foundation::MutableDictionary::create());
    for (long long page = 1; page <= 4; ++page) {
        switch (page) {
        case 1: list.fontStyleBtnClick(); break;
        case 2: list.fontWeightBtnClick(); break;
        case 3: list.fontTypeBtnClick(); break;
        default: list.advancedBtnClick(); break;
        }
        auto* dropDown = qobject_cast<KXFilterView*>(KXHomeListOverlays::topSubview(&list));
        ASSERT_TRUE(dropDown) << page;
        fontlisttest::settle(list);
        if (page == 1 || page == 3) {
            ASSERT_TRUE(dropDown->tagGrid() && dropDown->tagGrid()->laidOut() > 0);
            searchfiltertest::clickTag({ dropDown->tagGrid(), 0 });
            EXPECT_TRUE(dropDown->topAreaView()->isVisible());
        }
        fontlisttest::settle(list);
        waitForPreviews(*list.listTableView(), list);
        ASSERT_TRUE(fontlisttest::saveScreenshot(list, name(QString("filter-dropdown-page%1").arg(page).toUtf8().constData())));
        // The veil dims the list beside the 310-wide area, which opens on its button's side.
        const QImage picture = list.grab().toImage();
        const QColor veiled = pixel(picture, dropDown, QPoint(page == 4 ? 300 : 600, 300), &list);
        const QColor list_ = kx_qcolor(KXThemeManager::themeManager().RightBGC());
        EXPECT_LT(veiled.lightness(), list_.lightness()) << page;
        dropDown->filterviewCloseClick();
        fontlisttest::settle(list);
    }
}

TEST_P(SearchFilterScreenshots, TheDropDownPagesWithManyTags)
{
    // 19 type tags of short and long labels, and 40 style tags, some too wide for a line: the
    // area grows with its lines and, reaching the list's foot, scrolls.
    searchfiltertest::Tags style;
    searchfiltertest::Tags type;
    const char* const names[] = {"宋体", "黑体", "非常长的装饰风格标签名称", "楷", "一个比整行还要宽得多的标签名称，它只能被省略号截断才能放进一行"};
    for (int i = 0; i < 40; ++i)
        style.emplace_back(std::to_string(100 + i), names[i % 5]);
    for (int i = 0; i < 19; ++i)
        type.emplace_back(std::to_string(300 + i), names[i % 4]);
    fontlisttest::ScopedPreviewSource previews;
    KXHomeListView list(QRect(0, 0, 900, 700));
    list.setFilterDataArray(searchfiltertest::categories({}, {{"风格", style}, {"用途", {}}, {"类型", type}}));
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    applyPalette(list);

    for (const bool typePage : {true, false}) {
        if (typePage)
            list.fontTypeBtnClick();
        else
            list.fontStyleBtnClick();
        auto* dropDown = qobject_cast<KXFilterView*>(KXHomeListOverlays::topSubview(&list));
        ASSERT_TRUE(dropDown);
        fontlisttest::settle(list);
        waitForPreviews(*list.listTableView(), list);
        KXFilterTagGrid* grid = dropDown->tagGrid();
        ASSERT_TRUE(grid);
        searchfiltertest::layOutEveryTag(dropDown);
        ASSERT_EQ(grid->laidOut(), typePage ? 19u : 40u);
        const searchfiltertest::TagSwitch last { grid, grid->laidOut() - 1 };
        // The last tag chosen, the page shown as it opened.
        dropDown->tagClick(grid->tagIdentifier(last.index));
        EXPECT_TRUE(searchfiltertest::isOn(last));
        ASSERT_TRUE(fontlisttest::saveScreenshot(
            list, name(typePage ? "filter-dropdown-type-19" : "filter-dropdown-style-40")));
        if (!typePage) {
            // The foot of the scrolled area: its last lines, above the close tab.
            const QRect rect = grid->tagRect(last.index);
            dropDown->tagScrollView()->ensureVisible(
                rect.center().x(), rect.center().y(), rect.width() / 2 + 1, rect.height() / 2 + 1);
            fontlisttest::settle(list);
            ASSERT_TRUE(fontlisttest::saveScreenshot(list, name("filter-dropdown-style-40-scrolled")));
        }
        dropDown->filterviewCloseClick();
        fontlisttest::settle(list);
    }
}

// A filter without matches chosen while the style page is open: the no-result view shows whole,
// below the drop-down, and back at its own place once the drop-down closes.
TEST_P(SearchFilterScreenshots, TheNoResultViewShowsBelowAnOpenDropDown)
{
    fontlisttest::ScopedPreviewSource previews;
    KXHomeListView list(QRect(0, 0, 900, 700));
    showList(list);
    QWidget* table = list.listTableView();

    auto* dropDown = openDropDownWithoutMatches(list);
    ASSERT_TRUE(dropDown);
    ASSERT_TRUE(list.noDataView()->isVisible());
    const int dropDownFoot = dropDown->y() + dropDown->childrenRect().bottom();
    EXPECT_GT(dropDownFoot, 170) << "a drop-down that reaches the view's own place";
    EXPECT_GT(list.noDataView()->y(), dropDownFoot) << "the view below the drop-down";
    EXPECT_EQ(list.noDataView()->height(), 150);
    EXPECT_EQ(table->y(), list.noDataView()->geometry().bottom() + 1) << "the table below the view";
    ASSERT_TRUE(fontlisttest::saveScreenshot(list, name("filter-dropdown-no-result")));

    // Another page of another height, then none.
    list.fontWeightBtnClick();
    dropDown = qobject_cast<KXFilterView*>(KXHomeListOverlays::topSubview(&list));
    ASSERT_TRUE(dropDown);
    fontlisttest::settle(list);
    EXPECT_EQ(list.noDataView()->y(), std::max(170, dropDown->y() + dropDown->childrenRect().bottom() + 11));
    dropDown->filterviewCloseClick();
    fontlisttest::settle(list);
    EXPECT_EQ(list.noDataView()->geometry(), QRect(0, 170, 900, 150));
    EXPECT_EQ(table->y(), 320);
}

// On the main window's least heights (1.25 on 1280 x 720, 2.0 on 1600 x 1000) the style page
// leaves the no-result view less than its height above the bottom bar: it gives up parts instead
// of running into the bar, and the table starts under what it shows.
TEST_P(SearchFilterScreenshots, TheNoResultViewStaysAboveTheBottomBarOnTheShortestWindow)
{
    fontlisttest::ScopedPreviewSource previews;
    for (const int height : {556, 486}) {
        SCOPED_TRACE(height);
        KXHomeListView list(QRect(0, 0, 900, height));
        showList(list);
        auto* dropDown = openDropDownWithoutMatches(list);
        ASSERT_TRUE(dropDown);

        QWidget* notice = list.noDataView();
        ASSERT_TRUE(notice->isVisible());
        EXPECT_GT(notice->y(), dropDown->y() + dropDown->childrenRect().bottom()) << "below the drop-down";
        const int barTop = list.bottomTopLine()->y();
        EXPECT_LE(notice->geometry().bottom(), barTop) << "above the bottom bar";
        const QRect customText = list.editStrBtn()->geometry();
        int partsShown = 0;
        for (QWidget* part : notice->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
            if (!part->isVisible())
                continue;
            ++partsShown;
            const QRect placed(part->mapTo(&list, QPoint(0, 0)), part->size());
            EXPECT_LE(placed.bottom(), barTop) << "a part of the view runs into the bar";
            EXPECT_FALSE(placed.intersects(customText)) << "a part of the view lies over 自定义文字";
        }
        EXPECT_GE(partsShown, 1) << "the text at least";
        EXPECT_EQ(list.listTableView()->y(), notice->geometry().bottom() + 1) << "the table below the view";
        if (height != 486)
            continue;
        ASSERT_TRUE(fontlisttest::saveScreenshot(list, name("filter-dropdown-no-result-short")));

        // Shorter still, the picks line goes too and the two lines of text stay.
        list.resize(900, 400);
        fontlisttest::settle(list);
        EXPECT_LE(notice->geometry().bottom(), list.bottomTopLine()->y());
        QStringList shown;
        for (QLabel* part : notice->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly))
            if (part->isVisible())
                shown << part->text();
        EXPECT_EQ(shown, QStringList{QString::fromUtf8("云字库没找到您要的字体\n我们给您找到了您可能喜欢的字体")});
    }
}

INSTANTIATE_TEST_SUITE_P(DayAndNight, SearchFilterScreenshots, testing::Values(true, false),
                         [](const testing::TestParamInfo<bool>& param) { return param.param ? "Day" : "Night"; });
