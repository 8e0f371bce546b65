#include "Class/Favourites/KXHomeRecommendCell.h"
#include "Class/UIKit/KXLabelText.h"

#include "Class/Favourites/Core/KXFavouritesTexts.h"
#include "Class/Favourites/KXRecordList.h"
#include "Class/FontList/KXFontListStyle.h"
#include "Class/FontList/KXPreviewLoads.h"
#include "Class/UIKit/KXImage.h"
#include "Platform/Graphics/Image.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

using foundation::Id;

namespace {

constexpr int kCardInset = 16;
constexpr int kCellCoverHeight = 180;
const QColor kCountColor(153, 153, 153);

// The image of `url` decoded for `target`, which it fills.
QImage loaded(const QStyleOptionViewItem& option, const std::string& url, const QRect& target)
{
    const auto* list = KXRecordListView::of(option);
    if (!list || url.empty())
        return {};
    const auto image
        = list->images().imageForURL(url, KXPreviewBox::of(target.size(), list->devicePixelRatioF(), true));
    return image ? image->image() : QImage();
}

// The image scaled to fill `target`, cut to its proportions, as a cover fills its frame.
void drawFilling(QPainter& painter, const QRect& target, const QImage& image)
{
    if (image.isNull())
        return;
    const QSize scaled = image.size().scaled(target.size(), Qt::KeepAspectRatioByExpanding);
    const QRectF source((scaled.width() - target.width()) / 2.0 * image.width() / scaled.width(),
        (scaled.height() - target.height()) / 2.0 * image.height() / scaled.height(),
        target.width() * double(image.width()) / scaled.width(),
        target.height() * double(image.height()) / scaled.height());
    painter.drawImage(QRectF(target), image, source);
}

} // namespace

KXHomeRecommendCell::KXHomeRecommendCell(QObject* parent)
    : QStyledItemDelegate(parent)
{
}

KXHomeRecommendCell::Card KXHomeRecommendCell::card(const Id& dataDic)
{
    Card card;
    if (!dataDic.dictionary())
        return card;
    card.title = KXFavouritesTexts::plain(dataDic["collect_name"]);
    card.author = KXFavouritesTexts::plain(dataDic["user_name"]);
    card.visits = KXFavouritesTexts::visits(dataDic["visits"]);
    card.followers = KXFavouritesTexts::followers(dataDic["follow_num"]);
    card.cover = dataDic["img"].stringValue();
    card.avatar = dataDic["user_head"].stringValue();
    return card;
}

QRect KXHomeRecommendCell::cardRect(const QRect& row)
{
    return row.adjusted(kCardInset, 0, -kCardInset, 0);
}

QRect KXHomeRecommendCell::coverRect(const QRect& row)
{
    const QRect card = cardRect(row);
    return QRect(card.left() + 1, card.top() + 1, card.width() - 2, kCellCoverHeight);
}

QRect KXHomeRecommendCell::avatarRect(const QRect& row)
{
    const QRect card = cardRect(row);
    return QRect(card.left() + 14, card.bottom() - 34, 18, 18);
}

QSize KXHomeRecommendCell::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    const auto* list = KXRecordListView::of(option);
    return list ? list->rowSize() : QSize(1, kRowHeight + kRowGap);
}

void KXHomeRecommendCell::paint(
    QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const Card shown = card(KXRecordListModel::recordOfIndex(index));
    const auto* list = KXRecordListView::of(option);
    const QRect row = list ? list->rowRect(option.rect) : option.rect;
    const QRect frame = cardRect(row);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    // The shadow: black at alpha 0.1, offset (2, 0), blur 2.
    painter->setPen(Qt::NoPen);
    for (int spread = 2; spread >= 1; --spread) {
        painter->setBrush(QColor(0, 0, 0, 12 / spread));
        painter->drawRoundedRect(
            QRectF(frame).translated(2, 0).adjusted(-spread, -spread / 2.0, spread, spread / 2.0), 2 + spread,
            2 + spread);
    }
    painter->setBrush(Qt::white);
    painter->setPen(QPen(QColor(0, 0, 0, 26), 1));
    painter->drawRoundedRect(QRectF(frame).adjusted(0.5, 0.5, -0.5, -0.5), 2, 2);

    const QRect cover = coverRect(row);
    painter->fillRect(cover, QColor(243, 243, 243));
    drawFilling(*painter, cover, loaded(option, shown.cover, cover));

    painter->setPen(QColor(34, 34, 34));
    const QFont titleFont = fontliststyle::systemFont(15);
    painter->setFont(titleFont);
    const QRect titleRect(frame.left() + 14, cover.bottom() + 12, frame.width() - 28, 24);
    painter->drawText(titleRect, Qt::AlignLeft | Qt::AlignVCenter,
        kx_elidedText(QFontMetrics(titleFont), shown.title, Qt::ElideRight, titleRect.width()));

    const QRect avatar = avatarRect(row);
    QPainterPath round;
    round.addEllipse(QRectF(avatar));
    painter->save();
    painter->setClipPath(round);
    painter->fillRect(avatar, QColor(230, 230, 230));
    drawFilling(*painter, avatar, loaded(option, shown.avatar, avatar));
    painter->restore();

    // The counts at the right: visits, then followers, each an icon and its number.
    const QFont countFont = fontliststyle::systemFont(12);
    const QFontMetrics countMetrics(countFont);
    painter->setFont(countFont);
    painter->setPen(kCountColor);
    int right = frame.right() - 14;
    QRect countRects[2];
    const QString texts[2] = { shown.followers, shown.visits };
    const char* icons[2] = { "collectionFollowers", "collectionVisits" };
    for (int i = 0; i < 2; ++i) {
        const int width = countMetrics.horizontalAdvance(texts[i]);
        const QRect text(right - width, avatar.top(), width, avatar.height());
        painter->drawText(text, Qt::AlignRight | Qt::AlignVCenter, texts[i]);
        KXImage::imageNamed(icons[i]).draw(
            *painter, QRectF(text.left() - 18, avatar.center().y() - 7.5, 14, 14));
        countRects[i] = text;
        right = text.left() - 30;
    }
    painter->setFont(fontliststyle::systemFont(12));
    painter->setPen(QColor(102, 102, 102));
    const QRect authorRect(
        avatar.right() + 8, avatar.top(), std::max(0, right - avatar.right() - 8), avatar.height());
    painter->drawText(authorRect, Qt::AlignLeft | Qt::AlignVCenter,
        kx_elidedText(countMetrics, shown.author, Qt::ElideRight, authorRect.width()));
    painter->restore();
}

bool KXHomeRecommendCell::editorEvent(
    QEvent* event, QAbstractItemModel*, const QStyleOptionViewItem& option, const QModelIndex& index)
{
    if (event->type() != QEvent::MouseButtonRelease
        || static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton)
        return false;
    const auto* list = KXRecordListView::of(option);
    const QRect row = list ? list->rowRect(option.rect) : option.rect;
    if (!cardRect(row).contains(static_cast<QMouseEvent*>(event)->position().toPoint()))
        return false;
    emit rowClicked(index.row());
    return true;
}
