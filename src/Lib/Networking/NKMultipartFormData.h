#pragma once

#include "Platform/Foundation/Object.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace foundation {
class Data;
class Error;
class URL;
} // namespace foundation

namespace net {
class InputStream;
}

using NKHeaderFields = std::vector<std::pair<std::string, std::string>>;

// What a multipart body block may add to the request being built.
class NKMultipartFormData {
public:
    virtual ~NKMultipartFormData() = default;
    // The file's name and its extension's MIME type ("application/octet-stream" when unknown).
    virtual bool appendPartWithFileURL(const foundation::Ref<foundation::URL>& fileURL, const std::string& name,
                                       foundation::Ref<foundation::Error>* error)
        = 0;
    virtual bool appendPartWithFileURL(const foundation::Ref<foundation::URL>& fileURL, const std::string& name, const std::string& fileName,
                                       const std::string& mimeType, foundation::Ref<foundation::Error>* error)
        = 0;
    // `length` must be the exact number of bytes the stream yields; a shorter stream fails the upload.
    virtual void appendPartWithInputStream(const foundation::Ref<net::InputStream>& inputStream, const std::string& name,
                                           const std::string& fileName, std::uint64_t length, const std::string& mimeType)
        = 0;
    virtual void appendPartWithFileData(const foundation::Ref<foundation::Data>& data, const std::string& name, const std::string& fileName,
                                        const std::string& mimeType)
        = 0;
    virtual void appendPartWithFormData(const foundation::Ref<foundation::Data>& data, const std::string& name) = 0;
    virtual void appendPartWithHeaders(const NKHeaderFields& headers, const foundation::Ref<foundation::Data>& body) = 0;
    // At most `numberOfBytes` per read, and a pause of `delay` seconds after each chunk.
    virtual void throttleBandwidthWithPacketSize(std::uint64_t numberOfBytes, double delay) = 0;
};
