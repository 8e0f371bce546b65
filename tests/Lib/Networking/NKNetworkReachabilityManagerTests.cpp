#include "Lib/Networking/NKNetworkReachabilityManager.h"
#include "Lib/Networking/NKNetworking.h"

#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Foundation/Foundation.h"
#include "Platform/Reachability/Reachability.h"

#include <gtest/gtest.h>

#include <netinet/in.h>

TEST(NKReachabilityStatus, FlagsTable)
{
    using M = NKNetworkReachabilityManager;
    EXPECT_EQ(M::statusForFlags(0x2), NKNetworkReachabilityStatusReachableViaWiFi);
    EXPECT_EQ(M::statusForFlags(0x0), NKNetworkReachabilityStatusNotReachable);
    EXPECT_EQ(M::statusForFlags(0x4 | 0x8 | 0x10 | 0x20), NKNetworkReachabilityStatusNotReachable);
    EXPECT_EQ(M::statusForFlags(0x2 | 0x4 | 0x8), NKNetworkReachabilityStatusReachableViaWiFi);
    EXPECT_EQ(M::statusForFlags(0x2 | 0x4 | 0x20 | 0x10), NKNetworkReachabilityStatusNotReachable);
    EXPECT_EQ(M::statusForFlags(0x2 | 0x4), NKNetworkReachabilityStatusNotReachable);
    EXPECT_EQ(M::statusForFlags(0x2 | 0x4 | 0x20), NKNetworkReachabilityStatusReachableViaWiFi);
}

TEST(NKReachabilityStatus, Strings)
{
    EXPECT_EQ(NKStringFromNetworkReachabilityStatus(0), "Not Reachable");
    EXPECT_EQ(NKStringFromNetworkReachabilityStatus(1), "Reachable via WWAN");
    EXPECT_EQ(NKStringFromNetworkReachabilityStatus(2), "Reachable via WiFi");
    EXPECT_EQ(NKStringFromNetworkReachabilityStatus(-1), "Unknown");
    EXPECT_EQ(NKStringFromNetworkReachabilityStatus(7), "Unknown");
}

TEST(NKReachabilityManager, StartsUnknownAndInitRaises)
{
    auto manager = NKNetworkReachabilityManager::managerForDomain("localhost");
    EXPECT_EQ(manager->networkReachabilityStatus(), NKNetworkReachabilityStatusUnknown);
    EXPECT_FALSE(manager->isReachable());
    EXPECT_EQ(manager->localizedNetworkReachabilityStatusString(), "Unknown");
    try {
        NKNetworkReachabilityManager::init();
        FAIL() << "init must raise";
    } catch (const foundation::Exception& exception) {
        EXPECT_EQ(exception.name(), "NSGenericException");
        EXPECT_EQ(exception.reason(), "`-init` unavailable. Use `-initWithReachability:` instead");
    }
    EXPECT_EQ(NKNetworkReachabilityManager::sharedManager(), NKNetworkReachabilityManager::sharedManager());
}

TEST(NKReachabilityManager, EachStartDeliversOneInitialStatusOnTheMainQueue)
{
    sockaddr_in loopback{};
    loopback.sin_family = AF_INET;
    loopback.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    auto manager = NKNetworkReachabilityManager::managerForAddress(reinterpret_cast<const sockaddr*>(&loopback));
    std::vector<long> blockStatuses;
    std::vector<long> notified;
    manager->setReachabilityStatusChangeBlock([&](NKNetworkReachabilityStatus status) {
        EXPECT_TRUE(dispatch::isMainThread());
        blockStatuses.push_back(status);
    });
    auto subscription = dispatch::NotificationCenter::defaultCenter().addObserver(
        std::string(NKNetworkingReachabilityDidChangeNotification), nullptr, nullptr, [&](const dispatch::Notification& notification) {
            notified.push_back(notification.userInfo->objectForKey(NKNetworkingReachabilityNotificationStatusItem).integerValue());
        });

    manager->startMonitoring();
    ASSERT_TRUE(dispatch::RunLoop::runUntil([&] { return notified.size() == 1; }, 10));
    EXPECT_EQ(blockStatuses, notified);
    EXPECT_EQ(manager->networkReachabilityStatus(), notified.front());
    EXPECT_EQ(manager->networkReachabilityStatus(), NKNetworkReachabilityStatusReachableViaWiFi);
    EXPECT_TRUE(manager->isReachableViaWiFi());

    manager->startMonitoring();
    ASSERT_TRUE(dispatch::RunLoop::runUntil([&] { return notified.size() == 2; }, 10));
    manager->stopMonitoring();
    EXPECT_FALSE(manager->networkReachability()->isScheduled());
    EXPECT_EQ(manager->networkReachabilityStatus(), NKNetworkReachabilityStatusReachableViaWiFi);
}
