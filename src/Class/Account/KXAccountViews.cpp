#include "Class/Account/KXAccountViews.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>

KXFilledView::KXFilledView(QWidget* parent, QColor fill, double cornerRadius, QColor border, double borderWidth)
    : QWidget(parent)
    , fill_(fill)
    , cornerRadius_(cornerRadius)
    , border_(border)
    , borderWidth_(borderWidth)
{
}

void KXFilledView::setFill(const QColor& fill)
{
    fill_ = fill;
    update();
}

void KXFilledView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (cornerRadius_ <= 0 && !border_.isValid()) {
        painter.fillRect(rect(), fill_);
        return;
    }
    painter.setRenderHint(QPainter::Antialiasing);
    const double inset = border_.isValid() ? borderWidth_ / 2 : 0;
    const QRectF box = QRectF(rect()).adjusted(inset, inset, -inset, -inset);
    painter.setPen(border_.isValid() ? QPen(border_, borderWidth_) : Qt::NoPen);
    painter.setBrush(fill_);
    painter.drawRoundedRect(box, cornerRadius_, cornerRadius_);
}

KXFillButton::KXFillButton(QWidget* parent, const QString& title, QColor fill, QColor titleColor, double cornerRadius, Action action)
    : KXBaseButton(parent)
    , fill_(fill)
    , cornerRadius_(cornerRadius)
{
    setTitle(title);
    setNormalFont(kxaccount::systemFont(14));
    setNormalColor(titleColor);
    setKXBaseButtonAlignment(2);
    setAction(std::move(action));
}

void KXFillButton::paintEvent(QPaintEvent* event)
{
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        QColor fill = fill_;
        if (!isEnabled())
            fill.setAlphaF(fill.alphaF() * 0.55);
        else if (isDown())
            fill = fill.darker(112);
        painter.setBrush(fill);
        painter.drawRoundedRect(QRectF(rect()), cornerRadius_, cornerRadius_);
    }
    KXBaseButton::paintEvent(event);
}

namespace kxaccount {

QFont systemFont(double points, bool bold)
{
    QFont font;
    font.setPixelSize(static_cast<int>(points + 0.5));
    font.setBold(bold);
    return font;
}

QLabel* makeLabel(QWidget* parent, const QString& text, double points, const QColor& color, bool bold)
{
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setFont(systemFont(points, bold));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
    // Inside an item view (a card in a table cell) the label would draw with Text otherwise.
    label->setForegroundRole(QPalette::WindowText);
    return label;
}

QLineEdit* makeField(QWidget* parent, const QString& placeholder, bool password)
{
    auto* field = new QLineEdit(parent);
    field->setPlaceholderText(placeholder);
    field->setFont(systemFont(14));
    field->setEchoMode(password ? QLineEdit::Password : QLineEdit::Normal);
    field->setStyleSheet(QStringLiteral("QLineEdit { background: white; color: rgb(51, 51, 51); border: 1px solid rgb(221, 221, 221);"
                                        " border-radius: 3px; padding: 0 8px; }"
                                        "QLineEdit:focus { border-color: rgb(151, 125, 98); }"));
    return field;
}

QCheckBox* makeCheckBox(QWidget* parent, const QString& title)
{
    auto* box = new QCheckBox(title, parent);
    box->setFont(systemFont(12));
    box->setStyleSheet(QStringLiteral("QCheckBox { color: rgb(102, 102, 102); }"));
    return box;
}

KXBaseButton* makeLinkButton(QWidget* parent, const QString& title, const QColor& color, KXBaseButton::Action action, double points)
{
    auto* button = KXBaseButton::buttonWithTitle(title, std::move(action), parent);
    button->setNormalFont(systemFont(points));
    button->setNormalColor(color);
    return button;
}

} // namespace kxaccount
