#include "Lib/ImageLoading/ILWebDownloaderConfig.h"

#include "Platform/URLLoading/URLCredential.h"
#include "Platform/URLLoading/URLSessionConfiguration.h"

std::shared_ptr<ILWebDownloaderConfig> ILWebDownloaderConfig::defaultDownloaderConfig()
{
    static const auto config = std::make_shared<ILWebDownloaderConfig>();
    return config;
}

std::shared_ptr<ILWebDownloaderConfig> ILWebDownloaderConfig::copy() const
{
    auto other = std::make_shared<ILWebDownloaderConfig>();
    auto copied = fields();
    if (copied.sessionConfiguration)
        copied.sessionConfiguration = copied.sessionConfiguration->clone();
    other->setFields(std::move(copied));
    return other;
}

long ILWebDownloaderConfig::maxConcurrentDownloads() const
{
    return read(&ILWebDownloaderConfigFields::maxConcurrentDownloads);
}

void ILWebDownloaderConfig::setMaxConcurrentDownloads(long count)
{
    write(&ILWebDownloaderConfigFields::maxConcurrentDownloads, count, "maxConcurrentDownloads");
}

double ILWebDownloaderConfig::downloadTimeout() const
{
    return read(&ILWebDownloaderConfigFields::downloadTimeout);
}

void ILWebDownloaderConfig::setDownloadTimeout(double seconds)
{
    write(&ILWebDownloaderConfigFields::downloadTimeout, seconds, "downloadTimeout");
}

double ILWebDownloaderConfig::minimumProgressInterval() const
{
    return read(&ILWebDownloaderConfigFields::minimumProgressInterval);
}

void ILWebDownloaderConfig::setMinimumProgressInterval(double fraction)
{
    write(&ILWebDownloaderConfigFields::minimumProgressInterval, fraction, "minimumProgressInterval");
}

foundation::Ref<net::URLSessionConfiguration> ILWebDownloaderConfig::sessionConfiguration() const
{
    return read(&ILWebDownloaderConfigFields::sessionConfiguration);
}

void ILWebDownloaderConfig::setSessionConfiguration(
    foundation::Ref<net::URLSessionConfiguration> configuration)
{
    write(
        &ILWebDownloaderConfigFields::sessionConfiguration, std::move(configuration), "sessionConfiguration");
}

ILWebDownloaderConfig::OperationFactory ILWebDownloaderConfig::operationClass() const
{
    return read(&ILWebDownloaderConfigFields::operationClass);
}

void ILWebDownloaderConfig::setOperationClass(OperationFactory factory)
{
    write(&ILWebDownloaderConfigFields::operationClass, std::move(factory), "operationClass");
}

ILWebDownloaderExecutionOrder ILWebDownloaderConfig::executionOrder() const
{
    return read(&ILWebDownloaderConfigFields::executionOrder);
}

void ILWebDownloaderConfig::setExecutionOrder(ILWebDownloaderExecutionOrder order)
{
    write(&ILWebDownloaderConfigFields::executionOrder, order, "executionOrder");
}

foundation::Ref<net::URLCredential> ILWebDownloaderConfig::urlCredential() const
{
    return read(&ILWebDownloaderConfigFields::urlCredential);
}

void ILWebDownloaderConfig::setUrlCredential(foundation::Ref<net::URLCredential> credential)
{
    write(&ILWebDownloaderConfigFields::urlCredential, std::move(credential), "urlCredential");
}

std::optional<std::string> ILWebDownloaderConfig::username() const
{
    return read(&ILWebDownloaderConfigFields::username);
}

void ILWebDownloaderConfig::setUsername(std::optional<std::string> name)
{
    write(&ILWebDownloaderConfigFields::username, std::move(name), "username");
}

std::optional<std::string> ILWebDownloaderConfig::password() const
{
    return read(&ILWebDownloaderConfigFields::password);
}

void ILWebDownloaderConfig::setPassword(std::optional<std::string> password)
{
    write(&ILWebDownloaderConfigFields::password, std::move(password), "password");
}
