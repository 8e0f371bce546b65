// The panel offscreen on the sample catalogue: modes and empty views, overlays, the theme, the
// size slider and the live-scroll observers.
#include "Class/FontList/KXFontListModel.h"
#include "Class/FontList/KXFontTableView.h"
#include "Class/FontList/KXHomeListOverlays.h"
#include "Class/FontList/KXHomeListView.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/Theme/KXThemeManager.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Class/UIKit/KXImage.h"
#include "Class/UIKit/KXQtColor.h"
#include "Class/UIKit/LADSlider.h"
#include "FontListTestSupport.h"
#include "Platform/Dispatch/Clock.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Foundation/Foundation.h"
#include "Platform/Storage/UserDefaults.h"
#include "Support/PageTrace.h"

#include <QApplication>
#include <QLabel>
#include <QImage>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using foundation::Id;
using Kind = KXHomeListOverlays::Kind;

namespace {

// Overlays of other areas, registered as those areas register theirs.
class SearchStandIn : public QWidget {
    Q_OBJECT
};
class FilterStandIn : public QWidget {
    Q_OBJECT
};

struct Panel {
    fontlisttest::ScopedPreviewSource previews;
    KXHomeListView list{QRect(0, 0, 900, 700)};
    Panel()
    {
        list.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&list));
        fontlisttest::settle(list);
    }
    QString emptyText()
    {
        for (auto* label : list.groupNoDataView()->findChildren<QLabel*>())
            if (!label->text().isEmpty())
                return label->text();
        return {};
    }
};

class RecordingListOwner final : public KXHomeListViewDelegate {
public:
    void loginClick() override { logins += 1; }
    int logins = 0;
};

} // namespace

TEST(KXHomeListView, StartsOnTheCloudCatalogueInTheLightPalette)
{
    Panel panel;
    EXPECT_EQ(panel.list.tabTypeNum(), KXHomeListView::ModeCloud);
    EXPECT_GT(panel.list.listModel()->rowCount(), 20) << "the sample catalogue";
    EXPECT_EQ(panel.list.listModel()->records(), panel.list.dataArray()) << "the rows are shown without a copy";
    EXPECT_TRUE(KXThemeManager::themeManager().isNight()) << "YES: the light palette";
    EXPECT_EQ(foundation::UserDefaults::standardUserDefaults().stringForKey("the")->utf8(), "0");
    EXPECT_EQ(foundation::UserDefaults::standardUserDefaults().stringForKey("sortingSelected")->utf8(), "默认排序");
    EXPECT_EQ(panel.list.listTableView()->rowPitch(), 93);
    EXPECT_EQ(panel.list.listTableView()->geometry(), QRect(5, 85, 890, 575));
    EXPECT_EQ(panel.list.CNBtn()->geometry().topLeft(), QPoint(10, 10));
    EXPECT_EQ(panel.list.fontTypeBtn()->geometry(), QRect(6 + 35 + 20 + 35 + 20, 52, 59, 12));
    EXPECT_EQ(panel.list.advancedBtn()->geometry(), QRect(900 - 6 - 38, 52, 38, 12));
    EXPECT_EQ(panel.list.editStrBtn()->geometry(), QRect(8, 700 - 8 - 20, 112, 20));
    EXPECT_EQ(panel.list.rightSliderImg()->geometry().left() - panel.list.leftSliderImg()->geometry().right() - 1, 80);
    EXPECT_FALSE(panel.list.filterBtn()->isVisible());
    EXPECT_FALSE(panel.list.selectLanguageBtn()) << "unset at creation";
}

