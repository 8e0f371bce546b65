#include "Lib/Networking/NKCompoundResponseSerializer.h"
#include "Lib/Networking/NKHTTPResponseSerializer.h"
#include "Lib/Networking/NKImage.h"
#include "Lib/Networking/NKImageResponseSerializer.h"
#include "Lib/Networking/NKJSONResponseSerializer.h"
#include "Lib/Networking/NKNetworking.h"
#include "Lib/Networking/NKPropertyListResponseSerializer.h"
#include "Lib/Networking/NKXMLDocumentResponseSerializer.h"
#include "Lib/Networking/NKXMLParserResponseSerializer.h"

#include "Platform/Foundation/Foundation.h"
#include "Platform/Serialization/XMLDocument.h"
#include "Platform/Serialization/XMLParser.h"
#include "Platform/URLLoading/HTTPURLResponse.h"

#include <QBuffer>
#include <QImage>

#include "Platform/Storage/KeyedArchiver.h"
#include "Platform/Storage/KeyedUnarchiver.h"

#include <gtest/gtest.h>

using foundation::Data;
using foundation::Error;
using foundation::Id;
using foundation::Ref;

namespace {

Ref<net::HTTPURLResponse> reply(long status, std::optional<std::string> contentType, const char* url = "http://127.0.0.1/api")
{
    std::vector<std::pair<std::string, std::string>> headers;
    if (contentType)
        headers.emplace_back("Content-Type", *contentType);
    return net::HTTPURLResponse::create(foundation::URL::URLWithString(url), status, "HTTP/1.1", headers);
}

Ref<Data> bytes(std::string_view text)
{
    return Data::create(text);
}

} // namespace

TEST(NKResponseValidation, UnacceptableContentTypeIsMinus1016WithUserInfo)
{
    auto serializer = NKJSONResponseSerializer::serializer();
    auto response = reply(200, "text/html");
    auto data = bytes("{\"a\":1}");
    Ref<Error> error;
    EXPECT_TRUE(serializer->responseObjectForResponse(response, data, &error).isNil());
    ASSERT_TRUE(error);
    EXPECT_EQ(error->domain(), "com.ostrelle.error.serialization.response");
    EXPECT_EQ(error->code(), -1016);
    EXPECT_EQ(error->localizedDescription(), "Request failed: unacceptable content-type: text/html");
    EXPECT_EQ(error->objectForUserInfoKey(foundation::NSURLErrorFailingURLErrorKey).as<foundation::URL>()->absoluteString(),
              "http://127.0.0.1/api");
    EXPECT_EQ(error->objectForUserInfoKey(NKNetworkingOperationFailingURLResponseErrorKey).get(), response.get());
    EXPECT_EQ(error->objectForUserInfoKey(NKNetworkingOperationFailingURLResponseDataErrorKey).get(), data.get());
    EXPECT_FALSE(error->underlyingError());
}

TEST(NKResponseValidation, TransportContentTypesAcceptHTML)
{
    auto serializer = NKJSONResponseSerializer::serializer();
    serializer->setAcceptableContentTypes(foundation::Set::create({Id("text/plain"), Id("application/json"), Id("text/json"),
                                                                  Id("text/javascript"), Id("text/html"), Id("image/png"), Id("image/jpeg")}));
    Ref<Error> error;
    Id object = serializer->responseObjectForResponse(reply(200, "text/html; charset=utf-8"), bytes("{\"errcode\":0}"), &error);
    EXPECT_FALSE(error);
    EXPECT_EQ(object["errcode"].integerValue(), 0);
    EXPECT_TRUE(object["errcode"].number());
}

TEST(NKResponseValidation, BadStatusStillDecodesAndReportsMinus1011)
{
    auto serializer = NKJSONResponseSerializer::serializer();
    Ref<Error> error;
    Id object = serializer->responseObjectForResponse(reply(404, "application/json"), bytes("{\"missing\":true}"), &error);
    EXPECT_TRUE(object["missing"].boolValue());
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), -1011);
    EXPECT_EQ(error->localizedDescription(),
              foundation::format("Request failed: %@ (404)", net::HTTPURLResponse::localizedStringForStatusCode(404)));
}

