#include "Class/Account/Core/KXSignInEvents.h"

#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Foundation/Foundation.h"
#include "Platform/Storage/UserDefaults.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using foundation::Id;

namespace {

Id user(const char* name)
{
    return Id(foundation::Dictionary::create({{Id("uname"), Id(name)}, {Id("token"), Id(std::string("t-") + name)}}));
}

class KXSignInEventsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        foundation::UserDefaults::standardUserDefaults().removeObjectForKey("token");
        observation_ = dispatch::NotificationCenter::defaultCenter().addObserver(
            KXSignInEvents::kNotification, {}, nullptr, [this](const dispatch::Notification& n) {
                const Id posted = Id(n.userInfo)["loginMessage"];
                if (!posted.isNil())
                    names_.push_back(posted["uname"].stringValue());
            });
    }
    void TearDown() override { foundation::UserDefaults::standardUserDefaults().removeObjectForKey("token"); }

    std::vector<std::string> names_;
    dispatch::Subscription observation_;
};

} // namespace

TEST_F(KXSignInEventsTest, TheFirstSignInWinsOverEveryAttemptStartedBeforeIt)
{
    const auto demo = KXSignInEvents::startAttempt();
    const auto editor = KXSignInEvents::startAttempt();
    EXPECT_TRUE(KXSignInEvents::postLoginMessage(user("editor"), editor));
    EXPECT_FALSE(KXSignInEvents::isCurrent(demo));
    EXPECT_FALSE(KXSignInEvents::postLoginMessage(user("demo"), demo));
    EXPECT_FALSE(KXSignInEvents::postLoginMessage(user("editor"), editor)) << "nor does one attempt sign in twice";
    EXPECT_EQ(names_, std::vector<std::string>{"editor"});

    // Started after that sign-in (a new window, a new code): current, until the account changes.
    const auto later = KXSignInEvents::startAttempt();
    const auto beforeSignOut = KXSignInEvents::startAttempt();
    EXPECT_TRUE(KXSignInEvents::isCurrent(later));
    foundation::UserDefaults::standardUserDefaults().setObject(Id("t-editor"), "token");
    EXPECT_FALSE(KXSignInEvents::isCurrent(later)) << "the token stored since counts too";
    foundation::UserDefaults::standardUserDefaults().removeObjectForKey("token");
    EXPECT_TRUE(KXSignInEvents::postLoginMessage(user("designer"), KXSignInEvents::startAttempt()));
    EXPECT_FALSE(KXSignInEvents::postLoginMessage(user("demo"), beforeSignOut));
    EXPECT_EQ(names_, (std::vector<std::string>{"editor", "designer"}));
}
