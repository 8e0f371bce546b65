// The three filter UIs offscreen: the side panel's tabs, reset, collapse and close; the drop-down's
// four pages, "全部", "清除" and its veil; the advanced page's "重置" and "确认". Every change is
// reported once, and filterD changes only as each UI's rules say. Each gives the keys back to the
// list that opened it when it closes.
#include "Class/FontList/KXHomeEditStrView.h"
#include "Class/FontList/KXHomeListView.h"
#include "Class/SearchFilter/Core/KXFilterGeometry.h"
#include "Class/SearchFilter/KXAdvancedFilterView.h"
#include "Class/SearchFilter/KXFilterFontWeighCell.h"
#include "Class/SearchFilter/KXFilterTable.h"
#include "Class/SearchFilter/KXFilterTagGrid.h"
#include "Class/SearchFilter/KXFilterView.h"
#include "Class/SearchFilter/KXHomeFilterView.h"
#include "Class/SearchFilter/KXHomeFilterViewHeaderCell.h"
#include "Class/SearchFilter/KXHomeFilterViewListCell.h"
#include "Class/SearchFilter/KXHomeFilterViewTopicCell.h"
#include "Class/SearchFilter/KXHomeSearchView.h"
#include "Class/SearchFilter/SearchFilterRegistration.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/UIKit/KXBaseButton.h"
#include "FontListTestSupport.h"
#include "Platform/Foundation/Foundation.h"
#include "SearchFilterTestSupport.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

using foundation::Id;
using searchfiltertest::clickTag;
using searchfiltertest::isOn;
using searchfiltertest::RecordingFilterOwner;
using searchfiltertest::tagIn;
using searchfiltertest::valuesOf;

namespace {

class FilterPanelsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        global().setFilterD(foundation::MutableDictionary::create());
        global().setEnLanguage(false);
        owner_ = std::make_shared<RecordingFilterOwner>();
        host_.resize(900, 700);
        host_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&host_));
    }
    void TearDown() override
    {
        global().setFilterD(foundation::MutableDictionary::create());
        global().setEnLanguage(false);
    }
    static KXGlobalDataBase& global() { return KXGlobalDataBase::sharedKXGlobalDataBase(); }

    KXHomeFilterView* sidePanel(foundation::Ref<foundation::MutableArray> data = searchfiltertest::filterDataArray())
    {
        auto* panel = new KXHomeFilterView(host_.rect(), &host_);
        panel->setDataArray(data);
        panel->setDelegate(owner_);
        panel->show();
        fontlisttest::settle(host_);
        return panel;
    }
    KXFilterView* dropDown(long long page, foundation::Ref<foundation::MutableArray> data = searchfiltertest::filterDataArray())
    {
        auto* view = new KXFilterView(&host_);
        view->setGeometry(0, 81, 900, 619);
        view->setDataArray(data);
        view->setDelegate(owner_);
        view->selectedFilterType(page);
        view->show();
        fontlisttest::settle(host_);
        return view;
    }
    QWidget host_;
    std::shared_ptr<RecordingFilterOwner> owner_;
};

} // namespace

