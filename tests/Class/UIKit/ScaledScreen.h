#pragma once

// A screen as the window system sees it, in device pixels, with a window manager's frame, and
// what Qt reports of both at a scale factor: the numbers a window is placed by, and where Qt's
// rounding puts the window it places (each position and length rounded on its own, halves up, as
// Qt placed windows on an X screen at 1.5). Tests check placements against the device pixels.
// The window manager frames a window only once it shows, and snaps its size to the resize
// increment Qt advertises: one logical pixel rounded to device pixels.
#include "Class/UIKit/KXScreenGrid.h"
#include "Class/UIKit/KXTransientWindows.h"

#include <QEvent>
#include <QMargins>
#include <QApplication>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QWidget>
#include <QtGlobal>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <optional>

#include <gtest/gtest.h>

namespace scaledscreen {

struct ScaledScreen {
    double scale;
    QRect deviceAvailable;
    QMargins deviceFrame;

    static int toLogical(int device, double scale) { return qRound(double(device) * (1 / scale)); }
    static int toDevice(int logical, double scale) { return qRound(double(logical) * scale); }

    QRect available() const
    {
        return QRect(toLogical(deviceAvailable.x(), scale), toLogical(deviceAvailable.y(), scale),
                     toLogical(deviceAvailable.width(), scale), toLogical(deviceAvailable.height(), scale));
    }
    QMargins frame() const
    {
        return QMargins(toLogical(deviceFrame.left(), scale), toLogical(deviceFrame.top(), scale),
                        toLogical(deviceFrame.right(), scale), toLogical(deviceFrame.bottom(), scale));
    }
    KXScreenGrid grid() const { return KXScreenGrid(scale); }

    // The client size Qt reads back for a window it asked to be `client`, once the window manager
    // has snapped its device size down to the increment.
    QSize snapped(QSize client) const
    {
        const int increment = std::max(1, toDevice(1, scale));
        const auto snap = [&](int length) {
            const int device = toDevice(length, scale);
            return toLogical(device - device % increment, scale);
        };
        return QSize(snap(client.width()), snap(client.height()));
    }

    // The device pixels of a client Qt placed at `client`, and of its frame.
    QRect placedClient(const QRect& client) const
    {
        return QRect(toDevice(client.x(), scale), toDevice(client.y(), scale), toDevice(client.width(), scale),
                     toDevice(client.height(), scale));
    }
    QRect framedClient(const QRect& client) const { return placedClient(client) + deviceFrame; }
    // The device pixels of the framed window of `clientSize` that move() put at `framePosition`.
    QRect movedFrame(QPoint framePosition, QSize clientSize) const
    {
        return QRect(QPoint(toDevice(framePosition.x(), scale), toDevice(framePosition.y(), scale)),
                     QSize(toDevice(clientSize.width(), scale), toDevice(clientSize.height(), scale)).grownBy(deviceFrame));
    }
};

// Calls `check` with screens of 1600 x 1000 and 1366 x 768 pixels, bare and with panels, under
// frames with a title bar and a border, at the scales a desktop offers, each traced in failures.
template <typename Check>
void forEachScreen(Check check)
{
    for (const double scale : {1.0, 1.25, 1.5, 1.75, 2.0}) {
        for (const QRect& area : {QRect(0, 0, 1600, 1000), QRect(0, 24, 1600, 976), QRect(0, 0, 1366, 738), QRect(0, 27, 1366, 741)}) {
            for (const QMargins& frame : {QMargins(1, 20, 1, 5), QMargins(0, 30, 0, 0), QMargins(4, 29, 4, 4)}) {
                SCOPED_TRACE(testing::Message() << "scale " << scale << ", screen " << area.width() << " x " << area.height() << " at "
                                                << area.y() << ", title bar " << frame.top());
                check(ScaledScreen{scale, area, frame});
            }
        }
    }
}

// Calls `check` with the screens of small laptops, 1366 x 768 and 1280 x 720, bare and with a
// panel, under a window manager's title bar, at the scales from 1.0 to 2.0.
template <typename Check>
void forEachSmallScreen(Check check)
{
    for (const double scale : {1.0, 1.25, 1.5, 1.75, 2.0}) {
        for (const QRect& area : {QRect(0, 0, 1366, 768), QRect(0, 27, 1366, 741), QRect(0, 0, 1280, 720), QRect(0, 0, 1280, 690)}) {
            SCOPED_TRACE(testing::Message() << "scale " << scale << ", screen " << area.width() << " x " << area.height() << " at " << area.y());
            check(ScaledScreen{scale, area, QMargins(1, 30, 1, 1)});
        }
    }
}

// While it lives, the window manager has framed every window with `frame` but `unframed`, which
// it frames once it shows.
class FramedWindows {
public:
    FramedWindows(const QWidget* unframed, const QMargins& frame)
    {
        kx_setFrameReader([unframed, frame](const QWidget* window) { return window == unframed ? QMargins() : frame; });
    }
    ~FramedWindows() { kx_setFrameReader({}); }
    FramedWindows(const FramedWindows&) = delete;
    FramedWindows& operator=(const FramedWindows&) = delete;
};

// The window manager of `screen`, in its own pixels, for `window` and the framed main window
// beside it. The main window has the screen's frame; `window` gets `ownFrame` once it shows (a
// window that keeps its size, no resize handle) and until then is fitted under the main window's.
// It puts the window where Qt asks, as Qt asks on an X screen: a window that does not exist yet is
// created placed by its frame, at the position QWidget::move() gave it, and
// QWindow::setFramePosition() places the frame too; QWidget::move() and resize() on a window that
// exists ask for its client area at its position as Qt holds it, the frame's position plus the
// frame read back in logical pixels (each side rounded on its own), and the window manager draws
// the frame around that.
class WindowManager : public QObject {
public:
    WindowManager(const ScaledScreen& screen, QWidget* window, const QMargins& ownFrame)
        : screen_(screen)
        , window_(window)
        , own_ { screen.scale, screen.deviceAvailable, ownFrame }
    {
        kx_setFrameReader([this](const QWidget* shown) {
            if (shown != window_)
                return screen_.frame();
            return framed_ ? own_.frame() : QMargins();
        });
        kx_setFramePlacer([this](QWidget* placed, const QPoint& framePosition) {
            if (placed == window_)
                framePosition_ = framePosition;
        });
        window->installEventFilter(this);
    }
    ~WindowManager() override
    {
        window_->removeEventFilter(this);
        kx_setFrameReader({});
        kx_setFramePlacer({});
    }
    WindowManager(const WindowManager&) = delete;
    WindowManager& operator=(const WindowManager&) = delete;