TEST(KXHomeListView, EmptyListsOfTheRecentAndFolderTabsSayWhy)
{
    Panel panel;
    panel.list.setDataArray(foundation::MutableArray::create());
    panel.list.setTabTypeNum(KXHomeListView::ModeFolder);
    ASSERT_TRUE(panel.list.hasGroupNoDataView());
    EXPECT_TRUE(panel.list.groupNoDataView()->isVisible());
    EXPECT_EQ(panel.emptyText(), QString::fromUtf8("还未收藏字体，赶紧去收藏吧"));

    panel.list.setTabTypeNum(KXHomeListView::ModeRecent);
    EXPECT_FALSE(panel.list.groupNoDataView()->isVisible()) << "only mode 4 shows it on a tab change";
    panel.list.setDataArray(foundation::MutableArray::create());
    EXPECT_TRUE(panel.list.groupNoDataView()->isVisible());
    EXPECT_EQ(panel.emptyText(), QString::fromUtf8("还没有使用字体，赶快体验吧"));

    panel.list.setDataArray(fontlisttest::records(3));
    EXPECT_FALSE(panel.list.groupNoDataView()->isVisible());
    panel.list.setTabTypeNum(KXHomeListView::ModeLocal);
    panel.list.setDataArray(foundation::MutableArray::create());
    EXPECT_FALSE(panel.list.groupNoDataView()->isVisible()) << "the local tab has no empty view";
}

TEST(KXHomeListView, TheCloudTabReloadsTheCatalogueEachTime)
{
    Panel panel;
    auto& defaults = foundation::UserDefaults::standardUserDefaults();
    panel.list.setDataArray(fontlisttest::records(2));
    defaults.setObject(Id("热度排序"), "sortingSelected");
    KXGlobalDataBase::sharedKXGlobalDataBase().filterD()->setObject(Id("x"), Id("字重"));
    const auto before = KXGlobalDataBase::sharedKXGlobalDataBase().filterD();
    KXHomeListView::setCustomTextActive(true);

    panel.list.setTabTypeNum(KXHomeListView::ModeCloud);
    EXPECT_GT(panel.list.dataArray()->count(), 20u);
    EXPECT_EQ(defaults.stringForKey("sortingSelected")->utf8(), "默认排序");
    EXPECT_NE(KXGlobalDataBase::sharedKXGlobalDataBase().filterD(), before);
    EXPECT_EQ(KXGlobalDataBase::sharedKXGlobalDataBase().filterD()->count(), 0u);
    EXPECT_FALSE(KXHomeListView::isCustomTextActive());

    // Sort index 1 is the default order; 2 is by popularity.
    const auto fontids = [&] {
        std::vector<int> ids;
        for (const Id& row : *panel.list.dataArray())
            ids.push_back(row.ptr<KXFontBaseModel>()->fontid);
        return ids;
    };
    const auto byDefault = fontids();
    panel.list.customPopoverControllerzDidChooseIndex(1);
    EXPECT_EQ(fontids(), byDefault);
}

TEST(KXHomeListView, ATabChangeRemovesTheRegisteredOverlaysOnTopInOrder)
{
    KXHomeListOverlays::registerOverlay(
        KXHomeListOverlays::SearchView{[](const QObject* w) { return qobject_cast<const SearchStandIn*>(w) != nullptr; }, {}});
    KXHomeListOverlays::registerOverlay(
        KXHomeListOverlays::HomeFilterView{[](const QObject* w) { return qobject_cast<const FilterStandIn*>(w) != nullptr; }, {}});
    Panel panel;
    QPointer<QWidget> filter = new FilterStandIn;
    filter->setParent(&panel.list);
    filter->show();
    QPointer<QWidget> search = new SearchStandIn;
    search->setParent(&panel.list);
    search->show();

    panel.list.setTabTypeNum(KXHomeListView::ModeLocal);
    EXPECT_FALSE(search && search->parentWidget()) << "the search panel on top goes first";
    EXPECT_FALSE(filter && filter->parentWidget()) << "then the filter panel now on top";

    // An unknown view on top stops the removal: only the topmost view is ever tested.
    QPointer<QWidget> below = new SearchStandIn;
    below->setParent(&panel.list);
    QPointer<QWidget> other = new QWidget(&panel.list);
    panel.list.setTabTypeNum(KXHomeListView::ModeCloud);
    EXPECT_TRUE(below && below->parentWidget() == &panel.list);
    EXPECT_TRUE(other && other->parentWidget() == &panel.list);
    KXHomeListOverlays::unregisterOverlay(Kind::HomeSearchView);
    KXHomeListOverlays::unregisterOverlay(Kind::HomeFilterView);
    EXPECT_EQ(KXHomeListOverlays::createFilterView(), nullptr) << "nothing registered, nothing opens";
}

