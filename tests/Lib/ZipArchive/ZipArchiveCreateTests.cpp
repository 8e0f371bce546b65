#include "Lib/ZipArchive/ZipArchive.h"

#include "Platform/Foundation/Foundation.h"
#include "Support/TempHome.h"
#include "TestArchives.h"

#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zip.h>

namespace fs = std::filesystem;
using foundation::Ref;
using namespace ziptest;

namespace {

struct EntryFacts {
    std::string name;
    std::uint16_t encryption;
    std::uint16_t method;
    std::uint8_t opsys;
    std::uint32_t attributes;
    std::string data; // empty for encrypted entries
};

// What the zip library reads back from an archive we wrote.
std::vector<EntryFacts> readBack(const fs::path& path)
{
    std::vector<EntryFacts> facts;
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
    EXPECT_NE(archive, nullptr) << "error " << error;
    if (!archive)
        return facts;
    for (zip_int64_t i = 0; i < zip_get_num_entries(archive, 0); ++i) {
        auto index = static_cast<zip_uint64_t>(i);
        zip_stat_t stat;
        zip_stat_index(archive, index, 0, &stat);
        EntryFacts entry{stat.name, stat.encryption_method, stat.comp_method, 0, 0, {}};
        zip_file_get_external_attributes(archive, index, 0, &entry.opsys, &entry.attributes);
        if (stat.encryption_method == ZIP_EM_NONE) {
            zip_file_t* file = zip_fopen_index(archive, index, 0);
            entry.data.resize(stat.size);
            if (stat.size) {
                EXPECT_EQ(zip_fread(file, entry.data.data(), stat.size), static_cast<zip_int64_t>(stat.size));
            }
            zip_fclose(file);
        }
        facts.push_back(entry);
    }
    zip_discard(archive);
    return facts;
}

std::vector<std::string> namesOf(const std::vector<EntryFacts>& facts)
{
    std::vector<std::string> names;
    for (const auto& entry : facts)
        names.push_back(entry.name);
    return names;
}

class CreateTest : public testing::Test {
protected:
    void SetUp() override
    {
        scratch = testsupport::makeScratchDir("create");
        source = scratch / "Fonts";
        fs::create_directories(source / "sub" / "deeper");
        fs::create_directories(source / "empty");
        writeBytes(source / "a.txt", "alpha alpha alpha");
        writeBytes(source / "sub" / "b.txt", "beta");
        writeBytes(source / "sub" / "deeper" / "c.txt", "gamma");
        ::chmod((source / "a.txt").c_str(), 0640);
        archive = scratch / "out.zip";
    }

    fs::path scratch;
    fs::path source;
    fs::path archive;
};

} // namespace

TEST_F(CreateTest, FolderContentsWithEmptyFolderEntryOnly)
{
    std::vector<std::pair<unsigned long, unsigned long>> progress;
    ASSERT_TRUE(ZipArchive::createZipFileAtPath(archive, source, false, "",
                                                [&](unsigned long done, unsigned long total) {
                                                    progress.emplace_back(done, total);
                                                }));
    auto facts = readBack(archive);
    EXPECT_EQ(namesOf(facts),
              (std::vector<std::string>{"a.txt", "empty/", "sub/b.txt", "sub/deeper/c.txt"}));
    // Every listed item counts, the non-empty folders included.
    ASSERT_EQ(progress.size(), 6u);
    for (std::size_t i = 0; i < progress.size(); ++i)
        EXPECT_EQ(progress[i], std::make_pair(static_cast<unsigned long>(i + 1), 6ul));
    ASSERT_EQ(facts.size(), 4u);
    EXPECT_EQ(facts[0].data, "alpha alpha alpha");
    EXPECT_EQ(facts[0].method, ZIP_CM_DEFLATE);
    EXPECT_EQ(facts[0].opsys, ZIP_OPSYS_UNIX);
    EXPECT_EQ(facts[0].attributes >> 16, 0100640u);
    EXPECT_EQ((facts[1].attributes >> 16) & 0170000, 0040000u) << "folder entries carry the folder type";
    EXPECT_EQ(facts[1].attributes & 0x10, 0x10u);
}

