#pragma once

#include "Class/UIKit/KXBaseView.h"
#include "Platform/Foundation/Array.h"

#include <QPointer>

#include <memory>

class KXBaseButton;
class KXGroupExtendCell;
class KXRecordListModel;
class KXRecordListView;
class QLabel;

// What the side-bar list forwards to the main window; each method does nothing unless
// implemented. Held weakly.
class KXGroupExtendViewDelegate {
public:
    virtual ~KXGroupExtendViewDelegate() = default;
    // A row button: NO for the first (edit or unfollow), YES for the second (delete or details).
    virtual void KXGroupExtendBtnClik(const foundation::Id& record, bool fristBtnClick)
    {
        (void)record;
        (void)fristBtnClick;
    }
    // A row was clicked (the list hides itself afterwards).
    virtual void KXGroupExtendCellClik(const foundation::Id& record, const QString& from)
    {
        (void)record;
        (void)from;
    }
    // The bottom button.
    virtual void KXGroupExtendBottomBtnClikFrom(const QString& from) { (void)from; }
};

// The small pop-up list the main window lays beside its left menu while the pointer rests on the
// favourites or followed-collections tab: a title, the names of the user's own folders (`from`
// "fontManage": "我的字体管理", bottom button "fontManagerNewG") or of the followed collections
// (any other origin: "关注的合集", "MyFocusToFound"), rows 30 high that show two buttons while the
// pointer is over them, and the bottom button. White, corner radius 2, a black shadow offset
// (2, 0) with blur 6. It only forwards: a row click (then it hides), a row button, the bottom
// button. The main window sets its frame. Main thread only.
class KXGroupExtendView : public KXBaseView {
    Q_OBJECT

public:
    static constexpr int kTitleHeight = 36;
    static constexpr int kBottomHeight = 34;

    explicit KXGroupExtendView(QWidget* parent = nullptr);
    ~KXGroupExtendView() override;

    const QString& from() const { return from_; }
    void setFrom(const QString& from);
    const foundation::Ref<foundation::Array>& dataA() const { return dataA_; }
    void setDataA(foundation::Ref<foundation::Array> records);
    std::shared_ptr<KXGroupExtendViewDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(const std::shared_ptr<KXGroupExtendViewDelegate>& delegate) { delegate_ = delegate; }

    // The height that shows every row: title, rows and bottom button.
    int fittingHeight() const;

    QLabel* groupExtendViewTitle() const { return groupExtendViewTitle_; }
    KXRecordListView* tableView() const { return tableView_; }
    KXBaseButton* extendBtn() const { return extendBtn_; }
    KXGroupExtendCell* cell() const { return cell_; }

    // The table's action for a clicked row (nothing for a row that does not exist).
    void tableviewCellClick(int row);
    void extendBtnClick();

private:
    class Adapter;
    void setUPUI();

    QString from_;
    foundation::Ref<foundation::Array> dataA_;
    std::weak_ptr<KXGroupExtendViewDelegate> delegate_;
    std::shared_ptr<Adapter> adapter_;
    QLabel* groupExtendViewTitle_ = nullptr;
    KXRecordListView* tableView_ = nullptr;
    KXBaseButton* extendBtn_ = nullptr;
    KXRecordListModel* model_ = nullptr;
    KXGroupExtendCell* cell_ = nullptr;
};