TEST_F(FilterPanelsTest, TheSidePanelReportsEveryToggleAndStoresOnlyWhenClosing)
{
    auto* panel = sidePanel();
    EXPECT_EQ(panel->selectedBtn(), panel->cnBtn());
    EXPECT_EQ(panel->bgView()->width(), 200);
    EXPECT_EQ(panel->bgView()->geometry().right(), host_.width() - 1);
    auto* table = panel->listTableView();
    ASSERT_EQ(table->numberOfRows(), 13) << "six categories";
    EXPECT_EQ(qobject_cast<KXHomeFilterViewHeaderCell*>(table->rowView(1))->title(), QString::fromUtf8("风格"));
    EXPECT_EQ(table->rowView(0)->height(), 46);
    EXPECT_EQ(table->rowView(2)->height(), 112) << "seven style tags: three lines";

    const auto stored = global().filterD();
    const auto sans = tagIn(table, "风格", "101");
    ASSERT_TRUE(sans);
    EXPECT_EQ(sans.grid->tagTitle(sans.index), QString::fromUtf8("黑体"));
    clickTag(sans);
    ASSERT_EQ(owner_->reports.size(), 1u);
    EXPECT_EQ(owner_->lastValues("风格"), std::vector<std::string> { "101" });
    EXPECT_TRUE(isOn(sans));
    EXPECT_EQ(global().filterD(), stored) << "not stored before closing";

    // A topic switch: the "大类型标签" category, by its marketing code.
    auto* topics = qobject_cast<KXHomeFilterViewTopicCell*>(table->rowView(0));
    QTest::mouseClick(topics->heartBeatBtn(), Qt::LeftButton);
    ASSERT_EQ(owner_->reports.size(), 2u);
    EXPECT_EQ(owner_->lastValues("大类型标签"), std::vector<std::string>{"m4"});
    EXPECT_EQ(topics->heartBeatBtn()->toolTip(), QString::fromUtf8("心动模式字体"));

    // Rows made again show the working selection, not filterD.
    table->reloadData();
    EXPECT_TRUE(isOn(tagIn(table, "风格", "101")));

    // A click beside the column closes and stores.
    QTest::mouseClick(panel, Qt::LeftButton, {}, QPoint(100, 300));
    EXPECT_FALSE(panel->parentWidget());
    EXPECT_EQ(valuesOf(global().filterD(), "风格"), std::vector<std::string>{"101"});
    EXPECT_EQ(owner_->reports.size(), 2u);

    // Opened again, it edits the stored selection in place: taking the values out empties filterD.
    auto* again = sidePanel();
    EXPECT_EQ(again->tagsDD(), global().filterD());
    EXPECT_TRUE(isOn(tagIn(again->listTableView(), "风格", "101")));
    clickTag(tagIn(again->listTableView(), "风格", "101"));
    QTest::mouseClick(
        qobject_cast<KXHomeFilterViewTopicCell*>(again->listTableView()->rowView(0))->heartBeatBtn(),
        Qt::LeftButton);
    again->cancelClick();
    EXPECT_EQ(global().filterD()->count(), 0u);
}

TEST_F(FilterPanelsTest, TheSidePanelsTabsAndResetEmptyTheSelectionAndFollowTheLanguage)
{
    global().setEnLanguage(true);
    auto* panel = sidePanel();
    EXPECT_EQ(panel->selectedBtn(), panel->enBtn()) << "opens on the catalogue shown";
    EXPECT_EQ(qobject_cast<KXHomeFilterViewHeaderCell*>(panel->listTableView()->rowView(1))->title(), QString("Style"));

    clickTag(tagIn(panel->listTableView(), "Style", "102"));
    panel->headArrorClick(3);
    EXPECT_FALSE(panel->listTableView()->rowView(4)->isVisible()) << "collapsed";
    EXPECT_EQ(panel->listTableView()->heightOfRow(4), KXFilterGeometry::kCollapsedRowHeight);

    QTest::mouseClick(panel->enBtn(), Qt::LeftButton);
    EXPECT_EQ(owner_->reports.size(), 1u) << "the selected tab again changes nothing";

    QTest::mouseClick(panel->cnBtn(), Qt::LeftButton);
    ASSERT_EQ(owner_->reports.size(), 2u);
    EXPECT_EQ(owner_->reports.back()->count(), 0u) << "the list is told the selection is empty";
    EXPECT_FALSE(global().isEnLanguage());
    EXPECT_EQ(global().filterD()->count(), 0u);
    EXPECT_NE(global().filterD(), panel->tagsDD()) << "two new dictionaries";
    EXPECT_EQ(qobject_cast<KXHomeFilterViewHeaderCell*>(panel->listTableView()->rowView(1))->title(), QString::fromUtf8("风格"));
    EXPECT_TRUE(panel->listTableView()->collapsed().empty()) << "every category expanded";

    clickTag(tagIn(panel->listTableView(), "用途", "203"));
    QTest::mouseClick(panel->resetBtn(), Qt::LeftButton);
    ASSERT_EQ(owner_->reports.size(), 4u);
    EXPECT_EQ(owner_->reports.back()->count(), 0u);
    EXPECT_FALSE(isOn(tagIn(panel->listTableView(), "用途", "203")));
    EXPECT_EQ(panel->selectedBtn(), panel->cnBtn());

    // Closing with nothing chosen leaves filterD as it was.
    const auto stored = global().filterD();
    panel->cancelClick();
    EXPECT_EQ(global().filterD(), stored);
}

