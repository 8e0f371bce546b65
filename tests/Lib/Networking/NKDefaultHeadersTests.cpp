#include "Lib/Networking/NKDefaultHeaders.h"

#include <gtest/gtest.h>

#include <cstdlib>

TEST(NKAcceptLanguage, OneLanguageHasQOne)
{
    EXPECT_EQ(NKAcceptLanguageValue({"de-DE"}), "de-DE;q=1");
    EXPECT_EQ(NKAcceptLanguageValue({}), "");
}

TEST(NKAcceptLanguage, AtMostSixLanguagesDownToHalf)
{
    const std::vector<std::string> eight{"a", "b", "c", "d", "e", "f", "g", "h"};
    EXPECT_EQ(NKAcceptLanguageValue(eight), "a;q=1, b;q=0.9, c;q=0.8, d;q=0.7, e;q=0.6, f;q=0.5");
}

TEST(NKPreferredLanguages, FromLanguageListThenLocaleVariables)
{
    const char* savedLanguage = std::getenv("LANGUAGE");
    const char* savedAll = std::getenv("LC_ALL");
    const std::string language = savedLanguage ? savedLanguage : "";
    const std::string all = savedAll ? savedAll : "";

    setenv("LC_ALL", "pt_BR.UTF-8", 1);
    setenv("LANGUAGE", "zh_CN:en_GB", 1);
    EXPECT_EQ(NKPreferredLanguages(), (std::vector<std::string>{"zh-CN", "en-GB"}));
    unsetenv("LANGUAGE");
    EXPECT_EQ(NKPreferredLanguages(), (std::vector<std::string>{"pt-BR"}));
    setenv("LC_ALL", "C", 1);
    setenv("LANGUAGE", "fr_FR", 1);
    EXPECT_EQ(NKPreferredLanguages(), (std::vector<std::string>{"en"}));

    savedLanguage ? setenv("LANGUAGE", language.c_str(), 1) : unsetenv("LANGUAGE");
    savedAll ? setenv("LC_ALL", all.c_str(), 1) : unsetenv("LC_ALL");
}

TEST(NKUserAgent, NonASCIIIsTransliterated)
{
    EXPECT_EQ(NKUserAgentValue("Sch\xC3\xB6nschrift", "1.2", "Debian GNU/Linux 12"), "Schonschrift/1.2 (Debian GNU/Linux 12)");
    EXPECT_EQ(NKUserAgentValue("\xE5\xAD\x97\xE4\xBD\x93", "1", "Linux"), "zi ti/1 (Linux)");
}
