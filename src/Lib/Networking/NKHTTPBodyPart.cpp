#include "Lib/Networking/NKHTTPBodyPart.h"

#include "Lib/Networking/NKNetworking.h"
#include "Platform/Foundation/Foundation.h"
#include "Platform/URLLoading/InputStream.h"

#include <algorithm>
#include <cstring>

using foundation::Id;
using foundation::Ref;

namespace {
constexpr std::string_view kCRLF = "\r\n";
}

NKHTTPBodyPart::NKHTTPBodyPart(NKHeaderFields headers, std::string boundary, Body body, std::uint64_t bodyContentLength)
    : headers_(std::move(headers))
    , boundary_(std::move(boundary))
    , body_(std::move(body))
    , bodyContentLength_(bodyContentLength)
{
}

NKHTTPBodyPart::~NKHTTPBodyPart()
{
    if (inputStream_ && inputState_ != InputState::Closed)
        inputStream_->close();
}

std::string NKHTTPBodyPart::openingText() const
{
    return hasInitialBoundary_ ? foundation::format("--%@%@", boundary_, kCRLF) : foundation::format("%@--%@%@", kCRLF, boundary_, kCRLF);
}

std::string NKHTTPBodyPart::closingText() const
{
    return hasFinalBoundary_ ? foundation::format("%@--%@--%@", kCRLF, boundary_, kCRLF) : std::string();
}

std::string NKHTTPBodyPart::stringForHeaders() const
{
    std::string text;
    for (const auto& [field, value] : headers_)
        text += foundation::format("%@: %@%@", field, value, kCRLF);
    text += kCRLF;
    return text;
}

std::uint64_t NKHTTPBodyPart::contentLength() const
{
    return openingText().size() + stringForHeaders().size() + bodyContentLength_ + closingText().size();
}

bool NKHTTPBodyPart::hasBytesAvailable() const
{
    if (phase_ == Phase::FinalBoundary)
        return true;
    return inputState_ == InputState::NotOpen || inputState_ == InputState::Open;
}

Ref<NKHTTPBodyPart> NKHTTPBodyPart::clone() const
{
    return std::make_shared<NKHTTPBodyPart>(headers_, boundary_, body_, bodyContentLength_);
}

const Ref<net::InputStream>& NKHTTPBodyPart::inputStream()
{
    if (!inputStream_) {
        if (const auto* data = std::get_if<Ref<foundation::Data>>(&body_); data && *data)
            inputStream_ = net::InputStream::inputStreamWithData(*data);
        else if (const auto* url = std::get_if<Ref<foundation::URL>>(&body_); url && *url && (*url)->path())
            inputStream_ = net::InputStream::inputStreamWithFileAtPath((*url)->path()->utf8());
        else if (const auto* stream = std::get_if<Ref<net::InputStream>>(&body_); stream && *stream)
            inputStream_ = *stream;
        else
            inputStream_ = net::InputStream::inputStreamWithData(foundation::Data::create());
    }
    return inputStream_;
}

void NKHTTPBodyPart::fail(std::string reason)
{
    inputState_ = InputState::Failed;
    auto userInfo = foundation::MutableDictionary::create();
    userInfo->setObject(Id(NKLocalizedString(reason)), Id(foundation::NSLocalizedDescriptionKey));
    error_ = foundation::Error::errorWithDomain(foundation::NSCocoaErrorDomain, foundation::NSFileReadUnknownError, userInfo);
}

void NKHTTPBodyPart::transitionToNextPhase()
{
    // Runs on the reading thread: a hop to the main thread here would deadlock a main thread
    // that waits for the body.
    switch (phase_) {
    case Phase::Boundary:
        phase_ = Phase::Headers;
        break;
    case Phase::Headers:
        phase_ = Phase::Body;
        if (inputState_ == InputState::NotOpen) {
            if (inputStream()->open())
                inputState_ = InputState::Open;
            else
                fail("The body of a multipart part could not be opened.");
        }
        break;
    case Phase::Body:
        phase_ = Phase::FinalBoundary;
        if (inputStream_ && inputState_ != InputState::Failed) {
            inputStream_->close();
            inputState_ = InputState::Closed;
        }
        break;
    case Phase::FinalBoundary:
        phase_ = Phase::Boundary;
        break;
    }
    phaseReadOffset_ = 0;
}

std::size_t NKHTTPBodyPart::readText(const std::string& text, std::uint8_t* buffer, std::size_t length)
{
    const std::size_t remaining = text.size() - static_cast<std::size_t>(phaseReadOffset_);
    const std::size_t count = std::min(remaining, length);
    if (count > 0)
        std::memcpy(buffer, text.data() + phaseReadOffset_, count);
    phaseReadOffset_ += count;
    if (phaseReadOffset_ >= text.size())
        transitionToNextPhase();
    return count;
}

std::ptrdiff_t NKHTTPBodyPart::readBody(std::uint8_t* buffer, std::size_t length)
{
    if (inputState_ == InputState::Failed)
        return -1;
    const std::uint64_t left = bodyContentLength_ - bodyBytesRead_;
    const std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(left, length));
    if (wanted == 0 && left > 0)
        return 0;
    std::ptrdiff_t count = 0;
    if (wanted > 0) {
        count = inputStream()->read(buffer, wanted);
        if (count < 0) {
            fail("The body of a multipart part could not be read.");
            return -1;
        }
        if (count == 0) {
            // The stream ended before the length declared in Content-Length.
            fail(foundation::format("A multipart part ended after %llu of %llu bytes.", bodyBytesRead_, bodyContentLength_));
            return -1;
        }
        bodyBytesRead_ += static_cast<std::uint64_t>(count);
    }
    if (bodyBytesRead_ == bodyContentLength_) {
        inputState_ = InputState::AtEnd;
        transitionToNextPhase();
    }
    return count;
}

std::ptrdiff_t NKHTTPBodyPart::read(std::uint8_t* buffer, std::size_t length)
{
    std::size_t total = 0;
    if (phase_ == Phase::Boundary)
        total += readText(openingText(), buffer, length);
    if (phase_ == Phase::Headers)
        total += readText(stringForHeaders(), buffer + total, length - total);
    if (phase_ == Phase::Body) {
        const std::ptrdiff_t count = readBody(buffer + total, length - total);
        if (count < 0)
            return -1;
        total += static_cast<std::size_t>(count);
    }
    if (phase_ == Phase::FinalBoundary)
        total += readText(closingText(), buffer + total, length - total);
    return static_cast<std::ptrdiff_t>(total);
}
