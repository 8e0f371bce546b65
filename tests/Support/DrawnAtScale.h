#pragma once

#include <QImage>
#include <QPixmap>
#include <QSizeF>
#include <QWidget>

// The widget as a screen at `scale` (1.25, 1.75, ...) draws it, in device pixels: each child is
// painted at its fractional device position and clipped to its rounded device rectangle, as the
// window's backing store does on such a screen.
inline QImage drawnAtScale(QWidget& widget, double scale)
{
    QPixmap picture((QSizeF(widget.size()) * scale).toSize());
    picture.setDevicePixelRatio(scale);
    picture.fill(Qt::transparent);
    widget.render(&picture);
    return picture.toImage();
}
