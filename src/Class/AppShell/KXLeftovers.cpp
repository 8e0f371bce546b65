#include "Class/AppShell/KXLeftovers.h"

#include "Platform/Foundation/PrivateFiles.h"
#include "Platform/Storage/Paths.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

bool allOf(std::string_view text, bool (*accepts)(char))
{
    return !text.empty() && std::all_of(text.begin(), text.end(), accepts);
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}
bool isHexDigit(char c)
{
    return isDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}
bool isTemplateLetter(char c)
{
    return isDigit(c) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// What mkstemp puts in place of "XXXXXX".
bool isTemplateSuffix(std::string_view text)
{
    return text.size() == 6 && allOf(text, isTemplateLetter);
}

bool takePrefix(std::string_view& name, std::string_view prefix)
{
    if (!name.starts_with(prefix))
        return false;
    name.remove_prefix(prefix.size());
    return true;
}

bool takeSuffix(std::string_view& name, std::string_view suffix)
{
    if (!name.ends_with(suffix))
        return false;
    name.remove_suffix(suffix.size());
    return true;
}

// ".<name>.<8 hex digits>.part": a download written beside the file it becomes.
bool isDownloadPart(std::string_view name)
{
    if (!takePrefix(name, ".") || !takeSuffix(name, ".part") || name.size() < 10)
        return false;
    const std::string_view hex = name.substr(name.size() - 8);
    return allOf(hex, isHexDigit) && name[name.size() - 9] == '.';
}

// ".unpack-<pid>-<n>": a package being unpacked before its fonts are installed.
bool isUnpackFolder(std::string_view name)
{
    if (!takePrefix(name, ".unpack-"))
        return false;
    const auto dash = name.find('-');
    return dash != std::string_view::npos && allOf(name.substr(0, dash), isDigit)
        && allOf(name.substr(dash + 1), isDigit);
}

// "full-<seconds>" and "<seconds>": the work folders of full and partial catalogue updates.
bool isUpdateWorkFolder(std::string_view name)
{
    takePrefix(name, "full-");
    return allOf(name, isDigit);
}

// ".defaults.plist.XXXXXX": an atomic write of the settings that did not reach its rename.
bool isSettingsCopy(std::string_view name)
{
    return takePrefix(name, ".defaults.plist.") && isTemplateSuffix(name);
}

// "corvane-download-XXXXXX.tmp": a download body as earlier versions wrote it.
bool isSharedDownloadBody(std::string_view name)
{
    return takePrefix(name, "corvane-download-") && takeSuffix(name, ".tmp") && isTemplateSuffix(name);
}

// remove_all takes a link itself away, never what it leads to, and does not descend through links.
void removeEntry(const fs::path& entry)
{
    std::error_code ignored;
    fs::remove_all(entry, ignored);
}

void removeMatching(const fs::path& folder, const std::function<bool(std::string_view)>& matches)
{
    std::error_code error;
    std::vector<fs::path> found;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        if (matches(it->path().filename().native()))
            found.push_back(it->path());
    }
    for (const auto& entry : found)
        removeEntry(entry);
}

void emptyTemporaryFolder()
{
    const fs::path folder = foundation::Paths::temporaryDirectory();
    struct stat info { };
    // Everything inside goes, so only a real folder of the client's is emptied, not one a link leads to.
    if (::lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::getuid())
        return;
    removeMatching(folder, [](std::string_view) { return true; });
}

// In the shared folder other accounts' files lie side by side with ours: only this user's plain
// files go.
void removeSharedDownloadBodies()
{
    std::error_code error;
    fs::path folder = fs::temp_directory_path(error);
    if (error)
        folder = "/tmp";
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        if (!isSharedDownloadBody(it->path().filename().native()))
            continue;
        struct stat info { };
        if (::lstat(it->path().c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::getuid())
            ::unlink(it->path().c_str());
    }
}

} // namespace

void KXLeftovers::tidyAtStartup(KXSingleInstance::Role role)
{
    for (const auto& folder : { foundation::Paths::configDirectory(), foundation::Paths::dataDirectory(),
             foundation::Paths::cacheDirectory() })
        foundation::PrivateFiles::restrictFolders(folder);
    if (role == KXSingleInstance::Role::Primary)
        removeAll();
}

void KXLeftovers::removeAll()
{
    const fs::path cache = foundation::Paths::cacheDirectory();
    emptyTemporaryFolder();
    removeMatching(cache / "KXFonts",
        [](std::string_view name) { return isDownloadPart(name) || isUnpackFolder(name); });
    removeMatching(cache / "kxData" / "updataData", isUpdateWorkFolder);
    removeMatching(foundation::Paths::configDirectory(), isSettingsCopy);
    removeSharedDownloadBodies();
}
