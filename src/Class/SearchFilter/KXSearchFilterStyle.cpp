#include "Class/SearchFilter/KXSearchFilterStyle.h"

#include "Class/FontList/KXFontListStyle.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Class/UIKit/KXImage.h"

#include <QGraphicsDropShadowEffect>
#include <QPainter>

namespace searchfilterstyle {

RoundedBox::RoundedBox(QWidget* parent, QColor fill, double radius, std::optional<QColor> border)
    : QWidget(parent)
    , fill_(fill)
    , radius_(radius)
    , border_(border)
{
}

void RoundedBox::setFill(const QColor& fill)
{
    fill_ = fill;
    update();
}

void RoundedBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF area = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(border_ ? QPen(*border_, 1.0) : Qt::NoPen);
    painter.setBrush(fill_);
    painter.drawRoundedRect(area, radius_, radius_);
}

KXBaseButton* filterSwitch(const QString& title, const QString& identifier, bool on, QWidget* parent)
{
    auto* button = KXBaseButton::buttonWithTitle(title, KXImage::imageNamed("filterbtnnormalbg"), {}, parent);
    button->setButtonType(KXBaseButton::ButtonType::CheckBox);
    button->setImagePosition(KXBaseButton::ImagePosition::Overlaps);
    button->setImageScaling(KXBaseButton::ImageScaling::AxesIndependently);
    button->setAlternateImage(KXImage::imageNamed("filterButtonSelected"));
    button->setIdentifier(identifier);
    button->setNormalFont(fontliststyle::systemFont(12));
    button->setNormalColor(QColor(49, 49, 49));
    button->setKXBaseButtonAlignment(0);
    fillBackground(*button, QColor(248, 248, 248));
    button->setState(on ? 1 : 0);
    return button;
}

void fillBackground(QWidget& widget, const QColor& color)
{
    widget.setAutoFillBackground(true);
    QPalette palette = widget.palette();
    palette.setColor(widget.backgroundRole(), color);
    widget.setPalette(palette);
}

void dropShadow(QWidget* widget, double dx, double dy, double blurRadius, double alpha)
{
    auto* shadow = new QGraphicsDropShadowEffect(widget);
    shadow->setOffset(dx, dy);
    shadow->setBlurRadius(blurRadius);
    shadow->setColor(QColor::fromRgbF(0, 0, 0, static_cast<float>(alpha)));
    widget->setGraphicsEffect(shadow);
}

} // namespace searchfilterstyle
