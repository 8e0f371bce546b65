#include "Class/UIKit/KXTransientWindows.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

QWidget* kx_makeTransientWindow(QWidget* transientParent, const QSize& size)
{
    auto* window = new QWidget;
    kx_setUpTransientWindow(window, transientParent, size);
    return window;
}

void kx_setUpTransientWindow(QWidget* window, QWidget* transientParent, const QSize& size)
{
    window->setParent(transientParent ? transientParent->window() : nullptr,
                      Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    window->setWindowTitle(QString());
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    window->resize(size);
}

bool kx_canMoveWindows()
{
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

QRect kx_centredFrame(const QSize& clientSize, const QMargins& frame, const QRect& area, const QRect& available,
                     const KXScreenGrid& grid)
{
    QRect logical(QPoint(0, 0), clientSize.grownBy(frame));
    logical.moveCenter(area.center());
    if (!available.isValid())
        return logical;
    // Placed in device pixels: the frame the window manager draws is whole device pixels, and the
    // client's size and the frame's position are rounded on their own.
    const QMargins border = grid.deviceMargins(frame);
    const QRect inside = grid.deviceAreaInside(available);
    QRect device(QPoint(0, 0), QSize(grid.deviceLength(clientSize.width()), grid.deviceLength(clientSize.height())).grownBy(border));
    device.moveCenter(grid.toDevice(area).center());
    logical.moveTopLeft(QPoint(grid.placeWithin(device.left(), inside.left(), inside.right() + 1 - device.width(), Qt::Horizontal),
                               grid.placeWithin(device.top(), inside.top(), inside.bottom() + 1 - device.height(), Qt::Vertical)));
    return logical;
}

void kx_centreWindow(QWidget* window)
{
    if (!window || !kx_canMoveWindows())
        return;
    QRect area;
    QScreen* screen = nullptr;
    if (QWidget* parent = window->parentWidget(); parent && parent->isVisible()) {
        area = parent->window()->frameGeometry();
        screen = parent->window()->screen();
    } else if ((screen = QGuiApplication::primaryScreen())) {
        area = screen->availableGeometry();
    }
    if (!area.isValid())
        return;
    // Before the window manager has framed the window its frame is its client area; move()
    // places the frame.
    const QRect client = window->geometry();
    const QRect outer = window->frameGeometry();
    const QMargins frame(std::max(0, client.left() - outer.left()), std::max(0, client.top() - outer.top()),
                         std::max(0, outer.right() - client.right()), std::max(0, outer.bottom() - client.bottom()));
    window->move(kx_centredFrame(client.size(), frame, area, screen ? screen->availableGeometry() : QRect(), KXScreenGrid::of(screen))
                     .topLeft());
}

void kx_showCentred(QWidget* window)
{
    if (!window)
        return;
    kx_centreWindow(window);
    window->show();
    window->raise();
    window->activateWindow();
}
