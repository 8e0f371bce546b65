#include "Class/AppShell/KXMigration.h"

#include "Class/Account/Core/KXSignInEvents.h"

#include "Class/FontList/Core/KXDownloadedFontMap.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "Platform/Crypto/Base64.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Foundation/Data.h"
#include "Platform/Serialization/PropertyListSerialization.h"
#include "Platform/Storage/UserDefaults.h"
#include "Support/TempHome.h"
#include "ShellServiceTest.h"

#include <fstream>
#include <memory>
#include <vector>

namespace fs = std::filesystem;
using foundation::Id;

namespace {

const fs::path kDejaVu = "/usr/share/fonts/truetype/dejavu";

class KXMigrationTest : public shelltest::ShellServiceTest {
protected:
    void SetUp() override
    {
        ShellServiceTest::SetUp();
        const fs::path root = testsupport::makeScratchDir("migration");
        map_ = std::make_unique<KXDownloadedFontMap>(root / "cache/KXFonts/fontsPlist.plist");
        sources_ = {root / "data/墨舟/UsrMsg.json", root / "Documents/CorvaneFont/downft/used", root / "fonts", map_.get()};
        fs::create_directories(sources_.usedFonts);
        fs::create_directories(sources_.accountFile.parent_path());
        foundation::UserDefaults::standardUserDefaults().removeObjectForKey("token");
    }

    void writeAccount(const std::string& text) const { std::ofstream(sources_.accountFile, std::ios::binary) << text; }

    struct Moved {
        std::vector<float> widths;
        foundation::Ref<foundation::Dictionary> recorded;
    };
    Moved move() const
    {
        auto moved = std::make_shared<Moved>();
        auto finished = std::make_shared<bool>(false);
        KXMigration::create(sources_)->moveOldFiles([moved](float width) { moved->widths.push_back(width); },
                                                    [moved, finished](const foundation::Ref<foundation::Dictionary>& recorded) {
                                                        moved->recorded = recorded;
                                                        *finished = true;
                                                    });
        EXPECT_TRUE(waitFor([finished] { return *finished; }));
        return *moved;
    }

    Id mapOnDisk() const
    {
        auto data = foundation::Data::dataWithContentsOfFile(mapFile());
        return data ? foundation::PropertyListSerialization::propertyListWithData(data, 0) : Id();
    }

    const fs::path& mapFile() const { return map_->file(); }

    std::unique_ptr<KXDownloadedFontMap> map_;
    KXMigration::Sources sources_;
};

} // namespace

TEST_F(KXMigrationTest, TheAccountFileIsBase64OfJsonWithStrayCharactersSkipped)
{
    const std::string encoded = crypto::base64Encode(std::string_view(R"({"user":"demo","pass":"demo1234"})"));
    writeAccount(encoded.substr(0, 10) + "\n\t*" + encoded.substr(10, 7) + "\r\n" + encoded.substr(17));
    const Id account = KXMigration::readOldLocalFile(sources_.accountFile);
    EXPECT_EQ(account["user"].stringValue(), "demo");
    EXPECT_EQ(account["pass"].stringValue(), "demo1234");
    EXPECT_EQ(KXMigration::create(sources_)->account()["user"].stringValue(), "demo");

    for (const std::string& text : {std::string("not an account at all"), crypto::base64Encode(std::string_view("[1, 2]")),
                                    crypto::base64Encode(std::string_view(R"({"user": "", "pass": "x"})"))}) {
        writeAccount(text);
        EXPECT_TRUE(KXMigration::create(sources_)->account().isNil()) << text;
    }
    writeAccount(std::string("\xff\xfe\x00\x41", 4));
    EXPECT_FALSE(KXMigration::isAccountFileReadable(sources_.accountFile));
    fs::remove(sources_.accountFile);
    EXPECT_TRUE(KXMigration::readOldLocalFile(sources_.accountFile).isNil());
}

