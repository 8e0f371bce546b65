#include "Platform/Fonts/FontRegistry.h"

#include "Platform/Storage/Paths.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <atomic>
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

} // namespace

std::optional<std::filesystem::path> FontRegistry::installFontFile(const std::filesystem::path& source, std::string* error)
{
    auto fail = [error](std::string reason) -> std::optional<std::filesystem::path> {
        if (error)
            *error = std::move(reason);
        return std::nullopt;
    };
    std::error_code ec;
    if (!std::filesystem::is_regular_file(source, ec))
        return fail("no font file at " + source.string());
    const auto folder = foundation::Paths::userFontsDirectory();
    std::filesystem::create_directories(folder, ec);
    if (ec)
        return fail("cannot create " + folder.string() + ": " + ec.message());
    const auto target = folder / source.filename();
    if (std::filesystem::equivalent(source, target, ec))
        return target;

    static std::atomic<unsigned> counter{0};
    const auto temporary = folder
        / ("." + source.filename().string() + "." + std::to_string(::getpid()) + "." + std::to_string(counter++) + ".part");
    std::filesystem::copy_file(source, temporary, std::filesystem::copy_options::overwrite_existing, ec);
    if (!ec)
        std::filesystem::rename(temporary, target, ec);
    if (ec) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        return fail("cannot install " + target.string() + ": " + ec.message());
    }
    return target;
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
