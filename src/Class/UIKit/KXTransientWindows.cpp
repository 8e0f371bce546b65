#include "Class/UIKit/KXTransientWindows.h"

#include <QGuiApplication>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QVariant>
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
    kx_setDesignedSize(window, size);
    window->resize(size);
}

namespace {

constexpr const char* kDesignedSize = "kxDesignedSize";

// The window manager's frame around the window: its client area alone until it has framed it.
QMargins frameOf(const QWidget* window)
{
    const QRect client = window->geometry();
    const QRect outer = window->frameGeometry();
    return QMargins(std::max(0, client.left() - outer.left()), std::max(0, client.top() - outer.top()),
                    std::max(0, outer.right() - client.right()), std::max(0, outer.bottom() - client.bottom()));
}

// The longest length up to `wanted` whose frame, `border` device pixels all told, a position
// keeps within the `room` device pixels from `start`.
int fittedLength(int wanted, int start, int room, int border, Qt::Orientation axis, const KXScreenGrid& grid)
{
    int length = std::min(wanted, grid.lengthWithin(room - border));
    // A slack narrower than a logical pixel may fall between two positions; one pixel less opens it.
    for (; length > 0; --length) {
        if (grid.positionWithin(start, start, start + room - border - grid.deviceLength(length), axis))
            break;
    }
    return std::max(0, length);
}

// The window's size for `designed` content fitted to `available`. Content that scrolls one way
// (a window with a scroll area around its content) is given the scroll bar's room the other
// way, so that a window only too short does not scroll sideways as well.
QSize fittedWindowSize(const QWidget* window, const QSize& designed, const QMargins& frame, const QRect& available,
                       const KXScreenGrid& grid)
{
    const QSize fitted = kx_fittedClientSize(designed, frame, available, grid);
    const auto* scroll = window->findChild<const QScrollArea*>(QString(), Qt::FindDirectChildrenOnly);
    if (!scroll || fitted == designed)
        return fitted;
    const int bar = scroll->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, scroll);
    const QSize room(fitted.height() < designed.height() ? bar : 0, fitted.width() < designed.width() ? bar : 0);
    return kx_fittedClientSize(designed + room, frame, available, grid);
}

} // namespace

QSize kx_designedSize(const QWidget* window)
{
    const QVariant designed = window->property(kDesignedSize);
    return designed.isValid() ? designed.toSize() : window->size();
}

void kx_setDesignedSize(QWidget* window, const QSize& size)
{
    window->setProperty(kDesignedSize, size);
}

QSize kx_fittedClientSize(const QSize& designed, const QMargins& frame, const QRect& available, const KXScreenGrid& grid)
{
    if (!available.isValid())
        return designed;
    const QMargins border = grid.deviceMargins(frame);
    const QRect inside = grid.deviceAreaInside(available);
    return QSize(fittedLength(designed.width(), inside.left(), inside.width(), border.left() + border.right(), Qt::Horizontal, grid),
                 fittedLength(designed.height(), inside.top(), inside.height(), border.top() + border.bottom(), Qt::Vertical, grid));
}

QSize kx_fittedSize(const QWidget* window, const QSize& designed)
{
    const QScreen* screen = window ? window->screen() : nullptr;
    if (!screen)
        return designed;
    return fittedWindowSize(window, designed, frameOf(window), screen->availableGeometry(), KXScreenGrid::of(screen));
}

void kx_fitDialog(QWidget* dialog, const QWidget* framedLike)
{
    const QWidget* window = framedLike ? framedLike->window() : nullptr;
    const QScreen* screen = window ? window->screen() : QGuiApplication::primaryScreen();
    if (!dialog || !screen)
        return;
    // A dialog not sized by hand opens at its size hint.
    const QSize wanted = dialog->testAttribute(Qt::WA_Resized) || !dialog->sizeHint().isValid() ? dialog->size() : dialog->sizeHint();
    const QSize fitted = kx_fittedClientSize(wanted, window ? frameOf(window) : QMargins(), screen->availableGeometry(), KXScreenGrid::of(screen));
    if (fitted != wanted)
        dialog->resize(fitted);
}

QRect kx_keptInside(const QRect& client, const QMargins& frame, const QRect& available, const KXScreenGrid& grid)
{
    if (!available.isValid())
        return client;
    const QMargins border = grid.deviceMargins(frame);
    const QRect inside = grid.deviceAreaInside(available);
    const auto kept = [&grid](int position, int lo, int hi, Qt::Orientation axis) {
        const int device = grid.devicePosition(position, axis);
        return device >= lo && device <= hi ? position : grid.placeWithin(device, lo, hi, axis);
    };
    return QRect(kept(client.x(), inside.left() + border.left(), inside.right() + 1 - border.right() - grid.deviceLength(client.width()), Qt::Horizontal),
                 kept(client.y(), inside.top() + border.top(), inside.bottom() + 1 - border.bottom() - grid.deviceLength(client.height()), Qt::Vertical),
                 client.width(), client.height());
}

QRect kx_keptOnScreen(const QWidget* window, const QRect& client)
{
    const QScreen* screen = window ? window->screen() : nullptr;
    if (!screen || !kx_canMoveWindows())
        return client;
    return kx_keptInside(client, frameOf(window), screen->availableGeometry(), KXScreenGrid::of(screen));
}

void kx_fitWindow(QWidget* window, const QMargins& frame, const QRect& area, const QRect& available, const KXScreenGrid& grid)
{
    window->resize(fittedWindowSize(window, kx_designedSize(window), frame, available, grid));
    // move() places the frame.
    window->move(kx_centredFrame(window->size(), frame, area, available, grid).topLeft());
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
    if (!window)
        return;
    if (!kx_canMoveWindows()) {
        // The compositor places the window, but its size is still ours to fit.
        window->resize(kx_fittedSize(window, kx_designedSize(window)));
        return;
    }
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
    kx_fitWindow(window, frameOf(window), area, screen ? screen->availableGeometry() : QRect(), KXScreenGrid::of(screen));
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
