#include "Class/UIKit/KXThinScrollBar.h"

#include <QScrollBar>

namespace {

QString rgb(const QColor& colour)
{
    return QStringLiteral("rgb(%1, %2, %3)").arg(colour.red()).arg(colour.green()).arg(colour.blue());
}

} // namespace

void kx_styleThinScrollBar(QScrollBar* bar, int width, const QColor& handle, std::optional<QColor> track)
{
    bar->setStyleSheet(QStringLiteral("QScrollBar:vertical { background: %1; width: %2px; margin: 0; border: none; border-radius: %4px; }"
                                      "QScrollBar::handle:vertical { background: %3; border-radius: %4px; min-height: 16px; }"
                                      "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; border: none; background: none; }"
                                      "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: none; }")
                           .arg(track ? rgb(*track) : QStringLiteral("transparent"))
                           .arg(width)
                           .arg(rgb(handle))
                           .arg(width / 2));
}
