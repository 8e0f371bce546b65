#pragma once

#include "Platform/Foundation/Dictionary.h"

#include <QRect>
#include <QStyledItemDelegate>

#include <memory>

// What a check item reports: the item's folder record with "ofontid" (the dialog's font) and
// "state" ("1" ticked, "0" not) as the box shows after the click. Does nothing unless
// implemented; held weakly.
class KXFontGroupAddCellDelegate {
public:
    virtual ~KXFontGroupAddCellDelegate() = default;
    virtual void groupsItemButtonClick(const foundation::Ref<foundation::Dictionary>& info) { (void)info; }
};

// The check item of the add-to-folder dialog, painted for the rows in view: a check box ("checkBox",
// ticked "icon_selected-black"; the add images "added-normal" and "added-hover" for an item named
// "创建分组") 5 from the left, then the folder's name cut at the tail. Whether a box is ticked is
// the model's Qt::CheckStateRole; a click on the row reports the flipped state. Main thread only.
class KXFontGroupAddCell : public QStyledItemDelegate {
    Q_OBJECT

public:
    static constexpr int kRowHeight = 30;

    explicit KXFontGroupAddCell(QObject* parent = nullptr);

    std::shared_ptr<KXFontGroupAddCellDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(const std::shared_ptr<KXFontGroupAddCellDelegate>& delegate) { delegate_ = delegate; }
    // The dialog's font id, added to each item's record as "ofontid".
    const QString& fontid() const { return fontid_; }
    void setFontid(const QString& fontid) { fontid_ = fontid; }

    // The item's record: the folder with "ofontid".
    foundation::Ref<foundation::Dictionary> infoD(const QModelIndex& index) const;
    // The box's image for a folder record in a state.
    static const char* imageName(const foundation::Id& folder, bool ticked);
    static QRect boxRect(const QRect& row);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option, const QModelIndex& index) override;

    // The item's click: reports the flipped state.
    void itemButtonClick(const QModelIndex& index);

private:
    std::weak_ptr<KXFontGroupAddCellDelegate> delegate_;
    QString fontid_;
};
