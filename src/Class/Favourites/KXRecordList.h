#pragma once

#include "Class/UIKit/KXPageColumn.h"
#include "Platform/Foundation/Array.h"

#include <QAbstractListModel>
#include <QListView>
#include <QPersistentModelIndex>
#include <QStyleOptionViewItem>

#include <memory>

class KXPreviewLoads;

Q_DECLARE_METATYPE(foundation::Id)

// The rows of a folder or collection list: a list model over the page's array of records (folder
// or collection dictionaries), kept, not copied. Row delegates read a record through RecordRole.
// Changing the array behind the model's back requires reset(). Main thread only.
class KXRecordListModel : public QAbstractListModel {
    Q_OBJECT

public:
    static constexpr int RecordRole = Qt::UserRole + 11;

    explicit KXRecordListModel(QObject* parent = nullptr);

    const foundation::Ref<foundation::Array>& records() const { return records_; }
    void setRecords(foundation::Ref<foundation::Array> records);
    void reset();
    foundation::Id recordAt(int row) const;
    void reloadRow(int row);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    static foundation::Id recordOfIndex(const QModelIndex& index);

private:
    foundation::Ref<foundation::Array> records_;
};

// The list view of those rows: one delegate paints every row in view, rows `rowHeight` high and
// `rowGap` apart (the gap belongs to the row above it), no selection drawn, no frame. It remembers the row under the pointer (the
// delegates draw hover from it) and keeps the image loads of its rows (covers, avatars): a row that
// paints asks for its images, an arrived image repaints the list. Main thread only.
class KXRecordListView : public QListView {
    Q_OBJECT

public:
    explicit KXRecordListView(QWidget* parent = nullptr);
    ~KXRecordListView() override;

    int rowHeight() const { return rowHeight_; }
    int rowGap() const { return rowGap_; }
    void setRowMetrics(int height, int gap);
    // What a row delegate answers as its size: the list's width, the height and the gap.
    QSize rowSize() const { return QSize(1, rowHeight_ + rowGap_); }
    // The list of a delegate's option, if it is one.
    static const KXRecordListView* of(const QStyleOptionViewItem& option);

    QModelIndex hoveredIndex() const { return hovered_; }
    QPoint hoverPosition() const { return hoverPosition_; }
    KXPreviewLoads& images() const { return *images_; }
    // The widest a row's card grows on a wide page.
    static constexpr int kMaxRowWidth = kxpage::kMaxColumnWidth;
    // The area of a row without the gap below it, at most kMaxRowWidth wide and centred.
    QRect rowRect(const QRect& itemRect) const;
    QRect rowRect(const QModelIndex& index) const { return rowRect(visualRect(index)); }

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void reset() override;

private:
    void setHover(const QModelIndex& index, const QPoint& position);

    int rowHeight_ = 30;
    int rowGap_ = 0;
    QPersistentModelIndex hovered_;
    QPoint hoverPosition_;
    std::shared_ptr<KXPreviewLoads> images_;
};
