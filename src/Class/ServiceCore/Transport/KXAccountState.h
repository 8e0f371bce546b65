#pragma once

#include "Platform/Foundation/Object.h"

#include <string>

namespace foundation {
class UserDefaults;
}

// Who is signed in, for the whole client: the one place every reader asks.
//
// The account is in one of three states, read from the user defaults so that every thread and
// the next start see the same answer:
// - SignedOut: no "token" is stored;
// - AwaitingAgreement: a sign-in stored its "token" beside the mark kPendingKey, and its user has
//   still to accept the user agreement;
// - SignedIn: a "token" without the mark.
//
// Only the third is signed in. While the agreement waits the client behaves as signed out: the
// transport sends no per-account request and no token (requestToken), the pages ask for a sign-in
// as they do signed out, and nothing of the waiting account is shown. Only the agreement's own
// request and the read that confirms it carry the waiting account's token. The account becomes
// signed in when the service says that its user has agreed (accept), and a waiting sign-in that
// ends any other way leaves nothing of it (the sign-in gate clears it as a sign-out does).
//
// The token and its mark always change in one save: a mark alone would keep nobody waiting, and a
// token written before its mark would sign a waiting user in if the client ended in between. Each
// change moves the account mark on (KXRequestAccount::changed), so replies asked before it belong
// to a former state. Writers: main thread. Readers: any thread.
class KXAccountState {
public:
    enum class State { SignedOut, AwaitingAgreement, SignedIn };

    // The user default that says the stored token still waits for the agreement.
    static constexpr const char* kPendingKey = "agreementPending";
    static constexpr const char* kTokenKey = "token";
    // Posted on the default centre, with no sender, when a sign-in has passed the agreement and its
    // user is signed in: {"user": the user record}. What waited for a sign-in goes on from here.
    static constexpr const char* kSignedInNotification = "KXAccountSignedIn";

    static State state();
    // The same answer from another store of settings (tests, a reader handed its store).
    static State stateIn(const foundation::UserDefaults& defaults);
    static bool signedIn() { return state() == State::SignedIn; }
    static bool awaitingAgreement() { return state() == State::AwaitingAgreement; }

    // The stored token, whatever the state; "" without one.
    static std::string storedToken();
    // The token a request carries: the signed-in account's; the waiting account's only for the
    // agreement's own requests; "" otherwise.
    static std::string requestToken(bool forTheAgreement);

    // A sign-in's token, with the mark when its user has not agreed yet.
    static void store(const foundation::Id& token, bool agreed);
    // The service says the waiting user has agreed: signed in from now on. False when nobody waits.
    static bool accept();
    // Removes the token and its mark (the sign-in gate and the sign-out clear the rest).
    static void removeToken();
};
