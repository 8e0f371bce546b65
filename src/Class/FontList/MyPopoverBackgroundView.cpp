#include "Class/FontList/MyPopoverBackgroundView.h"

#include "Class/Theme/KXThemeManager.h"
#include "Class/UIKit/KXQtColor.h"

#include <QEvent>
#include <QPainter>

MyPopoverBackgroundView::MyPopoverBackgroundView(QWidget* parent)
    : QWidget(parent)
{
}

void MyPopoverBackgroundView::followWindowSize()
{
    if (parentWidget())
        parentWidget()->installEventFilter(this);
}

bool MyPopoverBackgroundView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        setGeometry(parentWidget()->rect());
    return false;
}

QColor MyPopoverBackgroundView::fillColor() const
{
    return kx_qcolor(KXThemeManager::themeManager().RightBGC());
}

void MyPopoverBackgroundView::paintEvent(QPaintEvent*)
{
    QPainter(this).fillRect(rect(), fillColor());
}
