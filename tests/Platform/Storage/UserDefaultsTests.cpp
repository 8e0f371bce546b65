#include "Platform/Foundation/Foundation.h"
#include "Platform/Serialization/PropertyListSerialization.h"
#include "Platform/Storage/Paths.h"
#include "Platform/Storage/UserDefaults.h"
#include "Support/LimitedChild.h"
#include "Support/SpreadPropertyList.h"
#include "Support/TempHome.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <thread>
#include <vector>

using namespace foundation;

namespace {

std::filesystem::path freshFile()
{
    return testsupport::makeScratchDir("defaults") / "defaults.plist";
}

} // namespace

TEST(UserDefaultsValues, AbsentAndEmptyStayDistinct)
{
    UserDefaults defaults(freshFile());
    defaults.setObject(Id(""), "token");
    EXPECT_TRUE(defaults.objectForKey("token"));
    EXPECT_EQ(defaults.stringForKey("token")->utf8(), "");
    EXPECT_FALSE(defaults.objectForKey("Name"));
    EXPECT_FALSE(defaults.stringForKey("Name"));
    defaults.setObject(nullptr, "token");
    EXPECT_FALSE(defaults.objectForKey("token"));
}

TEST(UserDefaultsValues, TypedReadersFollowThePlatformsConversions)
{
    UserDefaults defaults(freshFile());
    defaults.setInteger(-12, "n");
    defaults.setObject(Id("42abc"), "s");
    defaults.setBool(true, "b");
    defaults.setObject(Id("YES"), "word");
    defaults.setDouble(1.5, "d");
    EXPECT_EQ(defaults.integerForKey("n"), -12);
    EXPECT_EQ(defaults.stringForKey("n")->utf8(), "-12");
    EXPECT_EQ(defaults.integerForKey("s"), 42);
    EXPECT_TRUE(defaults.boolForKey("b"));
    EXPECT_TRUE(defaults.boolForKey("word"));
    EXPECT_EQ(defaults.doubleForKey("d"), 1.5);
    EXPECT_EQ(defaults.integerForKey("missing"), 0);
    EXPECT_FALSE(defaults.arrayForKey("n"));
}

TEST(UserDefaultsValues, StoredValuesAreFrozenCopies)
{
    UserDefaults defaults(freshFile());
    auto list = MutableArray::create({ Id("a") });
    defaults.setObject(list, "list");
    list->addObject(Id("b"));
    auto stored = defaults.arrayForKey("list");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->count(), 1u);
    EXPECT_FALSE(stored->isKindOfClass(MutableArray::classObject()));
}

TEST(UserDefaultsValues, NonPropertyListValuesAreAMisuse)
{
    UserDefaults defaults(freshFile());
    try {
        defaults.setObject(Array::create({ Id(Null::null()) }), "bad");
        ADD_FAILURE() << "nothing raised";
    } catch (const Exception& exception) {
        EXPECT_EQ(exception.name(), "NSInvalidArgumentException");
        EXPECT_TRUE(exception.reason().starts_with("Attempt to insert non-property list object ("));
        EXPECT_TRUE(exception.reason().ends_with(" for key bad"));
    }
    EXPECT_FALSE(defaults.objectForKey("bad"));
}

TEST(UserDefaultsFile, ChangesReachTheFileAndAnotherStoreReadsThem)
{
    auto file = freshFile();
    {
        UserDefaults defaults(file);
        defaults.setObject(Dictionary::create({ { Id("url"), Id("https://example.invalid/shop") } }), "urls");
        defaults.setObject(Data::create(std::string_view("\0\1", 2)), "blob");
        defaults.setObject(Date::dateWithTimeIntervalSince1970(1.5e9 + 0.25), "when");
        EXPECT_TRUE(defaults.synchronize());
    }
    ASSERT_TRUE(std::filesystem::exists(file));
    UserDefaults reopened(file);
    EXPECT_EQ(
        reopened.dictionaryForKey("urls")->objectForKey("url").stringValue(), "https://example.invalid/shop");
    EXPECT_EQ(reopened.dataForKey("blob")->length(), 2u);
    EXPECT_EQ(reopened.objectForKey("when").as<Date>()->timeIntervalSince1970(), 1.5e9 + 0.25);
}

