#include "Class/Account/Core/KXSignInEvents.h"

#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Foundation/Dictionary.h"

using foundation::Dictionary;
using foundation::Id;

KXSignInEvents::Attempt KXSignInEvents::startAttempt()
{
    return KXRequestAccount::current();
}

bool KXSignInEvents::isCurrent(const Attempt& attempt)
{
    return KXRequestAccount::isCurrent(attempt);
}

bool KXSignInEvents::postLoginMessage(const Id& user, const Attempt& attempt)
{
    if (!isCurrent(attempt))
        return false;
    // Before anyone hears of it: an observer that starts another attempt, or posts again, does so
    // after this sign-in.
    KXRequestAccount::changed();
    dispatch::NotificationCenter::defaultCenter().post(kNotification, {}, Dictionary::create({{Id("loginMessage"), user}}));
    return true;
}

void KXSignInEvents::postLoginStarting()
{
    dispatch::NotificationCenter::defaultCenter().post(kNotification, {}, Dictionary::create({{Id("eveType"), Id("login")}}));
}

void KXSignInEvents::postAgreement(bool agreed, const Id& page)
{
    dispatch::NotificationCenter::defaultCenter().post(kAgreementNotification, page,
                                                       Dictionary::create({{Id("isAgree"), Id(agreed ? "1" : "0")}}));
}
