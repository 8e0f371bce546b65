#include "Lib/ZipArchive/EntryName.h"

#include "Support/LegacyText.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

constexpr std::uint16_t kDosHost = 0x0014;
constexpr std::uint16_t kUnixHost = 0x0314;

const std::vector<const char*> kLocales = {"zh_CN.UTF-8", "zh_CN.GB18030", "zh_TW.UTF-8", "zh_HK.UTF-8", "ja_JP.UTF-8",
                                           "ko_KR.UTF-8", "en_US.UTF-8",   "C",           ""};

std::string encoded(const std::string& name, const char* charset)
{
    std::string raw = testsupport::legacyEncoded(name, charset);
    EXPECT_FALSE(raw.empty()) << name << " in " << charset;
    return raw;
}

} // namespace

// Chinese archivers write GBK without the UTF-8 flag, on Windows under the MS-DOS host. Code page
// 437 draws such names in box lines, and under a Traditional Chinese, Japanese or Korean locale
// the locale's encoding reads many of them cleanly but as rare characters or half-width kana:
// GBK, where they are everyday hanzi, is the likelier reading; also with a rarer level-2 hanzi
// or ASCII among them.
TEST(EntryName, GBKNamesAreChineseFromEitherHostUnderEveryLocale)
{
    for (const std::string name : {"字", "字体", "微软雅黑", "方正楷体测试.ttf", "华文琥珀.ttf", "字体/黑体 Bold.ttf",
                                   "汉仪旗黑-55S.ttf", "华文细黑常规字体第二版"}) {
        const std::string raw = encoded(name, "GBK");
        for (const char* locale : kLocales)
            for (const std::uint16_t host : {kDosHost, kUnixHost})
                EXPECT_EQ(zipentry::decodeName(raw, host, 0, locale), name) << locale << " host " << host;
    }
}

// The weighing keeps what was read right: a name in the locale's own double-byte encoding, also
// from an MS-DOS host (where Windows tools write it), and an accented Latin name from an MS-DOS
// host under every locale, though some of these read cleanly as GBK or Big5 too.
TEST(EntryName, TheLocalesOwnNamesAndLatinDosNamesKeepTheirReading)
{
    struct Case {
        const char* locale;
        const char* charset;
        std::string name;
    };
    for (const Case& c : {Case{"zh_TW.UTF-8", "BIG5", "標楷體.ttf"}, Case{"zh_TW.UTF-8", "BIG5", "微軟正黑體.ttf"},
                          Case{"zh_HK.UTF-8", "BIG5-HKSCS", "中文"}, Case{"zh_HK.UTF-8", "BIG5-HKSCS", "新細明體"},
                          Case{"ja_JP.UTF-8", "SHIFT_JIS", "游ゴシック.ttf"}, Case{"ja_JP.UTF-8", "SHIFT_JIS", "ﾌｫﾝﾄ.otf"},
                          Case{"ja_JP.UTF-8", "SHIFT_JIS", "ＭＳ 明朝"}, Case{"ko_KR.UTF-8", "CP949", "나눔고딕.ttf"},
                          Case{"ko_KR.UTF-8", "CP949", "맑은 고딕"}}) {
        const std::string raw = encoded(c.name, c.charset);
        for (const std::uint16_t host : {kDosHost, kUnixHost})
            EXPECT_EQ(zipentry::decodeName(raw, host, 0, c.locale), c.name) << c.locale << " host " << host;
    }

    // "ñí" reads as a kana in GBK and as a frequent hanzi in Big5, "ñ" and the ASCII letter after
    // it as another Big5 hanzi.
    for (const std::string name : {"Peñíscola.ttf", "Señor.ttf", "Größe Mono.otf", "Café Crème.ttf"}) {
        const std::string raw = encoded(name, "CP437");
        for (const char* locale : kLocales)
            EXPECT_EQ(zipentry::decodeName(raw, kDosHost, 0, locale), name) << locale;
    }
    // From another host the same bytes are GBK: the weighing, not the bytes, kept them Latin.
    EXPECT_NE(zipentry::decodeName(encoded("Peñíscola.ttf", "CP437"), kUnixHost, 0, "zh_CN.UTF-8"), "Peñíscola.ttf");
}
