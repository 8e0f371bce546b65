#pragma once

#include "Class/Favourites/Core/KXPublishForm.h"
#include "Class/ServiceCore/Transport/KXAccountWrites.h"
#include "Platform/Dispatch/Subscription.h"
#include "Platform/Foundation/Array.h"

#include <QWidget>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class ImageView;
class KXBaseButton;
class KXPublishFavoriteItem;
class KXPublishNoCollectionView;
class QComboBox;
class QFileDialog;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QScrollArea;

// The publish form: the user's folders that can be submitted (neither published nor under review,
// KXPublishForm::offers) as items (KXPublishFavoriteItem, 160 x 212, 20 apart) in one horizontally
// scrolling row with its two scroll buttons, or KXPublishNoCollectionView when there are none; then the
// collection's name, the access (public or by password, with the password field), the topic, the summary and
// the cover image. It loads the folders when it is made, and again when its window is shown without any (the
// session's folders are stored through their reply gate; a reply for a form already gone changes nothing).
// Signed out it asks for none.
//
// The publish button checks what was filled in (KXPublishForm) and shows a warning image, with the
// reason as its tool tip, beside each field that would not do (a refused cover's reason is also
// written beside it); a field's image goes as soon as the field passes, while the user types. A
// form that passes sends the publish operation once; the button is inert until its answer. Accepted: the form
// empties, says published() (its window closes), toasts "提交成功，等待审核", reads the folders again and
// posts KXPersonalCenterModel::kPublishSubmittedNotification. Refused (the transport toasts the service's
// message): the inputs stay. Failed without an answer: the button stays inert until the folders
// are read back; a folder they show submitted goes on as accepted, otherwise "网络异常，请稍后重试"
// and the inputs stay. A press for a folder whose earlier publication is still of unknown outcome
// (its read back failed, or the client ended before its reply) reads the folders first: shown
// submitted, it goes on as accepted and nothing is sent; not shown, it sends; unread, "网络失败！"
// and nothing is sent. The form shows every list of folders the session stores. The password is kept only by
// its field. Main thread only.
class KXPublishFavoritesViewController : public QWidget {
    Q_OBJECT

public:
    explicit KXPublishFavoritesViewController(QWidget* parent = nullptr);
    ~KXPublishFavoritesViewController() override;

    const foundation::Ref<foundation::Array>& groups() const { return groups_; }
    void setUpData();
    // Shows these folders as the items (the chosen one stays chosen while it is listed); none shows
    // KXPublishNoCollectionView.
    void setGroups(foundation::Ref<foundation::Array> groups);

    // Collection view: an item per folder offered, made only while the folder is in view or a
    // screen from it. itemAt() is nullptr for a folder that has no item now.
    int numberOfItems() const { return static_cast<int>(offered_.size()); }
    KXPublishFavoriteItem* itemAt(int index) const;
    // The items there are now.
    std::size_t numberOfItemsMade() const { return items_.size(); }
    // The chosen folder (nil while none is).
    foundation::Id chosenFolder() const;
    void chooseItem(KXPublishFavoriteItem* item);
    void leftScrollBtnClick();
    void rightScrollBtnClick();

    // The cover: the file dialog's choice, shown when it decodes. The dialog opens where the last
    // cover of the session was picked, else in the user's pictures folder, else at home.
    void uploadImageClick();
    static QString coverFolder();
    // Runs the cover's file dialog and gives the chosen path ("" when cancelled). Tests replace
    // the modal run; an empty runner restores it.
    using CoverDialogRunner = std::function<QString(QFileDialog&)>;
    // The cover's file dialog, named in the window manager's frame and task bar.
    static constexpr const char* kCoverDialogTitle = "选择封面";
    static void setCoverDialogRunner(CoverDialogRunner runner);
    static void forgetCoverFolder();
    void chooseCover(const QString& path);
    const QString& coverPath() const { return coverPath_; }

    KXPublishInput input() const;
    void publishBtnClick();
    const KXPublishCheck& lastCheck() const { return lastCheck_; }
    // A publish request is out.
    bool isPublishing() const { return publishing_; }

