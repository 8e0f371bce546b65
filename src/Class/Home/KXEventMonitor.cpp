#include "Class/Home/KXEventMonitor.h"

#include <QApplication>
#include <QCursor>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QWidget>
#include <QWindow>

namespace {

int& live()
{
    static int count = 0;
    return count;
}

} // namespace

KXEventMonitor::KXEventMonitor(QWidget* owner, int mask, Handler handler)
    : QObject(owner)
    , owner_(owner)
    , mask_(mask)
    , handler_(std::move(handler))
{
    ++live();
    qApp->installEventFilter(this);
}

KXEventMonitor::~KXEventMonitor()
{
    --live();
    if (qApp)
        qApp->removeEventFilter(this);
}

// A move over another top-level window of the client says nothing of where the pointer is on
// the owner's, which that window may cover.
bool KXEventMonitor::isOverOwnersWindow(const QObject* watched) const
{
    QWidget* window = owner_->window();
    if (const auto* widget = qobject_cast<const QWidget*>(watched))
        return widget->window() == window;
    return watched && watched == window->windowHandle();
}

int KXEventMonitor::liveCount()
{
    return live();
}

bool KXEventMonitor::eventFilter(QObject* watched, QEvent* event)
{
    int kind = 0;
    QPointF global;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        kind = mouse->button() == Qt::LeftButton ? LeftMouseDown : mouse->button() == Qt::RightButton ? RightMouseDown : 0;
        global = mouse->globalPosition();
        break;
    }
    case QEvent::MouseMove: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        kind = (mouse->buttons() & Qt::LeftButton) ? LeftMouseDragged : isOverOwnersWindow(watched) ? MouseMoved : 0;
        global = mouse->globalPosition();
        break;
    }
    case QEvent::Enter:
        if (const auto* enter = dynamic_cast<const QEnterEvent*>(event)) {
            kind = MouseEntered;
            global = enter->globalPosition();
        }
        break;
    case QEvent::Leave:
        // Only the window's own: a move between its widgets leaves one of them, never the window,
        // and a pointer gone off the window enters nothing the monitor could see.
        if (watched == owner_->window()) {
            kind = MouseExitedWindow;
            global = QCursor::pos();
        }
        break;
    case QEvent::Wheel:
        kind = ScrollWheel;
        global = static_cast<QWheelEvent*>(event)->globalPosition();
        break;
    default:
        break;
    }
    if (!(kind & mask_) || !owner_->isVisible() || !owner_->parentWidget())
        return false;
    if (handler_)
        handler_(global);
    return false;
}
