// WinZip AES entries of both format versions, written byte by byte: version 1 carries a checksum
// and an authentication code, version 2 the code alone (its checksum field is 0), each stored or
// deflated. An entry that fails a check it carries fails to unpack and leaves no file.
#include "Lib/ZipArchive/ZipArchive.h"

#include "Support/TempHome.h"
#include "TestArchives.h"

#include <array>
#include <filesystem>
#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <zlib.h>

namespace fs = std::filesystem;
using foundation::Error;
using foundation::Ref;
using namespace ziptest;

namespace {

struct AesEntrySpec {
    std::string password;
    int version = 2;
    bool deflate = false;
    // Set: the header's password verifier is this password's instead.
    std::string verifierOf;
};

// AES-256: a 16-byte salt, keys from PBKDF2-HMAC-SHA1 with 1000 rounds, counter mode with a
// little-endian counter from 1, and the first 10 bytes of an HMAC-SHA1 of the encrypted bytes.
std::string aesKeys(const std::string& password, const std::string& salt)
{
    std::string keys(66, '\0');
    EXPECT_EQ(PKCS5_PBKDF2_HMAC_SHA1(password.data(), static_cast<int>(password.size()),
                  reinterpret_cast<const unsigned char*>(salt.data()), static_cast<int>(salt.size()), 1000,
                  static_cast<int>(keys.size()), reinterpret_cast<unsigned char*>(keys.data())),
        1);
    return keys;
}

std::string aesCounterMode(const std::string& key, const std::string& data)
{
    std::string counters;
    std::array<unsigned char, 16> counter {};
    for (std::size_t at = 0; at < data.size(); at += 16) {
        for (unsigned char& digit : counter) {
            if (++digit != 0)
                break;
        }
        counters.append(reinterpret_cast<const char*>(counter.data()), counter.size());
    }
    std::string stream(counters.size(), '\0');
    EVP_CIPHER_CTX* context = EVP_CIPHER_CTX_new();
    int written = 0;
    EXPECT_EQ(EVP_EncryptInit_ex(context, EVP_aes_256_ecb(), nullptr,
                  reinterpret_cast<const unsigned char*>(key.data()), nullptr),
        1);
    EVP_CIPHER_CTX_set_padding(context, 0);
    EXPECT_EQ(EVP_EncryptUpdate(context, reinterpret_cast<unsigned char*>(stream.data()), &written,
                  reinterpret_cast<const unsigned char*>(counters.data()), static_cast<int>(counters.size())),
        1);
    EVP_CIPHER_CTX_free(context);
    std::string out = data;
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<char>(out[i] ^ stream[i]);
    return out;
}

RawEntry aesEntry(const std::string& name, const std::string& plain, const AesEntrySpec& spec)
{
    const std::string salt = "salt of sixteen!";
    const std::string keys = aesKeys(spec.password, salt);
    const std::string verifier
        = aesKeys(spec.verifierOf.empty() ? spec.password : spec.verifierOf, salt).substr(64);
    const std::string encrypted = aesCounterMode(keys.substr(0, 32), spec.deflate ? deflated(plain) : plain);
    unsigned char code[EVP_MAX_MD_SIZE];
    unsigned int codeLength = 0;
    HMAC(EVP_sha1(), keys.data() + 32, 32, reinterpret_cast<const unsigned char*>(encrypted.data()),
        encrypted.size(), code, &codeLength);

    RawEntry entry
        = fileEntry(name, salt + verifier + encrypted + std::string(reinterpret_cast<char*>(code), 10));
    entry.flag = 0x1;
    entry.method = 99;
    entry.uncompressedSize = static_cast<std::uint32_t>(plain.size());
    entry.crc = spec.version == 1 ? static_cast<std::uint32_t>(
                    crc32(0, reinterpret_cast<const Bytef*>(plain.data()), static_cast<uInt>(plain.size())))
                                  : 0;
    // The AES field: its version, "AE", strength 3 (256 bits) and the real method.
    entry.extra = std::string("\x01\x99\x07\x00", 4) + static_cast<char>(spec.version) + '\0' + "AE" + '\x03'
        + static_cast<char>(spec.deflate ? 8 : 0) + '\0';
    return entry;
}

class AesEntryTest : public testing::Test {
protected:
    void SetUp() override { scratch = testsupport::makeScratchDir("aes"); }

    // Writes `entry`, alone, to a new `archive` and unpacks that to a new `out` with `password`;
    // true when that succeeds.
    bool unpacks(const RawEntry& entry, const std::string& password, Ref<Error>* error = nullptr)
    {
        ++count;
        archive = scratch / (std::to_string(count) + ".zip");
        out = scratch / (std::to_string(count) + "-out");
        writeBytes(archive, rawArchive({ entry }));
        return ZipArchive::unzipFileAtPath(archive, out, true, password, error);
    }

