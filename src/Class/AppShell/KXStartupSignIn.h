#pragma once

#include "Class/Account/Core/KXSignInEvents.h"
#include "Platform/Foundation/Object.h"

#include <functional>

// The start-up's sign-in by the stored token, the splash's first step and one of the ways of
// signing in.
//
// A token stored while the agreement's question was open, by a client that ended without an
// answer, is no sign-in: it goes with its mark and everything stored for its account before
// anything is sent (KXSignInGate::discardUnanswered), and the client starts signed out. Otherwise a stored token is signed in again
// with empty credentials (the transport sends the token), as an attempt of its own.
//
// A reply with errcode 0 for a user who has agreed updates the session (KXUserCenterConfig::
// setUpUserconfigWithInfo, "my_shop_url") while its account is still the one signed in. A user who
// has not ("is_agree" 0) goes through the agreement like any sign-in, and nothing of the reply is
// applied before the answer: the sign-in is posted for a main window that is up, else the gate
// holds it and the main window asks as it opens. Main thread only.
//
// What the start-up reads for the account (its folders) waits for the sign-in's outcome
// (whenSettled), so nothing goes out with the token of a user who may still have to agree; a
// sign-in that fails without a reply (offline, a server error) settles it too, the token standing.
class KXStartupSignIn {
public:
    // Whether a sign-in was sent.
    static bool start();
    // Runs `block` once no start-up sign-in is on its way: at once, or as its reply or failure comes.
    static void whenSettled(std::function<void()> block);
    // A reply with errcode 0 to the sign-in of `attempt`.
    static void replied(const foundation::Id& user, const KXSignInEvents::Attempt& attempt);
};
