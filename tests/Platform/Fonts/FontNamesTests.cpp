#include "Platform/Fonts/FontNames.h"
#include "Platform/Fonts/NameTableLanguages.h"
#include "Support/TempHome.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>

namespace {

const std::filesystem::path kDejaVu = "/usr/share/fonts/truetype/dejavu";
const std::filesystem::path kZenHei = "/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc";

fonts::FontNames names(const std::filesystem::path& file, std::vector<std::string> languages = {"en"})
{
    auto read = fonts::FontNameReader::read(file, languages);
    EXPECT_TRUE(read.has_value()) << file;
    return read.value_or(fonts::FontNames{});
}

// Sets an environment variable for one scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value)
        : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv()
    {
        if (old_)
            setenv(name_, old_->c_str(), 1);
        else
            unsetenv(name_);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

} // namespace

TEST(FontNameReader, ReadsTheNamesOfLatinFonts)
{
    const auto book = names(kDejaVu / "DejaVuSans.ttf");
    EXPECT_EQ(book.family, "DejaVu Sans");
    EXPECT_EQ(book.localizedFamily, "DejaVu Sans");
    EXPECT_EQ(book.subfamily, "Book");
    EXPECT_EQ(book.fullName, "DejaVu Sans");
    EXPECT_EQ(book.postScriptName, "DejaVuSans");

    const auto bold = names(kDejaVu / "DejaVuSans-Bold.ttf");
    EXPECT_EQ(bold.subfamily, "Bold");
    EXPECT_EQ(bold.fullName, "DejaVu Sans Bold");
    EXPECT_EQ(bold.postScriptName, "DejaVuSans-Bold");

    const auto italic = names("/usr/share/fonts/truetype/liberation2/LiberationSans-Italic.ttf");
    EXPECT_EQ(italic.family, "Liberation Sans");
    EXPECT_EQ(italic.subfamily, "Italic");
    EXPECT_EQ(italic.postScriptName, "LiberationSans-Italic");
}

TEST(FontNameReader, PrefersTheTypographicFamilyOverTheLegacyOne)
{
    // The legacy family of this face is "DejaVu Sans Light"; its typographic family is the family's.
    const auto light = names(kDejaVu / "DejaVuSans-ExtraLight.ttf");
    EXPECT_EQ(light.family, "DejaVu Sans");
    EXPECT_EQ(light.subfamily, "ExtraLight");
}

TEST(FontNameReader, LocalizesTheFamilyForThePreferredLanguages)
{
    EXPECT_EQ(names(kZenHei, {"zh-CN"}).localizedFamily, "文泉驿正黑");
    EXPECT_EQ(names(kZenHei, {"zh-Hans"}).localizedFamily, "文泉驿正黑");
    EXPECT_EQ(names(kZenHei, {"zh-TW"}).localizedFamily, "文泉驛正黑");
    EXPECT_EQ(names(kZenHei, {"zh-Hant-HK"}).localizedFamily, "文泉驛正黑");
    // A language the font lacks gives way to the next one; none at all gives the English name.
    EXPECT_EQ(names(kZenHei, {"fr", "zh_CN"}).localizedFamily, "文泉驿正黑");
    EXPECT_EQ(names(kZenHei, {"de"}).localizedFamily, "WenQuanYi Zen Hei");
    EXPECT_EQ(names(kZenHei, {"zh-CN"}).family, "WenQuanYi Zen Hei");
    EXPECT_EQ(names(kZenHei, {"zh-CN"}).postScriptName, "WenQuanYiZenHei");
}

TEST(FontNameReader, RefusesWhatIsNoFont)
{
    const auto dir = testsupport::makeScratchDir("notfonts");
    std::ofstream(dir / "fonts.dir") << "3\nDejaVuSans.ttf -misc-dejavu sans-medium-r-normal--0-0-0-0-p-0-iso10646-1\n";
    std::ofstream(dir / ".uuid") << "0b5b1ac6-5d0f-4c4e-8ae5-44e4f4b8e1a2";
    std::ofstream(dir / "empty.ttf");
    EXPECT_FALSE(fonts::FontNameReader::read(dir / "fonts.dir", {"en"}));
    EXPECT_FALSE(fonts::FontNameReader::read(dir / ".uuid", {"en"}));
    EXPECT_FALSE(fonts::FontNameReader::read(dir / "empty.ttf", {"en"}));
    EXPECT_FALSE(fonts::FontNameReader::read(dir, {"en"}));
    EXPECT_FALSE(fonts::FontNameReader::read(dir / "missing.ttf", {"en"}));
}

TEST(FontNameReader, TakesThePreferredLanguagesFromTheEnvironment)
{
    {
        ScopedEnv language("LANGUAGE", "zh_CN:en_GB");
        EXPECT_EQ(fonts::FontNameReader::preferredLanguages(), (std::vector<std::string>{"zh-CN", "en-GB"}));
    }
    ScopedEnv language("LANGUAGE", nullptr);
    ScopedEnv all("LC_ALL", nullptr);
    ScopedEnv messages("LC_MESSAGES", "zh_TW.UTF-8@stroke");
    EXPECT_EQ(fonts::FontNameReader::preferredLanguages(), (std::vector<std::string>{"zh-TW"}));
    ScopedEnv noMessages("LC_MESSAGES", nullptr);
    ScopedEnv lang("LANG", "C.UTF-8");
    EXPECT_EQ(fonts::FontNameReader::preferredLanguages(), (std::vector<std::string>{"en"}));
}

TEST(NameTableLanguages, TellsChineseScriptsApart)
{
    EXPECT_TRUE(fonts::nameLanguageMatches(3, 0x0804, "zh-CN"));
    EXPECT_TRUE(fonts::nameLanguageMatches(3, 0x1004, "zh-Hans-SG"));
    EXPECT_FALSE(fonts::nameLanguageMatches(3, 0x0404, "zh-CN"));
    EXPECT_TRUE(fonts::nameLanguageMatches(3, 0x0C04, "zh-HK"));
    EXPECT_TRUE(fonts::nameLanguageMatches(1, 33, "zh"));
    EXPECT_TRUE(fonts::nameLanguageMatches(1, 19, "zh-TW"));
    EXPECT_TRUE(fonts::nameLanguageMatches(3, 0x0809, "en-US")); // British entry, English reader
    EXPECT_FALSE(fonts::nameLanguageMatches(3, 0x0411, "ko"));
    EXPECT_FALSE(fonts::nameLanguageMatches(0, 0, "en"));
}
