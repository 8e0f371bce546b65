#include "Class/AppShell/KXLeftovers.h"

#include "Class/ServiceCore/Catalogue/KXCatalogueFile.h"
#include "Platform/Foundation/LogChannel.h"
#include "Platform/Foundation/PrivateFiles.h"
#include "Platform/Storage/Paths.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <string_view>
#include <sys/file.h>
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

// ".<file>.XXXXXX": an atomic write (writeFileAtomically) that did not reach its rename.
bool isAtomicWriteCopy(std::string_view name)
{
    if (!takePrefix(name, ".") || name.size() < 8)
        return false;
    return name[name.size() - 7] == '.' && isTemplateSuffix(name.substr(name.size() - 6));
}

// "fonts.sqlite.tmp-<pid>-<n>": a copy of the catalogue made beside it before its rename; with
// ".damaged" before ".tmp", the second name of a damaged catalogue before it is renamed aside.
bool isCatalogueCopy(std::string_view name)
{
    if (!takePrefix(name, KXCatalogueFile::kFileName))
        return false;
    takePrefix(name, KXCatalogueFile::kDamagedSuffix);
    if (!takePrefix(name, ".tmp-"))
        return false;
    const auto dash = name.find('-');
    return dash != std::string_view::npos && allOf(name.substr(0, dash), isDigit)
        && allOf(name.substr(dash + 1), isDigit);
}

// ".<font file>.<pid>.<n>.part": a font being copied into the user's font folder. That folder is
// the user's, so nothing else goes, however much it looks alike.
bool isInstallCopy(std::string_view name)
{
    if (!takePrefix(name, ".") || !takeSuffix(name, ".part"))
        return false;
    for (int number = 0; number < 2; ++number) {
        const auto dot = name.rfind('.');
        if (dot == std::string_view::npos || !allOf(name.substr(dot + 1), isDigit))
            return false;
        name = name.substr(0, dot);
    }
    return !name.empty();
}

// "corvane-download-XXXXXX.tmp": a download body as earlier versions wrote it.
bool isSharedDownloadBody(std::string_view name)
{
    return takePrefix(name, "corvane-download-") && takeSuffix(name, ".tmp") && isTemplateSuffix(name);
}

using Kinds = KXLeftovers::Kinds;

foundation::LogChannel& logChannel()
{
    static foundation::LogChannel channel;
    return channel;
}

void removeMatching(
    const fs::path& folder, const std::function<bool(std::string_view)>& matches, Kinds kinds = Kinds::Any)
{
    std::error_code error;
    std::vector<fs::path> found;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        if (!matches(it->path().filename().native()))
            continue;
        std::error_code ignored;
        if (kinds == Kinds::Any || it->symlink_status(ignored).type() == fs::file_type::regular)
            found.push_back(it->path());
    }
    for (const auto& entry : found)
        KXLeftovers::removeEntry(entry, kinds);
}

// The key folders of kxData hold one archive each, written atomically too.
void removeAtomicWriteCopiesOfKeyFolders(const fs::path& folder)
{
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::error_code ignored;
        if (it->symlink_status(ignored).type() == fs::file_type::directory)
            removeMatching(it->path(), isAtomicWriteCopy, Kinds::PlainFiles);
    }
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

// Kept open until the process ends, so that the kernel lets the lock go only after the last
// write of any thread, exit handlers included.
int instancesLock = -1;

void holdShared(int lock)
{
    while (::flock(lock, LOCK_SH) != 0 && errno == EINTR) { }
}

} // namespace

void KXLeftovers::removeEntry(const fs::path& entry, Kinds kinds)
{
    std::error_code ignored;
    // remove_all takes a link itself away, never what it leads to, and does not descend through
    // links. A plain file's name is removed by itself: a folder put there since it was found stays
    // (remove takes only an empty one).
    if (kinds == Kinds::PlainFiles)
        fs::remove(entry, ignored);
    else
        fs::remove_all(entry, ignored);
}

KXLeftovers::LogSink KXLeftovers::setLogSink(LogSink sink)
{
    return logChannel().setSink(std::move(sink));
}

fs::path KXLeftovers::lockPath()
{
    return foundation::Paths::cacheDirectory() / "instances.lock";
}

bool KXLeftovers::tidyAtStartup()
{
    for (const auto& folder : { foundation::Paths::configDirectory(), foundation::Paths::dataDirectory(),
             foundation::Paths::cacheDirectory() })
        foundation::PrivateFiles::restrictFolders(folder);
    if (instancesLock < 0) {
        std::error_code ignored; // a lock that cannot be opened below shows it
        foundation::PrivateFiles::createFolder(foundation::Paths::cacheDirectory(), ignored);
        instancesLock = ::open(lockPath().c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (instancesLock < 0) {
            const int reason = errno;
            logChannel().line("no leftovers removed: cannot use the lock " + lockPath().string() + ": " + std::strerror(reason));
        }
    }
    // Without the lock, or with another process holding it, whatever lies there may be live work.
    if (instancesLock < 0)
        return false;
    if (::flock(instancesLock, LOCK_EX | LOCK_NB) != 0) {
        holdShared(instancesLock);
        return false;
    }
    removeAll();
    // Going back to shared lets go of the lock for a moment, and another start may sweep in
    // between: waiting here keeps this one from working until that sweep is done.
    holdShared(instancesLock);
    return true;
}

void KXLeftovers::removeAll()
{
    const fs::path cache = foundation::Paths::cacheDirectory();
    emptyTemporaryFolder();
    removeMatching(cache / "KXFonts",
        [](std::string_view name) { return isDownloadPart(name) || isUnpackFolder(name); });
    removeMatching(cache / "KXFonts", isAtomicWriteCopy, Kinds::PlainFiles);
    removeMatching(cache / "kxData" / "updataData", isUpdateWorkFolder);
    removeMatching(cache / "kxData", isAtomicWriteCopy, Kinds::PlainFiles);
    removeAtomicWriteCopiesOfKeyFolders(cache / "kxData");
    const fs::path data = KXCatalogueFile::writablePath().parent_path();
    removeMatching(
        data, [](std::string_view name) { return isCatalogueCopy(name) || isAtomicWriteCopy(name); },
        Kinds::PlainFiles);
    removeMatching(foundation::Paths::configDirectory(), isAtomicWriteCopy, Kinds::PlainFiles);
    removeMatching(foundation::Paths::userFontsDirectory(), isInstallCopy, Kinds::PlainFiles);
    removeSharedDownloadBodies();
}
