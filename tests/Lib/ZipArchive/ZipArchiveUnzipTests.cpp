#include "Lib/ZipArchive/ZipArchive.h"

#include "Platform/Foundation/Foundation.h"
#include "Support/LegacyText.h"
#include "Support/TempHome.h"
#include "TestArchives.h"

#include "Lib/ZipArchive/EntryName.h"

#include <filesystem>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

namespace fs = std::filesystem;
using foundation::Error;
using foundation::Ref;
using namespace ziptest;

namespace {

struct Progress {
    std::string name;
    long index;
    long total;
};

struct Completion {
    int calls = 0;
    Ref<foundation::String> path;
    bool succeeded = false;
    Ref<Error> error;
};

class UnzipTest : public testing::Test {
protected:
    void SetUp() override
    {
        scratch = testsupport::makeScratchDir("unzip");
        archive = scratch / "in.zip";
        destination = scratch / "out";
    }

    // Runs the progress/completion form and records both.
    bool unzip(bool overwrite = true, const std::string& password = std::string())
    {
        return ZipArchive::unzipFileAtPath(
            archive, destination, overwrite, password,
            [this](const std::string& name, const ZipEntryInfo&, long index, long total) {
                progress.push_back({name, index, total});
            },
            [this](const Ref<foundation::String>& path, bool succeeded, const Ref<Error>& error) {
                ++completion.calls;
                completion.path = path;
                completion.succeeded = succeeded;
                completion.error = error;
            });
    }

    fs::path scratch;
    fs::path archive;
    fs::path destination;
    std::vector<Progress> progress;
    Completion completion;
};

mode_t modeOf(const fs::path& path)
{
    struct stat status {};
    EXPECT_EQ(::lstat(path.c_str(), &status), 0) << path;
    return status.st_mode;
}

} // namespace

// --- Ordinary archives --------------------------------------------------------------------

TEST_F(UnzipTest, UnpacksFilesAndFoldersAndReportsEachEntryInOrder)
{
    libzipArchive(archive, {{"docs/", "", true}, {"docs/a.txt", "alpha"}, {"b.bin", std::string("\0\1\2", 3)}});
    ASSERT_TRUE(unzip());
    EXPECT_EQ(readBytes(destination / "docs/a.txt"), "alpha");
    EXPECT_EQ(readBytes(destination / "b.bin"), std::string("\0\1\2", 3));
    EXPECT_EQ(listTree(destination), (std::vector<std::string>{"b.bin", "docs/", "docs/a.txt"}));
    ASSERT_EQ(progress.size(), 3u);
    EXPECT_EQ(progress[0].name, "docs/");
    EXPECT_EQ(progress[1].name, "docs/a.txt");
    EXPECT_EQ(progress[2].name, "b.bin");
    for (long i = 0; i < 3; ++i) {
        EXPECT_EQ(progress[static_cast<std::size_t>(i)].index, i);
        EXPECT_EQ(progress[static_cast<std::size_t>(i)].total, 3);
    }
    EXPECT_EQ(completion.calls, 1);
    ASSERT_TRUE(completion.path);
    EXPECT_EQ(completion.path->utf8(), archive.string());
    EXPECT_TRUE(completion.succeeded);
    EXPECT_FALSE(completion.error);
}

TEST_F(UnzipTest, EmptyArchiveSucceeds)
{
    writeBytes(archive, rawArchive({}));
    ASSERT_TRUE(unzip());
    EXPECT_TRUE(completion.succeeded);
    EXPECT_FALSE(completion.error);
    EXPECT_TRUE(progress.empty());
}

TEST_F(UnzipTest, SkipsMacResourceFolderWithoutReportingIt)
{
    libzipArchive(archive, {{"__MACOSX/._a.txt", "junk"}, {"a.txt", "kept"}});
    ASSERT_TRUE(unzip());
    EXPECT_EQ(listTree(destination), (std::vector<std::string>{"a.txt"}));
    ASSERT_EQ(progress.size(), 1u);
    EXPECT_EQ(progress[0].name, "a.txt");
    EXPECT_EQ(progress[0].index, 1); // the skipped entry still counts
}