TEST(NKResponseValidation, BadStatusAndTypeChainTheErrorsAndStopDecoding)
{
    auto serializer = NKJSONResponseSerializer::serializer();
    Ref<Error> error;
    EXPECT_TRUE(serializer->responseObjectForResponse(reply(500, "text/html"), bytes("{}"), &error).isNil());
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), -1011);
    ASSERT_TRUE(error->underlyingError());
    EXPECT_EQ(error->underlyingError()->code(), -1016);
    EXPECT_TRUE(NKErrorChainHasUndecodableContent(error));
}

TEST(NKResponseValidation, EmptyRepliesAndNonHTTPResponses)
{
    auto serializer = NKJSONResponseSerializer::serializer();
    Ref<Error> error;
    EXPECT_TRUE(serializer->responseObjectForResponse(reply(204, std::nullopt), Data::create(), &error).isNil());
    EXPECT_FALSE(error);
    EXPECT_TRUE(serializer->validateResponse(reply(204, std::nullopt), Data::create(), &error));

    // An unacceptable type with an empty body is invalid without an error.
    EXPECT_FALSE(serializer->validateResponse(reply(200, "text/html"), Data::create(), &error));
    EXPECT_FALSE(error);

    auto fileResponse = std::make_shared<net::URLResponse>(foundation::URL::fileURLWithPath("/tmp/x"), "text/html", 3, std::nullopt);
    EXPECT_TRUE(serializer->validateResponse(fileResponse, bytes("abc"), &error));
}

TEST(NKJSONResponse, OneSpaceIsNothingTwoSpacesIsAReadError)
{
    auto serializer = NKJSONResponseSerializer::serializer();
    Ref<Error> error;
    EXPECT_TRUE(serializer->responseObjectForResponse(reply(200, "application/json"), bytes(" "), &error).isNil());
    EXPECT_FALSE(error);
    EXPECT_TRUE(serializer->responseObjectForResponse(reply(200, "application/json"), bytes("  "), &error).isNil());
    ASSERT_TRUE(error);
    EXPECT_EQ(error->domain(), foundation::NSCocoaErrorDomain);
    EXPECT_EQ(error->code(), 3840);
}

TEST(NKJSONResponse, ReadErrorGoesOnTopOfTheStatusError)
{
    auto serializer = NKJSONResponseSerializer::serializer();
    Ref<Error> error;
    EXPECT_TRUE(serializer->responseObjectForResponse(reply(502, "application/json"), bytes("<html>"), &error).isNil());
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), 3840);
    ASSERT_TRUE(error->underlyingError());
    EXPECT_EQ(error->underlyingError()->code(), -1011);
}

TEST(NKJSONResponse, NullRemoval)
{
    auto serializer = NKJSONResponseSerializer::serializer();
    serializer->setRemovesKeysWithNullValues(true);
    Ref<Error> error;
    Id object = serializer->responseObjectForResponse(reply(200, "application/json"), bytes("{\"a\":null,\"b\":[null,{\"c\":null}]}"), &error);
    EXPECT_FALSE(error);
    EXPECT_EQ(object.description(), Id(foundation::Dictionary::create({{Id("b"), Id(foundation::Array::create({Id(foundation::Null::null()),
                                                                                                               Id(foundation::Dictionary::create())}))}}))
                                        .description());
    EXPECT_FALSE(object.is<foundation::MutableDictionary>());
    Id mutableResult = NKJSONObjectWithoutNulls(object, 1);
    EXPECT_TRUE(mutableResult.is<foundation::MutableDictionary>());
}

TEST(NKJSONResponse, DeepRepliesStayWithinTheReaderLimit)
{
    auto serializer = NKJSONResponseSerializer::serializer();
    serializer->setRemovesKeysWithNullValues(true);
    const int depth = 500;
    const std::string deep = std::string(depth, '[') + "{\"gone\":null,\"v\":1}" + std::string(depth, ']');
    Ref<Error> error;
    Id object = serializer->responseObjectForResponse(reply(200, "application/json"), bytes(deep), &error);
    EXPECT_FALSE(error);
    Id inner = object;
    for (int level = 0; level < depth; ++level)
        inner = inner[0];
    EXPECT_EQ(inner["v"].integerValue(), 1);
    EXPECT_FALSE(inner.dictionary()->containsKey("gone"));

    const std::string tooDeep = std::string(100000, '[') + std::string(100000, ']');
    EXPECT_TRUE(serializer->responseObjectForResponse(reply(200, "application/json"), bytes(tooDeep), &error).isNil());
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), 3840);
}

