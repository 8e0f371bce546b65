#pragma once

#include "Class/ImageViews/ImageView.h"

#include <functional>

// The image view of the QR code: the code is scaled nearest-neighbour, so its modules stay sharp
// at any size and pixel ratio, and a click reaches the click handler only while it is armed (the
// click-to-refresh gesture of a timed-out code). Main thread only.
class KXQRCodeView : public ImageView {
    Q_OBJECT

public:
    explicit KXQRCodeView(QWidget* parent = nullptr);

    void setClickHandler(std::function<void()> handler) { clickHandler_ = std::move(handler); }
    bool isClickArmed() const { return clickArmed_; }
    void setClickArmed(bool armed);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    std::function<void()> clickHandler_;
    bool clickArmed_ = false;
};
