#include "Class/Home/KXHomeGroupModel.h"

#include "Class/UIKit/KXPlainToolTip.h"
#include "Platform/Foundation/String.h"

using foundation::Id;

KXHomeGroupModel::KXHomeGroupModel(QObject* parent)
    : QAbstractListModel(parent)
{
}

void KXHomeGroupModel::setRows(foundation::Ref<foundation::Array> rows)
{
    beginResetModel();
    rows_ = std::move(rows);
    shownCount_ = rows_ ? static_cast<int>(rows_->count()) : 0;
    endResetModel();
}

Id KXHomeGroupModel::row(int index) const
{
    if (!rows_ || index < 0 || index >= shownCount_ || static_cast<std::size_t>(index) >= rows_->count())
        return Id();
    return rows_->objectAtIndex(static_cast<std::size_t>(index));
}

void KXHomeGroupModel::reloadRow(int index)
{
    if (index < 0 || index >= shownCount_)
        return;
    const QModelIndex changed = this->index(index);
    emit dataChanged(changed, changed);
}

int KXHomeGroupModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : shownCount_;
}

QVariant KXHomeGroupModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    const Id dictionary = row(index.row());
    if (dictionary.isNil())
        return {};
    const QString name = QString::fromStdString(dictionary["collect_name"].stringValue());
    return role == Qt::ToolTipRole ? kx_plainToolTip(name) : name;
}
