#include "Class/UIKit/THSearchField.h"

#include <QTest>
#include <gtest/gtest.h>

namespace {

// Finds the column of the cursor: light grey pixels in a field whose text and background are not.
int cursorColumn(const QImage& shot)
{
    const QColor grey = THSearchField::insertionPointColor();
    for (int x = 0; x < shot.width(); ++x) {
        int hits = 0;
        for (int y = 0; y < shot.height(); ++y)
            hits += shot.pixelColor(x, y) == grey;
        if (hits >= 8)
            return x;
    }
    return -1;
}

TEST(THSearchField, CursorIsLightGreyWhateverTheTextColour)
{
    QWidget window;
    auto* field = new THSearchField(&window);
    field->setGeometry(0, 0, 200, 28);
    QPalette palette = field->palette();
    palette.setColor(QPalette::Base, QColor(41, 41, 41));
    palette.setColor(QPalette::Text, QColor(255, 0, 0));
    field->setPalette(palette);
    field->setText("abc");
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    field->setFocus();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return field->hasFocus(); }));
    EXPECT_GE(cursorColumn(field->grab().toImage()), 0);
}

TEST(THSearchField, NoCursorWithoutFocus)
{
    THSearchField field;
    field.resize(200, 28);
    QPalette palette = field.palette();
    palette.setColor(QPalette::Base, QColor(41, 41, 41));
    field.setPalette(palette);
    field.setText("abc");
    EXPECT_EQ(cursorColumn(field.grab().toImage()), -1);
}

} // namespace