TEST(UserDefaultsFile, ADamagedFileIsMovedAsideAndReplaced)
{
    auto file = freshFile();
    std::ofstream(file) << "garbage";
    UserDefaults defaults(file);
    EXPECT_EQ(defaults.dictionaryRepresentation()->count(), 0u);
    defaults.setObject(Id(1), "k");
    EXPECT_EQ(UserDefaults(file).integerForKey("k"), 1);
    std::ifstream aside(file.string() + ".damaged");
    std::string kept((std::istreambuf_iterator<char>(aside)), std::istreambuf_iterator<char>());
    EXPECT_EQ(kept, "garbage");
}

TEST(UserDefaultsFile, AFileLargerThanSettingsEverGrowIsMovedAsideUnread)
{
    auto file = freshFile();
    const auto settings = PropertyListSerialization::dataWithPropertyList(
        Id(Dictionary::create({{Id("k"), Id("kept")}})), PropertyListBinaryFormat_v1_0);
    ASSERT_TRUE(settings);
    // The same settings spread over the whole limit still read...
    testsupport::writeSpreadPropertyList(file, settings->view(), UserDefaults::kMaxFileBytes);
    EXPECT_EQ(UserDefaults(file).objectForKey("k").stringValue(), "kept");

    // ...one byte more, and the file is moved aside without being read; the store starts afresh.
    testsupport::writeSpreadPropertyList(file, settings->view(), UserDefaults::kMaxFileBytes + 1);
    UserDefaults defaults(file);
    EXPECT_TRUE(defaults.objectForKey("k").isNil());
    defaults.setObject(Id(1), "n");
    EXPECT_TRUE(defaults.synchronize());
    EXPECT_EQ(UserDefaults(file).integerForKey("n"), 1);
    EXPECT_EQ(std::filesystem::file_size(file.string() + ".damaged"), UserDefaults::kMaxFileBytes + 1);
}

TEST(UserDefaultsFile, AFileThatCannotBeReadIsNeverWrittenOver)
{
    auto dir = testsupport::makeScratchDir("defaults");
    std::filesystem::create_directories(dir / "defaults.plist"); // exists, yet no file to read
    UserDefaults defaults(dir / "defaults.plist");
    int failures = 0;
    defaults.setWriteFailureHandler([&failures](const std::filesystem::path&) { ++failures; });
    std::vector<std::string> refused;
    defaults.setRefusedChangeHandler([&](const std::filesystem::path& file, const std::string& key) {
        EXPECT_EQ(file, dir / "defaults.plist");
        refused.push_back(key);
    });
    EXPECT_TRUE(defaults.isUnreadable());
    defaults.setObject(Id("v"), "k");
    EXPECT_EQ(defaults.stringForKey("k")->utf8(), "v");
    EXPECT_FALSE(defaults.synchronize());
    EXPECT_EQ(defaults.saveOrRemoveFile(), UserDefaults::DiskOutcome::NotRemoved) << "not removed either";
    defaults.removeObjectForKey("k");
    defaults.removeObjectForKey("never-set");
    EXPECT_TRUE(std::filesystem::is_directory(dir / "defaults.plist"));
    EXPECT_EQ(failures, 0) << "an unreadable file is told at start, not as a failed write";
    EXPECT_EQ(refused, (std::vector<std::string>{"k", "k"})) << "each change kept in memory only, by key";

    // Neither a file still to be made nor a damaged one (moved aside) is unreadable.
    EXPECT_FALSE(UserDefaults(freshFile()).isUnreadable());
    auto damaged = freshFile();
    std::ofstream(damaged) << "garbage";
    EXPECT_FALSE(UserDefaults(damaged).isUnreadable());
}

