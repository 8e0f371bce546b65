#include "CatalogueTestSupport.h"

#include "Class/ServiceCore/Catalogue/KXBaseDBManager.h"
#include "Class/ServiceCore/Catalogue/KXCatalogueFile.h"
#include "Class/ServiceCore/Catalogue/KXCatalogueRowReader.h"
#include "Class/ServiceCore/Catalogue/KXFontBaseModel.h"
#include "Class/ServiceCore/Catalogue/KXFilterData.h"
#include "Class/ServiceCore/Catalogue/KXSortingData.h"
#include "Class/ServiceCore/Catalogue/KXSuggestionIndex.h"
#include "Class/ServiceCore/Catalogue/KXUserCenterConfig.h"
#include "Lib/SQLKit/SQDatabase.h"
#include "Lib/SQLKit/SQDatabaseQueue.h"
#include "Lib/SQLKit/SQResultSet.h"
#include "Platform/Storage/UserDefaults.h"
#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"
#include "Class/ServiceCore/Transport/KXHTTPBUSINESS.h"
#include "Lib/SQLKit/SQLog.h"
#include "Platform/Dispatch/NotificationCenter.h"
#include "Platform/Foundation/Foundation.h"
#include "Platform/Foundation/NewFiles.h"
#include "Platform/Storage/Paths.h"
#include "Support/TempHome.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <future>
#include <map>
#include <mutex>
#include <thread>

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

using namespace cataloguetest;
using foundation::Id;
namespace fs = std::filesystem;

namespace {

// Takes the catalogue's log lines, from any thread, until it goes; the sink before comes back
// then, whatever way the test leaves.
class ScopedCatalogueLog {
public:
    ScopedCatalogueLog()
        : previous_(KXBaseDBManager::setLogSink([this](const std::string& line) {
            std::lock_guard lock(mutex_);
            lines_.push_back(line);
        }))
    {
    }
    ~ScopedCatalogueLog() { KXBaseDBManager::setLogSink(previous_); }
    ScopedCatalogueLog(const ScopedCatalogueLog&) = delete;
    ScopedCatalogueLog& operator=(const ScopedCatalogueLog&) = delete;

