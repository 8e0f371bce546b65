#include "Class/ServiceCore/Fonts/KXFontNameCache.h"
#include "Class/ServiceCore/Fonts/KXFontNameRecord.h"
#include "Class/ServiceCore/Fonts/KXHomeLocalManager.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Fonts/FontRegistry.h"
#include "Platform/Foundation/Foundation.h"
#include "Platform/Storage/Paths.h"
#include "Support/TempHome.h"

#include <gtest/gtest.h>

#include <fstream>
#include <mutex>

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
    // New bytes of the same length, the modification time put back: to a reader that goes by size
    // and time the file is unchanged, to one that opens it, it is no longer a font.
    static void spoilKeepingSizeAndTime(const fs::path& file)
    {
        const auto modified = fs::last_write_time(file);
        const auto size = fs::file_size(file);
        std::ofstream(file, std::ios::binary | std::ios::trunc) << std::string(size, '\0');
        fs::last_write_time(file, modified);
    }
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

TEST(KXHomeLocalManager, AReadOpensOnlyTheFilesThatChangedSinceThePreviousOne)
{
    Folders f;
    Folders::copyFont(kFonts / "dejavu/DejaVuSans.ttf", f.folders.user);
    Folders::copyFont(kFonts / "freefont/FreeMono.ttf", f.folders.user);
    EXPECT_EQ(postScriptNames(KXHomeLocalManager(f.folders).localFontsArray()),
              (std::vector<std::string>{"DejaVuSans", "FreeMono"}));

    Folders::spoilKeepingSizeAndTime(f.folders.user / "FreeMono.ttf");
    Folders::copyFont(kFonts / "liberation2/LiberationSans-Bold.ttf", f.folders.user / "Liberation");
    // Another manager reads the same kept records: the main window makes one per click.
    KXHomeLocalManager manager(f.folders);
    EXPECT_EQ(postScriptNames(manager.localFontsArray()),
              (std::vector<std::string>{"DejaVuSans", "FreeMono", "LiberationSans-Bold"}))
        << "the unchanged file is not read again; the new folder's font is";
    const auto kept = manager.keptLocalFonts();
    EXPECT_EQ(manager.keptLocalFonts(), kept) << "nothing changed: the same list";
    manager.localFontsArray()->removeObjectAtIndex(0);
    EXPECT_EQ(manager.keptLocalFonts()->count(), 3u) << "a caller's copy is its own";
}

TEST(KXHomeLocalManager, AReplacedOrRemovedFontShowsAtTheNextRead)
{
    Folders f;
    Folders::copyFont(kFonts / "dejavu/DejaVuSans.ttf", f.folders.user);
    Folders::copyFont(kFonts / "freefont/FreeMono.ttf", f.folders.user);
    Folders::copyFont(kFonts / "freefont/FreeSans.ttf", f.folders.user / "kept");
    KXHomeLocalManager manager(f.folders);
    manager.localFontsArray();
    Folders::spoilKeepingSizeAndTime(f.folders.user / "kept" / "FreeSans.ttf");

    // Other bytes under the same name, of another size.
    fs::copy_file(kFonts / "dejavu/DejaVuSerif.ttf", f.folders.user / "DejaVuSans.ttf", fs::copy_options::overwrite_existing);
    const auto list = manager.localFontsArray();
    EXPECT_EQ(postScriptNames(list), (std::vector<std::string>{"DejaVuSerif", "FreeMono", "FreeSans"}));
    EXPECT_EQ(list->objectAtIndex(0)["ttfPath"].stringValue(), (f.folders.user / "DejaVuSans.ttf").string());

    // The same size, a later time: opened again, and no longer a font.
    const auto modified = fs::last_write_time(f.folders.user / "FreeMono.ttf");
    Folders::spoilKeepingSizeAndTime(f.folders.user / "FreeMono.ttf");
    fs::last_write_time(f.folders.user / "FreeMono.ttf", modified + std::chrono::seconds(5));
    EXPECT_EQ(postScriptNames(manager.localFontsArray()), (std::vector<std::string>{"DejaVuSerif", "FreeSans"}));

    fs::remove(f.folders.user / "DejaVuSans.ttf");
    EXPECT_EQ(postScriptNames(manager.localFontsArray()), (std::vector<std::string>{"FreeSans"}));
    fs::remove_all(f.folders.user / "kept");
    EXPECT_EQ(manager.localFontsArray()->count(), 0u);
}

TEST(KXHomeLocalManager, AFontTheClientInstallsOrTakesOutShowsAtOnce)
{
    Folders f;
    const fs::path userFonts = foundation::Paths::userFontsDirectory();
    fs::remove_all(userFonts);
    KXHomeLocalManager manager({userFonts, f.folders.computer, f.folders.system});
    EXPECT_EQ(manager.localFontsArray()->count(), 0u) << "no font folder yet";

    const auto installed = fonts::FontRegistry::installFontFile(kFonts / "freefont/FreeSerif.ttf");
    ASSERT_TRUE(installed);
    Folders::copyFont(kFonts / "freefont/FreeMono.ttf", userFonts / "kept");
    EXPECT_EQ(postScriptNames(manager.localFontsArray()), (std::vector<std::string>{"FreeSerif", "FreeMono"}));
    Folders::spoilKeepingSizeAndTime(userFonts / "kept" / "FreeMono.ttf");

    const auto second = fonts::FontRegistry::installFontFile(kFonts / "dejavu/DejaVuSans.ttf");
    ASSERT_TRUE(second);
    EXPECT_EQ(postScriptNames(manager.localFontsArray()), (std::vector<std::string>{"DejaVuSans", "FreeSerif", "FreeMono"}));
    fs::remove(installed->file);
    EXPECT_EQ(postScriptNames(manager.localFontsArray()), (std::vector<std::string>{"DejaVuSans", "FreeMono"}));
    fs::remove_all(userFonts);
}

TEST(KXHomeLocalManager, ABackgroundReadHandsTheListOverOnItsQueueOnceForEveryRequest)
{
    Folders f;
    Folders::copyFont(kFonts / "dejavu/DejaVuSans.ttf", f.folders.user);
    KXHomeLocalManager manager(f.folders);
    std::mutex mutex;
    std::vector<foundation::Ref<foundation::Array>> lists;
    bool onMainThread = false;
    const auto request = [&] {
        manager.readLocalFontsInBackground([&](const foundation::Ref<foundation::Array>& list) {
            std::lock_guard lock(mutex);
            onMainThread = onMainThread || dispatch::isMainThread();
            lists.push_back(list);
        });
    };
    request();
    request();
    ASSERT_TRUE(dispatch::RunLoop::runUntil([] { return KXHomeLocalManager::backgroundReads() == 0; }, 60));
    std::lock_guard lock(mutex);
    EXPECT_FALSE(onMainThread);
    ASSERT_EQ(lists.size(), 2u);
    EXPECT_EQ(lists[0], lists[1]);
    EXPECT_EQ(lists[0], manager.keptLocalFonts()) << "the kept list, as a read on the main thread finds it";
    EXPECT_EQ(postScriptNames(foundation::MutableArray::create(lists[0]->objects())), std::vector<std::string>{"DejaVuSans"});
}
