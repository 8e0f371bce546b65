#pragma once

#include "Lib/Networking/NKHTTPRequestSerializer.h"
#include "Lib/Networking/NKMultipartFormData.h"
#include "Lib/Networking/NKURLSessionManager.h"
#include "Platform/Foundation/Atomic.h"

#include <functional>
#include <string_view>

// The HTTP front end of the session manager: an optional base URL, a request serializer and one
// method per verb that builds the request, makes the task, resumes it and reports the decoded
// reply to `success` or the error to `failure` on the completion queue (the main queue unless
// set). `failure` gets a nil task when the request could not be built.
class NKHTTPSessionManager : public NKURLSessionManager {
public:
    static const foundation::Class* classObject();
    const foundation::Class* isa() const override;

    using Success = std::function<void(const foundation::Ref<net::URLSessionDataTask>& task, const foundation::Id& responseObject)>;
    using Failure = std::function<void(const foundation::Ref<net::URLSessionDataTask>& task, const foundation::Ref<foundation::Error>& error)>;
    using HeadSuccess = std::function<void(const foundation::Ref<net::URLSessionDataTask>& task)>;

    static foundation::Ref<NKHTTPSessionManager> manager() { return create(nullptr, nullptr); }
    // A base URL with a path gets a trailing "/" so that relative strings resolve below it.
    static foundation::Ref<NKHTTPSessionManager> create(foundation::Ref<foundation::URL> baseURL,
                                                        foundation::Ref<net::URLSessionConfiguration> configuration = nullptr);

    const foundation::Ref<foundation::URL>& baseURL() const { return baseURL_; }
    foundation::Ref<NKHTTPRequestSerializer> requestSerializer() const;
    void setRequestSerializer(foundation::Ref<NKHTTPRequestSerializer> serializer);
    // Raises "Invalid Security Policy" for a pinning policy without an "https" base URL.
    void setSecurityPolicy(foundation::Ref<NKSecurityPolicy> policy) override;

    foundation::Ref<net::URLSessionDataTask> GET(std::string_view URLString, const foundation::Id& parameters, Success success, Failure failure);
    foundation::Ref<net::URLSessionDataTask> GET(std::string_view URLString, const foundation::Id& parameters, NKProgressBlock downloadProgress,
                                                 Success success, Failure failure);
    foundation::Ref<net::URLSessionDataTask> HEAD(std::string_view URLString, const foundation::Id& parameters, HeadSuccess success, Failure failure);
    foundation::Ref<net::URLSessionDataTask> POST(std::string_view URLString, const foundation::Id& parameters, Success success, Failure failure);
    foundation::Ref<net::URLSessionDataTask> POST(std::string_view URLString, const foundation::Id& parameters, NKProgressBlock uploadProgress,
                                                  Success success, Failure failure);
    // Multipart POST (POST:parameters:constructingBodyWithBlock:...), streamed as an upload task.
    foundation::Ref<net::URLSessionDataTask> POSTConstructingBodyWithBlock(std::string_view URLString, const foundation::Id& parameters,
                                                                           const NKHTTPRequestSerializer::MultipartBodyBlock& block,
                                                                           Success success, Failure failure);
    foundation::Ref<net::URLSessionDataTask> POSTConstructingBodyWithBlock(std::string_view URLString, const foundation::Id& parameters,
                                                                           const NKHTTPRequestSerializer::MultipartBodyBlock& block,
                                                                           NKProgressBlock uploadProgress, Success success, Failure failure);
    foundation::Ref<net::URLSessionDataTask> PUT(std::string_view URLString, const foundation::Id& parameters, Success success, Failure failure);
    foundation::Ref<net::URLSessionDataTask> PATCH(std::string_view URLString, const foundation::Id& parameters, Success success, Failure failure);
    foundation::Ref<net::URLSessionDataTask> DELETE(std::string_view URLString, const foundation::Id& parameters, Success success, Failure failure);

    // The task, not resumed, or nil when the request could not be built.
    foundation::Ref<net::URLSessionDataTask> dataTaskWithHTTPMethod(std::string_view method, std::string_view URLString,
                                                                    const foundation::Id& parameters, NKProgressBlock uploadProgress,
                                                                    NKProgressBlock downloadProgress, Success success, Failure failure);

    std::string description() const override;
    void encodeWithCoder(foundation::KeyedArchiver& coder) const override;
    // A serializer missing from the archive keeps the default instead of leaving none.
    void initWithCoder(foundation::KeyedUnarchiver& coder) override;

protected:
    NKHTTPSessionManager() = default;
    foundation::Ref<NKURLSessionManager> makeEmptyCopy() const override;

private:
    void initWithBaseURL(foundation::Ref<foundation::URL> baseURL, foundation::Ref<net::URLSessionConfiguration> configuration);
    std::string fullURLString(std::string_view URLString) const;
    void failEarly(const Failure& failure, const foundation::Ref<foundation::Error>& error) const;
    NKCompletionHandler completionFor(const std::shared_ptr<foundation::Ref<net::URLSessionDataTask>>& taskSlot, Success success,
                                      Failure failure) const;

    foundation::Ref<foundation::URL> baseURL_;
    foundation::Atomic<foundation::Ref<NKHTTPRequestSerializer>> requestSerializer_;
};
