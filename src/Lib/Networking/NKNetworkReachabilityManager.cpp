#include "Lib/Networking/NKNetworkReachabilityManager.h"

#include "Lib/Networking/NKNetworking.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/Foundation/Foundation.h"
#include "Platform/Reachability/Reachability.h"

#include <netinet/in.h>

using foundation::Id;
using foundation::Ref;

namespace {

using StatusCallback = std::function<void(NKNetworkReachabilityStatus)>;

void postChange(std::uint32_t flags, const StatusCallback& callback)
{
    const auto status = NKNetworkReachabilityManager::statusForFlags(flags);
    dispatch::mainQueue().async([status, callback] {
        if (callback)
            callback(status);
        auto userInfo = foundation::Dictionary::create({{Id(NKNetworkingReachabilityNotificationStatusItem), Id(static_cast<long>(status))}});
        dispatch::NotificationCenter::defaultCenter().post(std::string(NKNetworkingReachabilityDidChangeNotification), nullptr, userInfo);
    });
}

} // namespace

const foundation::Class* NKNetworkReachabilityManager::classObject()
{
    static const foundation::Class* cls = &foundation::Class::define("NKNetworkReachabilityManager", Object::classObject());
    return cls;
}

const foundation::Class* NKNetworkReachabilityManager::isa() const
{
    return classObject();
}

std::string NKStringFromNetworkReachabilityStatus(long status)
{
    switch (status) {
    case NKNetworkReachabilityStatusNotReachable:
        return NKLocalizedString("Not Reachable");
    case NKNetworkReachabilityStatusReachableViaWWAN:
        return NKLocalizedString("Reachable via WWAN");
    case NKNetworkReachabilityStatusReachableViaWiFi:
        return NKLocalizedString("Reachable via WiFi");
    default:
        return NKLocalizedString("Unknown");
    }
}

NKNetworkReachabilityStatus NKNetworkReachabilityManager::statusForFlags(std::uint32_t flags)
{
    const bool reachable = (flags & net::kReachabilityReachable) != 0;
    const bool needsConnection = (flags & net::kReachabilityConnectionRequired) != 0;
    const bool canConnectAutomatically = (flags & (net::kReachabilityConnectionOnDemand | net::kReachabilityConnectionOnTraffic)) != 0;
    const bool canConnectWithoutUser = canConnectAutomatically && (flags & net::kReachabilityInterventionRequired) == 0;
    if (reachable && (!needsConnection || canConnectWithoutUser))
        return NKNetworkReachabilityStatusReachableViaWiFi;
    return NKNetworkReachabilityStatusNotReachable;
}

Ref<NKNetworkReachabilityManager> NKNetworkReachabilityManager::sharedManager()
{
    static const Ref<NKNetworkReachabilityManager> shared = manager();
    return shared;
}

Ref<NKNetworkReachabilityManager> NKNetworkReachabilityManager::manager()
{
    sockaddr_in6 address{};
    address.sin6_family = AF_INET6;
    return managerForAddress(reinterpret_cast<const sockaddr*>(&address));
}

Ref<NKNetworkReachabilityManager> NKNetworkReachabilityManager::managerForDomain(const std::string& domain)
{
    return std::make_shared<NKNetworkReachabilityManager>(net::Reachability::createWithName(domain));
}

Ref<NKNetworkReachabilityManager> NKNetworkReachabilityManager::managerForAddress(const sockaddr* address)
{
    return std::make_shared<NKNetworkReachabilityManager>(net::Reachability::createWithAddress(address));
}

Ref<NKNetworkReachabilityManager> NKNetworkReachabilityManager::init()
{
    foundation::misuse(foundation::NSGenericException, "`-init` unavailable. Use `-initWithReachability:` instead",
                       foundation::MisuseDefault::ReturnNil);
    return nullptr;
}

NKNetworkReachabilityManager::NKNetworkReachabilityManager(std::unique_ptr<net::Reachability> reachability)
    : reachability_(std::move(reachability))
{
}

NKNetworkReachabilityManager::~NKNetworkReachabilityManager()
{
    stopMonitoring();
}

void NKNetworkReachabilityManager::setReachabilityStatusChangeBlock(StatusBlock block)
{
    block_ = std::move(block);
}

std::string NKNetworkReachabilityManager::localizedNetworkReachabilityStatusString() const
{
    return NKStringFromNetworkReachabilityStatus(networkReachabilityStatus());
}

void NKNetworkReachabilityManager::startMonitoring()
{
    stopMonitoring();
    if (!reachability_)
        return;
    std::weak_ptr<NKNetworkReachabilityManager> weak = std::static_pointer_cast<NKNetworkReachabilityManager>(self());
    StatusCallback callback = [weak](NKNetworkReachabilityStatus status) {
        auto strong = weak.lock();
        if (!strong)
            return;
        strong->status_ = status;
        if (strong->block_)
            strong->block_(status);
    };
    reachability_->setCallback([callback](std::uint32_t flags) { postChange(flags, callback); });
    reachability_->scheduleOnQueue(dispatch::mainQueue());
    dispatch::globalQueue(dispatch::Priority::Background).async([weak, callback] {
        auto strong = weak.lock();
        std::uint32_t flags = 0;
        if (strong && strong->reachability_->getFlags(flags))
            postChange(flags, callback);
    });
}

void NKNetworkReachabilityManager::stopMonitoring()
{
    if (reachability_)
        reachability_->unschedule();
}
