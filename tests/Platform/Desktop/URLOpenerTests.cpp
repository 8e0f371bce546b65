#include "Platform/Desktop/URLOpener.h"

#include "Platform/Dispatch/RunLoop.h"
#include "Support/TempHome.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

namespace {

using desktop::URLOpener;

TEST(URLOpener, AcceptsOnlyWebAddressesWithAHost)
{
    EXPECT_EQ(URLOpener::acceptedWebAddress("https://fonts.example/a?b=1#c"), "https://fonts.example/a?b=1#c");
    EXPECT_EQ(URLOpener::acceptedWebAddress("HTTP://Fonts.Example"), "HTTP://Fonts.Example");
    EXPECT_EQ(URLOpener::acceptedWebAddress("  https://x.example/shop\n"), "https://x.example/shop");
    EXPECT_EQ(URLOpener::acceptedWebAddress("https://user@x.example:8443/"), "https://user@x.example:8443/");

    for (const char* refused : {"", "   ", "file:///etc/passwd", "javascript:alert(1)", "mailto:a@b.example",
                                "ftp://x.example/", "corvane://open", "http://", "https:///path", "http:/x.example",
                                "//x.example", "https://:443/", "https://user@/", "http://exa mple.example",
                                "https://x.example/\nsecond", "https://x.example/\x7f", "-https://x.example"}) {
        EXPECT_FALSE(URLOpener::acceptedWebAddress(refused)) << refused;
    }
}

TEST(URLOpener, TheInstalledOpenerReceivesOnlyAcceptedTargets)
{
    desktop::ScopedRecordingURLOpener recording;
    auto opener = URLOpener::shared();

    EXPECT_TRUE(opener->openURL("file:///etc/passwd"));
    EXPECT_TRUE(opener->openURL("javascript:alert(1)"));
    EXPECT_FALSE(opener->openURL(" https://shop.example/u/7 "));

    const auto folder = testsupport::makeScratchDir("opener");
    EXPECT_TRUE(opener->openLocalFile("relative/Fonts"));
    EXPECT_TRUE(opener->openLocalFile(folder / "missing"));
    EXPECT_FALSE(opener->openLocalFile(folder / "."));

    EXPECT_EQ(recording.opened(), (std::vector<std::string>{"https://shop.example/u/7", folder.string() + "/"}));
}

TEST(URLOpener, RecordingOpenerCanFailAtOnceAndScopeRestoresThePrevious)
{
    const auto before = URLOpener::shared();
    {
        desktop::ScopedRecordingURLOpener recording;
        EXPECT_NE(URLOpener::shared(), before);
        recording.opener().setLaunchError("no browser");
        EXPECT_EQ(URLOpener::shared()->openURL("https://x.example"), "no browser");
        EXPECT_TRUE(recording.opened().empty());
    }
    EXPECT_EQ(URLOpener::shared(), before);
}

TEST(SystemURLOpener, AProgramThatCannotStartIsReportedAtOnce)
{
    desktop::SystemURLOpener opener("/nonexistent/corvane-xdg-open");
    const auto error = opener.openURL("https://x.example");
    ASSERT_TRUE(error);
    EXPECT_NE(error->find("Could not start /nonexistent/corvane-xdg-open"), std::string::npos) << *error;
}

// The target reaches the program as one argument, untouched by any shell, and a failed exit comes
// back later on the main queue.
TEST(SystemURLOpener, PassesTheAddressAsOneArgumentAndReportsAFailedExit)
{
    const auto folder = testsupport::makeScratchDir("fake-opener");
    const auto script = folder / "fake-xdg-open";
    const auto received = folder / "received";
    {
        std::ofstream out(script);
        out << "#!/bin/sh\nprintf '%s|%s' \"$1\" \"$#\" > '" << received.string() << "'\nexit 3\n";
    }
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);

    const std::string address = "https://x.example/?q=`id`;$HOME&r=|tee$(x)'\"";
    desktop::SystemURLOpener opener(script.string());
    std::optional<std::string> failure;
    EXPECT_FALSE(opener.openURL(address, [&](const std::string& reason) { failure = reason; }));

    ASSERT_TRUE(dispatch::RunLoop::runUntil([&] { return failure.has_value(); }, 20));
    EXPECT_EQ(*failure, script.string() + " exited with status 3");
    std::ifstream in(received);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), address + "|1");
}

} // namespace
