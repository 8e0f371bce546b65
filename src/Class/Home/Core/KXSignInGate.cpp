#include "Class/Home/Core/KXSignInGate.h"

#include "Class/Home/Core/KXHomeProcessState.h"
#include "Class/ServiceCore/Transport/KXRequestAccount.h"
#include "Platform/Storage/UserDefaults.h"

using foundation::Id;

namespace {

foundation::UserDefaults& gateDefaults()
{
    return foundation::UserDefaults::standardUserDefaults();
}

void removeToken()
{
    gateDefaults().removeObjectForKey("token");
    gateDefaults().synchronize();
    KXRequestAccount::changed();
}

} // namespace

KXSignInGate::Step KXSignInGate::receive(const Id& user)
{
    gateDefaults().setObject(user["token"], "token");
    gateDefaults().synchronize();
    KXRequestAccount::changed();
    if (user["is_agree"].integerValue() != 0)
        return Step::SignIn;
    KXHomeProcessState::shared().pendingSignIn = user;
    return Step::AwaitAgreement;
}

Id KXSignInGate::answer(const Id& isAgree)
{
    Id pending = KXHomeProcessState::shared().pendingSignIn;
    KXHomeProcessState::shared().pendingSignIn = Id();
    if (pending.isNil())
        return Id();
    if (isAgree.integerValue() == 0) {
        removeToken();
        return Id();
    }
    return pending;
}

bool KXSignInGate::isWaiting()
{
    return !KXHomeProcessState::shared().pendingSignIn.isNil();
}

void KXSignInGate::abandon()
{
    if (!isWaiting())
        return;
    KXHomeProcessState::shared().pendingSignIn = Id();
    removeToken();
}
