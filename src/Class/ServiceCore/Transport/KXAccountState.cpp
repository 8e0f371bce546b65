#include "Class/ServiceCore/Transport/KXAccountState.h"

#include "Class/ServiceCore/Transport/KXRequestAccount.h"
#include "Platform/Storage/UserDefaults.h"

using foundation::Id;

namespace {

foundation::UserDefaults& stateDefaults()
{
    return foundation::UserDefaults::standardUserDefaults();
}

} // namespace

KXAccountState::State KXAccountState::state()
{
    return stateIn(stateDefaults());
}

KXAccountState::State KXAccountState::stateIn(const foundation::UserDefaults& defaults)
{
    if (defaults.objectForKey(kTokenKey).isNil())
        return State::SignedOut;
    return defaults.objectForKey(kPendingKey).isNil() ? State::SignedIn : State::AwaitingAgreement;
}

std::string KXAccountState::storedToken()
{
    const Id token = stateDefaults().objectForKey(kTokenKey);
    return token.isNil() ? std::string() : token.stringValue();
}

std::string KXAccountState::requestToken(bool forTheAgreement)
{
    switch (state()) {
    case State::SignedIn:
        return storedToken();
    case State::AwaitingAgreement:
        return forTheAgreement ? storedToken() : std::string();
    case State::SignedOut:
        break;
    }
    return {};
}

void KXAccountState::store(const Id& token, bool agreed)
{
    auto& defaults = stateDefaults();
    if (agreed)
        defaults.removeObjectForKey(kPendingKey);
    else
        defaults.setObject(Id("1"), kPendingKey);
    defaults.setObject(token, kTokenKey);
    defaults.synchronize();
    KXRequestAccount::changed();
}

bool KXAccountState::accept()
{
    if (state() != State::AwaitingAgreement)
        return false;
    stateDefaults().removeObjectForKey(kPendingKey);
    stateDefaults().synchronize();
    KXRequestAccount::changed();
    return true;
}

void KXAccountState::removeToken()
{
    stateDefaults().removeObjectForKey(kPendingKey);
    stateDefaults().removeObjectForKey(kTokenKey);
    stateDefaults().synchronize();
    KXRequestAccount::changed();
}
