#include "Platform/Foundation/Foundation.h"
#include "Platform/URLLoading/URLLoading.h"

#include <gtest/gtest.h>

TEST(Requests, HeaderNamesIgnoreCaseAndKeepTheirSpelling)
{
    auto request = net::URLRequest::requestWithURL(foundation::URL::URLWithString("http://h/"));
    EXPECT_EQ(request->HTTPMethod(), "GET");
    EXPECT_EQ(request->timeoutInterval(), 60.0);
    request->setValue("text/plain", "Content-Type");
    request->setValue("application/json", "content-type");
    request->addValue("gzip", "Accept-Encoding");
    request->addValue("br", "accept-encoding");
    EXPECT_EQ(request->headerFields(),
              (std::vector<std::pair<std::string, std::string>>{{"Content-Type", "application/json"}, {"Accept-Encoding", "gzip, br"}}));
    request->setValue(std::nullopt, "CONTENT-TYPE");
    EXPECT_FALSE(request->valueForHTTPHeaderField("Content-Type"));
    auto copy = request->clone();
    copy->setValue("x", "X-Other");
    EXPECT_FALSE(request->valueForHTTPHeaderField("X-Other")) << "a copy is independent";
}
