// Archives that lie about their sizes, overlap, or would fill the disk, and the modes of what is
// unpacked. The runs that would write many megabytes if the bounds regressed run in a child
// process whose file size is capped, so a regression fails the test and not the machine.
#include "Lib/ZipArchive/ZipArchive.h"
#include "Support/LimitedChild.h"
#include "Support/TempHome.h"
#include "TestArchives.h"

#include <cerrno>
#include <filesystem>
#include <gtest/gtest.h>
#include <limits>
#include <sys/stat.h>

namespace fs = std::filesystem;
using foundation::Error;
using foundation::Ref;
using namespace ziptest;

namespace {

constexpr std::uint64_t kMiB = 1024 * 1024;
const ZipOutputLimit kNoRatio { ZipOutputLimit::kDefaultMaximumBytes, 0 };

// A run's result as one number a child process can return: 0 success, 100 + the archive layer's
// (negative) code, 50 for "no space", 60 for any other failure.
int resultCode(bool succeeded, const Ref<Error>& error)
{
    if (succeeded)
        return 0;
    if (error && error->domain() == ZipArchiveErrorDomain)
        return 100 + static_cast<int>(error->code());
    if (error && error->domain() == foundation::NSPOSIXErrorDomain && error->code() == ENOSPC)
        return 50;
    return 60;
}

class BoundedUnpackTest : public testing::Test {
protected:
    void SetUp() override
    {
        scratch = testsupport::makeScratchDir("bounded");
        archive = scratch / "in.zip";
        destination = scratch / "out";
    }

    bool unzip(const ZipOutputLimit& limit = ZipOutputLimit(), int nestedLevel = 0)
    {
        error = nullptr;
        completionPath = nullptr;
        return ZipArchive::unzipFileAtPath(
            archive, destination, true, true, nestedLevel, "", &error, {}, {},
            [this](const Ref<foundation::String>& path, bool, const Ref<Error>&) { completionPath = path; },
            limit);
    }

    // Unpacks in a child that may write no file larger than `fileBytes`; the run's result code.
    int unzipInChild(std::uint64_t fileBytes, const ZipOutputLimit& limit = ZipOutputLimit())
    {
        testsupport::ChildOutcome outcome = testsupport::runLimited({ fileBytes, 0 }, [&] {
            bool succeeded = unzip(limit);
            return resultCode(succeeded, error);
        });
        EXPECT_TRUE(outcome.exited) << outcome.describe();
        return outcome.exitCode;
    }

    void expectDamaged(const std::string& message)
    {
        ASSERT_TRUE(error);
        EXPECT_EQ(error->domain(), ZipArchiveErrorDomain);
        EXPECT_EQ(error->code(), ZipArchiveErrorCodeDamagedArchive);
        EXPECT_EQ(error->localizedDescription(), message);
    }

    fs::path scratch;
    fs::path archive;
    fs::path destination;
    Ref<Error> error;
    Ref<foundation::String> completionPath;
};

const std::string kSizeMessage = "size of file in zip file differs from its declared size";
const std::string kOverlapMessage = "damaged zip file: entries overlap";
constexpr int kDamaged = 100 + ZipArchiveErrorCodeDamagedArchive;

mode_t permissionsOf(const fs::path& path)
{
    struct stat status { };
    EXPECT_EQ(::lstat(path.c_str(), &status), 0) << path;
    return status.st_mode & 07777;
}

// Sets the process umask for one scope.
class UmaskScope {
public:
    explicit UmaskScope(mode_t mask)
        : previous_(::umask(mask))
    {
    }
    ~UmaskScope() { ::umask(previous_); }
    UmaskScope(const UmaskScope&) = delete;
    UmaskScope& operator=(const UmaskScope&) = delete;

private:
    mode_t previous_;
};

} // namespace

// --- Declared sizes ---------------------------------------------------------------------------

TEST_F(BoundedUnpackTest, EntryInflatingPastItsDeclaredSizeStopsThereAndLeavesNoFile)
{
    // 1 KiB declared, 64 MiB inside, with the checksum of all of it.
    RawEntry bomb = deflatedEntry("bomb.bin", std::string(64 * kMiB, '\0'));
    bomb.uncompressedSize = 1024;
    writeBytes(archive, rawArchive({ fileEntry("first.txt", "kept"), bomb }));
    EXPECT_EQ(unzipInChild(4 * kMiB), kDamaged);
    EXPECT_EQ(listTree(destination), (std::vector<std::string> { "first.txt" }));
}

