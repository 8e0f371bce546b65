#include "Class/AppShell/KXRoundedBox.h"

#include <QPainter>

KXRoundedBox::KXRoundedBox(QWidget* parent, QColor fill, double radius, QColor border)
    : QWidget(parent)
    , fill_(fill)
    , border_(border)
    , radius_(radius)
{
}

void KXRoundedBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(border_.isValid() ? QPen(border_, 1) : Qt::NoPen);
    painter.setBrush(fill_);
    painter.drawRoundedRect(box, radius_, radius_);
}
