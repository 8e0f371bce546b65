#include "Platform/Foundation/Foundation.h"
#include "Platform/URLLoading/URLLoading.h"

#include <gtest/gtest.h>

using foundation::Ref;

namespace {

Ref<net::HTTPURLResponse> response(const std::string& url, std::vector<std::pair<std::string, std::string>> headers)
{
    return net::HTTPURLResponse::create(foundation::URL::URLWithString(url), 200, "HTTP/1.1", headers);
}

} // namespace

TEST(SuggestedFilename, PrefersTheDispositionAndReducesItToABaseName)
{
    EXPECT_EQ(response("http://h/a/b.zip", {{"Content-Disposition", "attachment; filename=\"Font Pack.zip\""}})->suggestedFilename(),
              "Font Pack.zip");
    EXPECT_EQ(response("http://h/x", {{"content-disposition", "attachment; filename*=UTF-8''%E5%AD%97%E4%BD%93.ttf; filename=\"fallback.ttf\""}})
                  ->suggestedFilename(),
              "字体.ttf");
    EXPECT_EQ(response("http://h/x", {{"Content-Disposition", "attachment; filename=\"..\\\\..\\\\evil.dmg\""}})->suggestedFilename(),
              "evil.dmg");
    EXPECT_EQ(response("http://h/pkg/Corvane%20Sans.zip", {{"Content-Disposition", "attachment; filename=\"..\""}})->suggestedFilename(),
              "Corvane Sans.zip");
    EXPECT_EQ(response("http://h/", {})->suggestedFilename(), "Unknown");
    EXPECT_EQ(response("http://h/.hidden", {})->suggestedFilename(), "hidden");
}

TEST(HTTPResponseHead, FieldsMimeTypeEncodingAndLength)
{
    auto head = response("http://h/x", {{"Content-Type", "Application/JSON; Charset=\"UTF-8\""},
                                        {"Set-Cookie", "a=1"},
                                        {"set-cookie", "b=2"},
                                        {"Content-Length", " 42 "}});
    EXPECT_EQ(head->MIMEType(), "application/json");
    EXPECT_EQ(head->textEncodingName(), "utf-8");
    EXPECT_EQ(head->expectedContentLength(), 42);
    EXPECT_EQ(head->valueForHTTPHeaderField("SET-COOKIE"), "a=1, b=2");
    EXPECT_EQ(head->allHeaderFields()->count(), 3u);
    EXPECT_EQ(response("http://h/x", {{"Content-Length", "12abc"}})->expectedContentLength(), -1);
    EXPECT_EQ(response("http://h/x", {{"Content-Length", "99999999999999999999"}})->expectedContentLength(), -1);
    EXPECT_FALSE(response("http://h/x", {})->MIMEType());
}
