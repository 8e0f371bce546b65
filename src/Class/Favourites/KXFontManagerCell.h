#pragma once

#include "Platform/Foundation/Object.h"

#include "Class/UIKit/KXBaseButton.h"

#include <QPersistentModelIndex>
#include <QPointer>
#include <QRect>
#include <QStyledItemDelegate>

#include <memory>

class KXBaseButton;
class KXRecordListView;

// What a folder row reports, each with the row's folder record. Does nothing unless implemented;
// held weakly.
class KXFontManagerCellDelegate {
public:
    virtual ~KXFontManagerCellDelegate() = default;
    virtual void KXFontManagerCellSettingBtnClick(const foundation::Id& info) { (void)info; }
    virtual void KXFontManagerCellFontManagerBtnClick(const foundation::Id& info) { (void)info; }
    virtual void KXFontManagerCellRenameBtnClick(const foundation::Id& info) { (void)info; }
    virtual void KXFontManagerCellDeleteBtnClick(const foundation::Id& info) { (void)info; }
};

// The row of the favourite-folders page, painted for the rows in view: a white card (corner radius
// 2, a soft shadow) with the folder's name and review-state icon, "共%@款" with the number
// highlighted, the creation time as received, the corner mark of a folder named "喜欢的字体" and
// the settings button. The settings button opens the row menu (manage, rename, delete): one real
// menu moved over the row, hidden after any entry and whenever the rows are refilled. A click
// elsewhere on the card is the page's row click. Main thread only.
class KXFontManagerCell : public QStyledItemDelegate {
    Q_OBJECT

public:
    static constexpr int kRowHeight = 138;
    static constexpr int kRowGap = 10;

    enum class Part { None, Card, SettingButton };

    explicit KXFontManagerCell(QObject* parent = nullptr);
    ~KXFontManagerCell() override;

    std::shared_ptr<KXFontManagerCellDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(const std::shared_ptr<KXFontManagerCellDelegate>& delegate) { delegate_ = delegate; }
    const QString& from() const { return from_; }
    void setFrom(const QString& from) { from_ = from; }

    // Where the parts of a row lie.
    static QRect cardRect(const QRect& row);
    static QRect settingButtonRect(const QRect& row);
    static QRect stateIconRect(const QRect& row, int titleWidth);
    static QRect cornerMarkRect(const QRect& row);
    Part partAt(const QRect& row, const QPoint& point) const;

    // The row menu: shown over the row of `index` in `list`, hidden, and the row it is shown for.
    void settingBtnClick(KXRecordListView* list, const QModelIndex& index);
    // The row menu shown over the row of `index` again, as the settings button shows it.
    void showSettingView(KXRecordListView* list, const QModelIndex& index);
    void hideSettingView();
    QWidget* settingView() const { return settingView_; }
    QModelIndex settingRow() const { return settingRow_; }
    KXBaseButton* mangerFontBtn() const { return mangerFontBtn_; }
    KXBaseButton* reNameBtn() const { return reNameBtn_; }
    KXBaseButton* deleteBtn() const { return deleteBtn_; }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option, const QModelIndex& index) override;

signals:
    // A click on the card outside its settings button.
    void rowClicked(int row);

private:
    enum class Entry { Manage, Rename, Delete };
    void makeSettingView(QWidget* parent);
    void menuEntry(Entry entry);

    std::weak_ptr<KXFontManagerCellDelegate> delegate_;
    QString from_;
    QPointer<QWidget> settingView_;
    QPointer<KXBaseButton> mangerFontBtn_;
    QPointer<KXBaseButton> reNameBtn_;
    QPointer<KXBaseButton> deleteBtn_;
    QPersistentModelIndex settingRow_;
};
