#include "Class/Store/KXStoreBox.h"

#include "Class/Store/KXStoreStyle.h"

#include <QGraphicsDropShadowEffect>

KXStoreBox::KXStoreBox(QWidget* parent, QColor background, double radius)
    : QWidget(parent)
    , background_(background)
    , radius_(radius)
{
}

void KXStoreBox::setBackground(const QColor& color)
{
    background_ = color;
    update();
}

void KXStoreBox::setCornerRadius(double radius)
{
    radius_ = radius;
    update();
}

void KXStoreBox::setBorder(const QColor& color, double width)
{
    border_ = color;
    borderWidth_ = width;
    update();
}

void KXStoreBox::applyShadow(QWidget* widget, const QColor& color, QPointF layerOffset, double blurRadius)
{
    auto* shadow = new QGraphicsDropShadowEffect(widget);
    shadow->setColor(color);
    shadow->setOffset(layerOffset.x(), -layerOffset.y());
    shadow->setBlurRadius(blurRadius * 2);
    widget->setGraphicsEffect(shadow);
}

void KXStoreBox::paintEvent(QPaintEvent* /*event*/)
{
    storestyle::paintFace(*this, background_, radius_, border_, borderWidth_);
}
