#include "Class/ServiceCore/Transport/KXHTTPBUSINESS.h"
#include "Platform/Foundation/Foundation.h"
#include "Platform/Serialization/PropertyListSerialization.h"
#include "Support/TempHome.h"

#include <gtest/gtest.h>

#include <cstdlib>

// The distribution config the client ships: its source and the service's base URL.
TEST(DistributionConfig, ShipsTheSourceAndAnHttpsBaseURL)
{
    auto path = testsupport::sourceDir() / "resources" / "config.plist";
    auto data = foundation::Data::dataWithContentsOfFile(path);
    ASSERT_NE(data, nullptr);
    foundation::Id config = foundation::PropertyListSerialization::propertyListWithData(data, 0);
    EXPECT_FALSE(config["From"].stringValue().empty());

    const char* saved = std::getenv("CORVANE_API_BASE_URL");
    std::string savedValue = saved ? saved : "";
    unsetenv("CORVANE_API_BASE_URL");
    setenv("CORVANE_RESOURCE_DIR", (testsupport::sourceDir() / "resources").c_str(), 1);
    EXPECT_EQ(KXHTTPBUSINESS::apiBaseURL(), config["APIBaseURL"].stringValue());
    EXPECT_TRUE(KXHTTPBUSINESS::apiBaseURL().starts_with("https://"));
    EXPECT_TRUE(KXHTTPBUSINESS::apiBaseURL().ends_with("/"));

    setenv("CORVANE_API_BASE_URL", "https://127.0.0.1:4443", 1);
    EXPECT_EQ(KXHTTPBUSINESS::apiBaseURL(), "https://127.0.0.1:4443/") << "the environment wins, with a trailing slash";
    unsetenv("CORVANE_RESOURCE_DIR");
    if (saved)
        setenv("CORVANE_API_BASE_URL", savedValue.c_str(), 1);
    else
        unsetenv("CORVANE_API_BASE_URL");
}
