#include "Class/Store/KXStoreButton.h"

#include "Class/Store/KXStoreStyle.h"

KXStoreButton::KXStoreButton(QWidget* parent)
    : KXBaseButton(parent)
{
}

void KXStoreButton::setLayerBackground(const QColor& color)
{
    background_ = color;
    update();
}

void KXStoreButton::setCornerRadius(double radius)
{
    radius_ = radius;
    update();
}

void KXStoreButton::setBorder(const QColor& color, double width)
{
    border_ = color;
    borderWidth_ = width;
    update();
}

void KXStoreButton::paintEvent(QPaintEvent* event)
{
    storestyle::paintFace(*this, background_, radius_, border_, borderWidth_);
    KXBaseButton::paintEvent(event);
}
