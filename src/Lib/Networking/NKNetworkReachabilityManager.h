#pragma once

#include "Platform/Foundation/Object.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

struct sockaddr;

namespace net {
class Reachability;
}

enum NKNetworkReachabilityStatus : long {
    NKNetworkReachabilityStatusUnknown = -1,
    NKNetworkReachabilityStatusNotReachable = 0,
    NKNetworkReachabilityStatusReachableViaWWAN = 1,
    NKNetworkReachabilityStatusReachableViaWiFi = 2,
};

// Watches whether a host, an address or the network in general can be reached. While
// monitoring, every change (and one initial reading per start) sets the status, calls the status
// block and posts "com.ostrelle.networking.reachability.change", all on the main queue.
// The status and the block belong to the main queue; start and stop may be called from any thread.
class NKNetworkReachabilityManager final : public foundation::Object {
public:
    static const foundation::Class* classObject();
    const foundation::Class* isa() const override;

    using StatusBlock = std::function<void(NKNetworkReachabilityStatus status)>;

    static foundation::Ref<NKNetworkReachabilityManager> sharedManager();
    static foundation::Ref<NKNetworkReachabilityManager> manager(); // the network in general
    static foundation::Ref<NKNetworkReachabilityManager> managerForDomain(const std::string& domain);
    static foundation::Ref<NKNetworkReachabilityManager> managerForAddress(const sockaddr* address);
    // Raises NSGenericException: managers are made with the factories or from a reachability.
    static foundation::Ref<NKNetworkReachabilityManager> init();

    explicit NKNetworkReachabilityManager(std::unique_ptr<net::Reachability> reachability); // initWithReachability
    ~NKNetworkReachabilityManager() override;
    NKNetworkReachabilityManager(const NKNetworkReachabilityManager&) = delete;
    NKNetworkReachabilityManager& operator=(const NKNetworkReachabilityManager&) = delete;

    NKNetworkReachabilityStatus networkReachabilityStatus() const { return status_.load(); }
    bool isReachable() const { return isReachableViaWWAN() || isReachableViaWiFi(); }
    bool isReachableViaWWAN() const { return networkReachabilityStatus() == NKNetworkReachabilityStatusReachableViaWWAN; }
    bool isReachableViaWiFi() const { return networkReachabilityStatus() == NKNetworkReachabilityStatusReachableViaWiFi; }
    net::Reachability* networkReachability() const { return reachability_.get(); }

    void startMonitoring();
    void stopMonitoring();
    void setReachabilityStatusChangeBlock(StatusBlock block);
    std::string localizedNetworkReachabilityStatusString() const;

    static NKNetworkReachabilityStatus statusForFlags(std::uint32_t flags);

private:
    std::unique_ptr<net::Reachability> reachability_;
    std::atomic<NKNetworkReachabilityStatus> status_{NKNetworkReachabilityStatusUnknown};
    StatusBlock block_;
};

// "Not Reachable", "Reachable via WWAN", "Reachable via WiFi", otherwise "Unknown".
std::string NKStringFromNetworkReachabilityStatus(long status);
