#include "Class/UIKit/KXOverlayKeys.h"

#include <QAbstractButton>
#include <QEvent>
#include <QKeyEvent>
#include <QPointer>
#include <QWidget>

namespace {

// Who has the keys around a widget that takes them: the widget that had them before, and where
// they go when that one is gone. One per widget, found among its children.
class KeyHolder final : public QObject {
public:
    static KeyHolder& of(QWidget* widget)
    {
        for (QObject* child : widget->children())
            if (auto* holder = dynamic_cast<KeyHolder*>(child))
                return *holder;
        return *new KeyHolder(widget);
    }

    void setTakesOnShow() { takesOnShow_ = true; }
    void setFallback(QWidget* fallback) { fallback_ = fallback; }

    void takeKeys()
    {
        if (widget_->isWindow() || holdsKeys())
            return;
        previous_ = widget_->window()->focusWidget();
        widget_->setFocus(Qt::OtherFocusReason);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // Spontaneous ones come with the window's minimise and restore: the widget stays shown,
        // and the keys stay where they are.
        if (watched != widget_ || event->spontaneous())
            return false;
        if (event->type() == QEvent::Show && takesOnShow_)
            takeKeys();
        // Watched at the hide: the focus is still inside the widget then.
        else if (event->type() == QEvent::Hide)
            giveKeysBack();
        return false;
    }

private:
    explicit KeyHolder(QWidget* widget)
        : QObject(widget)
        , widget_(widget)
    {
        widget->installEventFilter(this);
    }

    bool holdsKeys() const
    {
        const QWidget* focus = widget_->window()->focusWidget();
        return focus && (focus == widget_ || widget_->isAncestorOf(focus));
    }

    void giveKeysBack()
    {
        if (widget_->isWindow() || !holdsKeys())
            return;
        const auto shows = [](const QWidget* widget) { return widget && widget->isVisible() && widget->isEnabled(); };
        if (shows(previous_))
            previous_->setFocus(Qt::OtherFocusReason);
        else if (shows(fallback_))
            fallback_->setFocus(Qt::OtherFocusReason);
        previous_ = nullptr;
    }

    QWidget* widget_;
    bool takesOnShow_ = false;
    QPointer<QWidget> previous_;
    QPointer<QWidget> fallback_;
};

class KXOverlayKeys final : public QObject {
public:
    using Action = std::function<void()>;

    KXOverlayKeys(QWidget* overlay, Action cancel, Action confirm)
        : QObject(overlay)
        , overlay_(overlay)
        , cancel_(std::move(cancel))
        , confirm_(std::move(confirm))
    {
        if (!overlay->isWindow() && overlay->focusPolicy() == Qt::NoFocus)
            overlay->setFocusPolicy(Qt::ClickFocus);
        overlay->installEventFilter(this);
        KeyHolder& holder = KeyHolder::of(overlay);
        holder.setTakesOnShow();
        if (overlay->isVisible())
            holder.takeKeys();
    }

    // A click on the control when it is enabled; the control is held weakly, and a window whose
    // cancel control is gone closes itself.
    static Action press(QWidget* overlay, QAbstractButton* control, bool cancels)
    {
        if (!control)
            return {};
        return [overlay, control = QPointer<QAbstractButton>(control), cancels] {
            if (control) {
                if (control->isEnabled())
                    control->click();
            } else if (cancels && overlay->isWindow()) {
                overlay->close();
            }
        };
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != overlay_ || event->type() != QEvent::KeyPress)
            return false;
        auto* keys = static_cast<QKeyEvent*>(event);
        switch (keys->key()) {
        case Qt::Key_Escape:
            if (cancel_)
                cancel_();
            else if (overlay_->isWindow())
                overlay_->close();
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (confirm_)
                confirm_();
            break;
        default:
            break;
        }
        keys->accept();
        return true;
    }

private:
    QWidget* overlay_;
    Action cancel_; // A window without one closes itself.
    Action confirm_;
};

} // namespace

void kx_setOverlayKeys(QWidget* overlay, QAbstractButton* cancel, QAbstractButton* confirm)
{
    new KXOverlayKeys(overlay, KXOverlayKeys::press(overlay, cancel, true), KXOverlayKeys::press(overlay, confirm, false));
}

void kx_setOverlayKeys(QWidget* overlay, std::function<void()> close)
{
    new KXOverlayKeys(overlay, std::move(close), {});
}

void kx_giveKeysBackTo(QWidget* widget, QWidget* fallback)
{
    KeyHolder::of(widget).setFallback(fallback);
}

void kx_takeKeys(QWidget* widget, QWidget* fallback)
{
    KeyHolder& holder = KeyHolder::of(widget);
    holder.setFallback(fallback);
    holder.takeKeys();
}
