#include "Platform/Fonts/FontRegistry.h"

#include "Platform/Foundation/NewFiles.h"
#include "Platform/Storage/Paths.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <mutex>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace fonts {
namespace {

std::mutex& fontconfigLock()
{
    static std::mutex lock;
    return lock;
}

// The files this process registered, kept so that one can be taken out again: fontconfig only
// clears all application fonts at once.
std::vector<std::string>& registeredFiles()
{
    static std::vector<std::string> files;
    return files;
}

const FcChar8* fcText(const std::string& text)
{
    return reinterpret_cast<const FcChar8*>(text.c_str());
}

bool isInside(const std::filesystem::path& file, const std::filesystem::path& folder)
{
    std::error_code ec;
    const auto canonicalFolder = std::filesystem::weakly_canonical(folder, ec);
    const auto canonicalFile = std::filesystem::weakly_canonical(file, ec);
    if (ec)
        return false;
    return canonicalFile.parent_path() == canonicalFolder;
}

bool rescanLocked(const std::filesystem::path& folder)
{
    FcConfig* config = FcConfigGetCurrent();
    FcCache* cache = FcDirCacheRescan(fcText(folder.string()), config);
    if (!cache)
        return false;
    FcDirCacheUnload(cache);
    return true;
}

// Another font of the same name is looked for under at most this many numbered names.
constexpr int kMaxNameSuffix = 999;

// "name.ttf" for 0, "name-<n>.ttf" after it.
std::filesystem::path nameWithSuffix(const std::filesystem::path& name, int suffix)
{
    if (suffix == 0)
        return name;
    return name.stem().string() + "-" + std::to_string(suffix) + name.extension().string();
}

bool sameBytes(const std::filesystem::path& first, const std::filesystem::path& second)
{
    std::error_code ec;
    const auto size = std::filesystem::file_size(first, ec);
    if (ec || std::filesystem::file_size(second, ec) != size || ec)
        return false;
    std::ifstream a(first, std::ios::binary);
    std::ifstream b(second, std::ios::binary);
    std::vector<char> left(64 * 1024);
    std::vector<char> right(left.size());
    while (a && b) {
        a.read(left.data(), static_cast<std::streamsize>(left.size()));
        b.read(right.data(), static_cast<std::streamsize>(right.size()));
        if (a.gcount() != b.gcount() || !std::equal(left.begin(), left.begin() + a.gcount(), right.begin()))
            return false;
    }
    return a.eof() && b.eof();
}

// Copies the font's bytes into a new file of `folder` under a name no one can guess, made for this
// copy alone (a link or file already there is left as it is), and sets `copy` to it.
// ".<file>.<pid>.<number>.part": the start-up sweep knows the shape.
std::error_code copyIntoNewFile(const std::filesystem::path& source, const std::filesystem::path& folder,
                                std::filesystem::path& copy)
{
    const std::string prefix = "." + source.filename().string() + "." + std::to_string(::getpid()) + ".";
    return foundation::NewFiles::copyToNewFile(
        source, [&](std::uint64_t number) { return folder / (prefix + std::to_string(number) + ".part"); }, 0644, copy);
}

// Renames `from` to `to` unless `to` exists, in one step, so that a file someone puts there
// meanwhile is not replaced: file_exists then.
std::error_code renameUnlessTaken(const std::filesystem::path& from, const std::filesystem::path& to)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return {};
    if (errno != EINVAL && errno != ENOSYS)
        return {errno, std::generic_category()};
    // A file system without that kind of rename: a hard link fails just the same on a taken name.
    if (::link(from.c_str(), to.c_str()) != 0)
        return {errno, std::generic_category()};
    ::unlink(from.c_str());
    return {};
}

} // namespace

std::optional<FontRegistry::InstalledFile> FontRegistry::installFontFile(const std::filesystem::path& source,
                                                                         const std::set<std::filesystem::path>& replaceable,
                                                                         std::string* error)
{
    Failure failure;
    auto installed = installFontFile(source, replaceable, failure);
    if (!installed && error)
        *error = std::move(failure.reason);
    return installed;
}

