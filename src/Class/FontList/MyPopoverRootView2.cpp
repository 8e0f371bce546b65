#include "Class/FontList/MyPopoverRootView2.h"

#include "Class/FontList/KXPopoverBackground.h"
#include "Class/FontList/MyPopoverBackgroundView2.h"

MyPopoverRootView2::MyPopoverRootView2(QWidget* parent)
    : QWidget(parent)
{
}

void MyPopoverRootView2::showEvent(QShowEvent* event)
{
    kx_placePopoverBackground<MyPopoverBackgroundView2>(this);
    QWidget::showEvent(event);
}
