#include "Class/Account/Core/KXSignInEvents.h"

#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Foundation/Dictionary.h"

using foundation::Dictionary;
using foundation::Id;

void KXSignInEvents::postLoginMessage(const Id& user)
{
    dispatch::NotificationCenter::defaultCenter().post(kNotification, {}, Dictionary::create({{Id("loginMessage"), user}}));
}

void KXSignInEvents::postLoginStarting()
{
    dispatch::NotificationCenter::defaultCenter().post(kNotification, {}, Dictionary::create({{Id("eveType"), Id("login")}}));
}

void KXSignInEvents::postAgreement(bool agreed)
{
    dispatch::NotificationCenter::defaultCenter().post(kAgreementNotification, {},
                                                       Dictionary::create({{Id("isAgree"), Id(agreed ? "1" : "0")}}));
}
