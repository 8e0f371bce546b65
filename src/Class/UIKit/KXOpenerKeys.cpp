#include "Class/UIKit/KXOpenerKeys.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QWidget>
#include <QWindow>

#if QT_CONFIG(xcb)
#include <cstdlib>
#include <xcb/xcb.h>
#include <xcb/xproto.h>
#endif

namespace {

constexpr const char* kOpenerKeysWatch = "KXOpenerKeysWatch";

// Whether `window` is one the opener is transient for, directly or through others.
bool kxOpensTheOpener(const QWidget* window, const QWidget* opener)
{
    for (const QWidget* up = opener->parentWidget(); up; up = up->parentWidget()) {
        if (up->window() == window)
            return true;
        up = up->window();
    }
    return false;
}

// A press or a key of the person's, wherever it goes: after it, where the keys are is their choice.
bool isPersonsAct(const QEvent* event)
{
    if (!event->spontaneous())
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::KeyPress:
    case QEvent::TouchBegin:
    case QEvent::TabletPress:
        return true;
    default:
        return false;
    }
}

// Asks the system to give `window` the keys. Not QWidget::activateWindow(), which asks nothing
// while the focused window is one transient for it: a pop-up that has just closed (a completion
// list that took the key that closed the dialog under it) still counts as focused.
void requestKeys(QWidget* window)
{
    if (QWindow* handle = window->windowHandle())
        handle->requestActivate();
    else
        window->activateWindow();
}

// Sees every window's hide in the application (a window closes without telling anyone else), the
// person's presses and keys, the exposures of windows and where the system puts the keys.
class KXOpenerKeysWatch : public QObject {
public:
    KXOpenerKeysWatch()
        : QObject(qApp)
    {
        setObjectName(QLatin1String(kOpenerKeysWatch));
        qApp->installEventFilter(this);
        connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, &KXOpenerKeysWatch::focusMoved);
    }

    static KXOpenerKeysWatch* installed()
    {
        if (!qApp)
            return nullptr;
        if (auto* watch
            = qApp->findChild<QObject*>(QLatin1String(kOpenerKeysWatch), Qt::FindDirectChildrenOnly))
            return static_cast<KXOpenerKeysWatch*>(watch);
        return new KXOpenerKeysWatch();
    }

    // The keys are asked for `window`, and fetched back to it until the person acts.
    void keepKeysFor(QWidget* window)
    {
        keeping_ = window;
        requestKeys(window);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (isPersonsAct(event)) {
            keeping_.clear();
            return false;
        }
        if (event->type() == QEvent::Expose) {
            if (keeping_ && watched == keeping_->windowHandle() && keeping_->windowHandle()->isExposed()
                && QGuiApplication::focusWindow() != keeping_->windowHandle())
                requestKeys(keeping_);
            return false;
        }
        if (event->type() != QEvent::Hide || event->spontaneous() || !watched->isWidgetType())
            return false;
        auto* closing = static_cast<QWidget*>(watched);
        QWidget* opener = kx_openerTakingKeys(closing, keysHolder());
        if (!opener)
            return false;
        // A pop-up that holds the keys for the closing window (the completion list of a file
        // dialog's name field, which may outlive a dialog accepted with Return) would keep them,
        // and the pointer, from the opener.
        for (int open = 0; open < 8 && QApplication::activePopupWidget(); ++open)
            QApplication::activePopupWidget()->close();
        keepKeysFor(opener);
        return false;
    }

private:
    // The window of ours that holds the keys: the focused one, or the one a pop-up that has them
    // (a completion list, a menu) opened over; the pop-up may have closed first, taking the key
    // that closes the window with it.
    const QWindow* keysHolder() const
    {
        QWindow* focus = QGuiApplication::focusWindow();
        if (focus && focus->type() != Qt::Popup && focus->type() != Qt::ToolTip)
            return focus;
        return focus ? lastHolder_.data() : nullptr;
    }

    void focusMoved(QWindow* focus)
    {
        // Keys that left the application leave no window of it holding them.
        if (!focus || (focus->type() != Qt::Popup && focus->type() != Qt::ToolTip))
            lastHolder_ = focus;
        if (!keeping_ || !focus || focus == keeping_->windowHandle())
            return;
        // A click that moves the keys reaches the application after the keys it moved (a window
        // manager that focuses on a click replays the press it grabbed once it has moved them),
        // and may not have been read yet. A button held now is the person's press.
        if (pointerButtonHeld()) {
            keeping_.clear();
            return;
        }
        // A press that came before the answer is handed out in the next turn of the event loop,
        // after the calls queued before it: decide in the turn after that, once it has been seen.
        QMetaObject::invokeMethod(
            this,
            [this, landedOn = QPointer<QWindow>(focus)] {
                QMetaObject::invokeMethod(
                    this, [this, landedOn] { fetchBack(landedOn); }, Qt::QueuedConnection);
            },
            Qt::QueuedConnection);
    }

    // Whether a pointer button is down right now: the person pressing. On X11 the question is a
    // round trip to the server, so every event it sent before the answer (the replayed press of a
    // click that is over already) has reached the application once it returns.
    static bool pointerButtonHeld()
    {
#if QT_CONFIG(xcb)
        auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
        xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
        if (!connection)
            return false;
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
        if (!screen)
            return false;
        xcb_query_pointer_reply_t* reply
            = xcb_query_pointer_reply(connection, xcb_query_pointer(connection, screen->root), nullptr);
        if (!reply)
            return false;
        constexpr uint16_t buttons = XCB_BUTTON_MASK_1 | XCB_BUTTON_MASK_2 | XCB_BUTTON_MASK_3
            | XCB_BUTTON_MASK_4 | XCB_BUTTON_MASK_5;
        const bool held = reply->mask & buttons;
        free(reply);
        return held;
#else
        return false;
#endif
    }

    void fetchBack(const QPointer<QWindow>& landedOn)
    {
        if (!keeping_ || !landedOn || QGuiApplication::focusWindow() != landedOn)
            return;
        if (!keeping_->isVisible() || keeping_->isMinimized()) {
            keeping_.clear();
            return;
        }
        const QWidget* landed = nullptr;
        for (QWidget* window : QApplication::topLevelWidgets())
            if (window->windowHandle() == landedOn)
                landed = window;
        if (landed && kxOpensTheOpener(landed, keeping_))
            requestKeys(keeping_);
    }

    // The window the keys are kept for until the person acts.
    QPointer<QWidget> keeping_;
    QPointer<QWindow> lastHolder_;
};

} // namespace

QWidget* kx_openerTakingKeys(const QWidget* closing, const QWindow* focusWindow)
{
    if (!closing || !closing->isWindow() || !focusWindow || closing->windowHandle() != focusWindow)
        return nullptr;
    const Qt::WindowType type = closing->windowType();
    if (type != Qt::Window && type != Qt::Dialog)
        return nullptr;
    QWidget* opener = closing->parentWidget() ? closing->parentWidget()->window() : nullptr;
    if (!opener || !opener->isVisible() || opener->isMinimized())
        return nullptr;
    return opener;
}

void kx_handKeysBackToOpeners()
{
    KXOpenerKeysWatch::installed();
}

void kx_askForKeys(QWidget* window)
{
    if (!window || !window->isVisible())
        return;
    if (KXOpenerKeysWatch* watch = KXOpenerKeysWatch::installed())
        watch->keepKeysFor(window);
}
