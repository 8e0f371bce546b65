#pragma once

#include "Lib/ImageLoading/ILObservableSettings.h"
#include "Platform/Foundation/Object.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace net {
class URLCredential;
class URLRequest;
class URLSession;
class URLSessionConfiguration;
} // namespace net
class ILWebDownloaderOperationProtocol;

enum class ILWebDownloaderExecutionOrder : long { FIFO = 0, LIFO = 1 };

// Makes the operation for one URL (the operationClass). The result must also be a
// dispatch::Operation, else the downloader's own operation class is used.
using ILWebDownloaderOperationFactory = std::function<std::shared_ptr<ILWebDownloaderOperationProtocol>(
    const foundation::Ref<net::URLRequest>& request, const foundation::Ref<net::URLSession>& session,
    unsigned long options, const foundation::Ref<foundation::Dictionary>& context)>;

struct ILWebDownloaderConfigFields {
    long maxConcurrentDownloads = 6;
    double downloadTimeout = 15.0;
    double minimumProgressInterval = 0;
    foundation::Ref<net::URLSessionConfiguration> sessionConfiguration;
    ILWebDownloaderOperationFactory operationClass;
    ILWebDownloaderExecutionOrder executionOrder = ILWebDownloaderExecutionOrder::FIFO;
    foundation::Ref<net::URLCredential> urlCredential;
    std::optional<std::string> username;
    std::optional<std::string> password;
};

// The settings of a downloader. The downloader keeps a copy; a change of maxConcurrentDownloads
// on that copy reaches its queue at once, the other fields apply to later requests
// (sessionConfiguration only when the downloader is made). Thread-safe.
class ILWebDownloaderConfig : public ILObservableSettings<ILWebDownloaderConfigFields>,
                              public std::enable_shared_from_this<ILWebDownloaderConfig> {
public:
    using OperationFactory = ILWebDownloaderOperationFactory;

    static std::shared_ptr<ILWebDownloaderConfig> defaultDownloaderConfig();
    static std::shared_ptr<ILWebDownloaderConfig> create()
    {
        return std::make_shared<ILWebDownloaderConfig>();
    }
    // Every field; the session configuration is copied, not shared.
    std::shared_ptr<ILWebDownloaderConfig> copy() const;

    long maxConcurrentDownloads() const;
    void setMaxConcurrentDownloads(long count);
    // Seconds; 0 means 15.
    double downloadTimeout() const;
    void setDownloadTimeout(double seconds);
    // Fraction of the whole; the smallest progress step reported.
    double minimumProgressInterval() const;
    void setMinimumProgressInterval(double fraction);
    foundation::Ref<net::URLSessionConfiguration> sessionConfiguration() const;
    void setSessionConfiguration(foundation::Ref<net::URLSessionConfiguration> configuration);
    OperationFactory operationClass() const;
    void setOperationClass(OperationFactory factory);
    ILWebDownloaderExecutionOrder executionOrder() const;
    void setExecutionOrder(ILWebDownloaderExecutionOrder order);
    // Credentials are kept and handed to operations; the loading system raises no challenge that
    // asks for them (no HTTP authentication on this platform).
    foundation::Ref<net::URLCredential> urlCredential() const;
    void setUrlCredential(foundation::Ref<net::URLCredential> credential);
    std::optional<std::string> username() const;
    void setUsername(std::optional<std::string> name);
    std::optional<std::string> password() const;
    void setPassword(std::optional<std::string> password);

    ILWebDownloaderConfig() = default;
    ILWebDownloaderConfig(const ILWebDownloaderConfig&) = delete;
    ILWebDownloaderConfig& operator=(const ILWebDownloaderConfig&) = delete;
};
