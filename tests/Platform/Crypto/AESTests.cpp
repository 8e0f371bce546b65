#include "Platform/Crypto/AES.h"

#include <gtest/gtest.h>
#include <string>
#include <string_view>

namespace {

std::span<const std::uint8_t> bytes(std::string_view text)
{
    return { reinterpret_cast<const std::uint8_t*>(text.data()), text.size() };
}

std::vector<std::uint8_t> fromHex(std::string_view hex)
{
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(static_cast<std::uint8_t>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
    return out;
}

constexpr std::string_view kServiceKey = "5D19E3A07BC4F268";
constexpr std::string_view kServiceIV = "C3A1907E5F2B84D6";

} // namespace

TEST(AESCipher, MatchesTheStandardCBCVectorThenAddsAFullPaddingBlock)
{
    auto key = fromHex("2b7e151628aed2a6abf7158809cf4f3c");
    auto iv = fromHex("000102030405060708090a0b0c0d0e0f");
    auto plain = fromHex("6bc1bee22e409f96e93d7e117393172a");
    auto cipher = crypto::aes128CBCEncrypt(plain, key, iv);
    ASSERT_TRUE(cipher);
    ASSERT_EQ(cipher->size(), 32u);
    EXPECT_EQ(std::vector<std::uint8_t>(cipher->begin(), cipher->begin() + 16),
        fromHex("7649abac8119b246cee98e9b12e9197d"));
}

TEST(AESCipher, RoundTripsTextOfEveryLengthAroundABlock)
{
    std::string text;
    for (int length = 0; length <= 33; ++length) {
        auto cipher = crypto::aes128CBCEncrypt(bytes(text), bytes(kServiceKey), bytes(kServiceIV));
        ASSERT_TRUE(cipher);
        EXPECT_EQ(cipher->size(), (text.size() / 16 + 1) * 16);
        auto plain = crypto::aes128CBCDecrypt(*cipher, bytes(kServiceKey), bytes(kServiceIV));
        ASSERT_TRUE(plain);
        EXPECT_EQ(std::string(plain->begin(), plain->end()), text);
        text += static_cast<char>('a' + length % 26);
    }
}

TEST(AESCipher, FailuresAreReportedNotGarbage)
{
    auto cipher = crypto::aes128CBCEncrypt(bytes("密码 text"), bytes(kServiceKey), bytes(kServiceIV));
    ASSERT_TRUE(cipher);
    std::vector<std::uint8_t> truncated(cipher->begin(), cipher->end() - 1);
    EXPECT_FALSE(crypto::aes128CBCDecrypt(truncated, bytes(kServiceKey), bytes(kServiceIV)));
    EXPECT_FALSE(crypto::aes128CBCDecrypt(*cipher, bytes("0000000000000000"), bytes(kServiceIV)));
    EXPECT_FALSE(crypto::aes128CBCEncrypt(bytes("x"), bytes("short"), bytes(kServiceIV)));
    EXPECT_FALSE(crypto::aes128CBCEncrypt(bytes("x"), bytes(kServiceKey), bytes("C3A1907E5F2B84D6X")));
}
