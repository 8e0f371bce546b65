#include "Class/UIKit/KXBaseView.h"

#include <QContextMenuEvent>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QWheelEvent>

KXBaseView::KXBaseView(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_AcceptTouchEvents);
}

bool KXBaseView::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
        event->accept();
        return true;
    default:
        return QWidget::event(event);
    }
}

void KXBaseView::mousePressEvent(QMouseEvent* event)
{
    event->accept();
}

void KXBaseView::mouseDoubleClickEvent(QMouseEvent* event)
{
    event->accept();
}

void KXBaseView::wheelEvent(QWheelEvent* event)
{
    event->accept();
}

void KXBaseView::contextMenuEvent(QContextMenuEvent* event)
{
    event->accept();
}

void KXBaseView::enterEvent(QEnterEvent* event)
{
    event->accept();
}

void KXBaseView::leaveEvent(QEvent* event)
{
    event->accept();
}
