#pragma once

#include "Platform/Foundation/Object.h"

#include <QRect>
#include <QStyledItemDelegate>

#include <memory>

class KXRecordListView;

// What a side-bar row reports: one of its two buttons, `removeClick` NO for the first (the one
// identified "removeBtnClick"), YES for the second. Does nothing unless implemented; held weakly.
class KXGroupExtendCellDelegate {
public:
    virtual ~KXGroupExtendCellDelegate() = default;
    virtual void KXGroupExtendCellBtnClik(const foundation::Id& record, bool removeClick)
    {
        (void)record;
        (void)removeClick;
    }
};

// The row of the side-bar list (KXGroupExtendView), painted for the rows in view: the record's
// "collect_name" on white; while the pointer is over the row, a grey background (223) and its two
// buttons with the line between them. Own folders ("fontManage") show edit and delete, followed
// collections unfollow and details. A click on a button reports it; a click elsewhere on the row
// is the list's row click. Main thread only.
class KXGroupExtendCell : public QStyledItemDelegate {
    Q_OBJECT

public:
    static constexpr int kRowHeight = 30;
    static constexpr const char* kFirstButtonIdentifier = "removeBtnClick";

    enum class Part { None, Row, FirstButton, SecondButton };

    explicit KXGroupExtendCell(QObject* parent = nullptr);

    const QString& from() const { return from_; }
    void setFrom(const QString& from) { from_ = from; }
    std::shared_ptr<KXGroupExtendCellDelegate> delegete() const { return delegete_.lock(); }
    void setDelegete(const std::shared_ptr<KXGroupExtendCellDelegate>& delegate) { delegete_ = delegate; }

    // The images of the two buttons for the origin.
    const char* firstImageName() const;
    const char* secondImageName() const;
    // Where each part of a row lies.
    static QRect firstButtonRect(const QRect& row);
    static QRect secondButtonRect(const QRect& row);
    static QRect lineRect(const QRect& row);
    Part partAt(const QRect& row, const QPoint& point) const;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option, const QModelIndex& index) override;

signals:
    // A click on the row outside its buttons.
    void rowClicked(int row);

private:
    QString from_;
    std::weak_ptr<KXGroupExtendCellDelegate> delegete_;
};