TEST_F(BoundedUnpackTest, EntryLongerOrShorterThanDeclaredFailsWithTheLayersError)
{
    RawEntry longStored = fileEntry("long.bin", std::string(64 * 1024, 'x'));
    longStored.uncompressedSize = 1024; // the checksum is the true one
    RawEntry shortStored = fileEntry("short.txt", "abc");
    shortStored.uncompressedSize = 5;
    RawEntry emptyAsMegabyte = fileEntry("empty.bin", "");
    emptyAsMegabyte.uncompressedSize = kMiB;
    RawEntry shortDeflated = deflatedEntry("short.z", "abcdef");
    shortDeflated.uncompressedSize = 7;
    RawEntry shortLink = symlinkEntry("link", "target.txt");
    shortLink.uncompressedSize = 3;
    for (const RawEntry& liar : { longStored, shortStored, emptyAsMegabyte, shortDeflated, shortLink }) {
        SCOPED_TRACE(liar.name);
        fs::remove_all(destination);
        writeBytes(archive, rawArchive({ liar }));
        EXPECT_FALSE(unzip(kNoRatio));
        expectDamaged(kSizeMessage);
        EXPECT_TRUE(listTree(destination).empty());
    }
}

TEST_F(BoundedUnpackTest, TruthfulSizesStillUnpack)
{
    const std::string text(300 * 1024, 'q');
    writeBytes(archive,
        rawArchive(
            { deflatedEntry("text.txt", text), fileEntry("empty", ""), symlinkEntry("alias", "text.txt") }));
    ASSERT_TRUE(unzip()) << (error ? error->localizedDescription() : "");
    EXPECT_EQ(readBytes(destination / "text.txt"), text);
    EXPECT_EQ(fs::file_size(destination / "empty"), 0u);
}

// --- The output limit and the free space ------------------------------------------------------

TEST_F(BoundedUnpackTest, GigabytesAnnouncedByASmallArchiveAreRefusedBeforeAnythingIsWritten)
{
    RawEntry plain = fileEntry("plain.bin", "");
    plain.uncompressedSize = 0xFFFFFFFE;
    RawEntry zip64 = fileEntry("zip64.bin", "");
    zip64.zip64Size = std::uint64_t { 4 } << 30;
    for (const RawEntry& huge : { plain, zip64 }) {
        SCOPED_TRACE(huge.name);
        writeBytes(archive, rawArchive({ fileEntry("first.txt", "not even this"), huge }));
        EXPECT_FALSE(unzip());
        ASSERT_TRUE(error);
        EXPECT_EQ(error->domain(), ZipArchiveErrorDomain);
        EXPECT_EQ(error->code(), ZipArchiveErrorCodeOutputLimitExceeded);
        EXPECT_EQ(error->localizedDescription(), "zip file unpacks to more than the size limit");
        ASSERT_TRUE(completionPath);
        EXPECT_EQ(completionPath->utf8(), archive.string());
        EXPECT_FALSE(fs::exists(destination));
    }
}

TEST_F(BoundedUnpackTest, LimitCountsEveryEntryOfTheCall)
{
    const std::string part(600 * 1024, '\0');
    writeBytes(archive,
        rawArchive({ deflatedEntry("a", part), deflatedEntry("b", part), deflatedEntry("c", part) }));
    EXPECT_FALSE(unzip({ kMiB, 0 }));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), ZipArchiveErrorCodeOutputLimitExceeded);
    EXPECT_FALSE(fs::exists(destination));

    EXPECT_TRUE(unzip({ 2 * kMiB, 0 }));
    EXPECT_EQ(listTree(destination), (std::vector<std::string> { "a", "b", "c" }));
}

TEST_F(BoundedUnpackTest, LimitFollowsTheArchiveSizeByRatio)
{
    // About 100 KiB from a few hundred bytes: within the default ratio, beyond a ratio of 100.
    writeBytes(archive, rawArchive({ deflatedEntry("zeros", std::string(100 * 1024, '\0')) }));
    const std::uint64_t archiveSize = fs::file_size(archive);
    ASSERT_LT(archiveSize * 100, 100 * 1024u);
    ASSERT_GT(archiveSize * ZipOutputLimit::kDefaultMaximumRatio, 100 * 1024u);
    EXPECT_FALSE(unzip({ ZipOutputLimit::kDefaultMaximumBytes, 100 }));
    EXPECT_EQ(error->code(), ZipArchiveErrorCodeOutputLimitExceeded);
    EXPECT_TRUE(unzip());
    EXPECT_EQ(fs::file_size(destination / "zeros"), 100 * 1024u);
}

TEST_F(BoundedUnpackTest, RunThatWouldFillTheDiskFailsBeforeItStarts)
{
    RawEntry enormous = fileEntry("enormous.bin", "");
    enormous.zip64Size = std::uint64_t { 1 } << 62;
    writeBytes(archive, rawArchive({ fileEntry("first.txt", "not even this"), enormous }));
    EXPECT_FALSE(unzip({ std::numeric_limits<std::uint64_t>::max(), 0 }));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->domain(), foundation::NSPOSIXErrorDomain);
    EXPECT_EQ(error->code(), ENOSPC);
    EXPECT_FALSE(fs::exists(destination));
}

