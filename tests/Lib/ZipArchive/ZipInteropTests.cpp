// Archives written by us are read by the system's tools, and theirs by us: the traditional
// encryption with zip/unzip and 7z, AES (stored and deflated) with 7z and bsdtar. The tools come with the project's
// packages; where one is missing its tests skip, except under CI (CI=true), where they fail.
#include "Lib/ZipArchive/ZipArchive.h"

#include "Support/TempHome.h"
#include "TestArchives.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <zip.h>

namespace fs = std::filesystem;
using namespace ziptest;

namespace {

bool toolsAreRequired()
{
    const char* ci = std::getenv("CI");
    return ci && (std::string(ci) == "true" || std::string(ci) == "1");
}

// Ends the test when `tool` is not installed: a skip, or a failure under CI.
#define REQUIRE_TOOL(tool)                                                                                   \
    do {                                                                                                     \
        if (!haveTool(tool)) {                                                                               \
            if (toolsAreRequired())                                                                          \
                FAIL() << (tool) << " is not installed";                                                     \
            GTEST_SKIP() << (tool) << " is not installed";                                                   \
        }                                                                                                    \
    } while (false)

class InteropTest : public testing::Test {
protected:
    void SetUp() override
    {
        scratch = testsupport::makeScratchDir("interop");
        source = scratch / "src";
        fs::create_directories(source / "nested" / "empty");
        writeBytes(source / "Regular.ttf", std::string(70000, 'R') + "tail");
        writeBytes(source / "nested" / "caf\xC3\xA9.otf", "accented name");
        // Bytes that do not compress: the tools store them even when asked to deflate.
        std::string noise;
        for (std::uint32_t x = 7; noise.size() < 40000; x = x * 1664525 + 1013904223)
            noise.push_back(static_cast<char>(x >> 24));
        writeBytes(source / "Noise.bin", noise);
    }

    void expectSourceTree(const fs::path& out)
    {
        EXPECT_EQ(listTree(out),
            (std::vector<std::string> {
                "Noise.bin", "Regular.ttf", "nested/", "nested/caf\xC3\xA9.otf", "nested/empty/" }));
        EXPECT_TRUE(readBytes(out / "Regular.ttf") == readBytes(source / "Regular.ttf"));
        EXPECT_TRUE(readBytes(out / "Noise.bin") == readBytes(source / "Noise.bin"));
        EXPECT_EQ(readBytes(out / "nested/caf\xC3\xA9.otf"), "accented name");
    }

    // 7z packs the source folder into `archive` with these options; false when it fails.
    bool sevenZipPacks(const fs::path& archive, const std::string& options, const std::string& files = ".")
    {
        return run("cd " + quoted(source) + " && 7z a -tzip " + options + " -bso0 -bsp0 " + quoted(archive)
                   + " " + files + " >/dev/null </dev/null")
            == 0;
    }

    // Unpacks with `password`, expects the source tree, and expects a wrong password to be refused
    // by the password check and by unpacking.
    void expectWeReadWith(const fs::path& archive, const std::string& password)
    {
        fs::path out = scratch / "out";
        fs::remove_all(out);
        foundation::Ref<foundation::Error> error;
        ASSERT_TRUE(ZipArchive::unzipFileAtPath(archive, out, true, password, &error))
            << (error ? error->localizedDescription() : "");
        expectSourceTree(out);
        EXPECT_TRUE(ZipArchive::isPasswordValidForArchiveAtPath(archive, password, nullptr));
        EXPECT_FALSE(ZipArchive::isPasswordValidForArchiveAtPath(archive, "not " + password, &error));
        EXPECT_FALSE(error);
        EXPECT_FALSE(
            ZipArchive::unzipFileAtPath(archive, scratch / "wrong", true, "not " + password, nullptr));
    }

    static std::string quoted(const fs::path& path) { return "'" + path.string() + "'"; }

