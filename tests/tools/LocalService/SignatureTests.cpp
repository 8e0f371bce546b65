#include "local-service/Signature.h"

#include <gtest/gtest.h>

using localservice::FormParams;
using localservice::Signature;

namespace {

// The ten parameters of an operation whose only own parameter is "tag", in the order a client
// writes them; the vectors below were worked out by hand from the signing rule.
FormParams tagOnlyRequest()
{
    return {{"tag", "129"},
            {"UIID", "8f14e45f"},
            {"token", ""},
            {"system", "MacBookPro16,1"},
            {"platform", "mz_mac"},
            {"mac", "a4:83:e7:00:11:22"},
            {"source_type", "official"},
            {"version", "2.1.0"},
            {"data_version", "A20200326154556"},
            {"SystemVersion", "12.6"}};
}

} // namespace

TEST(SignatureText, SortsKeysByByteOrderUpperCaseFirst)
{
    EXPECT_EQ(Signature::canonicalText(tagOnlyRequest()),
              "SystemVersion=12.6&UIID=8f14e45f&data_version=A20200326154556&mac=a4:83:e7:00:11:22"
              "&platform=mz_mac&source_type=official&system=MacBookPro16,1&tag=129&token=&version=2.1.0");
}

TEST(SignatureText, LeavesOutSecretAndKeepsValuesUnescaped)
{
    const FormParams params = {{"x", "中文"}, {"secret", "ignored"}, {"token", "abc"}, {"fontid", "1047"}, {"tag", "163"}};
    EXPECT_EQ(Signature::canonicalText(params), "fontid=1047&tag=163&token=abc&x=中文");
}

TEST(SignatureVector, TagOnlyRequest)
{
    EXPECT_EQ(Signature::md5Hex(Signature::canonicalText(tagOnlyRequest())), "d46f3a8ac3982de99208799d7887a60a");
    EXPECT_EQ(Signature::compute(tagOnlyRequest()), "2d6c9d152a837fb375edb8080dd508c6");
}

TEST(SignatureVector, NonAsciiValue)
{
    const FormParams params = {{"tag", "163"}, {"fontid", "1047"}, {"token", "abc"}, {"x", "中文"}};
    EXPECT_EQ(Signature::compute(params), "c9ef94a3191c57cc15560718d4aff5aa");
}

TEST(SignatureVerify, AcceptsOnlyTheExactSecret)
{
    FormParams params = tagOnlyRequest();
    EXPECT_FALSE(Signature::verify(params)) << "no secret at all";
    params.emplace_back("secret", "2d6c9d152a837fb375edb8080dd508c6");
    EXPECT_TRUE(Signature::verify(params));
    params.back().second = "2D6C9D152A837FB375EDB8080DD508C6";
    EXPECT_FALSE(Signature::verify(params)) << "the digest is lower-case hex";
    params.back().second = "2d6c9d152a837fb375edb8080dd508c6";
    params[0].second = "130";
    EXPECT_FALSE(Signature::verify(params)) << "a changed value breaks the signature";
}

TEST(SignatureVerify, AnEmptyTokenIsPartOfTheSignature)
{
    FormParams withToken = tagOnlyRequest();
    FormParams withoutToken;
    for (const auto& p : withToken)
        if (p.first != "token")
            withoutToken.push_back(p);
    EXPECT_NE(Signature::compute(withToken), Signature::compute(withoutToken));
}