TEST_F(UnzipTest, BackslashNamesBecomeSubFolders)
{
    writeBytes(archive, rawArchive({fileEntry("dir\\sub\\file.txt", "x")}));
    ASSERT_TRUE(unzip());
    EXPECT_EQ(readBytes(destination / "dir/sub/file.txt"), "x");
    ASSERT_EQ(progress.size(), 1u);
    EXPECT_EQ(progress[0].name, "dir/sub/file.txt");
}

TEST_F(UnzipTest, EmptyNameBecomesTheIndex)
{
    writeBytes(archive, rawArchive({fileEntry("a", "1"), fileEntry("", "2")}));
    ASSERT_TRUE(unzip());
    EXPECT_EQ(readBytes(destination / "1"), "2");
}

TEST_F(UnzipTest, OverwriteOffKeepsExistingFilesButMakesFolders)
{
    libzipArchive(archive, {{"a.txt", "new"}, {"sub/", "", true}, {"b.txt", "b"}});
    fs::create_directories(destination);
    writeBytes(destination / "a.txt", "old");
    ASSERT_TRUE(unzip(false));
    EXPECT_EQ(readBytes(destination / "a.txt"), "old");
    EXPECT_TRUE(fs::is_directory(destination / "sub"));
    EXPECT_EQ(readBytes(destination / "b.txt"), "b");
    ASSERT_EQ(progress.size(), 2u); // the skipped file is not reported
    EXPECT_EQ(progress[0].name, "sub/");
}

TEST_F(UnzipTest, OverwriteOnReplacesExistingFiles)
{
    libzipArchive(archive, {{"a.txt", "new"}});
    fs::create_directories(destination);
    writeBytes(destination / "a.txt", "old and longer");
    ASSERT_TRUE(unzip(true));
    EXPECT_EQ(readBytes(destination / "a.txt"), "new");
}

// --- Names -----------------------------------------------------------------------------------

TEST_F(UnzipTest, DosNamesWithoutUtf8FlagAreCodePage437)
{
    RawEntry dos;
    dos.name = "\x80\x81\xE1.txt"; // Ç ü ß
    dos.versionMadeBy = 0x0014;
    dos.externalFa = 0x20;
    RawEntry utf8;
    utf8.name = "\xC3\xA9t\xC3\xA9.txt"; // été
    utf8.versionMadeBy = 0x0014;
    utf8.flag = 0x800;
    writeBytes(archive, rawArchive({dos, utf8}));
    ASSERT_TRUE(unzip());
    EXPECT_EQ(listTree(destination), (std::vector<std::string>{"\xC3\x87\xC3\xBC\xC3\x9F.txt", "\xC3\xA9t\xC3\xA9.txt"}));
}

TEST(ZipArchiveNames, DecodingFollowsHostFlagAndFallsBack)
{
    const char cp437[] = "\x84";
    EXPECT_EQ(ZipArchive::_filenameStringWithCString(cp437, 0, 0, 1)->utf8(), "\xC3\xA4"); // ä
    // A Unix host means the bytes are taken as UTF-8 when they are valid.
    const char utf8[] = "\xC3\xA4";
    EXPECT_EQ(ZipArchive::_filenameStringWithCString(utf8, 0x0314, 0, 2)->utf8(), "\xC3\xA4");
    // Invalid UTF-8 from a Unix host: the detected encoding, else the bytes' hex text.
    const char latin1[] = "Les caract\xE8res accentu\xE9s fran\xE7"
                          "ais.txt";
    EXPECT_EQ(ZipArchive::_filenameStringWithCString(latin1, 0x0314, 0, sizeof latin1 - 1)->utf8(),
              "Les caract\xC3\xA8res accentu\xC3\xA9s fran\xC3\xA7"
              "ais.txt");
    const char tooShort[] = "caf\xE9";
    EXPECT_EQ(ZipArchive::_filenameStringWithCString(tooShort, 0x0314, 0, 4)->utf8(), "636166E9");
}

