#pragma once

#include "Platform/Dispatch/Subscription.h"

#include <map>
#include <memory>
#include <string>

class KXOrderReadBack;

// The store's tie to the signed-in user. A sign-out ("homeNotificationCenter" with "loginOut",
// also the transport's for an expired token) clears the store's shared state (the chosen offers
// `selectedAuthArray` and the sales note `sell_info` of KXGlobalDataBase), so the next user starts
// without them. Which replies still belong to the user is the service core's account mark
// (KXRequestAccount), which KXStoreService asks. The cart itself lives on the service: only ticks
// are lost.
//
// What the store knows of an account's orders (KXOrderReadBack) is kept per account, under the
// user id "uid" of the session's user record: it outlives the order page and a sign-out and
// sign-in of the same account (whose account mark moves at each sign-in), and another account
// starts with its own. A signed-in session without a user record yet goes by its token.
//
// An order of unknown outcome is settled through the account's order state: read back when its
// account is signed in (a start finds one kept), by every count of unpaid orders read, and at each
// look at the orders while it is unknown (KXAccountWrites::readIfStale of the unpaid count).
//
// shared() starts watching on first use (the start-up asks for it before any sign-in); every store page and
// request uses it, so it watches before any store state exists. Main thread only (the notifications are
// posted there).
class KXStoreSession {
public:
    static constexpr const char* kNotification = "homeNotificationCenter";

    static KXStoreSession& shared();

    // The order read-back of the account signed in now.
    KXOrderReadBack& orderReadBack();

    KXStoreSession(const KXStoreSession&) = delete;
    KXStoreSession& operator=(const KXStoreSession&) = delete;

private:
    KXStoreSession();
    ~KXStoreSession();
    static void signedOut();
    // The account orders are kept under: "uid <uid>", "token <token>" or "" signed out.
    static std::string accountKey();

    dispatch::Subscription observation_;
    dispatch::Subscription signedIn_;
    dispatch::Subscription userStored_;
    dispatch::Subscription unpaidCounted_;
    std::map<std::string, std::unique_ptr<KXOrderReadBack>> orderReadBacks_;
};
