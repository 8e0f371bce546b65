#include "Class/UIKit/KXOverlayKeys.h"

#include <QAbstractButton>
#include <QEvent>
#include <QKeyEvent>
#include <QPointer>
#include <QWidget>

namespace {

class KXOverlayKeys final : public QObject {
public:
    KXOverlayKeys(QWidget* overlay, QAbstractButton* cancel, QAbstractButton* confirm)
        : QObject(overlay)
        , overlay_(overlay)
        , cancel_(cancel)
        , confirm_(confirm)
    {
        if (!overlay->isWindow() && overlay->focusPolicy() == Qt::NoFocus)
            overlay->setFocusPolicy(Qt::ClickFocus);
        overlay->installEventFilter(this);
        if (overlay->isVisible())
            takeKeys();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != overlay_)
            return false;
        switch (event->type()) {
        case QEvent::Show:
            takeKeys();
            return false;
        case QEvent::Hide:
            giveKeysBack();
            return false;
        case QEvent::KeyPress:
            return keyPress(static_cast<QKeyEvent*>(event));
        default:
            return false;
        }
    }

private:
    bool holdsKeys() const
    {
        const QWidget* focus = overlay_->window()->focusWidget();
        return focus && (focus == overlay_ || overlay_->isAncestorOf(focus));
    }

    void takeKeys()
    {
        if (overlay_->isWindow() || holdsKeys())
            return;
        previous_ = overlay_->window()->focusWidget();
        overlay_->setFocus(Qt::OtherFocusReason);
    }

    void giveKeysBack()
    {
        if (overlay_->isWindow() || !holdsKeys())
            return;
        if (previous_ && previous_->isVisible() && previous_->isEnabled())
            previous_->setFocus(Qt::OtherFocusReason);
        previous_ = nullptr;
    }

    bool keyPress(QKeyEvent* event)
    {
        switch (event->key()) {
        case Qt::Key_Escape:
            if (overlay_->isWindow() && !cancel_)
                overlay_->close();
            else
                press(cancel_);
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            press(confirm_);
            break;
        default:
            break;
        }
        event->accept();
        return true;
    }

    static void press(QAbstractButton* control)
    {
        if (control && control->isEnabled())
            control->click();
    }

    QWidget* overlay_;
    QPointer<QAbstractButton> cancel_; // Held weakly: a window without one closes itself.
    QPointer<QAbstractButton> confirm_;
    QPointer<QWidget> previous_;
};

} // namespace

void kx_setOverlayKeys(QWidget* overlay, QAbstractButton* cancel, QAbstractButton* confirm)
{
    new KXOverlayKeys(overlay, cancel, confirm);
}
