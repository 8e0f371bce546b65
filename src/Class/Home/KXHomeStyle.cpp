#include "Class/Home/KXHomeStyle.h"

#include <QApplication>
#include <QPalette>
#include <QScrollBar>
#include <QWidget>

namespace kxhome {

void styleMenuScrollBar(QScrollBar* bar)
{
    bar->setStyleSheet(QStringLiteral("QScrollBar:vertical { background: transparent; width: %1px; margin: 0; border: none; }"
                                      "QScrollBar::handle:vertical { background: rgb(%2, %3, %4); border-radius: %5px; min-height: 16px; }"
                                      "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; border: none; background: none; }"
                                      "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: none; }")
                           .arg(kMenuScrollBarWidth)
                           .arg(kMenuLine.red())
                           .arg(kMenuLine.green())
                           .arg(kMenuLine.blue())
                           .arg(kMenuScrollBarWidth / 2));
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
