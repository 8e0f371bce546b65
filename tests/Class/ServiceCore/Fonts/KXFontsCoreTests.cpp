#include "Class/ServiceCore/Fonts/KXFontsCore.h"
#include "Class/ServiceCore/Fonts/KXFontScripts.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "FontEngineFakes.h"
#include "Platform/Dispatch/Clock.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Foundation/Foundation.h"

#include <gtest/gtest.h>

#include <fstream>

using fontengine_test::Bench;
using foundation::Id;
using foundation::String;

namespace {

const std::string kDejaVu = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
const std::string kZenHei = "/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc";

std::vector<std::string> keysOf(const Id& record)
{
    std::vector<std::string> keys;
    const auto dictionary = record.dictionary();
    for (const auto& entry : *dictionary)
        keys.push_back(entry.key.stringValue());
    return keys;
}

foundation::Ref<foundation::Dictionary> coreRecord(const std::string& pName, const std::string& path,
                                               const std::string& family = "Family", const std::string& style = "Bold")
{
    return foundation::Dictionary::create({{Id("fName"), Id(family)}, {Id("fontname"), Id(family)},
                                           {Id("sName"), Id(style)}, {Id("pName"), Id(pName)}, {Id("ttfPath"), Id(path)}});
}

std::string currentModule()
{
    return KXGlobalDataBase::sharedKXGlobalDataBase().currentModule()->utf8();
}

} // namespace

// --- Naming -----------------------------------------------------------------------------------

TEST(KXFontsCoreNaming, NamesAFontThroughTheCache)
{
    Bench bench;
    auto core = KXFontsCore::create(bench.environment());
    KXGlobalDataBase::sharedKXGlobalDataBase().setCurrentModule(String::create("其他"));
    const Id named(core->activeWithPath(String::create(kDejaVu), 0));
    EXPECT_EQ(keysOf(named), (std::vector<std::string>{"fName", "fontname", "sName", "pName", "ttfPath"}));
    EXPECT_EQ(named["fName"].stringValue(), "DejaVu Sans");
    EXPECT_EQ(named["fontname"].stringValue(), "DejaVu Sans");
    EXPECT_EQ(named["sName"].stringValue(), "Bold");
    EXPECT_EQ(named["pName"].stringValue(), "DejaVuSans-Bold");
    EXPECT_EQ(named["ttfPath"].stringValue(), kDejaVu);
    EXPECT_EQ(currentModule(), "字体解析出错");
    ASSERT_EQ(core->fontNamesA()->count(), 1u);
    EXPECT_TRUE(core->fontNamesA()->objectAtIndex(0)[kDejaVu]["pName"].stringValue() == "DejaVuSans-Bold");

    // The second naming is answered by the cache and sets no label.
    KXGlobalDataBase::sharedKXGlobalDataBase().setCurrentModule(String::create("其他"));
    EXPECT_TRUE(Id(core->getfontnamesBypath(String::create(kDejaVu), 0)).ref()->isEqual(*named.ref()));
    EXPECT_EQ(currentModule(), "其他");
}

TEST(KXFontsCoreNaming, UsesTheFamilyOfThePreferredLanguage)
{
    Bench bench;
    bench.languages = {"zh-CN", "en"};
    auto core = KXFontsCore::create(bench.environment());
    const Id named(core->activeWithPath(String::create(kZenHei), 0));
    EXPECT_EQ(named["fName"].stringValue(), "文泉驿正黑");
    EXPECT_EQ(named["pName"].stringValue(), "WenQuanYiZenHei");
    const Id plain(core->fontBaseInfoByFontPath(String::create(kZenHei)));
    EXPECT_EQ(plain["fontname"].stringValue(), "文泉驿正黑");
}

TEST(KXFontsCoreNaming, BaseInfoNeitherReadsNorWritesTheCache)
{
    Bench bench;
    auto core = KXFontsCore::create(bench.environment());
    auto info = core->fontBaseInfoByFontPath(String::create(kDejaVu));
    ASSERT_TRUE(info);
    EXPECT_EQ(Id(info)["sName"].stringValue(), "Bold");
    info->setObject(Id("changed"), Id("pName")); // a mutable record of the caller's own
    EXPECT_EQ(core->fontNamesA()->count(), 0u);
    EXPECT_FALSE(std::filesystem::exists(bench.cache.file()));
}