TEST_F(BoundedUnpackTest, AnEntryOverTheLimitOfOneEntryIsNeverWritten)
{
    ZipOutputLimit limit;
    limit.maximumEntryBytes = 256 * 1024;
    const std::string atTheLimit(limit.maximumEntryBytes, 'a');
    const std::string overIt(limit.maximumEntryBytes + 1, 'o');

    writeBytes(
        archive, rawArchive({ fileEntry("first.txt", "not even this"), deflatedEntry("over.txt", overIt) }));
    EXPECT_FALSE(unzip(limit));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->domain(), ZipArchiveErrorDomain);
    EXPECT_EQ(error->code(), ZipArchiveErrorCodeOutputLimitExceeded);
    EXPECT_EQ(error->localizedDescription(),
        "\"over.txt\" in the zip file unpacks to more than the size limit of one entry");
    EXPECT_FALSE(fs::exists(destination));

    // Declared within the limit but inflating past it: stopped at the declared size, no file kept.
    RawEntry liar = deflatedEntry("liar.txt", overIt + overIt);
    liar.uncompressedSize = 1024;
    writeBytes(archive, rawArchive({ fileEntry("first.txt", "kept"), liar }));
    EXPECT_FALSE(unzip(limit));
    EXPECT_EQ(listTree(destination), (std::vector<std::string> { "first.txt" }));

    // The limit holds in nested archives too; the inner archive is then kept as it is.
    fs::remove_all(destination);
    writeBytes(
        archive, rawArchive({ fileEntry("inner.zip", rawArchive({ deflatedEntry("over.txt", overIt) })) }));
    EXPECT_TRUE(unzip(limit, 1));
    EXPECT_EQ(listTree(destination), (std::vector<std::string> { "inner.zip" }));

    fs::remove_all(destination);
    const std::string smallInner = rawArchive({ fileEntry("small.txt", "s") });
    writeBytes(
        archive, rawArchive({ deflatedEntry("limit.txt", atTheLimit), fileEntry("inner.zip", smallInner) }));
    ASSERT_TRUE(unzip(limit, 1)) << (error ? error->localizedDescription() : "");
    EXPECT_EQ(readBytes(destination / "limit.txt"), atTheLimit);
    EXPECT_EQ(listTree(destination), (std::vector<std::string> { "inner/", "inner/small.txt", "limit.txt" }));
}

// A caller that names the entries it uses gets those alone: the others are neither read, nor
// written, nor counted against a limit, even an entry declared at 3 GiB; a name leading outside
// still fails the run.
TEST_F(BoundedUnpackTest, AFilterUnpacksOnlyTheEntriesItNames)
{
    ZipOutputLimit limit;
    limit.maximumEntryBytes = 1024 * 1024;
    std::vector<std::string> asked;
    limit.entryFilter = [&asked](const std::string& name) {
        asked.push_back(name);
        return name.ends_with(".ttf");
    };
    RawEntry huge;
    huge.name = "huge.bin";
    huge.method = 8;
    huge.data = deflatedZeros(4);
    huge.zip64Size = std::uint64_t { 3 } << 30;
    writeBytes(archive,
        rawArchive({ fileEntry("readme.txt", "licence"), folderEntry("extras/"), huge,
            fileEntry("fonts\\Bold.ttf", "bold"), fileEntry("Regular.ttf", "regular"),
            fileEntry("__MACOSX/._Regular.ttf", "fork") }));
    ASSERT_TRUE(unzip(limit)) << (error ? error->localizedDescription() : "");
    EXPECT_EQ(
        listTree(destination), (std::vector<std::string> { "Regular.ttf", "fonts/", "fonts/Bold.ttf" }));
    EXPECT_EQ(asked, (std::vector<std::string> { "readme.txt", "huge.bin", "fonts/Bold.ttf", "Regular.ttf" }))
        << "asked once an entry, by its relative path; folders and forks never";

    fs::remove_all(destination);
    writeBytes(
        archive, rawArchive({ fileEntry("Regular.ttf", "regular"), fileEntry("../outside.txt", "x") }));
    EXPECT_FALSE(unzip(limit));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), ZipArchiveErrorCodeUnsafeEntry);
    EXPECT_FALSE(fs::exists(scratch / "outside.txt"));

    // A named entry is held to the limits as ever.
    fs::remove_all(destination);
    huge.name = "huge.ttf";
    writeBytes(archive, rawArchive({ fileEntry("Regular.ttf", "regular"), huge }));
    EXPECT_FALSE(unzip(limit));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), ZipArchiveErrorCodeOutputLimitExceeded);
    EXPECT_FALSE(fs::exists(destination));
}

