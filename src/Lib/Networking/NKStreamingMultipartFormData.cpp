#include "Lib/Networking/NKStreamingMultipartFormData.h"

#include "Lib/Networking/NKNetworking.h"
#include "Platform/Foundation/Foundation.h"
#include "Platform/URLLoading/URLError.h"
#include "Platform/URLLoading/URLRequest.h"

#include <filesystem>
#include <random>

using foundation::Id;
using foundation::Ref;

namespace {

std::string makeBoundary()
{
    std::random_device device;
    std::mt19937 generator(device());
    std::uniform_int_distribution<std::uint32_t> distribution;
    return foundation::format("Boundary+%08X%08X", distribution(generator), distribution(generator));
}

Ref<foundation::Error> fileURLError(const std::string& reason)
{
    auto userInfo = foundation::MutableDictionary::create();
    userInfo->setObject(Id(NKLocalizedString(reason)), Id(foundation::NSLocalizedFailureReasonErrorKey));
    return foundation::Error::errorWithDomain(NKURLRequestSerializationErrorDomain, net::NSURLErrorBadURL, userInfo);
}

} // namespace

NKStreamingMultipartFormData::NKStreamingMultipartFormData(const Ref<net::URLRequest>& request, unsigned long stringEncoding)
    : request_(request->clone())
    , stringEncoding_(stringEncoding)
    , boundary_(makeBoundary())
    , bodyStream_(std::make_shared<NKMultipartBodyStream>(stringEncoding))
{
}

void NKStreamingMultipartFormData::setRequest(const Ref<net::URLRequest>& request)
{
    request_ = request->clone();
}

bool NKStreamingMultipartFormData::appendPartWithFileURL(const Ref<foundation::URL>& fileURL, const std::string& name, Ref<foundation::Error>* error)
{
    const auto last = fileURL ? fileURL->lastPathComponent() : nullptr;
    const auto extension = fileURL ? fileURL->pathExtension() : nullptr;
    return appendPartWithFileURL(fileURL, name, last ? last->utf8() : std::string(),
                                 NKContentTypeForPathExtension(extension ? extension->utf8() : std::string()), error);
}

bool NKStreamingMultipartFormData::appendPartWithFileURL(const Ref<foundation::URL>& fileURL, const std::string& name, const std::string& fileName,
                                                         const std::string& mimeType, Ref<foundation::Error>* error)
{
    if (!fileURL || !fileURL->isFileURL()) {
        if (error)
            *error = fileURLError("Expected URL to be a file URL");
        return false;
    }
    const std::filesystem::path path = fileURL->path() ? fileURL->path()->utf8() : std::string();
    std::error_code code;
    if (!std::filesystem::exists(path, code)) {
        if (error)
            *error = fileURLError("File URL not reachable.");
        return false;
    }
    const auto size = std::filesystem::file_size(path, code);
    if (code) {
        if (error)
            *error = foundation::fileReadError(path, code.value());
        return false;
    }
    NKHeaderFields headers{{"Content-Disposition", foundation::format("form-data; name=\"%@\"; filename=\"%@\"", name, fileName)},
                           {"Content-Type", mimeType}};
    bodyStream_->appendHTTPBodyPart(std::make_shared<NKHTTPBodyPart>(std::move(headers), boundary_, fileURL, size));
    return true;
}

void NKStreamingMultipartFormData::appendPartWithInputStream(const Ref<net::InputStream>& inputStream, const std::string& name,
                                                             const std::string& fileName, std::uint64_t length, const std::string& mimeType)
{
    NKHeaderFields headers{{"Content-Disposition", foundation::format("form-data; name=\"%@\"; filename=\"%@\"", name, fileName)},
                           {"Content-Type", mimeType}};
    bodyStream_->appendHTTPBodyPart(std::make_shared<NKHTTPBodyPart>(std::move(headers), boundary_, inputStream, length));
}

void NKStreamingMultipartFormData::appendPartWithFileData(const Ref<foundation::Data>& data, const std::string& name, const std::string& fileName,
                                                          const std::string& mimeType)
{
    appendPartWithHeaders({{"Content-Disposition", foundation::format("form-data; name=\"%@\"; filename=\"%@\"", name, fileName)},
                           {"Content-Type", mimeType}},
                          data);
}

void NKStreamingMultipartFormData::appendPartWithFormData(const Ref<foundation::Data>& data, const std::string& name)
{
    appendPartWithHeaders({{"Content-Disposition", foundation::format("form-data; name=\"%@\"", name)}}, data);
}

void NKStreamingMultipartFormData::appendPartWithHeaders(const NKHeaderFields& headers, const Ref<foundation::Data>& body)
{
    const std::uint64_t length = body ? body->length() : 0;
    bodyStream_->appendHTTPBodyPart(std::make_shared<NKHTTPBodyPart>(headers, boundary_, body, length));
}

void NKStreamingMultipartFormData::throttleBandwidthWithPacketSize(std::uint64_t numberOfBytes, double delay)
{
    bodyStream_->setNumberOfBytesInPacket(numberOfBytes);
    bodyStream_->setDelay(delay);
}

Ref<net::URLRequest> NKStreamingMultipartFormData::requestByFinalizingMultipartFormData()
{
    if (bodyStream_->isEmpty())
        return request_;
    bodyStream_->setInitialAndFinalBoundaries();
    request_->setHTTPBodyStream(bodyStream_);
    request_->setValue(foundation::format("multipart/form-data; boundary=%@", boundary_), "Content-Type");
    request_->setValue(foundation::format("%llu", bodyStream_->contentLength()), "Content-Length");
    return request_;
}
