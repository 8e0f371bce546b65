#pragma once

#include "Platform/Foundation/Object.h"

// The agreement gate in front of a sign-in. A sign-in stores the user's "token" at once; a user
// who has not accepted the agreement yet ("is_agree" 0) then waits, held in the process-wide
// KXHomeProcessState::pendingSignIn, until the agreement window answers. A refusal removes the
// token again, so the user stays signed out; an answer when nobody waits changes nothing (the
// registration page of the login window posts the same answer). Storing and removing the token
// are where the account requests are asked for changes (KXRequestAccount). Main thread only.
//
// While the question is open the user default kPendingKey stands beside the token, written in the
// same save: the token alone does not survive a client that ends without an answer (a crash, a
// kill, a power cut). The answer removes the mark, a refusal the token with it; and the next start
// finds it (discardUnanswered) before anything is sent with the token.
class KXSignInGate {
public:
    enum class Step { SignIn, AwaitAgreement };

    // The user default that says the stored token still waits for the agreement.
    static constexpr const char* kPendingKey = "agreementPending";

    // Stores the user's "token" (synchronised) and says whether the sign-in goes on now or waits.
    static Step receive(const foundation::Id& user);
    // The agreement window's "isAgree": the user to sign in now, or nil (refused, or nobody
    // waits). A refusal of a waiting user removes "token".
    static foundation::Id answer(const foundation::Id& isAgree);
    static bool isWaiting();
    // The client ends with the question open: no sign-in without consent at the next start.
    static void abandon();
    // At a start: a token stored with the question still open is no sign-in. It goes with the
    // mark, so the client starts signed out; true when there was one.
    static bool discardUnanswered();
};
