#include "Class/ServiceCore/Fonts/KXFontsCore.h"
#include "FontEngineFakes.h"
#include "Lib/ZipArchive/ZipArchive.h"
#include "Platform/Dispatch/RunLoop.h"
#include "Platform/Fonts/FontRegistry.h"
#include "Platform/Foundation/Foundation.h"
#include "Platform/Foundation/NewFiles.h"
#include "Platform/Storage/Paths.h"
#include "RawArchive.h"
#include "Support/LegacyText.h"

#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <unistd.h>

using foundation::String;
namespace fs = std::filesystem;

namespace {

struct Outcome {
    std::vector<double> progress;
    std::string installed;
    KXFontsCore::InstalledFiles files;
    KXFontsCore::InstalledFiles written;
    foundation::Ref<foundation::Error> error;
    bool done = false;
};

Outcome install(const fs::path& file, const std::string& url, std::set<fs::path> installedBefore = {})
{
    fontengine_test::Bench bench;
    auto core = KXFontsCore::create(bench.environment());
    Outcome outcome;
    core->installFontsWithFilePath(
        String::create(file.string()), String::create(url), std::move(installedBefore),
        [&](double q) { outcome.progress.push_back(q); },
        [&](const foundation::Ref<String>& path, const KXFontsCore::InstalledFiles& files,
            const KXFontsCore::InstalledFiles& written) {
            outcome.installed = path->utf8();
            outcome.files = files;
            outcome.written = written;
            outcome.done = true;
        },
        [&](const foundation::Ref<foundation::Error>& error) {
            outcome.error = error;
            outcome.done = true;
        });
    EXPECT_TRUE(dispatch::RunLoop::runUntil([&] { return outcome.done; }, 20));
    dispatch::RunLoop::drain();
    return outcome;
}

} // namespace

TEST(KXFontsCoreInstall, UnpacksAnArchiveAndMakesItsFontUsable)
{
    const auto dir = testsupport::makeScratchDir("archive");
    fs::copy_file(
        "/usr/share/fonts/truetype/freefont/FreeSerifBoldItalic.ttf", dir / "FreeSerifBoldItalic.ttf");
    std::ofstream(dir / "readme.txt") << "licence";
    const auto archive = dir / "12345";
    ASSERT_TRUE(ZipArchive::createZipFileAtPath(
        archive.string(), { (dir / "readme.txt").string(), (dir / "FreeSerifBoldItalic.ttf").string() }));

    const auto outcome = install(archive, "https://fonts.example/dl/12345.zip?sig=1");
    ASSERT_FALSE(outcome.error) << outcome.error->description();
    const auto expected = foundation::Paths::userFontsDirectory() / "FreeSerifBoldItalic.ttf";
    EXPECT_EQ(outcome.installed, expected.string());
    EXPECT_EQ(outcome.files, KXFontsCore::InstalledFiles { expected });
    EXPECT_EQ(fs::file_size(expected), fs::file_size(dir / "FreeSerifBoldItalic.ttf"));
    EXPECT_FALSE(fs::exists(foundation::Paths::userFontsDirectory() / "readme.txt"));
    ASSERT_FALSE(outcome.progress.empty());
    EXPECT_TRUE(std::is_sorted(outcome.progress.begin(), outcome.progress.end()));
    EXPECT_EQ(outcome.progress.back(), 1.0);
    EXPECT_TRUE(fonts::FontRegistry::isPostScriptNameAvailable("FreeSerifBoldItalic"));
    // No unpack folder is left behind.
    for (const auto& entry : fs::directory_iterator(foundation::Paths::cacheDirectory() / "KXFonts"))
        EXPECT_FALSE(entry.path().filename().string().starts_with(".unpack")) << entry.path();
}