    std::vector<std::string> lines() const
    {
        std::lock_guard lock(mutex_);
        return lines_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
    KXBaseDBManager::LogSink previous_; // last: the sink it replaces may be called at once
};


foundation::Ref<KXFontBaseModel> fontWithId(KXBaseDBManager& manager, long long fontid)
{
    const auto fonts = manager.dataArrayBySqlStr(KXCatalogueStatement("SELECT * FROM fp_fonts WHERE fontid = ?", {Id(fontid)}));
    return fonts->count() == 1 ? Id(fonts->objectAtIndex(0)).as<KXFontBaseModel>() : nullptr;
}

// Points the resource and data folders at scratch folders for the length of a test.
class ScopedFolders {
public:
    ScopedFolders()
        : resources_(testsupport::makeScratchDir("resources"))
        , data_(testsupport::makeScratchDir("data"))
    {
        save("CORVANE_RESOURCE_DIR", resources_);
        save("XDG_DATA_HOME", data_);
    }
    ~ScopedFolders()
    {
        for (const auto& [name, value] : saved_)
            value.empty() ? unsetenv(name.c_str()) : setenv(name.c_str(), value.c_str(), 1);
    }
    const fs::path& resources() const { return resources_; }

private:
    void save(const std::string& name, const fs::path& value)
    {
        const char* old = std::getenv(name.c_str());
        saved_.emplace_back(name, old ? old : "");
        setenv(name.c_str(), value.c_str(), 1);
    }
    fs::path resources_, data_;
    std::vector<std::pair<std::string, std::string>> saved_;
};

std::string contentsOf(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Overwrites `length` bytes in the middle of a file, as a bad sector or a torn write leaves it.
std::string damageMiddle(const fs::path& file, std::size_t length = 8192)
{
    std::fstream bytes(file, std::ios::in | std::ios::out | std::ios::binary);
    bytes.seekp(static_cast<std::streamoff>(fs::file_size(file) / 2 - length / 2));
    const std::string garbage(length, '\x5A');
    bytes.write(garbage.data(), static_cast<std::streamsize>(garbage.size()));
    bytes.close();
    return contentsOf(file);
}

// Makes this thread see file modes as a user does: root's override of them (the capabilities to
// read and write any file) is left out of the thread's effective set while the guard lives. Other
// threads, and the permitted set it is taken back from, are left as they were.
class FileModesApply {
public:
    FileModesApply()
    {
        if (::geteuid() != 0 || !read(saved_))
            return;
        __user_cap_data_struct lowered[2] = {saved_[0], saved_[1]};
        lowered[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        active_ = write(lowered);
    }
    ~FileModesApply()
    {
        if (active_)
            write(saved_);
    }

private:
    static bool read(__user_cap_data_struct (&data)[2])
    {
        __user_cap_header_struct header {_LINUX_CAPABILITY_VERSION_3, 0};
        return ::syscall(SYS_capget, &header, data) == 0;
    }
    static bool write(__user_cap_data_struct (&data)[2])
    {
        __user_cap_header_struct header {_LINUX_CAPABILITY_VERSION_3, 0};
        return ::syscall(SYS_capset, &header, data) == 0;
    }
    __user_cap_data_struct saved_[2] {};
    bool active_ = false;
};

// The names in a folder that start with `prefix`.
std::vector<std::string> namesStartingWith(const fs::path& folder, const std::string& prefix)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename().string().starts_with(prefix))
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The writable copy a manager makes, after an update merged the font `fontid` into it, with an
// older damaged copy already kept beside it.
fs::path mergedCopyBesideAnOlderDamagedOne(long long fontid)
{
    fs::path copy;
    {
        KXBaseDBManager manager;
        copy = manager.catalogueFile();
        execute(copy, "INSERT INTO fp_fonts (fontid, fontname) VALUES (" + std::to_string(fontid) + ", 'merged');");
    }
    std::ofstream(copy.string() + KXCatalogueFile::kDamagedSuffix) << "an older damaged copy";
    return copy;
}

// Counts the notices of a restored catalogue copy while it lives.
[[nodiscard]] dispatch::Subscription countRestores(std::atomic<int>& restored)
{
    return dispatch::NotificationCenter::defaultCenter().addObserver(
        KXBaseDBManager::kCatalogueRestoredNotification, foundation::Id(), nullptr, [&restored](const dispatch::Notification&) { ++restored; });
}

} // namespace

TEST(KXBaseDBManager, RowMappingReadsTheColumnsAsTheRecordExpects)
{
    const fs::path file = copyOfSampleCatalogue();
    execute(file, "INSERT INTO fp_fonts (fontid, fontname, keyword, is_3d, is_sell, new_image, heat, time, type, has_info, font_weight)"
                  " VALUES (0, '', 'keyword name', 256, 4294967295, '{\"zh\":1}', 5, 6, 2, 1, 3),"
                  " (-4, NULL, 'negative id', 257, 2147483648, NULL, 0, 0, 0, 0, 0),"
                  " (7, '', 'not used', 1, -2, NULL, 0, 0, 0, 0, 0);");
    KXBaseDBManager manager(file);

    const auto keywordRow = fontWithId(manager, 0);
    ASSERT_TRUE(keywordRow);
    EXPECT_EQ(keywordRow->fontname->utf8(), "keyword name") << "no name and an id below 1: the keyword";
    EXPECT_FALSE(keywordRow->is_3d) << "only the low byte of 256 counts";
    EXPECT_EQ(keywordRow->is_sell, -1) << "read as 32 bits and sign-extended";
    EXPECT_EQ(keywordRow->isnew_imgage->utf8(), "{\"zh\":1}");
    EXPECT_EQ(keywordRow->heat, 5);
    EXPECT_EQ(keywordRow->time, 6);
    EXPECT_EQ(keywordRow->type, 2);
    EXPECT_EQ(keywordRow->has_info, 1);
    EXPECT_EQ(keywordRow->font_weight, 3);
    EXPECT_FALSE(keywordRow->image) << "NULL reads as nil";

    const auto negative = fontWithId(manager, -4);
    ASSERT_TRUE(negative);
    EXPECT_EQ(negative->fontname->utf8(), "negative id");
    EXPECT_TRUE(negative->is_3d);
    EXPECT_EQ(negative->is_sell, -2147483648LL);

    const auto positive = fontWithId(manager, 7);
    ASSERT_TRUE(positive);
    EXPECT_EQ(positive->fontname->utf8(), "") << "an id of 1 or more keeps its empty name";
    EXPECT_TRUE(positive->is_3d);
    EXPECT_EQ(positive->is_sell, -2);

    const auto sample = allFonts(file).front();
    const auto font = fontWithId(manager, sample.fontid);
    ASSERT_TRUE(font);
    EXPECT_EQ(font->fontname->utf8(), sample.fontname);
    EXPECT_EQ(font->language->utf8(), sample.language);
    EXPECT_EQ(font->marketing ? font->marketing->utf8() : "", sample.marketing);
    EXPECT_EQ(font->font_weight, sample.fontWeight);
    EXPECT_TRUE(font->download_url && font->image && font->night_image && font->ps_name);
    EXPECT_FALSE(font->tags) << "tags are not read into the record";

    EXPECT_EQ(manager.dataArrayBySqlStr(KXCatalogueStatement("SELECT * FROM no_such_table"))->count(), 0u);
}

TEST(KXBaseDBManager, CatalogueURLsTakeTheAPIBaseAsTheyAreRead)
{
    const fs::path file = copyOfSampleCatalogue();
    execute(file, "INSERT INTO fp_fonts (fontid, fontname, image, night_image, download_url, new_image, marketing)"
                  " VALUES (9001, 'a', 'https://catalogue.corvane.invalid/files/previews/1_day.png',"
                  " 'https://catalogue.corvane.invalid/files/previews/1_night.png',"
                  " 'https://catalogue.corvane.invalid/files/fonts/1.zip',"
                  " '{\"zh\":{\"image\":\"https:\\/\\/catalogue.corvane.invalid\\/files\\/badges\\/z.png\",'"
                  " || '\"night_image\":\"https://catalogue.corvane.invalid/files/badges/n.png\"}}',"
                  " 'https://catalogue.corvane.invalid/not-a-url-column'),"
                  " (9002, 'b', 'https://elsewhere.test/catalogue.corvane.invalid/x.png', NULL, '', NULL, NULL);");
    const char* old = std::getenv(KXHTTPBUSINESS::kBaseURLVariable);
    const std::string saved = old ? old : "";
    setenv(KXHTTPBUSINESS::kBaseURLVariable, "https://127.0.0.1:4443/api/", 1);
    KXBaseDBManager manager(file);
    const auto font = fontWithId(manager, 9001);
    const auto other = fontWithId(manager, 9002);
    saved.empty() ? unsetenv(KXHTTPBUSINESS::kBaseURLVariable) : setenv(KXHTTPBUSINESS::kBaseURLVariable, saved.c_str(), 1);

    ASSERT_TRUE(font && other);
    EXPECT_EQ(font->image->utf8(), "https://127.0.0.1:4443/api/files/previews/1_day.png");
    EXPECT_EQ(font->night_image->utf8(), "https://127.0.0.1:4443/api/files/previews/1_night.png");
    EXPECT_EQ(font->download_url->utf8(), "https://127.0.0.1:4443/api/files/fonts/1.zip");
    EXPECT_EQ(font->isnew_imgage->utf8(), "{\"zh\":{\"image\":\"https:\\/\\/127.0.0.1:4443\\/api\\/files\\/badges\\/z.png\","
                                          "\"night_image\":\"https://127.0.0.1:4443/api/files/badges/n.png\"}}")
        << "both the plain and the escaped form inside the JSON";
    EXPECT_EQ(font->marketing->utf8(), "https://catalogue.corvane.invalid/not-a-url-column") << "only URL columns";
    EXPECT_EQ(other->image->utf8(), "https://elsewhere.test/catalogue.corvane.invalid/x.png") << "only the base itself";

    // Without an API base the stored URLs stay: nothing guesses an address.
    EXPECT_EQ(KXCatalogueRowReader::rewriteURLs("https://catalogue.corvane.invalid/a.png", ""),
              "https://catalogue.corvane.invalid/a.png");
}

TEST(KXBaseDBManager, ALongResultKeepsRowOrderAndEveryValueAcrossBatches)
{
    // Thousands of rows after the sample's: every 700th a keyword row, every row with its own
    // name and URLs, a few languages and marketing codes between them.
    const fs::path file = copyOfSampleCatalogue();
    const long long added = 6 * static_cast<long long>(KXCatalogueRowReader::kBatchRows) + 123;
    execute(file, "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " + std::to_string(added) + ")"
                  " INSERT INTO fp_fonts (fontid, fontname, keyword, language, marketing, ps_name, image, download_url, heat, is_sell)"
                  " SELECT CASE WHEN i % 700 = 0 THEN -i ELSE 500000 + i END,"
                  " CASE WHEN i % 700 = 0 THEN '' ELSE 'font ' || i END, 'keyword ' || i,"
                  " ',' || (i % 3) || ',', CASE WHEN i % 5 = 0 THEN NULL ELSE 'm' || (i % 4) END, 'PS-' || i,"
                  " 'https://catalogue.corvane.invalid/files/previews/' || i || '.png',"
                  " 'https://catalogue.corvane.invalid/files/fonts/' || i || '.zip', i, -i FROM n;");
    const long long sampleRows = count(file, "SELECT count(*) FROM fp_fonts") - added;

    const char* old = std::getenv(KXHTTPBUSINESS::kBaseURLVariable);
    const std::string saved = old ? old : "";
    setenv(KXHTTPBUSINESS::kBaseURLVariable, "https://127.0.0.1:4443/", 1);
    KXBaseDBManager manager(file);
    const auto records = manager.dataArrayBySqlStr(KXCatalogueStatement("SELECT * FROM fp_fonts ORDER BY id"));
    saved.empty() ? unsetenv(KXHTTPBUSINESS::kBaseURLVariable) : setenv(KXHTTPBUSINESS::kBaseURLVariable, saved.c_str(), 1);

    ASSERT_EQ(static_cast<long long>(records->count()), sampleRows + added);
    std::map<std::string, const foundation::String*> languages;
    for (long long i = 1; i <= added; ++i) {
        const auto font = Id(records->objectAtIndex(static_cast<std::size_t>(sampleRows + i - 1))).as<KXFontBaseModel>();
        ASSERT_TRUE(font) << i;
        const std::string n = std::to_string(i);
        const bool keywordRow = i % 700 == 0;
        ASSERT_EQ(font->fontid, keywordRow ? -i : 500000 + i) << "row order";
        EXPECT_EQ(font->fontname->utf8(), keywordRow ? "keyword " + n : "font " + n);
        EXPECT_EQ(font->ps_name->utf8(), "PS-" + n);
        EXPECT_EQ(font->image->utf8(), "https://127.0.0.1:4443/files/previews/" + n + ".png");
        EXPECT_EQ(font->download_url->utf8(), "https://127.0.0.1:4443/files/fonts/" + n + ".zip");
        EXPECT_EQ(font->heat, i);
        EXPECT_EQ(font->is_sell, -i);
        EXPECT_EQ(i % 5 == 0, font->marketing == nullptr);
        // Equal language lists are one shared string, whichever batch they came in.
        const auto [known, fresh] = languages.emplace(font->language->utf8(), font->language.get());
        EXPECT_TRUE(fresh || known->second == font->language.get()) << i;
    }
    EXPECT_EQ(languages.size(), 3u);
}

TEST(KXBaseDBManager, RowsReadAheadAreHandedOnceAndNeverStale)
{
    const fs::path file = copyOfSampleCatalogue();
    const KXCatalogueStatement all("SELECT * FROM fp_fonts ORDER BY fontid");
    const KXCatalogueStatement first("SELECT * FROM fp_fonts ORDER BY fontid LIMIT 1");
    {
        KXBaseDBManager manager(file);
        const auto expected = fontids(manager.dataArrayBySqlStr(all));
        ASSERT_GT(expected.size(), 3u);

        // Taken by the same statement, once: the next call reads again, into records of its own.
        manager.readAhead(all);
        const auto ahead = manager.dataArrayBySqlStr(all);
        const auto again = manager.dataArrayBySqlStr(all);
        EXPECT_EQ(fontids(ahead), expected);
        EXPECT_EQ(fontids(again), expected);
        EXPECT_NE(Id(ahead->objectAtIndex(0)).as<KXFontBaseModel>(), Id(again->objectAtIndex(0)).as<KXFontBaseModel>());

        // Another statement gets its own rows, and the rows read ahead are dropped.
        manager.readAhead(all);
        EXPECT_EQ(fontids(manager.dataArrayBySqlStr(first)), std::vector<long long>{expected.front()});
        EXPECT_EQ(fontids(manager.dataArrayBySqlStr(all)), expected);

        // A merge after the read began: the rows come from the merged catalogue, whenever the
        // read ahead ran.
        manager.readAhead(all);
        auto row = foundation::MutableDictionary::create();
        row->setObject(Id(987654), Id("fontid"));
        row->setObject(Id("merged"), Id("fontname"));
        bool merged = false;
        manager.updateDataWithdDatas(foundation::MutableArray::create({Id(row)}), [&](bool ok) { merged = ok; });
        ASSERT_TRUE(merged);
        EXPECT_EQ(fontids(manager.dataArrayBySqlStr(all)).back(), 987654);

        // A statement with arguments is read when asked.
        const KXCatalogueStatement one("SELECT * FROM fp_fonts WHERE fontid = ?", {Id(987654)});
        manager.readAhead(one);
        EXPECT_EQ(fontids(manager.dataArrayBySqlStr(one)), std::vector<long long>{987654});

        // The manager ends with a read still running ahead.
        manager.readAhead(all);
    }
    KXBaseDBManager reopened(file);
    EXPECT_EQ(fontids(reopened.dataArrayBySqlStr(all)).back(), 987654);
}

TEST(KXBaseDBManager, PopularityIgnoresTheStatementsConditions)
{
    const fs::path file = copyOfSampleCatalogue();
    KXBaseDBManager manager(file);
    const auto fonts = allFonts(file);
    auto& state = KXGlobalDataBase::sharedKXGlobalDataBase();
    state.setEnLanguage(false);
    state.setHeatTopArray(foundation::MutableArray::create({Id(fonts.back().fontid)}));
    const KXCatalogueStatement nothing("SELECT * FROM fp_fonts WHERE fontid = ? ORDER BY default_sort DESC", {Id(-1)});
    const auto popular = fontids(manager.soringDataBySqlString(nothing, KXCatalogueOrder::Popularity));
    EXPECT_EQ(popular.size(), fonts.size());
    EXPECT_EQ(popular.front(), fonts.back().fontid);
    EXPECT_TRUE(manager.soringDataBySqlString(nothing)->count() == 0) << "only when asked for";
    state.setHeatTopArray(nullptr);
}

TEST(KXBaseDBManager, VipRuleAndFontDetails)
{
    const fs::path file = copyOfSampleCatalogue();
    execute(file, "INSERT INTO fp_vip_rule (vip_type, rule, content) VALUES ('9', '1,2', NULL);"
                  "INSERT INTO fp_fonts (fontid, fontname, font_info) VALUES (990010, 'broken', '{not json');");
    KXBaseDBManager manager(file);
    const auto vip = manager.vipInfoByViptype(Id("1"));
    const std::string rule = textOf(file, "SELECT rule FROM fp_vip_rule WHERE vip_type = '1'");
    ASSERT_FALSE(rule.empty());
    EXPECT_EQ(Id(vip)["rule"].stringValue(), rule);
    EXPECT_EQ(Id(vip)["content"].stringValue(), textOf(file, "SELECT content FROM fp_vip_rule WHERE vip_type = '1'"));
    EXPECT_TRUE(Id(manager.vipInfoByViptype(Id(1)))["rule"].isEqual(Id(vip)["rule"])) << "a number is compared as text";
    const auto partial = manager.vipInfoByViptype(Id("9"));
    EXPECT_EQ(partial->count(), 1u) << "a NULL column leaves its key out";
    EXPECT_EQ(manager.vipInfoByViptype(Id("1' OR '1'='1"))->count(), 0u);
    EXPECT_EQ(manager.vipInfoByViptype(nullptr)->count(), 0u);

    const Id details = manager.fontInfoByFontid(allFonts(file).front().fontid);
    EXPECT_TRUE(details.is<foundation::MutableDictionary>());
    EXPECT_FALSE(details["designer"].stringValue().empty());
    ScopedCatalogueLog logged;
    EXPECT_TRUE(manager.fontInfoByFontid(990010).isNil());
    const std::vector<std::string> log = logged.lines();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].rfind("json解析失败：", 0), 0u) << log[0];
}

