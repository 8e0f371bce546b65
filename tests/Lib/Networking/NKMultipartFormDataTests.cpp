#include "Lib/Networking/NKHTTPRequestSerializer.h"
#include "Lib/Networking/NKMultipartBodyStream.h"
#include "Lib/Networking/NKNetworking.h"
#include "Lib/Networking/NKStreamingMultipartFormData.h"

#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Foundation/Foundation.h"
#include "Platform/URLLoading/URLRequest.h"
#include "Support/TempHome.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <regex>

using foundation::Data;
using foundation::Dictionary;
using foundation::Id;
using foundation::Ref;

namespace {

constexpr const char* kCRLF = "\r\n";

std::string readAll(net::InputStream& stream, std::size_t chunk)
{
    EXPECT_TRUE(stream.open());
    std::string out;
    std::vector<std::uint8_t> buffer(chunk);
    while (true) {
        const auto count = stream.read(buffer.data(), buffer.size());
        EXPECT_GE(count, 0);
        if (count <= 0)
            break;
        EXPECT_LE(static_cast<std::size_t>(count), chunk);
        out.append(reinterpret_cast<const char*>(buffer.data()), static_cast<std::size_t>(count));
    }
    stream.close();
    return out;
}

Ref<net::URLRequest> multipart(const Id& parameters, const NKHTTPRequestSerializer::MultipartBodyBlock& block)
{
    Ref<foundation::Error> error;
    auto request = NKHTTPRequestSerializer::serializer()->multipartFormRequestWithMethod("POST", "http://127.0.0.1/upload", parameters, block, &error);
    EXPECT_FALSE(error);
    return request;
}

std::string boundaryOf(const net::URLRequest& request)
{
    const std::string type = request.valueForHTTPHeaderField("Content-Type").value_or("");
    const std::string prefix = "multipart/form-data; boundary=";
    EXPECT_EQ(type.rfind(prefix, 0), 0u) << type;
    return type.substr(prefix.size());
}

// A source that yields fewer bytes than it promised, or fails.
class ShortStream final : public net::InputStream {
public:
    ShortStream(std::string bytes, bool failAtEnd)
        : bytes_(std::move(bytes))
        , failAtEnd_(failAtEnd)
    {
    }
    bool open() override { return true; }
    std::ptrdiff_t read(std::uint8_t* buffer, std::size_t capacity) override
    {
        if (offset_ == bytes_.size())
            return failAtEnd_ ? -1 : 0;
        const std::size_t count = std::min(capacity, bytes_.size() - offset_);
        std::memcpy(buffer, bytes_.data() + offset_, count);
        offset_ += count;
        return static_cast<std::ptrdiff_t>(count);
    }
    void close() override {}

private:
    std::string bytes_;
    bool failAtEnd_;
    std::size_t offset_ = 0;
};

} // namespace

TEST(NKMultipartWire, OneFieldIsExactBytes)
{
    auto request = multipart(Id(Dictionary::create({{Id("a"), Id(1)}})), nullptr);
    const std::string boundary = boundaryOf(*request);
    EXPECT_TRUE(std::regex_match(boundary, std::regex("Boundary\\+[0-9A-F]{16}")));
    const std::string expected = "--" + boundary + kCRLF + "Content-Disposition: form-data; name=\"a\"" + kCRLF + kCRLF + "1" + kCRLF + "--"
        + boundary + "--" + kCRLF;
    auto stream = std::dynamic_pointer_cast<NKMultipartBodyStream>(request->HTTPBodyStream());
    ASSERT_TRUE(stream);
    EXPECT_EQ(readAll(*stream, 4096), expected);
    EXPECT_EQ(request->valueForHTTPHeaderField("Content-Length"), std::to_string(expected.size()));
    EXPECT_FALSE(request->HTTPBody());
}

TEST(NKMultipartWire, PartsFromParametersAndBlockInOrder)
{
    auto request = multipart(Id(Dictionary::create({{Id("c"), Id(foundation::Null::null())}, {Id("a"), Id(Dictionary::create({{Id("b"), Id(1)}}))}})),
                             [](NKMultipartFormData& form) {
                                 form.appendPartWithFileData(Data::create("PNGDATA"), "image", "a.png", "image/png");
                             });
    const std::string b = boundaryOf(*request);
    const std::string expected = "--" + b + kCRLF + "Content-Disposition: form-data; name=\"a[b]\"" + kCRLF + kCRLF + "1" + kCRLF + "--" + b + kCRLF
        + "Content-Disposition: form-data; name=\"c\"" + kCRLF + kCRLF + kCRLF + "--" + b + kCRLF
        + "Content-Disposition: form-data; name=\"image\"; filename=\"a.png\"" + kCRLF + "Content-Type: image/png" + kCRLF + kCRLF + "PNGDATA" + kCRLF
        + "--" + b + "--" + kCRLF;
    auto stream = std::dynamic_pointer_cast<NKMultipartBodyStream>(request->HTTPBodyStream());
    EXPECT_EQ(readAll(*stream, 1), expected);
    EXPECT_EQ(stream->contentLength(), expected.size());
    // A second pass (a transfer sending the body again) gives the same bytes.
    EXPECT_EQ(readAll(*stream->reopened(), 7), expected);
}

