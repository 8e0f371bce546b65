#include "Class/SearchFilter/KXHomeFilterViewHeaderCell.h"

#include "Class/FontList/KXFontListStyle.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

KXHomeFilterViewHeaderCell::KXHomeFilterViewHeaderCell(QWidget* parent)
    : QWidget(parent)
    , titleLabel_(fontliststyle::plainLabel(QString(), 12, QColor(131, 131, 131), this))
{
    titleLabel_->setGeometry(11, 10, 150, 16);
    setCursor(Qt::PointingHandCursor);
}

void KXHomeFilterViewHeaderCell::setTitle(const QString& title)
{
    title_ = title;
    titleLabel_->setText(title);
}

void KXHomeFilterViewHeaderCell::setCollapsed(bool collapsed)
{
    collapsed_ = collapsed;
    update();
}

void KXHomeFilterViewHeaderCell::arowBftnClick()
{
    if (const auto owner = delegate())
        owner->headArrorClick(groupID_);
}

void KXHomeFilterViewHeaderCell::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        arowBftnClick();
    event->accept();
}

void KXHomeFilterViewHeaderCell::paintEvent(QPaintEvent*)
{
    // A small chevron: down while the tags show, right while they are folded away.
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(131, 131, 131), 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const QPointF centre(width() - 16, 18);
    if (collapsed_)
        painter.drawPolyline(QPolygonF({centre + QPointF(-2, -4), centre + QPointF(2, 0), centre + QPointF(-2, 4)}));
    else
        painter.drawPolyline(QPolygonF({centre + QPointF(-4, -2), centre + QPointF(0, 2), centre + QPointF(4, -2)}));
}