// A link planted at the name the unpack folder takes leads to a folder of the user's: nothing is
// unpacked into it, the link stays, and the archive is unpacked into a folder of its own.
TEST(KXFontsCoreInstall, AnArchiveIsUnpackedIntoNoLinkPlantedAtItsFolder)
{
    const auto dir = testsupport::makeScratchDir("planted-unpack");
    fs::copy_file("/usr/share/fonts/truetype/freefont/FreeSansOblique.ttf", dir / "FreeSansOblique.ttf");
    const auto archive = dir / "package.zip";
    ASSERT_TRUE(ZipArchive::createZipFileAtPath(
        archive.string(), std::vector<std::string> { (dir / "FreeSansOblique.ttf").string() }));
    const auto cache = foundation::Paths::cacheDirectory() / "KXFonts";
    fs::create_directories(cache);
    const auto usersFolder = testsupport::makeScratchDir("users-folder");
    const auto planted = cache / (".unpack-" + std::to_string(::getpid()) + "-21");
    fs::create_directory_symlink(usersFolder, planted);
    std::uint64_t next = 21;
    foundation::NewFiles::ScopedNumbers numbers([&next] { return next++; });

    const auto outcome = install(archive, "");
    EXPECT_TRUE(fs::is_empty(usersFolder));
    EXPECT_TRUE(fs::is_symlink(planted));
    fs::remove(planted);
    ASSERT_FALSE(outcome.error) << outcome.error->description();
    const auto expected = foundation::Paths::userFontsDirectory() / "FreeSansOblique.ttf";
    EXPECT_EQ(outcome.files, KXFontsCore::InstalledFiles { expected });
    EXPECT_EQ(fs::file_size(expected), fs::file_size(dir / "FreeSansOblique.ttf"));
    for (const auto& entry : fs::directory_iterator(cache))
        EXPECT_FALSE(entry.path().filename().string().starts_with(".unpack")) << entry.path();
}

TEST(KXFontsCoreInstall, APlainFontFileIsInstalledAsItIs)
{
    const auto dir = testsupport::makeScratchDir("plain");
    fs::copy_file("/usr/share/fonts/truetype/freefont/FreeMonoOblique.ttf", dir / "FreeMonoOblique.ttf");
    const auto outcome = install(dir / "FreeMonoOblique.ttf", "https://fonts.example/FreeMonoOblique.ttf");
    EXPECT_FALSE(outcome.error);
    EXPECT_EQ(outcome.installed, (foundation::Paths::userFontsDirectory() / "FreeMonoOblique.ttf").string());
}

TEST(KXFontsCoreInstall, FailsWithoutAFont)
{
    const auto dir = testsupport::makeScratchDir("nofont");
    std::ofstream(dir / "readme.txt") << "licence";
    ASSERT_TRUE(ZipArchive::createZipFileAtPath(
        (dir / "a.zip").string(), std::vector<std::string> { (dir / "readme.txt").string() }));
    auto outcome = install(dir / "a.zip", "");
    ASSERT_TRUE(outcome.error);
    EXPECT_EQ(outcome.error->domain(), KXFontsCore::kErrorDomain);
    EXPECT_EQ(outcome.error->code(), 3);
    EXPECT_TRUE(outcome.installed.empty());

    std::ofstream(dir / "broken.zip") << "PK not really";
    outcome = install(dir / "broken.zip", "");
    ASSERT_TRUE(outcome.error);

    outcome = install(dir / "missing.zip", "");
    ASSERT_TRUE(outcome.error);
    EXPECT_EQ(outcome.error->code(), 1);
}

// A download that is refused leaves nothing in the cache: an archive with an entry that leads out
// of its folder, one that cannot be opened, one without a font, and a file that is no font are
// removed once the failure is reported. An archive whose font was installed stays.
TEST(KXFontsCoreInstall, ARefusedDownloadIsRemovedOnceItsFailureIsReported)
{
    const auto cache = foundation::Paths::cacheDirectory() / "KXFonts";
    fs::create_directories(cache);
    const auto font
        = foundation::Data::dataWithContentsOfFile("/usr/share/fonts/truetype/freefont/FreeMonoBold.ttf");
    ASSERT_TRUE(font);
    {
        ZipArchive slip((cache / "slip.zip").string());
        ASSERT_TRUE(slip.open());
        ASSERT_TRUE(slip.writeData(font, "../FreeMonoBold.ttf", ""));
        ASSERT_TRUE(slip.close());
    }
    std::ofstream(cache / "broken.zip") << "PK not really";
    std::ofstream(cache / "readme.txt") << "licence";
    ASSERT_TRUE(ZipArchive::createZipFileAtPath(
        (cache / "nofont.zip").string(), std::vector<std::string> { (cache / "readme.txt").string() }));
    fs::remove(cache / "readme.txt");
    std::ofstream(cache / "notafont.ttf") << "text";

    const std::vector<std::pair<std::string, long long>> refused { { "slip.zip",
                                                                       ZipArchiveErrorCodeUnsafeEntry },
        { "broken.zip", 0 }, { "nofont.zip", 3 }, { "notafont.ttf", 3 } };
    for (const auto& [name, code] : refused) {
        const auto outcome = install(cache / name, "https://fonts.example/dl/" + name);
        ASSERT_TRUE(outcome.error) << name;
        if (code != 0) {
            EXPECT_EQ(outcome.error->code(), code) << name;
        }
        EXPECT_FALSE(fs::exists(cache / name)) << name;
    }
    for (const auto& entry : fs::directory_iterator(cache))
        EXPECT_FALSE(entry.path().filename().string().starts_with(".unpack")) << entry.path();
    EXPECT_FALSE(fs::exists(cache.parent_path() / "FreeMonoBold.ttf"));

    {
        ZipArchive good((cache / "good.zip").string());
        ASSERT_TRUE(good.open());
        ASSERT_TRUE(good.writeData(font, "FreeMonoBold.ttf", ""));
        ASSERT_TRUE(good.close());
    }
    const auto outcome = install(cache / "good.zip", "");
    ASSERT_FALSE(outcome.error) << outcome.error->description();
    EXPECT_TRUE(fs::exists(cache / "good.zip"));
}