TEST_F(FilterPanelsTest, DropDownTagPagesStoreEveryChangeAndKeepTheTagIdText)
{
    // A style tag whose id has a leading zero keeps it.
    const auto data = searchfiltertest::categories({}, {{"风格", {{"0101", "黑体"}, {"102", "宋体"}, {"103", "非常长的装饰风格标签名称"}}},
                                                         {"用途", {{"201", "标题"}}},
                                                         {"类型", {{"301", "中文"}, {"302", "英文"}}}});
    auto* view = dropDown(1, data);
    EXPECT_EQ(view->titleLabel()->text(), QString::fromUtf8("风格选项"));
    EXPECT_EQ(view->topAreaView()->geometry(), QRect(0, 0, 310, 40));
    KXFilterTagGrid* grid = view->tagGrid();
    ASSERT_TRUE(grid);
    ASSERT_EQ(grid->laidOut(), 3u);
    EXPECT_EQ(grid->tagRect(0), QRect(8, 0, 68, 24));
    EXPECT_EQ(grid->tagRect(1).left(), 84);
    EXPECT_GT(grid->tagRect(2).width(), 68) << "a long label takes its own width";

    clickTag({ grid, 0 });
    ASSERT_EQ(owner_->reports.size(), 1u);
    EXPECT_EQ(owner_->lastValues("风格"), std::vector<std::string>{"0101"});
    EXPECT_EQ(global().filterD(), view->tagsDD()) << "stored at once";

    QTest::mouseClick(view->allSelectedBtn(), Qt::LeftButton);
    ASSERT_EQ(owner_->reports.size(), 2u);
    EXPECT_EQ(owner_->lastValues("风格"), (std::vector<std::string> { "0101", "102", "103" }));
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_TRUE(isOn({ view->tagGrid(), i })) << i;

    QTest::mouseClick(view->clearSelectedBtn(), Qt::LeftButton);
    ASSERT_EQ(owner_->reports.size(), 3u);
    EXPECT_TRUE(owner_->lastValues("风格").empty());
    fontlisttest::settle(host_);
    ASSERT_TRUE(view->tagGrid());
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_FALSE(isOn({ view->tagGrid(), i })) << i;
    QTest::mouseClick(view->clearSelectedBtn(), Qt::LeftButton);
    EXPECT_EQ(owner_->reports.size(), 3u) << "nothing to clear, nobody told";

    // The type page: category 2, buttons 93 wide for short labels.
    auto* type = dropDown(3, data);
    ASSERT_EQ(type->tagGrid()->laidOut(), 2u);
    EXPECT_EQ(type->classStr(), "类型");
    EXPECT_EQ(type->tagGrid()->tagRect(0).width(), 93);

    // Fewer categories: an empty page with its bar; one language only: the same.
    auto* empty = dropDown(3, searchfiltertest::categories({}, { { "风格", { { "101", "黑体" } } } }));
    EXPECT_EQ(empty->tagGrid()->laidOut(), 0u);
    EXPECT_TRUE(empty->topAreaView()->isVisible());
    QTest::mouseClick(empty->allSelectedBtn(), Qt::LeftButton);
    auto* lonely = dropDown(1, foundation::MutableArray::create({ Id(foundation::MutableArray::create()) }));
    EXPECT_EQ(lonely->tagGrid()->laidOut(), 0u);
    EXPECT_EQ(owner_->reports.size(), 3u);
}

TEST_F(FilterPanelsTest, DropDownTagPagesShowEveryTagWhole)
{
    // Scrolls the tag area to the switch where it scrolls; then the whole switch must show in it.
    const auto showsWhole = [](QWidget* area, KXFilterTagGrid* grid, std::size_t index) {
        const QRect rect = grid->tagRect(index);
        for (QWidget* parent = grid->parentWidget(); parent && parent != area;
             parent = parent->parentWidget())
            if (auto* scroll = qobject_cast<QScrollArea*>(parent)) {
                const QPoint centre = grid->mapTo(scroll->widget(), rect.center());
                scroll->ensureVisible(centre.x(), centre.y(), rect.width() / 2 + 1, rect.height() / 2 + 1);
            }
        return area->rect().contains(QRect(grid->mapTo(area, rect.topLeft()), rect.size()));
    };
    const std::vector<std::string> labels = {"宋体", "非常长的装饰风格标签名称", "一个比整行还要宽得多的标签名称，它只能被省略号截断才能放进一行里面"};
    for (const long long page : {1LL, 3LL}) {
        for (const std::size_t count : {1u, 4u, 16u, 19u, 40u}) {
            for (const std::string& label : labels) {
                searchfiltertest::Tags tags;
                for (std::size_t i = 0; i < count; ++i)
                    tags.emplace_back(std::to_string(100 + i), i % 4 == 3 ? "楷" : label);
                const auto data = searchfiltertest::categories(
                    {}, {{"风格", page == 1 ? tags : searchfiltertest::Tags{}}, {"用途", {}}, {"类型", page == 3 ? tags : searchfiltertest::Tags{}}});
                auto* view = dropDown(page, data);
                const std::string where
                    = "page " + std::to_string(page) + ", " + std::to_string(count) + " tags of " + label;
                KXFilterTagGrid* grid = view->tagGrid();
                ASSERT_TRUE(grid);
                searchfiltertest::layOutEveryTag(view);
                ASSERT_EQ(grid->laidOut(), count) << where;
                QWidget* area = view->bgView();
                EXPECT_GE(area->height(), KXFilterGeometry::dropDownTagAreaHeight(count)) << where;
                EXPECT_LE(area->geometry().bottom() + 1 + KXFilterGeometry::kDropDownTabRoom, view->height())
                    << where << ": the area and its close tab stay inside the drop-down";
                for (std::size_t i = 0; i < count; ++i)
                    EXPECT_TRUE(showsWhole(area, grid, i))
                        << where << ", tag " << i << " at " << grid->tagRect(i).x() << ","
                        << grid->tagRect(i).y() << " in " << area->width() << " x " << area->height();
                // The last tag, brought into view, takes a click.
                clickTag({ grid, count - 1 });
                EXPECT_EQ(owner_->lastValues(view->classStr()),
                    std::vector<std::string> { std::to_string(100 + count - 1) })
                    << where;
                view->filterviewCloseClick();
                global().setFilterD(foundation::MutableDictionary::create());
            }
        }
    }
}