TEST(KXFontsCoreNaming, AFileThatIsNoFontGivesAnEmptyRecordAndIsNotCached)
{
    Bench bench;
    auto core = KXFontsCore::create(bench.environment());
    const auto notFont = bench.root / "fonts.dir";
    std::ofstream(notFont) << "0\n";
    EXPECT_EQ(core->activeWithPath(String::create(notFont.string()), 0)->count(), 0u);
    EXPECT_FALSE(core->fontBaseInfoByFontPath(String::create(notFont.string())));
    EXPECT_EQ(core->fontNamesA()->count(), 0u);
}

// --- The front application --------------------------------------------------------------------

TEST(KXFontsCoreFrontApplication, EachOwnerNameSelectsItsCode)
{
    const std::vector<std::pair<std::string, int>> owners = {
        {"Microsoft Word", 0}, {"Microsoft PowerPoint", 1}, {"Adobe Photoshop 2024", 2},
        {"Adobe Illustrator", 3}, {"Adobe InDesign 2023", 4}, {"Sketch", 5}};
    for (const auto& [owner, code] : owners) {
        Bench bench;
        auto core = KXFontsCore::create(bench.environment({"Terminal", owner, "Microsoft Word"}));
        EXPECT_EQ(core->getChooseApp(), code) << owner;
        EXPECT_EQ(core->chosenOwnerName(), owner);
    }
}

TEST(KXFontsCoreFrontApplication, NoSupportedWindowKeepsTheOldOwnerName)
{
    Bench bench;
    auto core = KXFontsCore::create(bench.environment({"Finder", "Terminal"}));
    EXPECT_EQ(core->getChooseApp(), KXFontsCore::AppNone);
    EXPECT_EQ(core->chosenOwnerName(), "");
    auto empty = KXFontsCore::create(bench.environment());
    EXPECT_EQ(empty->getChooseApp(), KXFontsCore::AppNone);
}

// --- Hand-off -----------------------------------------------------------------------------------

TEST(KXFontsCoreHandOff, WaitsHalfASecondBetweenTestsAndHandsOffAfterTwelve)
{
    dispatch::VirtualClock::Scope clock;
    Bench bench;
    auto core = KXFontsCore::create(bench.environment());
    core->testnftTyPath(coreRecord("Missing-Font", "/fonts/missing.ttf"), KXFontsCore::AppNone);
    EXPECT_EQ(bench.usabilityTests, 1);
    clock.advance(0.5);
    EXPECT_EQ(bench.usabilityTests, 2);
    clock.advance(5.4);
    EXPECT_EQ(bench.usabilityTests, 12);
    EXPECT_TRUE(bench.endedPaths.empty());
    clock.advance(0.1);
    EXPECT_EQ(bench.usabilityTests, 12);
    EXPECT_EQ(bench.endedPaths, (std::vector<std::string>{"/fonts/missing.ttf"}));
    clock.advance(10);
    EXPECT_EQ(bench.endedPaths.size(), 1u);
}

TEST(KXFontsCoreHandOff, HandsOffAsSoonAsTheFontIsUsable)
{
    dispatch::VirtualClock::Scope clock;
    Bench bench;
    bench.usableFromTest = 3;
    auto core = KXFontsCore::create(bench.environment({"Microsoft Word"}));
    ASSERT_EQ(core->getChooseApp(), KXFontsCore::AppWord);
    core->testnftTyPath(coreRecord("Usable-Font", "/fonts/usable.ttf"), KXFontsCore::AppWord);
    clock.advance(0.99);
    EXPECT_TRUE(bench.endedPaths.empty());
    clock.advance(0.01);
    EXPECT_EQ(bench.usabilityTests, 3);
    EXPECT_EQ(bench.endedPaths, (std::vector<std::string>{"/fonts/usable.ttf"}));
    dispatch::RunLoop::drain();
    EXPECT_EQ(bench.runner->scripts(), (std::vector<std::string>{kxfontscripts::wordScript("Usable-Font")}));
}

TEST(KXFontsCoreHandOff, TwoHandOffsKeepTheirOwnCountsAndPaths)
{
    dispatch::VirtualClock::Scope clock;
    Bench bench;
    auto core = KXFontsCore::create(bench.environment());
    core->testnftTyPath(coreRecord("A-Font", "/fonts/a.ttf"), KXFontsCore::AppNone);
    clock.advance(3.0);
    core->testnftTyPath(coreRecord("B-Font", "/fonts/b.ttf"), KXFontsCore::AppNone);
    clock.advance(3.0);
    EXPECT_EQ(bench.endedPaths, (std::vector<std::string>{"/fonts/a.ttf"}));
    clock.advance(3.0);
    EXPECT_EQ(bench.endedPaths, (std::vector<std::string>{"/fonts/a.ttf", "/fonts/b.ttf"}));
}