    fs::path scratch;
    fs::path source;
};

// The compression methods of an archive's entries, by name, under the encryption if any.
std::map<std::string, int> methodsOf(const fs::path& archive)
{
    std::map<std::string, int> methods;
    int error = 0;
    zip_t* opened = zip_open(archive.c_str(), ZIP_RDONLY, &error);
    if (!opened)
        return methods;
    for (zip_int64_t i = 0; i < zip_get_num_entries(opened, 0); ++i) {
        zip_stat_t status;
        if (zip_stat_index(opened, static_cast<zip_uint64_t>(i), 0, &status) == 0)
            methods[status.name] = status.comp_method;
    }
    zip_discard(opened);
    return methods;
}

} // namespace

TEST_F(InteropTest, UnzipReadsOurTraditionalEncryption)
{
    REQUIRE_TOOL("unzip");
    fs::path archive = scratch / "ours.zip";
    ASSERT_TRUE(ZipArchive::createZipFileAtPath(archive, source, false, -1, "pk pass", false, {}));
    fs::path out = scratch / "out";
    ASSERT_EQ(run("unzip -q -P 'pk pass' " + quoted(archive) + " -d " + quoted(out)), 0);
    expectSourceTree(out);
}

TEST_F(InteropTest, WeReadZipsTraditionalEncryption)
{
    REQUIRE_TOOL("zip");
    fs::path archive = scratch / "theirs.zip";
    ASSERT_EQ(run("cd " + quoted(source) + " && zip -q -r -P 'pk pass' " + quoted(archive) + " ."), 0);
    EXPECT_TRUE(ZipArchive::isFilePasswordProtectedAtPath(archive));
    expectWeReadWith(archive, "pk pass");
}

TEST_F(InteropTest, WeReadSevenZipsTraditionalEncryption)
{
    REQUIRE_TOOL("7z");
    fs::path archive = scratch / "theirs.zip";
    ASSERT_TRUE(sevenZipPacks(archive, "-mem=ZipCrypto -p'pk pass'"));
    expectWeReadWith(archive, "pk pass");
}

TEST_F(InteropTest, WeReadSevenZipsAes)
{
    REQUIRE_TOOL("7z");
    // At the usual level 7z deflates what compresses and stores what does not; at level 0 it
    // stores everything.
    for (const char* options : { "-mem=AES256", "-mem=AES256 -mx=0", "-mem=AES128", "-mem=AES192" }) {
        SCOPED_TRACE(options);
        const bool storesAll = std::string(options).ends_with("-mx=0");
        fs::path archive = scratch / (std::string(options).substr(5) + ".zip");
        ASSERT_TRUE(sevenZipPacks(archive, std::string(options) + " -p'aes pass'"));
        std::map<std::string, int> methods = methodsOf(archive);
        EXPECT_EQ(methods["Noise.bin"], ZIP_CM_STORE);
        EXPECT_EQ(methods["Regular.ttf"], storesAll ? ZIP_CM_STORE : ZIP_CM_DEFLATE);
        expectWeReadWith(archive, "aes pass");
    }
}

TEST_F(InteropTest, TamperedSevenZipAesFailsItsAuthentication)
{
    REQUIRE_TOOL("7z");
    for (const char* file : { "Regular.ttf", "Noise.bin" }) {
        SCOPED_TRACE(file);
        fs::path archive = scratch / (std::string(file) + ".zip");
        ASSERT_TRUE(sevenZipPacks(archive, "-mem=AES256 -p'aes pass'", file));
        std::string bytes = readBytes(archive);
        ASSERT_GT(bytes.size(), 30u);
        // Past the local header (30 bytes, the name, the extra fields), the salt and the verifier.
        auto le16 = [&bytes](std::size_t at) {
            return static_cast<std::size_t>(static_cast<unsigned char>(bytes[at]))
                | static_cast<std::size_t>(static_cast<unsigned char>(bytes[at + 1])) << 8;
        };
        std::size_t payload = 30 + le16(26) + le16(28) + 16 + 2;
        ASSERT_GT(bytes.size(), payload + 20);
        bytes[payload + 5] = static_cast<char>(bytes[payload + 5] ^ 0x01);
        writeBytes(archive, bytes);
        foundation::Ref<foundation::Error> error;
        fs::path out = scratch / "out";
        EXPECT_FALSE(ZipArchive::unzipFileAtPath(archive, out, true, "aes pass", &error));
        ASSERT_TRUE(error);
        EXPECT_EQ(error->localizedDescription(), "crc check failed for file");
        EXPECT_EQ(listTree(out), std::vector<std::string> {});
    }
}

