#include "Class/FontList/Core/KXRowLook.h"
#include "Platform/Foundation/Foundation.h"
#include "Platform/Storage/UserDefaults.h"
#include "Support/TempHome.h"

#include <gtest/gtest.h>

using foundation::Id;
using foundation::String;

namespace {

foundation::Ref<KXFontBaseModel> record(const char* marketing = nullptr)
{
    auto font = std::make_shared<KXFontBaseModel>();
    font->fontid = 1002;
    font->fontname = String::create("DejaVu Sans Bold");
    font->image = String::create("https://svc.test/day.png");
    font->night_image = String::create("https://svc.test/night.png");
    if (marketing)
        font->marketing = String::create(marketing);
    return font;
}

} // namespace

TEST(KXRowLook, PreviewFollowsThePaletteAndTheRowsOwnType)
{
    const auto font = record();
    EXPECT_EQ(KXRowLook::previewURL(*font, 0, true, false), "https://svc.test/day.png") << "isNight YES: the light set";
    EXPECT_EQ(KXRowLook::previewURL(*font, 0, false, false), "https://svc.test/night.png");
    EXPECT_EQ(KXRowLook::previewURL(*font, 2, false, false), "https://svc.test/day.png") << "row type 2: always image";
    font->cellHeight = 60;
    EXPECT_EQ(KXRowLook::cellHeight(*font, 2), 30);
    EXPECT_EQ(KXRowLook::cellHeight(*font, 0), 60);
    font->image = nullptr;
    EXPECT_EQ(KXRowLook::previewURL(*font, 0, true, false), "") << "a missing address is the empty text";
}

TEST(KXRowLook, NewImageTextPicksTheLanguageAndPalette)
{
    const auto font = record();
    font->isnew_imgage = String::create(
        R"({"zh":{"image":"a","night_image":"b"},"eng":{"image":"c"}})");
    EXPECT_EQ(KXRowLook::previewURL(*font, 0, true, false), "a");
    EXPECT_EQ(KXRowLook::previewURL(*font, 0, false, false), "b");
    EXPECT_EQ(KXRowLook::previewURL(*font, 0, true, true), "c");
    EXPECT_EQ(KXRowLook::previewURL(*font, 0, false, true), "") << "a missing entry gives no address";

    font->isnew_imgage = String::create("{not json");
    EXPECT_EQ(KXRowLook::previewURL(*font, 0, true, false), "https://svc.test/day.png") << "invalid JSON: the palette's";
    font->isnew_imgage = String::create("[1,2]");
    EXPECT_EQ(KXRowLook::previewURL(*font, 0, false, false), "https://svc.test/night.png") << "no dictionary";
    font->isnew_imgage = String::create("{\"zh\":5}");
    EXPECT_EQ(KXRowLook::previewURL(*font, 0, true, false), "") << "a part of the wrong kind has no entries";
}

TEST(KXRowLook, MarketingBadgesCompareWholeTags)
{
    auto badges = KXRowLook::badges(*record(",m3,m11,"));
    EXPECT_FALSE(badges.marketingTooShort);
    EXPECT_TRUE(badges.free);
    EXPECT_TRUE(badges.hot);
    EXPECT_FALSE(badges.newest);
    EXPECT_FALSE(badges.heartbeat);

    const auto m31 = record(",m31,");
    badges = KXRowLook::badges(*m31);
    EXPECT_FALSE(badges.free) << "m31 is no m3";
    EXPECT_TRUE(KXRowLook::titleKeepsColourOnHover(*m31)) << "the hover rule tests a substring";
    EXPECT_FALSE(KXRowLook::titleKeepsColourOnHover(*record(",m5,")));

    EXPECT_EQ(KXRowLook::marketingTags(",m5,m4,"), (std::vector<std::string>{"m5", "m4"}));
    // Text that is not plain ASCII is cut by characters, not bytes.
    EXPECT_EQ(KXRowLook::marketingTags("，m3,新，"), (std::vector<std::string>{"m3", "新"}));
    const auto wide = KXRowLook::badges(*record("，m3,m4，"));
    EXPECT_TRUE(wide.free && wide.heartbeat);
    EXPECT_EQ(KXRowLook::marketingTags("m5,"), (std::vector<std::string>{"5"})) << "the first and last characters go";
}

TEST(KXRowLook, ShortMarketingHidesOnlyTheMarketingBadges)
{
    for (const char* marketing : {"", "m3", static_cast<const char*>(nullptr)}) {
        auto font = record(marketing);
        font->fontname = String::create("思源黑体 GBK");
        font->is_3d = true;
        const auto badges = KXRowLook::badges(*font);
        EXPECT_TRUE(badges.marketingTooShort);
        EXPECT_FALSE(badges.free || badges.newest || badges.hot || badges.heartbeat);
        EXPECT_TRUE(badges.gbk);
        EXPECT_TRUE(badges.threeD);
    }
}

