#pragma once

#include "Platform/Foundation/Object.h"

// The agreement gate in front of a sign-in. A sign-in stores the user's "token" at once; a user
// who has not accepted the agreement yet ("is_agree" 0) then waits, held in the process-wide
// KXHomeProcessState::pendingSignIn, until the agreement window answers. A refusal removes the
// token again, so the user stays signed out; an answer when nobody waits changes nothing (the
// registration page of the login window posts the same answer). Storing and removing the token
// are where the account requests are asked for changes (KXRequestAccount). Main thread only.
class KXSignInGate {
public:
    enum class Step { SignIn, AwaitAgreement };

    // Stores the user's "token" (synchronised) and says whether the sign-in goes on now or waits.
    static Step receive(const foundation::Id& user);
    // The agreement window's "isAgree": the user to sign in now, or nil (refused, or nobody
    // waits). A refusal of a waiting user removes "token".
    static foundation::Id answer(const foundation::Id& isAgree);
    static bool isWaiting();
    // The client ends with the question open: no sign-in without consent at the next start.
    static void abandon();
};