TEST_F(CreateTest, KeepingTheParentPrefixesEveryName)
{
    ASSERT_TRUE(ZipArchive::createZipFileAtPath(archive, source.string() + "/", true));
    EXPECT_EQ(namesOf(readBack(archive)), (std::vector<std::string>{"Fonts/a.txt", "Fonts/empty/", "Fonts/sub/b.txt",
                                                                     "Fonts/sub/deeper/c.txt"}));
}

TEST_F(CreateTest, ArchiveInsideTheFolderLeavesItselfOut)
{
    fs::path inside = source / "self.zip";
    ASSERT_TRUE(ZipArchive::createZipFileAtPath(inside, source));
    EXPECT_EQ(namesOf(readBack(inside)),
              (std::vector<std::string>{"a.txt", "empty/", "sub/b.txt", "sub/deeper/c.txt"}));
}

TEST_F(CreateTest, FileListUsesLastPathComponents)
{
    ASSERT_TRUE(ZipArchive::createZipFileAtPath(archive, std::vector<std::string>{source / "a.txt",
                                                                                  source / "sub/deeper/c.txt"}));
    auto facts = readBack(archive);
    EXPECT_EQ(namesOf(facts), (std::vector<std::string>{"a.txt", "c.txt"}));
    EXPECT_EQ(facts[1].data, "gamma");
}

TEST_F(CreateTest, UnreadableFileFailsTheResultButOthersAreWritten)
{
    EXPECT_FALSE(ZipArchive::createZipFileAtPath(
        archive, std::vector<std::string>{source / "a.txt", source / "missing.txt", source / "sub/b.txt"}));
    EXPECT_EQ(namesOf(readBack(archive)), (std::vector<std::string>{"a.txt", "b.txt"}));
}

TEST_F(CreateTest, FileThatShrankBeforeItWasReadFailsTheArchive)
{
    ZipArchive zip(archive);
    ASSERT_TRUE(zip.open());
    ASSERT_TRUE(zip.writeFile(source / "a.txt", ""));
    fs::resize_file(source / "a.txt", 3);
    EXPECT_FALSE(zip.close());
    EXPECT_FALSE(fs::exists(archive)) << "no truncated archive stays behind";
}

TEST_F(CreateTest, PasswordsEncryptWithAesOrTraditionalAndEmptyMeansNone)
{
    ZipArchive zip(archive);
    ASSERT_TRUE(zip.open());
    auto data = foundation::Data::create(std::string_view("in memory"));
    EXPECT_TRUE(zip.writeData(data, "aes.txt", "pw"));
    EXPECT_TRUE(zip.writeData(data, "pkware.txt", -1, "pw", false));
    EXPECT_TRUE(zip.writeData(data, "plain.txt", ""));
    EXPECT_TRUE(zip.writeFileAtPath(source / "a.txt", "stored.txt", 0, "", true));
    EXPECT_TRUE(zip.writeFolderAtPath(source / "empty", "folder", "pw"));
    ASSERT_TRUE(zip.close());
    auto facts = readBack(archive);
    ASSERT_EQ(facts.size(), 5u);
    EXPECT_EQ(facts[0].encryption, ZIP_EM_AES_256);
    EXPECT_EQ(facts[1].encryption, ZIP_EM_TRAD_PKWARE);
    EXPECT_EQ(facts[2].encryption, ZIP_EM_NONE);
    EXPECT_EQ(facts[2].data, "in memory");
    EXPECT_EQ(facts[3].method, ZIP_CM_STORE);
    EXPECT_EQ(facts[3].data, "alpha alpha alpha");
    EXPECT_EQ(facts[4].name, "folder/");
    EXPECT_EQ(facts[4].encryption, ZIP_EM_NONE);

    fs::path out = scratch / "unpacked";
    ASSERT_TRUE(ZipArchive::unzipFileAtPath(archive, out, true, "pw", nullptr));
    EXPECT_EQ(readBytes(out / "aes.txt"), "in memory");
    EXPECT_EQ(readBytes(out / "pkware.txt"), "in memory");
}

TEST_F(CreateTest, InstanceMisuseAnswersNo)
{
    ZipArchive closed(archive);
    EXPECT_FALSE(closed.writeData(foundation::Data::create(std::string_view("x")), "x", ""));
    EXPECT_FALSE(closed.writeFile(source / "a.txt", ""));
    EXPECT_FALSE(closed.close());
    ZipArchive nowhere(scratch / "no" / "such" / "folder.zip");
    EXPECT_FALSE(nowhere.open());
    ZipArchive zip(archive);
    ASSERT_TRUE(zip.open());
    EXPECT_FALSE(zip.writeData(nullptr, "nil", ""));
    EXPECT_FALSE(zip.writeFile(source / "sub", "")) << "a folder is not a file";
}

