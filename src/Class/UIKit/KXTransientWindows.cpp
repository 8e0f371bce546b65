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

QRect kx_centredFrame(const QSize& frameSize, const QRect& area, const QRect& available)
{
    QRect frame(QPoint(0, 0), frameSize);
    frame.moveCenter(area.center());
    if (!available.isValid())
        return frame;
    frame.moveRight(std::min(frame.right(), available.right()));
    frame.moveBottom(std::min(frame.bottom(), available.bottom()));
    frame.moveLeft(std::max(frame.left(), available.left()));
    frame.moveTop(std::max(frame.top(), available.top()));
    return frame;
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
    const QSize frameSize = window->frameGeometry().size().expandedTo(window->size());
    window->move(kx_centredFrame(frameSize, area, screen ? screen->availableGeometry() : QRect()).topLeft());
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
