#include "Class/UIKit/KXOpenerKeys.h"

#include "Platform/Desktop/X11FocusQueries.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QWidget>
#include <QWindow>
#include <memory>

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

// The installed queries, else those over the application's own connection to the X server.
std::shared_ptr<desktop::FocusQueries> windowServer()
{
    if (auto installed = desktop::FocusQueries::shared())
        return installed;
    xcb_connection_t* connection = nullptr;
#if QT_CONFIG(xcb)
    if (auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>())
        connection = x11->connection();
#endif
    auto system = std::make_shared<desktop::X11FocusQueries>(connection);
    desktop::FocusQueries::install(system);
    return system;
}

// Lets `window`, shown refusing the keys so that no window manager gives them to it as it maps,
// take them once it has been mapped (or hidden again), when the person goes to it.
class KeysOnceMapped : public QObject {
public:
    explicit KeysOnceMapped(QWindow* window)
        : QObject(window)
    {
        window->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* window = static_cast<QWindow*>(watched);
        if ((event->type() == QEvent::Expose && window->isExposed()) || event->type() == QEvent::Hide) {
            window->removeEventFilter(this);
            window->setFlag(Qt::WindowDoesNotAcceptFocus, false);
            deleteLater();
        }
        return false;
    }
};

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

    // The keys are asked for `window`, and fetched back to it until the person acts, here or by
    // going to another program.
    void keepKeysFor(QWidget* window)
    {
        keeping_ = window;
        // The window of another program that may hold the keys as the claim begins (the one that
        // sent a link) is no sign of the person's: it is the one the claim waits out.
        activeAtClaim_ = windowServer()->activeWindow();
        requestKeys(window);
    }

    // A window of ours asks for the keys while ours hold them: it has them, and no hand-back still
    // pending (a closing window's claim for its opener, its re-asks as the opener is exposed)
    // takes them from it, nor the hide of a window that closes after the ask.
    void askedWithinClient(QWidget* window)
    {
        keeping_.clear();
        asker_ = window;
        requestKeys(window);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (isPersonsAct(event)) {
            keeping_.clear();
            asker_.clear();
            return false;
        }
        if (event->type() == QEvent::Expose) {
            if (keeping_ && watched == keeping_->windowHandle() && keeping_->windowHandle()->isExposed()
                && QGuiApplication::focusWindow() != keeping_->windowHandle() && stillKeeping())
                requestKeys(keeping_);
            return false;
        }
        if (event->type() != QEvent::Hide || event->spontaneous() || !watched->isWidgetType())
            return false;
        auto* closing = static_cast<QWidget*>(watched);
        QWidget* opener = kx_openerTakingKeys(closing, keysHolder());
        if (!opener)
            return false;
        if (asker_ && asker_ != closing && asker_->isVisible() && !asker_->isMinimized())
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
    // Whether the claim holds: not once the window manager has made a window of another program
    // the active one, where the person went (a click there, a key that switches windows), as no
    // press or key of theirs reaches the application then. Keys that merely left the application
    // for a moment (a focused window unmapped before the opener has them) leave the claim as it is.
    bool stillKeeping()
    {
        if (!keeping_)
            return false;
        const std::shared_ptr<desktop::FocusQueries> server = windowServer();
        const unsigned long active = server->activeWindow();
        if (active != 0 && active != activeAtClaim_ && !server->ownsWindow(active))
            keeping_.clear();
        return keeping_;
    }

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
        if (windowServer()->pointerButtonHeld()) {
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
        if (landed && kxOpensTheOpener(landed, keeping_) && stillKeeping())
            requestKeys(keeping_);
    }

    // The window the keys are kept for until the person acts.
    QPointer<QWidget> keeping_;
    // The window of ours that last asked for the keys while ours held them, until the person acts.
    QPointer<QWidget> asker_;
    unsigned long activeAtClaim_ = 0;
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

void kx_takeKeysWithinClient(QWidget* window)
{
    if (!window || !window->isVisible())
        return;
    if (KXOpenerKeysWatch* watch = KXOpenerKeysWatch::installed())
        watch->askedWithinClient(window);
}

bool kx_keysWithinClient()
{
    const std::shared_ptr<desktop::FocusQueries> server = windowServer();
    if (const unsigned long active = server->activeWindow())
        return server->ownsWindow(active);
    return QGuiApplication::focusWindow() != nullptr;
}

void kx_showOwnWindow(QWidget* window, bool keysWithinClient)
{
    if (!window)
        return;
    if (keysWithinClient) {
        window->show();
        window->raise();
        kx_takeKeysWithinClient(window);
        return;
    }
    // Window managers give the keys to a window as it maps: most leave them where they are for one
    // shown without activation, others only for one that takes no keys at all until it has been
    // mapped (exposed) or hidden again.
    const bool withoutKeys = window->testAttribute(Qt::WA_ShowWithoutActivating);
    window->setAttribute(Qt::WA_ShowWithoutActivating);
    // Its native window, made before the show so that the flag is on it as it maps. Marked native
    // by winId(), a window would make every widget of the window it is transient for (and of that
    // one's opener) a native window of its own, which takes the presses and paints of whatever is
    // laid over it within its window: only this window is made.
    const bool siblingsStay = QCoreApplication::testAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
    QCoreApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
    window->winId();
    QCoreApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings, siblingsStay);
    QWindow* handle = window->windowHandle();
    if (handle && !(handle->flags() & Qt::WindowDoesNotAcceptFocus)) {
        handle->setFlag(Qt::WindowDoesNotAcceptFocus, true);
        new KeysOnceMapped(handle);
    }
    window->show();
    window->setAttribute(Qt::WA_ShowWithoutActivating, withoutKeys);
    QApplication::alert(window);
}
