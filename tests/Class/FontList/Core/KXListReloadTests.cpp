// A list's reload in two parts on a copy of the sample catalogue: the first rows at once, the rest
// read on a background queue and handed over on the main queue; a newer reload ends the older one.
#include "Class/FontList/Core/KXListReload.h"
#include "Class/ServiceCore/Catalogue/KXBaseDBManager.h"
#include "Class/ServiceCore/Catalogue/KXFontBaseModel.h"
#include "Class/ServiceCore/Catalogue/KXSortingData.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Support/TempHome.h"

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <vector>

namespace fs = std::filesystem;
using foundation::Id;
using foundation::MutableArray;
using foundation::Ref;

namespace {

std::vector<long long> fontids(const foundation::Array* records)
{
    std::vector<long long> ids;
    if (records)
        for (const Id& item : *records)
            ids.push_back(item.as<KXFontBaseModel>()->fontid);
    return ids;
}

Ref<MutableArray> fontsWithIds(const std::vector<long long>& ids)
{
    auto records = MutableArray::create();
    for (long long fontid : ids) {
        auto record = std::make_shared<KXFontBaseModel>();
        record->fontid = fontid;
        records->addObject(Id(record));
    }
    return records;
}

class KXListReloadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const fs::path folder = testsupport::makeScratchDir("reload");
        fs::copy_file(fs::path(std::getenv("CORVANE_BINARY_DIR")) / "resources" / "fonts.sqlite",
            folder / "fonts.sqlite");
        manager_ = std::make_unique<KXBaseDBManager>(folder / "fonts.sqlite");
        KXGlobalDataBase::sharedKXGlobalDataBase().setEnLanguage(false);
    }
    void TearDown() override { KXGlobalDataBase::sharedKXGlobalDataBase().setEnLanguage(false); }

    // A reload that records every rest it hands over.
    std::shared_ptr<KXListReload> reload(std::size_t firstRows)
    {
        auto made = KXListReload::create(*manager_, firstRows);
        made->setRestHandler([this](const KXListReload::Rest& rest) { rests_.push_back(rest); });
        return made;
    }
    std::vector<long long> whole(const KXCatalogueStatement& statement)
    {
        return fontids(manager_->dataArrayBySqlStr(statement).get());
    }
    static KXCatalogueStatement chinese()
    {
        KXGlobalDataBase::sharedKXGlobalDataBase().setEnLanguage(false);
        return KXSortingData::defaultOrderStatement();
    }
    static KXCatalogueStatement foreign()
    {
        KXGlobalDataBase::sharedKXGlobalDataBase().setEnLanguage(true);
        auto statement = KXSortingData::defaultOrderStatement();
        KXGlobalDataBase::sharedKXGlobalDataBase().setEnLanguage(false);
        return statement;
    }

    std::unique_ptr<KXBaseDBManager> manager_;
    std::vector<KXListReload::Rest> rests_;
};

} // namespace

TEST_F(KXListReloadTest, TheFirstRowsComeAtOnceAndTheRestFollowsThemInTheListsOrder)
{
    const auto expected = whole(chinese());
    ASSERT_GT(expected.size(), 20u) << "the sample's Chinese list";

    auto list = reload(10);
    const auto first = list->start(chinese());
    EXPECT_EQ(fontids(first.get()), std::vector<long long>(expected.begin(), expected.begin() + 10));
    EXPECT_TRUE(list->readingRest());
    ASSERT_TRUE(dispatch::RunLoop::runUntil([&] { return !rests_.empty(); }, 30));
    EXPECT_FALSE(list->readingRest());
    ASSERT_EQ(rests_.size(), 1u);
    ASSERT_TRUE(rests_[0].following) << "the catalogue did not change";
    EXPECT_FALSE(rests_[0].replacement);
    auto shown = fontids(first.get());
    const auto rest = fontids(rests_[0].following.get());
    shown.insert(shown.end(), rest.begin(), rest.end());
    EXPECT_EQ(shown, expected) << "every row once, in order";

    // A list shorter than the first rows is whole at once: nothing is read behind it.
    auto shortList = reload(expected.size() + 1);
    EXPECT_EQ(fontids(shortList->start(chinese()).get()), expected);
    EXPECT_FALSE(shortList->readingRest());
    dispatch::RunLoop::drain();
    EXPECT_EQ(rests_.size(), 1u);
}

