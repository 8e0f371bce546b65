// The store's table builds row views only for the rows in view and reuses them by identifier; the
// store's labels keep their colour in a table cell.
#include "Class/Store/KXStoreTableCellView.h"
#include "Class/Store/KXStoreTableView.h"
#include "Class/Store/KXStoreStyle.h"
#include "StoreTestSupport.h"
#include "Support/TableCellPixels.h"

#include <QLabel>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// A data source of `heights.size()` rows that counts the views it makes and the rows it is asked for.
class Rows final : public QObject {
public:
    std::vector<double> heights;
    int made = 0;
    std::vector<int> asked;
    int clicks = 0;

    int numberOfRowsInTableView(KXStoreTableView*) { return static_cast<int>(heights.size()); }
    double tableViewHeightOfRow(KXStoreTableView*, int row) { return heights[static_cast<std::size_t>(row)]; }
    KXStoreTableCellView* tableViewViewForRow(KXStoreTableView* table, int row)
    {
        asked.push_back(row);
        auto* view = table->makeViewWithIdentifier("RowID");
        if (!view) {
            view = new KXStoreTableCellView(table->viewport());
            view->setIdentifier("RowID");
            ++made;
        }
        view->setProperty("row", row);
        return view;
    }
    void tableViewClicked(KXStoreTableView*) { ++clicks; }
};

class KXStoreTableViewTest : public testing::Test {
protected:
    void SetUp() override
    {
        rows.heights.assign(100, 90);
        table.resize(300, 400);
        table.show();
        source = std::make_shared<KXStoreTableViewForwarder<Rows>>(&rows);
        table.setDataSource(source);
        table.setIntercellSpacing({ 0, 2 });
        storetest::settle(table);
    }
    Rows rows;
    std::shared_ptr<KXStoreTableViewDataSource> source;
    KXStoreTableView table;
};

TEST_F(KXStoreTableViewTest, BuildsOnlyTheRowsInView)
{
    table.reloadData();
    // 400 points of 92-point pitch: rows 0 to 4.
    EXPECT_EQ(table.rowsInView(), std::make_pair(0, 4));
    EXPECT_EQ(table.viewCount(), 5u);
    EXPECT_EQ(table.contentHeight(), 100 * 92);
    ASSERT_NE(table.viewAtRow(3), nullptr);
    EXPECT_EQ(table.viewAtRow(3)->geometry(), QRect(0, 276, table.viewport()->width(), 90));
    EXPECT_EQ(table.viewAtRow(3)->property("row").toInt(), 3);
    EXPECT_EQ(table.viewAtRow(20), nullptr);
}

TEST_F(KXStoreTableViewTest, ScrollingReusesTheViewsOfRowsThatLeft)
{
    table.reloadData();
    const int made = rows.made;
    for (int step = 1; step <= 40; ++step)
        table.verticalScrollBar()->setValue(step * 100);
    EXPECT_EQ(table.rowsInView().first, 4000 / 92);
    EXPECT_LE(rows.made, made + 1) << "rows scrolled in take the views of rows scrolled out";
    EXPECT_LE(table.viewCount(), 7u);
    const auto [first, last] = table.rowsInView();
    for (int row = first; row <= last; ++row) {
        ASSERT_NE(table.viewAtRow(row), nullptr);
        EXPECT_EQ(table.viewAtRow(row)->property("row").toInt(), row);
        EXPECT_EQ(table.viewAtRow(row)->y(),
            static_cast<int>(table.rectOfRow(row).y()) - table.verticalScrollBar()->value());
    }
}

TEST_F(KXStoreTableViewTest, ReloadAsksAgainForTheRowsInViewOnly)
{
    table.reloadData();
    rows.asked.clear();
    rows.heights.resize(3);
    table.reloadData();
    EXPECT_EQ(rows.asked, (std::vector<int> { 0, 1, 2 }));
    EXPECT_EQ(table.rowsInView(), std::make_pair(0, 2));
    rows.heights.clear();
    table.reloadData();
    EXPECT_EQ(table.rowsInView(), std::make_pair(-1, -1));
    EXPECT_EQ(table.viewAtRow(0), nullptr);
}

TEST_F(KXStoreTableViewTest, RowsOfDifferentHeightsAndClicks)
{
    rows.heights = { 100, 140, 180 };
    table.setIntercellSpacing({ 0, 3 });
    const double width = table.viewport()->width();
    EXPECT_EQ(table.rectOfRow(1), QRectF(0, 103, width, 140));
    EXPECT_EQ(table.rectOfRow(2), QRectF(0, 246, width, 180));
    QTest::mouseClick(table.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(50, 250));
    EXPECT_EQ(table.clickedRow(), 2);
    EXPECT_EQ(rows.clicks, 1);
    // The spacing between rows is no row.
    QTest::mouseClick(table.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(50, 101));
    EXPECT_EQ(rows.clicks, 1);
}

TEST_F(KXStoreTableViewTest, InsertedRowsFadeInAndFinishOpaque)
{
    rows.heights.assign(2, 90);
    table.reloadData();
    rows.heights.push_back(90);
    table.insertRows(2, 1, true);
    ASSERT_NE(table.viewAtRow(2), nullptr);
    EXPECT_NE(table.viewAtRow(2)->graphicsEffect(), nullptr);
    table.finishAnimations();
    EXPECT_EQ(table.viewAtRow(2)->graphicsEffect(), nullptr);
    rows.heights.pop_back();
    table.removeRow(2, true);
    EXPECT_EQ(table.numberOfRows(), 2);
    table.finishAnimations();
}

} // namespace

TEST(KXStoreStyle, APlainLabelInATableCellDrawsItsOwnColour)
{
    std::unique_ptr<QTableWidget> table;
    const QImage picture
        = tablecellpixels::drawnInCell(storestyle::plainLabel(QStringLiteral("HHH"), 48, storestyle::kStoreRed, nullptr), table);
    EXPECT_GT(tablecellpixels::pixelsOf(picture, storestyle::kStoreRed), 50);
    EXPECT_EQ(tablecellpixels::pixelsOf(picture, table->palette().color(QPalette::Text)), 0);
}