namespace {

constexpr std::uint16_t kUnixHost = 0x0314;

} // namespace

// Archivers on Linux write the names of a Chinese system in GBK without the UTF-8 flag: they come
// out in Chinese at every length, whether the user's locale is Chinese or not.
TEST(ZipArchiveNames, GBKNamesFromAUnixHostAreChineseAtEveryLength)
{
    for (const char* locale : {"zh_CN.UTF-8", "zh_CN.GB18030", "en_US.UTF-8", "C", ""}) {
        for (const std::string name : {"字", "字体", "方正黑体", "华文细黑常规字体第二版", "字体/黑体 Bold.ttf"}) {
            const std::string raw = testsupport::legacyEncoded(name, "GBK");
            ASSERT_FALSE(raw.empty()) << name;
            EXPECT_EQ(zipentry::decodeName(raw, kUnixHost, 0, locale), name) << locale << " " << name;
        }
    }
}

// GB18030 reads nearly any run of high bytes; a name in the double-byte encoding of a Traditional
// Chinese, Japanese or Korean user's locale is preferred to GBK where both read as everyday text. These are made
// of bytes that also read as common GBK, so without the locale they would be taken for Chinese.
TEST(ZipArchiveNames, TheLocalesOwnDoubleByteEncodingComesBeforeGB18030)
{
    struct Case {
        const char* locale;
        const char* charset;
        std::string name;
    };
    for (const Case& c : {Case{"zh_TW.UTF-8", "BIG5", "標楷體.ttf"}, Case{"zh_HK.UTF-8", "BIG5-HKSCS", "中文"},
             Case{"ja_JP.UTF-8", "SHIFT_JIS", "ﾌｫﾝﾄ.otf"}, Case{"ko_KR.UTF-8", "CP949", "나눔고딕.ttf"}}) {
        const std::string raw = testsupport::legacyEncoded(c.name, c.charset);
        ASSERT_FALSE(raw.empty()) << c.name;
        EXPECT_EQ(zipentry::decodeName(raw, kUnixHost, 0, c.locale), c.name) << c.locale;
        EXPECT_NE(zipentry::decodeName(raw, kUnixHost, 0, "zh_CN.UTF-8"), c.name) << c.locale << ": the locale decided";
    }
    // Kanji and kana of Shift_JIS have lead bytes below GBK's common ones: Japanese under its own
    // locale whatever GB18030 makes of it.
    const std::string mincho = "明朝体フォント.ttf";
    EXPECT_EQ(zipentry::decodeName(testsupport::legacyEncoded(mincho, "SHIFT_JIS"), kUnixHost, 0, "ja_JP.UTF-8"), mincho);
}

// A Latin-1 name (accented letters between ASCII ones) also reads as GB18030, but not as common
// GBK: it is not taken for Chinese, whatever the locale.
TEST(ZipArchiveNames, LatinWordsAreNotTakenForGBK)
{
    const std::string french = "Les caract\xE8res accentu\xE9s fran\xE7"
                               "ais.txt";
    for (const char* locale : {"zh_CN.UTF-8", "en_US.UTF-8"})
        EXPECT_EQ(zipentry::decodeName(french, kUnixHost, 0, locale), "Les caract\xC3\xA8res accentu\xC3\xA9s fran\xC3\xA7"
                                                                       "ais.txt")
            << locale;
}

// --- Attributes ------------------------------------------------------------------------------

