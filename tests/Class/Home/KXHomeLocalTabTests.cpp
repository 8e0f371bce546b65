// The local tab against a font folder no read has seen yet: the click never waits for the fonts to
// be read, and what the reads in the background bring reaches the tab only while it is shown.
#include "Class/Home/KXHomeViewController.h"

#include "Class/FontList/KXHomeListView.h"
#include "Class/Home/KXLeftTabView.h"
#include "Class/ServiceCore/Fonts/KXHomeLocalManager.h"
#include "Class/ServiceCore/Fonts/KXLocalFontIndex.h"
#include "Platform/Dispatch/Clock.h"
#include "Platform/Storage/Paths.h"
#include "HomeTestSupport.h"
#include "Support/TempHome.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kCopies = 150;

class KXHomeLocalTabTest : public hometest::HubTest {
protected:
    void TearDown() override
    {
        HubTest::TearDown();
        if (keptDataHome_)
            setenv("XDG_DATA_HOME", keptDataHome_->c_str(), 1);
    }

    // From now on the user's font folder is a new one, holding many copies of one font under names
    // of their own.
    void useNewFontFolder()
    {
        if (const char* dataHome = std::getenv("XDG_DATA_HOME"))
            keptDataHome_ = dataHome;
        const fs::path dataHome = testsupport::makeScratchDir("localtab");
        setenv("XDG_DATA_HOME", dataHome.c_str(), 1);
        const fs::path fonts = foundation::Paths::userFontsDirectory();
        fs::create_directories(fonts);
        const fs::path sample = dataHome / "sample.ttf";
        fs::copy_file("/usr/share/fonts/truetype/freefont/FreeMono.ttf", sample);
        for (std::size_t i = 0; i < kCopies; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "copy-%03zu.ttf", i);
            fs::create_hard_link(sample, fonts / name);
        }
    }

    static std::size_t installedFonts() { return KXHomeLocalManager().localFontsArray()->count(); }

    std::optional<std::string> keptDataHome_;
};

TEST_F(KXHomeLocalTabTest, TheFirstClickOpensNoFontAndShowsTheRowsOnceTheyAreRead)
{
    dispatch::VirtualClock::Scope clock; // the read after start waits
    auto& home = open();
    useNewFontFolder();
    KXHomeListView& list = *home.rightListview();
    const auto& index = KXLocalFontIndex::shared();
    const std::size_t opened = index.filesOpenedOnMainThread();

    home.tabViewTouched(home.localBtn());
    EXPECT_EQ(index.filesOpenedOnMainThread(), opened) << "the click opens no font file";
    EXPECT_EQ(list.tabTypeNum(), KXHomeListView::ModeLocal);
    EXPECT_EQ(list.dataArray()->count(), 0u) << "while the fonts are read, no rows of the tab before";
    EXPECT_EQ(selectedTabs(), std::vector<KXLeftTabView*>{home.localBtn()});

    hometest::waitForLocalFonts();
    EXPECT_EQ(index.filesOpenedOnMainThread(), opened) << "nor does what the read brings";
    EXPECT_GE(list.dataArray()->count(), kCopies);
    EXPECT_EQ(list.dataArray()->count(), installedFonts());
}

TEST_F(KXHomeLocalTabTest, RowsReadAfterTheTabWasLeftWaitForTheNextClick)
{
    dispatch::VirtualClock::Scope clock;
    auto& home = open();
    useNewFontFolder();
    KXHomeListView& list = *home.rightListview();
    home.tabViewTouched(home.localBtn());
    home.tabViewTouched(home.cloudBtn());
    const auto cloud = list.dataArray();
    ASSERT_GT(cloud->count(), 0u);

    hometest::waitForLocalFonts();
    EXPECT_EQ(list.tabTypeNum(), KXHomeListView::ModeCloud);
    EXPECT_EQ(list.dataArray(), cloud) << "the late rows leave the cloud list alone";
    EXPECT_EQ(selectedTabs(), std::vector<KXLeftTabView*>{home.cloudBtn()});

    const std::size_t opened = KXLocalFontIndex::shared().filesOpenedOnMainThread();
    home.tabViewTouched(home.localBtn());
    EXPECT_EQ(list.dataArray()->count(), installedFonts()) << "the rows read meanwhile, at once";
    EXPECT_EQ(KXLocalFontIndex::shared().filesOpenedOnMainThread(), opened);
}

TEST_F(KXHomeLocalTabTest, TheFontsAreReadSoonAfterStartSoTheFirstClickShowsThem)
{
    dispatch::VirtualClock::Scope clock;
    auto& home = open();
    useNewFontFolder();
    clock.advance(KXHomeViewController::kLocalFontsFirstReadDelay);
    hometest::waitForLocalFonts();

    const std::size_t opened = KXLocalFontIndex::shared().filesOpenedOnMainThread();
    home.tabViewTouched(home.localBtn());
    EXPECT_EQ(KXLocalFontIndex::shared().filesOpenedOnMainThread(), opened);
    EXPECT_GE(home.rightListview()->dataArray()->count(), kCopies);
    EXPECT_EQ(home.rightListview()->dataArray()->count(), installedFonts());
}

} // namespace
