#include "StorePageTest.h"

#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Foundation/Foundation.h"
#include "Platform/Storage/UserDefaults.h"
#include "StoreTestSupport.h"

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

void StorePageTest::SetUp()
{
    clearStoreState();
    toasts = std::make_shared<transporttest::RecordingToastPresenter>();
    ToastPresenter::setShared(toasts);
    host = std::make_unique<QWidget>();
    host->resize(900, 640);
    host->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(host.get()));
}

void StorePageTest::TearDown()
{
    host.reset();
    dispatch::RunLoop::drain();
    ToastPresenter::setShared(nullptr);
    clearStoreState();
}

std::vector<std::string> StorePageTest::toastMessages() const
{
    std::vector<std::string> messages;
    for (const auto& shown : toasts->shown)
        messages.push_back(shown.message);
    return messages;
}

} // namespace storetest
