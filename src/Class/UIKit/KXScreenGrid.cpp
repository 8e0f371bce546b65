#include "Class/UIKit/KXScreenGrid.h"

#include <QScreen>
#include <QtMath>

#include <algorithm>
#include <cmath>

KXScreenGrid::KXScreenGrid(double factor, QPoint origin)
    : factor_(factor > 0 ? factor : 1)
    , origin_(origin)
{
}

KXScreenGrid KXScreenGrid::of(const QScreen* screen)
{
    return screen ? KXScreenGrid(screen->devicePixelRatio(), screen->geometry().topLeft()) : KXScreenGrid();
}

// Qt rounds with qRound, logical to device by multiplying with the factor and back by multiplying
// with its inverse; the same arithmetic here lands on the same pixels.
int KXScreenGrid::devicePosition(int logical, Qt::Orientation axis) const
{
    const int origin = originOn(axis);
    return qRound(double(logical - origin) * factor_) + origin;
}

int KXScreenGrid::deviceLength(int logical) const
{
    return qRound(double(logical) * factor_);
}

int KXScreenGrid::logicalPosition(int device, Qt::Orientation axis) const
{
    const int origin = originOn(axis);
    return qRound(double(device - origin) * (1 / factor_)) + origin;
}

int KXScreenGrid::logicalLength(int device) const
{
    return qRound(double(device) * (1 / factor_));
}

QRect KXScreenGrid::toDevice(const QRect& logical) const
{
    return QRect(devicePosition(logical.x(), Qt::Horizontal), devicePosition(logical.y(), Qt::Vertical),
                 deviceLength(logical.width()), deviceLength(logical.height()));
}

int KXScreenGrid::lengthWithin(int device) const
{
    if (device <= 0)
        return 0;
    int length = int(std::floor(device / factor_)) + 1;
    while (length > 0 && deviceLength(length) > device)
        --length;
    return length;
}

std::optional<int> KXScreenGrid::positionWithin(int target, int lo, int hi, Qt::Orientation axis) const
{
    if (hi < lo)
        return std::nullopt;
    target = std::clamp(target, lo, hi);
    const int origin = originOn(axis);
    const int guess = int(std::floor((target - origin) / factor_)) + origin;
    std::optional<int> best;
    int bestDistance = 0;
    // Neighbouring logical positions lie about a factor apart; two either side cover the target.
    for (int position = guess - 2; position <= guess + 2; ++position) {
        const int device = devicePosition(position, axis);
        if (device < lo || device > hi)
            continue;
        if (!best || std::abs(device - target) < bestDistance) {
            best = position;
            bestDistance = std::abs(device - target);
        }
    }
    return best;
}

int KXScreenGrid::positionFrom(int lo, Qt::Orientation axis) const
{
    const int origin = originOn(axis);
    int position = int(std::floor((lo - origin) / factor_)) + origin - 1;
    while (devicePosition(position, axis) < lo)
        ++position;
    return position;
}

int KXScreenGrid::placeWithin(int target, int lo, int hi, Qt::Orientation axis) const
{
    if (const std::optional<int> inside = positionWithin(target, lo, hi, axis))
        return *inside;
    const int first = positionFrom(lo, axis);
    if (axis == Qt::Vertical)
        return first;
    // The range is empty or falls between two positions. The margins behind it are the widest
    // the reported frame may stand for, so the real frame most likely fits where the overshoot is
    // shared between both ends rather than all of it put past the far one.
    const auto overshoot = [&](int position) {
        const int device = devicePosition(position, axis);
        return std::max({0, lo - device, device - hi});
    };
    int best = first;
    for (int position = first - 1; overshoot(position) < overshoot(best); --position)
        best = position;
    return best;
}

int KXScreenGrid::resizeIncrement() const
{
    return std::max(1, deviceLength(1));
}

int KXScreenGrid::snappedLength(int logical) const
{
    const int device = deviceLength(logical);
    return logicalLength(device - device % resizeIncrement());
}

int KXScreenGrid::lengthKeptBySnap(int logical) const
{
    if (logical <= 0)
        return logical;
    // One logical pixel more spans at least one device pixel more, so an increment's worth of
    // lengths always holds one the snap keeps.
    int length = logical;
    while (snappedLength(length) < logical && length < logical + resizeIncrement())
        ++length;
    return length;
}

int KXScreenGrid::widestDeviceLength(int logical) const
{
    // Every device length Qt reports as `logical` lies within half a logical pixel of it.
    int device = int(std::ceil((logical + 0.5) * factor_)) + 1;
    while (device > 0 && logicalLength(device) > logical)
        --device;
    return logicalLength(device) == logical ? device : deviceLength(logical);
}

QRect KXScreenGrid::deviceAreaInside(const QRect& logical) const
{
    // Each edge of the device area may lie on any pixel that rounds to the reported one; the
    // area surely covered starts at the last such start and ends at the first start plus the
    // shortest such length.
    const int reach = int(std::ceil(factor_)) + 1;
    const auto axis = [this, reach](int start, int length, Qt::Orientation orientation) {
        const int around = devicePosition(start, orientation);
        int first = around + reach + 1, last = around - reach - 1;
        for (int device = around - reach; device <= around + reach; ++device) {
            if (logicalPosition(device, orientation) != start)
                continue;
            first = std::min(first, device);
            last = std::max(last, device);
        }
        if (first > last)
            first = last = around;
        int shortest = std::max(0, deviceLength(length) - reach);
        while (logicalLength(shortest) < length)
            ++shortest;
        if (logicalLength(shortest) != length)
            shortest = deviceLength(length);
        return std::pair(last, std::max(0, first + shortest - last));
    };
    const auto [left, width] = axis(logical.x(), logical.width(), Qt::Horizontal);
    const auto [top, height] = axis(logical.y(), logical.height(), Qt::Vertical);
    return QRect(left, top, width, height);
}

QMargins KXScreenGrid::deviceMargins(const QMargins& logical) const
{
    return QMargins(widestDeviceLength(logical.left()), widestDeviceLength(logical.top()), widestDeviceLength(logical.right()),
                    widestDeviceLength(logical.bottom()));
}
