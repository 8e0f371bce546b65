#pragma once

#include "Class/ServiceCore/Transport/KXAccountState.h"
#include "Platform/Foundation/Object.h"

#include <functional>

// The agreement gate in front of a sign-in: it moves the account state (KXAccountState) of every
// sign-in whose user has not accepted the user agreement yet ("is_agree" 0).
//
// Such a sign-in stores its token beside the pending mark and waits, held in the process-wide
// KXHomeProcessState::pendingSignIn, until the agreement window answers; meanwhile the client is
// signed out for every reader. An acceptance is confirmed with the service first (the agreement
// request, or, when its reply never comes, the read of the user's record): the account is signed
// in only once the service says its user has agreed; otherwise the question stays open and is
// asked again. Every other end of a waiting sign-in (a refusal, the window closed unanswered, the
// client quitting or signing out, an unanswered token found at a start) leaves nothing of the
// account: the session is cleared as a sign-out clears it, without the sign-out's notification.
// An answer when nobody waits changes nothing. Every end of a wait, whatever its road, is told
// once (kWaitEndedNotification), so that the question on screen goes with it.
// Main thread only.
class KXSignInGate {
public:
    enum class Step { SignIn, AwaitAgreement };
    enum class Outcome {
        NobodyWaits, // no sign-in waited, or its acceptance is already being confirmed
        Refused,     // the waiting sign-in ended, and with it everything of its account
        SignedIn,    // the service holds the agreement: the user is signed in
        StillWaiting // the service did not confirm the acceptance: the question stays open
    };
    using Answered = std::function<void(Outcome outcome, const foundation::Id& user)>;

    // The user default that says the stored token still waits for the agreement.
    static constexpr const char* kPendingKey = KXAccountState::kPendingKey;
    // Posted on the default centre, with no sender and no user info, when a waiting sign-in stops
    // waiting: an acceptance the service confirmed, a refusal, another sign-in taking its place
    // (an agreed user's; a second waiting one keeps the question open for itself), a sign-out, a
    // token the service refused, the client quitting. Whatever asked the question takes it away.
    static constexpr const char* kWaitEndedNotification = "KXSignInWaitEnded";

    // Stores the user's "token" (synchronised) and says whether the sign-in goes on now or waits.
    // A sign-in that waits takes the place of any account signed in before, whose session goes.
    static Step receive(const foundation::Id& user);
    // The agreement window's "isAgree". `answered` runs once: at once for a refusal or when nobody
    // waits, when the service has answered for an acceptance (not at all when the waiting sign-in
    // ended meanwhile).
    static void answer(const foundation::Id& isAgree, Answered answered);
    static bool isWaiting();
    // Whether an acceptance is being confirmed with the service.
    static bool isConfirming();
    // The client ends, or signs out, with the question open: the waiting sign-in ends.
    static void abandon();
    // At a start: a token stored with the question still open is no sign-in. It goes with the
    // session stored for it, so the client starts signed out; true when there was one.
    static bool discardUnanswered();
};
