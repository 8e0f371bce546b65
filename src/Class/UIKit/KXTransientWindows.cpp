#include "Class/UIKit/KXTransientWindows.h"

#include "Class/UIKit/KXOpenerKeys.h"
#include "Class/UIKit/KXOverlayKeys.h"
#include "Class/UIKit/KXScreenChanges.h"

#include <QApplication>
#include <QGuiApplication>
#include <QEvent>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QVariant>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <utility>

QWidget* kx_makeTransientWindow(QWidget* transientParent, const QSize& size, const QString& title)
{
    auto* window = new QWidget;
    kx_setUpTransientWindow(window, transientParent, size, title);
    return window;
}

void kx_setUpTransientWindow(QWidget* window, QWidget* transientParent, const QSize& size, const QString& title)
{
    window->setParent(transientParent ? transientParent->window() : nullptr,
                      Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    window->setWindowTitle(title);
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    kx_setDesignedSize(window, size);
    window->resize(size);
    kx_setOverlayKeys(window, nullptr);
    kx_refitOnScreenChange(window, [window] { kx_refitToScreen(window); });
}

namespace {

constexpr const char* kDesignedSize = "kxDesignedSize";
constexpr const char* kRefitWhenFramed = "kxRefitWhenFramed";
constexpr const char* kKeepsItsSize = "kxKeepsItsSize";

KXFrameReader& frameReader()
{
    static KXFrameReader reader;
    return reader;
}

KXFramePlacer& framePlacer()
{
    static KXFramePlacer placer;
    return placer;
}

// The window manager's frame around the window: its client area alone until it has framed it.
QMargins reportedFrame(const QWidget* window)
{
    if (const KXFrameReader& reader = frameReader())
        return reader(window);
    const QRect client = window->geometry();
    const QRect outer = window->frameGeometry();
    return QMargins(std::max(0, client.left() - outer.left()), std::max(0, client.top() - outer.top()),
                    std::max(0, outer.right() - client.right()), std::max(0, outer.bottom() - client.bottom()));
}

bool isFramedKind(const QWidget* window)
{
    const Qt::WindowType type = window->windowType();
    return (type == Qt::Window || type == Qt::Dialog) && !window->windowFlags().testFlag(Qt::FramelessWindowHint);
}

// The frame a window gets: its own once the window manager has framed it; until then that of a
// window it has framed, which frames the client's windows alike (its transient parent first).
QMargins frameOf(const QWidget* window)
{
    const QMargins own = reportedFrame(window);
    if (!own.isNull() || !isFramedKind(window))
        return own;
    const QWidget* parent = window->parentWidget() ? window->parentWidget()->window() : nullptr;
    if (parent && isFramedKind(parent)) {
        if (const QMargins frame = reportedFrame(parent); !frame.isNull())
            return frame;
    }
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (const QWidget* other : windows) {
        if (other == window || other == parent || !other->isVisible() || !isFramedKind(other))
            continue;
        if (const QMargins frame = reportedFrame(other); !frame.isNull())
            return frame;
    }
    return own;
}

// Centres a window fitted under a borrowed frame again once the window manager has framed it,
// if its own frame is not that one. Qt learns the frame with the move the framing makes.
class RefitWhenFramed : public QObject {
public:
    RefitWhenFramed(QWidget* window, const QMargins& fittedUnder)
        : QObject(window)
        , fittedUnder_(fittedUnder)
    {
        setObjectName(QLatin1String(kRefitWhenFramed));
        window->installEventFilter(this);
    }

    void setFittedUnder(const QMargins& frame) { fittedUnder_ = frame; }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Move && event->type() != QEvent::Resize)
            return false;
        auto* window = static_cast<QWidget*>(watched);
        const QMargins own = reportedFrame(window);
        if (own.isNull() || !window->isVisible())
            return false;
        window->removeEventFilter(this);
        deleteLater();
        if (own != fittedUnder_)
            kx_centreWindow(window);
        return false;
    }

private:
    QMargins fittedUnder_;
};

