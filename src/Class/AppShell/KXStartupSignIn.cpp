#include "Class/AppShell/KXStartupSignIn.h"

#include "Class/Home/Core/KXSignInGate.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "Class/ServiceCore/Transport/KXAccountState.h"
#include "Class/ServiceCore/Transport/KXHTTPBUSINESS.h"
#include "Platform/Storage/UserDefaults.h"

#include <vector>

using foundation::Id;

namespace {

// The blocks waiting for the sign-in on its way; empty while none is. A start drops what waited
// for an earlier one, and an earlier one's late outcome settles nothing.
struct Settling {
    unsigned long long generation = 0;
    bool onItsWay = false;
    std::vector<std::function<void()>> blocks;
};

Settling& settling()
{
    static Settling state;
    return state;
}

void settle(unsigned long long generation)
{
    if (generation != settling().generation || !settling().onItsWay)
        return;
    auto blocks = std::move(settling().blocks);
    settling().blocks.clear();
    settling().onItsWay = false;
    for (auto& block : blocks)
        block();
}

} // namespace

bool KXStartupSignIn::start()
{
    const unsigned long long generation = ++settling().generation;
    settling().onItsWay = false;
    settling().blocks.clear();
    KXSignInGate::discardUnanswered();
    if (!KXAccountState::signedIn())
        return false;
    const KXSignInEvents::Attempt attempt = KXSignInEvents::startAttempt();
    settling().onItsWay = true;
    // The transport sends the stored token; empty credentials ask the service to renew it.
    KXHTTPBUSINESS().LoginWithName(
        Id(""), Id(""),
        [attempt, generation](const Id& reply) {
            if (!reply["errcode"].isNil() && reply["errcode"].integerValue() == 0)
                replied(reply["corvane_data"], attempt);
            settle(generation);
        },
        [generation](const foundation::Ref<foundation::Error>&) { settle(generation); });
    return true;
}

void KXStartupSignIn::whenSettled(std::function<void()> block)
{
    if (!settling().onItsWay) {
        block();
        return;
    }
    settling().blocks.push_back(std::move(block));
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
