// The multipart entry points of NKHTTPRequestSerializer.
#include "Lib/Networking/NKHTTPRequestSerializer.h"
#include "Lib/Networking/NKQueryString.h"
#include "Lib/Networking/NKStreamingMultipartFormData.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/Foundation/Foundation.h"
#include "Platform/URLLoading/URLError.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

using foundation::Id;
using foundation::Ref;

Ref<net::URLRequest> NKHTTPRequestSerializer::multipartFormRequestWithMethod(std::string_view method, std::string_view URLString,
                                                                             const Id& parameters, const MultipartBodyBlock& block,
                                                                             Ref<foundation::Error>* error) const
{
    auto request = requestWithMethod(method, URLString, nullptr, error);
    if (!request)
        return nullptr;
    NKStreamingMultipartFormData formData(request, NKUTF8StringEncoding);
    if (!parameters.isNil()) {
        for (const auto& pair : NKQueryPairsFromParameters(parameters)) {
            Ref<foundation::Data> data;
            if (auto bytes = pair->value().as<foundation::Data>())
                data = bytes;
            else if (pair->value().isNull())
                data = foundation::Data::create();
            else if (!pair->value().isNil())
                data = foundation::Data::create(pair->value().description());
            if (data)
                formData.appendPartWithFormData(data, pair->field().description());
        }
    }
    if (block)
        block(formData);
    return formData.requestByFinalizingMultipartFormData();
}

namespace {

Ref<foundation::Error> copyStreamToFile(net::InputStream& input, const std::string& path)
{
    if (!input.open())
        return net::makeURLError(net::NSURLErrorRequestBodyStreamExhausted, nullptr);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        const int failure = errno;
        input.close();
        return foundation::fileWriteError(path, failure);
    }
    Ref<foundation::Error> error;
    std::uint8_t buffer[1024];
    while (true) {
        const std::ptrdiff_t read = input.read(buffer, sizeof buffer);
        if (read < 0) {
            auto* multipart = dynamic_cast<NKMultipartBodyStream*>(&input);
            error = multipart && multipart->streamError() ? multipart->streamError()
                                                          : net::makeURLError(net::NSURLErrorRequestBodyStreamExhausted, nullptr);
            break;
        }
        if (read == 0)
            break;
        std::ptrdiff_t written = 0;
        while (written < read) {
            const ssize_t count = ::write(fd, buffer + written, static_cast<std::size_t>(read - written));
            if (count < 0 && errno == EINTR)
                continue;
            if (count <= 0) {
                error = foundation::fileWriteError(path, count < 0 ? errno : ENOSPC);
                break;
            }
            written += count;
        }
        if (error)
            break;
    }
    if (::close(fd) != 0 && !error)
        error = foundation::fileWriteError(path, errno);
    input.close();
    return error;
}

} // namespace

Ref<net::URLRequest> NKHTTPRequestSerializer::requestWithMultipartFormRequest(const Ref<net::URLRequest>& request, const Ref<foundation::URL>& fileURL,
                                                                              WriteCompletionHandler handler) const
{
    auto input = request->HTTPBodyStream();
    const std::string path = fileURL && fileURL->path() ? fileURL->path()->utf8() : std::string();
    dispatch::globalQueue().async([input, path, handler] {
        Ref<foundation::Error> error = input ? copyStreamToFile(*input, path) : nullptr;
        if (handler)
            dispatch::mainQueue().async([handler, error] { handler(error); });
    });
    auto copy = request->clone();
    copy->setHTTPBodyStream(nullptr);
    return copy;
}
