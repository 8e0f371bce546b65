#pragma once

#include "Class/UIKit/KXScreenGrid.h"

#include <QMargins>
#include <QRect>
#include <QSize>

#include <optional>

// Keeps the main window inside its screen's available area as the window manager frames,
// maximises and restores it. It holds no window: the window reports what it is after each of its
// events and applies what it is told. Main thread only.
//
// The fit moves a window only where a new frame lies outside the area: a window the user has
// moved or sized stays where it was put, and a restored window where the window manager puts it
// back. A restore comes in steps (the state first, then the place with the maximised size, then
// the size) and the frame Qt measures lags behind them, so the steps before the size changes are
// no place to fit.
class KXHomeWindowFit {
public:
    // What the window is: its state, its client area and the frame the window manager draws
    // around it.
    struct Report {
        Qt::WindowStates state;
        QRect client;
        QMargins frame;
    };
    // What the window must change: its minimum height and its client area, where they change.
    struct Change {
        std::optional<int> minimumHeight;
        std::optional<QRect> client;
    };

    Change update(const Report& report, const QRect& available, const KXScreenGrid& grid);

private:
    QMargins fittedFrame_;
    // The size of the window the last time it was neither maximised nor full screen.
    QSize normalSize_;
    bool zoomed_ = false;
    // While a restore is under way: the size the window still has from being maximised.
    std::optional<QSize> restoringFrom_;
};
