// The font engine's archive work: unpacking a downloaded font and installing its font files.
#include "Class/ServiceCore/Fonts/KXFontsCore.h"
#include "Lib/ZipArchive/ZipArchive.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/Fonts/FontNames.h"
#include "Platform/Fonts/FontRegistry.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/Error.h"
#include "Platform/Foundation/FileError.h"
#include "Platform/Foundation/NewFiles.h"
#include "Platform/Foundation/PrivateFiles.h"
#include "Platform/Storage/Paths.h"

#include <algorithm>
#include <system_error>
#include <unistd.h>
#include <vector>

using foundation::Ref;
using foundation::String;
namespace fs = std::filesystem;

namespace {

enum InstallError : long long {
    InstallErrorNoFile = 1,
    InstallErrorUnpack = 2,
    InstallErrorNoFont = 3,
    InstallErrorInstall = 4,
};

Ref<foundation::Error> installError(InstallError code, const std::string& message)
{
    return foundation::Error::create(KXFontsCore::kErrorDomain, code, message);
}

// A font file that could not be written into the font folder names the file and the system's
// error beneath, as a failed write of that file would (NSFilePath, NSUnderlyingError).
Ref<foundation::Error> installFailure(const fonts::FontRegistry::Failure& failure, const fs::path& font)
{
    if (!failure.cause)
        return installError(InstallErrorInstall, failure.reason);
    const auto info = foundation::Dictionary::create({
        { foundation::Id(foundation::NSLocalizedDescriptionKey), foundation::Id(failure.reason) },
        { foundation::Id(foundation::NSUnderlyingErrorKey),
            foundation::Id(
                foundation::fileWriteError(failure.folder / font.filename(), failure.cause.value())) },
    });
    return foundation::Error::errorWithDomain(KXFontsCore::kErrorDomain, InstallErrorInstall, info);
}

std::string withoutPrefix(std::string text, std::string_view prefix)
{
    if (text.starts_with(prefix))
        text.erase(0, prefix.size());
    return text;
}

bool looksLikeArchive(const fs::path& file, const std::string& downloadUrl)
{
    auto lower = [](std::string text) {
        std::transform(
            text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
        return text;
    };
    if (lower(file.extension().string()) == ".zip")
        return true;
    const std::string url = lower(downloadUrl.substr(0, downloadUrl.find_first_of("?#")));
    return url.ends_with(".zip");
}

// Font files below `folder`, in name order; what FreeType cannot open is left out, and so are
// resource-fork copies ("__MACOSX", "._name").
std::vector<fs::path> fontFilesBelow(const fs::path& folder)
{
    std::vector<fs::path> found;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const auto name = it->path().filename().string();
        if (name == "__MACOSX" || name.starts_with(".")) {
            if (it->is_directory(ec))
                it.disable_recursion_pending();
            continue;
        }
        if (it->is_regular_file(ec) && fonts::FontNameReader::read(it->path(), { "en" }))
            found.push_back(it->path());
    }
    std::sort(found.begin(), found.end());
    return found;
}

// A new folder ".unpack-<pid>-<number>" made for this unpack alone, under a number no one can
// guess; a name already taken (a link, a folder) is left alone. Empty when none can be made.
fs::path makeUnpackFolder(std::error_code& ec)
{
    const fs::path parent = foundation::Paths::cacheDirectory() / "KXFonts";
    if (!foundation::PrivateFiles::createFolder(parent, ec))
        return {};
    const std::string prefix = ".unpack-" + std::to_string(::getpid()) + "-";
    fs::path folder;
    if (!foundation::NewFiles::createFolder(
            [&](std::uint64_t number) { return parent / (prefix + std::to_string(number)); },
            foundation::PrivateFiles::kFolderMode, folder, ec))
        return {};
    return folder;
}

} // namespace

