#include "Platform/Storage/Paths.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

using foundation::Paths;

namespace {

// Sets (or, with nullopt, unsets) a variable for one test and restores it afterwards.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, std::optional<std::string> value)
        : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old;
        if (value)
            setenv(name, value->c_str(), 1);
        else
            unsetenv(name);
    }
    ~ScopedEnvironment()
    {
        if (old_)
            setenv(name_, old_->c_str(), 1);
        else
            unsetenv(name_);
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

} // namespace

TEST(PathsRoots, FollowTheEnvironmentAtCallTime)
{
    ScopedEnvironment home("HOME", "/tmp/h1");
    ScopedEnvironment cache("XDG_CACHE_HOME", "/tmp/c1");
    ScopedEnvironment data("XDG_DATA_HOME", "/tmp/d1");
    ScopedEnvironment config("XDG_CONFIG_HOME", "/tmp/k1");
    EXPECT_EQ(Paths::cacheDirectory(), "/tmp/c1/corvane-fonts");
    EXPECT_EQ(Paths::dataDirectory(), "/tmp/d1/corvane-fonts");
    EXPECT_EQ(Paths::configDirectory(), "/tmp/k1/corvane-fonts");
    EXPECT_EQ(Paths::userFontsDirectory(), "/tmp/d1/fonts");
    setenv("XDG_CACHE_HOME", "/tmp/c2", 1);
    EXPECT_EQ(Paths::cacheDirectory(), "/tmp/c2/corvane-fonts");
}

TEST(PathsRoots, UnsetEmptyOrRelativeXDGFallsBackBelowHome)
{
    ScopedEnvironment home("HOME", "/tmp/h2");
    ScopedEnvironment cache("XDG_CACHE_HOME", std::nullopt);
    ScopedEnvironment data("XDG_DATA_HOME", "");
    ScopedEnvironment config("XDG_CONFIG_HOME", "relative/config");
    EXPECT_EQ(Paths::cacheDirectory(), "/tmp/h2/.cache/corvane-fonts");
    EXPECT_EQ(Paths::userFontsDirectory(), "/tmp/h2/.local/share/fonts");
    EXPECT_EQ(Paths::configDirectory(), "/tmp/h2/.config/corvane-fonts");
}

TEST(PathsResources, OverrideWinsOverTheInstallPrefix)
{
    {
        ScopedEnvironment resources("CORVANE_RESOURCE_DIR", "/opt/res");
        EXPECT_EQ(Paths::resourceDirectory(), "/opt/res");
    }
    ScopedEnvironment resources("CORVANE_RESOURCE_DIR", "");
    auto folder = Paths::resourceDirectory();
    bool installed = folder.filename() == "corvane-fonts" && folder.parent_path().filename() == "share";
    bool sourceTree = folder.filename() == "resources" && std::filesystem::is_directory(folder);
    EXPECT_TRUE(installed || sourceTree) << folder;
}

TEST(Paths, FilesBelowHomeAreShownFromTilde)
{
    ScopedEnvironment home("HOME", "/home/alice");
    EXPECT_EQ(Paths::displayPath("/home/alice/.config/corvane-fonts/defaults.plist"), "~/.config/corvane-fonts/defaults.plist");
    EXPECT_EQ(Paths::displayPath("/home/alice"), "~");
    EXPECT_EQ(Paths::displayPath("/home/alicia/defaults.plist"), "/home/alicia/defaults.plist") << "a name that only starts alike";
    EXPECT_EQ(Paths::displayPath("/etc/defaults.plist"), "/etc/defaults.plist");
    ScopedEnvironment root("HOME", "/");
    EXPECT_EQ(Paths::displayPath("/etc/defaults.plist"), "/etc/defaults.plist") << "a home at the root shortens nothing";
}