TEST(KXBaseDBManager, WorksOnAWritableCopyOfTheInstalledCatalogue)
{
    const fs::path sample = sampleCatalogue(); // before the folders change: it sets the resource folder once
    ScopedFolders folders;
    const fs::path bundled = folders.resources() / "fonts.sqlite";
    fs::copy_file(sample, bundled);
    const long long rows = count(bundled, "SELECT count(*) FROM fp_fonts");
    {
        KXBaseDBManager manager;
        EXPECT_EQ(manager.catalogueFile(), foundation::Paths::dataDirectory() / "fonts.sqlite");
        execute(manager.catalogueFile(), "INSERT INTO fp_fonts (fontid, fontname) VALUES (990020, 'merged');");
        EXPECT_TRUE(fontWithId(manager, 990020));
    }
    EXPECT_EQ(count(bundled, "SELECT count(*) FROM fp_fonts"), rows) << "the installed file is never written";
    {
        KXBaseDBManager manager;
        EXPECT_TRUE(fontWithId(manager, 990020)) << "the copy is kept while the installed file is the same";
    }
    // A newer installed catalogue replaces the copy.
    execute(bundled, "INSERT INTO fp_fonts (fontid, fontname) VALUES (990021, 'shipped');");
    fs::last_write_time(bundled, fs::last_write_time(bundled) + std::chrono::seconds(5));
    KXBaseDBManager manager;
    EXPECT_FALSE(fontWithId(manager, 990020));
    EXPECT_TRUE(fontWithId(manager, 990021));
}

TEST(KXBaseDBManager, TheWritableCopyAndItsSideFilesAreTheUsersAlone)
{
    const fs::path sample = sampleCatalogue();
    ScopedFolders folders;
    const fs::path bundled = folders.resources() / "fonts.sqlite";
    fs::copy_file(sample, bundled);
    fs::permissions(bundled, fs::perms(0644));
    const auto modeOf = [](const fs::path& file) { return fs::status(file).permissions() & fs::perms::all; };
    const auto ownerOnly = fs::perms::owner_read | fs::perms::owner_write;
    fs::path copy;
    {
        KXBaseDBManager manager;
        copy = manager.catalogueFile();
        EXPECT_EQ(modeOf(copy), ownerOnly) << "not the installed file's mode";
        EXPECT_EQ(modeOf(copy.parent_path()), fs::perms::owner_all);
    }
    EXPECT_EQ(modeOf(bundled), fs::perms(0644)) << "the installed file is not the client's";

    // A copy and a side file an older version left open to all are closed when it is opened.
    fs::path wal = copy;
    wal += "-wal";
    std::ofstream(wal).flush();
    fs::permissions(copy, fs::perms(0644));
    fs::permissions(wal, fs::perms(0644));
    KXBaseDBManager manager;
    EXPECT_EQ(modeOf(copy), ownerOnly);
    EXPECT_EQ(modeOf(wal), ownerOnly);
}

