#include "Lib/Networking/NKHTTPSessionManager.h"

#include "Lib/Networking/NKJSONResponseSerializer.h"
#include "Lib/Networking/NKSecurityPolicy.h"
#include "Platform/Foundation/Foundation.h"
#include "Platform/Storage/KeyedArchiver.h"
#include "Platform/Storage/KeyedUnarchiver.h"
#include "Platform/URLLoading/URLLoading.h"

using foundation::Id;
using foundation::Ref;

const foundation::Class* NKHTTPSessionManager::classObject()
{
    static const foundation::Class* cls = &foundation::Class::define("NKHTTPSessionManager", NKURLSessionManager::classObject(),
                                                          [] { return Ref<foundation::Object>(new NKHTTPSessionManager()); });
    return cls;
}

const foundation::Class* NKHTTPSessionManager::isa() const
{
    return classObject();
}

Ref<NKHTTPSessionManager> NKHTTPSessionManager::create(Ref<foundation::URL> baseURL, Ref<net::URLSessionConfiguration> configuration)
{
    Ref<NKHTTPSessionManager> manager(new NKHTTPSessionManager());
    manager->initWithBaseURL(std::move(baseURL), std::move(configuration));
    return manager;
}

void NKHTTPSessionManager::initWithBaseURL(Ref<foundation::URL> baseURL, Ref<net::URLSessionConfiguration> configuration)
{
    initWithSessionConfiguration(std::move(configuration));
    if (baseURL && baseURL->path() && baseURL->path()->length() > 0 && !baseURL->absoluteString().ends_with("/"))
        baseURL = baseURL->URLByAppendingPathComponent("");
    baseURL_ = std::move(baseURL);
    setRequestSerializer(NKHTTPRequestSerializer::serializer());
    setResponseSerializer(NKJSONResponseSerializer::serializer());
}

Ref<NKHTTPRequestSerializer> NKHTTPSessionManager::requestSerializer() const
{
    return requestSerializer_.get();
}

void NKHTTPSessionManager::setRequestSerializer(Ref<NKHTTPRequestSerializer> serializer)
{
    requestSerializer_.set(std::move(serializer));
}

void NKHTTPSessionManager::setSecurityPolicy(Ref<NKSecurityPolicy> policy)
{
    if (policy && policy->SSLPinningMode() != NKSSLPinningMode::None) {
        const auto scheme = baseURL_ ? baseURL_->scheme() : nullptr;
        if (!scheme || scheme->utf8() != "https") {
            foundation::misuse("Invalid Security Policy",
                               foundation::format("A security policy configured with `%@` can only be applied on a manager with a secure "
                                                  "base URL (i.e. https)",
                                                  NKSSLPinningModeName(policy->SSLPinningMode())),
                               foundation::MisuseDefault::Ignore);
            return;
        }
    }
    NKURLSessionManager::setSecurityPolicy(std::move(policy));
}

std::string NKHTTPSessionManager::fullURLString(std::string_view URLString) const
{
    if (!baseURL_)
        return std::string(URLString);
    auto url = foundation::URL::URLWithString(URLString, baseURL_);
    return url ? url->absoluteString() : std::string();
}

void NKHTTPSessionManager::failEarly(const Failure& failure, const Ref<foundation::Error>& error) const
{
    if (!failure)
        return;
    auto queue = completionQueue();
    dispatch::Queue& target = queue ? *queue : dispatch::mainQueue();
    target.async([failure, error] { failure(nullptr, error); });
}

NKCompletionHandler NKHTTPSessionManager::completionFor(const std::shared_ptr<Ref<net::URLSessionDataTask>>& taskSlot, Success success,
                                                        Failure failure) const
{
    return [taskSlot, success = std::move(success), failure = std::move(failure)](const Ref<net::URLResponse>&, const Id& responseObject,
                                                                                    const Ref<foundation::Error>& error) {
        const Ref<net::URLSessionDataTask> task = std::exchange(*taskSlot, nullptr);
        if (error) {
            if (failure)
                failure(task, error);
        } else if (success) {
            success(task, responseObject);
        }
    };
}

Ref<net::URLSessionDataTask> NKHTTPSessionManager::dataTaskWithHTTPMethod(std::string_view method, std::string_view URLString, const Id& parameters,
                                                                          NKProgressBlock uploadProgress, NKProgressBlock downloadProgress,
                                                                          Success success, Failure failure)
{
    Ref<foundation::Error> serializationError;
    auto serializer = requestSerializer();
    auto request = serializer->requestWithMethod(method, fullURLString(URLString), parameters, &serializationError);
    if (serializationError || !request) {
        failEarly(failure, serializationError);
        return nullptr;
    }
    auto slot = std::make_shared<Ref<net::URLSessionDataTask>>();
    auto task = dataTaskWithRequest(request, std::move(uploadProgress), std::move(downloadProgress),
                                    completionFor(slot, std::move(success), std::move(failure)));
    *slot = task;
    return task;
}

Ref<net::URLSessionDataTask> NKHTTPSessionManager::GET(std::string_view URLString, const Id& parameters, Success success, Failure failure)
{
    return GET(URLString, parameters, nullptr, std::move(success), std::move(failure));
}

Ref<net::URLSessionDataTask> NKHTTPSessionManager::GET(std::string_view URLString, const Id& parameters, NKProgressBlock downloadProgress,
                                                       Success success, Failure failure)
{
    auto task = dataTaskWithHTTPMethod("GET", URLString, parameters, nullptr, std::move(downloadProgress), std::move(success), std::move(failure));
    if (task)
        task->resume();
    return task;
}

