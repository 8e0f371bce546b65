#pragma once

#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <system_error>

namespace fonts {

// Installs font files into the user's font folder and makes them known to fontconfig.
//
// A registered file is visible to this process at once (as an application font of the current
// fontconfig configuration); other programs see files of the user's font folder after the folder's
// cache has been rescanned, which registerFontFile does for files inside it. "A font is usable"
// means that fontconfig lists its PostScript name. Thread-safe: calls into fontconfig are
// serialised by one lock.
class FontRegistry {
public:
    struct InstalledFile {
        std::filesystem::path file;
        // No file of this name was in the folder before: taking the installation back removes it.
        bool added = false;
        // This call wrote the file's bytes (a new file or a replaced one), rather than finding them.
        bool written = false;
    };
    // Copies `source` into the user's font folder under its own file name, written to a temporary
    // file first and renamed into place, so a failure leaves the old file. A file of that name
    // already there is never lost unless the caller says it may go: one with the same bytes is taken
    // as the installed file as it is; one of `replaceable` (files the caller installed earlier) is
    // replaced; any other (the user's own font, a folder) stays, and the font takes the first name
    // "<stem>-1<ext>", "<stem>-2<ext>", ... that is free, holds the same bytes or is replaceable.
    // Returns the installed file; nullopt with a reason in `error` on failure.
    static std::optional<InstalledFile> installFontFile(const std::filesystem::path& source,
                                                        const std::set<std::filesystem::path>& replaceable = {},
                                                        std::string* error = nullptr);
    // Why an installation failed: the reason, and where writing into the font folder failed, the
    // folder and the system's error.
    struct Failure {
        std::string reason;
        std::filesystem::path folder;
        std::error_code cause;
    };
    static std::optional<InstalledFile> installFontFile(const std::filesystem::path& source,
                                                        const std::set<std::filesystem::path>& replaceable, Failure& failure);

    // Adds the font file to this process's fonts; false when fontconfig refuses it (not a font, no
    // such file).
    static bool registerFontFile(const std::filesystem::path& file);

    // Takes a file added by registerFontFile out of this process's fonts again; false when it was
    // not registered here. The file itself stays.
    static bool unregisterFontFile(const std::filesystem::path& file);

    static bool isPostScriptNameAvailable(std::string_view postScriptName);
    // The file of a font fontconfig lists under this PostScript name (the first it lists), and the
    // face's index inside it; nullopt when none is known.
    struct FontFile {
        std::filesystem::path file;
        int faceIndex = 0;
    };
    static std::optional<FontFile> fileForPostScriptName(std::string_view postScriptName);

    // Rewrites fontconfig's cache of `folder`, so other programs pick up its files without scanning.
    static bool rescanFolder(const std::filesystem::path& folder);
};

} // namespace fonts
