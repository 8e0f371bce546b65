#include "Lib/ZipArchive/ZipArchive.h"

#include "Support/TempHome.h"
#include "TestArchives.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;
using foundation::Error;
using foundation::Ref;
using namespace ziptest;

namespace {

class ProbeTest : public testing::Test {
protected:
    void SetUp() override { scratch = testsupport::makeScratchDir("probe"); }
    fs::path scratch;
};

} // namespace

TEST_F(ProbeTest, EncryptionIsFoundInAnyEntry)
{
    fs::path plain = scratch / "plain.zip";
    fs::path aes = scratch / "aes.zip";
    fs::path pkware = scratch / "pkware.zip";
    fs::path empty = scratch / "empty.zip";
    libzipArchive(plain, {{"a.txt", "a"}});
    libzipArchive(aes, {{"a.txt", "a"}, {"b.txt", "b", false, "pw"}});
    libzipArchive(pkware, {{"a.txt", "a", false, "pw", true}});
    writeBytes(empty, rawArchive({}));
    EXPECT_FALSE(ZipArchive::isFilePasswordProtectedAtPath(plain));
    EXPECT_TRUE(ZipArchive::isFilePasswordProtectedAtPath(aes));
    EXPECT_TRUE(ZipArchive::isFilePasswordProtectedAtPath(pkware));
    EXPECT_FALSE(ZipArchive::isFilePasswordProtectedAtPath(empty));
    EXPECT_FALSE(ZipArchive::isFilePasswordProtectedAtPath(scratch / "missing.zip"));
}

TEST_F(ProbeTest, PasswordCheckAnswersForTheFirstEncryptedEntry)
{
    for (bool pkware : {false, true}) {
        fs::path path = scratch / (pkware ? "pk.zip" : "aes.zip");
        libzipArchive(path, {{"plain.txt", "p"}, {"secret.txt", "secret text", false, "open sesame", pkware}});
        Ref<Error> error;
        EXPECT_TRUE(ZipArchive::isPasswordValidForArchiveAtPath(path, "open sesame", &error)) << pkware;
        EXPECT_FALSE(error);
        EXPECT_FALSE(ZipArchive::isPasswordValidForArchiveAtPath(path, "wrong", &error)) << pkware;
        EXPECT_FALSE(error) << "a wrong password is an answer, not an error";
        EXPECT_FALSE(ZipArchive::isPasswordValidForArchiveAtPath(path, "", &error)) << pkware;
        EXPECT_FALSE(error);
    }
}

TEST_F(ProbeTest, PasswordCheckOnArchivesWithoutEncryption)
{
    fs::path plain = scratch / "plain.zip";
    fs::path empty = scratch / "empty.zip";
    libzipArchive(plain, {{"a.txt", "a"}});
    writeBytes(empty, rawArchive({}));
    Ref<Error> error;
    EXPECT_TRUE(ZipArchive::isPasswordValidForArchiveAtPath(plain, "anything", &error));
    EXPECT_TRUE(ZipArchive::isPasswordValidForArchiveAtPath(empty, "", &error));
    EXPECT_FALSE(error);
}

TEST_F(ProbeTest, PasswordCheckOnSomethingElseIsAnOpenError)
{
    fs::path junk = scratch / "junk.zip";
    writeBytes(junk, "no archive here");
    Ref<Error> error;
    EXPECT_FALSE(ZipArchive::isPasswordValidForArchiveAtPath(junk, "pw", &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), -1);
    EXPECT_EQ(error->localizedDescription(), "failed to open zip file");
}

TEST_F(ProbeTest, PasswordCheckReportsAnEntryThatCannotBeOpened)
{
    // An entry in a compression method the library does not read cannot be opened.
    RawEntry odd = fileEntry("odd.bin", "zzzz");
    odd.method = 6; // implode
    fs::path path = scratch / "odd.zip";
    writeBytes(path, rawArchive({odd}));
    Ref<Error> error;
    EXPECT_FALSE(ZipArchive::isPasswordValidForArchiveAtPath(path, "", &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), -2);
    EXPECT_EQ(error->localizedDescription(), "failed to open first file in zip file");
}

TEST(ZipArchiveHelpers, HexAndUrlSafeBase64)
{
    auto data = foundation::Data::create(std::string_view("\x00\x9F\xFA\xFB\xFF", 5));
    EXPECT_EQ(zipdata::_hexString(*data), "009FFAFBFF");
    // Standard base64 of these bytes is "AJ/6+/8=".
    EXPECT_EQ(zipdata::_base64RFC4648(*data), "AJ_6-_8=");
}

TEST(ZipArchiveHelpers, MsDosDateIsReadInLocalTime)
{
    std::uint32_t dos = (44u << 25) | (2u << 21) | (29u << 16) | (6u << 11) | (7u << 5) | 4u; // 2024-02-29 06:07:08
    auto date = ZipArchive::_dateWithMSDOSFormat(dos);
    auto seconds = static_cast<std::time_t>(date->timeIntervalSince1970());
    struct tm parts {};
    ::localtime_r(&seconds, &parts);
    EXPECT_EQ(parts.tm_year, 124);
    EXPECT_EQ(parts.tm_mon, 1);
    EXPECT_EQ(parts.tm_mday, 29);
    EXPECT_EQ(parts.tm_hour, 6);
    EXPECT_EQ(parts.tm_min, 7);
    EXPECT_EQ(parts.tm_sec, 8);
    // And back, through the entry information of a new entry.
    ZipNewEntryInfo info;
    ZipArchive::zipInfo(info, *date);
    EXPECT_EQ(info.dosDate, dos);
}
