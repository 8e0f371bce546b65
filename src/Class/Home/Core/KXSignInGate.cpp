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

// The token and the mark leave in one save: a mark without its token would sign nobody out.
void removeToken()
{
    gateDefaults().removeObjectForKey(KXSignInGate::kPendingKey);
    gateDefaults().removeObjectForKey("token");
    gateDefaults().synchronize();
    KXRequestAccount::changed();
}

void clearMark()
{
    gateDefaults().removeObjectForKey(KXSignInGate::kPendingKey);
    gateDefaults().synchronize();
}

} // namespace

KXSignInGate::Step KXSignInGate::receive(const Id& user)
{
    const bool agreed = user["is_agree"].integerValue() != 0;
    // The mark goes to disk with the token it belongs to, never after it.
    if (agreed)
        gateDefaults().removeObjectForKey(kPendingKey);
    else
        gateDefaults().setObject(Id("1"), kPendingKey);
    gateDefaults().setObject(user["token"], "token");
    gateDefaults().synchronize();
    KXRequestAccount::changed();
    if (agreed) {
        // A user who had to answer before is no longer the one signing in.
        KXHomeProcessState::shared().pendingSignIn = Id();
        return Step::SignIn;
    }
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
    clearMark();
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

bool KXSignInGate::discardUnanswered()
{
    if (isWaiting() || gateDefaults().objectForKey(kPendingKey).isNil())
        return false;
    removeToken();
    return true;
}
