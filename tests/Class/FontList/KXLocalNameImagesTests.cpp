// The local rows' names, drawn in their own fonts on the pool: the main thread paints rows without
// making those fonts, a name shows once drawn as it did when drawn in place, and a name that comes
// in after its row scrolled away repaints nothing else.
#include "Class/FontList/KXFontListModel.h"
#include "Class/FontList/KXFontTableView.h"
#include "Class/FontList/KXHomeListView.h"
#include "Class/FontList/KXLocalFontResolver.h"
#include "Class/FontList/KXLocalNameImages.h"
#include "Class/Theme/KXThemeManager.h"
#include "Class/UIKit/KXQtColor.h"
#include "FontListTestSupport.h"
#include "Platform/Foundation/Foundation.h"

#include <QApplication>
#include <QPainter>
#include <QScrollBar>
#include <QTest>
#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>

using foundation::Id;

namespace {

const char* const kPostScriptNames[] = { "DejaVuSerif-Bold", "FreeMono", "DejaVuSans-Oblique", "FreeSerif" };

// `count` local rows named "Local <n>", in the installed fonts above in turn.
foundation::Ref<foundation::MutableArray> localRecords(int count)
{
    auto rows = foundation::MutableArray::create();
    for (int i = 0; i < count; ++i) {
        auto font = fontlisttest::record(0, "Local " + std::to_string(i));
        font->pName = foundation::String::create(kPostScriptNames[i % 4]);
        rows->addObject(Id(font));
    }
    return rows;
}

struct LocalList {
    fontlisttest::ScopedPreviewSource previews;
    KXHomeListView list { QRect(0, 0, 900, 560) };
    KXFontTableView& table = *list.listTableView();

    // The rows are painted; the names drawn meanwhile come in only at the main queue's next turn.
    explicit LocalList(int count)
    {
        KXThemeManager::themeManager().setIsNight(false);
        list.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&list));
        list.setTabTypeNum(KXHomeListView::ModeLocal);
        fontlisttest::settle(list);
        list.setDataArray(localRecords(count));
        for (int i = 0; i < 3; ++i)
            QApplication::processEvents();
    }
    // The name's area of a row, in the viewport.
    QRect nameArea(int row) const
    {
        const QRect rowRect
            = KXHomeListTableCellView::rowRect(table.visualRect(table.model()->index(row, 0)), &table);
        const auto g = list.rowView()->rowFor(*list.listModel()->recordAt(row), rowRect, &table).geometry;
        return QRectF(g.localName.x, g.localName.y, g.localName.width, g.localName.height)
            .translated(rowRect.topLeft())
            .toRect();
    }
    QImage shot() const { return table.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32); }
};

int pixelsUnlike(
    const QImage& image, const QRect& area, const QImage& other, const QPoint& otherOrigin, int tolerance)
{
    int unlike = 0;
    for (int y = 0; y < area.height(); ++y) {
        for (int x = 0; x < area.width(); ++x) {
            const QColor a = image.pixelColor(area.topLeft() + QPoint(x, y));
            const QColor b = other.pixelColor(otherOrigin + QPoint(x, y));
            const int diff = std::max({ std::abs(a.red() - b.red()), std::abs(a.green() - b.green()),
                std::abs(a.blue() - b.blue()) });
            unlike += diff > tolerance ? 1 : 0;
        }
    }
    return unlike;
}

} // namespace

TEST(KXLocalNameImages, RowsShowTheirNamesInTheirFontsWithoutMakingThemOnTheMainThread)
{
    const long long madeOnMain = KXLocalFontResolver::shared().mainThreadFonts();
    LocalList local(4);
    EXPECT_EQ(KXLocalFontResolver::shared().mainThreadFonts(), madeOnMain)
        << "a row made its font on the main thread";

    ASSERT_EQ(local.table.localNames().pending(), 4u);
    const QImage placeholder = local.shot();
    const QColor ground = kx_qcolor(KXThemeManager::themeManager().listcellBGC());
    ASSERT_TRUE(fontlisttest::waitForLocalNames(local.table));
    EXPECT_GE(local.table.localNames().cached(), 4u);
    const QImage shown = local.shot();
    for (int row = 0; row < 4; ++row) {
        const QRect area = local.nameArea(row);
        ASSERT_FALSE(area.isEmpty()) << row;
        QImage flat(area.size(), QImage::Format_RGB32);
        flat.fill(ground);
        EXPECT_EQ(pixelsUnlike(placeholder, area, flat, {}, 0), 0)
            << "no name until it is drawn, row " << row;

        // The name as rows drew it in place, on the main thread.
        const auto record = local.list.listModel()->recordAt(row);
        const QRect rowRect = KXHomeListTableCellView::rowRect(
            local.table.visualRect(local.table.model()->index(row, 0)), &local.table);
        const auto g = local.list.rowView()->rowFor(*record, rowRect, &local.table).geometry;
        QImage inPlace = flat;
        QPainter painter(&inPlace);
        painter.setFont(KXRowPainter::localNameFont(*record));
        painter.setPen(kx_qcolor(KXThemeManager::themeManager().locallistcellLabel()));
        painter.drawText(QRectF(QPointF(), area.size()),
            Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, KXRowPainter::localNameText(*record, g));
        painter.end();
        const int inked = pixelsUnlike(inPlace, QRect(QPoint(), area.size()), flat, {}, 64);
        EXPECT_GT(inked, 50) << row;
        EXPECT_LT(pixelsUnlike(shown, area, inPlace, {}, 16), inked / 50)
            << "the name looks as it did, row " << row;
    }
}

TEST(KXLocalNameImages, ANameThatArrivesAfterItsRowScrolledAwayRepaintsNoOtherRow)
{
    LocalList local(40);
    QScrollBar* bar = local.table.verticalScrollBar();
    const int page = bar->pageStep();
    // The rows of the top two pages have their names already.
    bar->setValue(page);
    ASSERT_TRUE(fontlisttest::waitForLocalNames(local.table));
    bar->setValue(2 * page);
    QApplication::processEvents();
    ASSERT_GT(local.table.localNames().pending(), 0u) << "the third page's names are being drawn";

    // Back up before they come in: still near (a page away), so they arrive.
    bar->setValue(page);
    QApplication::processEvents();
    const long long painted = local.list.rowView()->paintCount();
    const std::size_t cached = local.table.localNames().cached();
    ASSERT_TRUE(fontlisttest::waitForLocalNames(local.table));
    EXPECT_GT(local.table.localNames().cached(), cached);
    EXPECT_EQ(local.list.rowView()->paintCount(), painted)
        << "an arrival repainted a row in view that did not wait for it";

    bar->setValue(2 * page);
    QApplication::processEvents();
    EXPECT_EQ(local.table.localNames().pending(), 0u) << "the third page shows the names that came in";
}

// A fast scroll through thousands of fonts must not leave a font match queued for every row passed.
TEST(KXLocalNameImages, RowsScrolledFarPastBeforeTheirNamesBeganDrawNone)
{
    LocalList local(40);
    ASSERT_GT(local.table.localNames().pending(), 0u);
    QScrollBar* bar = local.table.verticalScrollBar();
    bar->setValue(bar->maximum());
    QApplication::processEvents();
    ASSERT_TRUE(fontlisttest::waitForLocalNames(local.table));

    bar->setValue(0);
    QApplication::processEvents();
    EXPECT_GT(local.table.localNames().pending(), 0u)
        << "the top rows' names were drawn after the rows had gone";
}