TEST_F(KXMigrationTest, OfferedOnlyToAnEmptyInstallationWithAnAccountFile)
{
    auto& session = KXUserCenterConfig::sharedKXUserCenterConfig();
    EXPECT_FALSE(KXMigration::shouldOffer(sources_, session)) << "no account file";
    writeAccount("eyJ1c2VyIjoiZGVtbyJ9");
    EXPECT_TRUE(KXMigration::shouldOffer(sources_, session));
    foundation::UserDefaults::standardUserDefaults().setObject(Id("token-1"), "token");
    EXPECT_FALSE(KXMigration::shouldOffer(sources_, session)) << "someone is signed in";
    foundation::UserDefaults::standardUserDefaults().removeObjectForKey("token");
    fs::create_directories(mapFile().parent_path());
    foundation::PropertyListSerialization::dataWithPropertyList(
        Id(foundation::Dictionary::create({{Id("DejaVu Sans"), Id("/x/DejaVuSans.ttf")}})), foundation::PropertyListXMLFormat_v1_0)
        ->writeToFile(mapFile(), true);
    EXPECT_FALSE(KXMigration::shouldOffer(sources_, session)) << "fonts are recorded already";
}

TEST_F(KXMigrationTest, CopiesRegularFontFilesAndRecordsThemByFamily)
{
    for (const char* name : {"DejaVuSans.ttf", "DejaVuSans-Bold.ttf", "DejaVuSerif.ttf"})
        fs::copy_file(kDejaVu / name, sources_.usedFonts / name);
    std::ofstream(sources_.usedFonts / ".DS_Store") << "Bud1";
    fs::create_symlink(kDejaVu / "DejaVuSansMono.ttf", sources_.usedFonts / "link.ttf");
    fs::create_directories(sources_.usedFonts / "folder.ttf");
    // A font already in the font folder: the copy fails, the file there is recorded.
    fs::create_directories(sources_.fontsFolder);
    fs::copy_file(kDejaVu / "DejaVuSerif.ttf", sources_.fontsFolder / "DejaVuSerif.ttf");

    const Moved moved = move();
    ASSERT_TRUE(moved.recorded);
    // Sorted listing: both DejaVu Sans files have the same family; the later one wins.
    EXPECT_EQ(Id(moved.recorded)["DejaVu Sans"].stringValue(), (sources_.fontsFolder / "DejaVuSans.ttf").string());
    EXPECT_EQ(Id(moved.recorded)["DejaVu Serif"].stringValue(), (sources_.fontsFolder / "DejaVuSerif.ttf").string());
    EXPECT_TRUE(Id(moved.recorded)["DejaVu Sans Mono"].isNil()) << "a link is not followed";
    EXPECT_FALSE(fs::exists(sources_.fontsFolder / "link.ttf"));
    EXPECT_FALSE(fs::exists(sources_.fontsFolder / "folder.ttf"));
    EXPECT_TRUE(fs::exists(sources_.fontsFolder / "DejaVuSans-Bold.ttf"));
    EXPECT_TRUE(mapOnDisk().isEqual(Id(moved.recorded)));

    // Six entries: i * 220 / 6 after each, then the full width.
    const std::vector<float> expected = {0, 220.f / 6, 2 * 220.f / 6, 3 * 220.f / 6, 4 * 220.f / 6, 5 * 220.f / 6, 220};
    ASSERT_EQ(moved.widths.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_FLOAT_EQ(moved.widths[i], expected[i]);
}

TEST_F(KXMigrationTest, RecordingAddsToWhatTheMapsOwnerHolds)
{
    // A font the list recorded while the fonts were being copied stays beside the migrated ones.
    fs::copy_file(kDejaVu / "DejaVuSans.ttf", sources_.usedFonts / "DejaVuSans.ttf");
    ASSERT_TRUE(map_->setPathForFontname("Listed", "/x/Listed.ttf"));
    const Moved moved = move();
    ASSERT_TRUE(moved.recorded);
    EXPECT_EQ(map_->pathForFontname("Listed")->utf8(), "/x/Listed.ttf");
    EXPECT_EQ(map_->pathForFontname("DejaVu Sans")->utf8(), (sources_.fontsFolder / "DejaVuSans.ttf").string());
    EXPECT_EQ(mapOnDisk().count(), 2u);
}

TEST_F(KXMigrationTest, AFolderWithOnlyTheFinderFileWritesAnEmptyMap)
{
    std::ofstream(sources_.usedFonts / ".DS_Store") << "Bud1";
    const Moved moved = move();
    ASSERT_TRUE(moved.recorded);
    EXPECT_EQ(moved.recorded->count(), 0u);
    EXPECT_EQ(moved.widths.back(), KXMigration::kFullWidth);
    ASSERT_TRUE(mapOnDisk().dictionary());
    EXPECT_EQ(mapOnDisk().count(), 0u);
}

TEST_F(KXMigrationTest, AnEmptyFolderWritesNoMap)
{
    const Moved moved = move();
    EXPECT_FALSE(moved.recorded);
    EXPECT_TRUE(moved.widths.empty());
    EXPECT_FALSE(fs::exists(mapFile()));
}

TEST_F(KXMigrationTest, TheFormerAccountSignsInEverywhere)
{
    std::vector<foundation::Ref<foundation::Dictionary>> posted;
    auto observation = dispatch::NotificationCenter::defaultCenter().addObserver(
        KXMigration::kSignInNotification, Id(), nullptr,
        [&posted](const dispatch::Notification& notification) { posted.push_back(notification.userInfo); });

    auto outcome = std::make_shared<std::optional<bool>>();
    KXMigration::signIn(Id(foundation::Dictionary::create({{Id("user"), Id("demo")}, {Id("pass"), Id("wrong")}})),
                        [outcome](bool signedIn) { *outcome = signedIn; });
    ASSERT_TRUE(waitFor([outcome] { return outcome->has_value(); }));
    EXPECT_FALSE(**outcome);
    EXPECT_TRUE(posted.empty());
    ASSERT_FALSE(errorLog()["param"].isNil());
    EXPECT_TRUE(errorLog()["param"]["password"].isNil()) << "the password never reaches the log";

    outcome->reset();
    KXMigration::signIn(Id(foundation::Dictionary::create({{Id("user"), Id("demo")}, {Id("pass"), Id("demo1234")}})),
                        [outcome](bool signedIn) { *outcome = signedIn; });
    ASSERT_TRUE(waitFor([outcome] { return outcome->has_value(); }));
    EXPECT_TRUE(**outcome);
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(Id(posted[0])["loginMessage"]["uname"].stringValue(), "demo");
    EXPECT_FALSE(Id(posted[0])["loginMessage"]["token"].stringValue().empty());

    // Someone signs in while the former account is asked for: that account stays.
    outcome->reset();
    holdNextReply("login");
    KXMigration::signIn(Id(foundation::Dictionary::create({{Id("user"), Id("newbie")}, {Id("pass"), Id("newbie123")}})),
                        [outcome](bool signedIn) { *outcome = signedIn; });
    ASSERT_TRUE(waitForHeldReplies());
    ASSERT_TRUE(KXSignInEvents::postLoginMessage(Id(foundation::Dictionary::create({{Id("uname"), Id("editor")}})),
                                                 KXSignInEvents::startAttempt()));
    ASSERT_TRUE(releaseHeldReplies());
    ASSERT_TRUE(waitFor([outcome] { return outcome->has_value(); }));
    EXPECT_FALSE(**outcome);
    ASSERT_EQ(posted.size(), 2u);
    EXPECT_EQ(Id(posted[1])["loginMessage"]["uname"].stringValue(), "editor");
}
