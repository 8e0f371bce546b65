#include "StoreServiceTest.h"

#include "Class/LayoutWidgets/WidgetView.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Lib/LayoutConstraints/LCViewAdditions.h"
#include "Platform/Foundation/Foundation.h"
#include "Platform/Storage/UserDefaults.h"
#include "StoreTestSupport.h"

using foundation::Id;
using layoutwidgets::lcView;

namespace storetest {

namespace {

class StopServiceAtTheEnd final : public testing::Environment {
public:
    void TearDown() override { transporttest::TransportTest::TearDownTestSuite(); }
};

} // namespace

int CountingService::arrived(Operation operation) const
{
    const auto found = counts_->arrived.find(operation);
    return found == counts_->arrived.end() ? 0 : found->second;
}

void CountingService::send(Operation operation, const std::string& argument, Reply reply, Failure failure)
{
    ++counts_->sent;
    KXStoreHTTPService::send(
        operation, argument,
        [counts = counts_, operation, reply = std::move(reply)](const Id& answer) {
            ++counts->arrived[operation];
            ++counts->answered;
            reply(answer);
        },
        [counts = counts_, operation, failure = std::move(failure)](
            const foundation::Ref<foundation::Error>& error) {
            ++counts->arrived[operation];
            ++counts->answered;
            failure(error);
        });
}

void StoreServiceTest::SetUpTestSuite()
{
    static const bool started = [] {
        transporttest::TransportTest::SetUpTestSuite();
        testing::AddGlobalTestEnvironment(new StopServiceAtTheEnd());
        return true;
    }();
    (void)started;
}

void StoreServiceTest::SetUp()
{
    TransportTest::SetUp();
    auto signedIn = run([](auto success, auto failure) {
        KXHTTPBUSINESS().LoginWithName(Id("designer"), Id("designer123"), success, failure);
    });
    const std::string token = signedIn.reply["corvane_data"]["token"].stringValue();
    ASSERT_FALSE(token.empty());
    foundation::UserDefaults::standardUserDefaults().setObject(Id(token), "token");
    previous = KXStoreService::install(counting);
    KXGlobalDataBase::sharedKXGlobalDataBase().setSelectedAuthArray(foundation::MutableArray::create());
    fonts = catalogueFonts(3);
    ids = fontIDs(fonts);
    ASSERT_TRUE(service().setCart("designer", { ids.begin(), ids.end() }));
    host = std::make_unique<QWidget>();
    // The store's designed width, beside the main window's menu.
    host->resize(310, 640);
    host->show();
    service().requestLog().clear();
}

void StoreServiceTest::TearDown()
{
    // The pages go first, so that the replies still on their way find nobody to deliver to.
    host.reset();
    EXPECT_TRUE(waitFor([this] { return counting->settled(); })) << "a store request was never answered";
    KXStoreService::install(previous);
    foundation::UserDefaults::standardUserDefaults().removeObjectForKey("my_orderClick");
    service().setCart("designer", {});
    TransportTest::TearDown();
}

QWidget* StoreServiceTest::lay(QWidget* page)
{
    lc_makeConstraints(lcView(page), [](LCConstraintMaker& make) { make.edges().equalTo(0); });
    page->show();
    settle(*host);
    return page;
}

std::size_t StoreServiceTest::requests(const char* path) const
{
    std::size_t count = 0;
    for (const auto& entry : service().requestLog().entries())
        count += entry.path == path ? 1 : 0;
    return count;
}

} // namespace storetest