TEST(NKJSONResponse, RepliesPastTheReadingLimitsAreRefusedAsUndecodable)
{
    auto serializer = NKJSONResponseSerializer::serializer();
    const auto array = [](std::size_t count) {
        std::string text = "{\"tags\": [0";
        for (std::size_t i = 1; i < count; ++i)
            text += ",0";
        return text + "]}";
    };
    // Two million elements in 4 MB: far under the body cap, yet hundreds of megabytes once built.
    Ref<Error> error;
    EXPECT_TRUE(serializer->responseObjectForResponse(reply(200, "application/json"), bytes(array(2'000'000)), &error).isNil());
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), 3840);

    // The root, the key and the array besides the zeros.
    const std::size_t zeros = NKJSONResponseSerializer::kDefaultReadingLimits.maxElements - 3;
    error = nullptr;
    EXPECT_EQ(serializer->responseObjectForResponse(reply(200, "application/json"), bytes(array(zeros)), &error)["tags"].count(), zeros);
    EXPECT_FALSE(error);
    Ref<Error> limitError;
    EXPECT_TRUE(serializer->responseObjectForResponse(reply(200, "application/json"), bytes(array(zeros + 1)), &limitError).isNil());
    ASSERT_TRUE(limitError);
    EXPECT_EQ(limitError->domain(), foundation::NSCocoaErrorDomain);
    EXPECT_EQ(limitError->code(), 3840);
    const std::string longText = "[\"" + std::string(NKJSONResponseSerializer::kDefaultReadingLimits.maxStringBytes + 1, 'a') + "\"]";
    EXPECT_TRUE(serializer->responseObjectForResponse(reply(200, "application/json"), bytes(longText), &error).isNil());

    // A copy keeps the limits it was given.
    serializer->setReadingLimits({.maxElements = 2});
    const auto copied = std::static_pointer_cast<NKJSONResponseSerializer>(serializer->copy());
    EXPECT_TRUE(copied->responseObjectForResponse(reply(200, "application/json"), bytes("[1,2]"), &error).isNil());
    EXPECT_FALSE(copied->responseObjectForResponse(reply(200, "application/json"), bytes("[1]"), &error).isNil());
}

TEST(NKErrorChaining, Rules)
{
    auto top = Error::create("d", 1, "top");
    auto under = Error::create("d", 2, "under");
    EXPECT_EQ(NKErrorByChaining(nullptr, under), under);
    EXPECT_EQ(NKErrorByChaining(top, nullptr), top);
    auto chained = NKErrorByChaining(top, under);
    EXPECT_EQ(chained->underlyingError(), under);
    EXPECT_EQ(chained->localizedDescription(), "top");
    EXPECT_EQ(NKErrorByChaining(chained, Error::create("d", 3, "other")), chained);
    EXPECT_FALSE(NKErrorChainHasUndecodableContent(nullptr));
    EXPECT_FALSE(NKErrorChainHasUndecodableContent(Error::create(foundation::NSURLErrorDomain, -1016, "x")));
}

TEST(NKHTTPResponse, BaseReturnsTheDataEvenWhenInvalid)
{
    auto serializer = NKHTTPResponseSerializer::serializer();
    auto data = bytes("raw");
    Ref<Error> error;
    EXPECT_EQ(serializer->responseObjectForResponse(reply(500, "anything/at-all"), data, &error).get(), data.get());
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), -1011);
}

