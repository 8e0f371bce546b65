#include "Class/AppShell/KXLeftovers.h"
#include "ClientStartProcess.h"
#include "Class/ServiceCore/Catalogue/KXCatalogueFile.h"
#include "Platform/Storage/Paths.h"
#include "Platform/Storage/UserDefaults.h"
#include "Support/TempHome.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <unistd.h>

namespace fs = std::filesystem;
using foundation::Paths;
using shelltest::ClientStartProcess;

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

fs::path runtimeFolder(const std::string& hint)
{
    return testsupport::makeScratchDir(hint) / "corvane-fonts";
}

// Below a file: no single-instance lock or socket can be had there.
fs::path unusableFolder()
{
    const fs::path file = testsupport::makeScratchDir("runtime-file") / "not-a-folder";
    plant(file);
    return file / "corvane-fonts";
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
    }

    void plantLeftovers()
    {
        const fs::path cache = Paths::cacheDirectory();
        const fs::path fonts = cache / "KXFonts";
        const fs::path updates = cache / "kxData" / "updataData";
        const fs::path data = Paths::dataDirectory();
        const fs::path userFonts = Paths::userFontsDirectory();
        const fs::path temporary = Paths::temporaryDirectory();
        fs::create_directories(temporary);
        fs::permissions(temporary, fs::perms::owner_all);

        leftovers_ = { temporary / "corvane-download-Ab12Cd.tmp", temporary / "half" / "deeper" / "body",
            fonts / ".SourceHan-Regular.ttf.0A1B2C3D.part", fonts / ".package.zip.ffee0012.part",
            fonts / ".unpack-4242-0" / "font" / "Half.otf", updates / "full-1765170000" / "fonts.sqlite",
            updates / "1765170001" / "1765170001" / "fonts.txt",
            Paths::configDirectory() / ".defaults.plist.a1B2c3", shared_ / "corvane-download-Zz9Yy8.tmp",
            // Copies of atomic writes, of the catalogue and of installs.
            fonts / ".fontsPlist.plist.Q1w2E3", fonts / ".fontsearch.plist.a9B8c7",
            cache / "kxData" / ".userCenter.plsit.k3J4h5", cache / "kxData" / "session" / ".session.Rr55Tt",
            data / ".fonts.sqlite.bundle.Xy12Zw", data / "fonts.sqlite.tmp-4242-3", data / "fonts.sqlite.damaged.tmp-12-0",
            userFonts / ".Mine-Bold.ttf.4242.17.part" };
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
            imageCache / ".3f2a9c.png.Ab12Cd", userFonts / ".Mine.ttf.0A1B2C3D.part",
            userFonts / ".unpack-1-1" / "Mine.ttf", shared_ / "corvane-download-Zz9Yy8.txt",
            shared_ / "corvane-download-Zz9Y.tmp", outside_ / "linked" / "keep.ttf", outside_ / "linked-body",
            // Names close to those copies, and the files they become.
            fonts / ".fontsPlist.plist.Q1w2-3", fonts / ".fontsPlist.plist.Q1w2E",
            fonts / ".folder.Ab12Cd" / "inside", data / KXCatalogueFile::kFileName,
            data / "fonts.sqlite.bundle", data / ".fonts.sqlite.bundle.Xy12Z", data / "fonts.sqlite.tmp-4242",
            data / "fonts.sqlite.tmp-42a-3", data / "other.sqlite.tmp-4242-3", data / "fonts.sqlite.damaged",
            data / "fonts.sqlite.damaged.tmp-12a-0", data / "fonts.sqlite.damaged-tmp-12-0",
            data / "fonts.sqlite.damaged.damaged.tmp-12-0", userFonts / "Mine-Bold.ttf",
            userFonts / ".Mine.ttf.4242.part", userFonts / ".Mine.ttf.4242.x7.part",
            userFonts / "Mine.ttf.4242.7.part", userFonts / ".4242.7.part", userFonts / ".Mine.ttf.Ab12Cd",
            userFonts / ".Mine.ttf.4242.7.part.bak" };
        for (const auto& file : ordinary_) {
            if (!present(file)) {
                plant(file);
                planted_.push_back(file);
            }
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
        for (const auto& entry : planted_)
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
    std::vector<fs::path> planted_; // the ordinary files that were not there before
};

} // namespace

