#include "Class/Store/Core/KXStoreSession.h"

#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "Class/ServiceCore/Transport/KXAccountState.h"
#include "Class/ServiceCore/Transport/KXAccountWrites.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/ServiceCore/Transport/KXHTTPBUSINESS.h"
#include "Class/ServiceCore/Transport/KXRequestAccount.h"
#include "Class/Store/Core/KXOrderReadBack.h"
#include "Platform/Dispatch/NotificationCenter.h"

KXStoreSession& KXStoreSession::shared()
{
    static KXStoreSession session;
    return session;
}

KXStoreSession::KXStoreSession()
{
    auto& centre = dispatch::NotificationCenter::defaultCenter();
    observation_ = centre.addObserver(
        kNotification, foundation::Id(), nullptr, [](const dispatch::Notification& notification) {
            if (notification.userInfo && notification.userInfo->containsKey("loginOut"))
                signedOut();
        });
    // An order of unknown outcome, kept by an earlier run or lost in this one, is read back once
    // its account is signed in, and settled by every count of unpaid orders read meanwhile.
    auto settleOrders = [](const dispatch::Notification&) {
        if (accountKey().empty())
            return;
        shared().orderReadBack().settle();
        KXAccountWrites::settleKept();
    };
    signedIn_
        = centre.addObserver(KXAccountState::kSignedInNotification, foundation::Id(), nullptr, settleOrders);
    userStored_
        = centre.addObserver(KXUserCenterConfig::kUserInfoStored, foundation::Id(), nullptr, settleOrders);
    unpaidCounted_ = centre.addObserver(KXHTTPBUSINESS::kUnpaidCountNotification, foundation::Id(), nullptr,
        [](const dispatch::Notification& notification) {
            const foundation::Id num = foundation::Id(notification.userInfo)["num"];
            if (!num.isNil() && !accountKey().empty())
                shared().orderReadBack().countRead(num.integerValue());
        });
    // The writes kept ahead across starts are kept by user id, as the orders are.
    KXAccountWrites::setAccountKey([] {
        const std::string account = accountKey();
        return account.starts_with("uid ") ? account : std::string();
    });
    KXAccountWrites::setStillUnknown(KXAccountWrites::Read::UnpaidCount,
        [] { return !accountKey().empty() && shared().orderReadBack().isOutcomeUnknown(); });
}

KXStoreSession::~KXStoreSession() = default;

void KXStoreSession::signedOut()
{
    auto& state = KXGlobalDataBase::sharedKXGlobalDataBase();
    state.setSelectedAuthArray(foundation::MutableArray::create());
    state.setSell_info(nullptr);
}

std::string KXStoreSession::accountKey()
{
    if (!KXRequestAccount::signedIn())
        return {};
    const foundation::Id uid = foundation::Id(KXUserCenterConfig::sharedKXUserCenterConfig().userinfo())["uid"];
    if (!uid.isNil() && !uid.stringValue().empty())
        return "uid " + uid.stringValue();
    return "token " + KXRequestAccount::currentToken();
}

KXOrderReadBack& KXStoreSession::orderReadBack()
{
    const std::string account = accountKey();
    auto& readBack = orderReadBacks_[account];
    // What is known of an account's orders outlives the client only for an account known by its
    // user id: a token changes at each sign-in.
    if (!readBack)
        readBack = std::make_unique<KXOrderReadBack>(nullptr, account.starts_with("uid ") ? account : std::string());
    return *readBack;
}
