#include "Lib/ZipArchive/ZipArchive.h"

#include "Support/TempHome.h"
#include "TestArchives.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <zip.h>
#include <zlib.h>

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

TEST_F(ProbeTest, WrongPasswordPastTheCheckByteIsRefused)
{
    // The traditional encryption checks a password against one byte of the entry's header, so a
    // wrong one gets past that check 1 time in 256. Headers are tried until "wrong" gets past it;
    // then only the entry's checksum can tell, for the probe and for unpacking alike.
    const std::string right = "open sesame";
    const std::string wrong = "wrong";
    const std::string plain = "secret text, long enough to give the checksum something to check";
    const auto crc = static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(plain.data()), static_cast<uInt>(plain.size())));
    const auto check = static_cast<char>(crc >> 24);
    for (bool deflate : {false, true}) {
        SCOPED_TRACE(deflate ? "deflated" : "stored");
        const std::string stored = deflate ? deflated(plain) : plain;
        std::string encrypted;
        for (unsigned seed = 0;; ++seed) {
            ASSERT_LT(seed, 4096u) << "no header lets the wrong password past the check byte";
            std::string header;
            for (unsigned i = 0; i < 11; ++i)
                header.push_back(static_cast<char>((seed >> (i % 2 * 8)) + 37 * i));
            encrypted = traditionalEncrypted(right, header + check + stored);
            if (traditionalDecrypted(wrong, encrypted.substr(0, 12)).back() == check)
                break;
        }
        RawEntry secret = fileEntry("secret.txt", encrypted);
        secret.flag = 0x1;
        secret.method = deflate ? 8 : 0;
        secret.crc = crc;
        secret.uncompressedSize = static_cast<std::uint32_t>(plain.size());
        fs::path path = scratch / (deflate ? "deflated.zip" : "stored.zip");
        writeBytes(path, rawArchive({fileEntry("plain.txt", "p"), secret}));

        int openError = 0;
        zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY, &openError);
        ASSERT_NE(archive, nullptr);
        zip_file_t* opened = zip_fopen_index_encrypted(archive, 1, 0, wrong.c_str());
        EXPECT_NE(opened, nullptr) << "the zip library's own check lets the wrong password through";
        if (opened)
            zip_fclose(opened);
        zip_discard(archive);

        Ref<Error> error;
        EXPECT_FALSE(ZipArchive::isPasswordValidForArchiveAtPath(path, wrong, &error));
        EXPECT_FALSE(error) << "a wrong password is an answer, not an error";
        EXPECT_TRUE(ZipArchive::isPasswordValidForArchiveAtPath(path, right, &error));
        EXPECT_FALSE(error);

        fs::path out = scratch / (deflate ? "deflated-out" : "stored-out");
        EXPECT_FALSE(ZipArchive::unzipFileAtPath(path, out, true, wrong, &error));
        EXPECT_EQ(listTree(out), std::vector<std::string> {"plain.txt"}) << "nothing left of the secret";
        ASSERT_TRUE(ZipArchive::unzipFileAtPath(path, out, true, right, &error));
        EXPECT_EQ(readBytes(out / "secret.txt"), plain);
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

TEST_F(ProbeTest, EntryWithAnEncryptionTheLibraryCannotUndoIsRefused)
{
    // Flag bit 6 announces the strong encryption, which no reader here supports. The library
    // leaked what it had made for such an entry when asked with a password; the leak checker of
    // the sanitizer runs catches a return of it.
    RawEntry strong = fileEntry("strong.txt", "ciphertext");
    strong.flag = 0x41;
    fs::path path = scratch / "strong.zip";
    writeBytes(path, rawArchive({strong}));
    EXPECT_TRUE(ZipArchive::isFilePasswordProtectedAtPath(path));
    Ref<Error> error;
    EXPECT_FALSE(ZipArchive::isPasswordValidForArchiveAtPath(path, "pw", &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), ZipArchiveErrorCodeFailedOpenFileInZip);
    EXPECT_FALSE(ZipArchive::unzipFileAtPath(path, scratch / "out", true, "pw", &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->localizedDescription(), "failed to open file in zip file");
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