TEST(KXFontsCoreHandOff, StartsOnAGlobalQueueAndEndsOnTheMainQueue)
{
    Bench bench;
    bench.usableFromTest = 1;
    auto core = KXFontsCore::create(bench.environment({"Adobe Photoshop 2024"}));
    core->activeFontsBypath(String::create(kDejaVu), nullptr, nullptr);
    ASSERT_TRUE(dispatch::RunLoop::runUntil([&] { return !bench.endedPaths.empty(); }, 10));
    dispatch::RunLoop::runUntil([&] { return !bench.runner->scripts().empty(); }, 10);
    EXPECT_EQ(bench.endedPaths, (std::vector<std::string>{kDejaVu}));
    EXPECT_EQ(bench.runner->scripts(),
              (std::vector<std::string>{kxfontscripts::photoshopScript("Adobe Photoshop 2024", "DejaVuSans-Bold")}));
    EXPECT_EQ(core->fontNamesA()->count(), 1u);
}

TEST(KXFontsCoreHandOff, EveryApplicationGetsItsScript)
{
    Bench bench;
    auto core = KXFontsCore::create(bench.environment({"Adobe InDesign 2024"}));
    ASSERT_EQ(core->getChooseApp(), KXFontsCore::AppInDesign);
    const auto font = coreRecord("Font-PS", "/fonts/f.ttf", "Font Family", "Bold Italic");
    for (long long code : {0, 1, 2, 3, 4})
        core->setTextFontWithSonftType(code, font);
    dispatch::RunLoop::drain();
    EXPECT_EQ(bench.runner->scripts(),
              (std::vector<std::string>{kxfontscripts::wordScript("Font-PS"), kxfontscripts::powerPointScript("Font-PS"),
                                        kxfontscripts::photoshopScript("Adobe InDesign 2024", "Font-PS"),
                                        kxfontscripts::illustratorScript("Font-PS"),
                                        kxfontscripts::inDesignScript("Adobe InDesign 2024", "Font Family\tBold Italic")}));
    EXPECT_EQ(bench.endedPaths, std::vector<std::string>(5, "/fonts/f.ttf"));
}

TEST(KXFontsCoreHandOff, NoApplicationOnlyEndsTheRow)
{
    Bench bench;
    auto core = KXFontsCore::create(bench.environment());
    core->setTextFontWithSonftType(KXFontsCore::AppNone, coreRecord("Font-PS", "/fonts/f.ttf"));
    core->setTextFontWithSonftType(9, coreRecord("Font-PS", "/fonts/g.ttf"));
    dispatch::RunLoop::drain();
    EXPECT_TRUE(bench.runner->scripts().empty());
    EXPECT_EQ(bench.endedPaths, (std::vector<std::string>{"/fonts/f.ttf", "/fonts/g.ttf"}));
}

TEST(KXFontsCoreHandOff, NamesFromFilesAreQuotedOrRefused)
{
    Bench bench;
    auto core = KXFontsCore::create(bench.environment());
    core->wordSetFontName("Evil\" \\ Name", "/fonts/quoted.ttf");
    core->wordSetFontName("Evil\"\ndo shell script \"rm -rf ~\"", "/fonts/refused.ttf");
    dispatch::RunLoop::drain();
    EXPECT_EQ(bench.runner->scripts(), (std::vector<std::string>{kxfontscripts::wordScript("Evil\\\" \\\\ Name")}));
    EXPECT_EQ(bench.endedPaths, (std::vector<std::string>{"/fonts/quoted.ttf", "/fonts/refused.ttf"}));
}

TEST(KXFontsCoreHandOff, ARecordWithoutPathStillEndsItsRow)
{
    dispatch::VirtualClock::Scope clock;
    Bench bench;
    auto core = KXFontsCore::create(bench.environment());
    auto notFont = bench.root / "broken.ttf";
    std::ofstream(notFont) << "broken";
    core->activeFontsBypath(String::create(notFont.string()), nullptr, nullptr);
    ASSERT_TRUE(dispatch::RunLoop::runUntil([&] { return bench.usabilityTests >= 1; }, 10));
    for (int step = 0; step < 40 && bench.endedPaths.empty(); ++step)
        clock.advance(0.5);
    EXPECT_EQ(bench.endedPaths, (std::vector<std::string>{notFont.string()}));
    EXPECT_EQ(bench.usabilityTests, 12);
}

// --- Script failures ----------------------------------------------------------------------------

