#pragma once

#include "Class/ServiceCore/Transport/KXRequestAccount.h"
#include "Platform/Foundation/Object.h"

// The notifications of signing in, posted on the default centre: "homeNotificationCenter", without
// an object, with {"loginMessage": user} (a user signed in) or {"eveType": "login"} (the account
// panel starts a sign-in request); and "agreementClick" with {"isAgree": "1" | "0"} (the user
// accepted or refused the user agreement), whose object is the agreement page that asked. An
// agreement window answers only whoever opened it (the main window's question to a waiting
// sign-in, the registration's to its form), so its answer is heard by its sender only, never by
// every listener of the name. Posting is synchronous on the calling thread.
//
// One sign-in at a time. Every way of signing in (the QR poll, the account form, the QQ panel,
// registration, the start-up sign-in by the stored token, the former client's account) takes the
// account mark as its attempt starts and hands it to postLoginMessage with the user it got. The
// first sign-in posted moves the mark on, so every attempt started before it is out of date and
// posts nothing: it ends without a word, and the account that signed in first stays. The drop is
// here, at the post, because more than the main window reacts to the raw message (the QR polls,
// the login windows, a collection's waiting follow). An attempt started after a sign-in or a
// sign-out is current again. Main thread only.
class KXSignInEvents {
public:
    static constexpr const char* kNotification = "homeNotificationCenter";
    static constexpr const char* kAgreementNotification = "agreementClick";

    using Attempt = KXRequestAccount::Mark;

    // The mark an attempt takes when it starts.
    static Attempt startAttempt();
    // Whether a sign-in posted now for `attempt` would be announced.
    static bool isCurrent(const Attempt& attempt);
    // Posts {"loginMessage": user} for a current attempt, after moving the account mark on;
    // posts nothing for one that is out of date. Whether it posted.
    static bool postLoginMessage(const foundation::Id& user, const Attempt& attempt);
    static void postLoginStarting();
    // `page`: the answering agreement page's sender object (KXRegisterAgreementVC::answerSender).
    static void postAgreement(bool agreed, const foundation::Id& page);
};