Ref<net::URLSessionDataTask> NKHTTPSessionManager::HEAD(std::string_view URLString, const Id& parameters, HeadSuccess success, Failure failure)
{
    Success wrapped;
    if (success)
        wrapped = [success = std::move(success)](const Ref<net::URLSessionDataTask>& task, const Id&) { success(task); };
    auto task = dataTaskWithHTTPMethod("HEAD", URLString, parameters, nullptr, nullptr, std::move(wrapped), std::move(failure));
    if (task)
        task->resume();
    return task;
}

Ref<net::URLSessionDataTask> NKHTTPSessionManager::POST(std::string_view URLString, const Id& parameters, Success success, Failure failure)
{
    return POST(URLString, parameters, NKProgressBlock(), std::move(success), std::move(failure));
}

Ref<net::URLSessionDataTask> NKHTTPSessionManager::POST(std::string_view URLString, const Id& parameters, NKProgressBlock uploadProgress,
                                                        Success success, Failure failure)
{
    auto task = dataTaskWithHTTPMethod("POST", URLString, parameters, std::move(uploadProgress), nullptr, std::move(success), std::move(failure));
    if (task)
        task->resume();
    return task;
}

Ref<net::URLSessionDataTask> NKHTTPSessionManager::POSTConstructingBodyWithBlock(std::string_view URLString, const Id& parameters,
                                                                                 const NKHTTPRequestSerializer::MultipartBodyBlock& block,
                                                                                 Success success, Failure failure)
{
    return POSTConstructingBodyWithBlock(URLString, parameters, block, nullptr, std::move(success), std::move(failure));
}

Ref<net::URLSessionDataTask> NKHTTPSessionManager::POSTConstructingBodyWithBlock(std::string_view URLString, const Id& parameters,
                                                                                 const NKHTTPRequestSerializer::MultipartBodyBlock& block,
                                                                                 NKProgressBlock uploadProgress, Success success, Failure failure)
{
    Ref<foundation::Error> serializationError;
    auto request = requestSerializer()->multipartFormRequestWithMethod("POST", fullURLString(URLString), parameters, block, &serializationError);
    if (serializationError || !request) {
        failEarly(failure, serializationError);
        return nullptr;
    }
    auto slot = std::make_shared<Ref<net::URLSessionDataTask>>();
    Ref<net::URLSessionDataTask> task
        = uploadTaskWithStreamedRequest(request, std::move(uploadProgress), completionFor(slot, std::move(success), std::move(failure)));
    *slot = task;
    if (task)
        task->resume();
    return task;
}

Ref<net::URLSessionDataTask> NKHTTPSessionManager::PUT(std::string_view URLString, const Id& parameters, Success success, Failure failure)
{
    auto task = dataTaskWithHTTPMethod("PUT", URLString, parameters, nullptr, nullptr, std::move(success), std::move(failure));
    if (task)
        task->resume();
    return task;
}

Ref<net::URLSessionDataTask> NKHTTPSessionManager::PATCH(std::string_view URLString, const Id& parameters, Success success, Failure failure)
{
    auto task = dataTaskWithHTTPMethod("PATCH", URLString, parameters, nullptr, nullptr, std::move(success), std::move(failure));
    if (task)
        task->resume();
    return task;
}

Ref<net::URLSessionDataTask> NKHTTPSessionManager::DELETE(std::string_view URLString, const Id& parameters, Success success, Failure failure)
{
    auto task = dataTaskWithHTTPMethod("DELETE", URLString, parameters, nullptr, nullptr, std::move(success), std::move(failure));
    if (task)
        task->resume();
    return task;
}

std::string NKHTTPSessionManager::description() const
{
    return foundation::format("<%@: %p, baseURL: %@, session: %@, operationQueue: %@>", isa()->name(), this,
                              baseURL_ ? Id(baseURL_->absoluteString()) : Id(), Id(session()), operationQueue()->label());
}

Ref<NKURLSessionManager> NKHTTPSessionManager::makeEmptyCopy() const
{
    auto other = create(baseURL_, session()->configuration());
    other->setRequestSerializer(std::static_pointer_cast<NKHTTPRequestSerializer>(requestSerializer()->copy()));
    other->setResponseSerializer(std::static_pointer_cast<NKHTTPResponseSerializer>(responseSerializer()->copy()));
    other->NKURLSessionManager::setSecurityPolicy(std::static_pointer_cast<NKSecurityPolicy>(securityPolicy()->copy()));
    return other;
}

void NKHTTPSessionManager::encodeWithCoder(foundation::KeyedArchiver& coder) const
{
    NKURLSessionManager::encodeWithCoder(coder);
    coder.encodeObject(Id(baseURL_), "baseURL");
    coder.encodeObject(Id(requestSerializer()), "requestSerializer");
    coder.encodeObject(Id(responseSerializer()), "responseSerializer");
    coder.encodeObject(Id(securityPolicy()), "securityPolicy");
}

void NKHTTPSessionManager::initWithCoder(foundation::KeyedUnarchiver& coder)
{
    initWithBaseURL(coder.decodeObjectForKey("baseURL").as<foundation::URL>(), NKSessionConfigurationFromCoder(coder));
    if (auto serializer = coder.decodeObjectForKey("requestSerializer").as<NKHTTPRequestSerializer>())
        setRequestSerializer(serializer);
    if (auto serializer = coder.decodeObjectForKey("responseSerializer").as<NKHTTPResponseSerializer>())
        setResponseSerializer(serializer);
    if (auto policy = coder.decodeObjectForKey("securityPolicy").as<NKSecurityPolicy>())
        setSecurityPolicy(policy);
}
