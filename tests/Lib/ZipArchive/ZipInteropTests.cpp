// Archives written by us are read by the system's tools, and theirs by us: the traditional
// encryption with zip/unzip, AES with 7z and bsdtar.
#include "Lib/ZipArchive/ZipArchive.h"

#include "Support/TempHome.h"
#include "TestArchives.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace ziptest;

namespace {

class InteropTest : public testing::Test {
protected:
    void SetUp() override
    {
        scratch = testsupport::makeScratchDir("interop");
        source = scratch / "src";
        fs::create_directories(source / "nested" / "empty");
        writeBytes(source / "Regular.ttf", std::string(70000, 'R') + "tail");
        writeBytes(source / "nested" / "caf\xC3\xA9.otf", "accented name");
    }

    void requireTool(const std::string& tool)
    {
        if (!haveTool(tool))
            GTEST_SKIP() << tool << " is not installed";
    }

    void expectSourceTree(const fs::path& out)
    {
        EXPECT_EQ(listTree(out), (std::vector<std::string>{"Regular.ttf", "nested/", "nested/caf\xC3\xA9.otf",
                                                           "nested/empty/"}));
        EXPECT_EQ(readBytes(out / "Regular.ttf"), readBytes(source / "Regular.ttf"));
        EXPECT_EQ(readBytes(out / "nested/caf\xC3\xA9.otf"), "accented name");
    }

    std::string quoted(const fs::path& path) { return "'" + path.string() + "'"; }

    fs::path scratch;
    fs::path source;
};

} // namespace

TEST_F(InteropTest, UnzipReadsOurTraditionalEncryption)
{
    requireTool("unzip");
    fs::path archive = scratch / "ours.zip";
    ASSERT_TRUE(ZipArchive::createZipFileAtPath(archive, source, false, -1, "pk pass", false, {}));
    fs::path out = scratch / "out";
    ASSERT_EQ(run("unzip -q -P 'pk pass' " + quoted(archive) + " -d " + quoted(out)), 0);
    expectSourceTree(out);
}

TEST_F(InteropTest, WeReadZipsTraditionalEncryption)
{
    requireTool("zip");
    fs::path archive = scratch / "theirs.zip";
    ASSERT_EQ(run("cd " + quoted(source) + " && zip -q -r -P 'pk pass' " + quoted(archive) + " ."), 0);
    fs::path out = scratch / "out";
    ASSERT_TRUE(ZipArchive::unzipFileAtPath(archive, out, true, "pk pass", nullptr));
    expectSourceTree(out);
    EXPECT_TRUE(ZipArchive::isFilePasswordProtectedAtPath(archive));
    EXPECT_TRUE(ZipArchive::isPasswordValidForArchiveAtPath(archive, "pk pass", nullptr));
}

TEST_F(InteropTest, SevenZipReadsOurAes)
{
    requireTool("7z");
    fs::path archive = scratch / "ours.zip";
    ASSERT_TRUE(ZipArchive::createZipFileAtPath(archive, source, "aes pass"));
    fs::path out = scratch / "out";
    ASSERT_EQ(run("7z x -y -bso0 -bsp0 -p'aes pass' -o" + quoted(out) + " " + quoted(archive)), 0);
    expectSourceTree(out);
}

TEST_F(InteropTest, WeReadSevenZipsAes)
{
    requireTool("7z");
    fs::path archive = scratch / "theirs.zip";
    ASSERT_EQ(run("cd " + quoted(source) + " && 7z a -tzip -mem=AES256 -p'aes pass' -bso0 -bsp0 " + quoted(archive)
                  + " . >/dev/null"),
              0);
    fs::path out = scratch / "out";
    ASSERT_TRUE(ZipArchive::unzipFileAtPath(archive, out, true, "aes pass", nullptr));
    expectSourceTree(out);
    EXPECT_FALSE(ZipArchive::unzipFileAtPath(archive, scratch / "wrong", true, "nope", nullptr));
}

TEST_F(InteropTest, TamperedSevenZipAesFailsItsAuthentication)
{
    requireTool("7z");
    fs::path archive = scratch / "theirs.zip";
    ASSERT_EQ(run("cd " + quoted(source) + " && 7z a -tzip -mem=AES256 -p'aes pass' -bso0 -bsp0 " + quoted(archive)
                  + " Regular.ttf >/dev/null"),
              0);
    std::string bytes = readBytes(archive);
    // Past the local header (30 bytes, the name, an 11-byte AES field), the salt and the verifier.
    std::size_t payload = 30 + std::string("Regular.ttf").size() + 11 + 16 + 2;
    ASSERT_GT(bytes.size(), payload + 20);
    bytes[payload + 5] = static_cast<char>(bytes[payload + 5] ^ 0x01);
    writeBytes(archive, bytes);
    foundation::Ref<foundation::Error> error;
    EXPECT_FALSE(ZipArchive::unzipFileAtPath(archive, scratch / "out", true, "aes pass", &error));
    EXPECT_FALSE(fs::exists(scratch / "out" / "Regular.ttf"));
}

TEST_F(InteropTest, WeReadZip64Records)
{
    requireTool("zip");
    fs::path archive = scratch / "zip64.zip";
    ASSERT_EQ(run("cd " + quoted(source) + " && zip -q -r -fz " + quoted(archive) + " ."), 0);
    fs::path out = scratch / "out";
    ASSERT_TRUE(ZipArchive::unzipFileAtPath(archive, out));
    expectSourceTree(out);
}

TEST_F(InteropTest, BsdtarReadsOurAes)
{
    requireTool("bsdtar");
    fs::path archive = scratch / "ours.zip";
    ASSERT_TRUE(ZipArchive::createZipFileAtPath(archive, source, "aes pass"));
    fs::path out = scratch / "out";
    fs::create_directories(out);
    ASSERT_EQ(run("bsdtar -x --passphrase 'aes pass' -f " + quoted(archive) + " -C " + quoted(out)), 0);
    expectSourceTree(out);
}

TEST_F(InteropTest, PlainArchivesBothWays)
{
    requireTool("zip");
    requireTool("unzip");
    fs::path theirs = scratch / "theirs.zip";
    ASSERT_EQ(run("cd " + quoted(source) + " && zip -q -r " + quoted(theirs) + " ."), 0);
    EXPECT_FALSE(ZipArchive::isFilePasswordProtectedAtPath(theirs));
    fs::path out = scratch / "out";
    ASSERT_TRUE(ZipArchive::unzipFileAtPath(theirs, out));
    expectSourceTree(out);

    fs::path ours = scratch / "ours.zip";
    ASSERT_TRUE(ZipArchive::createZipFileAtPath(ours, source));
    ASSERT_EQ(run("unzip -tq " + quoted(ours) + " >/dev/null"), 0);
}
