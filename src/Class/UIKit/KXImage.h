#pragma once

#include <QImage>
#include <QRectF>
#include <QSizeF>

#include <string_view>

class QPainter;

// Edges of an image that keep their size when it is drawn stretched; the part between them is
// scaled. In points, counted from each edge.
struct KXEdgeInsets {
    double top = 0;
    double left = 0;
    double bottom = 0;
    double right = 0;

    bool isZero() const { return top == 0 && left == 0 && bottom == 0 && right == 0; }
    friend bool operator==(const KXEdgeInsets&, const KXEdgeInsets&) = default;
};

// An image of the widget kit: pixels plus the stretch insets used when it is drawn into a larger
// rectangle. A default-made image is nil. Copies share their pixels (isSameImage() tells). GUI
// thread only.
class KXImage {
public:
    KXImage() = default;
    explicit KXImage(QImage image, KXEdgeInsets capInsets = {});

    // The application image of that name (the kit's resources), rendered for a 2x screen; nil
    // when there is none.
    static KXImage imageNamed(std::string_view name);
    // Whether the resources hold an image of that name.
    static bool hasImageNamed(std::string_view name);

    bool isNull() const { return image_.isNull(); }
    // The size in points (device-independent).
    QSizeF size() const;
    const QImage& image() const { return image_; }
    bool isSameImage(const KXImage& other) const;

    const KXEdgeInsets& capInsets() const { return capInsets_; }
    void setCapInsets(const KXEdgeInsets& insets) { capInsets_ = insets; }

    // The image turned counter-clockwise by `degrees`, as seen on screen. A whole turn gives this
    // image back (same pixels). Quarter turns swap width and height, a half turn keeps the size,
    // any other angle gives a square whose side is the longer side plus 20 points.
    KXImage imageRotated(double degrees) const;

    // Draws into `target`: scaled, or with the cap insets kept at their size.
    void draw(QPainter& painter, const QRectF& target) const;

private:
    QImage image_;
    KXEdgeInsets capInsets_;
};
