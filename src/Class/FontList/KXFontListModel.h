#pragma once

#include "Class/ServiceCore/Catalogue/KXFontBaseModel.h"
#include "Platform/Foundation/Array.h"

#include <QAbstractListModel>

#include <unordered_map>

Q_DECLARE_METATYPE(foundation::Ref<KXFontBaseModel>)

// The rows of a font list: a list model over the list's own mutable array of records, without a
// copy. The row delegate reads a record through RecordRole, so any model that answers that role
// can be painted by it. Finding the row of a record, or of a font id, uses hashes to the row, built
// together on the first lookup after the rows were replaced or one was removed: a running download
// asks for its font's row at every step, in lists of a whole catalogue.
//
// Changing the array behind the model's back requires reset(). Main thread only.
class KXFontListModel : public QAbstractListModel {
    Q_OBJECT

public:
    static constexpr int RecordRole = Qt::UserRole + 1;

    explicit KXFontListModel(QObject* parent = nullptr);

    const foundation::Ref<foundation::MutableArray>& records() const { return records_; }
    // Rows from which a list that is let go gives its memory back to the system.
    static constexpr std::size_t kLongList = 1024;

    // Shows these records (nil shows none); the array is kept, not copied. The records shown
    // before are let go; when that was the last hold on a long list, it is freed on a pool thread
    // and the allocator gives the memory it leaves free back to the system.
    void setRecords(foundation::Ref<foundation::MutableArray> records);
    // The same, announcing only the first `shown` rows to the views for now (a view lays out every
    // row it is told of): the others follow at showHeldBackRows(), below them. Until then the rows
    // held back are no rows of the model: they are neither counted nor found.
    void setRecords(foundation::Ref<foundation::MutableArray> records, std::size_t shown);
    // Rows of the array not yet announced to the views.
    std::size_t heldBackRows() const { return held_; }
    void showHeldBackRows();
    // The array changed wholesale elsewhere: every row is new.
    void reset();

    foundation::Ref<KXFontBaseModel> recordAt(int row) const;
    // The row holding this record now, -1 when none does.
    int rowOfRecord(const KXFontBaseModel* record) const;
    // The first row showing the font with this id now, -1 when none does or the id is none (0 or
    // less, as the user's own fonts carry).
    int rowOfFontid(long long fontid) const;
    // The record of that row, nil when none shows the font.
    foundation::Ref<KXFontBaseModel> recordOfFontid(long long fontid) const;
    // Redraws the row holding the record, if any.
    void reloadRecord(const foundation::Ref<KXFontBaseModel>& record);
    // Redraws every row (the records changed in place).
    void reloadData();
    void removeRecordAt(int row);
    // Appends these records below the rows (none shown: nothing); the rows above keep their place.
    // The rows held back are shown first.
    void appendRecords(const foundation::Array& records);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // The record of an index of any model that answers RecordRole, or nil.
    static foundation::Ref<KXFontBaseModel> recordOfIndex(const QModelIndex& index);

private:
    void indexRows() const;

    foundation::Ref<foundation::MutableArray> records_;
    mutable std::unordered_map<const KXFontBaseModel*, int> rows_;
    mutable std::unordered_map<long long, int> fontRows_;
    mutable bool rowsValid_ = false;
    std::size_t held_ = 0; // the last rows of the array, not announced yet
};
