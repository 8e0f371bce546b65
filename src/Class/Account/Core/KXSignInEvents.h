#pragma once

#include "Platform/Foundation/Object.h"

// The notifications of signing in, posted on the default centre without an object:
// "homeNotificationCenter" with {"loginMessage": user} (a user signed in) or {"eveType": "login"}
// (the account panel starts a sign-in request), and "agreementClick" with {"isAgree": "1" | "0"}
// (the user accepted or refused the user agreement). Posting is synchronous on the calling thread.
class KXSignInEvents {
public:
    static constexpr const char* kNotification = "homeNotificationCenter";
    static constexpr const char* kAgreementNotification = "agreementClick";

    static void postLoginMessage(const foundation::Id& user);
    static void postLoginStarting();
    static void postAgreement(bool agreed);
};
