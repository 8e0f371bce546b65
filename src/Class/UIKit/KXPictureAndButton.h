#pragma once

#include <QRect>
#include <QSize>

#include <algorithm>

// Where an overlay's picture and the button below it go (a guide, a questionnaire): the picture
// at its designed size with its centre `lift` above the middle of `bounds`, or, where the window
// is too short for that, scaled down so that both stay a `margin` inside it. Any thread.
struct KXPictureAndButton {
    QRect picture;
    QRect button;

    static KXPictureAndButton within(const QSize& bounds, const QSize& picture, const QSize& button, int gap, int lift,
                                     int margin = 16)
    {
        const int room = std::max(0, std::min(bounds.height() - 2 * margin - gap - button.height(),
                                              (bounds.width() - 2 * margin) * picture.height() / std::max(1, picture.width())));
        const int height = std::min(picture.height(), room);
        const int width = height * picture.width() / std::max(1, picture.height());
        const int block = height + gap + button.height();
        const int designedTop = bounds.height() / 2 - lift - height / 2;
        const int top = std::max(std::min(designedTop, bounds.height() - margin - block), std::min(margin, (bounds.height() - block) / 2));
        return {QRect((bounds.width() - width) / 2, top, width, height),
                QRect((bounds.width() - button.width()) / 2, top + height + gap, button.width(), button.height())};
    }
};
