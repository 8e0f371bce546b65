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
// back. Window managers take a maximise and a restore in steps, in an order of their own: some
// say the state first and then move and size the window, others size and move it (with the
// maximised window's thinner frame) before they say it is maximised, and size it back before they
// say it is restored. The frame Qt measures lags behind either. So only the normal window's frame
// sets the minimum height, a window that already covers the area is not taken for a normal one,
// and the steps in which a restored window still has its maximised size are no place to fit.
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
        // A restore has begun with the window at its maximised size: the window asks
        // `restoreLeftBehind` again once the window manager has had a moment to size it.
        bool restoreUnderWay = false;
    };

    Change update(const Report& report, const QRect& available, const KXScreenGrid& grid);

    // The screen changed its size or scale: the minimum height is taken again from the new area
    // under the normal window's frame (a higher one reaches a maximised window at its restore),
    // and a normal window is moved and sized inside it; a maximised one leaves that to the window
    // manager, but the geometry it is restored to is fitted likewise.
    Change screenChanged(const Report& report, const QRect& available, const KXScreenGrid& grid);

    // The normal geometry to give back when a restore has left the window at its maximised size
    // (a window manager may forget the size to restore to, as some do for a window hidden while
    // maximised); nothing while the restore has gone its way or the window is maximised again.
    std::optional<QRect> restoreLeftBehind(const Report& report);

    // The window's place and size the last time it was neither maximised nor full screen.
    std::optional<QRect> normalGeometry() const { return normal_; }

private:
    // Whether the framed window is as large as the available area, as a maximised one is (as wide
    // as its maximum width lets it be).
    static bool coversArea(const Report& report, const QRect& available, const KXScreenGrid& grid);
    Change fitNormal(const Report& report, const QRect& available, const KXScreenGrid& grid);
    // The minimum height the window is told, noted as given.
    int give(int minimumHeight);

    std::optional<QRect> normal_;
    // The frame and area the minimum height was computed from, and that height.
    QMargins fittedFrame_;
    QRect fittedArea_;
    std::optional<int> minimumHeight_;
    // The minimum height last given to the window, and a higher one held until the restore.
    std::optional<int> givenMinimum_;
    std::optional<int> minimumAtRestore_;
    bool zoomed_ = false;
    // The size the window had while maximised, unlike its normal size.
    std::optional<QSize> zoomedSize_;
    // While a restore is under way and the window still has its maximised size.
    bool restoring_ = false;
};