TEST(KXFontsCoreInstall, UnzipHelperAnswersTheFirstUnpackedName)
{
    const auto dir = testsupport::makeScratchDir("unzip-helper");
    const auto content = testsupport::makeScratchDir("unzip-content");
    std::ofstream(content / "b.otf") << "b";
    std::ofstream(content / "a.ttf") << "a";
    const auto archive = dir / "pack.zip";
    ASSERT_TRUE(ZipArchive::createZipFileAtPath(
        archive.string(), { (content / "b.otf").string(), (content / "a.ttf").string() }));
    fontengine_test::Bench bench;
    auto core = KXFontsCore::create(bench.environment());
    std::string answer = "unset";
    core->unzipNoPwdFileToPathWithFilePath(
        String::create("file://" + archive.string()),
        [&](const foundation::Ref<String>& path) { answer = path->utf8(); }, nullptr);
    EXPECT_EQ(answer, (dir / "a.ttf").string());
    EXPECT_FALSE(fs::exists(archive));

    foundation::Ref<foundation::Error> failure;
    core->unzipNoPwdFileToPathWithFilePath(String::create((dir / "none.zip").string()), nullptr,
        [&](const foundation::Ref<foundation::Error>& error) { failure = error; });
    EXPECT_TRUE(failure);
}

TEST(KXFontsCoreInstall, AFailedInstallLeavesTheFontFolderAsItWas)
{
    // The archive's last font cannot take the place of the file the client installed under its
    // name (a folder holds that name now): the first one, already copied, goes again; a font of
    // that name there before stays.
    const auto dir = testsupport::makeScratchDir("partial");
    for (const char* name : { "FreeMono.ttf", "FreeSans.ttf", "FreeSerif.ttf" })
        fs::copy_file(fs::path("/usr/share/fonts/truetype/freefont") / name, dir / name);
    const auto archive = dir / "three.zip";
    std::vector<std::string> members;
    for (const char* name : { "FreeMono.ttf", "FreeSans.ttf", "FreeSerif.ttf" })
        members.push_back((dir / name).string());
    ASSERT_TRUE(ZipArchive::createZipFileAtPath(archive.string(), members));
    const auto folder = foundation::Paths::userFontsDirectory();
    std::error_code ec;
    fs::remove_all(folder, ec);
    fs::create_directories(folder / "FreeSerif.ttf" / "in-the-way");
    fs::copy_file(dir / "FreeSans.ttf", folder / "FreeSans.ttf");

    const auto outcome = install(archive, "", { folder / "FreeSerif.ttf" });
    ASSERT_TRUE(outcome.error);
    EXPECT_EQ(outcome.error->code(), 4);
    EXPECT_FALSE(fs::exists(folder / "FreeMono.ttf")) << "no partly installed archive";
    EXPECT_TRUE(fs::exists(folder / "FreeSans.ttf")) << "what was there before stays";
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string> { "FreeSans.ttf", "FreeSerif.ttf" }));
    fs::remove_all(folder, ec);
}

// An archive made on Linux by a Chinese archiver names its font in GBK, without the UTF-8 flag:
// the font is installed under its Chinese name.
TEST(KXFontsCoreInstall, AFontNamedInGBKIsInstalledUnderItsChineseName)
{
    const auto dir = testsupport::makeScratchDir("gbk-archive");
    const auto font
        = foundation::Data::dataWithContentsOfFile("/usr/share/fonts/truetype/freefont/FreeSans.ttf");
    ASSERT_TRUE(font);
    const std::string name = "华文细黑常规体.ttf";
    const std::string gbkName = testsupport::legacyEncoded(name, "GBK");
    ASSERT_FALSE(gbkName.empty());
    {
        ZipArchive archive((dir / "gbk.zip").string());
        ASSERT_TRUE(archive.open());
        ASSERT_TRUE(archive.writeData(font, gbkName, ""));
        ASSERT_TRUE(archive.close());
    }
    const auto outcome = install(dir / "gbk.zip", "https://fonts.example/dl/gbk.zip");
    ASSERT_FALSE(outcome.error) << outcome.error->description();
    const auto expected = foundation::Paths::userFontsDirectory() / name;
    EXPECT_EQ(outcome.installed, expected.string());
    EXPECT_EQ(outcome.files, KXFontsCore::InstalledFiles { expected });
    EXPECT_TRUE(fs::exists(expected));
}

