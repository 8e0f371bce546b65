#include "Class/Home/KXHomeWindow.h"

#include "Class/AppShell/AppDelegate.h"
#include "Class/Home/KXHomeViewController.h"
#include "Class/UIKit/KXScreenChanges.h"
#include "Class/UIKit/KXTransientWindows.h"
#include "Class/UIKit/MLHudAlert.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/DispatchQt/QtGuardedCallback.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>

#include <algorithm>

KXHomeWindow::KXHomeWindow(KXHomeViewController* controller)
    : QMainWindow(nullptr)
    , controller_(controller ? controller : new KXHomeViewController())
{
    setAttribute(Qt::WA_DeleteOnClose, false);
    setWindowTitle(QString());
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, kWidth, kHeight);
    const KXScreenGrid grid = KXScreenGrid::of(screen);
    setMinimumSize(kWidth, minimumHeight(available, {}, grid));
    setMaximumSize(kMaximumWidth, kMaximumHeight);
    setCentralWidget(controller_);
    buildMenu();
    setGeometry(initialFrame(available, {}, grid));
    kx_refitOnScreenChange(this, [this] { refitToScreen(); });
    // Messages for the person that no page is left to show (an order found made) appear here.
    MLHudAlert::setMainWindow(this);
}

namespace {

// The window's client and frame in device pixels: what must fit the screen is the frame the
// window manager draws there, whose client size and position Qt rounds on their own.
struct DeviceFit {
    DeviceFit(const QRect& available, const QMargins& frame, const KXScreenGrid& grid)
        : grid(grid)
        , inside(grid.deviceAreaInside(available))
        , border(grid.deviceMargins(frame))
    {
    }

    // The first and last device positions of the client's top-left corner on `axis` that keep a
    // client `length` logical pixels long and its frame inside.
    std::pair<int, int> range(int length, Qt::Orientation axis) const
    {
        if (axis == Qt::Horizontal)
            return {inside.left() + border.left(), inside.right() + 1 - border.right() - grid.deviceLength(length)};
        return {inside.top() + border.top(), inside.bottom() + 1 - border.bottom() - grid.deviceLength(length)};
    }

    // The tallest client, at most `wanted` high, that some position keeps inside: a slack
    // narrower than a logical pixel may fall between two positions, and one pixel less opens it.
    int tallest(int wanted) const
    {
        int height = std::min(wanted, grid.lengthWithin(inside.height() - border.top() - border.bottom()));
        for (; height > 0; --height) {
            const auto [lo, hi] = range(height, Qt::Vertical);
            if (grid.positionWithin(lo, lo, hi, Qt::Vertical))
                break;
        }
        return std::max(0, height);
    }

    // The logical position on `axis` nearest device position `target` that keeps the client
    // inside, or keeps its top-left corner inside where nothing does.
    int place(int target, int length, Qt::Orientation axis) const
    {
        const auto [lo, hi] = range(length, axis);
        return grid.placeWithin(target, lo, hi, axis);
    }

    const KXScreenGrid& grid;
    QRect inside;
    QMargins border;
};

} // namespace

QRect KXHomeWindow::initialFrame(const QRect& available, const QMargins& frame, const KXScreenGrid& grid)
{
    const DeviceFit fit(available, frame, grid);
    const int height = fit.tallest(kHeight);
    QRect outer(QPoint(0, 0), QSize(grid.deviceLength(kWidth), grid.deviceLength(height)).grownBy(fit.border));
    outer.moveCenter(fit.inside.center());
    return QRect(fit.place(outer.left() + fit.border.left(), kWidth, Qt::Horizontal),
                 fit.place(outer.top() + fit.border.top(), height, Qt::Vertical), kWidth, height);
}

int KXHomeWindow::minimumHeight(const QRect& available, const QMargins& frame, const KXScreenGrid& grid)
{
    return DeviceFit(available, frame, grid).tallest(kMinimumHeight);
}

QRect KXHomeWindow::keptInside(const QRect& client, const QRect& available, const QMargins& frame, const KXScreenGrid& grid)
{
    const DeviceFit fit(available, frame, grid);
    const int height = fit.tallest(client.height());
    const int room = grid.lengthWithin(fit.inside.width() - fit.border.left() - fit.border.right());
    const int width = room > 0 ? std::min(client.width(), room) : client.width();
    return kx_keptInside(QRect(client.topLeft(), QSize(width, height)), frame, available, grid);
}

bool KXHomeWindow::event(QEvent* event)
{
    const bool handled = QMainWindow::event(event);
    if (event->type() == QEvent::WindowStateChange || event->type() == QEvent::Resize)
        capNormalSize();
    switch (event->type()) {
    case QEvent::Show:
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::WindowStateChange:
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

KXHomeWindowFit::Report KXHomeWindow::fitReport() const
{
    const QRect client = geometry();
    const QRect outer = frameGeometry();
    return {windowState(), client,
            QMargins(client.left() - outer.left(), client.top() - outer.top(), outer.right() - client.right(),
                     outer.bottom() - client.bottom())};
}

void KXHomeWindow::fitToScreen()
{
    if (!isVisible() || !screen())
        return;
    apply(fit_.update(fitReport(), screen()->availableGeometry(), KXScreenGrid::of(screen())));
}

void KXHomeWindow::refitToScreen()
{
    if (!screen())
        return;
    apply(fit_.screenChanged(fitReport(), screen()->availableGeometry(), KXScreenGrid::of(screen())));
}

void KXHomeWindow::apply(const KXHomeWindowFit::Change& change)
{
    if (change.minimumHeight)
        setMinimumHeight(*change.minimumHeight);
    if (change.client)
        setGeometry(*change.client);
    if (change.restoreUnderWay)
        dispatch::mainQueue().after(kRestoreGraceSeconds, dispatch::guardedQt(this, [](KXHomeWindow& self) { self.finishRestore(); }));
}

void KXHomeWindow::capNormalSize()
{
    // The window manager sizes a maximised window within the limits the window gives it: the cap
    // is lifted for as long as the window is maximised or full screen, and comes back once the
    // window has its normal size again (not while a restore still has it at the maximised one).
    if (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen))
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    else if (width() <= kMaximumWidth && height() <= kMaximumHeight)
        setMaximumSize(kMaximumWidth, kMaximumHeight);
}

void KXHomeWindow::finishRestore()
{
    if (!isVisible())
        return;
    if (const auto normal = fit_.restoreLeftBehind(fitReport()))
        setGeometry(*normal);
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
