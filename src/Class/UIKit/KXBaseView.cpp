#include "Class/UIKit/KXBaseView.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QWheelEvent>

namespace {

bool takesTabFocus(const QWidget* widget, const QWidget* panel)
{
    return (widget->focusPolicy() & Qt::TabFocus) == Qt::TabFocus && widget->isEnabled() && widget->isVisibleTo(panel)
           && !widget->focusProxy();
}

} // namespace

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

bool KXBaseView::focusNextPrevChild(bool next)
{
    QWidget* current = QApplication::focusWidget();
    if (!current || !isAncestorOf(current))
        return QWidget::focusNextPrevChild(next);
    // The window's focus chain, walked from the field that has the keys; only the panel's own
    // widgets are stops. With no other stop the focus stays where it is.
    for (QWidget* candidate = current;;) {
        candidate = next ? candidate->nextInFocusChain() : candidate->previousInFocusChain();
        if (!candidate || candidate == current)
            return true;
        if (isAncestorOf(candidate) && takesTabFocus(candidate, this)) {
            candidate->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return true;
        }
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
