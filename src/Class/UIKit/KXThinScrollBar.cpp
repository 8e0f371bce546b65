#include "Class/UIKit/KXThinScrollBar.h"

#include <QColor>
#include <QScrollBar>

void kx_styleThinScrollBar(QScrollBar* bar, int width, const QColor& handle)
{
    bar->setStyleSheet(QStringLiteral("QScrollBar:vertical { background: transparent; width: %1px; margin: 0; border: none; }"
                                      "QScrollBar::handle:vertical { background: rgb(%2, %3, %4); border-radius: %5px; min-height: 16px; }"
                                      "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; border: none; background: none; }"
                                      "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: none; }")
                           .arg(width)
                           .arg(handle.red())
                           .arg(handle.green())
                           .arg(handle.blue())
                           .arg(width / 2));
}