// Links planted at the names the copies of the installed catalogue take lead to a file of the
// user's: the copies go through none of them, leave them as they are, and take names of their own.
TEST(KXBaseDBManager, CopiesOfTheInstalledCatalogueGoThroughNoLinkPlantedAtTheirName)
{
    const fs::path sample = sampleCatalogue();
    ScopedFolders folders;
    const fs::path bundled = folders.resources() / "fonts.sqlite";
    fs::copy_file(sample, bundled);
    const fs::path writable = KXCatalogueFile::writablePath();
    fs::create_directories(writable.parent_path());
    const fs::path usersFile = testsupport::makeScratchDir("planted") / "notes.txt";
    std::ofstream(usersFile) << "the user's notes";
    const auto nameFor = [&](int number) {
        fs::path name = writable;
        name += ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(number);
        return name;
    };
    for (int number : {1, 3})
        fs::create_symlink(usersFile, nameFor(number));
    std::uint64_t next = 1;
    foundation::NewFiles::ScopedNumbers numbers([&next] { return next++; });

    bool copied = false;
    EXPECT_EQ(KXCatalogueFile::prepareWritableCopy(&copied), writable);
    EXPECT_TRUE(copied);
    EXPECT_TRUE(contentsOf(writable) == contentsOf(bundled));
    EXPECT_FALSE(fs::exists(nameFor(2))) << "the copy under the second name was renamed into place";

    const fs::path fresh = KXCatalogueFile::copyOfBundledBesideWritable();
    EXPECT_EQ(fresh, nameFor(4));
    EXPECT_TRUE(contentsOf(fresh) == contentsOf(bundled));
    EXPECT_EQ(contentsOf(usersFile), "the user's notes");
    EXPECT_TRUE(fs::is_symlink(nameFor(1)) && fs::is_symlink(nameFor(3)));
}

TEST(KXBaseDBManager, ReplacesItsFileOnlyWithTheConnectionClosed)
{
    const fs::path file = copyOfSampleCatalogue();
    KXBaseDBManager manager(file);
    const auto rows = allFonts(file).size();

    const fs::path notACatalogue = testsupport::makeScratchDir("junk") / "fonts.sqlite";
    foundation::Data::create(std::string_view("junk"))->writeToFile(notACatalogue.string(), true);
    foundation::Ref<foundation::Error> error;
    EXPECT_FALSE(manager.replaceCatalogueWithFile(notACatalogue, &error));
    EXPECT_TRUE(error);
    EXPECT_EQ(manager.dataArrayBySqlStr(KXCatalogueStatement("SELECT * FROM fp_fonts"))->count(), rows);

    // Readers on other threads see the old or the new file, whole, while it is replaced.
    std::atomic<bool> stop{false};
    std::atomic<int> torn{0};
    std::thread reader([&] {
        while (!stop) {
            const auto seen = manager.dataArrayBySqlStr(KXCatalogueStatement("SELECT * FROM fp_fonts"))->count();
            if (seen != rows && seen != rows + 1)
                ++torn;
        }
    });
    for (int i = 0; i < 5; ++i) {
        const fs::path replacement = copyOfSampleCatalogue();
        execute(replacement, "INSERT INTO fp_fonts (fontid, fontname) VALUES (990030, 'replacement');");
        EXPECT_TRUE(manager.replaceCatalogueWithFile(replacement));
        EXPECT_TRUE(fontWithId(manager, 990030));
        EXPECT_FALSE(fs::exists(replacement));
    }
    stop = true;
    reader.join();
    EXPECT_EQ(torn, 0);
}

TEST(KXBaseDBManager, RefusesADamagedOrIncompleteReplacement)
{
    const fs::path file = copyOfSampleCatalogue();
    KXBaseDBManager manager(file);
    const auto rows = allFonts(file).size();
    const auto size = fs::file_size(file);
    const auto generation = manager.generation();

    // A file whose pages were overwritten after the header: it opens, but fails the check.
    const fs::path damaged = copyOfSampleCatalogue();
    {
        std::fstream bytes(damaged, std::ios::in | std::ios::out | std::ios::binary);
        const auto length = static_cast<std::streamoff>(fs::file_size(damaged));
        const std::string garbage(4096, '\xA5');
        for (std::streamoff at = 4096 * 2; at + 4096 <= length; at += 4096 * 3) {
            bytes.seekp(at + 8);
            bytes.write(garbage.data(), 2048);
        }
    }
    const fs::path noFontInfo = copyOfSampleCatalogue();
    execute(noFontInfo, "ALTER TABLE fp_fonts DROP COLUMN font_info; ALTER TABLE fp_fonts DROP COLUMN is_3d;");
    const fs::path noVipRules = copyOfSampleCatalogue();
    execute(noVipRules, "DROP TABLE fp_vip_rule;");

    const std::vector<std::pair<fs::path, std::string>> candidates = {
        {damaged, "fails the integrity check"},
        {noFontInfo, "has no column is_3d, font_info in fp_fonts"},
        {noVipRules, "has no table fp_vip_rule"},
    };
    for (const auto& [candidate, reason] : candidates) {
        SCOPED_TRACE(reason);
        foundation::Ref<foundation::Error> error;
        EXPECT_FALSE(manager.replaceCatalogueWithFile(candidate, &error));
        ASSERT_TRUE(error);
        EXPECT_NE(error->localizedDescription().find(reason), std::string::npos) << error->localizedDescription();
        EXPECT_TRUE(fs::exists(candidate)) << "a refused file is left where it was";
        EXPECT_EQ(fs::file_size(file), size);
        EXPECT_EQ(manager.dataArrayBySqlStr(KXCatalogueStatement("SELECT * FROM fp_fonts"))->count(), rows);
        EXPECT_EQ(manager.generation(), generation) << "copies of the catalogue's texts stay current";
    }
    // The sample catalogue itself passes, with columns the client does not use added.
    const fs::path wider = copyOfSampleCatalogue();
    execute(wider, "ALTER TABLE fp_fonts ADD COLUMN extra TEXT; INSERT INTO fp_fonts (fontid, fontname) VALUES (990040, 'wider');");
    EXPECT_EQ(KXCatalogueFile::catalogueDefect(wider), "");
    EXPECT_TRUE(manager.replaceCatalogueWithFile(wider));
    EXPECT_TRUE(fontWithId(manager, 990040));
    EXPECT_EQ(manager.generation(), generation + 1);
}

