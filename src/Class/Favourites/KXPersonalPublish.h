#pragma once

#include "Class/UIKit/KXBaseView.h"
#include "Platform/Foundation/Array.h"

#include <QRect>

class KXBaseButton;
class KXPersonalPublicCell;
class KXRecordListModel;
class KXRecordListView;

// The user's published folders, laid over the personal centre: a white head with the back button
// and the two upload buttons (which do nothing), and the folders as rows (KXPersonalPublicCell,
// 250 high, 15 apart) with their review state. The back button removes the list. Main thread only.
class KXPersonalPublish : public KXBaseView {
    Q_OBJECT

public:
    static constexpr int kHeaderHeight = 50;

    explicit KXPersonalPublish(const QRect& frame = {}, QWidget* parent = nullptr);

    const foundation::Ref<foundation::Array>& groupDataA() const { return groupDataA_; }
    // Keeps the records and shows them.
    void setGroupDataA(foundation::Ref<foundation::Array> folders);

    void backBtnClick();
    void uploadBtnClick() { }

    KXBaseButton* backBtn() const { return backBtn_; }
    KXBaseButton* upLoadBtn() const { return upLoadBtn_; }
    KXBaseButton* uploadBtn2() const { return uploadBtn2_; }
    QWidget* headerView() const { return headerView_; }
    KXRecordListView* tableview() const { return tableview_; }

private:
    void setUPUI();

    foundation::Ref<foundation::Array> groupDataA_;
    QWidget* headerView_ = nullptr;
    KXBaseButton* backBtn_ = nullptr;
    KXBaseButton* upLoadBtn_ = nullptr;
    KXBaseButton* uploadBtn2_ = nullptr;
    KXRecordListView* tableview_ = nullptr;
    KXRecordListModel* model_ = nullptr;
    KXPersonalPublicCell* cell_ = nullptr;
};