void KXFontsCore::installFontsWithFilePath(const Ref<String>& filePath, const Ref<String>& downloadUrl,
    std::set<fs::path> installedBefore, const std::function<void(double)>& progress,
    const std::function<void(const Ref<String>&, const InstalledFiles&, const InstalledFiles&)>& success,
    const std::function<void(const Ref<foundation::Error>&)>& fail)
{
    const fs::path file = withoutPrefix(filePath ? filePath->utf8() : std::string(), "file://");
    const std::string url = downloadUrl ? downloadUrl->utf8() : std::string();
    auto report = [progress](double fraction) {
        if (progress)
            dispatch::mainQueue().async([progress, fraction] { progress(fraction); });
    };
    auto failed = [fail](const Ref<foundation::Error>& error) {
        if (fail)
            dispatch::mainQueue().async([fail, error] { fail(error); });
    };
    auto succeeded = [success](const InstalledFiles& files, const InstalledFiles& written) {
        if (success)
            dispatch::mainQueue().async([success, files, written] {
                success(String::create(files.front().string()), files, written);
            });
    };

    dispatch::globalQueue().async([file, url, installedBefore = std::move(installedBefore), report, failed,
                                      succeeded] {
        std::error_code ec;
        if (!fs::is_regular_file(file, ec))
            return failed(installError(InstallErrorNoFile, "no downloaded file at " + file.string()));

        std::vector<fs::path> fonts;
        fs::path unpackFolder;
        if (looksLikeArchive(file, url)) {
            unpackFolder = makeUnpackFolder(ec);
            if (unpackFolder.empty())
                return failed(
                    installError(InstallErrorUnpack, "cannot unpack " + file.string() + ": " + ec.message()));
            Ref<foundation::Error> unzipError;
            ZipOutputLimit limit;
            limit.maximumEntryBytes = kMaximumFontFileBytes;
            limit.entryFilter = &KXFontsCore::isFontEntryName;
            const bool unpacked = ZipArchive::unzipFileAtPath(
                file.string(), unpackFolder.string(), true, true, 0, "", nullptr, {},
                [report](const std::string&, const ZipEntryInfo&, long entryNumber, long total) {
                    if (total > 0)
                        report(0.9 * static_cast<double>(entryNumber + 1) / static_cast<double>(total));
                },
                [&unzipError](
                    const Ref<String>&, bool, const Ref<foundation::Error>& error) { unzipError = error; },
                limit);
            if (!unpacked) {
                fs::remove_all(unpackFolder, ec);
                fs::remove(file, ec);
                auto error = unzipError ? unzipError
                                        : installError(InstallErrorUnpack, "cannot unpack " + file.string());
                return failed(error);
            }
            fonts = fontFilesBelow(unpackFolder);
        } else if (fonts::FontNameReader::read(file, { "en" })) {
            fonts.push_back(file);
        }
        if (fonts.empty()) {
            if (!unpackFolder.empty())
                fs::remove_all(unpackFolder, ec);
            fs::remove(file, ec);
            return failed(installError(InstallErrorNoFont, "no font file in " + file.string()));
        }

        fonts::FontRegistry::Failure failure;
        fs::path failedFont;
        InstalledFiles installed;
        InstalledFiles written;
        // The files this installation brought into the user's font folder: a font that fails takes
        // them out again, so that an archive is installed whole or not at all. A file that was there
        // before stays.
        std::vector<fs::path> added;
        for (const auto& font : fonts) {
            const auto placed = fonts::FontRegistry::installFontFile(font, installedBefore, failure);
            if (!placed) {
                failedFont = font;
                break;
            }
            if (placed->added)
                added.push_back(placed->file);
            fonts::FontRegistry::registerFontFile(placed->file);
            installed.push_back(placed->file);
            if (placed->written)
                written.push_back(placed->file);
        }
        if (!unpackFolder.empty())
            fs::remove_all(unpackFolder, ec);
        if (!failedFont.empty()) {
            for (const auto& font : added) {
                fonts::FontRegistry::unregisterFontFile(font);
                fs::remove(font, ec);
            }
            return failed(installFailure(failure, failedFont));
        }
        report(1.0);
        succeeded(installed, written);
    });
}

bool KXFontsCore::isFontEntryName(const std::string& relativePath)
{
    const fs::path path(relativePath);
    if (path.filename().string().starts_with("."))
        return false;
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
        [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".ttf" || extension == ".otf" || extension == ".ttc" || extension == ".otc";
}

void KXFontsCore::unzipNoPwdFileToPathWithFilePath(const Ref<String>& path,
    const std::function<void(const Ref<String>&)>& success,
    const std::function<void(const Ref<foundation::Error>&)>& fail)
{
    const std::string archive = withoutPrefix(path ? path->utf8() : std::string(), "file://");
    const std::string folder = withoutPrefix(fs::path(archive).parent_path().string(), "file:");
    ZipOutputLimit limit;
    limit.maximumEntryBytes = kMaximumFontFileBytes;
    ZipArchive::unzipFileAtPath(
        archive, folder, true, true, 0, "", nullptr, {},
        [](const std::string&, const ZipEntryInfo&, long, long) {},
        [&](const Ref<String>& completedPath, bool succeeded, const Ref<foundation::Error>& error) {
            std::error_code ec;
            fs::remove(archive, ec);
            if (!succeeded) {
                if (fail)
                    fail(error ? error : installError(InstallErrorUnpack, "cannot unpack " + archive));
                return;
            }
            std::string result;
            if (completedPath && completedPath->length() > 0 && !completedPath->isEqualToString("(null)")) {
                std::vector<std::string> names;
                for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
                    names.push_back(it->path().filename().string());
                std::sort(names.begin(), names.end());
                if (!names.empty())
                    result = folder + "/" + names.front();
            }
            if (success)
                success(String::create(result));
        });
}
