#pragma once

#include "Lib/Networking/NKMultipartBodyStream.h"
#include "Lib/Networking/NKMultipartFormData.h"

namespace net {
class URLRequest;
}

// Collects the parts of one multipart request and finalises it with the streamed body,
// "Content-Type: multipart/form-data; boundary=..." and the exact Content-Length.
class NKStreamingMultipartFormData final : public NKMultipartFormData {
public:
    NKStreamingMultipartFormData(const foundation::Ref<net::URLRequest>& request, unsigned long stringEncoding);

    const foundation::Ref<net::URLRequest>& request() const { return request_; }
    void setRequest(const foundation::Ref<net::URLRequest>& request);
    unsigned long stringEncoding() const { return stringEncoding_; }
    // "Boundary+" and sixteen upper-case hexadecimal digits.
    const std::string& boundary() const { return boundary_; }
    const foundation::Ref<NKMultipartBodyStream>& bodyStream() const { return bodyStream_; }

    bool appendPartWithFileURL(const foundation::Ref<foundation::URL>& fileURL, const std::string& name,
                               foundation::Ref<foundation::Error>* error) override;
    bool appendPartWithFileURL(const foundation::Ref<foundation::URL>& fileURL, const std::string& name, const std::string& fileName,
                               const std::string& mimeType, foundation::Ref<foundation::Error>* error) override;
    void appendPartWithInputStream(const foundation::Ref<net::InputStream>& inputStream, const std::string& name, const std::string& fileName,
                                   std::uint64_t length, const std::string& mimeType) override;
    void appendPartWithFileData(const foundation::Ref<foundation::Data>& data, const std::string& name, const std::string& fileName,
                                const std::string& mimeType) override;
    void appendPartWithFormData(const foundation::Ref<foundation::Data>& data, const std::string& name) override;
    void appendPartWithHeaders(const NKHeaderFields& headers, const foundation::Ref<foundation::Data>& body) override;
    void throttleBandwidthWithPacketSize(std::uint64_t numberOfBytes, double delay) override;

    foundation::Ref<net::URLRequest> requestByFinalizingMultipartFormData();

private:
    foundation::Ref<net::URLRequest> request_;
    unsigned long stringEncoding_;
    std::string boundary_;
    foundation::Ref<NKMultipartBodyStream> bodyStream_;
};

// The preferred MIME type of a file extension from the shared-mime-info database, or
// "application/octet-stream".
std::string NKContentTypeForPathExtension(const std::string& extension);
