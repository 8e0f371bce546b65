#include "Class/ServiceCore/Transport/KXRequestAccount.h"

#include "Platform/Storage/UserDefaults.h"

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
    const auto token = foundation::UserDefaults::standardUserDefaults().objectForKey("token");
    return token.isNil() ? std::string() : token.stringValue();
}

KXRequestAccount::Mark KXRequestAccount::current()
{
    return {serial().load(), currentToken()};
}

bool KXRequestAccount::isCurrent(const Mark& mark)
{
    return mark.serial == serial().load() && mark.token == currentToken();
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
