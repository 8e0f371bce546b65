#include "Class/Store/Core/KXStoreSession.h"

#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
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

void KXStoreSession::signedOut()
{
    auto& state = KXGlobalDataBase::sharedKXGlobalDataBase();
    state.setSelectedAuthArray(foundation::MutableArray::create());
    state.setSell_info(nullptr);
}