TEST(NKMultipartWire, EmptyBuilderLeavesTheFormRequest)
{
    auto request = multipart(nullptr, nullptr);
    EXPECT_FALSE(request->HTTPBodyStream());
    EXPECT_EQ(request->valueForHTTPHeaderField("Content-Type"), "application/x-www-form-urlencoded");
    ASSERT_TRUE(request->HTTPBody());
    EXPECT_EQ(request->HTTPBody()->length(), 0u);
}

TEST(NKMultipartWire, ThrottledReadsNeverExceedThePacket)
{
    auto request = multipart(nullptr, [](NKMultipartFormData& form) {
        form.appendPartWithFormData(Data::create(std::string(5000, 'z')), "big");
        form.throttleBandwidthWithPacketSize(1024, 0);
    });
    auto stream = std::dynamic_pointer_cast<NKMultipartBodyStream>(request->HTTPBodyStream());
    EXPECT_EQ(stream->numberOfBytesInPacket(), 1024u);
    const std::string body = readAll(*stream, 1 << 20);
    EXPECT_EQ(body.size(), stream->contentLength());
    EXPECT_NE(body.find(std::string(5000, 'z')), std::string::npos);
}

TEST(NKMultipartFiles, FileURLPartsAndTheirErrors)
{
    const auto folder = testsupport::makeScratchDir("multipart");
    const auto path = folder / "glyphs.json";
    std::ofstream(path) << "{\"x\":1}";
    const auto odd = folder / "blob.zzqqxx";
    std::ofstream(odd) << "?";

    std::string body;
    auto request = multipart(nullptr, [&](NKMultipartFormData& form) {
        Ref<foundation::Error> error;
        EXPECT_TRUE(form.appendPartWithFileURL(foundation::URL::fileURLWithPath(path.string()), "file", &error));
        EXPECT_TRUE(form.appendPartWithFileURL(foundation::URL::fileURLWithPath(odd.string()), "odd", &error));

        EXPECT_FALSE(form.appendPartWithFileURL(foundation::URL::URLWithString("http://127.0.0.1/x.json"), "web", &error));
        ASSERT_TRUE(error);
        EXPECT_EQ(error->domain(), "com.ostrelle.error.serialization.request");
        EXPECT_EQ(error->code(), -1000);
        EXPECT_EQ(error->objectForUserInfoKey(foundation::NSLocalizedFailureReasonErrorKey).stringValue(), "Expected URL to be a file URL");

        EXPECT_FALSE(form.appendPartWithFileURL(foundation::URL::fileURLWithPath((folder / "missing.ttf").string()), "gone", &error));
        EXPECT_EQ(error->objectForUserInfoKey(foundation::NSLocalizedFailureReasonErrorKey).stringValue(), "File URL not reachable.");
    });
    auto stream = std::dynamic_pointer_cast<NKMultipartBodyStream>(request->HTTPBodyStream());
    ASSERT_EQ(stream->HTTPBodyParts().size(), 2u);
    body = readAll(*stream, 3);
    EXPECT_NE(body.find("name=\"file\"; filename=\"glyphs.json\"\r\nContent-Type: application/json\r\n\r\n{\"x\":1}\r\n"), std::string::npos) << body;
    EXPECT_NE(body.find("filename=\"blob.zzqqxx\"\r\nContent-Type: application/octet-stream\r\n"), std::string::npos) << body;
}

TEST(NKMultipartFailures, ShortOrFailingPartsAbortTheBody)
{
    for (const bool failAtEnd : {false, true}) {
        auto request = multipart(nullptr, [failAtEnd](NKMultipartFormData& form) {
            form.appendPartWithInputStream(std::make_shared<ShortStream>("abc", failAtEnd), "stream", "s.bin", 10, "application/octet-stream");
        });
        auto stream = std::dynamic_pointer_cast<NKMultipartBodyStream>(request->HTTPBodyStream());
        ASSERT_TRUE(stream->open());
        std::vector<std::uint8_t> buffer(4096);
        std::ptrdiff_t result = 0;
        int calls = 0;
        do {
            result = stream->read(buffer.data(), buffer.size());
        } while (result > 0 && ++calls < 10);
        EXPECT_EQ(result, -1) << "failAtEnd " << failAtEnd;
        ASSERT_TRUE(stream->streamError());
        EXPECT_LT(calls, 3);
    }
}

TEST(NKMultipartFiles, WritesTheBodyToAFile)
{
    auto request = multipart(Id(Dictionary::create({{Id("k"), Id("v")}})), nullptr);
    const auto file = testsupport::makeScratchDir("multipart-out") / "body.bin";
    bool done = false;
    Ref<foundation::Error> result = foundation::Error::create("unset", 1, "unset");
    auto stripped = NKHTTPRequestSerializer::serializer()->requestWithMultipartFormRequest(
        request, foundation::URL::fileURLWithPath(file.string()), [&](const Ref<foundation::Error>& error) {
            result = error;
            done = true;
        });
    EXPECT_FALSE(stripped->HTTPBodyStream());
    ASSERT_TRUE(dispatch::RunLoop::runUntil([&] { return done; }, 10));
    EXPECT_FALSE(result);
    std::ifstream in(file, std::ios::binary);
    const std::string written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(written.size(), std::stoull(request->valueForHTTPHeaderField("Content-Length").value()));
    EXPECT_NE(written.find("name=\"k\"\r\n\r\nv\r\n"), std::string::npos);
}
