#pragma once

#include "Class/Favourites/Core/KXCollectionFollow.h"
#include "Platform/Foundation/Array.h"
#include "Platform/Dispatch/Subscription.h"
#include "Platform/Foundation/Object.h"

#include <QWidget>
#include <memory>

class ImageView;
class KXBaseButton;
class QLabel;
class QTextDocument;
namespace dispatch {
struct Notification;
}

// What the header of a collection's detail page asks of the page. Does nothing unless implemented;
// held weakly.
class KXHomeRecomDetailTopCellDelegate {
public:
    virtual ~KXHomeRecomDetailTopCellDelegate() = default;
    // A signed-out click on the follow button: show the sign-in window.
    virtual void loginClick() { }
};

// The header of a collection's detail page: cover, the author's avatar (radius 13) and name, the
// collection's name, "字体 %@ · 关注 %@ · 浏览 %@", the date (the first 10 characters of
// "add_time"), the description (line spacing 8, rgb(72,72,72), typeset as
// KXCollectionHeaderLayout measures it for the header's width, again at each resize) and the
// follow button. The follow button is hidden for a
// header given an origin (setFrom) and for the signed-in user's own collection (signed out, none
// is one's own; it is laid out again at each sign-in and sign-out); its state is 1 when the
// session's followed collections hold the record's "id".
//
// A click flips the button and sends the follow request at once (KXCollectionFollow keeps the
// state and the count): while it runs the button is disabled; a refusal puts the state back; an
// accepted change posts "KXHomeRecomAttention" {"groupID", "groupState"}. A failure without a
// reply puts it back and reads back what the service holds (readBackFollow: the followed list for
// the state, the record for the count); a change found applied is posted as an accepted one.
// Signed out, the click asks for the sign-in (the delegate's loginClick) and waits for the next
// sign-in message ("homeNotificationCenter" with "loginMessage"), which sends the state the button
// shows then, unless the account that signed in owns the collection. A signed-in click moves the
// follower count by one with the button's state, and back with it; a click completed through the
// sign-in moves nothing until the record is read again. A "KXHomeRecomAttention" posted elsewhere
// for the collection shown (the side table's unfollow) sets the state and moves the count the same
// way.
//
// The header follows the session's followed list (KXFolderSession::kFollowsStored), whoever read
// it: the state from whether the list holds the collection, the count from the list's copy of the
// record, or from the record read again when the list no longer holds it. A record shown takes its
// count from the list's copy too, rather than from the card it was opened with. Main thread only.
class KXHomeRecomDetailTopCell : public QWidget {
    Q_OBJECT

public:
    static constexpr const char* kIdentifier = "KXHomeRecomDetailTopCellID";
    static constexpr const char* kAttentionNotification = "KXHomeRecomAttention";
    // Tells every page and side table that the service took a follow (1) or an unfollow (0) of
    // the collection: kAttentionNotification with {"groupID", "groupState"}.
    static void postAttentionChange(const foundation::Id& groupID, long long state);

    explicit KXHomeRecomDetailTopCell(QWidget* parent = nullptr);
    ~KXHomeRecomDetailTopCell() override;

    const foundation::Id& dataDic() const { return dataDic_; }
    void setDataDic(const foundation::Id& record);
    // A non-empty origin hides the follow button, an empty one shows it; the origin is not kept.
    void setFrom(const QString& from);
    std::shared_ptr<KXHomeRecomDetailTopCellDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(const std::shared_ptr<KXHomeRecomDetailTopCellDelegate>& delegate) { delegate_ = delegate; }

    void attentionBtnClick();
    void receiveNotification(const dispatch::Notification& notification);
    // A sign-in passed the agreement: a click that waited for it is sent.
    void signedIn(const foundation::Id& user);
    void attentionChanged(const dispatch::Notification& notification);
    void attentionHttpRequest();
    // The session stored a followed list.
    void followsStored();
    // The number of the record read that `showRecordRead` takes; a click or a record shown
    // meanwhile makes it out of date.
    unsigned long long recordTicket() const { return follow_.read(); }
    // The collection's record as the service holds it now, read under `ticket`: its follower
    // count is shown unless the read is out of date.
    void showRecordRead(unsigned long long ticket, const foundation::Id& record);

    KXBaseButton* attentionBtn() const { return attentionBtn_; }
    int attentionState() const { return follow_.state(); }
    bool isWaitingForSignIn() const { return follow_.isWaitingForSignIn(); }
    QLabel* titleLabel() const { return titleLabel_; }
    QLabel* authorNameLabel() const { return authorNameLabel_; }
    QLabel* groupDetailLabel() const { return groupDetailLabel_; }
    QLabel* timeLabel() const { return timeLabel_; }
    const QTextDocument& detailContent() const { return *detailContent_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    class Description;
    void setUPUI();
    // Lays the button out for the account signed in now, or for `user` (the one a sign-in posts).
    void showAttention();
    void showAttention(const foundation::Id& user);
    // Asks for the record again and shows the follower count it gives.
    void readFollowers();
    // A follow request failed without a reply: reads what the service holds, the state from the
    // followed list and the count from the record.
    void readBackFollow();
    // The user id of the account signed in; nil signed out.
    static foundation::Id signedInUserID();
    bool isOwnCollection(const foundation::Id& user) const;
    static bool holdsCollection(const foundation::Ref<foundation::Array>& follows, const foundation::Id& id);
    // The session's followed list's copy of the collection's record; nil when it holds none.
    static foundation::Id storedFollow(const foundation::Id& id);
    // The record of the collection `id` in a followed list; nil when the list holds none.
    static foundation::Id followIn(const foundation::Ref<foundation::Array>& follows, const foundation::Id& id);
    // Shows `followNum` as the record's count.
    void takeFollowNum(const foundation::Id& followNum);

    foundation::Id dataDic_;
    bool hasOrigin_ = false;
    KXCollectionFollow follow_;
    std::weak_ptr<KXHomeRecomDetailTopCellDelegate> delegate_;
    dispatch::Subscription sessionChanges_;
    dispatch::Subscription signedIns_;
    dispatch::Subscription attentionChanges_;
    dispatch::Subscription followsStored_;
    ImageView* contentImg_ = nullptr;
    ImageView* avatarImg_ = nullptr;
    QLabel* titleLabel_ = nullptr;
    QLabel* authorNameLabel_ = nullptr;
    QLabel* groupDetailLabel_ = nullptr;
    QLabel* timeLabel_ = nullptr;
    Description* detailContentLabel_ = nullptr;
    QTextDocument* detailContent_ = nullptr;
    KXBaseButton* attentionBtn_ = nullptr;
};
