#include "Class/AppShell/KXStartupSignIn.h"

#include "Class/Home/Core/KXSignInGate.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "Class/ServiceCore/Transport/KXHTTPBUSINESS.h"
#include "Platform/Storage/UserDefaults.h"

using foundation::Id;

bool KXStartupSignIn::start()
{
    KXSignInGate::discardUnanswered();
    auto& defaults = foundation::UserDefaults::standardUserDefaults();
    if (defaults.objectForKey("token").isNil())
        return false;
    const KXSignInEvents::Attempt attempt = KXSignInEvents::startAttempt();
    // The transport sends the stored token; empty credentials ask the service to renew it.
    KXHTTPBUSINESS().LoginWithName(
        Id(""), Id(""),
        [attempt](const Id& reply) {
            if (reply["errcode"].isNil() || reply["errcode"].integerValue() != 0)
                return;
            replied(reply["corvane_data"], attempt);
        },
        [](const foundation::Ref<foundation::Error>&) { });
    return true;
}

void KXStartupSignIn::replied(const Id& user, const KXSignInEvents::Attempt& attempt)
{
    if (!KXSignInEvents::isCurrent(attempt))
        return;
    if (user["is_agree"].integerValue() == 0) {
        KXSignInEvents::postLoginMessage(user, attempt);
        // No main window took it through the agreement yet: the gate holds it for the one to come.
        if (!KXSignInGate::isWaiting())
            KXSignInGate::receive(user);
        return;
    }
    KXUserCenterConfig::sharedKXUserCenterConfig().setUpUserconfigWithInfo(user);
    auto& store = foundation::UserDefaults::standardUserDefaults();
    store.setObject(user["shop_url"].string() ? user["shop_url"] : Id(), "my_shop_url");
    store.synchronize();
}
