#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/ServiceCore/Transport/KXRequestAccount.h"
#include "Class/Store/Core/KXPriceRequester.h"
#include "Class/Store/Core/KXStoreSession.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Foundation/Foundation.h"
#include "ScriptedStoreService.h"

#include <gtest/gtest.h>

using foundation::Id;
using Operation = KXStoreService::Operation;
using storetest::envelope;

namespace {

Id totals(const char* price)
{
    return envelope(0, Id(foundation::Dictionary::create({ { Id("price"), Id(price) } })));
}

class KXPriceRequesterTest : public testing::Test {
protected:
    void SetUp() override
    {
        service = std::make_shared<storetest::ScriptedStoreService>();
        requester = std::make_unique<KXPriceRequester>(service);
        requester->setLog([this](const std::string& line) { logged.push_back(line); });
    }
    KXPriceRequester::Apply record()
    {
        return [this](const Id& data) { applied.push_back(data["price"].stringValue()); };
    }

    std::shared_ptr<storetest::ScriptedStoreService> service;
    std::unique_ptr<KXPriceRequester> requester;
    std::vector<std::string> applied;
    std::vector<std::string> logged;
};

TEST_F(KXPriceRequesterTest, OnlyTheLatestRequestsReplyIsApplied)
{
    ASSERT_TRUE(requester->request(R"([{"bid":"7","fids":"1"}])", record()));
    ASSERT_TRUE(requester->request(R"([{"bid":"7","fids":"1,2"}])", record()));
    EXPECT_EQ(service->call(Operation::Price, 1).argument, R"([{"bid":"7","fids":"1,2"}])");
    service->answer(Operation::Price, 1, totals("2.00"));
    service->answer(Operation::Price, 0, totals("1.00")); // late reply to the older choice
    EXPECT_EQ(applied, std::vector<std::string> { "2.00" });
    EXPECT_FALSE(requester->isWaiting());
}

TEST_F(KXPriceRequesterTest, InOrderRepliesApplyOnlyTheLast)
{
    requester->request(R"([{"bid":"7","fids":"1"}])", record());
    requester->request(R"([{"bid":"7","fids":"2"}])", record());
    service->answer(Operation::Price, 0, totals("1.00"));
    EXPECT_TRUE(applied.empty());
    EXPECT_TRUE(requester->isWaiting());
    service->answer(Operation::Price, 1, totals("2.00"));
    EXPECT_EQ(applied, std::vector<std::string> { "2.00" });
}

TEST_F(KXPriceRequesterTest, TheEmptyChoiceSendsNothingAndRetiresWhatIsInFlight)
{
    requester->request(R"([{"bid":"7","fids":"1"}])", record());
    EXPECT_FALSE(requester->request("[]", record()));
    EXPECT_EQ(service->count(Operation::Price), 1u);
    EXPECT_FALSE(requester->isWaiting());
    service->answer(Operation::Price, 0, totals("1.00"));
    EXPECT_TRUE(applied.empty()) << "the zero texts stay";
}

TEST_F(KXPriceRequesterTest, ARefusedReplyIsLoggedAndChangesNothing)
{
    requester->request(R"([{"bid":"7","fids":"1"}])", record());
    service->answer(Operation::Price, 0, envelope(111, Id(foundation::Dictionary::create())));
    EXPECT_TRUE(applied.empty());
    ASSERT_EQ(logged.size(), 1u);
    EXPECT_EQ(logged[0].rfind("----{", 0), 0u) << logged[0];
    EXPECT_NE(logged[0].find("errcode = 111"), std::string::npos) << logged[0];
    // A reply without any status is not taken for success.
    requester->request(R"([{"bid":"7","fids":"2"}])", record());
    service->answer(Operation::Price, 1,
        Id(foundation::Dictionary::create({ { Id("corvane_data"), Id(foundation::Dictionary::create()) } })));
    EXPECT_TRUE(applied.empty());
}

TEST_F(KXPriceRequesterTest, AFailureEndsTheWaitAndKeepsTheTotals)
{
    requester->request(R"([{"bid":"7","fids":"1"}])", record());
    service->fail(Operation::Price, 0);
    EXPECT_FALSE(requester->isWaiting());
    EXPECT_TRUE(applied.empty());
}

TEST_F(KXPriceRequesterTest, OnlyTheLatestQuestionsFailureOrRefusalIsReported)
{
    int failed = 0;
    const auto count = [&failed] { ++failed; };
    requester->request(R"([{"bid":"7","fids":"1"}])", record(), count);
    requester->request(R"([{"bid":"7","fids":"2"}])", record(), count);
    service->fail(Operation::Price, 0);
    EXPECT_EQ(failed, 0) << "the older question's failure";
    service->fail(Operation::Price, 1);
    EXPECT_EQ(failed, 1);
    requester->request(R"([{"bid":"7","fids":"3"}])", record(), count);
    service->answer(Operation::Price, 2, envelope(111, Id(foundation::Dictionary::create())));
    EXPECT_EQ(failed, 2);
    requester->request(R"([{"bid":"7","fids":"4"}])", record(), count);
    requester->request("[]", record(), count);
    service->fail(Operation::Price, 3);
    EXPECT_EQ(failed, 2) << "retired by the empty choice";
    requester->request(R"([{"bid":"7","fids":"5"}])", record(), count);
    service->answer(Operation::Price, 4, totals("5.00"));
    EXPECT_EQ(failed, 2);
    EXPECT_EQ(applied, std::vector<std::string> { "5.00" });
}

TEST_F(KXPriceRequesterTest, AReplyAfterThePageIsGoneIsDropped)
{
    requester->request(R"([{"bid":"7","fids":"1"}])", record());
    requester.reset();
    service->answer(Operation::Price, 0, totals("1.00"));
    service->fail(Operation::Price, 0);
    EXPECT_TRUE(applied.empty());
}

TEST_F(KXPriceRequesterTest, RepliesOfAnEarlierSessionAreDropped)
{
    requester->request(R"([{"bid":"7","fids":"1"}])", record());
    // A sign-out as the session records it.
    KXRequestAccount::changed();
    service->answer(Operation::Price, 0, totals("1.00"));
    EXPECT_TRUE(applied.empty());
    EXPECT_FALSE(requester->isWaiting()) << "a dropped reply still ends the wait";
}

TEST(KXStoreServiceTest, AFailureOfAnEarlierSessionReachesItsCallerAsEnded)
{
    storetest::ScopedScriptedService service;
    std::vector<foundation::Ref<foundation::Error>> failures;
    const auto record = [&failures](const foundation::Ref<foundation::Error>& error) { failures.push_back(error); };
    KXStoreService::shared()->getUnpaidOriderSuceess(nullptr, record);
    KXStoreService::shared()->getUnpaidOriderSuceess(nullptr, record);
    service->fail(Operation::Unpaid, 0);
    KXRequestAccount::changed();
    service->fail(Operation::Unpaid, 1);
    ASSERT_EQ(failures.size(), 2u);
    EXPECT_FALSE(KXRequestAccount::isEnded(failures[0])) << "the same session's failure is its own";
    EXPECT_TRUE(KXRequestAccount::isEnded(failures[1]));
}

TEST(KXStoreSessionTest, SignOutClearsTheChoiceAndTheSalesNote)
{
    auto& state = KXGlobalDataBase::sharedKXGlobalDataBase();
    KXStoreSession::shared();
    auto chosen = state.selectedAuthArray();
    chosen->addObject(Id(foundation::Dictionary::create({ { Id("brand_id"), Id("7") } })));
    state.setSell_info(foundation::String::create("限时八折"));

    // Another user signing in keeps nothing from the store either way.
    dispatch::NotificationCenter::defaultCenter().post(KXStoreSession::kNotification, Id(),
        foundation::Dictionary::create({ { Id("loginMessage"), Id(foundation::Dictionary::create()) } }));
    EXPECT_EQ(state.selectedAuthArray()->count(), 1u);

    dispatch::NotificationCenter::defaultCenter().post(KXStoreSession::kNotification, Id(),
        foundation::Dictionary::create(
            { { Id("loginOut"), Id(foundation::Dictionary::create({ { Id("logint"), Id("YES") } })) } }));
    EXPECT_EQ(state.selectedAuthArray()->count(), 0u);
    EXPECT_EQ(state.sell_info(), nullptr);
    EXPECT_EQ(chosen->count(), 1u) << "a list an open page still holds is not changed behind its back";

    // Other events of the same notification change nothing.
    state.setSell_info(foundation::String::create("限时八折"));
    dispatch::NotificationCenter::defaultCenter().post(KXStoreSession::kNotification, Id(),
        foundation::Dictionary::create({ { Id("eveType"), Id("login") } }));
    EXPECT_NE(state.sell_info(), nullptr);
}

} // namespace
