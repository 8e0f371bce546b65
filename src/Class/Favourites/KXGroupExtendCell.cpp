#include "Class/Favourites/KXGroupExtendCell.h"
#include "Class/UIKit/KXLabelText.h"

#include "Class/Favourites/KXRecordList.h"
#include "Class/FontList/KXFontListStyle.h"
#include "Class/UIKit/KXImage.h"

#include <QMouseEvent>
#include <QPainter>

KXGroupExtendCell::KXGroupExtendCell(QObject* parent)
    : QStyledItemDelegate(parent)
{
}

const char* KXGroupExtendCell::firstImageName() const
{
    return from_ == QStringLiteral("fontManage") ? "fontManagerEdit" : "cancelFocus";
}

const char* KXGroupExtendCell::secondImageName() const
{
    return from_ == QStringLiteral("fontManage") ? "fontManagerDel" : "focusDetail";
}

QRect KXGroupExtendCell::firstButtonRect(const QRect& row)
{
    return QRect(row.right() - 53, row.top() + 7, 16, 16);
}

QRect KXGroupExtendCell::secondButtonRect(const QRect& row)
{
    return QRect(row.right() - 25, row.top() + 7, 16, 16);
}

QRect KXGroupExtendCell::lineRect(const QRect& row)
{
    return QRect(row.right() - 32, row.top() + 9, 1, 12);
}

KXGroupExtendCell::Part KXGroupExtendCell::partAt(const QRect& row, const QPoint& point) const
{
    if (!row.contains(point))
        return Part::None;
    if (firstButtonRect(row).adjusted(-4, -4, 4, 4).contains(point))
        return Part::FirstButton;
    if (secondButtonRect(row).adjusted(-4, -4, 4, 4).contains(point))
        return Part::SecondButton;
    return Part::Row;
}

QSize KXGroupExtendCell::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    const auto* list = KXRecordListView::of(option);
    return list ? list->rowSize() : QSize(1, kRowHeight);
}

void KXGroupExtendCell::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const foundation::Id record = KXRecordListModel::recordOfIndex(index);
    const auto* list = KXRecordListView::of(option);
    const QRect row = list ? list->rowRect(option.rect) : option.rect;
    const bool hovered = list && list->hoveredIndex() == index;
    painter->save();
    painter->fillRect(row, hovered ? QColor(223, 223, 223) : QColor(Qt::white));
    painter->setFont(fontliststyle::systemFont(13));
    painter->setPen(QColor(51, 51, 51));
    const int textRight = hovered ? firstButtonRect(row).left() - 6 : row.right() - 8;
    const QRect text(row.left() + 14, row.top(), textRight - row.left() - 14, row.height());
    const QString title = QString::fromStdString(record["collect_name"].stringValue());
    painter->drawText(text, Qt::AlignVCenter | Qt::AlignLeft, kx_elidedText(painter->fontMetrics(), title, Qt::ElideRight, text.width()));
    if (hovered) {
        KXImage::imageNamed(firstImageName()).draw(*painter, firstButtonRect(row));
        KXImage::imageNamed(secondImageName()).draw(*painter, secondButtonRect(row));
        painter->fillRect(lineRect(row), QColor(180, 180, 180));
    }
    painter->restore();
}

bool KXGroupExtendCell::editorEvent(QEvent* event, QAbstractItemModel*, const QStyleOptionViewItem& option, const QModelIndex& index)
{
    if (event->type() != QEvent::MouseButtonRelease)
        return false;
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton)
        return false;
    const auto* list = KXRecordListView::of(option);
    const QRect row = list ? list->rowRect(option.rect) : option.rect;
    Part part = partAt(row, mouse->position().toPoint());
    // The buttons are there only while the pointer is over the row.
    if (part != Part::None && !(list && list->hoveredIndex() == index))
        part = Part::Row;
    switch (part) {
    case Part::FirstButton:
    case Part::SecondButton:
        // The first button, identified "removeBtnClick", reports NO.
        if (const auto owner = delegete())
            owner->KXGroupExtendCellBtnClik(KXRecordListModel::recordOfIndex(index), part == Part::SecondButton);
        return true;
    case Part::Row:
        emit rowClicked(index.row());
        return true;
    case Part::None:
        break;
    }
    return false;
}
