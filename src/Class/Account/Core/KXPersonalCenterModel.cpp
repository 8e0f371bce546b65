#include "Class/Account/Core/KXPersonalCenterModel.h"

#include "Class/Account/Core/KXSignInEvents.h"
#include "Class/Favourites/Core/KXFolderSession.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "Class/ServiceCore/Transport/KXAccountState.h"
#include "Class/ServiceCore/Transport/KXAccountWrites.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/ServiceCore/Transport/KXHTTPBUSINESS.h"
#include "Platform/Desktop/URLOpener.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/String.h"
#include "Platform/Storage/UserDefaults.h"

using foundation::Id;
using foundation::MutableArray;
using foundation::Ref;

namespace {

foundation::UserDefaults& defaults()
{
    return foundation::UserDefaults::standardUserDefaults();
}

bool succeeded(const Id& reply)
{
    return !reply["errcode"].isNil() && reply["errcode"].integerValue() == 0;
}

void ignoreFailure(const Ref<foundation::Error>&) { }

} // namespace

std::shared_ptr<KXPersonalCenterModel> KXPersonalCenterModel::create()
{
    auto model = std::make_shared<KXPersonalCenterModel>();
    // Held weakly by the centre: the registration ends with the page.
    auto& centre = dispatch::NotificationCenter::defaultCenter();
    centre.addObserver(model, &KXPersonalCenterModel::publishSubmitted, kPublishSubmittedNotification);
    centre.addObserver(model, &KXPersonalCenterModel::foldersStored, KXFolderSession::kFoldersStored);
    centre.addObserver(model, &KXPersonalCenterModel::followsStored, KXFolderSession::kFollowsStored);
    centre.addObserver(model, &KXPersonalCenterModel::unpaidCountRead, KXHTTPBUSINESS::kUnpaidCountNotification);
    centre.addObserver(model, &KXPersonalCenterModel::userInfoStored, KXUserCenterConfig::kUserInfoStored);
    return model;
}

void KXPersonalCenterModel::userInfoStored(const dispatch::Notification& notification)
{
    const Id user = Id(notification.userInfo)["user"];
    if (KXAccountState::signedIn() && user.dictionary())
        setUPDataWithDic(user);
}

void KXPersonalCenterModel::publishSubmitted(const dispatch::Notification&)
{
    reloadPublished();
}

void KXPersonalCenterModel::foldersStored(const dispatch::Notification&)
{
    if (!KXAccountState::signedIn())
        return;
    const auto folders = KXFolderSession::folders();
    publishCollectionDataWithOriginData(Id(folders));
    if (auto delegate = this->delegate())
        delegate->personalCenterShowCounts(std::nullopt, std::to_string(folders->count()), std::nullopt);
}

void KXPersonalCenterModel::followsStored(const dispatch::Notification&)
{
    const auto follows = KXUserCenterConfig::sharedKXUserCenterConfig().followsArray();
    if (!KXAccountState::signedIn() || !follows)
        return;
    if (auto delegate = this->delegate())
        delegate->personalCenterShowCounts(std::nullopt, std::nullopt, std::to_string(follows->count()));
}

void KXPersonalCenterModel::unpaidCountRead(const dispatch::Notification& notification)
{
    showUnpaidCount(Id(notification.userInfo)["num"]);
}

void KXPersonalCenterModel::showUnpaidCount(const Id& num)
{
    auto delegate = this->delegate();
    if (!delegate)
        return;
    // Once the orders have been looked at, the badge stays hidden.
    if (Id(defaults().stringForKey("my_orderClick")).stringValue().empty())
        delegate->personalCenterShowOrderBadge(std::nullopt);
    else
        delegate->personalCenterShowOrderBadge(unpaidBadgeText(num));
}

void KXPersonalCenterModel::reloadPublished()
{
    if (!KXAccountState::signedIn())
        return;
    // Stored in the session: the page and every other view of the folders show the list.
    KXFolderSession::reloadFolders();
}

Ref<MutableArray> KXPersonalCenterModel::collectionArray()
{
    if (!collectionArray_)
        collectionArray_ = MutableArray::create();
    return collectionArray_;
}

std::optional<std::string> KXPersonalCenterModel::unpaidBadgeText(const Id& num)
{
    const long long count = num.integerValue();
    if (count == kEmptyBadgeCount)
        return std::string();
    if (count < 1)
        return std::nullopt;
    return num.stringValue();
}

std::optional<std::string> KXPersonalCenterModel::figureText(const Id& figure)
{
    if (figure.isNil() || figure.isNull())
        return std::nullopt;
    std::string text = figure.stringValue();
    if (text.empty())
        return std::nullopt;
    return text;
}

Ref<MutableArray> KXPersonalCenterModel::publishedCollections(const Id& folders)
{
    auto published = MutableArray::create();
    for (std::size_t i = 0; i < folders.count(); ++i) {
        const Id folder = folders[i];
        if (folder.dictionary() && folder["is_publish"].integerValue() > 0)
            published->addObject(folder);
    }
    return published;
}

std::string KXPersonalCenterModel::publishedCountText(std::size_t count)
{
    return foundation::format("发布了%zd个收藏", count);
}

bool KXPersonalCenterModel::opensDetail(const Id& folder)
{
    return folder["is_publish"].integerValue() == 2;
}

std::string KXPersonalCenterModel::versionText()
{
    return foundation::format("版本V%@", Id(defaults().stringForKey("appVersion")));
}

bool KXPersonalCenterModel::isVip()
{
    return !Id(defaults().stringForKey("vip_type")).stringValue().empty();
}

