#pragma once

#include "ScriptedStoreService.h"
#include "Transport/TransportTestSupport.h"

#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

namespace storetest {

// A page test on a scripted store service: a shown host window to lay pages on, 310 wide as the
// store was drawn, toasts
// recorded, an account of the test's own signed in, and the store's shared state (choice, sales note,
// "vip_type") cleared before and after.
class StorePageTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // A sign-in of the account with that user id (a new token each time), and a sign-out; each test
    // starts signed in as an account of its own.
    static void signInAs(long long uid);
    static void signOut();
    // The messages toasted so far.
    std::vector<std::string> toastMessages() const;

    ScopedScriptedService service;
    // The user id of the test's account.
    long long account = 0;
    std::shared_ptr<transporttest::RecordingToastPresenter> toasts;
    std::unique_ptr<QWidget> host;
};

} // namespace storetest
