#include "Class/FontList/Core/KXDownloadedFontMap.h"
#include "Class/FontList/Core/KXListRowSetup.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "Platform/Foundation/Foundation.h"
#include "Support/TempHome.h"

#include <gtest/gtest.h>

using foundation::Id;
using foundation::String;

TEST(KXListRowSetup, InstalledFontsShowOnEveryTabAndByNameOnTheLocalOne)
{
    KXDownloadedFontMap map(testsupport::makeScratchDir("setup") / "fontsPlist.plist");
    ASSERT_TRUE(map.setPathForFontname("Installed", "/fonts/i.ttf"));
    KXUserCenterConfig::sharedKXUserCenterConfig().setGroupsInfo(foundation::Array::create(
        {Id(foundation::Dictionary::create({{Id("fonts"), Id(foundation::Array::create({Id("12")}))}}))}));

    auto installed = std::make_shared<KXFontBaseModel>();
    installed->fontname = String::create("Installed");
    installed->fontid = 12;
    KXListRowSetup::prepare(*installed, 3, 90, map);
    EXPECT_EQ(installed->ttfPath->utf8(), "/fonts/i.ttf");
    EXPECT_TRUE(installed->isLocalFont);
    EXPECT_EQ(installed->cellType, 3u) << "the mode number: a preview row marked installed";
    EXPECT_TRUE(installed->isCollected);
    EXPECT_EQ(installed->cellHeight, 30);

    KXListRowSetup::prepare(*installed, 2, 50, map);
    EXPECT_EQ(installed->cellType, 2u);
    EXPECT_FALSE(installed->isLocalFont) << "on the local tab it is drawn by name";
    EXPECT_NEAR(installed->cellHeight, 50.0 / 3, 1e-5);

    auto cloud = std::make_shared<KXFontBaseModel>();
    cloud->fontname = String::create("Cloud");
    cloud->isLocalFont = true;
    cloud->isCollected = true;
    cloud->cellType = 1;
    KXListRowSetup::prepare(*cloud, 1, 180, map);
    EXPECT_FALSE(cloud->isLocalFont);
    EXPECT_FALSE(cloud->isCollected);
    EXPECT_EQ(cloud->cellType, 1u) << "a row not installed keeps its type";
    KXListRowSetup::prepare(*cloud, 2, 180, map);
    EXPECT_EQ(cloud->cellType, 2u) << "the local tab draws every row by name";
    KXUserCenterConfig::sharedKXUserCenterConfig().setGroupsInfo(nullptr);
}

TEST(KXListRowSetup, TheSearchPanelDrawsEveryRowAsAPreviewThirtyHigh)
{
    KXDownloadedFontMap map(testsupport::makeScratchDir("setup-search") / "fontsPlist.plist");
    ASSERT_TRUE(map.setPathForFontname("Installed", "/fonts/i.ttf"));
    const auto policy = KXFontRowRoadPolicy::searchPanel();
    for (const long long mode : {1, 2, 3}) {
        auto installed = std::make_shared<KXFontBaseModel>();
        installed->fontname = String::create("Installed");
        KXListRowSetup::prepare(*installed, policy, mode, 90, map);
        EXPECT_EQ(installed->cellType, 1u) << mode;
        EXPECT_TRUE(installed->isLocalFont);
        EXPECT_EQ(installed->ttfPath->utf8(), "/fonts/i.ttf");
        EXPECT_EQ(installed->cellHeight, 30);

        auto cloud = std::make_shared<KXFontBaseModel>();
        cloud->fontname = String::create("Cloud");
        cloud->cellType = 2;
        cloud->isLocalFont = true;
        KXListRowSetup::prepare(*cloud, policy, mode, 180, map);
        EXPECT_EQ(cloud->cellType, 1u);
        EXPECT_FALSE(cloud->isLocalFont);
        EXPECT_EQ(cloud->cellHeight, 30) << "fixed, whatever the row's height";
    }
    // The collection detail leaves the record's height and type to its rows.
    auto record = std::make_shared<KXFontBaseModel>();
    record->cellHeight = 12;
    record->cellType = 7;
    KXListRowSetup::prepare(*record, KXFontRowRoadPolicy::collectionDetail(), 1, 100, map);
    EXPECT_EQ(record->cellHeight, 12);
    EXPECT_EQ(record->cellType, 7u);
}
