#include "Class/SearchFilter/KXFilterTagGrid.h"

#include "Class/FontList/KXFontListStyle.h"
#include "Class/SearchFilter/Core/KXFilterSelection.h"
#include "Class/UIKit/KXImage.h"
#include "Class/UIKit/KXLabelText.h"
#include "Class/UIKit/KXPlainToolTip.h"

#include <QFontMetrics>
#include <QHash>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QToolTip>

namespace {

const QColor kBackground(248, 248, 248);
const QColor kTitleColour(49, 49, 49);

// A switch's image drawn to a switch's size, made once for each size: a page of tags has few sizes,
// and scaling the image anew for every switch at every paint costs more than its text.
QPixmap switchImage(const KXImage& image, bool on, const QSize& size, qreal ratio)
{
    static QHash<QString, QPixmap> made;
    const QString key = QStringLiteral("%1 %2 %3 %4").arg(on).arg(size.width()).arg(size.height()).arg(ratio);
    if (const auto found = made.constFind(key); found != made.constEnd())
        return *found;
    QPixmap pixels(size * ratio);
    pixels.setDevicePixelRatio(ratio);
    pixels.fill(Qt::transparent);
    {
        QPainter painter(&pixels);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        image.draw(painter, QRectF(QPointF(0, 0), QSizeF(size)));
    }
    if (made.size() >= 256) // titles of every width: the cache stays small
        made.clear();
    made.insert(key, pixels);
    return pixels;
}

} // namespace

KXFilterTagGrid::KXFilterTagGrid(KXFilterSelection* selection, QWidget* parent)
    : QWidget(parent)
    , selection_(selection)
    , tags_(KXFilterTagList::create())
{
    setMouseTracking(true);
    // A click in the tags takes the keys into the panel, as a switch did.
    setFocusPolicy(Qt::ClickFocus);
}

void KXFilterTagGrid::setTags(
    std::string classStr, foundation::Ref<KXFilterTagList> tags, FrameOf frameOf, Shown shown)
{
    classStr_ = std::move(classStr);
    tags_ = tags ? std::move(tags) : KXFilterTagList::create();
    shown_ = shown == Shown::All ? tags_->count() : 0;
    // Tags shown whole come without measured widths: one slot, never as many as the tags.
    titleWidths_.assign(shown_ == 0 ? 0 : 1, 0);
    frameOf_ = std::move(frameOf);
    pressed_.reset();
    update();
}

void KXFilterTagGrid::appendTag(double titleWidth)
{
    if (shown_ >= tags_->count())
        return;
    if (titleWidths_.size() == shown_)
        titleWidths_.push_back(titleWidth);
    ++shown_;
    update(tagRect(shown_ - 1));
}

QRect KXFilterTagGrid::tagRect(std::size_t index) const
{
    if (index >= shown_)
        return {};
    const auto frame = frameOf_(index);
    return QRectF(frame.x, frame.y, frame.width, frame.height).toRect();
}

QString KXFilterTagGrid::tagTitle(std::size_t index) const
{
    return index < shown_ ? kx_labelText(tags_->tagname(index)) : QString();
}

QString KXFilterTagGrid::tagIdentifier(std::size_t index) const
{
    if (index >= shown_)
        return {};
    const std::string_view identifier = tags_->tagid(index);
    return QString::fromUtf8(identifier.data(), static_cast<qsizetype>(identifier.size()));
}

bool KXFilterTagGrid::isTagOn(std::size_t index) const
{
    if (!selection_ || index >= shown_)
        return false;
    return selection_->isSelected(classStr_, tags_->tagid(index));
}

std::size_t KXFilterTagGrid::firstReaching(double y) const
{
    // Frames lie in line order, so their bottoms never go up.
    std::size_t low = 0;
    std::size_t high = shown_;
    while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        const auto frame = frameOf_(middle);
        if (frame.y + frame.height < y)
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

std::optional<std::size_t> KXFilterTagGrid::tagAt(const QPoint& point) const
{
    for (std::size_t i = firstReaching(point.y()); i < shown_; ++i) {
        const QRect rect = tagRect(i);
        if (rect.top() > point.y())
            break;
        if (rect.contains(point))
            return i;
    }
    return std::nullopt;
}

void KXFilterTagGrid::paintEvent(QPaintEvent* event)
{
    // Both images are loaded once for the whole client; each switch draws one of them.
    static const KXImage off = KXImage::imageNamed("filterbtnnormalbg");
    static const KXImage on = KXImage::imageNamed("filterButtonSelected");
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QFont font = fontliststyle::systemFont(12);
    const QFontMetrics metrics(font);
    painter.setFont(font);
    painter.setPen(kTitleColour);
    const QRect clip = event->rect();
    for (std::size_t i = firstReaching(clip.top()); i < shown_; ++i) {
        const QRect rect = tagRect(i);
        if (rect.top() > clip.bottom())
            break;
        if (!rect.intersects(clip))
            continue;
        painter.fillRect(rect, kBackground);
        painter.drawPixmap(rect.topLeft(),
            switchImage(
                isTagOn(i) ? on : off, isTagOn(i), rect.size(), painter.device()->devicePixelRatioF()));
        const QString title = tagTitle(i);
        if (titleWidths_.size() == shown_ && titleWidths_[i] <= rect.width()) {
            // Measured when it was laid out and known to fit: centred on its line as it stands.
            const QPointF origin(rect.x() + (rect.width() - titleWidths_[i]) / 2,
                rect.y() + (rect.height() - metrics.height()) / 2.0 + metrics.ascent());
            painter.drawText(origin, title);
            continue;
        }
        // A title that does not fit loses its tail.
        painter.drawText(rect, Qt::AlignCenter, kx_elidedText(metrics, title, Qt::ElideRight, rect.width()));
    }
}

void KXFilterTagGrid::mousePressEvent(QMouseEvent* event)
{
    pressed_ = event->button() == Qt::LeftButton ? tagAt(event->position().toPoint()) : std::nullopt;
    event->accept();
}

void KXFilterTagGrid::mouseReleaseEvent(QMouseEvent* event)
{
    const auto pressed = std::exchange(pressed_, std::nullopt);
    event->accept();
    if (event->button() != Qt::LeftButton || !pressed || tagAt(event->position().toPoint()) != pressed)
        return;
    const QString identifier = tagIdentifier(*pressed);
    update(tagRect(*pressed));
    emit tagClicked(identifier);
}

void KXFilterTagGrid::mouseMoveEvent(QMouseEvent* event)
{
    setCursor(tagAt(event->position().toPoint()) ? Qt::PointingHandCursor : Qt::ArrowCursor);
    QWidget::mouseMoveEvent(event);
}

bool KXFilterTagGrid::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        if (const auto index = tagAt(help->pos()))
            QToolTip::showText(help->globalPos(), kx_plainToolTip(tagTitle(*index)), this, tagRect(*index));
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}
