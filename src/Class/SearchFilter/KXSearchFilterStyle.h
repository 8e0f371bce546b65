#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

#include <optional>

class KXBaseButton;

// Small drawing helpers the search and filter pages share. GUI thread only.
namespace searchfilterstyle {

// What a layer with a background, a corner radius and maybe a border draws; children are
// clipped to nothing (they are placed inside).
class RoundedBox final : public QWidget {
public:
    RoundedBox(QWidget* parent, QColor fill, double radius, std::optional<QColor> border = std::nullopt);
    void setFill(const QColor& fill);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor fill_;
    double radius_;
    std::optional<QColor> border_;
};

// A filter switch: a check-box KXBaseButton with the title centred over the image
// "filterbtnnormalbg" (off) or "filterButtonSelected" (on) drawn to its bounds, the 12-point
// system font in rgb(49,49,49), on rgb(248,248,248). `identifier` is the value it stands for.
KXBaseButton* filterSwitch(const QString& title, const QString& identifier, bool on, QWidget* parent);

// Fills a widget's own background (its background role: Button for buttons, Window for others).
void fillBackground(QWidget& widget, const QColor& color);

// A shadow under a widget: black at `alpha`, offset (dx, dy) in top-down points, blurred.
void dropShadow(QWidget* widget, double dx, double dy, double blurRadius, double alpha = 1.0);

} // namespace searchfilterstyle
