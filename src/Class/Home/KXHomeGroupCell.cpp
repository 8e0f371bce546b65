#include "Class/Home/KXHomeGroupCell.h"
#include "Class/UIKit/KXLabelText.h"

#include "Class/Home/Core/KXHomeProcessState.h"
#include "Class/Home/KXHomeStyle.h"

#include <QPainter>

KXHomeGroupCell::Look KXHomeGroupCell::look(bool selected, bool hovered)
{
    const QColor highlight(255, 255, 255, 51);
    if (selected)
        return {Qt::white, highlight};
    return {kxhome::kMenuText, hovered ? highlight : kxhome::kMenuBackground};
}

QRect KXHomeGroupCell::titleRect(const QRect& cell, bool menuExpanded)
{
    return cell.adjusted(7, 0, menuExpanded ? -10 : -40, 0);
}

KXHomeGroupCell::KXHomeGroupCell(QString identifier, std::function<bool(int row)> isSelected, QObject* parent)
    : QStyledItemDelegate(parent)
    , identifier_(std::move(identifier))
    , isSelected_(std::move(isSelected))
{
}

void KXHomeGroupCell::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const bool hovered = option.state & QStyle::State_MouseOver;
    const Look shown = look(isRowSelected(index.row()), hovered);
    painter->save();
    painter->fillRect(option.rect, kxhome::kMenuBackground);
    painter->fillRect(option.rect, shown.background);
    const QFont font = kxhome::systemFont(12);
    painter->setFont(font);
    painter->setPen(shown.title);
    const QRect text = titleRect(option.rect, KXHomeProcessState::shared().menuExpanded);
    const QString title = index.data(Qt::DisplayRole).toString();
    painter->drawText(text, Qt::AlignLeft | Qt::AlignVCenter, kx_elidedText(QFontMetrics(font), title, Qt::ElideRight, text.width()));
    painter->restore();
}

QSize KXHomeGroupCell::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    return {option.rect.width(), kRowHeight};
}