    // Frames the window, shown, with its own frame where it was created; Qt reads it from now on.
    void frame()
    {
        framed_ = true;
        framePosition_ = window_->pos();
    }

    // The device pixels of the window's frame where the window system has put it.
    QRect placedFrame() const
    {
        const QSize size = window_->size();
        if (!framed_ || framePosition_)
            return own_.movedFrame(framePosition_.value_or(window_->pos()), size);
        const QMargins frame = own_.frame();
        return own_.framedClient(QRect(window_->pos() + QPoint(frame.left(), frame.top()), size));
    }

    bool eventFilter(QObject*, QEvent* event) override
    {
        // Qt asked for the client area: the window manager frames it where that lands.
        if (framed_ && (event->type() == QEvent::Move || event->type() == QEvent::Resize))
            framePosition_.reset();
        return false;
    }

private:
    ScaledScreen screen_;
    QWidget* window_;
    ScaledScreen own_;
    bool framed_ = false;
    std::optional<QPoint> framePosition_;
};

// Shows `window` fitted to `screen` as it opens there the first time, beside its framed main
// window, and checks that its frame lies inside the screen's available area, that its content
// scrolls only a way the screen has no room for, and that each of `buttons` can be brought inside
// the window.
inline void expectFitsWithButtonsReachable(QWidget* window, std::initializer_list<QWidget*> buttons, const ScaledScreen& screen)
{
    const QRect available = screen.available();
    {
        const FramedWindows framed(window, screen.frame());
        kx_fitWindow(window, available, available, screen.grid());
    }
    // Shown, the window takes the size the window manager's snap leaves it.
    window->resize(screen.snapped(window->size()));
    const QRect placed = screen.movedFrame(window->pos(), window->size());
    EXPECT_TRUE(screen.deviceAvailable.contains(placed)) << placed.width() << " x " << placed.height() << " at " << placed.x() << ", " << placed.y();
    window->show();
    QApplication::processEvents();
    const QSize shown = window->size();
    if (const auto* scroll = window->findChild<const QScrollArea*>(QString(), Qt::FindDirectChildrenOnly)) {
        const QSize designed = kx_designedSize(window);
        const int bar = scroll->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, scroll);
        const bool down = scroll->verticalScrollBar()->isVisible(), across = scroll->horizontalScrollBar()->isVisible();
        // Room for the length, within a logical pixel and an increment.
        const auto roomFor = [&screen](int length, int frame, int room) {
            return ScaledScreen::toDevice(length, screen.scale) + frame + 3 * int(std::ceil(screen.scale)) <= room;
        };
        const QMargins& frame = screen.deviceFrame;
        if (roomFor(designed.width() + (down ? bar : 0), frame.left() + frame.right(), screen.deviceAvailable.width())) {
            EXPECT_FALSE(across) << "room for the designed width, " << shown.width() << " wide";
        }
        if (roomFor(designed.height() + (across ? bar : 0), frame.top() + frame.bottom(), screen.deviceAvailable.height())) {
            EXPECT_FALSE(down) << "room for the designed height, " << shown.height() << " high";
        }
    }
    for (QWidget* button : buttons) {
        if (auto* scroll = window->findChild<QScrollArea*>())
            scroll->ensureWidgetVisible(button, 0, 0);
        QApplication::processEvents();
        const QRect reached(button->mapTo(window, QPoint(0, 0)), button->size());
        EXPECT_TRUE(window->rect().contains(reached))
            << button->objectName().toStdString() << " " << reached.x() << ", " << reached.y() << " in " << shown.width() << " x " << shown.height();
    }
    EXPECT_EQ(window->size(), shown) << "the window keeps the size that fits";
    window->hide();
}

} // namespace scaledscreen