TEST_F(FilterPanelsTest, TheWeightPageIsTheCategoryNamedWeight)
{
    // The weight category is not at position 3 here.
    const auto data = searchfiltertest::categories({}, {{"字重", {{"1", "极细"}, {"8", "特粗"}}}, {"风格", {{"101", "黑体"}}}});
    auto* view = dropDown(2, data);
    EXPECT_EQ(view->titleLabel()->text(), QString::fromUtf8("字重选项"));
    ASSERT_TRUE(view->weightCell());
    EXPECT_EQ(view->weightCell()->classStr(), "字重");
    EXPECT_EQ(view->weightCell()->geometry(), QRect(0, 0, 310, 40));

    QTest::mouseClick(view->weightCell()->fontweightBtn(4), Qt::LeftButton);
    ASSERT_EQ(owner_->reports.size(), 1u);
    EXPECT_EQ(owner_->lastValues("字重"), std::vector<std::string>{"4"});
    EXPECT_EQ(global().filterD(), view->tagsDD());

    QTest::mouseClick(view->allSelectedBtn(), Qt::LeftButton);
    ASSERT_EQ(owner_->reports.size(), 2u);
    EXPECT_EQ(owner_->lastValues("字重"), (std::vector<std::string>{"1", "2", "3", "4", "5", "6", "7", "8"}));
    fontlisttest::settle(host_);
    for (int number = 1; number <= 8; ++number)
        EXPECT_EQ(view->weightCell()->fontweightBtn(number)->state(), 1) << number;

    // The veil closes it.
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(600, 400));
    EXPECT_FALSE(view->parentWidget());
}

TEST_F(FilterPanelsTest, TheAdvancedPageResetsAndConfirmsThroughTheDropDown)
{
    auto* view = dropDown(4);
    auto* page = view->advancedView();
    ASSERT_TRUE(page);
    fontlisttest::settle(host_);
    EXPECT_FALSE(view->topAreaView()) << "the bar goes with page 4";
    EXPECT_EQ(page->geometry(), QRect(0, 0, 310, view->height() - 80));
    auto* table = page->listTableView();
    EXPECT_EQ(table->rowView(0)->height(), 90);
    EXPECT_EQ(table->rowView(1)->height(), 25);
    EXPECT_TRUE(qobject_cast<KXFilterFontWeighCell*>(table->rowView(8))) << "the weight category shows the weight row";

    const auto stored = global().filterD();
    clickTag(tagIn(table, "字体品牌", "5"));
    ASSERT_EQ(owner_->reports.size(), 1u) << "through the drop-down to the list";
    EXPECT_EQ(owner_->lastValues("字体品牌"), std::vector<std::string>{"5"});
    EXPECT_EQ(global().filterD(), stored) << "stored only by 确认";
    QTest::mouseClick(qobject_cast<KXFilterFontWeighCell*>(table->rowView(8))->fontweightBtn(7), Qt::LeftButton);
    EXPECT_EQ(owner_->lastValues("字重"), std::vector<std::string>{"7"});
    EXPECT_EQ(owner_->reports.size(), 2u);

    QTest::mouseClick(page->resetBtn(), Qt::LeftButton);
    ASSERT_EQ(owner_->reports.size(), 3u);
    EXPECT_EQ(owner_->reports.back()->count(), 0u);
    EXPECT_EQ(global().filterD()->count(), 0u);
    EXPECT_EQ(page->parentWidget(), view) << "the page stays";
    fontlisttest::settle(host_);
    EXPECT_FALSE(isOn(tagIn(page->listTableView(), "字体品牌", "5")));

    // 确认 with nothing chosen stores nothing and closes the whole drop-down.
    const auto emptied = global().filterD();
    QTest::mouseClick(page->sureBtn(), Qt::LeftButton);
    EXPECT_EQ(global().filterD(), emptied);
    EXPECT_FALSE(view->parentWidget());

    // 确认 with a choice stores it.
    auto* second = dropDown(4);
    clickTag(tagIn(second->advancedView()->listTableView(), "风格", "104"));
    QTest::mouseClick(second->advancedView()->sureBtn(), Qt::LeftButton);
    EXPECT_EQ(valuesOf(global().filterD(), "风格"), std::vector<std::string>{"104"});
}

