#include "Platform/Foundation/Foundation.h"
#include "Platform/URLLoading/URLLoading.h"

#include <gtest/gtest.h>

TEST(URLErrors, CarryTheFailingURLAndTheEnglishText)
{
    auto url = foundation::URL::URLWithString("https://fonts.example/a.zip");
    auto error = net::makeURLError(net::NSURLErrorServerCertificateUntrusted, url);
    EXPECT_EQ(error->domain(), "NSURLErrorDomain");
    EXPECT_EQ(error->code(), -1202);
    EXPECT_EQ(error->localizedDescription(),
              "The certificate for this server is invalid. You might be connecting to a server that is pretending to be "
              "“fonts.example” which could put your confidential information at risk.");
    EXPECT_EQ(error->objectForUserInfoKey("NSErrorFailingURLStringKey").stringValue(), "https://fonts.example/a.zip");
    EXPECT_EQ(net::makeURLError(net::NSURLErrorNotConnectedToInternet, nullptr)->localizedDescription(),
              "The Internet connection appears to be offline.");
}
