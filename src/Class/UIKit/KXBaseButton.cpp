#include "Class/UIKit/KXBaseButton.h"
#include "Class/UIKit/KXLabelText.h"

#include "Class/UIKit/KXPlainToolTip.h"

#include <QApplication>
#include <QEnterEvent>
#include <QKeyEvent>
#include <QPainter>

namespace {

constexpr int kImageTitleGap = 4;

bool isPlaceholderTitle(const QString& title)
{
    return title == QStringLiteral("按钮") || title == QStringLiteral("button") || title == QStringLiteral("Button");
}

} // namespace

KXBaseButton* KXBaseButton::buttonWithImage(const KXImage& image, Action action, QWidget* parent)
{
    auto* button = new KXBaseButton(parent);
    button->setImage(image);
    button->setAction(std::move(action));
    return button;
}

KXBaseButton* KXBaseButton::buttonWithTitle(const QString& title, Action action, QWidget* parent)
{
    auto* button = new KXBaseButton(parent);
    button->setTitle(title);
    button->setAction(std::move(action));
    return button;
}

KXBaseButton* KXBaseButton::buttonWithTitle(const QString& title, const KXImage& image, Action action,
                                            QWidget* parent)
{
    auto* button = new KXBaseButton(parent);
    button->setTitle(title);
    button->setImage(image);
    button->setAction(std::move(action));
    return button;
}

KXBaseButton::KXBaseButton(QWidget* parent)
    : QAbstractButton(parent)
{
    // Buttons draw no focus mark: Tab passes them by, so Space never presses an unseen button.
    setFocusPolicy(Qt::NoFocus);
    connect(this, &QAbstractButton::clicked, this, [this] {
        if (action_)
            action_(this);
    });
}

void KXBaseButton::setTitle(const QString& title)
{
    attributedTitle_ = KXAttributedTitle{title, {}, {}, {}};
    setText(title);
    updateGeometry();
    update();
}

void KXBaseButton::setAttributedTitle(KXAttributedTitle title)
{
    attributedTitle_ = std::move(title);
    setText(attributedTitle_.text);
    updateGeometry();
    update();
}

void KXBaseButton::setImage(const KXImage& image)
{
    image_ = image;
    updateGeometry();
    update();
}

void KXBaseButton::setAlternateImage(const KXImage& image)
{
    alternateImage_ = image;
    update();
}

void KXBaseButton::setButtonType(ButtonType type)
{
    buttonType_ = type;
    setCheckable(type == ButtonType::CheckBox);
    update();
}

void KXBaseButton::setImagePosition(ImagePosition position)
{
    imagePosition_ = position;
    updateGeometry();
    update();
}

void KXBaseButton::setImageScaling(ImageScaling scaling)
{
    imageScaling_ = scaling;
    update();
}

void KXBaseButton::setTitleInsets(double left, double right)
{
    titleInsetLeft_ = left;
    titleInsetRight_ = right;
    update();
}

const KXImage& KXBaseButton::shownImage() const
{
    const bool alternate = buttonType_ == ButtonType::CheckBox ? isChecked() : isDown();
    return (alternate && !alternateImage_.isNull()) ? alternateImage_ : image_;
}

QRectF KXBaseButton::imageRect(const QRectF& bounds) const
{
    const KXImage& shown = shownImage();
    const QSizeF natural = shown.isNull() ? QSizeF() : shown.size();
    switch (imageScaling_) {
    case ImageScaling::AxesIndependently:
        return bounds;
    case ImageScaling::ProportionallyUpOrDown: {
        if (natural.isEmpty())
            return bounds;
        const QSizeF fitted = natural.scaled(bounds.size(), Qt::KeepAspectRatio);
        return {bounds.center() - QPointF(fitted.width() / 2, fitted.height() / 2), fitted};
    }
    case ImageScaling::None:
        break;
    }
    return {bounds.center() - QPointF(natural.width() / 2, natural.height() / 2), natural};
}

const QFont& KXBaseButton::normalFont()
{
    if (!normalFont_) {
        QFont font = QApplication::font();
        font.setPointSizeF(12);
        normalFont_ = font;
    }
    return *normalFont_;
}

void KXBaseButton::rebuildTitle(std::optional<QColor> color, bool truncatesTail)
{
    KXAttributedTitle title{attributedTitle_.text, std::move(color), normalFont(), {}};
    if (truncatesTail)
        title.paragraph = KXAttributedTitle::Paragraph{false, true};
    setAttributedTitle(std::move(title));
}

void KXBaseButton::setNormalColor(std::optional<QColor> color)
{
    normalColor_ = std::move(color);
    rebuildTitle(normalColor_, true);
}