TEST_F(FilterPanelsTest, TheListOpensEveryFilterThroughItsRegistry)
{
    registerSearchFilterOverlays();
    KXHomeListView list(QRect(0, 0, 900, 700));
    list.setFilterDataArray(searchfiltertest::filterDataArray());
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    list.fontWeightBtnClick();
    fontlisttest::settle(list);
    auto* dropDown = qobject_cast<KXFilterView*>(KXHomeListOverlays::topSubview(&list));
    ASSERT_TRUE(dropDown);
    EXPECT_EQ(dropDown->seletedType(), 2);
    EXPECT_EQ(dropDown->geometry().top(), 81);
    QTest::mouseClick(dropDown->weightCell()->fontweightBtn(8), Qt::LeftButton);
    fontlisttest::settle(list);
    EXPECT_EQ(valuesOf(KXGlobalDataBase::sharedKXGlobalDataBase().filterD(), "字重"), std::vector<std::string>{"8"});

    list.filterClick();
    auto* side = qobject_cast<KXHomeFilterView*>(KXHomeListOverlays::topSubview(&list));
    ASSERT_TRUE(side);
    list.setTabTypeNum(KXHomeListView::ModeLocal);
    EXPECT_FALSE(qobject_cast<KXHomeFilterView*>(KXHomeListOverlays::topSubview(&list)));
}

// The toolbar's buttons keep to the list's edges (筛选 at the right): on a wide list each page has to
// open at the edge of its own button, not at the list's left whatever opened it.
TEST_F(FilterPanelsTest, EachPageOpensBesideItsButtonOnAWideList)
{
    registerSearchFilterOverlays();
    for (const int width : {2000, 900}) {
        KXHomeListView list(QRect(0, 0, width, 700));
        list.setFilterDataArray(searchfiltertest::filterDataArray());
        list.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
        fontlisttest::settle(list);
        const std::vector<std::tuple<void (KXHomeListView::*)(), long long, KXBaseButton*>> pages
            = {{&KXHomeListView::fontStyleBtnClick, 1, list.fontStyleBtn()},
               {&KXHomeListView::fontWeightBtnClick, 2, list.fontWeightBtn()},
               {&KXHomeListView::fontTypeBtnClick, 3, list.fontTypeBtn()},
               {&KXHomeListView::advancedBtnClick, 4, list.advancedBtn()}};
        for (const auto& [action, page, button] : pages) {
            (list.*action)();
            fontlisttest::settle(list);
            auto* dropDown = qobject_cast<KXFilterView*>(KXHomeListOverlays::topSubview(&list));
            ASSERT_TRUE(dropDown) << width << ", page " << page;
            QRect area;
            for (QWidget* part : {dropDown->topAreaView(), dropDown->bgView(), static_cast<QWidget*>(dropDown->advancedView())}) {
                if (part && part->isVisible())
                    area |= QRect(part->mapTo(&list, QPoint(0, 0)), part->size());
            }
            const QString where = QString("%1 wide, page %2").arg(width).arg(page);
            ASSERT_FALSE(area.isEmpty()) << where.toStdString();
            EXPECT_EQ(area.width(), 310) << where.toStdString();
            EXPECT_GE(area.left(), 0) << where.toStdString();
            EXPECT_LE(area.right(), width - 1) << where.toStdString();
            const int buttonCentre = button->geometry().center().x();
            EXPECT_TRUE(area.left() <= buttonCentre && buttonCentre <= area.right())
                << where.toStdString() << ": the area spans " << area.left() << ".." << area.right() << ", its button is at "
                << buttonCentre;
            if (width == 2000 && page == 4) {
                ASSERT_TRUE(fontlisttest::saveScreenshot(list, "filter-dropdown-page4-wide"));
            }
            dropDown->filterviewCloseClick();
            fontlisttest::settle(list);
        }
    }
}

