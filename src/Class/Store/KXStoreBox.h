#pragma once

#include <QColor>
#include <QWidget>

// A plain view with what the store's layers draw: a background, a corner radius and a border.
// Main thread only.
class KXStoreBox : public QWidget {
    Q_OBJECT

public:
    explicit KXStoreBox(QWidget* parent = nullptr, QColor background = Qt::white, double radius = 0);

    const QColor& background() const { return background_; }
    void setBackground(const QColor& color);
    double cornerRadius() const { return radius_; }
    void setCornerRadius(double radius);
    void setBorder(const QColor& color, double width);

    // A layer's shadow under `widget`: its colour, its offset as the layer gives it (y up, so
    // (0, 2) casts the shadow 2 points upwards on screen) and its blur radius.
    static void applyShadow(QWidget* widget, const QColor& color, QPointF layerOffset, double blurRadius);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor background_;
    QColor border_;
    double borderWidth_ = 0;
    double radius_ = 0;
};
