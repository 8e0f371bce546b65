#include "Platform/Dispatch/Queue.h"
#include "Platform/Reachability/Reachability.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>

#include <filesystem>

using net::Reachability;

namespace {

std::size_t openDescriptors()
{
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++count;
    return count;
}

sockaddr_in ipv4(const char* text)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    inet_pton(AF_INET, text, &address.sin_addr);
    return address;
}

} // namespace

TEST(ReachabilityProbe, LoopbackIsReachableLocalAndDirect)
{
    auto address = ipv4("127.0.0.1");
    auto reachability = Reachability::createWithAddress(reinterpret_cast<sockaddr*>(&address));
    ASSERT_TRUE(reachability);
    std::uint32_t flags = 0;
    ASSERT_TRUE(reachability->getFlags(flags));
    EXPECT_EQ(flags, net::kReachabilityReachable | net::kReachabilityIsLocalAddress | net::kReachabilityIsDirect);

    sockaddr_in6 v6{};
    v6.sin6_family = AF_INET6;
    v6.sin6_addr = in6addr_loopback;
    auto v6Reachability = Reachability::createWithAddress(reinterpret_cast<sockaddr*>(&v6));
    ASSERT_TRUE(v6Reachability->getFlags(flags));
    EXPECT_TRUE(flags & net::kReachabilityReachable);
}

TEST(ReachabilityProbe, HostNamesAreResolvedFirst)
{
    std::uint32_t flags = 0;
    ASSERT_TRUE(Reachability::createWithName("localhost")->getFlags(flags));
    EXPECT_TRUE(flags & net::kReachabilityReachable);
    EXPECT_TRUE(flags & net::kReachabilityIsLocalAddress);
}

TEST(ReachabilityProbe, OnlyInternetFamiliesAreAccepted)
{
    sockaddr unix{};
    unix.sa_family = AF_UNIX;
    EXPECT_FALSE(Reachability::createWithAddress(&unix));
    EXPECT_FALSE(Reachability::createWithAddress(nullptr));
}

TEST(ReachabilityWatch, NothingIsOpenedBeforeMonitoring)
{
    auto address = ipv4("0.0.0.0");
    std::size_t before = openDescriptors();
    auto reachability = Reachability::createWithAddress(reinterpret_cast<sockaddr*>(&address));
    std::uint32_t flags = 0;
    reachability->getFlags(flags);
    EXPECT_EQ(openDescriptors(), before);
    auto queue = dispatch::makeSerialQueue("reachability.test");
    ASSERT_TRUE(reachability->scheduleOnQueue(*queue));
    EXPECT_TRUE(reachability->isScheduled());
    EXPECT_EQ(openDescriptors(), before + 2) << "the routing socket and the wake-up descriptor";
    ASSERT_TRUE(reachability->scheduleOnQueue(*queue));
    EXPECT_EQ(openDescriptors(), before + 2) << "scheduling twice opens nothing more";
    reachability->unschedule();
    EXPECT_FALSE(reachability->isScheduled());
    EXPECT_EQ(openDescriptors(), before);
    ASSERT_TRUE(reachability->scheduleOnQueue(*queue));
    reachability.reset();
    EXPECT_EQ(openDescriptors(), before);
}
