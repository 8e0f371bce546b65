#include "Class/Home/KXHomeStyle.h"

#include "Class/UIKit/KXThinScrollBar.h"

#include <QApplication>
#include <QPalette>
#include <QWidget>

namespace kxhome {

void styleMenuScrollBar(QScrollBar* bar)
{
    kx_styleThinScrollBar(bar, kMenuScrollBarWidth, kMenuScrollHandle, kMenuScrollTrack);
}

QFont systemFont(double points)
{
    QFont font = QApplication::font();
    font.setPixelSize(static_cast<int>(points + 0.5));
    return font;
}

void setTextColor(QWidget* widget, const QColor& color)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::Text, color);
    widget->setPalette(palette);
}

} // namespace kxhome
