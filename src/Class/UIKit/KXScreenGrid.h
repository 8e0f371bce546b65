#pragma once

#include <QMargins>
#include <QPoint>
#include <QRect>

#include <optional>

class QScreen;

// The window system's own pixels under Qt's scaling (QT_SCALE_FACTOR and the like). A window
// placed at logical position p on a screen whose top-left corner is `origin` lands on device
// position round((p - origin) * factor) + origin, and a logical length spans round(length * factor)
// device pixels, each rounded on its own, halves up: at 1.5 a window at y 13 and 651 high covers
// the 977 device rows 20 to 996. The screen's available area and the window manager's frame reach
// us only rounded to logical pixels, so the grid also says which device pixels they surely cover.
// A value type; any thread.
class KXScreenGrid {
public:
    KXScreenGrid() = default;
    KXScreenGrid(double factor, QPoint origin = {});
    // The grid of `screen`: its device pixel ratio, from its top-left corner (identity for nullptr).
    static KXScreenGrid of(const QScreen* screen);

    double factor() const { return factor_; }
    QPoint origin() const { return origin_; }

    int devicePosition(int logical, Qt::Orientation axis) const;
    int deviceLength(int logical) const;
    QRect toDevice(const QRect& logical) const;

    // The longest logical length that spans at most `device` pixels (0 when none does).
    int lengthWithin(int device) const;
    // The logical position on `axis` whose device position lies in [lo, hi] nearest `target`,
    // if any does: a range narrower than a logical pixel may fall between two of them.
    std::optional<int> positionWithin(int target, int lo, int hi, Qt::Orientation axis) const;
    // The first logical position on `axis` at or after device position `lo`.
    int positionFrom(int lo, Qt::Orientation axis) const;
    // Where a window's edge goes: the position within [lo, hi] nearest `target`. Where none is,
    // the one that overshoots the range least on either side; vertically the first from `lo`, so
    // that the title bar stays on the screen.
    int placeWithin(int target, int lo, int hi, Qt::Orientation axis) const;

    // The step, in device pixels, that Qt advertises to the window manager as the window's resize
    // increment: one logical pixel rounded to device pixels. The window manager snaps a window's
    // size down to a multiple of it.
    int resizeIncrement() const;
    // The logical length Qt reads back for a window asked to be `logical` long once the window
    // manager has snapped it to the increment: at 1.75, 380 spans 665 device pixels, snapped to
    // 664 and read back as 379.
    int snappedLength(int logical) const;
    // The shortest length from `logical` that the snap reads back no shorter than `logical`
    // (381 at 1.75: 667, snapped to 666, reads back as 381).
    int lengthKeptBySnap(int logical) const;

    // The device pixels that surely lie inside an area Qt reports as `logical` (the screen's
    // available geometry), whichever way its edges were rounded.
    QRect deviceAreaInside(const QRect& logical) const;
    // The widest device margins that Qt reports as `logical` (a window manager's frame).
    QMargins deviceMargins(const QMargins& logical) const;

private:
    int originOn(Qt::Orientation axis) const { return axis == Qt::Horizontal ? origin_.x() : origin_.y(); }
    int logicalPosition(int device, Qt::Orientation axis) const;
    int logicalLength(int device) const;
    int widestDeviceLength(int logical) const;

    double factor_ = 1;
    QPoint origin_;
};
