#pragma once

#include "ScriptedStoreService.h"
#include "Transport/TransportTestSupport.h"

#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

namespace storetest {

// A page test on a scripted store service: a shown host window to lay pages on, toasts
// recorded, and the store's shared state (choice, sales note, "vip_type") cleared before and
// after.
class StorePageTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // The messages toasted so far.
    std::vector<std::string> toastMessages() const;

    ScopedScriptedService service;
    std::shared_ptr<transporttest::RecordingToastPresenter> toasts;
    std::unique_ptr<QWidget> host;
};

} // namespace storetest