TEST_F(UnzipTest, ZeroAttributesGiveOwnerReadWriteOnly)
{
    RawEntry entry = fileEntry("plain.txt", "p");
    entry.externalFa = 0;
    writeBytes(archive, rawArchive({entry}));
    ASSERT_TRUE(unzip());
    EXPECT_EQ(modeOf(destination / "plain.txt") & 07777, 0600u);
}

TEST_F(UnzipTest, ModesAreMaskedToPermissionBits)
{
    RawEntry setuid = fileEntry("tool", "#!/bin/sh\n");
    setuid.externalFa = 0106755u << 16; // setuid, setgid, sticky
    RawEntry readOnly = fileEntry("ro.txt", "r");
    readOnly.externalFa = 0100444u << 16;
    writeBytes(archive, rawArchive({setuid, readOnly}));
    ASSERT_TRUE(unzip());
    EXPECT_EQ(modeOf(destination / "tool") & 07777, 0755u);
    EXPECT_EQ(modeOf(destination / "ro.txt") & 07777, 0644u); // owner read-write is always added
}

TEST_F(UnzipTest, DosDatesBecomeModificationDatesOfFilesAndFolders)
{
    RawEntry folder = folderEntry("dir/");
    folder.dosDate = (40u << 25) | (7u << 21) | (14u << 16) | (9u << 11) | (30u << 5) | 5u; // 2020-07-14 09:30:10
    RawEntry file = fileEntry("dir/f.txt", "f");
    file.dosDate = (41u << 25) | (12u << 21) | (31u << 16) | (23u << 11) | (59u << 5) | 29u; // 2021-12-31 23:59:58
    writeBytes(archive, rawArchive({folder, file}));
    ASSERT_TRUE(unzip());
    auto localParts = [](const fs::path& path) {
        struct stat status {};
        ::stat(path.c_str(), &status);
        struct tm parts {};
        ::localtime_r(&status.st_mtime, &parts);
        return std::vector<int>{parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min,
                                parts.tm_sec};
    };
    EXPECT_EQ(localParts(destination / "dir/f.txt"), (std::vector<int>{2021, 12, 31, 23, 59, 58}));
    EXPECT_EQ(localParts(destination / "dir"), (std::vector<int>{2020, 7, 14, 9, 30, 10}));
}

TEST_F(UnzipTest, WithoutKeepingAttributesFilesGetTheUsualMode)
{
    RawEntry entry = fileEntry("x", "x");
    entry.externalFa = 0100700u << 16;
    writeBytes(archive, rawArchive({entry}));
    ASSERT_TRUE(ZipArchive::unzipFileAtPath(archive, destination, false, true, "", nullptr, {}));
    mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(modeOf(destination / "x") & 0777, 0666u & ~(mask | 022));
}

// --- Symbolic links --------------------------------------------------------------------------

TEST_F(UnzipTest, LinksInsideTheDestinationAreMade)
{
    writeBytes(archive, rawArchive({fileEntry("fonts/real.ttf", "font"), symlinkEntry("fonts/alias.ttf", "real.ttf"),
                                    symlinkEntry("top/up.ttf", "../fonts/real.ttf")}));
    ASSERT_TRUE(unzip());
    EXPECT_EQ(fs::read_symlink(destination / "fonts/alias.ttf"), "real.ttf");
    EXPECT_EQ(readBytes(destination / "top/up.ttf"), "font");
}

// A link put where the destination should be would send every entry elsewhere: the unpack fails
// and writes nothing there. A link on the way to the destination is followed.
TEST_F(UnzipTest, ADestinationThatIsALinkIsRefused)
{
    writeBytes(archive, rawArchive({fileEntry("fonts/real.ttf", "font")}));
    const fs::path elsewhere = scratch / "elsewhere";
    fs::create_directories(elsewhere);
    fs::create_directory_symlink(elsewhere, destination);
    EXPECT_FALSE(unzip());
    ASSERT_TRUE(completion.error);
    EXPECT_TRUE(fs::is_empty(elsewhere));

    fs::remove(destination);
    fs::create_directory_symlink(elsewhere, scratch / "via");
    destination = scratch / "via" / "out";
    ASSERT_TRUE(unzip());
    EXPECT_EQ(readBytes(elsewhere / "out" / "fonts/real.ttf"), "font");
}

