#pragma once

#include "Lib/Networking/NKMultipartFormData.h"

#include <cstddef>
#include <variant>

// One part of a multipart body, read in four phases: boundary, headers, body, closing boundary.
// A body that ends before `bodyContentLength` bytes, or fails, makes read() answer -1 with
// error() set. Read by one reader at a time.
class NKHTTPBodyPart final : public foundation::Object {
public:
    using Body = std::variant<foundation::Ref<foundation::Data>, foundation::Ref<foundation::URL>, foundation::Ref<net::InputStream>>;

    NKHTTPBodyPart(NKHeaderFields headers, std::string boundary, Body body, std::uint64_t bodyContentLength);
    ~NKHTTPBodyPart() override;
    NKHTTPBodyPart(const NKHTTPBodyPart&) = delete;
    NKHTTPBodyPart& operator=(const NKHTTPBodyPart&) = delete;

    const NKHeaderFields& headers() const { return headers_; }
    const std::string& boundary() const { return boundary_; }
    const Body& body() const { return body_; }
    std::uint64_t bodyContentLength() const { return bodyContentLength_; }
    bool hasInitialBoundary() const { return hasInitialBoundary_; }
    void setHasInitialBoundary(bool value) { hasInitialBoundary_ = value; }
    bool hasFinalBoundary() const { return hasFinalBoundary_; }
    void setHasFinalBoundary(bool value) { hasFinalBoundary_ = value; }

    std::uint64_t contentLength() const;
    bool hasBytesAvailable() const;
    std::ptrdiff_t read(std::uint8_t* buffer, std::size_t length);
    const foundation::Ref<foundation::Error>& error() const { return error_; }
    std::string stringForHeaders() const;

    // A fresh part over the same body, in the first phase, without boundary flags.
    foundation::Ref<NKHTTPBodyPart> clone() const;

private:
    enum class Phase { Boundary = 1, Headers = 2, Body = 3, FinalBoundary = 4 };
    enum class InputState { NotOpen, Open, AtEnd, Closed, Failed };

    std::string openingText() const;
    std::string closingText() const;
    std::size_t readText(const std::string& text, std::uint8_t* buffer, std::size_t length);
    std::ptrdiff_t readBody(std::uint8_t* buffer, std::size_t length);
    void transitionToNextPhase();
    const foundation::Ref<net::InputStream>& inputStream();
    void fail(std::string reason);

    NKHeaderFields headers_;
    std::string boundary_;
    Body body_;
    std::uint64_t bodyContentLength_;
    bool hasInitialBoundary_ = false;
    bool hasFinalBoundary_ = false;

    Phase phase_ = Phase::Boundary;
    std::uint64_t phaseReadOffset_ = 0;
    std::uint64_t bodyBytesRead_ = 0;
    foundation::Ref<net::InputStream> inputStream_;
    InputState inputState_ = InputState::NotOpen;
    foundation::Ref<foundation::Error> error_;
};