    fs::path scratch;
    fs::path archive;
    fs::path out;
    int count = 0;
};

// Every combination of format version and method.
std::vector<AesEntrySpec> allKinds(const std::string& password)
{
    std::vector<AesEntrySpec> kinds;
    for (int version : { 1, 2 }) {
        for (bool deflate : { false, true })
            kinds.push_back({ password, version, deflate, {} });
    }
    return kinds;
}

std::string kindName(const AesEntrySpec& spec)
{
    return "AE-" + std::to_string(spec.version) + (spec.deflate ? " deflated" : " stored");
}

} // namespace

TEST_F(AesEntryTest, BothVersionsUnpackStoredAndDeflated)
{
    // Sizes on both sides of 20 bytes, where the zip library starts checking a version 2 entry's
    // checksum of 0, and data that does not compress.
    std::string noise;
    for (std::uint32_t x = 1; noise.size() < 70000; x = x * 1664525 + 1013904223)
        noise.push_back(static_cast<char>(x >> 24));
    for (const AesEntrySpec& spec : allKinds("pw")) {
        for (const std::string& plain : { std::string("tiny"), std::string(5000, 'f') + "tail", noise }) {
            SCOPED_TRACE(kindName(spec) + ", " + std::to_string(plain.size()) + " bytes");
            Ref<Error> error;
            ASSERT_TRUE(unpacks(aesEntry("font.ttf", plain, spec), "pw", &error))
                << (error ? error->localizedDescription() : "");
            EXPECT_TRUE(readBytes(out / "font.ttf") == plain);
            EXPECT_TRUE(ZipArchive::isPasswordValidForArchiveAtPath(archive, "pw", nullptr));
            EXPECT_FALSE(ZipArchive::isPasswordValidForArchiveAtPath(archive, "other", nullptr));
        }
    }
}

TEST_F(AesEntryTest, DamagedEntriesFailAndLeaveNoFile)
{
    const std::string plain = std::string(3000, 'a') + "end of the font";
    for (const AesEntrySpec& spec : allKinds("pw")) {
        SCOPED_TRACE(kindName(spec));
        const RawEntry intact = aesEntry("font.ttf", plain, spec);
        // A byte of the encrypted data (past the salt and the verifier), and one of the code alone.
        for (std::size_t at : { std::size_t(16 + 2 + 7), intact.data.size() - 1 }) {
            RawEntry damaged = intact;
            damaged.data[at] = static_cast<char>(damaged.data[at] ^ 0x01);
            Ref<Error> error;
            EXPECT_FALSE(unpacks(damaged, "pw", &error)) << at;
            EXPECT_EQ(listTree(out), std::vector<std::string> {}) << at;
            ASSERT_TRUE(error) << at;
            EXPECT_EQ(error->localizedDescription(), "crc check failed for file") << at;
        }
    }
}

TEST_F(AesEntryTest, OnlyTheFirstVersionIsCheckedByItsChecksum)
{
    for (const AesEntrySpec& spec : allKinds("pw")) {
        SCOPED_TRACE(kindName(spec));
        RawEntry entry = aesEntry("font.ttf", std::string(3000, 'a'), spec);
        entry.corruptCrc = true;
        Ref<Error> error;
        if (spec.version == 1) {
            EXPECT_FALSE(unpacks(entry, "pw", &error));
            ASSERT_TRUE(error);
            EXPECT_EQ(error->localizedDescription(), "crc check failed for file");
            EXPECT_EQ(listTree(out), std::vector<std::string> {});
        } else {
            EXPECT_TRUE(unpacks(entry, "pw", &error)) << "version 2 has no checksum to check";
        }
    }
}

TEST_F(AesEntryTest, WrongPasswordPastTheVerifierIsRefused)
{
    // The 2-byte verifier lets 1 wrong password in 65,536 through; here the entry carries the wrong
    // password's verifier, so it always does. The authentication code still refuses it.
    for (AesEntrySpec spec : allKinds("right")) {
        SCOPED_TRACE(kindName(spec));
        spec.verifierOf = "wrong";
        RawEntry entry = aesEntry("font.ttf", std::string(3000, 'a'), spec);
        EXPECT_FALSE(unpacks(entry, "wrong"));
        EXPECT_EQ(listTree(out), std::vector<std::string> {});
        Ref<Error> error;
        EXPECT_FALSE(ZipArchive::isPasswordValidForArchiveAtPath(archive, "wrong", &error));
        EXPECT_FALSE(error) << "a wrong password is an answer, not an error";
    }
}