TEST_F(BoundedUnpackTest, NestedArchivesSpendWhatIsLeftOfTheOuterLimit)
{
    const std::string inner = rawArchive({ deflatedEntry("big.bin", std::string(200 * 1024, '\0')) });
    writeBytes(archive, rawArchive({ fileEntry("inner.zip", inner) }));
    // The outer run succeeds either way; the inner archive is kept when it could not be unpacked.
    EXPECT_TRUE(unzip({ 100 * 1024, 0 }, 1));
    EXPECT_EQ(listTree(destination), (std::vector<std::string> { "inner.zip" }));

    fs::remove_all(destination);
    EXPECT_TRUE(unzip({ kMiB, 0 }, 1));
    EXPECT_EQ(listTree(destination), (std::vector<std::string> { "inner/", "inner/big.bin" }));
}

// --- Overlapping entries ----------------------------------------------------------------------

TEST_F(BoundedUnpackTest, RecordsSharingOneLocalHeaderAreRefusedAsDamaged)
{
    // Ten names for one block of 4 MiB: 40 MiB from a few kilobytes if it were let through.
    std::vector<RawEntry> entries { deflatedEntry("0.bin", std::string(4 * kMiB, '\0')) };
    for (std::size_t i = 1; i < 10; ++i) {
        RawEntry copy = entries.front();
        copy.name = std::to_string(i) + ".bin";
        copy.sharesLocalHeaderOf = 0;
        entries.push_back(copy);
    }
    writeBytes(archive, rawArchive(entries));
    EXPECT_EQ(unzipInChild(8 * kMiB, kNoRatio), kDamaged);
    EXPECT_FALSE(fs::exists(destination));
    EXPECT_FALSE(unzip(kNoRatio));
    expectDamaged(kOverlapMessage);
}

TEST_F(BoundedUnpackTest, DataRunningIntoAnotherEntryOrTheDirectoryIsRefusedAsDamaged)
{
    RawEntry first = fileEntry("first.txt", "first");
    first.compressedSize = 5 + 40; // reaches into the next local header
    RawEntry last = fileEntry("last.txt", "last");
    last.compressedSize = 4 + 10; // reaches into the directory
    for (const auto& entries : { std::vector<RawEntry> { first, fileEntry("second.txt", "second") },
             std::vector<RawEntry> { fileEntry("a.txt", "a"), last } }) {
        writeBytes(archive, rawArchive(entries));
        EXPECT_FALSE(unzip());
        expectDamaged(kOverlapMessage);
        EXPECT_FALSE(fs::exists(destination));
    }
}

// --- Modes ------------------------------------------------------------------------------------

TEST_F(BoundedUnpackTest, ModesAreTheArchivesLessTheUmaskAndNeverGroupOrWorldWritable)
{
    auto withMode = [](const std::string& name, std::uint32_t mode) {
        RawEntry entry = fileEntry(name, "x");
        entry.externalFa = (0100000u | mode) << 16;
        return entry;
    };
    writeBytes(archive,
        rawArchive({ withMode("open.ttf", 0777), withMode("shared.ttf", 0666), withMode("private.ttf", 0640),
            withMode("sub/setuid", 04755), folderEntry("folder/") }));
    {
        UmaskScope scope(0);
        ASSERT_TRUE(unzip());
    }
    EXPECT_EQ(permissionsOf(destination), 0755u);
    EXPECT_EQ(permissionsOf(destination / "open.ttf"), 0755u);
    EXPECT_EQ(permissionsOf(destination / "shared.ttf"), 0644u);
    EXPECT_EQ(permissionsOf(destination / "private.ttf"), 0640u);
    EXPECT_EQ(permissionsOf(destination / "sub/setuid"), 0755u);
    EXPECT_EQ(permissionsOf(destination / "sub"), 0755u);
    EXPECT_EQ(permissionsOf(destination / "folder"), 0755u);

    fs::remove_all(destination);
    {
        UmaskScope scope(027);
        ASSERT_TRUE(unzip());
    }
    EXPECT_EQ(permissionsOf(destination / "open.ttf"), 0750u);
    EXPECT_EQ(permissionsOf(destination / "shared.ttf"), 0640u);
    EXPECT_EQ(permissionsOf(destination / "folder"), 0750u);

    fs::remove_all(destination);
    {
        UmaskScope scope(0);
        ASSERT_TRUE(ZipArchive::unzipFileAtPath(archive, destination, false, true, "", nullptr, {}));
    }
    EXPECT_EQ(permissionsOf(destination / "open.ttf"), 0644u);
    EXPECT_EQ(permissionsOf(destination / "private.ttf"), 0644u);
}