TEST_F(UnzipTest, LinkReplacesExistingFileWhenOverwriting)
{
    writeBytes(archive, rawArchive({symlinkEntry("l", "target")}));
    fs::create_directories(destination);
    writeBytes(destination / "l", "old");
    ASSERT_TRUE(unzip(true));
    EXPECT_TRUE(fs::is_symlink(destination / "l"));
}

TEST_F(UnzipTest, LinkThatCannotBeMadeIsAPosixError)
{
    std::string longName(300, 'n'); // longer than a file name may be
    writeBytes(archive, rawArchive({symlinkEntry(longName, "x")}));
    Ref<Error> error;
    ASSERT_FALSE(ZipArchive::unzipFileAtPath(archive, destination, true, "", &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->domain(), foundation::NSPOSIXErrorDomain);
    EXPECT_EQ(error->code(), -1);
    std::string expected = "Failed to create symbolic link at \"" + (destination / longName).string()
        + "\" to \"x\" - symlink() error code: " + std::to_string(ENAMETOOLONG);
    EXPECT_EQ(error->localizedDescription(), expected);
}

// --- Delegate ----------------------------------------------------------------------------------

TEST_F(UnzipTest, DelegateHearsEveryStepWithItsArguments)
{
    libzipArchive(archive, {{"a.txt", "aaaa"}, {"b.txt", "bb"}});
    auto size = static_cast<unsigned long long>(fs::file_size(archive));
    std::vector<std::string> calls;
    auto delegate = std::make_shared<ZipArchiveDelegate>();
    delegate->zipArchiveWillUnzipArchiveAtPath = [&](const std::string& path, const ZipGlobalInfo& info) {
        calls.push_back("will " + fs::path(path).filename().string() + " " + std::to_string(info.numberEntry));
    };
    delegate->zipArchiveProgressEvent = [&](unsigned long long loaded, unsigned long long total) {
        EXPECT_EQ(total, size);
        calls.push_back(loaded == size ? "progress end" : "progress " + std::to_string(loaded));
    };
    delegate->zipArchiveShouldUnzipFileAtIndex = [&](long index, long total, const std::string&, const ZipEntryInfo&) {
        calls.push_back("should " + std::to_string(index) + "/" + std::to_string(total));
        return true;
    };
    delegate->zipArchiveWillUnzipFileAtIndex = [&](long index, long, const std::string&, const ZipEntryInfo& info) {
        calls.push_back("willFile " + std::to_string(index) + " " + std::to_string(info.uncompressedSize));
    };
    delegate->zipArchiveDidUnzipFileAtIndexUnzippedFilePath = [&](long index, long, const std::string&,
                                                                  const std::string& path) {
        calls.push_back("didFile " + std::to_string(index) + " " + fs::path(path).filename().string());
    };
    delegate->zipArchiveDidUnzipArchiveAtPath = [&](const std::string&, const ZipGlobalInfo&,
                                                    const std::string& unzipped) {
        calls.push_back("did " + fs::path(unzipped).filename().string());
    };
    ASSERT_TRUE(ZipArchive::unzipFileAtPath(archive, destination, delegate));
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls[0], "will in.zip 2");
    EXPECT_EQ(calls[1], "progress 0");
    EXPECT_EQ(calls[2], "should 0/2");
    EXPECT_EQ(calls[3], "willFile 0 4");
    EXPECT_TRUE(calls[4].starts_with("progress "));
    EXPECT_EQ(calls[5], "didFile 0 a.txt");
    EXPECT_EQ(calls[6], "should 1/2");
    EXPECT_EQ(calls[7], "willFile 1 2");
    EXPECT_EQ(calls[9], "didFile 1 b.txt");
    EXPECT_EQ(calls[10], "did out");
    EXPECT_EQ(calls[11], "progress end");
    EXPECT_EQ(calls.size(), 12u);
}

