#include "Class/UIKit/KXTransientWindows.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

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

void kx_centreWindow(QWidget* window)
{
    if (!window || !kx_canMoveWindows())
        return;
    QRect area;
    if (QWidget* parent = window->parentWidget(); parent && parent->isVisible())
        area = parent->window()->frameGeometry();
    else if (QScreen* screen = QGuiApplication::primaryScreen())
        area = screen->availableGeometry();
    if (area.isValid())
        window->move(area.center() - QPoint(window->width() / 2, window->height() / 2));
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
