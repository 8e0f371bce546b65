#pragma once

#include "Class/UIKit/KXBaseView.h"
#include "Platform/Dispatch/Subscription.h"
#include "Platform/Foundation/Array.h"

#include <QRect>
#include <memory>

class KXBaseButton;
class KXHomeRecommendCell;
class KXRecordListModel;
class KXRecordListView;
class QLabel;

// The collections the signed-in user follows, as the recommended collections' cards. Loading asks
// for the followed list (stored in the session through its reply gate: only the newest list of
// the signed-in user shows) and refreshes the session's folders. An empty list moves the cards 500
// down, leaving the empty state ("MyFocusToFound" and the find-more text button) in view; a later
// list with rows brings them back. A card opens its collection over this page (KXHomeRecomDetailView,
// this page its delegate); when that page's back button closes it, the followed list is asked for
// again, so a collection unfollowed there leaves. The find-more buttons post "myFocusToFoundMore";
// the origin "关注的合集" (the tab) hides the back button. Main thread only.
class KXMyfocusSetView : public KXBaseView {
    Q_OBJECT

public:
    static constexpr const char* kFollowedTab = "关注的合集";
    static constexpr const char* kFindMoreNotification = "myFocusToFoundMore";
    static constexpr int kHeadHeight = 50;
    static constexpr int kEmptyListTop = 500;

    explicit KXMyfocusSetView(const QRect& frame = {}, QWidget* parent = nullptr);
    ~KXMyfocusSetView() override;

    const QString& from() const { return from_; }
    void setFrom(const QString& from);
    const foundation::Ref<foundation::MutableArray>& groupDataA() const { return groupDataA_; }

    void setUPData();
    // Opens the card in that row; a negative row opens nothing.
    void tablecellClick(int row);
    void recomDetailViewclosed();
    void toFoundBtnClick();
    void backBtn();

    // The list's top offset (the empty state moves it to 500).
    int scrollViewTop() const { return scrollViewTop_; }
    KXRecordListView* tableview() const { return tableview_; }
    KXBaseButton* backButton() const { return backBtn_; }
    KXBaseButton* toFoundBtn() const { return toFoundBtn_; }
    KXBaseButton* toFoundBtn2() const { return toFoundBtn2_; }
    QWidget* headView() const { return headView_; }

private:
    class Adapter;
    void setUPUI();
    void reloadFollows();
    void showFollows(foundation::Ref<foundation::MutableArray> follows);
    void layOutList();

    QString from_;
    foundation::Ref<foundation::MutableArray> groupDataA_;
    std::shared_ptr<Adapter> adapter_;
    dispatch::Subscription followsStored_;
    int scrollViewTop_ = kHeadHeight;
    QWidget* headView_ = nullptr;
    KXBaseButton* backBtn_ = nullptr;
    QLabel* title_ = nullptr;
    KXBaseButton* toFoundBtn_ = nullptr;
    KXBaseButton* toFoundBtn2_ = nullptr;
    QWidget* emptyView_ = nullptr;
    KXRecordListView* tableview_ = nullptr;
    KXRecordListModel* model_ = nullptr;
    KXHomeRecommendCell* cell_ = nullptr;
};
