#include "Class/AppShell/KXLeftovers.h"
#include "Platform/Storage/Paths.h"
#include "Platform/Storage/UserDefaults.h"
#include "Support/TempHome.h"

#include <QCoreApplication>
#include <atomic>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;
using foundation::Paths;

namespace {

void plant(const fs::path& file)
{
    fs::create_directories(file.parent_path());
    std::ofstream(file) << "x";
}

bool present(const fs::path& entry)
{
    std::error_code error;
    return fs::exists(fs::symlink_status(entry, error));
}

// One file or folder of every kind interrupted work leaves, next to files that only look alike
// or lie where the client does not clean; the shared temporary folder is a scratch one (TMPDIR).
class KXLeftoversTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* tmpdir = std::getenv("TMPDIR");
        savedTmpdir_ = tmpdir ? std::optional<std::string>(tmpdir) : std::nullopt;
        shared_ = testsupport::makeScratchDir("shared-tmp");
        setenv("TMPDIR", shared_.c_str(), 1);
        outside_ = testsupport::makeScratchDir("outside");
        plant(outside_ / "linked" / "keep.ttf");
        plant(outside_ / "linked-body");

        const fs::path cache = Paths::cacheDirectory();
        const fs::path fonts = cache / "KXFonts";
        const fs::path updates = cache / "kxData" / "updataData";
        const fs::path temporary = Paths::temporaryDirectory();
        fs::create_directories(temporary);
        fs::permissions(temporary, fs::perms::owner_all);

        leftovers_ = { temporary / "corvane-download-Ab12Cd.tmp", temporary / "half" / "deeper" / "body",
            fonts / ".SourceHan-Regular.ttf.0A1B2C3D.part", fonts / ".package.zip.ffee0012.part",
            fonts / ".unpack-4242-0" / "font" / "Half.otf", updates / "full-1765170000" / "fonts.sqlite",
            updates / "1765170001" / "1765170001" / "fonts.txt",
            Paths::configDirectory() / ".defaults.plist.a1B2c3", shared_ / "corvane-download-Zz9Yy8.tmp" };
        for (const auto& file : leftovers_)
            plant(file);
        fs::create_symlink(outside_ / "linked", fonts / ".unpack-4242-1");
        fs::create_symlink(outside_ / "linked", temporary / "link");
        leftovers_.push_back(fonts / ".unpack-4242-1");
        leftovers_.push_back(temporary / "link");

        // The settings file itself, written as the client writes it.
        foundation::UserDefaults::standardUserDefaults().setObject(foundation::Id("kept"), "leftoversProbe");
        foundation::UserDefaults::standardUserDefaults().synchronize();
        const fs::path imageCache = cache / "com.tallowind.ILImageCache" / "default";
        ordinary_ = { Paths::configDirectory() / "defaults.plist",
            Paths::configDirectory() / ".defaults.plist", fonts / "SourceHan-Regular.ttf",
            fonts / ".SourceHan-Regular.ttf.part", fonts / ".Half.otf.0A1B2C3.part", fonts / ".unpack-notes",
            fonts / "fontName.plist", updates / "notes-1765170000", imageCache / "3f2a9c.png",
            imageCache / ".3f2a9c.png.Ab12Cd", Paths::userFontsDirectory() / ".Mine.ttf.0A1B2C3D.part",
            Paths::userFontsDirectory() / ".unpack-1-1" / "Mine.ttf", shared_ / "corvane-download-Zz9Yy8.txt",
            shared_ / "corvane-download-Zz9Y.tmp", outside_ / "linked" / "keep.ttf",
            outside_ / "linked-body" };
        for (const auto& file : ordinary_) {
            if (!present(file))
                plant(file);
        }
        // A body of an earlier version that a link stands in for, and one of another account.
        fs::create_symlink(outside_ / "linked-body", shared_ / "corvane-download-Lnk123.tmp");
        ordinary_.push_back(shared_ / "corvane-download-Lnk123.tmp");
        if (::geteuid() == 0) {
            plant(shared_ / "corvane-download-Other1.tmp");
            ASSERT_EQ(::chown((shared_ / "corvane-download-Other1.tmp").c_str(), 65534, 65534), 0);
            ordinary_.push_back(shared_ / "corvane-download-Other1.tmp");
        }
    }

    void TearDown() override
    {
        if (savedTmpdir_)
            setenv("TMPDIR", savedTmpdir_->c_str(), 1);
        else
            unsetenv("TMPDIR");
        std::error_code ignored;
        for (const auto& entry : leftovers_)
            fs::remove_all(entry, ignored);
        foundation::UserDefaults::standardUserDefaults().removeObjectForKey("leftoversProbe");
    }

    std::vector<fs::path> remainingLeftovers() const
    {
        std::vector<fs::path> remaining;
        for (const auto& entry : leftovers_) {
            if (present(entry))
                remaining.push_back(entry);
        }
        return remaining;
    }

    std::vector<fs::path> missingOrdinaryFiles() const
    {
        std::vector<fs::path> missing;
        for (const auto& entry : ordinary_) {
            if (!present(entry))
                missing.push_back(entry);
        }
        return missing;
    }

    std::optional<std::string> savedTmpdir_;
    fs::path shared_;
    fs::path outside_;
    std::vector<fs::path> leftovers_;
    std::vector<fs::path> ordinary_;
};

