#include "Class/Account/KXQRCodeView.h"

#include <QMouseEvent>
#include <QPainter>

KXQRCodeView::KXQRCodeView(QWidget* parent)
    : ImageView(parent)
{
    setImageScaling(ImageScaling::ProportionallyUpOrDown);
}

void KXQRCodeView::setClickArmed(bool armed)
{
    clickArmed_ = armed;
    setCursor(armed ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void KXQRCodeView::paintEvent(QPaintEvent*)
{
    const QImage frame = currentFrameImage();
    if (frame.isNull())
        return;
    QPainter painter(this);
    // Whole device pixels per module: no smoothing, no half pixels at the edges.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    const QRectF target = imageRect();
    const qreal ratio = devicePixelRatioF();
    const QRectF snapped(std::round(target.x() * ratio) / ratio, std::round(target.y() * ratio) / ratio,
                         std::round(target.width() * ratio) / ratio, std::round(target.height() * ratio) / ratio);
    painter.drawImage(snapped, frame);
}

void KXQRCodeView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && clickArmed_ && clickHandler_) {
        event->accept();
        clickHandler_();
        return;
    }
    ImageView::mousePressEvent(event);
}