void refitWhenFramed(QWidget* window, const QMargins& fittedUnder)
{
    if (auto* refit = window->findChild<QObject*>(QLatin1String(kRefitWhenFramed), Qt::FindDirectChildrenOnly))
        static_cast<RefitWhenFramed*>(refit)->setFittedUnder(fittedUnder);
    else
        new RefitWhenFramed(window, fittedUnder);
}

// Runs `change`, which gives the window the size `size`; a window that keeps its size is released
// for it (the limits of its old size would hold it there) and then kept at the new one.
template <typename Change>
void changeKeptSize(QWidget* window, const QSize& size, Change change)
{
    const bool keeps = window->property(kKeepsItsSize).toBool();
    if (keeps) {
        window->setMinimumSize(0, 0);
        window->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    }
    change();
    if (keeps)
        window->setFixedSize(size);
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
// way, so that a window only too short does not scroll sideways as well. Each length is asked
// for as one the window manager's resize increment keeps.
QSize fittedWindowSize(const QWidget* window, const QSize& designed, const QMargins& frame, const QRect& available,
                       const KXScreenGrid& grid)
{
    const auto fitted = [&](const QSize& wanted) {
        return kx_fittedClientSize(QSize(grid.lengthKeptBySnap(wanted.width()), grid.lengthKeptBySnap(wanted.height())), frame,
                                   available, grid);
    };
    const QSize whole = fitted(designed);
    const auto* scroll = window->findChild<const QScrollArea*>(QString(), Qt::FindDirectChildrenOnly);
    const bool scrollsDown = whole.height() < designed.height(), scrollsAcross = whole.width() < designed.width();
    if (!scroll || (!scrollsDown && !scrollsAcross))
        return whole;
    const int bar = scroll->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, scroll);
    return fitted(designed + QSize(scrollsDown ? bar : 0, scrollsAcross ? bar : 0));
}

} // namespace

void kx_keepFittedSize(QWidget* window)
{
    window->setProperty(kKeepsItsSize, true);
    window->setFixedSize(window->size());
}

void kx_setWindowGeometry(QWidget* window, const QRect& client)
{
    changeKeptSize(window, client.size(), [&] { window->setGeometry(client); });
}

void kx_resizeWindow(QWidget* window, const QSize& size)
{
    changeKeptSize(window, size, [&] { window->resize(size); });
}

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

void kx_setFrameReader(KXFrameReader reader)
{
    frameReader() = std::move(reader);
}

void kx_setFramePlacer(KXFramePlacer placer)
{
    framePlacer() = std::move(placer);
}

void kx_fitWindow(QWidget* window, const QRect& area, const QRect& available, const KXScreenGrid& grid)
{
    const QMargins frame = frameOf(window);
    kx_resizeWindow(window, fittedWindowSize(window, kx_designedSize(window), frame, available, grid));
    kx_moveFrame(window, kx_centredFrame(window->size(), frame, area, available, grid).topLeft());
}

void kx_moveFrame(QWidget* window, const QPoint& framePosition)
{
    window->move(framePosition);
    // Once the window exists, QWidget::move() and resize() place its client area at the frame's
    // position plus the frame as Qt reads it back in logical pixels: at a fractional scale that is
    // a device pixel off (a 20-pixel title bar at 1.75 reads back as 11, placed as 19), which can
    // put the frame past the screen's edge. The window system is then asked to place the frame
    // itself, at the same logical position.
    QWindow* handle = window->windowHandle();
    if (!handle || !window->testAttribute(Qt::WA_WState_Created) || !kx_canMoveWindows())
        return;
    if (const KXFramePlacer& placer = framePlacer())
        placer(window, framePosition);
    else
        handle->setFramePosition(framePosition);
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
    if (isFramedKind(window) && reportedFrame(window).isNull())
        refitWhenFramed(window, frameOf(window));
    if (!kx_canMoveWindows()) {
        // The compositor places the window, but its size is still ours to fit.
        kx_resizeWindow(window, kx_fittedSize(window, kx_designedSize(window)));
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
    kx_fitWindow(window, area, screen ? screen->availableGeometry() : QRect(), KXScreenGrid::of(screen));
}

void kx_showCentred(QWidget* window)
{
    if (!window)
        return;
    kx_centreWindow(window);
    kx_showOwnWindow(window, kx_keysWithinClient());
}
