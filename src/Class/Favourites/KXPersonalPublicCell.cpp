#include "Class/Favourites/KXPersonalPublicCell.h"
#include "Class/UIKit/KXLabelText.h"

#include "Class/Favourites/Core/KXFavouritesTexts.h"
#include "Class/Favourites/Core/KXFolderStateIcon.h"
#include "Class/Favourites/KXRecordList.h"
#include "Class/FontList/KXFontListStyle.h"
#include "Class/FontList/KXPreviewLoads.h"
#include "Class/UIKit/KXImage.h"
#include "Platform/Graphics/Image.h"

#include <QPainter>

using foundation::Id;

KXPersonalPublicCell::KXPersonalPublicCell(QObject* parent)
    : QStyledItemDelegate(parent)
{
}

QRect KXPersonalPublicCell::cardRect(const QRect& row)
{
    return row.adjusted(16, 0, -16, 0);
}

QRect KXPersonalPublicCell::imgRect(const QRect& row)
{
    const QRect card = cardRect(row);
    return QRect(card.left() + 1, card.top() + 1, card.width() - 2, card.height() - 50);
}

QRect KXPersonalPublicCell::statesRect(const QRect& row)
{
    const QRect card = cardRect(row);
    return QRect(card.right() - 66, card.bottom() - 34, 52, 18);
}

QSize KXPersonalPublicCell::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    const auto* list = KXRecordListView::of(option);
    return list ? list->rowSize() : QSize(1, kRowHeight + kRowGap);
}

void KXPersonalPublicCell::paint(
    QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const Id data = KXRecordListModel::recordOfIndex(index);
    const auto* list = KXRecordListView::of(option);
    const QRect row = list ? list->rowRect(option.rect) : option.rect;
    const QRect card = cardRect(row);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    painter->setBrush(Qt::white);
    painter->setPen(QPen(QColor(0, 0, 0, 26), 1));
    painter->drawRoundedRect(QRectF(card).adjusted(0.5, 0.5, -0.5, -0.5), 2, 2);

    const QRect img = imgRect(row);
    painter->fillRect(img, QColor(243, 243, 243));
    if (list) {
        if (const auto cover = list->images().imageForURL(
                data["img"].stringValue(), KXPreviewBox::of(img.size(), list->devicePixelRatioF(), true))) {
            const QImage pixels = cover->image();
            if (!pixels.isNull())
                painter->drawImage(QRectF(img), pixels);
        }
    }
    const QRect states = statesRect(row);
    KXImage::imageNamed(KXFolderStateIcon::imageName(data)).draw(*painter, states);
    const QFont font = fontliststyle::systemFont(14);
    painter->setFont(font);
    painter->setPen(QColor(34, 34, 34));
    const QRect title(card.left() + 14, states.top() - 3, states.left() - card.left() - 24, 24);
    painter->drawText(title, Qt::AlignLeft | Qt::AlignVCenter,
        kx_elidedText(QFontMetrics(font), 
            KXFavouritesTexts::plain(data["collect_name"]), Qt::ElideRight, title.width()));
    painter->restore();
}