TEST_F(UnzipTest, DelegateFileInfoFormWinsOverPathForm)
{
    libzipArchive(archive, {{"a.txt", "a"}});
    int infoCalls = 0;
    int pathCalls = 0;
    auto delegate = std::make_shared<ZipArchiveDelegate>();
    delegate->zipArchiveDidUnzipFileAtIndex = [&](long, long, const std::string&, const ZipEntryInfo&) { ++infoCalls; };
    delegate->zipArchiveDidUnzipFileAtIndexUnzippedFilePath = [&](long, long, const std::string&,
                                                                  const std::string&) { ++pathCalls; };
    ASSERT_TRUE(ZipArchive::unzipFileAtPath(archive, destination, delegate));
    EXPECT_EQ(infoCalls, 1);
    EXPECT_EQ(pathCalls, 0);
}

TEST_F(UnzipTest, DelegateCanCancelAndNoFinalProgressFollows)
{
    libzipArchive(archive, {{"a.txt", "a"}, {"b.txt", "b"}});
    auto size = static_cast<unsigned long long>(fs::file_size(archive));
    bool sawEnd = false;
    bool sawDid = false;
    auto delegate = std::make_shared<ZipArchiveDelegate>();
    delegate->zipArchiveShouldUnzipFileAtIndex = [](long index, long, const std::string&, const ZipEntryInfo&) {
        return index == 0;
    };
    delegate->zipArchiveProgressEvent = [&](unsigned long long loaded, unsigned long long) {
        sawEnd = sawEnd || loaded == size;
    };
    delegate->zipArchiveDidUnzipArchiveAtPath = [&](const std::string&, const ZipGlobalInfo&, const std::string&) {
        sawDid = true;
    };
    Ref<Error> error;
    EXPECT_FALSE(ZipArchive::unzipFileAtPath(archive, destination, true, "", &error, delegate));
    EXPECT_FALSE(error);
    EXPECT_TRUE(fs::exists(destination / "a.txt"));
    EXPECT_FALSE(fs::exists(destination / "b.txt"));
    EXPECT_FALSE(sawEnd);
    EXPECT_FALSE(sawDid);
}

TEST_F(UnzipTest, ExpiredDelegateIsNotCalled)
{
    libzipArchive(archive, {{"a.txt", "a"}});
    int calls = 0;
    std::weak_ptr<ZipArchiveDelegate> weak;
    {
        auto delegate = std::make_shared<ZipArchiveDelegate>();
        delegate->zipArchiveShouldUnzipFileAtIndex = [&](long, long, const std::string&, const ZipEntryInfo&) {
            ++calls;
            return false;
        };
        weak = delegate;
    }
    EXPECT_TRUE(ZipArchive::unzipFileAtPath(archive, destination, weak));
    EXPECT_EQ(calls, 0);
}

// --- Failures ----------------------------------------------------------------------------------

