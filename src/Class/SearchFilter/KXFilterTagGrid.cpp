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
{
    setMouseTracking(true);
    // A click in the tags takes the keys into the panel, as a switch did.
    setFocusPolicy(Qt::ClickFocus);
}

void KXFilterTagGrid::setTags(
    std::string classStr, std::vector<foundation::Ref<KXHomeListFilterModel>> tags, FrameOf frameOf)
{
    classStr_ = std::move(classStr);
    tags_ = std::move(tags);
    // Tags set whole come without measured widths: one slot, never as many as the tags.
    titleWidths_.assign(tags_.empty() ? 0 : 1, 0);
    frameOf_ = std::move(frameOf);
    pressed_.reset();
    update();
}

void KXFilterTagGrid::appendTag(foundation::Ref<KXHomeListFilterModel> tag, double titleWidth)
{
    if (titleWidths_.size() == tags_.size())
        titleWidths_.push_back(titleWidth);
    tags_.push_back(std::move(tag));
    update(tagRect(tags_.size() - 1));
}

QRect KXFilterTagGrid::tagRect(std::size_t index) const
{
    if (index >= tags_.size())
        return {};
    const auto frame = frameOf_(index);
    return QRectF(frame.x, frame.y, frame.width, frame.height).toRect();
}

QString KXFilterTagGrid::tagTitle(std::size_t index) const
{
    if (index >= tags_.size() || !tags_[index]->tagname)
        return {};
    return kx_labelText(tags_[index]->tagname->utf8());
}

QString KXFilterTagGrid::tagIdentifier(std::size_t index) const
{
    if (index >= tags_.size() || !tags_[index]->tagid)
        return {};
    return QString::fromStdString(tags_[index]->tagid->utf8());
}

bool KXFilterTagGrid::isTagOn(std::size_t index) const
{
    if (!selection_ || index >= tags_.size() || !tags_[index]->tagid)
        return false;
    return selection_->isSelected(classStr_, tags_[index]->tagid->utf8());
}

std::size_t KXFilterTagGrid::firstReaching(double y) const
{
    // Frames lie in line order, so their bottoms never go up.
    std::size_t low = 0;
    std::size_t high = tags_.size();
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
    for (std::size_t i = firstReaching(point.y()); i < tags_.size(); ++i) {
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
    for (std::size_t i = firstReaching(clip.top()); i < tags_.size(); ++i) {
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
        if (titleWidths_.size() == tags_.size() && titleWidths_[i] <= rect.width()) {
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
