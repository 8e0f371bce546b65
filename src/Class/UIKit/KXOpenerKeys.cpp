#include "Class/UIKit/KXOpenerKeys.h"

#include "Platform/Dispatch/Queue.h"
#include "Platform/DispatchQt/QtGuardedCallback.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QWidget>
#include <QWindow>

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

// Sees every window's hide in the application: a window closes without telling anyone else.
class KXOpenerKeysWatch : public QObject {
public:
    KXOpenerKeysWatch()
        : QObject(qApp)
    {
        setObjectName(QLatin1String(kOpenerKeysWatch));
        qApp->installEventFilter(this);
        connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, &KXOpenerKeysWatch::focusMoved);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Hide || event->spontaneous() || !watched->isWidgetType())
            return false;
        QWidget* opener = kx_openerTakingKeys(static_cast<QWidget*>(watched), QGuiApplication::focusWindow());
        if (!opener)
            return false;
        opener->activateWindow();
        // The window manager may make its own choice after the request: for a moment, keys that
        // land on a window the opener is transient for are fetched back, once; keys that land
        // anywhere else stay there.
        handingTo_ = opener;
        const int handOver = ++handOvers_;
        dispatch::mainQueue().after(kx_openerKeysMoment, dispatch::guardedQt(this, [handOver](KXOpenerKeysWatch& self) {
            if (self.handOvers_ == handOver)
                self.handingTo_.clear();
        }));
        return false;
    }

private:
    void focusMoved(QWindow* focus)
    {
        if (!focus || !handingTo_ || focus == handingTo_->windowHandle())
            return;
        const QPointer<QWidget> opener = handingTo_;
        handingTo_.clear();
        const QWidget* landed = nullptr;
        for (QWidget* window : QApplication::topLevelWidgets())
            if (window->windowHandle() == focus)
                landed = window;
        if (landed && opener->isVisible() && kxOpensTheOpener(landed, opener))
            opener->activateWindow();
    }

    QPointer<QWidget> handingTo_;
    int handOvers_ = 0;
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
    if (qApp && !qApp->findChild<QObject*>(QLatin1String(kOpenerKeysWatch), Qt::FindDirectChildrenOnly))
        new KXOpenerKeysWatch();
}
