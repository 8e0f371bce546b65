#include "Class/Store/Core/KXStoreSession.h"

#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
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
    observation_ = dispatch::NotificationCenter::defaultCenter().addObserver(
        kNotification, foundation::Id(), nullptr, [](const dispatch::Notification& notification) {
            if (notification.userInfo && notification.userInfo->containsKey("loginOut"))
                signedOut();
        });
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
