#include "StorePageTest.h"

#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/ServiceCore/Transport/KXRequestAccount.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Foundation/Foundation.h"
#include "Platform/Storage/UserDefaults.h"
#include "StoreTestSupport.h"
#include "Class/Store/Core/KXStoreService.h"

#include <QTest>

namespace storetest {

namespace {

void clearStoreState()
{
    auto& state = KXGlobalDataBase::sharedKXGlobalDataBase();
    state.setSelectedAuthArray(foundation::MutableArray::create());
    state.setSell_info(nullptr);
    auto& defaults = foundation::UserDefaults::standardUserDefaults();
    defaults.removeObjectForKey("vip_type");
    defaults.removeObjectForKey("my_orderClick");
}

} // namespace

void StorePageTest::signInAs(long long uid)
{
    // A token of its own for each sign-in, as the service gives.
    static long long signIns = 0;
    auto& defaults = foundation::UserDefaults::standardUserDefaults();
    defaults.setObject(foundation::Id("store-test-token-" + std::to_string(++signIns)), "token");
    KXUserCenterConfig::sharedKXUserCenterConfig().setUserinfo(
        foundation::MutableDictionary::create({ { foundation::Id("uid"), foundation::Id(uid) } }));
    KXRequestAccount::changed();
}

void StorePageTest::signOut()
{
    foundation::UserDefaults::standardUserDefaults().removeObjectForKey("token");
    KXUserCenterConfig::sharedKXUserCenterConfig().setUserinfo(nullptr);
    KXRequestAccount::changed();
}

void StorePageTest::SetUp()
{
    clearStoreState();
    KXStoreService::installCartReader();
    // Each test an account of its own: what the store keeps per account starts clean.
    static long long accounts = 7000;
    account = ++accounts;
    signInAs(account);
    toasts = std::make_shared<transporttest::RecordingToastPresenter>();
    ToastPresenter::setShared(toasts);
    host = std::make_unique<QWidget>();
    // The store's designed width, beside the main window's menu.
    host->resize(310, 640);
    host->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(host.get()));
}

void StorePageTest::TearDown()
{
    host.reset();
    dispatch::RunLoop::drain();
    // A cart read left unanswered would stay on its way, and the next test's reads would join it.
    for (std::size_t n = 0; n < service->count(KXStoreService::Operation::Carts); ++n)
        service->fail(KXStoreService::Operation::Carts, n);
    ToastPresenter::setShared(nullptr);
    clearStoreState();
    signOut();
}

std::vector<std::string> StorePageTest::toastMessages() const
{
    std::vector<std::string> messages;
    for (const auto& shown : toasts->shown)
        messages.push_back(shown.message);
    return messages;
}

} // namespace storetest