// A later start in its own thread, as it would be in its own process, while this thread serves.
KXSingleInstance::Role claimAsALaterStart(const QString& folder)
{
    std::atomic<bool> done = false;
    KXSingleInstance::Role role = KXSingleInstance::Role::Unavailable;
    std::thread later([&] {
        KXSingleInstance instance(folder);
        role = instance.claim(KXSingleInstance::Message {}, 5000);
        done = true;
    });
    while (!done)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    later.join();
    return role;
}

} // namespace

TEST_F(KXLeftoversTest, OnlyTheFirstInstanceRemovesLeftoversAndNothingElse)
{
    const QString runtime = QString::fromStdString(
        (testsupport::makeScratchDir("leftovers-instance") / "corvane-fonts").string());
    KXSingleInstance first(runtime);
    ASSERT_EQ(first.claim(KXSingleInstance::Message {}), KXSingleInstance::Role::Primary);

    const auto later = claimAsALaterStart(runtime);
    ASSERT_EQ(later, KXSingleInstance::Role::Forwarded);
    KXLeftovers::tidyAtStartup(later);
    EXPECT_EQ(remainingLeftovers(), leftovers_) << "a later start leaves the running instance's files";
    KXLeftovers::tidyAtStartup(KXSingleInstance::Role::Unavailable);
    EXPECT_EQ(remainingLeftovers(), leftovers_) << "without the claim another instance may be running";

    KXLeftovers::tidyAtStartup(first.role());
    EXPECT_EQ(remainingLeftovers(), std::vector<fs::path> {});
    EXPECT_EQ(missingOrdinaryFiles(), std::vector<fs::path> {});
    EXPECT_TRUE(fs::is_directory(fs::symlink_status(Paths::temporaryDirectory())))
        << "the folder itself stays";
    EXPECT_EQ(foundation::UserDefaults(Paths::configDirectory() / "defaults.plist")
                  .objectForKey("leftoversProbe")
                  .stringValue(),
        "kept");
}

TEST_F(KXLeftoversTest, ATemporaryFolderThatIsALinkIsNotEmptied)
{
    const fs::path temporary = Paths::temporaryDirectory();
    fs::remove_all(temporary);
    fs::create_symlink(outside_ / "linked", temporary);
    KXLeftovers::removeAll();
    EXPECT_TRUE(fs::exists(outside_ / "linked" / "keep.ttf"));
    fs::remove(temporary);
}
