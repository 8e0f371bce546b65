#include "Class/Favourites/KXFontGroupAddCell.h"
#include "Class/UIKit/KXLabelText.h"

#include "Class/Favourites/Core/KXFolderFiling.h"
#include "Class/Favourites/KXRecordList.h"
#include "Class/FontList/KXFontListStyle.h"
#include "Class/UIKit/KXImage.h"
#include "Platform/Foundation/String.h"

#include <QMouseEvent>
#include <QPainter>

using foundation::Id;

KXFontGroupAddCell::KXFontGroupAddCell(QObject* parent)
    : QStyledItemDelegate(parent)
{
}

foundation::Ref<foundation::Dictionary> KXFontGroupAddCell::infoD(const QModelIndex& index) const
{
    const Id folder = KXRecordListModel::recordOfIndex(index);
    const auto record = folder.dictionary();
    auto info = record ? foundation::MutableDictionary::dictionaryWithDictionary(*record) : foundation::MutableDictionary::create();
    info->setObject(Id(fontid_.toStdString()), Id("ofontid"));
    return info;
}

const char* KXFontGroupAddCell::imageName(const Id& folder, bool ticked)
{
    if (KXFolderFiling::isCreateItem(folder))
        return ticked ? "added-hover" : "added-normal";
    return ticked ? "icon_selected-black" : "checkBox";
}

QRect KXFontGroupAddCell::boxRect(const QRect& row)
{
    return QRect(row.left() + 5, row.top() + (row.height() - 14) / 2, 14, 14);
}

QSize KXFontGroupAddCell::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    const auto* list = KXRecordListView::of(option);
    return list ? list->rowSize() : QSize(100, kRowHeight);
}

void KXFontGroupAddCell::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const Id folder = KXRecordListModel::recordOfIndex(index);
    const bool ticked = index.data(Qt::CheckStateRole).toInt() == Qt::Checked;
    const auto* list = KXRecordListView::of(option);
    const QRect row = list ? list->rowRect(option.rect) : option.rect;
    painter->save();
    if (list && list->hoveredIndex() == index)
        painter->fillRect(row, QColor(245, 245, 245));
    KXImage::imageNamed(imageName(folder, ticked)).draw(*painter, boxRect(row));
    painter->setFont(fontliststyle::systemFont(13));
    painter->setPen(QColor(51, 51, 51));
    const QRect text(boxRect(row).right() + 8, row.top(), row.right() - boxRect(row).right() - 14, row.height());
    const QString title = QString::fromStdString(folder["collect_name"].stringValue());
    painter->drawText(text, Qt::AlignVCenter | Qt::AlignLeft, kx_elidedText(painter->fontMetrics(), title, Qt::ElideRight, text.width()));
    painter->restore();
}

bool KXFontGroupAddCell::editorEvent(QEvent* event, QAbstractItemModel*, const QStyleOptionViewItem&, const QModelIndex& index)
{
    if (event->type() != QEvent::MouseButtonRelease || static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton)
        return false;
    itemButtonClick(index);
    return true;
}

void KXFontGroupAddCell::itemButtonClick(const QModelIndex& index)
{
    const auto owner = delegate();
    if (!owner || !index.isValid())
        return;
    const bool ticked = index.data(Qt::CheckStateRole).toInt() == Qt::Checked;
    auto info = foundation::MutableDictionary::dictionaryWithDictionary(*infoD(index));
    info->setObject(Id(ticked ? "0" : "1"), Id("state"));
    owner->groupsItemButtonClick(info);
}