std::string KXPersonalCenterModel::vipPrivilegesText(const Id& vipinfo)
{
    const auto content = vipinfo["content"].string();
    if (!content)
        return {};
    return content->stringByReplacingOccurrencesOfString("\\r\\n\\r\\n", "\r\n\r\n")->utf8();
}

void KXPersonalCenterModel::setUPData()
{
    std::weak_ptr<KXPersonalCenterModel> weak = weak_from_this();
    auto withSelf = [weak](auto fn) {
        return [weak, fn](const Id& reply) {
            if (auto self = weak.lock())
                fn(*self, reply);
        };
    };

    if (!Id(defaults().stringForKey("my_orderClick")).stringValue().empty()) {
        // Its count reaches the badge as every count does (unpaidCountRead).
        KXHTTPBUSINESS().getUnpaidOriderSuceess([](const Id&) { }, ignoreFailure);
    } else {
        if (auto delegate = this->delegate())
            delegate->personalCenterShowOrderBadge(std::nullopt);
        // An order of unknown outcome is looked for at each opening; its count reaches the badge.
        KXAccountWrites::readIfStale(KXAccountWrites::Read::UnpaidCount);
    }

    if (!KXAccountState::signedIn())
        return;
    auto showStoredUser = [weak] {
        auto self = weak.lock();
        if (!self)
            return;
        const Id stored(KXUserCenterConfig::sharedKXUserCenterConfig().userinfo());
        if (stored.dictionary() && stored.count() > 0)
            self->setUPDataWithDic(stored);
    };
    KXHTTPBUSINESS business;
    // The renewal is a sign-in like any other: a user the service says has still to agree goes
    // through the agreement, and nothing of the reply is applied before the answer.
    const KXSignInEvents::Attempt attempt = KXSignInEvents::startAttempt();
    business.LoginWithName(Id(""), Id(""),
                           withSelf([showStoredUser, attempt](KXPersonalCenterModel&, const Id& reply) {
                               if (!succeeded(reply)) {
                                   showStoredUser();
                                   return;
                               }
                               const Id user = reply["corvane_data"];
                               if (user["is_agree"].integerValue() == 0) {
                                   KXSignInEvents::postLoginMessage(user, attempt);
                                   return;
                               }
                               // Shown as every stored record is (userInfoStored).
                               KXUserCenterConfig::sharedKXUserCenterConfig().setUpUserconfigWithInfo(user);
                           }),
                           [showStoredUser](const Ref<foundation::Error>&) { showStoredUser(); });
    // The folders are shown as the session stores them (foldersStored), this read's and any newer.
    KXFolderSession::reloadFolders();
    business.GetUserDataSuceess(withSelf([](KXPersonalCenterModel& self, const Id& reply) {
                                    if (!succeeded(reply))
                                        return;
                                    const Id data = reply["corvane_data"];
                                    if (auto delegate = self.delegate())
                                        delegate->personalCenterShowCounts(figureText(data["dowload_num"]), figureText(data["group_num"]),
                                                                           figureText(data["collection_num"]));
                                }),
                                ignoreFailure);
}

void KXPersonalCenterModel::setUPDataWithDic(const Id& user)
{
    KXGlobalDataBase::sharedKXGlobalDataBase().setCurrentModule(foundation::String::create(kModule));
    dic_ = user;
    if (user.isNil())
        return;
    if (auto delegate = this->delegate())
        delegate->personalCenterShowUser(user);
}

void KXPersonalCenterModel::publishCollectionDataWithOriginData(const Id& folders)
{
    auto delegate = this->delegate();
    if (folders.count() == 0) {
        if (delegate)
            delegate->personalCenterShowPublished(MutableArray::create(), false);
        return;
    }
    auto published = publishedCollections(folders);
    if (published->count() > 0)
        collectionArray_ = published;
    if (delegate)
        delegate->personalCenterShowPublished(published, true);
}

void KXPersonalCenterModel::openPage(const Id& address)
{
    const std::string url = address.stringValue();
    if (url.empty())
        return;
    const std::string shown = desktop::URLOpener::acceptedWebAddress(url).value_or(url);
    std::weak_ptr<KXPersonalCenterModel> weak = weak_from_this();
    auto failed = [weak, shown](const std::string&) {
        if (auto self = weak.lock()) {
            if (auto delegate = self->delegate())
                delegate->personalCenterOpenFailed(shown);
        }
    };
    if (auto refused = desktop::URLOpener::shared()->openURL(url, failed))
        failed(*refused);
}

void KXPersonalCenterModel::myOriderClick()
{
    defaults().setObject(Id(""), "my_orderClick");
    defaults().synchronize();
    dispatch::NotificationCenter::defaultCenter().post("buyCartsGoToOrder");
    if (auto delegate = this->delegate())
        delegate->personalCenterShowOrderBadge(std::nullopt);
    std::weak_ptr<KXPersonalCenterModel> weak = weak_from_this();
    KXHTTPBUSINESS().getMyOriderSuceess(
        [weak](const Id& reply) {
            auto self = weak.lock();
            if (self && succeeded(reply))
                self->openPage(self->dic_["my_order"]);
        },
        ignoreFailure);
}

void KXPersonalCenterModel::settingBtnClick()
{
    openPage(Id(KXUserCenterConfig::sharedKXUserCenterConfig().userinfo())["myinfo_url"]);
}

void KXPersonalCenterModel::settingClick()
{
    openPage(dic_["myinfo_url"]);
}
