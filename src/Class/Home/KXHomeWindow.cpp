#include "Class/Home/KXHomeWindow.h"

#include "Class/AppShell/AppDelegate.h"
#include "Class/Home/KXHomeViewController.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>

KXHomeWindow::KXHomeWindow(KXHomeViewController* controller)
    : QMainWindow(nullptr)
    , controller_(controller ? controller : new KXHomeViewController())
{
    setAttribute(Qt::WA_DeleteOnClose, false);
    setWindowTitle(QString());
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, kWidth, kHeight);
    setMinimumSize(kWidth, minimumHeight(available));
    setMaximumSize(2000, 3000);
    setCentralWidget(controller_);
    buildMenu();
    setGeometry(initialFrame(available));
}

QRect KXHomeWindow::initialFrame(const QRect& available, const QMargins& frame)
{
    const int height = std::min(kHeight, available.height() - frame.top() - frame.bottom());
    QRect outer(0, 0, kWidth + frame.left() + frame.right(), std::max(0, height) + frame.top() + frame.bottom());
    outer.moveCenter(available.center());
    return keptInside(outer - frame, available, frame);
}

int KXHomeWindow::minimumHeight(const QRect& available, const QMargins& frame)
{
    return std::max(0, std::min(kMinimumHeight, available.height() - frame.top() - frame.bottom()));
}

QRect KXHomeWindow::keptInside(const QRect& client, const QRect& available, const QMargins& frame)
{
    QRect outer = client + frame;
    outer.setHeight(std::max(frame.top() + frame.bottom(), std::min(outer.height(), available.height())));
    outer.moveRight(std::min(outer.right(), available.right()));
    outer.moveBottom(std::min(outer.bottom(), available.bottom()));
    outer.moveLeft(std::max(outer.left(), available.left()));
    outer.moveTop(std::max(outer.top(), available.top()));
    return outer - frame;
}

bool KXHomeWindow::event(QEvent* event)
{
    const bool handled = QMainWindow::event(event);
    switch (event->type()) {
    case QEvent::Show:
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::WindowActivate:
    case QEvent::UpdateRequest:
        // The window manager frames the window after it is shown; the frame is known from then.
        fitToScreen();
        break;
    default:
        break;
    }
    return handled;
}

void KXHomeWindow::fitToScreen()
{
    if (!isVisible() || isMaximized() || isFullScreen() || !screen())
        return;
    const QRect client = geometry();
    const QRect outer = frameGeometry();
    const QMargins frame(client.left() - outer.left(), client.top() - outer.top(), outer.right() - client.right(),
                         outer.bottom() - client.bottom());
    // Only a new frame refits: a window the user has moved or sized stays where it was put.
    if (frame == fittedFrame_)
        return;
    fittedFrame_ = frame;
    const QRect available = screen()->availableGeometry();
    setMinimumHeight(minimumHeight(available, frame));
    const QRect fitted = keptInside(client, available, frame);
    if (fitted != client)
        setGeometry(fitted);
}

void KXHomeWindow::buildMenu()
{
    auto& delegate = AppDelegate::sharedAppDelegate();
    QMenu* application = menuBar()->addMenu(QStringLiteral("Corvane"));
    settingsAction_ = application->addAction(QStringLiteral("设置…"), &delegate, [&delegate] { delegate.appSettingClick(); });
    cleanCacheAction_ = application->addAction(QStringLiteral("清除图片缓存"), &delegate, [&delegate] { delegate.cleanCache(); });
    application->addSeparator();
    application->addAction(QStringLiteral("退出"), QKeySequence(Qt::CTRL | Qt::Key_Q), qApp, &QCoreApplication::quit);
    QMenu* windowMenu = menuBar()->addMenu(QStringLiteral("窗口"));
    windowMenu->addAction(QStringLiteral("最小化"), QKeySequence(Qt::CTRL | Qt::Key_M), this, &QWidget::showMinimized);
    windowMenu->addAction(QStringLiteral("关闭窗口"), QKeySequence(Qt::CTRL | Qt::Key_W), this, &QWidget::close);
}