TEST(KXFontsCoreScriptFailure, FlipsTheMenuLanguageLabelsAndReports)
{
    Bench bench;
    std::vector<std::vector<std::string>> reports;
    KXFontsCore::setClientErrorReporter([&](const auto& name, const auto& version, const auto& platform, const auto& info) {
        reports.push_back({name->utf8(), version->utf8(), platform->utf8(), info->utf8()});
    });
    const std::string menuError = "System Events got an error: Can’t get menu bar item \"Plugins\" of menu bar 1.";
    bench.runner->failWith(menuError);
    auto core = KXFontsCore::create(bench.environment());
    KXGlobalDataBase::sharedKXGlobalDataBase().setCurrentModule(String::create("其他"));

    EXPECT_EQ(core->runScptTaskWithScptStr("script", "/fonts/a.ttf")->utf8(), "");
    EXPECT_EQ(bench.endedPaths, (std::vector<std::string>{"/fonts/a.ttf"}));
    EXPECT_TRUE(reports.empty()); // the script itself waits for the main queue
    dispatch::RunLoop::drain();
    EXPECT_EQ(bench.defaults.stringForKey("sketch")->utf8(), "en");
    EXPECT_EQ(currentModule(), "交互失败");
    EXPECT_EQ(reports, (std::vector<std::vector<std::string>>{{"", "", "mac", menuError}}));

    core->runScptTaskWithScptStr("script", "/fonts/a.ttf");
    dispatch::RunLoop::drain();
    EXPECT_EQ(bench.defaults.stringForKey("sketch")->utf8(), "zh");
    core->runScptTaskWithScptStr("script", "/fonts/a.ttf");
    dispatch::RunLoop::drain();
    EXPECT_EQ(bench.defaults.stringForKey("sketch")->utf8(), "en");

    bench.runner->failWith(std::string("Photoshop got an error: no document"));
    core->runScptTaskWithScptStr("script", "/fonts/a.ttf");
    dispatch::RunLoop::drain();
    EXPECT_EQ(bench.defaults.stringForKey("sketch")->utf8(), "en");
    EXPECT_EQ(reports.size(), 4u);
    EXPECT_EQ(reports.back()[3], "Photoshop got an error: no document");

    bench.runner->failWith(std::nullopt);
    core->runScptTaskWithScptStr("script", "/fonts/a.ttf");
    dispatch::RunLoop::drain();
    EXPECT_EQ(reports.size(), 4u);
    KXFontsCore::setClientErrorReporter(nullptr);
}

// --- The plug-in route --------------------------------------------------------------------------

TEST(KXFontsCoreSketch, WritesThePluginAndClicksItsMenuThreeSecondsLater)
{
    dispatch::VirtualClock::Scope clock;
    Bench bench;
    auto core = KXFontsCore::create(bench.environment({"Sketch"}));
    ASSERT_EQ(core->getChooseApp(), KXFontsCore::AppSketch);
    core->setTextFontWithSonftType(KXFontsCore::AppSketch, coreRecord("O'Font-PS", "/fonts/o.ttf"));

    const auto staged = bench.root / "cache" / "HolliskFont" / "Contents" / "Sketch";
    const auto installed = bench.root / "data" / "com.bohemiancoding.sketch3" / "Plugins" / "HolliskFont.sketchplugin"
        / "Contents" / "Sketch";
    for (const auto& folder : {staged, installed}) {
        std::ifstream script(folder / "script.cocoascript", std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(script), {}), kxfontscripts::sketchPluginScript("O\\'Font-PS"));
        EXPECT_TRUE(std::filesystem::exists(folder / "manifest.json"));
    }
    clock.advance(2.99);
    EXPECT_TRUE(bench.runner->scripts().empty());
    EXPECT_TRUE(bench.endedPaths.empty());
    clock.advance(0.01);
    dispatch::RunLoop::drain();
    EXPECT_EQ(bench.runner->scripts(), (std::vector<std::string>{kxfontscripts::sketchMenuScript(false)}));
    EXPECT_EQ(bench.endedPaths, (std::vector<std::string>{"/fonts/o.ttf"}));

    bench.defaults.setObject(Id("zh"), "sketch");
    core->sketchSetFontName("Other-PS", "/fonts/other.ttf");
    clock.advance(3.0);
    dispatch::RunLoop::drain();
    EXPECT_EQ(bench.runner->scripts().back(), kxfontscripts::sketchMenuScript(true));
    std::ifstream script(installed / "script.cocoascript", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(script), {}), kxfontscripts::sketchPluginScript("Other-PS"));
}