    QWidget* headView() const { return headView_; }
    QScrollArea* collectionView() const { return collectionView_; }
    KXPublishNoCollectionView* noCollectionView() const { return noCollectionView_; }
    KXBaseButton* leftScrollBtn() const { return leftScrollBtn_; }
    KXBaseButton* rightScrollBtn() const { return rightScrollBtn_; }
    QLineEdit* collectionTitleLabel() const { return collectionTitleLabel_; }
    ImageView* titleWarningImg() const { return titleWarningImg_; }
    QComboBox* authBtn() const { return authBtn_; }
    QLineEdit* pwdLabel() const { return pwdLabel_; }
    ImageView* pwdWarningImg() const { return pwdWarningImg_; }
    QComboBox* topicBtn() const { return topicBtn_; }
    ImageView* topicWarningImg() const { return topicWarningImg_; }
    QPlainTextEdit* summaryTextView() const { return summaryTextView_; }
    ImageView* summaryWarningImg() const { return summaryWarningImg_; }
    ImageView* uploadImageview() const { return uploadImageview_; }
    ImageView* coverWarningImg() const { return coverWarningImg_; }
    QLabel* coverReasonLabel() const { return coverReasonLabel_; }
    KXBaseButton* publishBtn() const { return publishBtn_; }

signals:
    // The service accepted the submission.
    void published();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class Items;
    void setUPUI();
    void updateScrollButtons();
    void authChanged();
    void showCoverProblem(const QString& problem);
    void showFieldWarnings(const KXPublishCheck& check, bool onlyMarked);
    void recheckMarkedFields();
    static QString runDialog(QFileDialog& dialog);
    static CoverDialogRunner& coverDialogRunner();
    static QString& lastCoverFolder();
    void setPublishing(bool publishing);
    void publishReplied(const foundation::Id& reply);
    void sendPublication(const KXPublishRequest& request);
    void publishFailed(const foundation::Id& folderID, const foundation::Ref<foundation::Error>& error);
    static bool publishShownMade(const KXAccountWrites::Result& read, const foundation::Id& folderID);
    void handOver();
    void clearInputs();
    // Makes the items of the folders near the view and lets the others go.
    void layOutItems();
    KXPublishFavoriteItem* makeItem(std::size_t index);

    foundation::Ref<foundation::Array> groups_;
    std::shared_ptr<Items> itemsDelegate_;
    // The folders the form offers, in order; items_ shows those from firstItem_ on.
    std::vector<foundation::Id> offered_;
    std::deque<KXPublishFavoriteItem*> items_;
    std::size_t firstItem_ = 0;
    std::optional<std::size_t> chosenIndex_;
    QString coverPath_;
    KXPublishCheck lastCheck_;
    bool publishing_ = false;
    dispatch::Subscription foldersStored_;
    QWidget* headView_ = nullptr;
    QScrollArea* collectionView_ = nullptr;
    QWidget* itemsRow_ = nullptr;
    KXPublishNoCollectionView* noCollectionView_ = nullptr;
    KXBaseButton* leftScrollBtn_ = nullptr;
    KXBaseButton* rightScrollBtn_ = nullptr;
    QLineEdit* collectionTitleLabel_ = nullptr;
    ImageView* titleWarningImg_ = nullptr;
    QComboBox* authBtn_ = nullptr;
    QLineEdit* pwdLabel_ = nullptr;
    ImageView* pwdWarningImg_ = nullptr;
    QComboBox* topicBtn_ = nullptr;
    QLabel* topicLabel_ = nullptr;
    ImageView* topicWarningImg_ = nullptr;
    QPlainTextEdit* summaryTextView_ = nullptr;
    ImageView* summaryWarningImg_ = nullptr;
    ImageView* uploadImageview_ = nullptr;
    ImageView* coverWarningImg_ = nullptr;
    QLabel* coverReasonLabel_ = nullptr;
    KXBaseButton* publishBtn_ = nullptr;
};
