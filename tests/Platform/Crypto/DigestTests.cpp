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
}

TEST(DigestText, TextIsHashedAsUTF8)
{
    EXPECT_EQ(crypto::md5Hex("字体"), "8456bc40d48da5af833f1c63385e9879");
    EXPECT_EQ(crypto::sha1Hex("字体"), "b50d4d8352f5a0ff3a3554ce0fc66088ba7c7b5c");
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

TEST(DigestFile, MissingFileAndFolderGiveNothing)
{
    auto dir = testsupport::makeScratchDir("digest");
    EXPECT_FALSE(crypto::fileMD5Hex(dir / "missing"));
    EXPECT_FALSE(crypto::fileMD5Hex(dir));
}