TEST(KXHomeListView, TheSizeSliderSetsTheRowsHeight)
{
    Panel panel;
    EXPECT_FLOAT_EQ(panel.list.imgSizeSlider()->value(), 0.5f);
    const std::vector<std::pair<float, float>> sizes = {{0.0f, 50}, {0.25f, 70}, {0.5f, 90}, {1.0f, 180}};
    for (const auto& [value, size] : sizes) {
        panel.list.sliderValueChange(value);
        EXPECT_FLOAT_EQ(KXHomeListView::previewSize(), size);
        EXPECT_EQ(panel.list.listTableView()->rowPitch(), static_cast<int>(size) + 3);
        fontlisttest::settle(panel.list);
        const auto record = panel.list.listModel()->recordAt(0);
        EXPECT_NEAR(record->cellHeight, size / 3, 1e-5) << "the row's set-up follows";
    }
    // The toolbar's slider reports through the panel.
    panel.list.imgSizeSlider()->slider()->setValue(250);
    EXPECT_FLOAT_EQ(KXHomeListView::previewSize(), 70);
    panel.list.sliderValueChange(0.5f);
}

TEST(KXHomeListView, TwoThemeClicksReturnToTheStartingTheme)
{
    Panel panel;
    auto& theme = KXThemeManager::themeManager();
    auto& defaults = foundation::UserDefaults::standardUserDefaults();
    const auto light = kx_qcolor(theme.RightBGC());
    panel.list.themeClick();
    EXPECT_FALSE(theme.isNight());
    EXPECT_EQ(defaults.stringForKey("the")->utf8(), "1");
    EXPECT_EQ(panel.list.palette().color(QPalette::Window), kx_qcolor(theme.RightBGC()));
    EXPECT_EQ(panel.list.CNBtn()->selectedColor(), kx_qcolor(theme.cnBtnSelect()));
    EXPECT_FALSE(panel.list.themeBtn()->image().isNull());
    panel.list.themeClick();
    EXPECT_TRUE(theme.isNight());
    EXPECT_EQ(defaults.stringForKey("the")->utf8(), "0");
    EXPECT_EQ(panel.list.palette().color(QPalette::Window), light);
}

