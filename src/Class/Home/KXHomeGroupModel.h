#pragma once

#include "Platform/Foundation/Array.h"

#include <QAbstractListModel>

// The rows of a side table: one per folder (or followed collection) dictionary of the hub's
// groupArray (followArray), shown by its "collect_name". The hub's arrays are shared mutable
// lists, so the hub tells the model when they changed: setRows() after a replacement or any
// change of the rows, reloadRow() when one row's look changed. Main thread only.
class KXHomeGroupModel : public QAbstractListModel {
    Q_OBJECT

public:
    explicit KXHomeGroupModel(QObject* parent = nullptr);

    const foundation::Ref<foundation::Array>& rows() const { return rows_; }
    void setRows(foundation::Ref<foundation::Array> rows);
    // The dictionary of a row, nil beyond the rows.
    foundation::Id row(int index) const;
    void reloadRow(int index);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    foundation::Ref<foundation::Array> rows_;
    // The count the view was last told, so a list changed in place resets cleanly.
    int shownCount_ = 0;
};
