#pragma once

#include "Platform/Dispatch/Subscription.h"

// The store's tie to the signed-in user. A sign-out ("homeNotificationCenter" with "loginOut",
// also the transport's for an expired token) clears the store's shared state (the chosen offers
// `selectedAuthArray` and the sales note `sell_info` of KXGlobalDataBase), so the next user starts
// without them. Which replies still belong to the user is the service core's account mark
// (KXRequestAccount), which KXStoreService asks. The cart itself lives on the service: only ticks
// are lost.
//
// shared() starts watching on first use; every store page and request uses it, so it watches
// before any store state exists. Main thread only (the notifications are posted there).
class KXStoreSession {
public:
    static constexpr const char* kNotification = "homeNotificationCenter";

    static KXStoreSession& shared();

    KXStoreSession(const KXStoreSession&) = delete;
    KXStoreSession& operator=(const KXStoreSession&) = delete;

private:
    KXStoreSession();
    static void signedOut();

    dispatch::Subscription observation_;
};
