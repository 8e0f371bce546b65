#pragma once

#include "Class/UIKit/KXBaseButton.h"

#include <QColor>

// A standard button with the face a layer would give it: a background, a corner radius and a
// border, drawn under the button's image and title. Without a background it is the plain
// KXBaseButton. Main thread only.
class KXStoreButton : public KXBaseButton {
    Q_OBJECT

public:
    explicit KXStoreButton(QWidget* parent = nullptr);

    const QColor& layerBackground() const { return background_; }
    void setLayerBackground(const QColor& color);
    double cornerRadius() const { return radius_; }
    void setCornerRadius(double radius);
    void setBorder(const QColor& color, double width);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor background_;
    QColor border_;
    double borderWidth_ = 0;
    double radius_ = 0;
};