TEST_F(FilterPanelsTest, TheListHasTheKeysBackWhenEachFilterClosesAfterAClickInIt)
{
    registerSearchFilterOverlays();
    KXHomeListView list(QRect(0, 0, 900, 700));
    list.setFilterDataArray(searchfiltertest::filterDataArray());
    list.show();
    list.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&list));
    list.setTabTypeNum(KXHomeListView::ModeCloud);
    fontlisttest::settle(list);
    ASSERT_TRUE(fontlisttest::keysScrollTheList(list));
    const auto dropDown = [&list] {
        fontlisttest::settle(list);
        return qobject_cast<KXFilterView*>(KXHomeListOverlays::topSubview(&list));
    };
    // A tag clicked twice: the click lands in the panel's scroller and the rows are whole again.
    const auto clickTwice = [&list](const searchfiltertest::TagSwitch& tag) {
        ASSERT_TRUE(tag);
        clickTag(tag);
        clickTag(tag);
        fontlisttest::settle(list);
    };
    const auto clickWeightTwice = [&list](QWidget* button) {
        QTest::mouseClick(button, Qt::LeftButton);
        QTest::mouseClick(button, Qt::LeftButton);
        fontlisttest::settle(list);
    };
    const auto keysInside = [](QWidget* panel) { return panel->isAncestorOf(QApplication::focusWidget()); };

    // 风格, closed by its tab.
    list.fontStyleBtnClick();
    KXFilterView* style = dropDown();
    ASSERT_TRUE(style);
    clickTwice({ style->tagGrid(), 0 });
    ASSERT_TRUE(keysInside(style));
    QTest::mouseClick(style->cancelBtn(), Qt::LeftButton);
    EXPECT_TRUE(fontlisttest::keysScrollTheList(list)) << "风格";

    // 字重, closed by the dimmed list.
    list.fontWeightBtnClick();
    KXFilterView* weight = dropDown();
    ASSERT_TRUE(weight);
    clickWeightTwice(weight->weightCell()->fontweightBtn(8));
    ASSERT_TRUE(keysInside(weight));
    QTest::mouseClick(weight, Qt::LeftButton, {}, QPoint(600, 400));
    EXPECT_TRUE(fontlisttest::keysScrollTheList(list)) << "字重";

    // 高级, closed by 确认.
    list.advancedBtnClick();
    KXFilterView* advanced = dropDown();
    ASSERT_TRUE(advanced && advanced->advancedView());
    clickTwice(tagIn(advanced->advancedView()->listTableView(), "风格", "104"));
    ASSERT_TRUE(keysInside(advanced));
    QTest::mouseClick(advanced->advancedView()->sureBtn(), Qt::LeftButton);
    EXPECT_TRUE(fontlisttest::keysScrollTheList(list)) << "高级";

    // 高级 again: a click on its bar outside the buttons takes only the page away.
    list.advancedBtnClick();
    KXFilterView* again = dropDown();
    ASSERT_TRUE(again && again->advancedView());
    QPointer<KXAdvancedFilterView> page = again->advancedView();
    clickTwice(tagIn(page->listTableView(), "风格", "104"));
    ASSERT_TRUE(keysInside(page));
    QTest::mouseClick(page, Qt::LeftButton, {}, QPoint(5, page->height() - 5));
    ASSERT_TRUE(!page || !page->parentWidget());
    ASSERT_TRUE(again->parentWidget()) << "the dimmed list stays";
    QTest::mouseClick(again, Qt::LeftButton, {}, QPoint(600, 400));
    EXPECT_TRUE(fontlisttest::keysScrollTheList(list)) << "高级, its page first";

    // 筛选, closed by a click beside its column.
    list.filterClick();
    auto* side = qobject_cast<KXHomeFilterView*>(KXHomeListOverlays::topSubview(&list));
    ASSERT_TRUE(side);
    fontlisttest::settle(list);
    clickTwice(tagIn(side->listTableView(), "风格", "101"));
    ASSERT_TRUE(keysInside(side));
    QTest::mouseClick(side, Qt::LeftButton, {}, QPoint(100, 300));
    EXPECT_TRUE(fontlisttest::keysScrollTheList(list)) << "筛选";
}

