#include "Class/Store/KXStoreTextLabel.h"

#include "Class/Store/KXStoreStyle.h"

#include <QPainter>
#include <QTextOption>
#include <cmath>

KXStoreTextLabel::KXStoreTextLabel(QWidget* parent)
    : QWidget(parent)
    , font_(storestyle::systemFont(12))
{
}

KXStoreTextLabel::~KXStoreTextLabel() = default;

void KXStoreTextLabel::setAttributedText(KXAttributedText text)
{
    text_ = std::move(text);
    string_ = storestyle::qstring(text_.text);
    // A line break as a line separator: the same single UTF-16 unit, so ranges keep their places.
    string_.replace(QLatin1Char('\n'), QChar::LineSeparator);
    rebuild();
}

void KXStoreTextLabel::setText(const QString& text)
{
    KXAttributedText plain;
    plain.text = text.toStdString();
    setAttributedText(std::move(plain));
}

QString KXStoreTextLabel::text() const
{
    QString text = string_;
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return text;
}

void KXStoreTextLabel::setTextColor(const QColor& color)
{
    color_ = color;
    rebuild();
}

void KXStoreTextLabel::setTextFont(const QFont& font)
{
    font_ = font;
    rebuild();
}

void KXStoreTextLabel::setWordWrap(bool wrap)
{
    wrap_ = wrap;
    rebuild();
}

void KXStoreTextLabel::setAlignment(Qt::Alignment alignment)
{
    alignment_ = alignment;
    rebuild();
}

QTextCharFormat KXStoreTextLabel::formatAt(int index) const
{
    const KXTextAttributes attributes = text_.attributesAt(static_cast<std::size_t>(index));
    QTextCharFormat format;
    if (attributes.systemFontSize)
        format.setFont(
            storestyle::systemFont(*attributes.systemFontSize), QTextCharFormat::FontPropertiesSpecifiedOnly);
    format.setForeground(attributes.color ? storestyle::qcolor(*attributes.color) : color_);
    if (attributes.strikethrough)
        format.setFontStrikeOut(true);
    return format;
}

QFont KXStoreTextLabel::fontAt(int index) const
{
    const KXTextAttributes attributes = text_.attributesAt(static_cast<std::size_t>(index));
    return attributes.systemFontSize ? storestyle::systemFont(*attributes.systemFontSize) : font_;
}

QColor KXStoreTextLabel::colorAt(int index) const
{
    const KXTextAttributes attributes = text_.attributesAt(static_cast<std::size_t>(index));
    return attributes.color ? storestyle::qcolor(*attributes.color) : color_;
}

bool KXStoreTextLabel::isStruckAt(int index) const
{
    return text_.attributesAt(static_cast<std::size_t>(index)).strikethrough;
}

void KXStoreTextLabel::rebuild()
{
    layout_ = std::make_unique<QTextLayout>(string_, font_);
    QList<QTextLayout::FormatRange> formats;
    // One format per run of equal attributes, so overlapping ranges combine as attributesAt says.
    int start = 0;
    for (int i = 1; i <= string_.size(); ++i) {
        if (i < string_.size()
            && text_.attributesAt(static_cast<std::size_t>(i))
                == text_.attributesAt(static_cast<std::size_t>(start)))
            continue;
        if (i > start)
            formats.append({ start, i - start, formatAt(start) });
        start = i;
    }
    layout_->setFormats(formats);
    QTextOption option;
    Qt::Alignment horizontal = alignment_ & Qt::AlignHorizontal_Mask;
    if (text_.alignment == KXAttributedText::Alignment::Centred)
        horizontal = Qt::AlignHCenter;
    else if (text_.alignment == KXAttributedText::Alignment::Right)
        horizontal = Qt::AlignRight;
    option.setAlignment(horizontal);
    option.setWrapMode(wrap_ ? QTextOption::WordWrap : QTextOption::NoWrap);
    layout_->setTextOption(option);
    laidOutWidth_ = -2;
    updateGeometry();
    update();
}

QSizeF KXStoreTextLabel::layOut(QTextLayout& layout, double width) const
{
    layout.beginLayout();
    double y = 0;
    double widest = 0;
    while (true) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        if (width >= 0)
            line.setLineWidth(width);
        else
            line.setLineWidth(1e6);
        line.setPosition(QPointF(0, y));
        y += line.height();
        widest = std::max(widest, line.naturalTextWidth());
    }
    layout.endLayout();
    return { widest, y };
}

QSize KXStoreTextLabel::sizeHint() const
{
    QTextLayout probe(string_, font_);
    probe.setFormats(layout_ ? layout_->formats() : QList<QTextLayout::FormatRange>());
    const QSizeF size = layOut(probe, -1);
    return { static_cast<int>(std::ceil(size.width())) + 2, static_cast<int>(std::ceil(size.height())) };
}

int KXStoreTextLabel::heightForWidth(int width) const
{
    QTextLayout probe(string_, font_);
    probe.setFormats(layout_ ? layout_->formats() : QList<QTextLayout::FormatRange>());
    probe.setTextOption(layout_ ? layout_->textOption() : QTextOption());
    return static_cast<int>(std::ceil(layOut(probe, width).height()));
}

void KXStoreTextLabel::resizeEvent(QResizeEvent* event)
{
    laidOutWidth_ = -2;
    QWidget::resizeEvent(event);
}

void KXStoreTextLabel::paintEvent(QPaintEvent* /*event*/)
{
    if (!layout_ || string_.isEmpty())
        return;
    if (laidOutWidth_ != width()) {
        laidOut_ = layOut(*layout_, width());
        laidOutWidth_ = width();
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    double top = 0;
    if (alignment_ & Qt::AlignVCenter)
        top = (height() - laidOut_.height()) / 2;
    else if (alignment_ & Qt::AlignBottom)
        top = height() - laidOut_.height();
    layout_->draw(&painter, QPointF(0, top));
}
