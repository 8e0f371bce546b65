#include "Class/ServiceCore/Transport/KXDownloadFileName.h"

#include <gtest/gtest.h>

TEST(KXDownloadFileName, PlainNamesStayAsTheyAre)
{
    EXPECT_EQ(KXDownloadFileName::safeName("字体 A.zip", "u"), "字体 A.zip");
    EXPECT_EQ(KXDownloadFileName::safeName("Corvane-2.0.dmg", "u"), "Corvane-2.0.dmg");
}

TEST(KXDownloadFileName, FoldersAndTraversalAreStripped)
{
    EXPECT_EQ(KXDownloadFileName::safeName("../../.ssh/id.ttf", "u"), "id.ttf");
    EXPECT_EQ(KXDownloadFileName::safeName("..\\..\\evil.zip", "u"), "evil.zip");
    EXPECT_EQ(KXDownloadFileName::safeName(".hidden.zip", "u"), "hidden.zip");
    EXPECT_EQ(KXDownloadFileName::safeName("a\nb\x01\x7f.zip", "u"), "ab.zip");
}

TEST(KXDownloadFileName, NothingLeftGivesTheURLHash)
{
    const std::string hash = "82a2e708b2fc53792af9097bc4a00b8c"; // MD5 of "https://x/y"
    EXPECT_EQ(KXDownloadFileName::safeName("", "https://x/y"), hash);
    EXPECT_EQ(KXDownloadFileName::safeName("..", "https://x/y"), hash);
    EXPECT_EQ(KXDownloadFileName::safeName("a/", "https://x/y"), hash);
    EXPECT_EQ(KXDownloadFileName::safeName(" . ", "https://x/y"), hash);
}

TEST(KXDownloadFileName, LongNamesKeepTheirExtension)
{
    const std::string name = KXDownloadFileName::safeName(std::string(300, 'a') + ".zip", "u");
    EXPECT_EQ(name.size(), KXDownloadFileName::kMaxBytes);
    EXPECT_TRUE(name.ends_with("a.zip"));
    std::string longChinese(101, 'a');
    for (int i = 0; i < 60; ++i)
        longChinese += "字";
    const std::string chinese = KXDownloadFileName::safeName(longChinese + ".ttf", "u");
    EXPECT_LE(chinese.size(), KXDownloadFileName::kMaxBytes);
    EXPECT_TRUE(chinese.ends_with("字.ttf"));
    EXPECT_EQ((chinese.size() - 101 - 4) % 3, 0u); // cut at a character boundary
}

TEST(KXDownloadFileName, OnlyTheKindsTheClientDownloadsKeepTheirName)
{
    const std::string hash = "82a2e708b2fc53792af9097bc4a00b8c"; // MD5 of "https://x/y"
    for (const char* kept : {"a.ttf", "b.OTF", "c.ttc", "d.otc", "e.Zip", "f.dmg", "corvane_2.0_amd64.deb", "Corvane-2.0.AppImage"})
        EXPECT_EQ(KXDownloadFileName::safeName(kept, "https://x/y"), kept);
    // The client's own files beside the downloads, and anything else, take the URL's hash.
    for (const char* other : {"fontName.plist", "fontName.plist\n", "fonts.sqlite", "font.woff", "a.zip.plist", "zip", ".zip", "a.zip."})
        EXPECT_EQ(KXDownloadFileName::safeName(other, "https://x/y"), hash) << other;
}
