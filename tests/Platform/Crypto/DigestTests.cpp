#include "Platform/Crypto/Digest.h"
#include "Support/TempHome.h"

#include <fstream>
#include <gtest/gtest.h>
#include <vector>

TEST(DigestText, KnownVectorsInLowerCaseHex)
{
    EXPECT_EQ(crypto::md5Hex(std::string_view()), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(crypto::md5Hex("abc"), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(crypto::sha1Hex("abc"), "a9993e364706816aba3e25717850c26c9cd0d89d");
    EXPECT_EQ(crypto::sha1Hex(std::string_view()), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
    EXPECT_EQ(crypto::sha256Hex(std::string_view()), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(crypto::sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(crypto::sha256Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
        "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
}

TEST(DigestText, TextIsHashedAsUTF8)
{
    EXPECT_EQ(crypto::md5Hex("字体"), "8456bc40d48da5af833f1c63385e9879");
    EXPECT_EQ(crypto::sha1Hex("字体"), "b50d4d8352f5a0ff3a3554ce0fc66088ba7c7b5c");
}

TEST(DigestText, HmacSha256MatchesTheReferenceVectors)
{
    const std::string jefe = "Jefe";
    EXPECT_EQ(crypto::hmacSha256Hex({ reinterpret_cast<const std::uint8_t*>(jefe.data()), jefe.size() },
                  "what do ya want for nothing?"),
        "5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843");
    const std::vector<std::uint8_t> key(20, 0x0b);
    EXPECT_EQ(crypto::hmacSha256Hex(key, "Hi There"),
        "b0344c61d8db38535ca8afceaf0bf12b881dc200c9833da726e9376c2e32cff7");
}

TEST(DigestFile, ChunkedReadMatchesTheWholeAcrossChunkBoundaries)
{
    auto dir = testsupport::makeScratchDir("digest");
    for (std::size_t size :
        { std::size_t(0), std::size_t(8191), std::size_t(8192), std::size_t(8193), std::size_t(20000) }) {
        std::vector<std::uint8_t> bytes(size);
        for (std::size_t i = 0; i < size; ++i)
            bytes[i] = static_cast<std::uint8_t>(i * 31 + 7);
        auto path = dir / ("f" + std::to_string(size));
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(size));
        EXPECT_EQ(crypto::fileMD5Hex(path), crypto::md5Hex(std::span<const std::uint8_t>(bytes))) << size;
    }
}

TEST(DigestFile, Sha256StreamsAcrossItsMegabyteChunks)
{
    auto dir = testsupport::makeScratchDir("digest");
    constexpr std::size_t kChunk = std::size_t(1) << 20;
    for (std::size_t size : { std::size_t(0), std::size_t(1), kChunk - 1, kChunk, kChunk + 1, 2 * kChunk + 12345 }) {
        std::vector<std::uint8_t> bytes(size);
        for (std::size_t i = 0; i < size; ++i)
            bytes[i] = static_cast<std::uint8_t>((i * 2654435761u) >> 13);
        auto path = dir / ("s" + std::to_string(size));
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(size));
        EXPECT_EQ(crypto::fileSHA256Hex(path), crypto::sha256Hex(std::span<const std::uint8_t>(bytes))) << size;
    }
    EXPECT_EQ(crypto::fileSHA256Hex(dir / "s0"), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
}

TEST(DigestFile, MissingFileAndFolderGiveNothing)
{
    auto dir = testsupport::makeScratchDir("digest");
    EXPECT_FALSE(crypto::fileMD5Hex(dir / "missing"));
    EXPECT_FALSE(crypto::fileMD5Hex(dir));
    EXPECT_FALSE(crypto::fileSHA256Hex(dir / "missing"));
    EXPECT_FALSE(crypto::fileSHA256Hex(dir)) << "a folder opens but cannot be read";
}
