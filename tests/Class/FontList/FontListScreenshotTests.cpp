// Pictures of the font list for review, day and night, into <build>/screenshots/: the panel with
// rows in their states (hovered, selected, installed, in a folder, downloading, the licence link),
// the local tab, the empty views and the popovers. Each picture is checked for a known pixel.
#include "Class/FontList/Core/KXDownloadedFontMap.h"
#include "Class/FontList/KXCustomPopoverController.h"
#include "Class/FontList/KXCustomSliderPopoverController.h"
#include "Class/FontList/KXFontListModel.h"
#include "Class/FontList/KXFontTableView.h"
#include "Class/FontList/KXHomeListTableCellView.h"
#include "Class/FontList/KXHomeListView.h"
#include "Class/FontList/KXListCellProgressView.h"
#include "Class/FontList/KXPreviewLoads.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/Theme/KXThemeManager.h"
#include "Class/UIKit/KXQtColor.h"
#include "FontListTestSupport.h"
#include "Platform/Dispatch/Clock.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Foundation/Foundation.h"

#include <QFontMetricsF>
#include <QTest>
#include <gtest/gtest.h>

using foundation::Id;

namespace {

class ScreenshotTest : public testing::TestWithParam<bool> {
protected:
    QString suffix() const { return GetParam() ? "day" : "night"; }
    // The panel opens in the light palette; night is one theme click away.
    void applyPalette(KXHomeListView& list)
    {
        if (!GetParam())
            list.themeClick();
        fontlisttest::settle(list);
    }
};

void waitForPreviews(KXHomeListView& list)
{
    dispatch::RunLoop::runUntil([&] { return list.listTableView()->previews().loadsInFlight() == 0; }, 5);
    fontlisttest::settle(list);
}

void hover(KXFontTableView& table, int row)
{
    const QRect rect = table.visualRect(table.model()->index(row, 0));
    const QPoint point = rect.topLeft() + QPoint(500, 70);
    QMouseEvent move(QEvent::MouseMove, point, table.viewport()->mapToGlobal(point), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(table.viewport(), &move);
}

} // namespace

TEST_P(ScreenshotTest, PanelWithRowsInEveryState)
{
    dispatch::VirtualClock::Scope time;
    KXGlobalDataBase::sharedKXGlobalDataBase().setScrollSate(false);
    fontlisttest::ScopedPreviewSource previews;
    KXHomeListView list(QRect(0, 0, 1000, 760));
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    applyPalette(list);
    auto* model = list.listModel();
    ASSERT_GT(model->rowCount(), 6);

    // Row 1 installed, row 2 in a folder, row 3 selected, row 4 downloading, row 5 just downloaded.
    const auto installed = model->recordAt(1);
    ASSERT_TRUE(KXDownloadedFontMap::shared().setPathForFontname(installed->fontname->utf8(), "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"));
    KXUserCenterConfig::sharedKXUserCenterConfig().setGroupsInfo(foundation::Array::create(
        {Id(foundation::Dictionary::create({{Id("fonts"), Id(foundation::Array::create({Id(model->recordAt(2)->fontid)}))}}))}));
    model->recordAt(3)->is_seleted = true;
    model->recordAt(4)->progress = 0.43;
    model->recordAt(4)->isLoading = true;
    model->recordAt(5)->progress = static_cast<double>(0.85f);
    model->recordAt(5)->marketing = foundation::String::create(",m5,");
    list.reloadData();
    waitForPreviews(list);
    time.advance(1.01);
    hover(*list.listTableView(), 0);
    fontlisttest::settle(list);

    const QImage shot = list.grab().toImage();
    const auto& theme = KXThemeManager::themeManager();
    EXPECT_EQ(shot.pixelColor(997, 100), kx_qcolor(theme.RightBGC())) << "the panel's background";
    EXPECT_TRUE(fontlisttest::saveScreenshot(list, "fontlist-panel-" + suffix()));

    KXDownloadedFontMap::shared().removeFontname(installed->fontname->utf8());
    KXUserCenterConfig::sharedKXUserCenterConfig().setGroupsInfo(nullptr);
}

// A list as wide as the main window's: a long name with every badge is elided before them.
TEST_P(ScreenshotTest, ALongNameWithItsBadgesInTheMainWindowsWidth)
{
    fontlisttest::ScopedPreviewSource previews;
    KXHomeListView list(QRect(0, 0, 310, 420));
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    applyPalette(list);
    auto rows = foundation::MutableArray::create();
    auto longName = fontlisttest::record(2001, "DejaVu Serif Condensed Bold GBK", ",m3,m4,m5,m11,", 1001);
    longName->is_3d = 1;
    rows->addObject(Id(longName));
    rows->addObject(Id(fontlisttest::record(2002, "DejaVu Serif Condensed", ",m5,", 1002)));
    list.setDataArray(rows);
    waitForPreviews(list);
    KXFontTableView& table = *list.listTableView();
    const QRect firstRow = KXHomeListTableCellView::rowRect(table.visualRect(table.model()->index(0, 0)), &table);
    const KXRowGeometry g = list.rowView()->rowFor(*longName, firstRow, &table).geometry;
    EXPECT_LE(g.threeD.x + g.threeD.width, g.favourite.x - KXRowGeometry::kStarClearance);
    EXPECT_TRUE(fontlisttest::saveScreenshot(list, "fontlist-long-name-" + suffix()));
}

TEST_P(ScreenshotTest, LocalTabDrawsNamesInTheirFonts)
{
    fontlisttest::ScopedPreviewSource previews;
    KXHomeListView list(QRect(0, 0, 900, 560));
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    applyPalette(list);
    list.setTabTypeNum(KXHomeListView::ModeLocal);
    auto rows = foundation::MutableArray::create();
    const std::vector<std::pair<const char*, const char*>> fonts = {
        {"DejaVu Serif Bold", "DejaVuSerif-Bold"}, {"FreeMono", "FreeMono"}, {"文泉驿微米黑", "WenQuanYiMicroHei"}, {"No Such Font", "NoSuchFont-Regular"}};
    for (const auto& [name, postScript] : fonts) {
        auto font = fontlisttest::record(0, name);
        font->pName = foundation::String::create(postScript);
        rows->addObject(Id(font));
    }
    list.setDataArray(rows);
    fontlisttest::settle(list);
    EXPECT_EQ(list.listModel()->recordAt(0)->cellType, 2u);
    ASSERT_TRUE(fontlisttest::waitForLocalNames(*list.listTableView()));
    EXPECT_TRUE(fontlisttest::saveScreenshot(list, "fontlist-local-" + suffix()));
}

// Names wider than their area (6.7 times its height) end in an ellipsis inside it, never
// mid-letter; a name that fits is drawn whole.
TEST_P(ScreenshotTest, LocalTabElidesNamesWiderThanTheirArea)
{
    fontlisttest::ScopedPreviewSource previews;
    KXHomeListView list(QRect(0, 0, 900, 560));
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    applyPalette(list);
    list.setTabTypeNum(KXHomeListView::ModeLocal);
    auto rows = foundation::MutableArray::create();
    const std::vector<std::pair<const char*, const char*>> fonts = {{"DejaVu Sans Condensed Bold Oblique", "DejaVuSansCondensed-BoldOblique"},
                                                                    {"DejaVu Sans Condensed Oblique", "DejaVuSansCondensed-Oblique"},
                                                                    {"DejaVu Serif Condensed Bold Italic", "DejaVuSerifCondensed-BoldItalic"},
                                                                    {"FreeMono", "FreeMono"}};
    for (const auto& [name, postScript] : fonts) {
        auto font = fontlisttest::record(0, name);
        font->pName = foundation::String::create(postScript);
        rows->addObject(Id(font));
    }
    list.setDataArray(rows);
    fontlisttest::settle(list);
    KXFontTableView& table = *list.listTableView();
    int elided = 0;
    for (int i = 0; i < static_cast<int>(fonts.size()); ++i) {
        const auto record = list.listModel()->recordAt(i);
        const QRect rect = KXHomeListTableCellView::rowRect(table.visualRect(table.model()->index(i, 0)), &table);
        const KXRowGeometry g = list.rowView()->rowFor(*record, rect, &table).geometry;
        ASSERT_GT(g.localName.height, 0) << i;
        EXPECT_NEAR(g.localName.width, 6.7 * g.localName.height, 1) << "the area keeps its size " << i;
        const QString name = QString::fromUtf8(fonts[i].first);
        const QString shown = KXRowPainter::localNameText(*record, g);
        const QFontMetricsF metrics(KXRowPainter::localNameFont(*record));
        EXPECT_LE(metrics.horizontalAdvance(shown), g.localName.width) << i;
        if (metrics.horizontalAdvance(name) <= g.localName.width) {
            EXPECT_EQ(shown, name) << i;
        } else {
            ++elided;
            EXPECT_TRUE(shown.endsWith(QChar(0x2026))) << shown.toStdString();
            EXPECT_TRUE(name.startsWith(shown.chopped(1))) << shown.toStdString();
        }
    }
    EXPECT_EQ(elided, 3) << "the three long names are too wide for their areas";
    ASSERT_TRUE(fontlisttest::waitForLocalNames(table));
    EXPECT_TRUE(fontlisttest::saveScreenshot(list, "fontlist-local-long-names-" + suffix()));
}

TEST_P(ScreenshotTest, EmptyAndNoResultViews)
{
    KXHomeListView list(QRect(0, 0, 700, 520));
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    applyPalette(list);
    list.setDataArray(foundation::MutableArray::create());
    list.setTabTypeNum(KXHomeListView::ModeFolder);
    fontlisttest::settle(list);
    EXPECT_TRUE(list.groupNoDataView()->isVisible());
    EXPECT_TRUE(fontlisttest::saveScreenshot(list, "fontlist-empty-folder-" + suffix()));

    // A filter that finds nothing: the no-result view over the whole catalogue.
    fontlisttest::ScopedPreviewSource previews;
    list.setTabTypeNum(KXHomeListView::ModeCloud);
    list.filterViewTagsClick(
        foundation::Dictionary::create({{Id("字体品牌"), Id(foundation::Array::create({Id("no-such-brand")}))}}));
    waitForPreviews(list);
    EXPECT_TRUE(list.noDataView()->isVisible());
    EXPECT_EQ(list.listTableView()->geometry().top(), 320);
    EXPECT_TRUE(fontlisttest::saveScreenshot(list, "fontlist-no-result-" + suffix()));
    list.filterViewTagsClick(foundation::Dictionary::create());
}

TEST_P(ScreenshotTest, Popovers)
{
    KXThemeManager::themeManager().setIsNight(GetParam());
    QWidget window;
    window.setGeometry(200, 300, 300, 200);
    auto* anchor = new QWidget(&window);
    anchor->setGeometry(100, 150, 40, 20);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    KXCustomPopoverController sort;
    sort.editTitle(QString::fromUtf8("热度排序"), anchor);
    fontlisttest::settle(*sort.popover());
    const QImage sortShot = sort.popover()->grab().toImage();
    EXPECT_EQ(sortShot.pixelColor(2, 105 * sortShot.height() / 110), kx_qcolor(KXThemeManager::themeManager().RightBGC()));
    EXPECT_TRUE(fontlisttest::saveScreenshot(*sort.popover(), "fontlist-sort-popover-" + suffix()));

    KXCustomSliderPopoverController size;
    size.sliderValue(0.6f, anchor);
    fontlisttest::settle(*size.popover());
    EXPECT_EQ(size.popover()->grab().toImage().pixelColor(1, 1), QColor(Qt::white));
    EXPECT_TRUE(fontlisttest::saveScreenshot(*size.popover(), "fontlist-size-popover-" + suffix()));

    KXListCellProgressView ring;

    ring.setAutoFillBackground(true);
    QPalette palette = ring.palette();
    palette.setColor(QPalette::Window, kx_qcolor(KXThemeManager::themeManager().listcellBGC()));
    ring.setPalette(palette);
    ring.setProgress(0.72);
    EXPECT_TRUE(fontlisttest::saveScreenshot(ring, "fontlist-ring-" + suffix()));
}

INSTANTIATE_TEST_SUITE_P(Palettes, ScreenshotTest, testing::Values(true, false),
                         [](const testing::TestParamInfo<bool>& param) { return param.param ? "Day" : "Night"; });
