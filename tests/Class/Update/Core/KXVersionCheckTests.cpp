#include "Class/Update/Core/KXVersionCheck.h"

#include "Platform/Foundation/Foundation.h"

#include <gtest/gtest.h>

using foundation::Dictionary;
using foundation::Id;
using Rule = KXVersionCheck::Rule;

namespace {

struct Row {
    const char* remote;
    const char* installed;
    bool atStartup;
    bool onAboutPage;
};

Id reply(long long errcode, const Id& data)
{
    return Id(Dictionary::create({{Id("errcode"), Id(errcode)}, {Id("corvane_data"), data}}));
}

} // namespace

TEST(KXVersionCheck, TheTableOfBothChecks)
{
    const Row rows[] = {
        {"2.10.0", "2.9.3", true, true},          // digit runs compare as numbers
        {"2.10.0", "2.9.9", true, true},
        {"2.1.1", "2.1.0", true, true},
        {"2.1.0", "2.1.0", false, false},
        {"2.1.1_beta", "2.1.0", true, true},
        {"2.1.0", "2.1.0_beta", false, false},    // shorter text first / equal once stripped
        {"2.1.0.1", "2.1.0_beta", false, true},   // "." orders before "_"
        {"2.1.0_beta", "2.1.0", false, false},
        {"2.0.9", "2.1.0", false, false},
        {"10.0", "9.99.99", true, true},
        {"", "2.1.0", false, false},              // no version: no update
        {"", "0.1.0", false, false},
        {"2.1.0", "", true, true},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(KXVersionCheck::isNewer(row.remote, row.installed, Rule::Startup), row.atStartup) << row.remote << " vs " << row.installed;
        EXPECT_EQ(KXVersionCheck::isNewer(row.remote, row.installed, Rule::AboutPage), row.onAboutPage) << row.remote << " vs " << row.installed;
    }
}

TEST(KXVersionCheck, RepliesKeepTheVersionAsSentAndRefusalsShowNothing)
{
    const Id data(Dictionary::create({{Id("version"), Id("2.1.1_beta")}, {Id("content"), Id("新功能\n修复")}, {Id("download"), Id("https://s.example/c.deb")}}));
    const auto outcome = KXVersionCheck::evaluate(reply(0, data), "2.1.0", Rule::Startup);
    ASSERT_TRUE(outcome);
    EXPECT_TRUE(outcome->newer);
    EXPECT_EQ(outcome->offer.version, "2.1.1_beta");
    EXPECT_EQ(outcome->offer.content, "新功能\n修复");
    EXPECT_EQ(outcome->offer.download, "https://s.example/c.deb");

    EXPECT_FALSE(KXVersionCheck::evaluate(reply(3, data), "2.1.0", Rule::AboutPage)) << "a refused reply: no prompt and no toast";
    EXPECT_FALSE(KXVersionCheck::evaluate(Id(Dictionary::create({{Id("message"), Id("?")}})), "2.1.0", Rule::AboutPage));

    const auto empty = KXVersionCheck::evaluate(reply(0, Id()), "2.1.0", Rule::AboutPage);
    ASSERT_TRUE(empty);
    EXPECT_FALSE(empty->newer) << "a reply without a version is up to date";
}
