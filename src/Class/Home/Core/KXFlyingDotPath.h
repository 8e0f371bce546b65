#pragma once

#include <vector>

// The path of the dot that flies from a row's cart button to the cart: a quadratic curve walked
// at constant speed (equal fractions of the time cover equal lengths of the curve). Points are in
// the window's y-up coordinates, as the cart's place (45, 55) is given; the hub maps them.
class KXFlyingDotPath {
public:
    struct Point {
        double x = 0;
        double y = 0;
        bool operator==(const Point&) const = default;
    };

    static constexpr Point kCart{45, 55};
    static constexpr double kDuration = 0.5;

    // From the click to the cart, bending through ((x + 45) × 0.25, (y + 55) / 1.56).
    static KXFlyingDotPath toCart(Point click);

    KXFlyingDotPath(Point start, Point control, Point end);

    Point start() const { return start_; }
    Point control() const { return control_; }
    Point end() const { return end_; }
    double length() const { return lengths_.back(); }
    // The point reached after `fraction` (0 to 1, clamped) of the flight.
    Point pointAt(double fraction) const;
    // The curve's own point at parameter t.
    Point curveAt(double t) const;

private:
    static constexpr int kSamples = 128;

    Point start_;
    Point control_;
    Point end_;
    // Length of the curve from t = 0 to t = i / kSamples.
    std::vector<double> lengths_;
};
