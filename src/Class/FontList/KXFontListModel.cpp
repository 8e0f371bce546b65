#include "Class/FontList/KXFontListModel.h"

#include "Lib/ImageLoading/ILMemoryPolicy.h"
#include "Platform/Dispatch/Queue.h"

#include <limits>
#include <utility>

using foundation::Id;
using foundation::Ref;

KXFontListModel::KXFontListModel(QObject* parent)
    : QAbstractListModel(parent)
{
}

void KXFontListModel::setRecords(Ref<foundation::MutableArray> records)
{
    setRecords(std::move(records), std::numeric_limits<std::size_t>::max());
}

void KXFontListModel::setRecords(Ref<foundation::MutableArray> records, std::size_t shown)
{
    beginResetModel();
    const std::size_t count = records ? records->count() : 0;
    held_ = count > shown ? count - shown : 0;
    Ref<foundation::MutableArray> previous = std::exchange(records_, std::move(records));
    rowsValid_ = false;
    decltype(rows_)().swap(rows_);
    decltype(fontRows_)().swap(fontRows_);
    endResetModel();
    // A long list let go for good (a filter change on a whole catalogue) leaves tens of megabytes
    // free in the middle of the heap, which the allocator would keep: they go back to the system.
    // Its tens of thousands of records are freed on a pool thread, while the new rows are painted.
    if (previous && previous.use_count() == 1 && previous->count() >= kLongList) {
        dispatch::globalQueue(dispatch::Priority::Low).async([previous = std::move(previous)]() mutable {
            previous = nullptr;
            ILReturnFreeMemory();
        });
    }
}

void KXFontListModel::showHeldBackRows()
{
    if (held_ == 0 || !records_)
        return;
    const int first = rowCount();
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(held_) - 1);
    held_ = 0;
    endInsertRows();
}

void KXFontListModel::reset()
{
    beginResetModel();
    rowsValid_ = false;
    // The array changed wholesale: every row of it is shown.
    held_ = 0;
    endResetModel();
}

int KXFontListModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid() || !records_)
        return 0;
    const std::size_t count = records_->count();
    return static_cast<int>(count > held_ ? count - held_ : 0);
}

Ref<KXFontBaseModel> KXFontListModel::recordAt(int row) const
{
    if (!records_ || row < 0 || row >= rowCount())
        return nullptr;
    return records_->objects()[static_cast<std::size_t>(row)].as<KXFontBaseModel>();
}

void KXFontListModel::indexRows() const
{
    if (rowsValid_ || !records_)
        return;
    rows_.clear();
    fontRows_.clear();
    rows_.reserve(records_->count());
    fontRows_.reserve(records_->count());
    int row = 0;
    for (const Id& item : *records_) {
        // The first row wins when a record or a font is listed twice. Records without an id (the
        // user's own fonts, 0) are many fonts, not one.
        const auto* record = item.ptr<KXFontBaseModel>();
        rows_.emplace(record, row);
        if (record && record->fontid > 0)
            fontRows_.emplace(record->fontid, row);
        ++row;
    }
    rowsValid_ = true;
}

int KXFontListModel::rowOfRecord(const KXFontBaseModel* record) const
{
    if (!record || !records_)
        return -1;
    indexRows();
    const auto found = rows_.find(record);
    return found == rows_.end() || found->second >= rowCount() ? -1 : found->second;
}

int KXFontListModel::rowOfFontid(long long fontid) const
{
    if (!records_)
        return -1;
    indexRows();
    const auto found = fontRows_.find(fontid);
    return found == fontRows_.end() || found->second >= rowCount() ? -1 : found->second;
}

Ref<KXFontBaseModel> KXFontListModel::recordOfFontid(long long fontid) const
{
    return recordAt(rowOfFontid(fontid));
}

void KXFontListModel::reloadRecord(const Ref<KXFontBaseModel>& record)
{
    const int row = rowOfRecord(record.get());
    if (row < 0)
        return;
    const QModelIndex changed = index(row);
    emit dataChanged(changed, changed);
}

void KXFontListModel::reloadData()
{
    if (rowCount() > 0)
        emit dataChanged(index(0), index(rowCount() - 1));
}

void KXFontListModel::removeRecordAt(int row)
{
    if (!records_ || row < 0 || row >= rowCount())
        return;
    beginRemoveRows(QModelIndex(), row, row);
    records_->removeObjectAtIndex(static_cast<std::size_t>(row));
    rowsValid_ = false;
    endRemoveRows();
}

void KXFontListModel::appendRecords(const foundation::Array& records)
{
    if (!records_ || records.count() == 0)
        return;
    showHeldBackRows();
    const int first = rowCount();
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(records.count()) - 1);
    records_->addObjectsFromArray(records);
    // The lookups built so far stay right for the rows above: only the new rows are added.
    if (rowsValid_) {
        int row = first;
        for (const Id& item : records) {
            const auto* record = item.ptr<KXFontBaseModel>();
            rows_.emplace(record, row);
            if (record && record->fontid > 0)
                fontRows_.emplace(record->fontid, row);
            ++row;
        }
    }
    endInsertRows();
}

QVariant KXFontListModel::data(const QModelIndex& index, int role) const
{
    const auto record = recordAt(index.row());
    if (!record || index.parent().isValid())
        return {};
    if (role == RecordRole)
        return QVariant::fromValue(record);
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return record->fontname ? QString::fromStdString(record->fontname->utf8()) : QString();
    return {};
}

Ref<KXFontBaseModel> KXFontListModel::recordOfIndex(const QModelIndex& index)
{
    return index.data(RecordRole).value<Ref<KXFontBaseModel>>();
}
