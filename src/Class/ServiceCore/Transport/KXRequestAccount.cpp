#include "Class/ServiceCore/Transport/KXRequestAccount.h"

#include <atomic>

namespace {

std::atomic<unsigned long long>& serial()
{
    static std::atomic<unsigned long long> value{0};
    return value;
}

} // namespace

std::string KXRequestAccount::currentToken()
{
    const Mark now = current();
    return now.signedIn() ? now.token : std::string();
}

bool KXRequestAccount::signedIn()
{
    return current().signedIn();
}

KXRequestAccount::Mark KXRequestAccount::current()
{
    return {serial().load(), KXAccountState::storedToken(), KXAccountState::state()};
}

bool KXRequestAccount::isCurrent(const Mark& mark)
{
    const Mark now = current();
    return mark.serial == now.serial && mark.token == now.token && mark.state == now.state;
}

void KXRequestAccount::changed()
{
    ++serial();
}

foundation::Ref<foundation::Error> KXRequestAccount::endedError()
{
    return foundation::Error::create(kEndedDomain, 1, "The reply belongs to an account that has signed out.");
}

bool KXRequestAccount::isEnded(const foundation::Ref<foundation::Error>& error)
{
    return error && error->domain() == kEndedDomain;
}