TEST_F(InteropTest, WeReadZip64Records)
{
    REQUIRE_TOOL("zip");
    fs::path archive = scratch / "zip64.zip";
    ASSERT_EQ(run("cd " + quoted(source) + " && zip -q -r -fz " + quoted(archive) + " ."), 0);
    fs::path out = scratch / "out";
    ASSERT_TRUE(ZipArchive::unzipFileAtPath(archive, out));
    expectSourceTree(out);
}

TEST_F(InteropTest, BsdtarReadsOurAes)
{
    REQUIRE_TOOL("bsdtar");
    fs::path archive = scratch / "ours.zip";
    ASSERT_TRUE(ZipArchive::createZipFileAtPath(archive, source, "aes pass"));
    fs::path out = scratch / "out";
    fs::create_directories(out);
    ASSERT_EQ(run("bsdtar -x --passphrase 'aes pass' -f " + quoted(archive) + " -C " + quoted(out)), 0);
    expectSourceTree(out);
}

TEST_F(InteropTest, SevenZipTestsAndReadsOurArchives)
{
    REQUIRE_TOOL("7z");
    struct Kind {
        const char* name;
        std::string password;
        bool aes;
    };
    for (const Kind& kind : { Kind { "plain", "", false }, Kind { "traditional", "pk pass", false },
             Kind { "aes", "aes pass", true } }) {
        SCOPED_TRACE(kind.name);
        fs::path archive = scratch / (std::string(kind.name) + ".zip");
        ASSERT_TRUE(ZipArchive::createZipFileAtPath(archive, source, false, -1, kind.password, kind.aes, {}));
        const std::string password = kind.password.empty() ? "" : " -p'" + kind.password + "'";
        EXPECT_EQ(run("7z t -bso0 -bsp0" + password + " " + quoted(archive) + " </dev/null"), 0);
        fs::path out = scratch / (std::string(kind.name) + "-out");
        ASSERT_EQ(run("7z x -y -bso0 -bsp0" + password + " -o" + quoted(out) + " " + quoted(archive)
                      + " </dev/null"),
            0);
        expectSourceTree(out);
    }
}

TEST_F(InteropTest, UnzipTestsOurArchives)
{
    REQUIRE_TOOL("unzip");
    // unzip knows no AES.
    fs::path plain = scratch / "plain.zip";
    ASSERT_TRUE(ZipArchive::createZipFileAtPath(plain, source));
    EXPECT_EQ(run("unzip -tq " + quoted(plain) + " >/dev/null"), 0);
    fs::path traditional = scratch / "traditional.zip";
    ASSERT_TRUE(ZipArchive::createZipFileAtPath(traditional, source, false, -1, "pk pass", false, {}));
    EXPECT_EQ(run("unzip -tq -P 'pk pass' " + quoted(traditional) + " >/dev/null"), 0);
}

TEST_F(InteropTest, PlainArchivesBothWays)
{
    REQUIRE_TOOL("zip");
    fs::path theirs = scratch / "theirs.zip";
    ASSERT_EQ(run("cd " + quoted(source) + " && zip -q -r " + quoted(theirs) + " ."), 0);
    EXPECT_FALSE(ZipArchive::isFilePasswordProtectedAtPath(theirs));
    fs::path out = scratch / "out";
    ASSERT_TRUE(ZipArchive::unzipFileAtPath(theirs, out));
    expectSourceTree(out);
}