namespace {

// Bytes the process has handed to write() so far.
std::uint64_t bytesWritten()
{
    std::ifstream io("/proc/self/io");
    for (std::string line; std::getline(io, line);) {
        if (line.starts_with("wchar:"))
            return std::stoull(line.substr(6));
    }
    ADD_FAILURE() << "no wchar in /proc/self/io";
    return 0;
}

std::string randomBytes(std::size_t count)
{
    std::string bytes(count, '\0');
    unsigned state = 12345;
    for (auto& byte : bytes) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<char>(state >> 16);
    }
    return bytes;
}

} // namespace

// A 3.5 MB font archive whose "bomb.ttf" inflates to 3 GiB of zeros (and says so), beside a real
// font and a licence that pad it past what the default ratio would stop: refused before the bomb
// reaches the disk, and nothing of it stays.
TEST(KXFontsCoreInstall, AFontFileOverTheCeilingIsRefusedBeforeItReachesTheDisk)
{
    const auto dir = testsupport::makeScratchDir("font-bomb");
    const auto font
        = foundation::Data::dataWithContentsOfFile("/usr/share/fonts/truetype/freefont/FreeSans.ttf");
    ASSERT_TRUE(font);
    ziptest::RawEntry bomb;
    bomb.name = "bomb.ttf";
    bomb.method = 8;
    bomb.data = ziptest::deflatedZeros(3072);
    bomb.zip64Size = std::uint64_t { 3 } << 30;
    const std::string archive
        = ziptest::rawArchive({ ziptest::fileEntry("FreeSans.ttf", std::string(font->view())),
            ziptest::fileEntry("licence.bin", randomBytes(512 * 1024)), bomb });
    ASSERT_GT(archive.size() * ZipOutputLimit::kDefaultMaximumRatio, *bomb.zip64Size)
        << "the default ratio lets it through";
    std::ofstream(dir / "bomb.zip", std::ios::binary) << archive;

    const std::uint64_t before = bytesWritten();
    const auto outcome = install(dir / "bomb.zip", "https://fonts.example/dl/bomb.zip");
    const std::uint64_t written = bytesWritten() - before;
    ASSERT_TRUE(outcome.error);
    EXPECT_EQ(outcome.error->domain(), ZipArchiveErrorDomain);
    EXPECT_EQ(outcome.error->code(), ZipArchiveErrorCodeOutputLimitExceeded);
    EXPECT_LE(written, KXFontsCore::kMaximumFontFileBytes);
    EXPECT_LT(written, 4u << 20) << "refused by its declared size, before a byte of it";
    EXPECT_FALSE(fs::exists(dir / "bomb.zip"));
    EXPECT_FALSE(fs::exists(foundation::Paths::userFontsDirectory() / "FreeSans.ttf"));
    for (const auto& entry : fs::directory_iterator(foundation::Paths::cacheDirectory() / "KXFonts"))
        EXPECT_FALSE(entry.path().filename().string().starts_with(".unpack")) << entry.path();
}

// Of a font archive only the font files reach the disk: a large licence or sample file beside
// them is never written.
TEST(KXFontsCoreInstall, OnlyTheFontFilesOfAnArchiveAreUnpacked)
{
    const auto dir = testsupport::makeScratchDir("font-extras");
    const auto font
        = foundation::Data::dataWithContentsOfFile("/usr/share/fonts/truetype/freefont/FreeMono.ttf");
    ASSERT_TRUE(font);
    const std::string archive
        = ziptest::rawArchive({ ziptest::deflatedEntry("samples/poster.bin", std::string(32u << 20, 'p')),
            ziptest::fileEntry("Mono/FreeMono.TTF", std::string(font->view())) });
    std::ofstream(dir / "mono.zip", std::ios::binary) << archive;

    const std::uint64_t before = bytesWritten();
    const auto outcome = install(dir / "mono.zip", "");
    const std::uint64_t written = bytesWritten() - before;
    ASSERT_FALSE(outcome.error) << outcome.error->description();
    EXPECT_EQ(outcome.files,
        KXFontsCore::InstalledFiles { foundation::Paths::userFontsDirectory() / "FreeMono.TTF" });
    EXPECT_LT(written, 16u << 20) << "the 32 MiB sample was unpacked";
}
