#pragma once

#include "Platform/Foundation/Array.h"
#include "Platform/Foundation/Atomic.h"
#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/Error.h"
#include "Platform/Foundation/String.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace desktop {
class ScriptRunner;
class WindowList;
} // namespace desktop
namespace dispatch {
class NotificationCenter;
}
namespace foundation {
class UserDefaults;
}
class KXFontNameCache;

// What the application does with an installed font file: names it (the font name record of
// kxfontname, cached in fontName.plist), finds which supported design or office application is in
// front, waits until the font is usable and hands it to that application by script. The end of a
// hand-off is announced by the notification "endcellloading" with the object {"ttfPath": path},
// always posted on the main queue.
//
// Make one per use with create(); a hand-off keeps its engine alive until it is over. Each hand-off
// carries its own state (path, application, owner name, retry count), so hand-offs do not disturb
// each other. The engine's own kept owner name is guarded by its own lock.
//
// Start-up wiring: the client-error report of a failed script goes through the hook given to
// setClientErrorReporter() (the service facade's activation-error operation). Without a hook the
// report is dropped.
class KXFontsCore : public std::enable_shared_from_this<KXFontsCore> {
public:
    // Application codes, in the order of the owner-name table.
    enum AppType : int {
        AppNone = -1,
        AppWord = 0,
        AppPowerPoint = 1,
        AppPhotoshop = 2,
        AppIllustrator = 3,
        AppInDesign = 4,
        AppSketch = 5,
    };
    static constexpr const char* kEndCellLoadingNotification = "endcellloading";

    // (client name, client version, platform, error info)
    using ClientErrorReporter = std::function<void(const foundation::Ref<foundation::String>&,
        const foundation::Ref<foundation::String>&, const foundation::Ref<foundation::String>&,
        const foundation::Ref<foundation::String>&)>;
    static void setClientErrorReporter(ClientErrorReporter reporter);

    // Everything the engine reaches outside itself, so tests can replace each piece.
    struct Environment {
        std::shared_ptr<desktop::WindowList> windowList;
        std::shared_ptr<desktop::ScriptRunner> scriptRunner;
        // Whether a font of this PostScript name can be used now.
        std::function<bool(const std::string&)> isFontUsable;
        std::function<std::vector<std::string>()> preferredLanguages;
        foundation::UserDefaults* defaults = nullptr;
        dispatch::NotificationCenter* notificationCenter = nullptr;
        KXFontNameCache* nameCache = nullptr;
        std::filesystem::path cacheFolder; // staging of the plug-in
        std::filesystem::path dataHome; // the plug-in folder lies below it
    };
    // X11 window list, the system script runner, fontconfig, the standard defaults, the default
    // notification centre and the shared name cache.
    static Environment systemEnvironment();

    static std::shared_ptr<KXFontsCore> create();
    static std::shared_ptr<KXFontsCore> create(Environment environment);

    // The loaded fontName.plist (a new array on each read).
    foundation::Ref<foundation::MutableArray> fontNamesA() const;
    // Kept for the callers that set it; the engine does not use it.
    foundation::Ref<foundation::MutableDictionary> tryTimeD();

    // The code of the front supported application, or AppNone. A match keeps the window's owner
    // name for the Photoshop and InDesign scripts.
    int getChooseApp();
    std::string chosenOwnerName() const;

    // Starts the hand-off of an installed font and returns at once. The blocks are never called:
    // the end is announced by "endcellloading".
    void activeFontsBypath(const foundation::Ref<foundation::String>& path,
        const std::function<void()>& success, const std::function<void()>& faile);
    // One wait loop for `record` and application `appType`, from its first test.
    void testnftTyPath(const foundation::Ref<foundation::Dictionary>& record, long long appType);

    // The record of the font file at `path`, through the cache (the code is not used). A file that
    // cannot be read as a font gives an empty record, which is not cached.
    foundation::Ref<foundation::Dictionary> activeWithPath(
        const foundation::Ref<foundation::String>& path, long long appType);
    // The same, without the fallback PostScript name of the default family.
    foundation::Ref<foundation::Dictionary> getfontnamesBypath(
        const foundation::Ref<foundation::String>& path, long long appType);
    // A new record without the cache; nil when the file cannot be read as a font.
    foundation::Ref<foundation::MutableDictionary> fontBaseInfoByFontPath(
        const foundation::Ref<foundation::String>& path);