TEST(KXBaseDBManager, ADamagedCopyIsKeptAsideAndMadeAgainOnce)
{
    const fs::path sample = sampleCatalogue();
    ScopedFolders folders;
    const fs::path bundled = folders.resources() / "fonts.sqlite";
    fs::copy_file(sample, bundled);
    const KXCatalogueStatement all("SELECT * FROM fp_fonts");
    const auto rows = allFonts(bundled).size();
    const fs::path copy = mergedCopyBesideAnOlderDamagedOne(990050);
    const fs::path aside = copy.string() + ".damaged";
    const std::string damaged = damageMiddle(copy);
    std::atomic<int> restored{0};
    const auto observation = countRestores(restored);
    ScopedCatalogueLog logged;

    KXBaseDBManager manager;
    const auto generation = manager.generation();
    // The first list is read ahead while other readers find the damage at the same time: one
    // restores the copy, every one of them gets the whole list.
    manager.readAhead(all);
    std::vector<std::thread> readers;
    std::atomic<int> whole{0};
    for (int i = 0; i < 4; ++i)
        readers.emplace_back([&] { whole += manager.dataArrayBySqlStr(all)->count() == rows ? 1 : 0; });
    for (auto& reader : readers)
        reader.join();
    EXPECT_EQ(whole, 4);
    EXPECT_EQ(manager.dataArrayBySqlStr(all)->count(), rows);
    EXPECT_EQ(restored, 1);
    EXPECT_EQ(manager.generation(), generation + 1) << "copies of the old texts are stale";
    EXPECT_TRUE(contentsOf(aside) == damaged) << "the damaged bytes are kept, replacing the older copy";
    EXPECT_FALSE(fontWithId(manager, 990050)) << "the copy is the installed catalogue's again";
    EXPECT_EQ(fs::status(copy).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
    for (const auto& entry : fs::directory_iterator(copy.parent_path()))
        EXPECT_EQ(entry.path().filename().string().find(".tmp-"), std::string::npos) << "left beside the copy: " << entry.path();

    // Damaged again in the same run: no second restore, so a copy that SQLite keeps refusing
    // cannot make every read copy the catalogue again.
    manager.close();
    damageMiddle(copy);
    manager.dataArrayBySqlStr(all);
    manager.vipInfoByViptype(Id("1"));
    EXPECT_EQ(restored, 1);
    EXPECT_TRUE(contentsOf(aside) == damaged);
    const std::vector<std::string> log = logged.lines();
    EXPECT_NE(std::find_if(log.begin(), log.end(), [](const std::string& line) { return line.find("restored") != std::string::npos; }),
              log.end());
}

TEST(KXBaseDBManager, TheTypeAheadAndAMergeFindTheDamageToo)
{
    const fs::path sample = sampleCatalogue();
    const auto rows = allFonts(sample).size();
    auto merged = foundation::MutableDictionary::create();
    merged->setObject(Id(990060), Id("fontid"));
    merged->setObject(Id("merged into the fresh copy"), Id("fontname"));
    const std::vector<std::pair<std::string, std::function<void(KXBaseDBManager&)>>> firstUses = {
        {"type-ahead", [&](KXBaseDBManager& manager) { EXPECT_EQ(manager.suggestionIndex()->fontnames().count(), rows); }},
        {"merge", [&](KXBaseDBManager& manager) {
             bool ok = false;
             manager.updateDataWithdDatas(foundation::MutableArray::create({Id(merged)}), [&](bool answer) { ok = answer; });
             EXPECT_TRUE(ok);
             EXPECT_TRUE(fontWithId(manager, 990060));
         }},
    };
    for (const auto& [name, firstUse] : firstUses) {
        SCOPED_TRACE(name);
        ScopedFolders folders;
        fs::copy_file(sample, folders.resources() / "fonts.sqlite");
        fs::path copy;
        {
            KXBaseDBManager manager;
            copy = manager.catalogueFile();
        }
        // Every page but the first and the last: whatever a statement touches is damaged.
        const std::string damaged = damageMiddle(copy, fs::file_size(copy) - 8192);
        std::atomic<int> restored{0};
        const auto observation = countRestores(restored);
        ScopedCatalogueLog quiet;
        KXBaseDBManager manager;
        firstUse(manager);
        EXPECT_EQ(restored, 1);
        EXPECT_TRUE(contentsOf(copy.string() + ".damaged") == damaged);
    }
}

TEST(KXBaseDBManager, AFailedCopyOfTheCatalogueNamesItsOwnReason)
{
    const fs::path sample = sampleCatalogue();
    ScopedFolders folders;
    fs::copy_file(sample, folders.resources() / "fonts.sqlite");
    // A folder in the copy's place: the copy is made, its rename fails, its removal succeeds.
    fs::create_directories(KXCatalogueFile::writablePath() / "inside");
    ScopedCatalogueLog logged;
    bool copied = true;
    KXCatalogueFile::prepareWritableCopy(&copied);
    const std::vector<std::string> log = logged.lines();
    EXPECT_FALSE(copied);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_NE(log[0].find(std::strerror(EISDIR)), std::string::npos) << log[0];
    EXPECT_EQ(log[0].find(std::strerror(EIO)), std::string::npos) << log[0];
}

// A copy SQLite cannot even read as a catalogue never reaches the damage a read reports: each is
// found when the manager is made, kept aside (moved there when it cannot be linked), and the
// list's first query reads the installed catalogue's rows from a fresh copy.
TEST(KXBaseDBManager, ACopyThatCannotBeReadAtAllIsKeptAsideAndMadeAgain)
{
    const fs::path sample = sampleCatalogue();
    const KXCatalogueStatement all("SELECT * FROM fp_fonts");
    const auto rows = allFonts(sample).size();
    struct Case {
        std::string name;
        std::function<void(const fs::path& copy)> spoil;
        std::function<void(const fs::path& aside)> check;
        std::vector<std::string> names = {"fonts.sqlite", "fonts.sqlite.bundle", "fonts.sqlite.damaged"};
    };
    const std::vector<Case> cases = {
        {"cut to 0 bytes, an older one kept as a folder",
         [](const fs::path& copy) {
             fs::resize_file(copy, 0);
             const fs::path older = copy.string() + ".damaged";
             fs::remove(older);
             fs::create_directories(older);
             std::ofstream(older / "notes.txt") << "kept by an earlier run";
         },
         [](const fs::path& aside) {
             EXPECT_TRUE(fs::is_regular_file(aside));
             EXPECT_EQ(fs::file_size(aside), 0u);
             EXPECT_EQ(contentsOf(aside.string() + ".1/notes.txt"), "kept by an earlier run") << "the older folder moves on";
         },
         {"fonts.sqlite", "fonts.sqlite.bundle", "fonts.sqlite.damaged", "fonts.sqlite.damaged.1"}},
        {"a folder in its place",
         [](const fs::path& copy) {
             fs::remove(copy);
             fs::create_directories(copy);
             std::ofstream(copy / "notes.txt") << "the user's";
         },
         [](const fs::path& aside) { EXPECT_EQ(contentsOf(aside / "notes.txt"), "the user's") << "moved aside, never removed"; }},
        {"unreadable to the user", [](const fs::path& copy) { fs::permissions(copy, fs::perms::none); },
         [](const fs::path& aside) {
             EXPECT_TRUE(fs::is_regular_file(aside));
             EXPECT_EQ(fs::status(aside).permissions() & fs::perms::all, fs::perms::none);
         }},
    };
    for (const auto& [name, spoil, check, names] : cases) {
        SCOPED_TRACE(name);
        ScopedFolders folders;
        fs::copy_file(sample, folders.resources() / "fonts.sqlite");
        const fs::path copy = mergedCopyBesideAnOlderDamagedOne(990070);
        const fs::path aside = copy.string() + ".damaged";
        spoil(copy);
        std::atomic<int> restored{0};
        const auto observation = countRestores(restored);
        ScopedCatalogueLog logged;
        {
            FileModesApply asAUser;
            KXBaseDBManager manager;
            EXPECT_EQ(manager.catalogueFile(), copy);
            EXPECT_FALSE(manager.isReadOnly());
            EXPECT_EQ(manager.dataArrayBySqlStr(all)->count(), rows);
            EXPECT_FALSE(fontWithId(manager, 990070)) << "the copy is the installed catalogue's again";
        }
        const std::vector<std::string> log = logged.lines();
        EXPECT_EQ(restored, 1) << "the data version goes back to the baseline";
        check(aside);
        EXPECT_EQ(namesStartingWith(copy.parent_path(), "fonts.sqlite"), names);
        EXPECT_FALSE(log.empty());
    }
}

// A data folder the client cannot write: no copy can be made, so the lists read the installed
// catalogue itself, opened read-only, and nothing is ever written to it.
TEST(KXBaseDBManager, WhereNoCopyCanBeMadeTheInstalledCatalogueIsReadAndNeverWritten)
{
    const fs::path sample = sampleCatalogue();
    const auto rows = allFonts(sample).size();
    ScopedFolders folders;
    const fs::path bundled = folders.resources() / "fonts.sqlite";
    fs::copy_file(sample, bundled);
    fs::permissions(bundled, fs::perms(0644));
    const std::string installed = contentsOf(bundled);
    const fs::path dataFolder = KXCatalogueFile::writablePath().parent_path();
    fs::create_directories(dataFolder);
    fs::permissions(dataFolder, fs::perms(0500));
    std::atomic<int> readOnly{0};
    const auto observation = dispatch::NotificationCenter::defaultCenter().addObserver(
        KXBaseDBManager::kCatalogueReadOnlyNotification, Id(), nullptr, [&](const dispatch::Notification&) { ++readOnly; });
    ScopedCatalogueLog quiet;
    {
        FileModesApply asAUser;
        KXBaseDBManager manager;
        EXPECT_TRUE(manager.isReadOnly());
        EXPECT_EQ(manager.catalogueFile(), bundled);
        EXPECT_EQ(manager.dataArrayBySqlStr(KXCatalogueStatement("SELECT * FROM fp_fonts"))->count(), rows);
        EXPECT_EQ(readOnly, 1);

        auto row = foundation::MutableDictionary::create();
        row->setObject(Id(990080), Id("fontid"));
        row->setObject(Id("an update"), Id("fontname"));
        bool merged = true;
        manager.updateDataWithdDatas(foundation::MutableArray::create({Id(row)}), [&](bool ok) { merged = ok; });
        EXPECT_FALSE(merged);
        const fs::path replacement = copyOfSampleCatalogue();
        foundation::Ref<foundation::Error> error;
        EXPECT_FALSE(manager.replaceCatalogueWithFile(replacement, &error));
        EXPECT_TRUE(error);
        EXPECT_FALSE(fontWithId(manager, 990080));
    }
    fs::permissions(dataFolder, fs::perms::owner_all);
    EXPECT_TRUE(contentsOf(bundled) == installed) << "the installed catalogue is never written";
    EXPECT_EQ(fs::status(bundled).permissions() & fs::perms::all, fs::perms(0644)) << "nor its mode changed";
    EXPECT_FALSE(fs::exists(KXCatalogueFile::writablePath()));
}

// A restore that was killed left "fonts.sqlite.damaged" as a second name of the damaged file:
// keeping it again leaves no other name behind.
TEST(KXBaseDBManager, KeepingADamagedCopyLeavesNoTemporaryName)
{
    const fs::path folder = testsupport::makeScratchDir("keep-damaged");
    const fs::path file = folder / "fonts.sqlite";
    std::ofstream(file) << "damaged bytes";
    fs::create_hard_link(file, folder / "fonts.sqlite.damaged");
    EXPECT_TRUE(KXCatalogueFile::keepDamaged(file));
    EXPECT_EQ(namesStartingWith(folder, ""), (std::vector<std::string>{"fonts.sqlite", "fonts.sqlite.damaged"}));
    EXPECT_EQ(contentsOf(folder / "fonts.sqlite.damaged"), "damaged bytes");
}

// Whatever took the catalogue's place and was moved aside whole is the user's: a later damage
// moves it on under a free numbered name, with what is inside, and never removes it.
TEST(KXBaseDBManager, AFolderKeptAsideIsNeverRemovedByALaterDamage)
{
    const fs::path folder = testsupport::makeScratchDir("keep-damaged-folder");
    const fs::path file = folder / "fonts.sqlite";
    const fs::path aside = folder / "fonts.sqlite.damaged";
    const auto folderInPlace = [&](const std::string& note) {
        fs::remove(file);
        fs::create_directories(file);
        std::ofstream(file / "notes.txt") << note;
        EXPECT_TRUE(KXCatalogueFile::keepDamaged(file));
        EXPECT_EQ(contentsOf(aside / "notes.txt"), note);
    };
    const auto damagedFile = [&](const std::string& bytes) {
        fs::remove(file);
        std::ofstream(file) << bytes;
        EXPECT_TRUE(KXCatalogueFile::keepDamaged(file));
        EXPECT_EQ(contentsOf(aside), bytes);
    };

    folderInPlace("the user's");
    damagedFile("damaged bytes");
    EXPECT_EQ(contentsOf(folder / "fonts.sqlite.damaged.1" / "notes.txt"), "the user's");
    // A file kept aside gives way as before; a second folder takes the next free number.
    folderInPlace("the user's, later");
    damagedFile("damaged again");
    EXPECT_EQ(contentsOf(folder / "fonts.sqlite.damaged.1" / "notes.txt"), "the user's");
    EXPECT_EQ(contentsOf(folder / "fonts.sqlite.damaged.2" / "notes.txt"), "the user's, later");
    EXPECT_EQ(namesStartingWith(folder, ""),
        (std::vector<std::string>{"fonts.sqlite", "fonts.sqlite.damaged", "fonts.sqlite.damaged.1", "fonts.sqlite.damaged.2"}));

    // An empty folder holds nothing to keep: it is replaced without a number.
    fs::remove(aside);
    fs::create_directories(aside);
    damagedFile("damaged a third time");
    EXPECT_FALSE(fs::exists(folder / "fonts.sqlite.damaged.3"));
}

// The restored copy's observers run after the restore let go of its lock: one that reads the
// catalogue, and finds it damaged again, does not wait on the restore that told it.
TEST(KXBaseDBManager, AnObserverOfTheRestoreMayReadTheCatalogueAgain)
{
    const fs::path sample = sampleCatalogue();
    ScopedFolders folders;
    fs::copy_file(sample, folders.resources() / "fonts.sqlite");
    const KXCatalogueStatement all("SELECT * FROM fp_fonts");
    const auto rows = allFonts(sample).size();
    fs::path copy;
    {
        KXBaseDBManager manager;
        copy = manager.catalogueFile();
    }
    damageMiddle(copy);
    ScopedCatalogueLog quiet;
    auto manager = std::make_shared<KXBaseDBManager>();
    std::atomic<std::size_t> seenByObserver{0};
    const auto observation = dispatch::NotificationCenter::defaultCenter().addObserver(
        KXBaseDBManager::kCatalogueRestoredNotification, Id(), nullptr, [&](const dispatch::Notification&) {
            seenByObserver = manager->dataArrayBySqlStr(all)->count();
            manager->close();
            damageMiddle(copy);
            manager->dataArrayBySqlStr(all); // finds the damage: asks for a restore again
        });
    auto finished = std::make_shared<std::promise<void>>();
    auto done = finished->get_future();
    std::thread([manager, finished, all] {
        manager->dataArrayBySqlStr(all);
        finished->set_value();
    }).detach();
    const bool returned = done.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
    ASSERT_TRUE(returned) << "the observer waits for the restore that posted to it";
    EXPECT_EQ(seenByObserver, rows);
}

namespace {

// The outcome of one background read, waited for on the calling thread.
struct BackgroundRead {
    foundation::Ref<foundation::MutableArray> records;
    std::atomic<int> asked = 0;
};

void readToTheEnd(KXBaseDBManager& manager, const KXCatalogueStatement& statement, BackgroundRead& read,
    const std::function<bool(int question)>& stopAt)
{
    std::promise<void> landed;
    manager.readInBackground(
        statement, [&] { return stopAt(++read.asked); },
        [&](foundation::Ref<foundation::MutableArray> records, unsigned long long) {
            read.records = std::move(records);
            landed.set_value();
        });
    landed.get_future().wait();
}

// Rows up to the fifth in fontid order, then a failure in the middle of the read (SQLite's abs()
// of the smallest integer overflows).
KXCatalogueStatement failingAfterFifthFont(const fs::path& file)
{
    const long long fifth = count(file, "SELECT fontid FROM fp_fonts ORDER BY fontid LIMIT 1 OFFSET 4");
    return KXCatalogueStatement(
        "SELECT * FROM fp_fonts WHERE abs(CASE WHEN fontid > ? THEN -9223372036854775808 ELSE 1 END) > 0 ORDER BY fontid",
        {Id(fifth)});
}

} // namespace

TEST(KXBaseDBManagerLarge, AReadIsAskedAboutItsStopWhileSQLiteWorksTowardsItsFirstRow)
{
    KXBaseDBManager manager(largeCatalogue());
    // No row matches: the whole table is read and sorted before the statement can answer.
    const KXCatalogueStatement nothing(
        "SELECT * FROM fp_fonts WHERE fontname = ? ORDER BY default_sort DESC, fontname", {Id("no such font")});
    BackgroundRead read;
    readToTheEnd(manager, nothing, read, [](int) { return false; });
    ASSERT_TRUE(read.records);
    EXPECT_EQ(read.records->count(), 0u);
    // Once before the statement and once after it, and along the way: a newer reload need not
    // wait for the whole table to be worked through.
    EXPECT_GT(read.asked.load(), 4);
}

TEST(KXBaseDBManagerLarge, AReadStoppedWhileSQLiteSortsEndsWithoutRowsAndLogsNoError)
{
    std::mutex mutex;
    std::vector<std::string> sqlLines;
    const SQLogSink previous = SQSetLogSink([&](const std::string& line) {
        std::lock_guard lock(mutex);
        sqlLines.push_back(line);
    });
    ScopedCatalogueLog catalogueLog;
    KXBaseDBManager manager(largeCatalogue());
    BackgroundRead read;
    // The first question comes before the statement starts; from the second on, the read is
    // no longer wanted.
    readToTheEnd(manager, KXCatalogueStatement("SELECT * FROM fp_fonts ORDER BY fontname, fontid"), read,
        [](int question) { return question >= 2; });
    SQSetLogSink(previous);
    EXPECT_FALSE(read.records);
    std::lock_guard lock(mutex);
    EXPECT_EQ(sqlLines, std::vector<std::string>{}) << "a stop the read asked for is no error";
    EXPECT_EQ(catalogueLog.lines(), std::vector<std::string>{});
}

TEST(KXBaseDBManager, AReadThatFailsPartWayIsToldApartFromAShortList)
{
    ScopedCatalogueLog log;
    const fs::path file = copyOfSampleCatalogue();
    KXBaseDBManager manager(file);
    // The list index is made in the background as the copy opens: its log lines are not this
    // read's.
    manager.waitForBackgroundReads();
    const KXCatalogueStatement failing = failingAfterFifthFont(file);

    BackgroundRead failed;
    readToTheEnd(manager, failing, failed, [](int) { return false; });
    EXPECT_FALSE(failed.records) << "not the five rows read before the failure";
    EXPECT_EQ(manager.dataArrayBySqlStr(failing)->count(), 0u) << "a failed read finds nothing";
    ASSERT_EQ(log.lines().size(), 2u);
    EXPECT_NE(log.lines()[0].find("integer overflow"), std::string::npos) << log.lines()[0];

    // A statement that finds nothing is an empty list, not a failure.
    BackgroundRead empty;
    readToTheEnd(manager, KXCatalogueStatement("SELECT * FROM fp_fonts WHERE fontid < 0 ORDER BY fontid"), empty,
        [](int) { return false; });
    ASSERT_TRUE(empty.records);
    EXPECT_EQ(empty.records->count(), 0u);
}

namespace {

// A copy of the sample catalogue whose orders are decided late: the leading keys tie in large
// groups (some of them NULL), a few rows tie on every key, and a listed font has two rows.
fs::path catalogueWithTies()
{
    const fs::path file = copyOfSampleCatalogue();
    execute(file, "UPDATE fp_fonts SET default_sort = CASE WHEN id % 7 = 0 THEN NULL ELSE id % 3 END,"
                  " m_made_time = id % 2, ser_name_take = CASE WHEN id % 5 = 0 THEN 1 ELSE id % 4 END");
    execute(file, "INSERT INTO fp_fonts (fontid, fontname, language, tags, codeid, default_sort, m_made_time, ser_name_take,"
                  " font_weight, partner_id, marketing) SELECT fontid, fontname || ' 2', language, tags, codeid, default_sort,"
                  " m_made_time, ser_name_take, font_weight, partner_id, marketing FROM fp_fonts WHERE fontid = 1010");
    return file;
}

// The list statements of the cloud list: its default order, and its filters (one that keeps
// many rows, one that keeps a few, one that keeps none), each as a VIP user sees it too.
std::vector<std::pair<std::string, KXCatalogueStatement>> listStatements()
{
    using foundation::MutableDictionary;
    std::vector<std::pair<std::string, KXCatalogueStatement>> statements;
    const auto addAll = [&](const std::string& kind) {
        statements.emplace_back(kind + " default", KXSortingData::defaultOrderStatement());
        statements.emplace_back(kind + " style tag", KXFilterData::tagsStatement(MutableDictionary::create({{Id("风格"), Id("202")}})));
        statements.emplace_back(kind + " weight and brand", KXFilterData::tagsStatement(MutableDictionary::create(
            {{Id(KXFilterData::kWeightCategory), Id("4")}, {Id(KXFilterData::kBrandCategory), Id("2")}})));
        statements.emplace_back(kind + " no match", KXFilterData::tagsStatement(MutableDictionary::create({{Id("风格"), Id("999")}})));
    };
    addAll("plain");
    foundation::UserDefaults::standardUserDefaults().setObject(Id("1"), "vip_type");
    // Listed: a font twice, one the filters drop, one with two rows, one the catalogue lacks.
    KXUserCenterConfig::sharedKXUserCenterConfig().setVipinfo(
        foundation::MutableDictionary::create({{Id("rule"), Id("1030, 1004,1010,99999999,1004,1001")}}));
    addAll("vip");
    KXUserCenterConfig::sharedKXUserCenterConfig().setVipinfo(foundation::MutableDictionary::create({{Id("rule"), Id("")}}));
    addAll("vip, empty rule");
    return statements;
}

// A catalogue read through a manager with the list index made, beside a copy of it read through
// another manager, whose whole statements are what the first rows must match.
struct IndexedAndPlain {
    explicit IndexedAndPlain(const fs::path& file)
        : indexed(file)
        , plainCopy(copied(file))
        , manager(indexed)
        , plain(plainCopy)
    {
        manager.makeListIndexes();
        manager.waitForBackgroundReads();
    }
    static fs::path copied(const fs::path& file)
    {
        const fs::path copy = file.parent_path() / "plain.sqlite";
        fs::copy_file(file, copy);
        return copy;
    }
    const fs::path indexed;
    const fs::path plainCopy;
    KXBaseDBManager manager;
    KXBaseDBManager plain;
};

} // namespace

TEST(KXBaseDBManager, TheFirstRowsOfEveryListOrderAreThoseOfItsWholeStatement)
{
    resetListSettings();
    IndexedAndPlain copies(catalogueWithTies());
    KXBaseDBManager& manager = copies.manager;
    KXBaseDBManager& plain = copies.plain;

    for (const auto& [name, statement] : listStatements()) {
        const auto whole = fontids(plain.dataArrayBySqlStr(statement));
        for (std::size_t count : {1u, 3u, 7u, 200u}) {
            const auto first = manager.firstRowsBySqlStr(statement, count);
            std::vector<long long> expected(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(std::min(count, whole.size())));
            EXPECT_EQ(fontids(first.records), expected) << name << ", " << count << " rows";
            EXPECT_EQ(first.complete, whole.size() < count) << name << ", " << count << " rows";
        }
    }
    resetListSettings();
}

TEST(KXBaseDBManager, TheFirstRowsOfAListOrderSortNoMoreThanTheListedFonts)
{
    resetListSettings();
    const fs::path file = catalogueWithTies();
    KXBaseDBManager manager(file);
    manager.makeListIndexes();
    manager.waitForBackgroundReads();
    // A full update brings a file without the client's index: it is made again.
    const fs::path update = file.parent_path() / "update.sqlite";
    fs::copy_file(sampleCatalogue(), update);
    ASSERT_TRUE(manager.replaceCatalogueWithFile(update));
    manager.waitForBackgroundReads();
    EXPECT_EQ(count(file, "SELECT count(*) FROM sqlite_master WHERE type = 'index' AND name = 'kx_list_order'"), 1);

    for (const auto& [name, statement] : listStatements()) {
        const auto parts = statement.firstRowsParts();
        ASSERT_EQ(parts.size(), name.starts_with("vip") ? 2u : 1u) << name;
        for (std::size_t i = 0; i < parts.size(); ++i) {
            KXCatalogueStatement explained("EXPLAIN QUERY PLAN ");
            explained.append(parts[i]).bind(Id(200LL));
            std::string plan;
            manager.myQueue()->inDatabase([&](const foundation::Ref<SQDatabase>& db) {
                const auto rows = db->executeQueryWithVAList(explained.sql(), explained.arguments());
                ASSERT_TRUE(rows) << db->lastErrorMessage()->utf8();
                while (rows->next())
                    plan += rows->stringForColumn("detail")->utf8() + "\n";
                rows->close();
            });
            // The listed fonts are found by fontid and only they are sorted; the others are walked
            // in their order.
            if (i + 1 < parts.size()) {
                EXPECT_NE(plan.find("idx_fp_fonts_fontid"), std::string::npos) << name << ": " << plan;
            } else {
                EXPECT_NE(plan.find("SCAN fp_fonts USING INDEX kx_list_order"), std::string::npos) << name << ": " << plan;
                EXPECT_EQ(plan.find("TEMP B-TREE"), std::string::npos) << name << ": " << plan;
            }
        }
    }
    resetListSettings();
}

namespace {

constexpr long long kRareBrand = 77;
constexpr std::size_t kListFirstRows = 200; // as many first rows as the cloud list reads
constexpr const char* kRareStyle = "777";

// The sample catalogue grown to tens of thousands of rows, of which a few dozen carry a brand and
// a style no other row has: spread over the whole order (the last of them near its end), two of
// them tying on every key of the order.
fs::path catalogueWithRareRows()
{
    const fs::path file = copyOfSampleCatalogue();
    execute(file, "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 30000)"
                  " INSERT INTO fp_fonts (fontid, fontname, language, tags, codeid, default_sort, m_made_time, ser_name_take,"
                  " font_weight, partner_id, marketing)"
                  " SELECT 500000 + i, 'font ' || i, CASE WHEN i % 5 = 0 THEN ',2,' ELSE ',1,' END, ',101,202,', 1 + i % 2,"
                  " i % 61, i % 13, i % 7, 1 + i % 8, 1 + i % 12, '' FROM n");
    execute(file, "UPDATE fp_fonts SET partner_id = 77, tags = ',101,777,' WHERE fontid > 500000 AND (fontid - 500000) % 853 = 3");
    execute(file, "UPDATE fp_fonts SET default_sort = 0, m_made_time = 0, ser_name_take = 0, font_weight = 3"
                  " WHERE fontid IN (500856, 500003)");
    return file;
}

} // namespace

TEST(KXBaseDBManager, AFilterThatFewRowsMatchGivesAllItsRowsInTheOrderOfItsWholeStatement)
{
    resetListSettings();
    IndexedAndPlain copies(catalogueWithRareRows());
    const fs::path& indexed = copies.indexed;
    KXBaseDBManager& manager = copies.manager;
    KXBaseDBManager& plain = copies.plain;
    ASSERT_GT(count(indexed, "SELECT count(*) FROM fp_fonts"), 30000);
    manager.setFirstRowsSteps(0); // the whole walk, however long

    using foundation::MutableDictionary;
    const auto brand = [] { return MutableDictionary::create({{Id(KXFilterData::kBrandCategory), Id(kRareBrand)}}); };
    const auto brandAndStyle = [] {
        return MutableDictionary::create({{Id(KXFilterData::kBrandCategory), Id(kRareBrand)}, {Id("风格"), Id(kRareStyle)}});
    };
    const auto check = [&](const std::string& kind) {
        for (const auto& [name, filter] : {std::pair{"brand", brand()}, std::pair{"brand and style", brandAndStyle()}}) {
            const KXCatalogueStatement statement = KXFilterData::tagsStatement(filter);
            ASSERT_FALSE(statement.firstRowsParts().empty()) << kind << name << ": read along the list order";
            const auto whole = fontids(plain.dataArrayBySqlStr(statement));
            ASSERT_GT(whole.size(), 20u) << kind << name;
            ASSERT_LT(whole.size(), kListFirstRows) << kind << name;
            // The last rare row lies in the last tenth of the list order.
            const auto all = fontids(plain.dataArrayBySqlStr(KXSortingData::defaultOrderStatement()));
            const auto last = std::find(all.begin(), all.end(), whole.back());
            ASSERT_GT(last - all.begin(), static_cast<std::ptrdiff_t>(all.size() * 9 / 10)) << kind << name;

            const auto first = manager.firstRowsBySqlStr(statement, kListFirstRows);
            EXPECT_EQ(fontids(first.records), whole) << kind << name;
            EXPECT_TRUE(first.complete) << kind << name << ": nothing more to read";
            const auto few = manager.firstRowsBySqlStr(statement, 10);
            EXPECT_EQ(fontids(few.records), std::vector<long long>(whole.begin(), whole.begin() + 10)) << kind << name;
            EXPECT_FALSE(few.complete) << kind << name;
        }
    };
    check("plain, ");
    foundation::UserDefaults::standardUserDefaults().setObject(Id("1"), "vip_type");
    // Listed: two rare fonts, one font the filters drop, one the catalogue lacks.
    KXUserCenterConfig::sharedKXUserCenterConfig().setVipinfo(
        foundation::MutableDictionary::create({{Id("rule"), Id("505121,1004,500003,99999999")}}));
    check("vip, ");
    resetListSettings();
}

TEST(KXBaseDBManager, TheFirstRowsWalkEndsAfterItsStepsWithTheRowsFoundSoFar)
{
    resetListSettings();
    IndexedAndPlain copies(catalogueWithRareRows());
    KXBaseDBManager& manager = copies.manager;
    KXBaseDBManager& plain = copies.plain;
    ScopedCatalogueLog log;

    using foundation::MutableDictionary;
    const auto rare = [] {
        return KXFilterData::tagsStatement(MutableDictionary::create({{Id(KXFilterData::kBrandCategory), Id(kRareBrand)}}));
    };
    const auto check = [&](const std::string& kind) {
        const auto whole = fontids(plain.dataArrayBySqlStr(rare()));
        ASSERT_GT(whole.size(), 20u) << kind;
        // A walk of the whole order for a few rows: ended part way, with the first of them.
        for (long long steps : {1LL, 20000LL, 100000LL}) {
            manager.setFirstRowsSteps(steps);
            const auto first = manager.firstRowsBySqlStr(rare(), kListFirstRows);
            const auto found = fontids(first.records);
            EXPECT_TRUE(first.cutShort) << kind << steps;
            EXPECT_FALSE(first.complete) << kind << steps << ": the rest is still to be read";
            ASSERT_LT(found.size(), whole.size()) << kind << steps;
            EXPECT_EQ(found, std::vector<long long>(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(found.size())))
                << kind << steps;
        }
        // The rows a short walk needs are found within the usual allowance, and so are the first
        // rows of the lists that many rows match.
        manager.setFirstRowsSteps(KXBaseDBManager::kFirstRowsSteps);
        const auto few = manager.firstRowsBySqlStr(rare(), 3);
        EXPECT_FALSE(few.cutShort) << kind;
        EXPECT_EQ(fontids(few.records), std::vector<long long>(whole.begin(), whole.begin() + 3)) << kind;
        for (const auto& [name, statement] : listStatements()) {
            const auto expected = fontids(plain.dataArrayBySqlStr(statement));
            const auto first = manager.firstRowsBySqlStr(statement, kListFirstRows);
            if (expected.size() < kListFirstRows)
                continue; // a filter that few rows match walks the whole order
            EXPECT_FALSE(first.cutShort) << kind << name;
            EXPECT_EQ(fontids(first.records),
                std::vector<long long>(expected.begin(), expected.begin() + static_cast<std::ptrdiff_t>(
                    std::min(expected.size(), kListFirstRows)))) << kind << name;
        }
    };
    check("plain, ");
    foundation::UserDefaults::standardUserDefaults().setObject(Id("1"), "vip_type");
    // Listed: a rare font near the end of the order, so the walk is cut after the listed part.
    KXUserCenterConfig::sharedKXUserCenterConfig().setVipinfo(
        foundation::MutableDictionary::create({{Id("rule"), Id("500003,505121")}}));
    check("vip, ");
    EXPECT_TRUE(log.lines().empty()) << "a walk ended on purpose is no failure: " << log.lines().front();
    resetListSettings();
}
