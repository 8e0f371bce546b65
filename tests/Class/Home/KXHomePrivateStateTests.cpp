// What a sign-in leaves below the client's own folders is its user's alone: the settings and the
// session archive hold the token, and a umask of 022 (the common default) must not open them, nor
// anything else the client keeps there, to the other local accounts.
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "HomeTestSupport.h"
#include "Platform/Storage/Paths.h"
#include "Platform/Storage/UserDefaults.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <vector>

using foundation::Id;
namespace fs = std::filesystem;

namespace {

class KXHomePrivateStateTest : public hometest::HubTest {
protected:
    void SetUp() override
    {
        previousMask_ = ::umask(022);
        HubTest::SetUp();
    }
    void TearDown() override
    {
        KXUserCenterConfig::sharedKXUserCenterConfig().setIsAutologin(false);
        foundation::UserDefaults::standardUserDefaults().removeObjectForKey("token");
        HubTest::TearDown();
        ::umask(previousMask_);
    }

    // Every file and folder below the three folders that a group member or any other account can
    // read (or, for a folder, enter).
    static std::vector<fs::path> openToOthers()
    {
        std::vector<fs::path> open;
        for (const fs::path& root : { foundation::Paths::configDirectory(),
                 foundation::Paths::dataDirectory(), foundation::Paths::cacheDirectory() }) {
            std::error_code error;
            if (!fs::exists(root, error))
                continue;
            auto check = [&](const fs::path& path) {
                struct stat info { };
                if (::lstat(path.c_str(), &info) == 0 && !S_ISLNK(info.st_mode) && (info.st_mode & 077) != 0)
                    open.push_back(path);
            };
            check(root);
            for (auto it = fs::recursive_directory_iterator(root, error);
                 !error && it != fs::recursive_directory_iterator(); it.increment(error))
                check(it->path());
            EXPECT_FALSE(error) << root << ": " << error.message();
        }
        return open;
    }

    static bool holds(const fs::path& file, const std::string& text)
    {
        std::ifstream in(file, std::ios::binary);
        const std::string bytes { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
        return bytes.find(text) != std::string::npos;
    }

private:
    mode_t previousMask_ = 0;
};

} // namespace

TEST_F(KXHomePrivateStateTest, ASignInLeavesNothingOfTheClientsOpenToOtherAccounts)
{
    open();
    KXUserCenterConfig::sharedKXUserCenterConfig().setIsAutologin(true); // the session archive is written too
    const auto outcome = run([](auto success, auto failure) {
        KXHTTPBUSINESS().LoginWithName(Id("demo"), Id("demo1234"), std::move(success), std::move(failure));
    });
    const Id user = outcome.reply["corvane_data"];
    const std::string token = user["token"].stringValue();
    ASSERT_EQ(token.size(), 32u);
    postSignIn(user);
    ASSERT_TRUE(waitFor([&] { return KXUserCenterConfig::sharedKXUserCenterConfig().islogin(); }));
    settle();
    ASSERT_EQ(
        Id(foundation::UserDefaults::standardUserDefaults().stringForKey("token")).stringValue(), token);

    bool tokenOnDisk = false;
    for (const fs::path& root :
        { foundation::Paths::configDirectory(), foundation::Paths::cacheDirectory() }) {
        std::error_code error;
        for (auto it = fs::recursive_directory_iterator(root, error);
             !error && it != fs::recursive_directory_iterator(); it.increment(error))
            tokenOnDisk = tokenOnDisk || (it->is_regular_file() && holds(it->path(), token));
    }
    EXPECT_TRUE(tokenOnDisk) << "the walk below sees the files that hold the token";

    for (const fs::path& path : openToOthers()) {
        ADD_FAILURE() << path << " is open to other accounts";
        if (fs::is_regular_file(path)) {
            EXPECT_FALSE(holds(path, token)) << path << " holds the token";
        }
    }
}
