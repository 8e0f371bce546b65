#include "Class/UIKit/KXWindowDrag.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QWidget>
#include <QWindow>

#include <utility>

namespace {

KXWindowMoveStarter& windowMoveStarter()
{
    static KXWindowMoveStarter starter;
    return starter;
}

void startWindowMove(QWindow* window)
{
    if (const KXWindowMoveStarter& starter = windowMoveStarter())
        starter(window);
    else
        window->startSystemMove();
}

// A left press on a window's background that becomes its move once the pointer has gone the drag
// distance with the button held. It watches the application's mouse events, the ones a child
// under the pointer takes as well, and ends at the move, the release, a move without the button,
// or with its window. One at a time.
class KXPendingWindowMove final : public QObject {
public:
    static void begin(QWindow* window, const QPointF& pressedAt)
    {
        if (current())
            current()->end();
        current() = new KXPendingWindowMove(window, pressedAt);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (ended_)
            return false;
        switch (event->type()) {
        case QEvent::MouseMove: {
            const auto* mouse = static_cast<const QMouseEvent*>(event);
            if (!mouse->buttons().testFlag(Qt::LeftButton)) {
                end();
            } else if ((mouse->globalPosition() - pressedAt_).manhattanLength() >= QApplication::startDragDistance()) {
                const QPointer<QWindow> window = window_;
                end();
                if (window)
                    startWindowMove(window);
            }
            break;
        }
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonPress:
            end();
            break;
        default:
            break;
        }
        return false;
    }

private:
    KXPendingWindowMove(QWindow* window, const QPointF& pressedAt)
        : QObject(window)
        , window_(window)
        , pressedAt_(pressedAt)
    {
        qApp->installEventFilter(this);
    }

    static QPointer<KXPendingWindowMove>& current()
    {
        static QPointer<KXPendingWindowMove> pending;
        return pending;
    }

    void end()
    {
        ended_ = true;
        qApp->removeEventFilter(this);
        deleteLater();
    }

    QPointer<QWindow> window_;
    QPointF pressedAt_;
    bool ended_ = false;
};

} // namespace

bool kx_pressMovesWindow(QWidget* view, QMouseEvent* event)
{
    QWindow* window = view->window()->windowHandle();
    if (event->button() != Qt::LeftButton || !window)
        return false;
    KXPendingWindowMove::begin(window, event->globalPosition());
    event->accept();
    return true;
}

void kx_setWindowMoveStarter(KXWindowMoveStarter starter)
{
    windowMoveStarter() = std::move(starter);
}
