#include "Class/Favourites/KXFavouritesStyle.h"

#include "Class/Favourites/Core/KXFavouritesTexts.h"

#include "Class/FontList/KXFontListStyle.h"
#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/UIKit/KXBaseButton.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"

#include <QGraphicsDropShadowEffect>
#include <QLabel>
#include <QMainWindow>
#include <QPainter>

namespace favouritesstyle {

Panel::Panel(QWidget* parent, QColor fill, double radius, std::optional<Shadow> shadow, std::optional<QColor> border)
    : QWidget(parent)
    , fill_(fill)
    , radius_(radius)
    , border_(border)
{
    if (shadow) {
        auto* effect = new QGraphicsDropShadowEffect(this);
        effect->setOffset(shadow->offset);
        effect->setBlurRadius(shadow->blur * 2);
        effect->setColor(shadow->color);
        setGraphicsEffect(effect);
    }
}

void Panel::setFill(QColor fill)
{
    fill_ = fill;
    update();
}

void Panel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(border_ ? QPen(*border_, 1.0) : Qt::NoPen);
    painter.setBrush(fill_);
    const QRectF area = border_ ? QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5) : QRectF(rect());
    if (radius_ > 0)
        painter.drawRoundedRect(area, radius_, radius_);
    else
        painter.drawRect(area);
}

int drawHighlighted(QPainter& painter, const QRect& area, const KXHighlightedText& text, int points, const QColor& color)
{
    const QFont plainFont = fontliststyle::systemFont(points);
    const QFont highFont = fontliststyle::systemFont(KXHighlightedText::kHighlightPoints);
    const QString before = text.text.left(text.location);
    const QString high = text.text.mid(text.location, text.length);
    const QString after = text.text.mid(text.location + text.length);
    painter.save();
    int x = area.left();
    const auto piece = [&](const QString& part, const QFont& font, const QColor& pen) {
        if (part.isEmpty())
            return;
        painter.setFont(font);
        painter.setPen(pen);
        const QFontMetrics metrics(font);
        const int width = metrics.horizontalAdvance(part);
        painter.drawText(QRect(x, area.top(), width + 1, area.height()), Qt::AlignVCenter | Qt::AlignLeft, part);
        x += width;
    };
    piece(before, plainFont, color);
    piece(high, highFont, KXHighlightedText::highlightColor());
    piece(after, plainFont, color);
    painter.restore();
    return x - area.left();
}

HighlightLabel::HighlightLabel(QWidget* parent, int points, QColor color)
    : QWidget(parent)
    , points_(points)
    , color_(color)
    , text_(std::make_shared<KXHighlightedText>())
{
}

void HighlightLabel::setText(const KXHighlightedText& text)
{
    *text_ = text;
    update();
}

QString HighlightLabel::text() const
{
    return text_->text;
}

void HighlightLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    drawHighlighted(painter, rect(), *text_, points_, color_);
}

QLabel* label(const QString& text, int points, const QColor& color, QWidget* parent)
{
    return fontliststyle::plainLabel(text, points, color, parent);
}

KXBaseButton* textButton(const QString& title, const QColor& color, QWidget* parent)
{
    auto* button = KXBaseButton::buttonWithTitle(title, {}, parent);
    button->setNormalColor(color);
    return button;
}

KXBaseButton* imageButton(const char* imageName, QWidget* parent)
{
    return KXBaseButton::buttonWithImage(KXImage::imageNamed(imageName), {}, parent);
}

void layoutDialogCard(QWidget* card, QWidget* title, QWidget* cancel, QWidget* confirm)
{
    using layoutwidgets::lcView;
    lc_makeConstraints(lcView(card), [](LCConstraintMaker& make) {
        make.width().equalTo(300);
        make.height().equalTo(168);
        make.centerX().equalTo(0);
        make.centerY().equalTo(0);
    });
    lc_makeConstraints(lcView(title), [](LCConstraintMaker& make) {
        make.top().equalTo(20);
        make.left().right().equalTo(0);
        make.height().equalTo(20);
    });
    lc_makeConstraints(lcView(cancel), [](LCConstraintMaker& make) {
        make.bottom().equalTo(-16);
        make.left().equalTo(60);
        make.width().equalTo(70);
        make.height().equalTo(28);
    });
    lc_makeConstraints(lcView(confirm), [](LCConstraintMaker& make) {
        make.bottom().equalTo(-16);
        make.right().equalTo(-60);
        make.width().equalTo(70);
        make.height().equalTo(28);
    });
}

void paintVeil(QWidget& widget, double alpha)
{
    QPainter(&widget).fillRect(widget.rect(), QColor(0, 0, 0, static_cast<int>(alpha * 255 + 0.5)));
}

void pinOnTop(QWidget* child, QWidget* parent)
{
    child->setParent(parent);
    lc_makeConstraints(layoutwidgets::lcView(child), [](LCConstraintMaker& make) { make.edges().equalTo(0); });
    child->show();
    child->raise();
}

QWidget* contentViewOf(QWidget* view)
{
    QWidget* window = view ? view->window() : nullptr;
    if (auto* main = qobject_cast<QMainWindow*>(window); main && main->centralWidget())
        return main->centralWidget();
    return window;
}

void toast(ToastStyle style, const QString& message)
{
    if (const auto presenter = ToastPresenter::shared())
        presenter->show(message.toStdString(), style, ToastWindow{});
}

} // namespace favouritesstyle
