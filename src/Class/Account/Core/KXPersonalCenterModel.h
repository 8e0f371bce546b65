#pragma once

#include "Platform/Dispatch/Notification.h"
#include "Platform/Foundation/Array.h"
#include "Platform/Foundation/Object.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

// What the personal centre shows as it learns it; every method defaults to doing nothing.
class KXPersonalCenterModelDelegate {
public:
    virtual ~KXPersonalCenterModelDelegate() = default;
    // The user dictionary on show ("uname", "head", ...).
    virtual void personalCenterShowUser(const foundation::Id& user) { (void)user; }
    // Fonts used, folders, collections, as texts; nullopt for a figure the reply did not give,
    // whose counter stays as it is.
    virtual void personalCenterShowCounts(const std::optional<std::string>& used, const std::optional<std::string>& groups,
                                          const std::optional<std::string>& collections)
    {
        (void)used;
        (void)groups;
        (void)collections;
    }
    // The published folders, in their order; empty hides the area (and, when the user has folders
    // but none published, the more button too: `anyFolders`).
    virtual void personalCenterShowPublished(const foundation::Ref<foundation::Array>& published, bool anyFolders)
    {
        (void)published;
        (void)anyFolders;
    }
    // The unpaid-order badge: its text ("" is an empty badge), nullopt hides it.
    virtual void personalCenterShowOrderBadge(const std::optional<std::string>& text) { (void)text; }
    // A page of the user's (orders, account) could not be opened in the browser: at once, or
    // when the desktop's opener exited with a failure.
    virtual void personalCenterOpenFailed(const std::string& address) { (void)address; }
};

// The personal centre without its widgets: what it asks the service, the rules that turn the
// replies into what the page shows, and its links.
//
// setUPData(): with a pending order ("my_orderClick" non-empty) the unpaid-order count; with a
// "token", the token sign-in (refused or failed: the stored user is shown), the user's folders
// and the user's counters, sent at once one after the other. Error replies and failures change
// nothing on the page: a counter no reply has given reads "--" (kNoFigure), one an earlier reply
// gave stays. A link the browser cannot open is handed to the delegate.
//
// A folder submitted for publication (kPublishSubmittedNotification, posted by the publish form)
// reads the user's folders again, so the published list shows the folder under review.
//
// The page follows what the session stores, whoever read it: each folder list the folders'
// session stores gives the published card and the folders' counter, each followed list the
// collections' counter, each count of unpaid orders the service gives the badge (while an order
// awaits a look), and each user record stored the user shown.
//
// Replies hold the model weakly; the page owns it. Main thread only.
class KXPersonalCenterModel : public std::enable_shared_from_this<KXPersonalCenterModel> {
public:
    static constexpr const char* kModule = "添加/取消收藏错误";
    static constexpr long long kEmptyBadgeCount = 9999;
    static constexpr const char* kPublishSubmittedNotification = "publishCollectionSubmitted";
    // What a counter reads until a reply gives its figure.
    static constexpr const char* kNoFigure = "--";

    static std::shared_ptr<KXPersonalCenterModel> create();

    void setDelegate(std::weak_ptr<KXPersonalCenterModelDelegate> delegate) { delegate_ = std::move(delegate); }

    void setUPData();
    // getMyCollect again, for the published folders alone (signed in only).
    void reloadPublished();
    // Shows a user: sets the module label, keeps the dictionary and hands it to the delegate.
    void setUPDataWithDic(const foundation::Id& user);
    const foundation::Id& dic() const { return dic_; }
    // The published folders on show (empty until the folders arrive).
    foundation::Ref<foundation::MutableArray> collectionArray();

    // The order link: marks the order reminder seen ("my_orderClick" = ""), posts
    // "buyCartsGoToOrder", hides the badge and, when the service accepts the click, opens the
    // user's "my_order" page.
    void myOriderClick();
    // The account settings page: of the stored user (settingBtnClick) or of the user on show
    // (settingClick).
    void settingBtnClick();
    void settingClick();

    // The badge for an unpaid count: nullopt (hidden) below 1, "" for 9999, else the count's text.
    static std::optional<std::string> unpaidBadgeText(const foundation::Id& num);
    // A counter's figure in the counters' reply, as text; nullopt when the reply has none there.
    static std::optional<std::string> figureText(const foundation::Id& figure);
    // The folders whose "is_publish" is above 0, in order.
    static foundation::Ref<foundation::MutableArray> publishedCollections(const foundation::Id& folders);
    static std::string publishedCountText(std::size_t count);
    // Only a published folder under "is_publish" 2 opens its detail.
    static bool opensDetail(const foundation::Id& folder);
    // "版本V" and the user default "appVersion".
    static std::string versionText();
    // Whether the user is a VIP (the user default "vip_type" is non-empty).
    static bool isVip();
    // The VIP privileges text of a VIP rule record: its "content" with every escaped paragraph
    // break (the eight characters \r\n\r\n) made two real line breaks; "" without a record.
    static std::string vipPrivilegesText(const foundation::Id& vipinfo);

private:
    void publishSubmitted(const dispatch::Notification&);
    void foldersStored(const dispatch::Notification&);
    void followsStored(const dispatch::Notification&);
    void unpaidCountRead(const dispatch::Notification& notification);
    void userInfoStored(const dispatch::Notification& notification);
    void showUnpaidCount(const foundation::Id& num);
    void publishCollectionDataWithOriginData(const foundation::Id& folders);
    void openPage(const foundation::Id& address);
    std::shared_ptr<KXPersonalCenterModelDelegate> delegate() const { return delegate_.lock(); }

    std::weak_ptr<KXPersonalCenterModelDelegate> delegate_;
    foundation::Id dic_;
    foundation::Ref<foundation::MutableArray> collectionArray_;
};