TEST(UserDefaultsFile, ARemovalThatCannotBeWrittenTakesTheFileOffTheDisk)
{
    auto file = freshFile();
    UserDefaults defaults(file);
    std::vector<std::filesystem::path> failures;
    defaults.setWriteFailureHandler([&failures](const std::filesystem::path& path) { failures.push_back(path); });
    defaults.setObject(Id("secret-7f3a"), "token");
    defaults.setObject(Id("yes"), "install");
    ASSERT_TRUE(std::filesystem::exists(file));
    {
        testsupport::FileSizeLimit full(16); // less than any settings file
        defaults.removeObjectForKey("token");
        EXPECT_EQ(defaults.saveOrRemoveFile(), UserDefaults::DiskOutcome::FileRemoved);
    }
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_TRUE(std::filesystem::is_empty(file.parent_path())) << "no temporary copy left either";
    EXPECT_EQ(failures, std::vector<std::filesystem::path> {file}) << "three writes failed, one report";
    EXPECT_EQ(defaults.stringForKey("install")->utf8(), "yes") << "the values stay in memory";

    // The next save that succeeds writes them all again.
    EXPECT_TRUE(defaults.synchronize());
    UserDefaults reopened(file);
    EXPECT_EQ(reopened.stringForKey("install")->utf8(), "yes");
    EXPECT_TRUE(reopened.objectForKey("token").isNil());
    EXPECT_EQ(defaults.saveOrRemoveFile(), UserDefaults::DiskOutcome::Saved);
}

TEST(UserDefaultsFile, AFailedWriteIsReportedBySynchronizeAndOnceToTheHandler)
{
    auto dir = testsupport::makeScratchDir("defaults");
    const auto blocker = dir / "blocker";
    std::ofstream(blocker) << "a file where a folder should be";
    UserDefaults defaults(blocker / "defaults.plist");
    int failures = 0;
    defaults.setWriteFailureHandler([&](const std::filesystem::path& file) {
        EXPECT_EQ(file, blocker / "defaults.plist");
        ++failures;
    });
    defaults.setRefusedChangeHandler([](const std::filesystem::path&, const std::string& key) { ADD_FAILURE() << key << ": a failed write is no refusal"; });
    defaults.setObject(Id("v"), "k");
    defaults.setObject(Id("w"), "l");
    EXPECT_EQ(defaults.stringForKey("k")->utf8(), "v");
    EXPECT_FALSE(defaults.synchronize());
    EXPECT_EQ(failures, 1);

    // Once a write succeeded, the next failure is a new one.
    std::filesystem::remove(blocker);
    std::filesystem::create_directory(blocker);
    EXPECT_TRUE(defaults.synchronize());
    std::filesystem::remove_all(blocker);
    std::ofstream(blocker) << "in the way again";
    defaults.setObject(Id("x"), "m");
    EXPECT_EQ(failures, 2);
}

TEST(UserDefaultsFile, StandardStoreLivesInTheConfigFolder)
{
    EXPECT_EQ(UserDefaults::standardUserDefaults().file(), Paths::configDirectory() / "defaults.plist");
}

TEST(UserDefaultsObservers, ChangesAreReportedWhileTheTokenLives)
{
    UserDefaults defaults(freshFile());
    std::vector<std::string> keys;
    {
        auto token = defaults.addChangeObserver([&](const std::string& key) { keys.push_back(key); });
        defaults.setObject(Id(1), "a");
        defaults.removeObjectForKey("a");
        defaults.removeObjectForKey("never-set");
    }
    defaults.setObject(Id(2), "b");
    EXPECT_EQ(keys, (std::vector<std::string> { "a", "a" }));
}

TEST(UserDefaultsThreads, ConcurrentWritersLoseNothing)
{
    auto file = freshFile();
    UserDefaults defaults(file);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&defaults, t] {
            for (int i = 0; i < 25; ++i)
                defaults.setInteger(i, "k" + std::to_string(t) + "-" + std::to_string(i));
        });
    }
    for (auto& thread : threads)
        thread.join();
    UserDefaults reopened(file);
    EXPECT_EQ(reopened.dictionaryRepresentation()->count(), 100u);
    EXPECT_EQ(reopened.integerForKey("k3-24"), 24);
}