// The contrast ratio of two colours, from their relative luminance (sRGB).
double contrast(const QColor& a, const QColor& b)
{
    const auto luminance = [](const QColor& c) {
        const auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

TEST(KXHomeListView, TheScrollerThumbStandsOutFromItsTrackInBothPalettes)
{
    Panel panel;
    panel.list.setTabTypeNum(KXHomeListView::ModeLocal);
    auto rows = foundation::MutableArray::create();
    for (int row = 0; row < 40; ++row)
        rows->addObject(Id(fontlisttest::record(0, "FreeSerif")));
    panel.list.setDataArray(rows);
    fontlisttest::settle(panel.list);
    QScrollBar* bar = panel.list.listTableView()->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    ASSERT_TRUE(bar->isVisible());
    for (int palette = 0; palette < 2; ++palette) {
        const auto [track, thumb] = panel.list.listTableView()->scrollerColours();
        SCOPED_TRACE(track.name().toStdString());
        EXPECT_EQ(track, kx_qcolor(KXThemeManager::themeManager().RightBGC())) << "the track is the list's background";
        EXPECT_GE(contrast(thumb, track), 3.0);
        // Painted in those colours: the thumb at the top, the track below it.
        bar->setValue(0);
        const QImage picture = bar->grab().toImage();
        const double scale = picture.devicePixelRatio();
        const auto at = [&](int x, int y) { return picture.pixelColor(static_cast<int>(x * scale), static_cast<int>(y * scale)); };
        EXPECT_EQ(at(bar->width() / 2, 12), thumb);
        EXPECT_EQ(at(bar->width() / 2, bar->height() - 3), track);
        fontlisttest::saveScreenshot(panel.list, track.lightness() > 128 ? "font-list-scroller-day" : "font-list-scroller-night");
        panel.list.themeClick();
    }
}

TEST(KXHomeListView, TheSearchPanelsSignInRequestReachesTheOwner)
{
    Panel panel;
    auto owner = std::make_shared<RecordingListOwner>();
    panel.list.setDelegate(owner);
    panel.list.loginClick();
    EXPECT_EQ(owner->logins, 1);
}

TEST(KXFontTableView, UserScrollingIsAnnouncedUntilTheWheelRestsOrTheScrollerIsLetGo)
{
    dispatch::VirtualClock::Scope time;
    Panel panel;
    std::vector<std::string> seen;
    auto& centre = dispatch::NotificationCenter::defaultCenter();
    auto start = centre.addObserver(KXFontTableView::kWillStartLiveScrollNotification, Id(), nullptr,
                                    [&](const dispatch::Notification& n) { seen.push_back(n.name); });
    auto end = centre.addObserver(KXFontTableView::kDidEndLiveScrollNotification, Id(), nullptr,
                                  [&](const dispatch::Notification& n) { seen.push_back(n.name); });
    auto* table = panel.list.listTableView();
    auto wheel = [&] {
        QWheelEvent event(QPointF(100, 100), table->viewport()->mapToGlobal(QPointF(100, 100)), QPoint(), QPoint(0, -120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(table->viewport(), &event);
    };
    wheel();
    EXPECT_TRUE(KXGlobalDataBase::sharedKXGlobalDataBase().scrollSate()) << "the panel observes";
    time.advance(0.15);
    wheel();
    time.advance(0.15);
    EXPECT_EQ(seen.size(), 1u) << "still within 200 ms of the last wheel event";
    time.advance(0.06);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1], KXFontTableView::kDidEndLiveScrollNotification);
    EXPECT_FALSE(KXGlobalDataBase::sharedKXGlobalDataBase().scrollSate());

    emit table->verticalScrollBar()->sliderPressed();
    time.advance(1);
    EXPECT_EQ(seen.size(), 3u) << "no end while the scroller is held";
    emit table->verticalScrollBar()->sliderReleased();
    EXPECT_EQ(seen.size(), 4u);

    // Scrolling by the program is no live scroll.
    table->verticalScrollBar()->setValue(200);
    EXPECT_EQ(seen.size(), 4u);
}

TEST(KXFontTableView, AClickGivesTheListTheKeysThatScrollIt)
{
    Panel panel;
    panel.list.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&panel.list));
    auto* table = panel.list.listTableView();
    auto* bar = table->verticalScrollBar();
    ASSERT_GT(bar->maximum(), bar->pageStep() * 2);
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, QPoint(100, 40));
    ASSERT_EQ(QApplication::focusWidget(), table);

    // The keys go where focus is, as a person's key presses do.
    auto press = [](Qt::Key key) { QTest::keyClick(QApplication::focusWidget(), key); };
    press(Qt::Key_PageDown);
    EXPECT_EQ(bar->value(), bar->pageStep()) << "a page, from where the list is";
    press(Qt::Key_Down);
    EXPECT_EQ(bar->value(), bar->pageStep() + bar->singleStep());
    press(Qt::Key_Up);
    press(Qt::Key_PageDown);
    EXPECT_EQ(bar->value(), 2 * bar->pageStep());
    press(Qt::Key_End);
    EXPECT_EQ(bar->value(), bar->maximum());
    press(Qt::Key_PageUp);
    EXPECT_EQ(bar->value(), bar->maximum() - bar->pageStep());
    press(Qt::Key_Home);
    EXPECT_EQ(bar->value(), 0);
}

TEST(KXHomeListView, EachScrollIsTracedOnlyWhenTheTraceIsOn)
{
    dispatch::VirtualClock::Scope time;
    Panel panel;
    auto* table = panel.list.listTableView();
    const auto scroll = [&] {
        emit table->verticalScrollBar()->sliderPressed();
        emit table->verticalScrollBar()->sliderReleased();
    };
    {
        testsupport::PageTrace off(false);
        scroll();
        EXPECT_TRUE(off.lines().empty());
    }
    testsupport::PageTrace trace(true);
    scroll();
    EXPECT_EQ(trace.lines(), (std::vector<QString>{QStringLiteral("------------开始滚动"), QStringLiteral("------------结束滚动")}));
}

#include "KXHomeListViewTests.moc"