std::optional<FontRegistry::InstalledFile> FontRegistry::installFontFile(const std::filesystem::path& source,
                                                                         const std::set<std::filesystem::path>& replaceable,
                                                                         Failure& failure)
{
    const auto folder = foundation::Paths::userFontsDirectory();
    auto fail = [&failure](std::string reason) -> std::optional<InstalledFile> {
        failure.reason = std::move(reason);
        return std::nullopt;
    };
    auto failWriting = [&](std::string reason, std::error_code code) {
        failure.folder = folder;
        failure.cause = code;
        return fail(std::move(reason));
    };
    std::error_code ec;
    if (!std::filesystem::is_regular_file(source, ec))
        return fail("no font file at " + source.string());
    std::filesystem::create_directories(folder, ec);
    if (ec)
        return failWriting("cannot create " + folder.string() + ": " + ec.message(), ec);
    std::set<std::filesystem::path> mayGo;
    for (const auto& file : replaceable)
        mayGo.insert(file.lexically_normal());

    // The copy this call made, until it is renamed into place; empty otherwise. Only it is removed.
    std::filesystem::path temporary;
    auto dropCopy = [&] {
        std::error_code ignored;
        if (!temporary.empty())
            std::filesystem::remove(temporary, ignored);
        temporary.clear();
    };
    // Moves the copy to `target`; a name taken meanwhile is not an error, the next name is tried.
    enum class Move { Done, NameTaken, Failed };
    std::string reason;
    std::error_code cause;
    auto moveCopyTo = [&](const std::filesystem::path& target, bool replacing) {
        ec.clear();
        if (temporary.empty())
            ec = copyIntoNewFile(source, folder, temporary);
        if (!ec) {
            if (replacing)
                std::filesystem::rename(temporary, target, ec);
            else
                ec = renameUnlessTaken(temporary, target);
        }
        if (!ec) {
            temporary.clear();
            return Move::Done;
        }
        reason = "cannot install " + target.string() + ": " + ec.message();
        cause = ec;
        // Only the rename's own "exists" is about the target.
        return ec == std::errc::file_exists && !temporary.empty() ? Move::NameTaken : Move::Failed;
    };

    int racesLeft = 8;
    for (int suffix = 0; suffix <= kMaxNameSuffix;) {
        const auto target = folder / nameWithSuffix(source.filename(), suffix);
        if (std::filesystem::equivalent(source, target, ec))
            return InstalledFile{target, false, false};
        const auto status = std::filesystem::symlink_status(target, ec);
        if (status.type() == std::filesystem::file_type::not_found) {
            const Move moved = moveCopyTo(target, false);
            if (moved == Move::Done)
                return InstalledFile{target, true, true};
            if (moved == Move::NameTaken && --racesLeft > 0)
                continue; // look at what took it
            dropCopy();
            return failWriting(reason, cause);
        }
        if (std::filesystem::is_regular_file(target, ec) && sameBytes(source, target)) {
            dropCopy();
            return InstalledFile{target, false, false};
        }
        if (mayGo.contains(target)) {
            if (moveCopyTo(target, true) == Move::Done)
                return InstalledFile{target, false, true};
            dropCopy();
            return failWriting(reason, cause);
        }
        ++suffix;
    }
    dropCopy();
    return fail("no free name for " + source.filename().string() + " in " + folder.string());
}

bool FontRegistry::registerFontFile(const std::filesystem::path& file)
{
    const std::string path = file.string();
    std::lock_guard lock(fontconfigLock());
    if (!FcConfigAppFontAddFile(FcConfigGetCurrent(), fcText(path)))
        return false;
    auto& files = registeredFiles();
    if (std::find(files.begin(), files.end(), path) == files.end())
        files.push_back(path);
    if (isInside(file, foundation::Paths::userFontsDirectory()))
        rescanLocked(file.parent_path());
    return true;
}

bool FontRegistry::unregisterFontFile(const std::filesystem::path& file)
{
    std::lock_guard lock(fontconfigLock());
    auto& files = registeredFiles();
    const auto found = std::find(files.begin(), files.end(), file.string());
    if (found == files.end())
        return false;
    files.erase(found);
    FcConfig* config = FcConfigGetCurrent();
    FcConfigAppFontClear(config);
    for (const auto& other : files)
        FcConfigAppFontAddFile(config, fcText(other));
    return true;
}

bool FontRegistry::isPostScriptNameAvailable(std::string_view postScriptName)
{
    if (postScriptName.empty())
        return false;
    const std::string name(postScriptName);
    std::lock_guard lock(fontconfigLock());
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_POSTSCRIPT_NAME, fcText(name));
    FcObjectSet* objects = FcObjectSetBuild(FC_POSTSCRIPT_NAME, static_cast<char*>(nullptr));
    FcFontSet* found = FcFontList(FcConfigGetCurrent(), pattern, objects);
    const bool available = found && found->nfont > 0;
    if (found)
        FcFontSetDestroy(found);
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    return available;
}

std::optional<FontRegistry::FontFile> FontRegistry::fileForPostScriptName(std::string_view postScriptName)
{
    if (postScriptName.empty())
        return std::nullopt;
    const std::string name(postScriptName);
    std::lock_guard lock(fontconfigLock());
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_POSTSCRIPT_NAME, fcText(name));
    FcObjectSet* objects = FcObjectSetBuild(FC_FILE, FC_INDEX, static_cast<char*>(nullptr));
    FcFontSet* found = FcFontList(FcConfigGetCurrent(), pattern, objects);
    std::optional<FontFile> result;
    if (found && found->nfont > 0) {
        FcChar8* file = nullptr;
        int index = 0;
        if (FcPatternGetString(found->fonts[0], FC_FILE, 0, &file) == FcResultMatch && file) {
            FcPatternGetInteger(found->fonts[0], FC_INDEX, 0, &index);
            result = FontFile{reinterpret_cast<const char*>(file), index};
        }
    }
    if (found)
        FcFontSetDestroy(found);
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    return result;
}

bool FontRegistry::rescanFolder(const std::filesystem::path& folder)
{
    std::lock_guard lock(fontconfigLock());
    return rescanLocked(folder);
}

} // namespace fonts