// Escape closes each panel over the list as its close control does, wherever in it the keys are,
// and the list has the keys back; the custom-text editor hands nothing over.
TEST_F(FilterPanelsTest, EscapeClosesEachPanelOverTheList)
{
    registerSearchFilterOverlays();
    KXHomeListView list(QRect(0, 0, 900, 700));
    list.setFilterDataArray(searchfiltertest::filterDataArray());
    list.show();
    list.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&list));
    list.setTabTypeNum(KXHomeListView::ModeCloud);
    fontlisttest::settle(list);
    ASSERT_TRUE(fontlisttest::keysScrollTheList(list));
    const auto top = [&list] {
        fontlisttest::settle(list);
        return QPointer<QWidget>(KXHomeListOverlays::topSubview(&list));
    };
    // Twice: the click lands inside the panel and the rows are whole again.
    const auto clickTwice = [&list](const searchfiltertest::TagSwitch& tag) {
        ASSERT_TRUE(tag);
        clickTag(tag);
        clickTag(tag);
        fontlisttest::settle(list);
    };
    const auto escape = [&list](const QPointer<QWidget>& panel, const char* name) {
        ASSERT_TRUE(panel && panel->isAncestorOf(QApplication::focusWidget())) << name << ": the keys are in the panel";
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        EXPECT_TRUE(!panel || !panel->parentWidget()) << name;
        EXPECT_TRUE(fontlisttest::keysScrollTheList(list)) << name;
    };

    QTest::mouseClick(list.editStrBtn(), Qt::LeftButton);
    QPointer<QWidget> editor = top();
    ASSERT_TRUE(qobject_cast<KXHomeEditStrView*>(editor));
    QTest::keyClicks(QApplication::focusWidget(), "Aa");
    escape(editor, "自定义文字");
    EXPECT_FALSE(KXHomeListView::isCustomTextActive()) << "the text was not handed over";

    QTest::mouseClick(list.searchBtn(), Qt::LeftButton);
    QPointer<QWidget> search = top();
    ASSERT_TRUE(qobject_cast<KXHomeSearchView*>(search));
    QTest::keyClicks(QApplication::focusWidget(), "Sans");
    escape(search, "搜索");

    list.fontStyleBtnClick();
    QPointer<QWidget> style = top();
    ASSERT_TRUE(qobject_cast<KXFilterView*>(style));
    clickTwice({ qobject_cast<KXFilterView*>(style)->tagGrid(), 0 });
    escape(style, "风格");

    list.advancedBtnClick();
    QPointer<QWidget> advanced = top();
    ASSERT_TRUE(
        qobject_cast<KXFilterView*>(advanced) && qobject_cast<KXFilterView*>(advanced)->advancedView());
    clickTwice(tagIn(qobject_cast<KXFilterView*>(advanced)->advancedView()->listTableView(), "风格", "104"));
    escape(advanced, "高级, from its page");

    list.filterClick();
    QPointer<QWidget> side = top();
    ASSERT_TRUE(qobject_cast<KXHomeFilterView*>(side));
    clickTwice(tagIn(qobject_cast<KXHomeFilterView*>(side)->listTableView(), "风格", "101"));
    escape(side, "筛选");
}