    // Hands the font of `record` to the application of `appType`.
    void setTextFontWithSonftType(long long appType, const foundation::Ref<foundation::Dictionary>& record);
    void wordSetFontName(const std::string& fontName, const std::string& ttfPath);
    void powerPointSetFontName(const std::string& fontName, const std::string& ttfPath);
    void PSSetFontName(const std::string& fontName, const std::string& ttfPath);
    void AISetFontName(const std::string& fontName, const std::string& ttfPath);
    void IDSetFontName(const std::string& fontName, const std::string& ttfPath);
    void sketchSetFontName(const std::string& fontName, const std::string& ttfPath);
    // Queues the script on the main queue, posts "endcellloading" and returns "".
    foundation::Ref<foundation::String> runScptTaskWithScptStr(
        const std::string& script, const std::string& ttfPath);

    // Registration of a font file for this session (fontconfig); errors are logged.
    void registerFontWithPath(const foundation::Ref<foundation::String>& path);
    void UnRegisterFontWithPath(const foundation::Ref<foundation::String>& path);
    // The most one font file of an archive may unpack to: above the largest real fonts (whole
    // CJK collections of every weight stay under about 150 MiB). A larger entry is refused before
    // it is written, from its declared size or, when that lies, as its bytes stream out.
    static constexpr std::uint64_t kMaximumFontFileBytes = std::uint64_t { 256 } << 20;
    // Whether an archive entry is a font file the installer takes (.ttf, .otf, .ttc, .otc in any
    // case; not the hidden resource-fork copies "._name").
    static bool isFontEntryName(const std::string& relativePath);

    // Unpacks an archive (a "file://" prefix is allowed) into its folder and deletes it; success
    // gets "<folder>/<first name of the folder's listing>". Each entry at most kMaximumFontFileBytes.
    void unzipNoPwdFileToPathWithFilePath(const foundation::Ref<foundation::String>& path,
        const std::function<void(const foundation::Ref<foundation::String>&)>& success,
        const std::function<void(const foundation::Ref<foundation::Error>&)>& fail);

    // Installs a downloaded font file: a zip archive is unpacked into a private folder and every font
    // file in it installed into the user's font folder and registered with fontconfig; a plain font
    // file is installed as it is. Of an archive only the font files are unpacked
    // (isFontEntryName), each at most kMaximumFontFileBytes. `downloadUrl` tells an archive from a font when
    // the downloaded file's name does not. `installedBefore` holds the font files this client wrote earlier
    // for this font and that are still as it wrote them: only those are replaced by a font file of their
    // name; any other file of that name stays and the font takes a free name (FontRegistry::installFontFile).
    // Works on a global queue; progress (0 to 1), success (the installed path of the first font
    // file in name order, the installed paths of all of them, and those of them whose bytes this
    // installation wrote, rather than found there already) and fail are called on the main queue.
    // The downloaded file stays where it is once installed, and when only the font folder failed;
    // one that is refused (an archive that cannot be opened, that is unsafe or too large to
    // unpack, or a file that holds no font) is removed before the failure is reported.
    static constexpr const char* kErrorDomain = "KXFontsCoreErrorDomain";
    using InstalledFiles = std::vector<std::filesystem::path>;
    void installFontsWithFilePath(const foundation::Ref<foundation::String>& filePath,
        const foundation::Ref<foundation::String>& downloadUrl,
        std::set<std::filesystem::path> installedBefore, const std::function<void(double)>& progress,
        const std::function<void(const foundation::Ref<foundation::String>& first, const InstalledFiles& all,
            const InstalledFiles& written)>& success,
        const std::function<void(const foundation::Ref<foundation::Error>&)>& fail);

    explicit KXFontsCore(Environment environment);
    KXFontsCore(const KXFontsCore&) = delete;
    KXFontsCore& operator=(const KXFontsCore&) = delete;

private:
    struct HandOff;
    enum class Naming { Cached, CachedWithoutDefault, Plain };
    foundation::Ref<foundation::MutableDictionary> nameFont(const std::string& path, Naming naming);
    foundation::Ref<foundation::Dictionary> cachedName(
        const foundation::Ref<foundation::String>& path, Naming naming);
    void test(const std::shared_ptr<HandOff>& handOff);
    void handOffFont(int appType, const foundation::Ref<foundation::Dictionary>& record,
        const std::string& ownerName, const std::string& fallbackPath);
    void runApplicationScript(
        int appType, const std::string& fontName, const std::string& ownerName, const std::string& ttfPath);
    void scriptFailed(const std::string& errorText);
    void postEndCellLoading(const std::string& ttfPath);

    Environment environment_;
    foundation::Atomic<std::string> ownerName_;
    foundation::Atomic<foundation::Ref<foundation::MutableDictionary>> tryTimeD_;
};
