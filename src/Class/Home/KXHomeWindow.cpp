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
    setMinimumSize(400, 680);
    setMaximumSize(2000, 3000);
    setCentralWidget(controller_);
    buildMenu();
    const QScreen* screen = QGuiApplication::primaryScreen();
    setGeometry(initialFrame(screen ? screen->availableGeometry() : QRect(0, 0, kWidth, kHeight)));
}

QRect KXHomeWindow::initialFrame(const QRect& available)
{
    const int width = std::max(400, std::min(kWidth, available.width()));
    const int height = std::max(680, std::min(kHeight, available.height()));
    QRect frame(0, 0, width, height);
    frame.moveCenter(available.center());
    // A screen smaller than the window's minimum shows its top-left corner.
    frame.moveLeft(std::max(frame.left(), available.left()));
    frame.moveTop(std::max(frame.top(), available.top()));
    return frame;
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