TEST(KXRowLook, RingShowsStrictlyBetweenNothingAndDone)
{
    EXPECT_FALSE(KXRowLook::ringVisible(0));
    EXPECT_FALSE(KXRowLook::ringVisible(1));
    EXPECT_TRUE(KXRowLook::ringVisible(0.5));
    EXPECT_EQ(KXRowLook::ringText(0.5), "50%");
    EXPECT_EQ(KXRowLook::ringText(0.005), "1%") << "half away from zero";
    EXPECT_EQ(KXRowLook::ringText(0.0049), "0%");
    EXPECT_EQ(KXRowLook::ringText(0.995), "100%");
    EXPECT_TRUE(KXRowLook::ringVisible(0.995)) << "100% while the ring still shows";
    EXPECT_EQ(KXRowLook::ringText(0.425), "43%");
    EXPECT_EQ(KXRowLook::ringText(0.8), "80%");
    EXPECT_EQ(KXRowLook::ringText(1), "100%");
}

TEST(KXRowLook, LicenceLinkArrivesOnlyAtTheSinglePrecisionEndOfADownload)
{
    auto paid = record(",m5,");
    paid->progress = static_cast<double>(0.85f);
    EXPECT_TRUE(KXRowLook::isLicenceLinkArrival(*paid));
    paid->progress = 0.85;
    EXPECT_FALSE(KXRowLook::isLicenceLinkArrival(*paid)) << "0.85 as a double is another value";

    auto free = record(",m3,");
    free->progress = static_cast<double>(0.85f);
    EXPECT_FALSE(KXRowLook::isLicenceLinkArrival(*free));
    auto unmarked = record();
    unmarked->progress = static_cast<double>(1.0f * 0.85f);
    EXPECT_TRUE(KXRowLook::isLicenceLinkArrival(*unmarked)) << "the download phase's last value";
}

TEST(KXRowLook, MarksFollowTheRecordsState)
{
    auto font = record();
    auto marks = KXRowLook::marks(*font);
    EXPECT_FALSE(marks.installedMark || marks.titleIndented || marks.showsLocalName);
    EXPECT_TRUE(marks.showsFavourite);

    font->isLocalFont = true;
    font->isCollected = true;
    marks = KXRowLook::marks(*font);
    EXPECT_TRUE(marks.installedMark && marks.titleIndented && marks.favouriteActive);

    font->cellType = 2;
    font->cellHeight = 30;
    marks = KXRowLook::marks(*font);
    EXPECT_TRUE(marks.showsLocalName);
    EXPECT_FALSE(marks.showsFavourite) << "a local row has no favourite button";
    EXPECT_EQ(KXRowLook::localNamePointSize(*font), 25);
    EXPECT_EQ(KXRowLook::localName(*font), "DejaVu Sans Bold");
    font->localTitle = String::create("永字八法");
    EXPECT_EQ(KXRowLook::localName(*font), "永字八法");
}

TEST(KXRowLook, ActivationCountsOneEntryPerFont)
{
    auto activation = foundation::MutableArray::create();
    KXRowLook::countActivation(*activation, 1002);
    KXRowLook::countActivation(*activation, 1002);
    KXRowLook::countActivation(*activation, 7);
    ASSERT_EQ(activation->count(), 2u);
    EXPECT_EQ(Id(activation)[0]["fid"].stringValue(), "1002");
    EXPECT_EQ(Id(activation)[0]["num"].stringValue(), "2");
    EXPECT_EQ(Id(activation)[1]["num"].stringValue(), "1");

    // Entries that came from elsewhere (numbers, immutable dictionaries) are counted too.
    auto foreign = foundation::MutableArray::create({Id(foundation::Dictionary::create({{Id("fid"), Id(9)}, {Id("num"), Id(4)}}))});
    KXRowLook::countActivation(*foreign, 9);
    ASSERT_EQ(foreign->count(), 1u);
    EXPECT_EQ(Id(foreign)[0]["num"].stringValue(), "5");
}

TEST(KXRowLook, AddressesComeFromTheUserDefaults)
{
    foundation::UserDefaults defaults(testsupport::makeScratchDir("look") / "defaults.plist");
    EXPECT_EQ(KXRowLook::licenceURL(defaults), "");
    defaults.setObject(Id("https://svc.test/licence"), "brand_license");
    defaults.setObject(Id("https://svc.test/beat"), "heartbeat_url");
    defaults.setObject(Id("https://svc.test/my-beat"), "my_heartbeat_url");
    EXPECT_EQ(KXRowLook::licenceURL(defaults), "https://svc.test/licence");
    EXPECT_EQ(KXRowLook::heartbeatURL(defaults), "https://svc.test/beat");
    defaults.setObject(Id(""), "token");
    defaults.setObject(Id("1"), "agreementPending");
    EXPECT_EQ(KXRowLook::heartbeatURL(defaults), "https://svc.test/beat") << "a user still to agree is nobody's account";
    defaults.removeObjectForKey("agreementPending");
    EXPECT_EQ(KXRowLook::heartbeatURL(defaults), "https://svc.test/my-beat") << "any stored token of an agreed user counts";
}
