#pragma once

// A screen as the window system sees it, in device pixels, with a window manager's frame, and
// what Qt reports of both at a scale factor: the numbers a window is placed by, and where Qt's
// rounding puts the window it places (each position and length rounded on its own, halves up, as
// Qt placed windows on an X screen at 1.5). Tests check placements against the device pixels.
#include "Class/UIKit/KXScreenGrid.h"

#include <QMargins>
#include <QRect>
#include <QtGlobal>

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

} // namespace scaledscreen