TEST(NKXMLAndPropertyListResponses, DecodeTheirTypes)
{
    Ref<Error> error;
    Id parser = NKXMLParserResponseSerializer::serializer()->responseObjectForResponse(reply(200, "text/xml"), bytes("<a/>"), &error);
    EXPECT_TRUE(parser.is<foundation::XMLParser>());
    Id document = NKXMLDocumentResponseSerializer::serializer()->responseObjectForResponse(reply(200, "application/xml"), bytes("<a><b/></a>"), &error);
    EXPECT_TRUE(document.is<foundation::XMLDocument>());
    EXPECT_FALSE(error);
    EXPECT_TRUE(NKXMLDocumentResponseSerializer::serializer()->responseObjectForResponse(reply(200, "text/xml"), bytes("<a>"), &error).isNil());
    EXPECT_TRUE(error);

    error = nullptr;
    const char* plist = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><plist version=\"1.0\"><dict><key>k</key><integer>5</integer></dict></plist>";
    Id object = NKPropertyListResponseSerializer::serializer()->responseObjectForResponse(reply(200, "application/x-plist"), bytes(plist), &error);
    EXPECT_FALSE(error);
    EXPECT_EQ(object["k"].integerValue(), 5);
}

TEST(NKImageAndCompoundResponses, CompoundFallsThroughToTheImage)
{
    QImage picture(3, 2, QImage::Format_RGB32);
    picture.fill(Qt::red);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(picture.save(&buffer, "PNG"));
    auto data = Data::create(std::string_view(png.constData(), static_cast<std::size_t>(png.size())));

    auto compound = NKCompoundResponseSerializer::compoundSerializerWithResponseSerializers(
        foundation::Array::create({Id(NKJSONResponseSerializer::serializer()), Id(NKImageResponseSerializer::serializer())}));
    Ref<Error> error;
    Id object = compound->responseObjectForResponse(reply(200, "image/png"), data, &error);
    auto image = object.as<NKImage>();
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width(), 3);
    EXPECT_EQ(image->height(), 2);
    EXPECT_FALSE(error);

    EXPECT_TRUE(NKImageResponseSerializer::serializer()->responseObjectForResponse(reply(200, "image/png"), bytes("not an image"), &error).isNil());
    EXPECT_FALSE(error);
}

TEST(NKImageAndCompoundResponses, InstalledDecoderReplacesTheBuiltInOne)
{
    NKImageResponseSerializer::setImageDecoder([](const Ref<Data>& data) { return Id(static_cast<long>(data->length())); });
    Ref<Error> error;
    EXPECT_EQ(NKImageResponseSerializer::serializer()->responseObjectForResponse(reply(200, "image/gif"), bytes("GIF89a"), &error).integerValue(), 6);
    NKImageResponseSerializer::setImageDecoder(nullptr);
}

TEST(NKResponseCopy, CopiesCarryTheirSettings)
{
    auto serializer = NKJSONResponseSerializer::serializer();
    serializer->setRemovesKeysWithNullValues(true);
    serializer->setAcceptableStatusCodes(std::set<long>{200});
    auto copy = std::static_pointer_cast<NKJSONResponseSerializer>(serializer->copy());
    EXPECT_TRUE(copy->removesKeysWithNullValues());
    EXPECT_EQ(copy->acceptableStatusCodes(), (std::set<long>{200}));
    EXPECT_TRUE(copy->acceptableContentTypes()->containsObject(Id("text/json")));
}

TEST(NKResponseCoding, ArchiveKeepsSetsAndOptions)
{
    auto serializer = NKJSONResponseSerializer::serializer();
    serializer->setRemovesKeysWithNullValues(true);
    serializer->setAcceptableStatusCodes(std::set<long>{200, 304});
    auto compound = NKCompoundResponseSerializer::compoundSerializerWithResponseSerializers(foundation::Array::create({Id(serializer)}));
    auto data = foundation::KeyedArchiver::archivedDataWithRootObject(Id(compound));
    ASSERT_TRUE(data);
    Ref<Error> error;
    auto decoded = foundation::KeyedUnarchiver::unarchiveObjectWithData(*data, &error).as<NKCompoundResponseSerializer>();
    ASSERT_TRUE(decoded) << Id(error).description();
    ASSERT_EQ(decoded->responseSerializers()->count(), 1u);
    auto inner = decoded->responseSerializers()->objectAtIndex(0).as<NKJSONResponseSerializer>();
    ASSERT_TRUE(inner);
    EXPECT_TRUE(inner->removesKeysWithNullValues());
    EXPECT_EQ(inner->acceptableStatusCodes(), (std::set<long>{200, 304}));
    EXPECT_TRUE(inner->acceptableContentTypes()->isEqual(*serializer->acceptableContentTypes()));
}
