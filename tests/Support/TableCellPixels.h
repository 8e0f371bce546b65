#pragma once

#include <QApplication>
#include <QColor>
#include <QHeaderView>
#include <QImage>
#include <QTableWidget>
#include <QWidget>

#include <cstdlib>
#include <memory>

// What a widget draws once it lies in a table cell, where it takes the view's Base background
// role and, with it, the Text role for its text unless it has pinned its own.
namespace tablecellpixels {

// `cell` (taken over) in the only cell of a shown `size` table, and the picture it draws there.
// The table is handed back so that a test can keep it for a screenshot.
inline QImage drawnInCell(QWidget* cell, std::unique_ptr<QTableWidget>& table, QSize size = QSize(240, 80))
{
    table = std::make_unique<QTableWidget>(1, 1);
    table->horizontalHeader()->hide();
    table->verticalHeader()->hide();
    table->setColumnWidth(0, size.width());
    table->setRowHeight(0, size.height());
    table->resize(size + QSize(4, 4));
    table->setCellWidget(0, 0, cell);
    table->show();
    QApplication::processEvents();
    return cell->grab().toImage();
}

// How many pixels of `picture` are `colour`, each channel within `tolerance` of it (small text
// seldom covers a whole pixel).
inline int pixelsOf(const QImage& picture, const QColor& colour, int tolerance = 0)
{
    int count = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const QColor pixel = picture.pixelColor(x, y);
            count += std::abs(pixel.red() - colour.red()) <= tolerance && std::abs(pixel.green() - colour.green()) <= tolerance
                    && std::abs(pixel.blue() - colour.blue()) <= tolerance
                ? 1
                : 0;
        }
    }
    return count;
}

} // namespace tablecellpixels
