#include "Class/UIKit/KXBaseTextField.h"

#include <QEnterEvent>
#include <QMouseEvent>

KXBaseTextField::KXBaseTextField(QWidget* parent)
    : KXBaseTextField(QString(), parent)
{
}

KXBaseTextField::KXBaseTextField(const QString& text, QWidget* parent)
    : QLabel(text, parent)
{
    setTextInteractionFlags(Qt::NoTextInteraction);
    setFocusPolicy(Qt::NoFocus);
}

void KXBaseTextField::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    if (auto delegate = delegate_.lock(); delegate && delegate->KXBaseTextFieldMouseClick)
        delegate->KXBaseTextFieldMouseClick();
}

void KXBaseTextField::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The second press of a double click is a click too.
    mousePressEvent(event);
}

void KXBaseTextField::enterEvent(QEnterEvent* event)
{
    QLabel::enterEvent(event);
    if (auto delegate = delegate_.lock(); delegate && delegate->KXBaseTextFieldMousEnter)
        delegate->KXBaseTextFieldMousEnter();
}

void KXBaseTextField::leaveEvent(QEvent* event)
{
    QLabel::leaveEvent(event);
    if (auto delegate = delegate_.lock(); delegate && delegate->KXBaseTextFieldMouseExited)
        delegate->KXBaseTextFieldMouseExited();
}