void KXBaseButton::setSelected(bool selected)
{
    selected_ = selected;
    if (selected_) {
        if (selectedColor_)
            rebuildTitle(selectedColor_, false);
        return;
    }
    rebuildTitle(normalColor_, false);
}

void KXBaseButton::setKXBaseButtonAlignment(int /*alignment*/)
{
    KXAttributedTitle title = attributedTitle_;
    auto paragraph = title.paragraph.value_or(KXAttributedTitle::Paragraph{});
    paragraph.centred = true;
    title.paragraph = paragraph;
    setAttributedTitle(std::move(title));
}

Qt::Alignment KXBaseButton::titleAlignment() const
{
    // A paragraph style decides the alignment; without one the button centres its title.
    if (attributedTitle_.paragraph && !attributedTitle_.paragraph->centred)
        return Qt::AlignLeft | Qt::AlignVCenter;
    return Qt::AlignCenter;
}

QSize KXBaseButton::sizeHint() const
{
    const QFont font = attributedTitle_.font.value_or(this->font());
    const QFontMetrics metrics(font);
    const QSizeF imageSize = image_.isNull() ? QSizeF() : image_.size();
    const bool drawsTitle = imagePosition_ != ImagePosition::ImageOnly && !attributedTitle_.text.isEmpty();
    int width = drawsTitle ? metrics.horizontalAdvance(attributedTitle_.text) + 8 : 0;
    if (!image_.isNull() && (imagePosition_ == ImagePosition::Leading || imagePosition_ == ImagePosition::Trailing))
        width += qRound(imageSize.width()) + (width > 0 ? kImageTitleGap : 0);
    else if (!image_.isNull())
        width = std::max(width, qRound(imageSize.width()));
    const int height = std::max(metrics.height() + 4, qRound(imageSize.height()));
    return {std::max(width, 8), height};
}

void KXBaseButton::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    QRectF area = rect();

    const KXImage& shown = shownImage();
    if (imagePosition_ == ImagePosition::Trailing) {
        if (!shown.isNull()) {
            const QSizeF size = shown.size();
            shown.draw(painter, QRectF(area.right() - size.width(), area.center().y() - size.height() / 2, size.width(), size.height()));
            area.setRight(area.right() - size.width() - kImageTitleGap);
        }
    } else if (imagePosition_ != ImagePosition::Leading) {
        shown.draw(painter, imageRect(area));
        if (imagePosition_ == ImagePosition::ImageOnly)
            return;
    } else if (!shown.isNull()) {
        const QSizeF size = shown.size();
        if (attributedTitle_.text.isEmpty()) {
            shown.draw(painter, QRectF(area.center() - QPointF(size.width() / 2, size.height() / 2), size));
            return;
        }
        shown.draw(painter, QRectF(area.left(), area.center().y() - size.height() / 2, size.width(), size.height()));
        area.setLeft(area.left() + size.width() + kImageTitleGap);
    }
    if (attributedTitle_.text.isEmpty())
        return;
    area.adjust(titleInsetLeft_, 0, -titleInsetRight_, 0);

    const QFont font = attributedTitle_.font.value_or(this->font());
    painter.setFont(font);
    painter.setPen(attributedTitle_.color.value_or(palette().color(QPalette::ButtonText)));
    // A title that does not fit loses its tail.
    const QString text = kx_elidedText(QFontMetrics(font), attributedTitle_.text, Qt::ElideRight, qRound(area.width()));
    painter.drawText(area, static_cast<int>(titleAlignment()), text);
}

void KXBaseButton::enterEvent(QEnterEvent* event)
{
    QAbstractButton::enterEvent(event);
    setCursor(Qt::PointingHandCursor);
    update();

    const QString title = attributedTitle_.text;
    const bool leaveTooltip = isPlaceholderTitle(title) || (title.isEmpty() && toolTipTitle_.isEmpty());
    if (!leaveTooltip && toolTipTitle_.isEmpty())
        setToolTip(kx_plainToolTip(title));

    if (auto delegate = delegate_.lock(); delegate && delegate->kxbasebuttonMouseEntered)
        delegate->kxbasebuttonMouseEntered(this);
}

void KXBaseButton::keyPressEvent(QKeyEvent* event)
{
    const bool confirms = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (confirms && buttonType_ == ButtonType::MomentaryChange && !event->isAutoRepeat()) {
        click();
        event->accept();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

void KXBaseButton::leaveEvent(QEvent* event)
{
    QAbstractButton::leaveEvent(event);
    setCursor(Qt::ArrowCursor);
    update();
    if (auto delegate = delegate_.lock(); delegate && delegate->kxbasebuttonMouseExited)
        delegate->kxbasebuttonMouseExited(this);
}
