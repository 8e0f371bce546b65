#include "Class/ServiceCore/Fonts/KXFontNameCache.h"
#include "Class/ServiceCore/Fonts/KXFontNameRecord.h"
#include "Class/ServiceCore/Fonts/KXHomeLocalManager.h"
#include "Platform/Foundation/Foundation.h"
#include "Support/TempHome.h"

#include <gtest/gtest.h>

#include <fstream>

using foundation::Id;
namespace fs = std::filesystem;

namespace {

const fs::path kFonts = "/usr/share/fonts/truetype";

struct Folders {
    fs::path root = testsupport::makeScratchDir("localfonts");
    KXHomeLocalManager::Folders folders{root / "user", root / "computer", root / "system"};

    Folders()
    {
        for (const auto& folder : {folders.user, folders.computer, folders.system})
            fs::create_directories(folder);
    }
    static void copyFont(const fs::path& font, const fs::path& into)
    {
        fs::create_directories(into);
        fs::copy_file(font, into / font.filename());
    }
    static void touch(const fs::path& file) { std::ofstream(file) << "x"; }
};

std::vector<std::string> postScriptNames(const foundation::Ref<foundation::MutableArray>& list)
{
    std::vector<std::string> names;
    for (const auto& record : *list)
        names.push_back(record["pName"].stringValue());
    return names;
}

} // namespace

TEST(KXHomeLocalManager, UserFontsFirstWalkedRecursivelyThenTheComputerFolder)
{
    Folders f;
    Folders::copyFont(kFonts / "dejavu/DejaVuSans.ttf", f.folders.user);
    Folders::copyFont(kFonts / "liberation2/LiberationSans-Bold.ttf", f.folders.user / "Liberation");
    Folders::touch(f.folders.user / ".DS_Store");
    Folders::touch(f.folders.user / ".uuid");
    Folders::touch(f.folders.user / "fonts.dir");
    Folders::copyFont(kFonts / "dejavu/DejaVuSerif.ttf", f.folders.computer);
    Folders::copyFont(kFonts / "freefont/FreeMono.ttf", f.folders.computer);
    Folders::touch(f.folders.computer / ".DS_Store");
    Folders::copyFont(kFonts / "freefont/FreeSans.ttf", f.folders.system);
    Folders::copyFont(kFonts / "freefont/FreeSerif.ttf", f.folders.system);
    Folders::copyFont(kFonts / "freefont/FreeSansBold.ttf", f.folders.system);

    KXHomeLocalManager manager(f.folders);
    const auto list = manager.localFontsArray();
    // Three entries in the computer folder, ".DS_Store" among them: it is listed, the system one is not.
    EXPECT_EQ(postScriptNames(list),
              (std::vector<std::string>{"DejaVuSans", "LiberationSans-Bold", "DejaVuSerif", "FreeMono"}));
    const Id first = list->objectAtIndex(0);
    EXPECT_EQ(first["fName"].stringValue(), "DejaVu Sans");
    EXPECT_EQ(first["sName"].stringValue(), "Book");
    EXPECT_EQ(first["ttfPath"].stringValue(), (f.folders.user / "DejaVuSans.ttf").string());
}

TEST(KXHomeLocalManager, AComputerFolderWithFewerThanThreeEntriesGivesWayToTheSystemFolder)
{
    Folders f;
    Folders::copyFont(kFonts / "dejavu/DejaVuSerif.ttf", f.folders.computer);
    Folders::touch(f.folders.computer / ".DS_Store");
    Folders::copyFont(kFonts / "freefont/FreeSans.ttf", f.folders.system);
    Folders::copyFont(kFonts / "freefont/FreeSerif.ttf", f.folders.system / "free");
    Folders::touch(f.folders.system / "fonts.dir");

    KXHomeLocalManager manager(f.folders);
    // The user folder is empty: only the second folder's fonts.
    EXPECT_EQ(postScriptNames(manager.localFontsArray()), (std::vector<std::string>{"FreeSans", "FreeSerif"}));
}

TEST(KXHomeLocalManager, SmallOrMissingFoldersAddNothingMore)
{
    Folders f;
    Folders::copyFont(kFonts / "dejavu/DejaVuSans.ttf", f.folders.user);
    Folders::copyFont(kFonts / "freefont/FreeSans.ttf", f.folders.system);
    Folders::touch(f.folders.system / ".DS_Store");
    fs::remove_all(f.folders.computer);

    KXHomeLocalManager manager(f.folders);
    EXPECT_EQ(postScriptNames(manager.localFontsArray()), (std::vector<std::string>{"DejaVuSans"}));
    KXHomeLocalManager nothing({f.root / "none", f.root / "none", f.root / "none"});
    EXPECT_EQ(nothing.localFontsArray()->count(), 0u);
}

TEST(KXHomeLocalManager, RecentFontsAreTheCachedRecordsNewestFirst)
{
    Folders f;
    KXFontNameCache cache(f.root / "KXFonts" / "fontName.plist");
    KXHomeLocalManager manager(f.folders, &cache);
    EXPECT_EQ(manager.recentLocalFontsArray()->count(), 0u);
    for (const char* name : {"Old-PS", "New-PS"}) {
        cache.insertRecord(std::string("/fonts/") + name, kxfontname::makeRecord(foundation::String::create("F"), nullptr,
                                                                                  nullptr, nullptr));
        cache.insertRecord(std::string("/fonts/") + name,
                           kxfontname::makeRecord(foundation::String::create("F"), foundation::String::create("R"),
                                                  foundation::String::create(name),
                                                  foundation::String::create(std::string("/fonts/") + name)));
    }
    EXPECT_EQ(postScriptNames(manager.recentLocalFontsArray()), (std::vector<std::string>{"New-PS", "Old-PS"}));
}
