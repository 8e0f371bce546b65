#pragma once

#include <QObject>
#include <QPointF>

#include <functional>

class QWidget;

// A local event monitor for a small pop-up or menu: while it exists it watches the events the
// application dispatches (a filter on the application object) and reports the pointer's global
// position for each event of its mask. Events always pass on unchanged. It is made as a child of
// the pop-up it serves, so it goes with it, and it reports nothing while that pop-up is hidden
// or off its window. A mouse event travels up from the widget under the pointer and may be
// reported once for each widget on its way. Main thread only.
class KXEventMonitor : public QObject {
public:
    enum Mask : int {
        LeftMouseDown = 1,
        RightMouseDown = 2,
        LeftMouseDragged = 4,
        MouseEntered = 8,
        ScrollWheel = 16,
        // The pointer left the owner's window (reported where the pointer is then, outside it).
        MouseExitedWindow = 32,
        // The pointer moved with no button held, anywhere over the owner's window: the window
        // sees every move, whether or not the widget beneath tracks the mouse.
        MouseMoved = 64,
    };
    // The group pop-ups' mask and the extend menu's.
    static constexpr int kPopUpMask = LeftMouseDown | RightMouseDown | LeftMouseDragged | MouseEntered | ScrollWheel | MouseExitedWindow | MouseMoved;
    static constexpr int kMenuMask = LeftMouseDown | RightMouseDown | LeftMouseDragged | ScrollWheel;

    using Handler = std::function<void(const QPointF& globalPosition)>;

    KXEventMonitor(QWidget* owner, int mask, Handler handler);
    ~KXEventMonitor() override;

    // Monitors alive in the process: what tests check to see that none is left behind.
    static int liveCount();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool isOverOwnersWindow(const QObject* watched) const;

    QWidget* owner_;
    int mask_;
    Handler handler_;
};