TEST_F(UnzipTest, EmptyArgumentsAreRejectedWithNilPath)
{
    Ref<Error> error;
    EXPECT_FALSE(ZipArchive::unzipFileAtPath("", destination, true, "", &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->domain(), "ZipArchiveErrorDomain");
    EXPECT_EQ(error->code(), -6);
    EXPECT_EQ(error->localizedDescription(), "received invalid argument(s)");

    archive = "";
    EXPECT_FALSE(unzip());
    EXPECT_EQ(completion.calls, 1);
    EXPECT_FALSE(completion.path);
    EXPECT_FALSE(completion.succeeded);
    ASSERT_TRUE(completion.error);
    EXPECT_EQ(completion.error->code(), -6);
}

TEST_F(UnzipTest, NotAnArchiveFailsToOpen)
{
    writeBytes(archive, "this is not a zip archive at all");
    EXPECT_FALSE(unzip());
    EXPECT_FALSE(completion.path);
    ASSERT_TRUE(completion.error);
    EXPECT_EQ(completion.error->code(), -1);
    EXPECT_EQ(completion.error->localizedDescription(), "failed to open zip file");
    EXPECT_FALSE(fs::exists(destination));
}

TEST_F(UnzipTest, WrongPasswordCannotOpenTheEntry)
{
    libzipArchive(archive, {{"secret.txt", "hidden", false, "right"}});
    Ref<Error> error;
    EXPECT_FALSE(ZipArchive::unzipFileAtPath(archive, destination, true, "wrong", &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), -2);
    EXPECT_EQ(error->localizedDescription(), "failed to open file in zip file");
    EXPECT_FALSE(fs::exists(destination / "secret.txt"));
}

TEST_F(UnzipTest, ChecksumMismatchLeavesNoFileAndIsReported)
{
    RawEntry bad = fileEntry("bad.txt", "payload");
    bad.corruptCrc = true;
    writeBytes(archive, rawArchive({fileEntry("good.txt", "good"), bad}));
    EXPECT_FALSE(unzip());
    ASSERT_TRUE(completion.error);
    EXPECT_EQ(completion.error->code(), -3);
    EXPECT_EQ(completion.error->localizedDescription(), "crc check failed for file");
    EXPECT_EQ(listTree(destination), (std::vector<std::string>{"good.txt"})); // no partial or temporary file
}

TEST_F(UnzipTest, UnreadableDataFailsWithoutErrorObjectAndLeavesNoFile)
{
    RawEntry broken = fileEntry("broken.txt", std::string("\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF", 8)); // not deflate data
    broken.method = 8;
    broken.uncompressedSize = 100;
    writeBytes(archive, rawArchive({broken}));
    Ref<Error> error;
    EXPECT_FALSE(ZipArchive::unzipFileAtPath(archive, destination, true, "", &error));
    EXPECT_FALSE(error);
    EXPECT_TRUE(listTree(destination).empty());
}

TEST_F(UnzipTest, FolderThatCannotBeMadeFailsTheRun)
{
    writeBytes(archive, rawArchive({fileEntry("a", "file where a folder is needed"), fileEntry("a/b.txt", "b")}));
    EXPECT_FALSE(unzip());
    ASSERT_TRUE(completion.error);
    EXPECT_EQ(completion.error->domain(), foundation::NSCocoaErrorDomain);
    EXPECT_FALSE(fs::exists(destination / "a/b.txt"));
}

TEST_F(UnzipTest, FileThatCannotBeOpenedForWritingFailsTheRun)
{
    // A folder already standing where the file goes cannot be replaced by it.
    fs::create_directories(destination / "clash");
    writeBytes(archive, rawArchive({fileEntry("clash", "c"), fileEntry("later.txt", "later")}));
    EXPECT_FALSE(unzip());
    ASSERT_TRUE(completion.error);
    EXPECT_FALSE(completion.succeeded);
    EXPECT_FALSE(fs::exists(destination / "later.txt"));
}

TEST_F(UnzipTest, WriteFailureIsReportedAndLeavesNoPartialFile)
{
    libzipArchive(archive, {{"big.bin", std::string(64 * 1024, 'b')}});
    // A file size limit makes the write fail as a full disk would.
    auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit previous {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &previous), 0);
    struct rlimit limited = previous;
    limited.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    bool unpacked = unzip();
    ::setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(unpacked);
    ASSERT_TRUE(completion.error);
    EXPECT_EQ(completion.error->domain(), "ZipArchiveErrorDomain");
    EXPECT_EQ(completion.error->code(), -5);
    EXPECT_EQ(completion.error->localizedDescription(), "Failed to write file (check your free space)");
    EXPECT_TRUE(listTree(destination).empty());
}