TEST_F(CreateTest, ArchiveWithoutEntriesIsStillWritten)
{
    fs::path emptySource = scratch / "nothing";
    fs::create_directories(emptySource);
    ASSERT_TRUE(ZipArchive::createZipFileAtPath(archive, emptySource));
    EXPECT_EQ(fs::file_size(archive), 22u);
    EXPECT_TRUE(readBack(archive).empty());
    EXPECT_TRUE(ZipArchive::unzipFileAtPath(archive, scratch / "out"));
}

TEST_F(CreateTest, RoundTripKeepsContentsModesAndDates)
{
    fs::path dated = source / "sub" / "b.txt";
    struct timespec times[2] = {{0, UTIME_OMIT}, {1'600'000'000, 0}};
    ::utimensat(AT_FDCWD, dated.c_str(), times, 0);
    ASSERT_TRUE(ZipArchive::createZipFileAtPath(archive, source, "secret"));
    fs::path out = scratch / "round";
    ASSERT_TRUE(ZipArchive::unzipFileAtPath(archive, out, true, "secret", nullptr));
    EXPECT_EQ(listTree(out), (std::vector<std::string>{"a.txt", "empty/", "sub/", "sub/b.txt", "sub/deeper/",
                                                       "sub/deeper/c.txt"}));
    EXPECT_EQ(readBytes(out / "sub/deeper/c.txt"), "gamma");
    struct stat status {};
    ASSERT_EQ(::stat((out / "a.txt").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0640u);
    ASSERT_EQ(::stat((out / "sub/b.txt").c_str(), &status), 0);
    EXPECT_EQ(status.st_mtime, 1'600'000'000); // an even second survives the two-second resolution
}

TEST_F(CreateTest, LargeFilesAreDeflatedInChunksIntoOneValidStream)
{
    // Larger than the threshold for compressing on several threads, and not a whole number of chunks.
    std::string large;
    std::uint32_t seed = 12345;
    while (large.size() < 6 * 1024 * 1024 + 777) {
        seed = seed * 1103515245u + 12345u;
        large += "line " + std::to_string(seed % 5000) + " of the catalogue\n";
    }
    writeBytes(source / "large.bin", large);
    ZipArchive zip(archive);
    ASSERT_TRUE(zip.open());
    ASSERT_TRUE(zip.writeFileAtPath(source / "large.bin", "plain.bin", ""));
    ASSERT_TRUE(zip.writeFileAtPath(source / "large.bin", "aes.bin", -1, "pw", true));
    ASSERT_TRUE(zip.writeFileAtPath(source / "large.bin", "pkware.bin", 9, "pw", false));
    ASSERT_TRUE(zip.close());

    auto facts = readBack(archive);
    ASSERT_EQ(facts.size(), 3u);
    EXPECT_EQ(facts[0].method, ZIP_CM_DEFLATE);
    EXPECT_TRUE(facts[0].data == large) << "the joined chunks inflate to the file, checksum included";
    EXPECT_LT(fs::file_size(archive), 3 * large.size() / 2);
    fs::path out = scratch / "large-out";
    ASSERT_TRUE(ZipArchive::unzipFileAtPath(archive, out, true, "pw", nullptr));
    EXPECT_TRUE(readBytes(out / "aes.bin") == large);
    EXPECT_TRUE(readBytes(out / "pkware.bin") == large);
    if (haveTool("unzip")) {
        // unzip knows no AES; the other two it checks on its own.
        EXPECT_EQ(run("unzip -tq -P pw '" + archive.string() + "' plain.bin pkware.bin >/dev/null"), 0);
    }
}

TEST_F(CreateTest, LargeFileThatShrankFailsTheArchive)
{
    writeBytes(source / "large.bin", std::string(5 * 1024 * 1024, 'L'));
    ZipArchive zip(archive);
    ASSERT_TRUE(zip.open());
    ASSERT_TRUE(zip.writeFile(source / "large.bin", ""));
    fs::resize_file(source / "large.bin", 4 * 1024 * 1024 + 5);
    EXPECT_FALSE(zip.close());
    EXPECT_FALSE(fs::exists(archive));
}
