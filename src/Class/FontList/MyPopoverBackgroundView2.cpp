#include "Class/FontList/MyPopoverBackgroundView2.h"

MyPopoverBackgroundView2::MyPopoverBackgroundView2(QWidget* parent)
    : MyPopoverBackgroundView(parent)
{
}