TEST_F(KXListReloadTest, ANewerReloadDropsTheRestOfTheOlderOne)
{
    const auto expected = whole(foreign());
    auto list = reload(5);
    list->start(chinese());
    ASSERT_TRUE(list->readingRest());
    // The older read lands on the main queue, which runs nothing before the newer start.
    const auto newer = list->start(foreign());
    ASSERT_TRUE(list->readingRest());

    // Rows of another kind in a second list: the rest to come is dropped.
    auto other = reload(5);
    other->start(chinese());
    other->supersede();
    EXPECT_FALSE(other->readingRest());
    // A reload let go while it reads lands nowhere.
    auto gone = reload(5);
    gone->start(chinese());
    gone.reset();

    // Every read has ended; what they posted then runs.
    ASSERT_TRUE(dispatch::RunLoop::runUntil([&] { return !list->readingRest(); }, 30));
    manager_->waitForBackgroundReads();
    dispatch::RunLoop::drain();
    ASSERT_EQ(rests_.size(), 1u) << "only the newer reload's rest";
    auto shown = fontids(newer.get());
    const auto rest = fontids(rests_[0].following.get());
    shown.insert(shown.end(), rest.begin(), rest.end());
    EXPECT_EQ(shown, expected);
}

TEST_F(KXListReloadTest, ABackgroundReadThatIsToldToStopEndsWithoutRows)
{
    std::atomic<int> asked = 0;
    std::atomic<bool> landed = false;
    Ref<MutableArray> records = MutableArray::create();
    manager_->readInBackground(
        chinese(), [&] { return ++asked > 0; },
        [&](Ref<MutableArray> read, unsigned long long) {
            records = std::move(read);
            landed = true;
        });
    ASSERT_TRUE(dispatch::RunLoop::runUntil([&] { return landed.load(); }, 30));
    EXPECT_FALSE(records) << "a stopped read gives nothing to show";
    EXPECT_GE(asked.load(), 1);
}

TEST_F(KXListReloadTest, ARestThatFailsPartWayLeavesTheRowsShownAsTheyAre)
{
    // Rows up to the fifth in fontid order, then a failure in the middle of the read (SQLite's
    // abs() of the smallest integer overflows); the first three come before it.
    const auto all = whole(KXCatalogueStatement("SELECT * FROM fp_fonts ORDER BY fontid"));
    ASSERT_GT(all.size(), 5u);
    const KXCatalogueStatement failing(
        "SELECT * FROM fp_fonts WHERE abs(CASE WHEN fontid > ? THEN -9223372036854775808 ELSE 1 END) > 0 ORDER BY fontid",
        {Id(all[4])});
    auto list = reload(3);
    const auto first = list->start(failing);
    EXPECT_EQ(fontids(first.get()), std::vector<long long>(all.begin(), all.begin() + 3));
    ASSERT_TRUE(list->readingRest());
    ASSERT_TRUE(dispatch::RunLoop::runUntil([&] { return !rests_.empty(); }, 30));
    EXPECT_FALSE(list->readingRest());
    ASSERT_EQ(rests_.size(), 1u);
    // Told that nothing more comes: neither the two rows read before the failure nor a shorter list.
    EXPECT_FALSE(rests_[0].following);
    EXPECT_FALSE(rests_[0].replacement);
}

TEST(KXListReloadFollowing, RowsThatTieComeOnceWhateverTheirOrderInTheWholeList)
{
    // The whole list leads with the rows shown.
    EXPECT_EQ(fontids(KXListReload::following({ 1, 2, 3 }, *fontsWithIds({ 1, 2, 3, 4, 5 })).get()),
        (std::vector<long long> { 4, 5 }));
    // Rows that tie came in another order, one of them past the first rows: the rest leaves out
    // each shown font once and keeps the whole list's order.
    EXPECT_EQ(fontids(KXListReload::following({ 1, 2, 3 }, *fontsWithIds({ 1, 4, 3, 2, 5 })).get()),
        (std::vector<long long> { 4, 5 }));
    // A font listed twice in the catalogue is shown twice.
    EXPECT_EQ(fontids(KXListReload::following({ 7, 7 }, *fontsWithIds({ 7, 8, 7, 7 })).get()),
        (std::vector<long long> { 8, 7 }));
    EXPECT_EQ(
        fontids(KXListReload::following({}, *fontsWithIds({ 9 })).get()), (std::vector<long long> { 9 }));
    // A shown font the whole list lacks: the rows shown no longer belong to it.
    EXPECT_FALSE(KXListReload::following({ 1, 6 }, *fontsWithIds({ 1, 2, 3 })));
}
