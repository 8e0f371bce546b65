// The font list's label helper, placed where the favourites and the personal centre put it.
#include "Class/FontList/KXFontListStyle.h"

#include "Support/TableCellPixels.h"

#include <QLabel>

#include <gtest/gtest.h>

TEST(KXFontListStyle, APlainLabelInATableCellDrawsItsOwnColour)
{
    const QColor red(200, 30, 30);
    std::unique_ptr<QTableWidget> table;
    const QImage picture = tablecellpixels::drawnInCell(fontliststyle::plainLabel(QStringLiteral("HHH"), 48, red, nullptr), table);
    EXPECT_GT(tablecellpixels::pixelsOf(picture, red), 50) << "the strokes in the colour given";
    EXPECT_EQ(tablecellpixels::pixelsOf(picture, table->palette().color(QPalette::Text)), 0) << "not the view's text colour";
}
