#include "Class/Home/Core/KXFlyingDotPath.h"

#include <algorithm>
#include <cmath>

KXFlyingDotPath KXFlyingDotPath::toCart(Point click)
{
    return KXFlyingDotPath(click, {(click.x + kCart.x) * 0.25, (click.y + kCart.y) / 1.56}, kCart);
}

KXFlyingDotPath::KXFlyingDotPath(Point start, Point control, Point end)
    : start_(start)
    , control_(control)
    , end_(end)
{
    lengths_.reserve(kSamples + 1);
    lengths_.push_back(0);
    Point previous = start_;
    for (int i = 1; i <= kSamples; ++i) {
        const Point next = curveAt(static_cast<double>(i) / kSamples);
        lengths_.push_back(lengths_.back() + std::hypot(next.x - previous.x, next.y - previous.y));
        previous = next;
    }
}

KXFlyingDotPath::Point KXFlyingDotPath::curveAt(double t) const
{
    const double u = 1 - t;
    return {u * u * start_.x + 2 * u * t * control_.x + t * t * end_.x, u * u * start_.y + 2 * u * t * control_.y + t * t * end_.y};
}

KXFlyingDotPath::Point KXFlyingDotPath::pointAt(double fraction) const
{
    fraction = std::clamp(fraction, 0.0, 1.0);
    if (length() <= 0)
        return fraction < 1 ? start_ : end_;
    const double target = fraction * length();
    const auto upper = std::lower_bound(lengths_.begin(), lengths_.end(), target);
    if (upper == lengths_.begin())
        return start_;
    if (upper == lengths_.end())
        return end_;
    const auto index = static_cast<double>(upper - lengths_.begin());
    const double below = *(upper - 1);
    const double span = *upper - below;
    const double within = span > 0 ? (target - below) / span : 0;
    return curveAt((index - 1 + within) / kSamples);
}