// A reply may send tens of thousands of tags a category: the pages make as many widgets as for a
// handful, lay out only what comes into sight, and still reach, click and choose every tag.
TEST_F(FilterPanelsTest, PagesOfThousandsOfTagsCostTheWidgetsOfAFew)
{
    const auto withStyleTags = [](std::size_t count) {
        searchfiltertest::Tags tags;
        for (std::size_t i = 0; i < count; ++i)
            tags.emplace_back("t" + std::to_string(i), i % 7 == 3 ? "一个相当长的装饰风格标签" : "宋体");
        return searchfiltertest::categories(
            {}, { { "风格", tags }, { "用途", { { "201", "标题" } } }, { "类型", { { "301", "中文" } } } });
    };
    constexpr std::size_t kMany = 24000;
    const auto widgetsOf = [](QWidget* page) { return page->findChildren<QWidget*>().size(); };

    auto* few = dropDown(1, withStyleTags(3));
    auto* many = dropDown(1, withStyleTags(kMany));
    EXPECT_EQ(widgetsOf(many), widgetsOf(few));
    KXFilterTagGrid* grid = many->tagGrid();
    ASSERT_TRUE(grid);
    EXPECT_GT(grid->laidOut(), 20u);
    EXPECT_LT(grid->laidOut(), 1000u) << "only the tags near the area are read and measured";

    // "全部" takes every tag of the category, laid out or not.
    QTest::mouseClick(many->allSelectedBtn(), Qt::LeftButton);
    const auto all = owner_->lastValues("风格");
    ASSERT_EQ(all.size(), kMany);
    EXPECT_EQ(all.back(), "t" + std::to_string(kMany - 1));
    QTest::mouseClick(many->clearSelectedBtn(), Qt::LeftButton);
    fontlisttest::settle(host_);
    grid = many->tagGrid();
    ASSERT_TRUE(grid);

    // Scrolled to its end, the area lays the rest out and its last tag takes a click.
    QScrollBar* scroller = many->tagScrollView()->verticalScrollBar();
    for (int turns = 0; grid->laidOut() < kMany && turns < 100000; ++turns)
        scroller->setValue(scroller->maximum());
    ASSERT_EQ(grid->laidOut(), kMany);
    const QRect last = grid->tagRect(kMany - 1);
    EXPECT_LE(last.bottom(), grid->height()) << "the area reaches its last line";
    EXPECT_EQ(grid->tagRect(kMany - 2).top() <= last.top(), true);
    clickTag({ grid, kMany - 1 });
    EXPECT_EQ(owner_->lastValues("风格"), std::vector<std::string> { "t" + std::to_string(kMany - 1) });
    fontlisttest::settle(host_);
    EXPECT_TRUE(isOn({ grid, kMany - 1 }));
    many->filterviewCloseClick();
    few->filterviewCloseClick();

    // The side panel and the advanced page: one view per tag row, whatever the row holds (the
    // rows a long one pushes out of reach are not made at all).
    global().setFilterD(foundation::MutableDictionary::create());
    auto* fewSide = sidePanel(withStyleTags(3));
    auto* manySide = sidePanel(withStyleTags(kMany));
    EXPECT_LE(widgetsOf(manySide), widgetsOf(fewSide));
    const auto far = tagIn(manySide->listTableView(), "风格", "t" + std::to_string(kMany - 1));
    ASSERT_TRUE(far);
    clickTag(far);
    EXPECT_EQ(owner_->lastValues("风格"), std::vector<std::string> { "t" + std::to_string(kMany - 1) });
    EXPECT_TRUE(isOn(far));
    auto* fewAdvanced = dropDown(4, withStyleTags(3));
    auto* manyAdvanced = dropDown(4, withStyleTags(kMany));
    EXPECT_LE(widgetsOf(manyAdvanced), widgetsOf(fewAdvanced));
}

TEST_F(FilterPanelsTest, ThousandsOfCategoriesCostTheRowsOfAFewScreens)
{
    const auto withCategories = [](std::size_t count) {
        std::vector<std::pair<std::string, searchfiltertest::Tags>> list;
        for (std::size_t i = 0; i < count; ++i)
            list.emplace_back(
                "类" + std::to_string(i), searchfiltertest::Tags { { "c" + std::to_string(i), "标签" } });
        return searchfiltertest::categories({}, list);
    };
    constexpr std::size_t kMany = 20000;
    const std::string lastName = "类" + std::to_string(kMany - 1);
    const std::string lastTag = "c" + std::to_string(kMany - 1);
    // Rows that left are gone once their turn comes.
    const auto widgetsOf = [](QWidget* page) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return page->findChildren<QWidget*>().size();
    };

    auto* few = sidePanel(withCategories(30));
    auto* many = sidePanel(withCategories(kMany));
    const auto bound = widgetsOf(few) + 100;
    EXPECT_LT(widgetsOf(many), bound);
    KXFilterTable* table = many->listTableView();
    ASSERT_EQ(table->numberOfRows(), static_cast<int>(2 * kMany + 1));
    EXPECT_FALSE(table->rowView(static_cast<int>(2 * kMany))) << "a row far from view has no widget";

    // Scrolled to its end, the last category's row is there and its tag takes a click; the first
    // rows have gone.
    QScrollBar* scroller = table->verticalScrollBar();
    scroller->setValue(scroller->maximum());
    fontlisttest::settle(host_);
    const auto last = tagIn(table, lastName, lastTag);
    ASSERT_TRUE(last);
    clickTag(last);
    EXPECT_EQ(owner_->lastValues(lastName), std::vector<std::string> { lastTag });
    EXPECT_TRUE(isOn(last));
    EXPECT_FALSE(table->rowView(1));
    EXPECT_LT(widgetsOf(many), bound);
    // Collapsed while away, a category's rows come back collapsed.
    many->headArrorClick(2 * static_cast<long long>(kMany) - 1);
    scroller->setValue(0);
    scroller->setValue(scroller->maximum());
    fontlisttest::settle(host_);
    ASSERT_TRUE(table->rowView(static_cast<int>(2 * kMany)));
    EXPECT_FALSE(table->rowView(static_cast<int>(2 * kMany))->isVisible());
    many->cancelClick();
    few->cancelClick();

    auto* fewAdvanced = dropDown(4, withCategories(30));
    auto* manyAdvanced = dropDown(4, withCategories(kMany));
    EXPECT_LT(widgetsOf(manyAdvanced), widgetsOf(fewAdvanced) + 100);
}