// Two starts on one home need not see each other's single-instance claim (each with its own
// configuration folder beside a shared cache, another machine): what tells that a client works in
// the folders is found in the folders.
TEST_F(KXLeftoversTest, AStartBesideARunningClientRemovesNoneOfItsWorkWhateverItsRole)
{
    ClientStartProcess first(runtimeFolder("runtime-first"), runtimeFolder("config-first"));
    ASSERT_EQ(first.outcome(), "primary removed");
    plantLeftovers();

    ClientStartProcess second(runtimeFolder("runtime-second"), runtimeFolder("config-second"));
    EXPECT_EQ(second.outcome(), "primary kept");
    ClientStartProcess unavailable(runtimeFolder("runtime-unavailable"), unusableFolder(), unusableFolder());
    EXPECT_EQ(unavailable.outcome(), "unavailable");
    EXPECT_EQ(unavailable.end(), 1) << "a start without a lock does not run";
    EXPECT_EQ(remainingLeftovers(), leftovers_) << "the running client's work is left to it";

    // The next start after the first one ended, while the second still runs.
    first.end();
    ClientStartProcess third(runtimeFolder("runtime-third"), runtimeFolder("config-third"));
    EXPECT_EQ(third.outcome(), "primary kept");
    second.end();
    third.end();
    EXPECT_EQ(remainingLeftovers(), leftovers_);
}

TEST_F(KXLeftoversTest, TheStartAfterTheLastClientEndedRemovesItsLeftoversAndNothingElse)
{
    // A client that cannot listen for later starts still runs: it holds the lock.
    ClientStartProcess first(unusableFolder());
    ASSERT_EQ(first.outcome(), "primary removed");
    plantLeftovers();
    first.end();

    ClientStartProcess next(runtimeFolder("runtime-next"));
    EXPECT_EQ(next.outcome(), "primary removed");
    next.end();
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

// A name the sweep found as a plain file may be a folder by the time it is removed: only the name
// goes, never what another program put inside.
TEST_F(KXLeftoversTest, APlainFileKindRemovesTheNameAloneWhateverItHasBecome)
{
    const fs::path folder = testsupport::makeScratchDir("swapped");
    plant(folder / ".defaults.plist.a1B2c3" / "user.txt");
    KXLeftovers::removeEntry(folder / ".defaults.plist.a1B2c3", KXLeftovers::Kinds::PlainFiles);
    EXPECT_TRUE(present(folder / ".defaults.plist.a1B2c3" / "user.txt"));

    plant(folder / ".defaults.plist.Q1w2E3");
    KXLeftovers::removeEntry(folder / ".defaults.plist.Q1w2E3", KXLeftovers::Kinds::PlainFiles);
    EXPECT_FALSE(present(folder / ".defaults.plist.Q1w2E3"));
    plant(folder / ".unpack-1-2" / "font" / "Half.otf");
    KXLeftovers::removeEntry(folder / ".unpack-1-2", KXLeftovers::Kinds::Any);
    EXPECT_FALSE(present(folder / ".unpack-1-2"));
}

// A lock the start cannot use means no sweep: the log says which file and why.
TEST_F(KXLeftoversTest, ALockThatCannotBeUsedIsNamedInTheLog)
{
    const fs::path lock = KXLeftovers::lockPath();
    fs::create_directories(lock.parent_path());
    fs::remove(lock); // no client runs now
    std::vector<std::string> log;
    auto previous = KXLeftovers::setLogSink([&](const std::string& line) { log.push_back(line); });
    fs::create_directories(lock / "inside");
    EXPECT_FALSE(KXLeftovers::tidyAtStartup());
    fs::remove_all(lock);
    fs::create_symlink(outside_ / "linked-body", lock);
    EXPECT_FALSE(KXLeftovers::tidyAtStartup());
    fs::remove(lock);
    KXLeftovers::setLogSink(previous);
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0], "no leftovers removed: cannot use the lock " + lock.string() + ": " + std::strerror(EISDIR));
    EXPECT_EQ(log[1], "no leftovers removed: cannot use the lock " + lock.string() + ": " + std::strerror(ELOOP));
}
