#include "Class/SearchFilter/KXHomeSearchCell.h"
#include "Class/UIKit/KXLabelText.h"

#include "Class/FontList/KXFontListStyle.h"

#include <QFontMetrics>
#include <QPainter>

QRect KXHomeSearchCell::titleRect(const QRect& row)
{
    return row.adjusted(kTitleLeft, 0, -kTitleRight, 0);
}

void KXHomeSearchCell::paint(QPainter& painter, const QRect& row) const
{
    const QFont font = fontliststyle::systemFont(12);
    const QRect area = titleRect(row);
    painter.save();
    painter.setFont(font);
    painter.setPen(QColor(180, 180, 180));
    painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     kx_elidedText(QFontMetrics(font), title_, Qt::ElideRight, area.width()));
    painter.restore();
}
